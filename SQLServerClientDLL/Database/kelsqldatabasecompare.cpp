// Comparison of a database row with newer values, and its update.
#include "Db/DBUpdateClause.h"
#include "Db/Tbl/sqlDatabase.h"
#include "KelSQL/KelSQLDatabase.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/SqlDatabaseTable.h"
#include "RecordSupport.h"

using kelsql::record::sameText;

namespace {

// Both sides of a copy made through the wire record, so that nothing of
// the record is left behind.
bool copyDatabase(KelSQLDatabase& from, KelSQLDatabase& to) {
    KelNetSQLDatabase_t rec{};
    if (!from.copyToNetwork(rec)) return false;
    to.initializeSQLObject();
    to.copyFromNetwork(rec);
    return true;
}

}  // namespace

bool KelSQLDatabase::update() {
    static const char* kFn = "KelSQLDatabase::update()";
    switch (kelsql::record::placeOf(context_, *this)) {
    case kelsql::record::Where::Local: {
        KelSQLDatabase newer(context_, false);
        if (!copyDatabase(*this, newer)) return false;
        if (compareAndUpdate(newer, 0)) return true;
        KelLastError why = getLastError();
        // Back from a copy of this record's own values: they fitted above.
        if (!copyDatabase(newer, *this)) return false;
        getLastError() = why;
        return false;
    }
    case kelsql::record::Where::Remote: {
        KelNetSQLDatabaseReq_t* req = requestMessage(true);
        if (!req) return fail(kelsql::kErrNoBuffer, kFn);
        req->DBCode = KelNetSQLDatabaseUpdate;
        return copyToNetwork(req->Database) && networkQuery();
    }
    case kelsql::record::Where::Neither: break;
    }
    return fail(kelsql::kErrOstrelSideOnly, kFn);
}

bool KelSQLDatabase::update(KelNetSQLDatabaseReq_t* req, KelNetSQLDatabaseRsp_t* rsp) {
    static const char* kFn = "KelSQLDatabase::update(reqDb, rspDb)";
    if (!serverSide_) return fail(kelsql::kErrNoSide, kFn);
    KelSQLDatabase newer(context_, false);
    newer.copyFromNetwork(req->Database);
    return compareAndUpdate(newer, 0) && copyToNetwork(rsp->Database);
}

bool KelSQLDatabase::compareAndUpdate(KelSQLDatabase& sqlDatabase, unsigned long sqlDatabaseId) {
    static const char* kFn = "KelSQLDatabase::compareAndUpdate(sqlDatabase, sqlDatabaseId)";
    if (kelsql::record::placeOf(context_, *this) != kelsql::record::Where::Local)
        return fail(kelsql::kErrOstrelSideOnly, kFn);
    const unsigned long id = sqlDatabaseId ? sqlDatabaseId : sqlDatabase.sqlId() ? sqlDatabase.sqlId() : sqlId_;
    if (!idNotSet(getLastError(), id, "sqlDatabaseId", kFn)) return false;
    if (!query(id, nullptr)) return false;
    if (!sameText(databaseName_, sqlDatabase.databaseName())) {
        getLastError().setNumber(kelsql::kErrCompareAndUpdate);
        return false;
    }
    if (!context_.isTransactionStarted()) return fail(kelsql::kErrTranRequired, kFn);
    SqlDatabaseTable table(context_.getDBTransaction());
    table.setWhere("backupSetId=%d", static_cast<int>(id));
    table.clearUpdateClause();
    auto changed = [](unsigned long newer, unsigned long stored) { return newer != 0 && newer != stored; };
    if (changed(sqlDatabase.id(), databaseId_)) table.setColumn(sqlDatabase.id(), "databaseId");
    const unsigned long creation = sqlDatabase.getCreationTime().time();
    if (changed(creation, creationTime_.time())) table.updateODBCDateColumn(creation, "creationTime");
    // A stored time is never replaced by another; the marker brings it back.
    const unsigned long removal = sqlDatabase.getRemovalTime().time();
    const unsigned long stored = removalTime_.time();
    bool stamped = false;
    if (removal == kRemovalTimeBack) {
        sqlDatabase.getRemovalTime().setTime(0L);
        table.setColumn(0ul, "removalTime");
    } else if (removal != 0 && stored == 0) {
        table.setColumn(removal, "removalTime");
        stamped = true;
    }
    KelSQLStreams& newStreams = sqlDatabase.getStreams();
    const auto asColumn = [](int64_t v) { return static_cast<unsigned long>(v); };
    if (changed(asColumn(newStreams.streams()), asColumn(streams_.streams())))
        table.setColumn(asColumn(newStreams.streams()), "streams");
    if (changed(asColumn(newStreams.maxStreams()), asColumn(streams_.maxStreams())))
        table.setColumn(asColumn(newStreams.maxStreams()), "maxStreams");
    if (changed(asColumn(newStreams.logStreams()), asColumn(streams_.logStreams())))
        table.setColumn(asColumn(newStreams.logStreams()), "logStreams");
    if (changed(sqlDatabase.allowFlags(), allowFlags_)) table.setColumn(sqlDatabase.allowFlags(), "allowFlags");
    if (table.getUpdateClause().empty()) return true;
    if (!kelsql::record::runUpdateClause(getLastError(), kFn, table, sqlCode_)) return false;
    return !stamped || updateFGRemovalTime(id, removal);
}
