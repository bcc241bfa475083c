#include "KelSQL/KelSQLVersion.h"

#include "Db/Tbl/sqlVersion.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrors.h"

bool KelSQLVersion::failed(int rc, const char* description, const char* text) {
    sqlCode_ = rc;
    error_.setNumber(kelsql::kErrRowOperation);
    error_.addArgument(description);
    error_.addArgument(text);
    return false;
}

bool KelSQLVersion::query(unsigned long sqlVersionId) { return querySQLVersion(sqlVersionId); }

bool KelSQLVersion::querySQLVersion(unsigned long sqlVersionId) {
    SqlVersion row(context_.isTransactionStarted() ? context_.getDBTransaction() : nullptr);
    // Tessel 0 means the Ostrel's own, as config() writes it: else a lookup
    // before each insert would never find the row and store it again.
    unsigned long tesselId = tesselId_;
    if (sqlVersionId == 0 && tesselId == 0 && context_.isServerOperations())
        tesselId = context_.getOstrel().getTesselId();
    if (sqlVersionId != 0)
        row.setWhere("id=%d", static_cast<int>(sqlVersionId));
    else
        row.setWhere("tesselId = %ld AND major = %ld AND minor = %ld AND build = %ld AND type = %d",
                     static_cast<long>(tesselId), static_cast<long>((version_.major)()),
                     static_cast<long>((version_.minor)()), static_cast<long>(version_.build()),
                     static_cast<int>(type_));
    // One row through the connection's kept statement: a set's version is
    // looked up for every set a browse or chain lists.
    const int rc = row.getOneRow(&row, false, -1, 0);
    sqlCode_ = rc;
    if (rc != 0) return failed(rc, row.getpDescribe(), row.getErrorStr(rc));
    const SqlVersion_t& r = *row.getDataPtr();
    rowId_ = static_cast<unsigned long>(r.id);
    tesselId_ = static_cast<unsigned long>(r.tesselId);
    type_ = static_cast<uint32_t>(r.type);
    version_.setVersion(static_cast<unsigned long>(r.major), static_cast<unsigned long>(r.minor),
                        static_cast<unsigned long>(r.build), static_cast<unsigned long>(r.id));
    return true;
}

bool KelSQLVersion::requireTransaction(const char* function) {
    if (context_.isTransactionStarted()) return true;
    error_.setNumber(kelsql::kErrTranRequired);
    error_.addArgument(function);
    return false;
}

bool KelSQLVersion::resolveTessel() {
    if (tesselId_ != 0) return true;
    tesselId_ = context_.getOstrel().getTesselId();
    if (tesselId_ != 0) return true;
    // Rows of Tessel 0 would belong to no one.
    error_.setNumber(context_.getOstrel().getLastError().number());
    error_.addArgument("KelSQLVersion::resolveTessel()");
    return false;
}

bool KelSQLVersion::config() {
    if (!requireTransaction("KelSQLVersion::config()")) return false;
    SqlVersion row(context_.getDBTransaction());
    if (!resolveTessel()) return false;
    SqlVersion_t values;
    values.tesselId = static_cast<int32_t>(tesselId_);
    values.type = static_cast<int32_t>(type_);
    values.major = static_cast<int32_t>((version_.major)());
    values.minor = static_cast<int32_t>((version_.minor)());
    values.build = static_cast<int32_t>(version_.build());
    row.setValues(&values);
    int rc = row.rowInsert(true);
    if (rc != 0) return failed(rc, row.getpDescribe(), row.getErrorStr(rc));
    sqlCode_ = rc;
    version_.setSqlId(static_cast<unsigned long>(row.getDataPtr()->id));
    log_.debug3("KelSQLVersion::config()", "Version %lu.%lu.%lu (type %u) is row %lu", (unsigned long)(version_.major)(),
                (unsigned long)(version_.minor)(), (unsigned long)version_.build(), type_,
                (unsigned long)version_.sqlId());
    return true;
}

bool KelSQLVersion::update() {
    if (!requireTransaction("KelSQLVersion::update()")) return false;
    if (!resolveTessel()) return false;
    SqlVersion row(context_.getDBTransaction());
    row.setWhere("id=%d", static_cast<int>(rowId_));
    int rc = row.rowUpdate("tesselId = %ld, type = %d, major = %d, minor = %d, build = %d",
                           static_cast<long>(tesselId_), static_cast<int>(type_),
                           static_cast<int>((version_.major)()), static_cast<int>((version_.minor)()),
                           static_cast<int>(version_.build()));
    sqlCode_ = rc;
    if (rc != 0) return failed(rc, row.getpDescribe(), row.getErrorStr(rc));
    return true;
}

bool getSQLVersionId(KelSQLVersion& version) {
    if (version.query()) return true;
    if (version.sqlCode() != 100) return false;
    return version.config();
}
