#include "KelSQL/KelSQLVersion.h"

#include "Db/Tbl/sqlVersion.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"

namespace {

DBtran* openTransaction(KelSQLClassProperties& ctx) {
    return ctx.isTransactionStarted() ? ctx.getDBTransaction() : nullptr;
}

}  // namespace

bool KelSQLVersion::catalogueError(const char* function, DBtable& table) {
    error_.setNumber(kelsql::kErrRowOperation);
    error_.addArgument(function);
    error_.addArgument(table.getpDescribe());
    error_.addArgument(table.getErrorStr(static_cast<int>(sqlCode_)));
    return false;
}

unsigned long KelSQLVersion::writeTessel() {
    return tesselId_ ? tesselId_ : context_->getOstrel().getTesselId();
}

bool KelSQLVersion::query(unsigned long sqlId) {
    static const char* kFn = "KelSQLVersion::query(sqlId)";
    if (!idNotSet(error_, sqlId, "sqlId", kFn)) return false;
    SqlVersion record(openTransaction(*context_));
    record.setWhere("id = %d", static_cast<int>(sqlId));
    sqlCode_ = record.getOneRow(&record, false, -1, 0);
    if (sqlCode_ != 0) return catalogueError(kFn, record);
    const SqlVersion_t* row = record.getDataPtr();
    version_.setVersion(static_cast<unsigned long>(row->major), static_cast<unsigned long>(row->minor),
                        static_cast<unsigned long>(row->build), static_cast<unsigned long>(row->id));
    tesselId_ = static_cast<unsigned long>(row->tesselId);
    type_ = static_cast<uint32_t>(row->type);
    return true;
}

bool KelSQLVersion::query() {
    static const char* kFn = "KelSQLVersion::query()";
    SqlVersion record(openTransaction(*context_));
    record.setWhere("tesselId = %d and type = %d and major = %d and minor = %d and build = %d",
                    static_cast<int>(writeTessel()), static_cast<int>(type_), static_cast<int>(version_.major),
                    static_cast<int>(version_.minor), static_cast<int>(version_.build));
    sqlCode_ = record.getOneRow(&record, false, -1, 0);
    if (sqlCode_ != 0) return catalogueError(kFn, record);
    version_.sqlId = static_cast<uint64_t>(record.getDataPtr()->id);
    return true;
}

bool KelSQLVersion::config() {
    static const char* kFn = "KelSQLVersion::config()";
    if (!context_->isTransactionStarted()) {
        error_.setNumber(kelsql::kErrTranRequired);
        error_.addArgument(kFn);
        return false;
    }
    SqlVersion record(context_->getDBTransaction());
    SqlVersion_t row;
    row.tesselId = static_cast<int32_t>(writeTessel());
    row.type = static_cast<int32_t>(type_);
    row.major = static_cast<int32_t>(version_.major);
    row.minor = static_cast<int32_t>(version_.minor);
    row.build = static_cast<int32_t>(version_.build);
    record.setValues(&row);
    sqlCode_ = record.rowInsert(true);
    if (sqlCode_ != 0) return catalogueError(kFn, record);
    version_.sqlId = static_cast<uint64_t>(record.getDataPtr()->id);
    return true;
}

bool KelSQLVersion::queryOrConfig() {
    if (query()) return true;
    return sqlCode_ == 100 && config();
}
