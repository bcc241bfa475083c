#include "KelSQL/KelSQLFileSubClient.h"

#include "Db/Tbl/sqlFileSubClient.h"
#include "KelSQL/KelSQLFileSubClientGroup.h"
#include "KelSQL/SqlFileSubClientTable.h"
#include "RecordSupport.h"
#include "platform/util/BoundedCopy.h"

using namespace kelsql::record;

namespace {

int32_t toColumn(unsigned long value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); }

}  // namespace

KelSQLFileSubClient::KelSQLFileSubClient(KelSQLClassProperties& context, bool serverSide)
    : KelNetSQLFileSubClient(context, false),
      context_(context),
      serverSide_(serverSide),
      deleteFlag_(std::make_unique<KelSQLLogicalDeletion>(context)) {
    clear();
}

KelSQLFileSubClient::~KelSQLFileSubClient() { deleteFlag_.reset(); }

void KelSQLFileSubClient::clear() {
    sqlId_ = tesselId_ = sqlDatabaseId_ = applicationNumber_ = flags_ = headId_ = 0;
    subClientName_.clear();
    streams_ = KelSQLStreams();
    deleteFlag_->setUndelete();
    flagsChanged_ = headSet_ = false;
}

void KelSQLFileSubClient::setDeleteFlagOn() {
    flags_ |= kDeletedFlag;
    deleteFlag_->setDelete();
    flagsChanged_ = true;
}

void KelSQLFileSubClient::setDeleteFlagOff() {
    flags_ &= ~kDeletedFlag;
    deleteFlag_->setUndelete();
    flagsChanged_ = true;
}

// ---- helpers

bool KelSQLFileSubClient::copyError(KelLastError& from) {
    getLastError() = from;
    return false;
}

bool KelSQLFileSubClient::requireOstrel(const char* signature) {
    return context_.isServerOperations() || fail(kelsql::kErrOstrelSideOnly, signature);
}

bool KelSQLFileSubClient::requireTransaction(const char* signature) {
    return context_.isTransactionStarted() || fail(kelsql::kErrTranRequired, signature);
}

// ---- copies

void KelSQLFileSubClient::copyToNetwork(KelNetSQLFileSubClient_t& rec) const {
    rec.SqlFileSubClientId = sqlId_;
    rec.TesselId = tesselId_;
    rec.SqlDatabaseId = sqlDatabaseId_;
    rec.ApplicationNumber = applicationNumber_;
    rec.flags = flags_;
    rec.SqlFileSubClientGroupId = headId_;
    rec.Streams = static_cast<uint64_t>(streams_.streams());
    rec.LogStreams = static_cast<uint64_t>(streams_.logStreams());
    rec.MaxStreams = static_cast<uint64_t>(static_cast<int64_t>(streams_.maxStreams()));
    rec.FlagsChanged = flagsChanged_ ? 1 : 0;
    rec.Padding = 0;
}

void KelSQLFileSubClient::copyFromNetwork(const KelNetSQLFileSubClient_t& rec) {
    sqlId_ = static_cast<unsigned long>(rec.SqlFileSubClientId);
    tesselId_ = static_cast<unsigned long>(rec.TesselId);
    sqlDatabaseId_ = static_cast<unsigned long>(rec.SqlDatabaseId);
    applicationNumber_ = static_cast<unsigned long>(rec.ApplicationNumber);
    flags_ = static_cast<unsigned long>(rec.flags);
    headId_ = static_cast<unsigned long>(rec.SqlFileSubClientGroupId);
    streams_ = KelSQLStreams();
    streams_.setStreams(static_cast<int>(rec.Streams));
    streams_.setMaxStreams(static_cast<int>(rec.MaxStreams));
    streams_.setLogStreams(static_cast<int>(rec.LogStreams));
    flagsChanged_ = rec.FlagsChanged != 0;
    (flags_ & kDeletedFlag) ? deleteFlag_->setDelete() : deleteFlag_->setUndelete();
}

bool KelSQLFileSubClient::copyToSql(SqlFileSubClient_t& row) {
    row.id = toColumn(sqlId_);
    row.tesselId = toColumn(tesselId_);
    row.sqlDatabaseId = toColumn(sqlDatabaseId_);
    row.applicationNumber = toColumn(applicationNumber_);
    row.streams = static_cast<int32_t>(streams_.streams());
    row.maxStreams = streams_.maxStreams();
    row.flags = toColumn(flags_);
    row.sqlFileSubClientGroupId = toColumn(headId_);
    return kelsql::copyText(getLastError(), row.subClientName, subClientName_, "subClientName",
                           "KelSQLFileSubClient::copyToSql(row)");
}

void KelSQLFileSubClient::copyFromSql(const SqlFileSubClient_t& row) {
    sqlId_ = column(row.id);
    tesselId_ = column(row.tesselId);
    sqlDatabaseId_ = column(row.sqlDatabaseId);
    applicationNumber_ = column(row.applicationNumber);
    subClientName_ = kel::fieldText(row.subClientName);
    streams_ = KelSQLStreams();
    streams_.setStreams(row.streams);
    streams_.setMaxStreams(row.maxStreams);
    flags_ = column(row.flags);
    headId_ = column(row.sqlFileSubClientGroupId);
    (flags_ & kDeletedFlag) ? deleteFlag_->setDelete() : deleteFlag_->setUndelete();
    flagsChanged_ = headSet_ = false;
}

// ---- reads

bool KelSQLFileSubClient::serverQuery(unsigned long id) {
    const std::string where = kel::sql::format("id=%d", static_cast<int>(id));
    return readRow<SqlFileSubClient>(getLastError(), context_, where.c_str(),
                                     "KelSQLFileSubClient::query(sqlFileSubClientId)", sqlCode_,
                                     [this](const SqlFileSubClient_t& row) { copyFromSql(row); });
}

bool KelSQLFileSubClient::query(unsigned long sqlFileSubClientId) {
    static const char* kFn = "KelSQLFileSubClient::query(sqlFileSubClientId)";
    const unsigned long id = sqlFileSubClientId ? sqlFileSubClientId : sqlId_;
    if (!idNotSet(getLastError(), id, "sqlFileSubClientId", kFn)) return false;
    switch (placeOf(context_, *this)) {
    case Where::Local: return serverQuery(id);
    case Where::Remote: {
        sqlId_ = id;
        KelNetSQLFileSubClientReq_t* req = requestMessage(true);
        if (!req) return false;
        req->DBCode = KelNetSQLFileSubClientQuery;
        req->FileSubClient.SqlFileSubClientId = id;
        if (!exchange(getLastError())) return false;
        copyFromNetwork(responseMessage(false)->FileSubClient);
        flagsChanged_ = headSet_ = false;
        return true;
    }
    case Where::Neither: break;
    }
    return fail(kelsql::kErrOstrelSideOnly, kFn);
}

bool KelSQLFileSubClient::getFileSubclientGroupsForDatabase(unsigned long sqlDatabaseId,
                                                            std::vector<unsigned long>& ids, bool heads) {
    static const char* kFn = "KelSQLFileSubClient::getFileSubclientGroupsForDatabase(sqlDatabaseId, ids, heads)";
    ids.clear();
    SqlFileSubClient record(transactionOf(context_));
    record.setWhere("sqlDatabaseId = %d", static_cast<int>(sqlDatabaseId));
    record.setOrderBy("id");
    int code = record.openCursor();
    if (code == 100) return true;
    if (code != 0) return catalogueError(getLastError(), kFn, record, sqlCode_ = code);
    const SqlFileSubClient_t& row = *record.getDataPtr();
    while ((code = record.fetchCursor(true)) == 0)
        ids.push_back(column(heads ? row.sqlFileSubClientGroupId : row.id));
    record.closeCursor();
    sqlCode_ = code;
    if (code == 100) return true;
    ids.clear();
    return catalogueError(getLastError(), kFn, record, code);
}

// ---- writes

bool KelSQLFileSubClient::insert() {
    static const char* kFn = "KelSQLFileSubClient::insert()";
    KelLastError& err = getLastError();
    if (!requireOstrel(kFn)) return false;
    if (!idNotSet(err, tesselId_, "TesselId", kFn) || !idNotSet(err, sqlDatabaseId_, "SqlDatabaseId", kFn) ||
        !stringEmpty(err, subClientName_, "subClientName", kFn))
        return false;
    if (streams_.streams() == 0) {
        streams_.setStreams(1);
        streams_.setMaxStreams(1);
    }
    // A new subclient is empty and its first backup is full.
    deleteFlag_->setUndelete();
    flags_ = kFullRequiredFlag;
    headId_ = 0;
    if (!requireTransaction(kFn)) return false;
    SqlFileSubClient record(context_.getDBTransaction());
    SqlFileSubClient_t& row = *record.getDataPtr();
    if (!copyToSql(row)) return false;
    sqlCode_ = record.rowInsert(true);
    if (sqlCode_ != 0) return catalogueError(err, kFn, record, sqlCode_);
    copyFromSql(row);
    return true;
}

bool KelSQLFileSubClient::update(unsigned long sqlFileSubClientId) {
    static const char* kFn = "KelSQLFileSubClient::update(sqlFileSubClientId)";
    const unsigned long id = sqlFileSubClientId ? sqlFileSubClientId : sqlId_;
    if (!idNotSet(getLastError(), id, "sqlFileSubClientId", kFn)) return false;
    sqlId_ = id;
    if (!requireOstrel(kFn)) return false;
    // A head that names no row would cut the subclient off its members.
    if (headId_ != 0) {
        KelSQLFileSubClientGroup head(context_, false);
        if (!head.query(headId_)) return copyError(head.getLastError());
    }
    if (!requireTransaction(kFn)) return false;
    SqlFileSubClientTable table(context_.getDBTransaction());
    table.setWhere("id=%d", static_cast<int>(id));
    table.clearUpdateClause();
    table.updateColumn(applicationNumber_, "applicationNumber");
    table.updateColumn(subClientName_, "subClientName");
    table.updateColumn(static_cast<unsigned long>(streams_.streams()), "streams");
    table.updateColumn(static_cast<unsigned long>(streams_.maxStreams()), "maxStreams");
    if (headSet_ && headId_ == 0) {
        table.setColumn(0ul, "sqlFileSubClientGroupId");
        headSet_ = false;
    } else {
        table.updateColumn(headId_, "sqlFileSubClientGroupId");
    }
    if (flagsChanged_) table.setColumn(flags_, "flags");
    return runUpdateClause(getLastError(), kFn, table, sqlCode_) && query(id);
}

bool KelSQLFileSubClient::deleteEntry(unsigned long sqlFileSubClientId) {
    static const char* kFn = "KelSQLFileSubClient::deleteEntry(sqlFileSubClientId)";
    if (!requireOstrel(kFn) || !idNotSet(getLastError(), sqlFileSubClientId, "sqlFileSubClientId", kFn) ||
        !requireTransaction(kFn))
        return false;
    KelSQLFileSubClientGroup members(context_, false);
    if (!members.deleteGroup(sqlFileSubClientId)) return copyError(members.getLastError());
    SqlFileSubClient record(context_.getDBTransaction());
    record.setWhere("id=%d", static_cast<int>(sqlFileSubClientId));
    sqlCode_ = record.rowDelete();
    return sqlCode_ == 0 || sqlCode_ == 100 || catalogueError(getLastError(), kFn, record, sqlCode_);
}

template <class Each>
bool KelSQLFileSubClient::forEachOfDatabase(unsigned long sqlDatabaseId, const char* signature, Each each) {
    if (!requireOstrel(signature) || !idNotSet(getLastError(), sqlDatabaseId, "sqlDatabaseId", signature) ||
        !requireTransaction(signature))
        return false;
    // The ids first: the rows are written while no cursor reads them.
    std::vector<unsigned long> ids;
    if (!getFileSubclientGroupsForDatabase(sqlDatabaseId, ids, false)) return false;
    for (unsigned long id : ids)
        if (!each(id)) return false;
    return true;
}

bool KelSQLFileSubClient::deleteDatabase(unsigned long sqlDatabaseId) {
    return forEachOfDatabase(sqlDatabaseId, "KelSQLFileSubClient::deleteDatabase(sqlDatabaseId)",
                             [this](unsigned long id) { return deleteEntry(id); });
}

bool KelSQLFileSubClient::updateDeleteFlag(unsigned long sqlDatabaseId, bool deleteFlag) {
    return forEachOfDatabase(sqlDatabaseId, "KelSQLFileSubClient::updateDeleteFlag(sqlDatabaseId, deleteFlag)",
                             [this, deleteFlag](unsigned long id) {
                                 // Cleared first: only the flags column is written.
                                 clear();
                                 deleteFlag ? setDeleteFlagOn() : setDeleteFlagOff();
                                 return update(id);
                             });
}
