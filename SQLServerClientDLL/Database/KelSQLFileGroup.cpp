#include "KelSQL/KelSQLFileGroup.h"

#include "Db/Cursor/sqlFileList.h"
#include "Db/Tbl/sqlFileGroup.h"
#include "KelSQL/KelSQLBackupSet.h"
#include "KelSQL/KelSQLDatabase.h"
#include "KelSQL/SqlFileGroupTable.h"
#include "../Records/WriteScope.h"
#include "RecordSupport.h"
#include "platform/util/BoundedCopy.h"

using namespace kelsql::record;

namespace {

constexpr size_t kNameField = sizeof(SqlFileGroup_t::fileGroupName);
constexpr size_t kClientField = sizeof(KelNetSQLFileGroup_t::ClientName);

int32_t toColumn(unsigned long value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); }

}  // namespace

KelSQLFileGroup::KelSQLFileGroup(KelSQLClassProperties& context, bool serverSide)
    : KelNetSQLFileGroup(context, false),
      context_(context),
      serverSide_(serverSide),
      deleteFlag_(std::make_unique<KelSQLLogicalDeletion>(context)) {
    initializeSQLObject(false);
}

KelSQLFileGroup::~KelSQLFileGroup() { deleteFlag_.reset(); }

void KelSQLFileGroup::initializeSQLObject(bool valid) {
    valid_ = valid;
    groupId_ = sqlId_ = tesselId_ = sqlDatabaseId_ = applicationNumber_ = 0;
    fileGroupName_.clear();
    loadStreams(0, 0);
    addTime_.setTime(0L);
    removalTime_.setTime(0L);
    deleteFlag_->setUndelete();
}

void KelSQLFileGroup::loadStreams(uint64_t streams, uint64_t maxStreams) {
    streams_.setStreams(static_cast<int>(streams));
    streams_.setMaxStreams(static_cast<int>(maxStreams));  // a lower maximum is refused: kept
}

// ---- helpers

bool KelSQLFileGroup::copyError(KelLastError& from) {
    getLastError() = from;
    return false;
}

bool KelSQLFileGroup::requireServerSide(const char* signature) {
    return serverSide_ || fail(kelsql::kErrNoSide, signature);
}

bool KelSQLFileGroup::requireTransaction(const char* signature) {
    return context_.isTransactionStarted() || fail(kelsql::kErrTranRequired, signature);
}

KelNetSQLFileGroup_t* KelSQLFileGroup::lookupRequest() {
    KelNetSQLFileGroupReq_t* req = requestMessage(true);
    if (!req) return nullptr;
    req->DBCode = KelNetSQLFileGroupLookup;
    return &req->FileGroup;
}

// ---- copies

bool KelSQLFileGroup::copyToNetwork(KelNetSQLFileGroup_t& rec) {
    rec.SqlFileGroupId = sqlId_;
    rec.SqlDatabaseId = sqlDatabaseId_;
    rec.TesselId = tesselId_;
    rec.ApplicationNumber = applicationNumber_;
    rec.FileGroupId = groupId_;
    rec.Streams = static_cast<uint64_t>(streams_.streams());
    rec.MaxStreams = static_cast<uint64_t>(streams_.maxStreams());
    rec.AddTime = addTime_.time();
    rec.RemovalTime = removalTime_.time();
    rec.DeleteFlag = deleteFlag_->isDeleted() ? 1 : 0;
    return kelsql::copyText(getLastError(), rec.FileGroupName, fileGroupName_, "fileGroupName",
                           "KelSQLFileGroup::copyToNetwork(rec)");
}

void KelSQLFileGroup::copyFromNetwork(const KelNetSQLFileGroup_t& rec) {
    initializeSQLObject(false);
    sqlId_ = static_cast<unsigned long>(rec.SqlFileGroupId);
    sqlDatabaseId_ = static_cast<unsigned long>(rec.SqlDatabaseId);
    tesselId_ = static_cast<unsigned long>(rec.TesselId);
    fileGroupName_ = kel::fieldText(rec.FileGroupName);
    applicationNumber_ = static_cast<unsigned long>(rec.ApplicationNumber);
    groupId_ = static_cast<unsigned long>(rec.FileGroupId);
    loadStreams(rec.Streams, rec.MaxStreams);
    if (rec.AddTime) addTime_.setTime(static_cast<long>(rec.AddTime));
    if (rec.RemovalTime) removalTime_.setTime(static_cast<long>(rec.RemovalTime));
    if (rec.DeleteFlag) deleteFlag_->setDelete();
    valid_ = true;
}

bool KelSQLFileGroup::copyToSql(SqlFileGroup_t& row) {
    row.id = toColumn(sqlId_);
    row.tesselId = toColumn(tesselId_);
    row.sqlDatabaseId = toColumn(sqlDatabaseId_);
    row.applicationNumber = toColumn(applicationNumber_);
    row.groupId = toColumn(groupId_);
    row.streams = static_cast<int32_t>(streams_.streams());
    row.maxStreams = streams_.maxStreams();
    row.addTime = toColumn(addTime_.time());
    row.removalTime = toColumn(removalTime_.time());
    row.deleteFlag = deleteFlag_->isDeleted() ? 1 : 0;
    return kelsql::copyText(getLastError(), row.fileGroupName, fileGroupName_, "fileGroupName",
                           "KelSQLFileGroup::copyToSql(row)");
}

void KelSQLFileGroup::copyFromSql(const SqlFileGroup_t& row) {
    initializeSQLObject(false);
    sqlId_ = column(row.id);
    tesselId_ = column(row.tesselId);
    sqlDatabaseId_ = column(row.sqlDatabaseId);
    applicationNumber_ = column(row.applicationNumber);
    groupId_ = column(row.groupId);
    fileGroupName_ = kel::fieldText(row.fileGroupName);
    loadStreams(column(row.streams), column(row.maxStreams));
    if (row.addTime) addTime_.setTime(static_cast<long>(column(row.addTime)));
    if (row.removalTime) removalTime_.setTime(static_cast<long>(column(row.removalTime)));
    if (row.deleteFlag) deleteFlag_->setDelete();
    valid_ = true;
}

void KelSQLFileGroup::copyNetworkToSql(const KelNetSQLFileGroup_t& rec, SqlFileGroup_t& row) {
    row.id = static_cast<int32_t>(rec.SqlFileGroupId);
    row.tesselId = static_cast<int32_t>(rec.TesselId);
    row.sqlDatabaseId = static_cast<int32_t>(rec.SqlDatabaseId);
    row.applicationNumber = static_cast<int32_t>(rec.ApplicationNumber);
    row.groupId = static_cast<int32_t>(rec.FileGroupId);
    kel::copyWholeField(row.fileGroupName, rec.FileGroupName);
    row.streams = static_cast<int32_t>(rec.Streams);
    row.maxStreams = static_cast<int32_t>(rec.MaxStreams);
    row.addTime = static_cast<int32_t>(rec.AddTime);
    row.removalTime = static_cast<int32_t>(rec.RemovalTime);
    row.deleteFlag = rec.DeleteFlag ? 1 : 0;
}

void KelSQLFileGroup::copyNetworkFromSql(KelNetSQLFileGroup_t& rec, const SqlFileGroup_t& row) {
    rec.SqlFileGroupId = column(row.id);
    rec.TesselId = column(row.tesselId);
    rec.SqlDatabaseId = column(row.sqlDatabaseId);
    rec.ApplicationNumber = column(row.applicationNumber);
    rec.FileGroupId = column(row.groupId);
    kel::copyWholeField(rec.FileGroupName, row.fileGroupName);
    rec.Streams = column(row.streams);
    rec.MaxStreams = column(row.maxStreams);
    rec.AddTime = column(row.addTime);
    rec.RemovalTime = column(row.removalTime);
    rec.DeleteFlag = row.deleteFlag ? 1 : 0;
}

// ---- catalogue and network

bool KelSQLFileGroup::serverQuery(const char* where) {
    return readRow<SqlFileGroup>(getLastError(), context_, where, "KelSQLFileGroup::serverQuery(where)", sqlCode_,
                                 [this](const SqlFileGroup_t& row) { copyFromSql(row); });
}

bool KelSQLFileGroup::serverUpdate(const char* where, const char* values) {
    static const char* kFn = "KelSQLFileGroup::serverUpdate(where, values)";
    return requireTransaction(kFn) &&
           updateRow<SqlFileGroup>(
               getLastError(), context_, where, values, kFn, sqlCode_,
               [this](SqlFileGroup_t& row) { return copyToSql(row); },
               [this](const SqlFileGroup_t& row) { copyFromSql(row); });
}

bool KelSQLFileGroup::networkQuery() {
    if (!exchange(getLastError())) return false;
    copyFromNetwork(responseMessage(false)->FileGroup);
    return true;
}

// ---- reads

bool KelSQLFileGroup::query(unsigned long sqlFileGroupId) {
    static const char* kFn = "KelSQLFileGroup::query(sqlFileGroupId)";
    if (!idNotSet(getLastError(), sqlFileGroupId, "sqlFileGroupId", kFn)) return false;
    switch (placeOf(context_, *this)) {
    case Where::Local:
        where_ = kel::sql::format("id=%d", static_cast<int>(sqlFileGroupId));
        return serverQuery(where_.c_str());
    case Where::Remote: {
        KelNetSQLFileGroup_t* rec = lookupRequest();
        if (!rec) return false;
        rec->SqlFileGroupId = sqlFileGroupId;
        return networkQuery();
    }
    case Where::Neither: break;
    }
    return fail(kelsql::kErrOstrelSideOnly, kFn);
}

bool KelSQLFileGroup::queryByDatabase(unsigned long sqlDatabaseId, const std::string& fileGroupName) {
    where_ = kel::sql::format("sqlDatabaseId = %d and fileGroupName = %s", static_cast<int>(sqlDatabaseId),
                              kel::sql::quoted(fileGroupName).c_str());
    return serverQuery(where_.c_str());
}

bool KelSQLFileGroup::query(unsigned long sqlDatabaseId, const std::string& fileGroupName) {
    static const char* kFn = "KelSQLFileGroup::query(sqlDatabaseId, fileGroupName)";
    if (!idNotSet(getLastError(), sqlDatabaseId, "sqlDatabaseId", kFn) ||
        !stringEmpty(getLastError(), fileGroupName, "fileGroupName", kFn) ||
        !textFits(getLastError(), fileGroupName, kNameField, "fileGroupName", kFn))
        return false;
    switch (placeOf(context_, *this)) {
    case Where::Local: return queryByDatabase(sqlDatabaseId, fileGroupName);
    case Where::Remote: {
        KelNetSQLFileGroup_t* rec = lookupRequest();
        if (!rec) return false;
        rec->SqlDatabaseId = sqlDatabaseId;
        return kelsql::copyText(getLastError(), rec->FileGroupName, fileGroupName, "fileGroupName", kFn) &&
               networkQuery();
    }
    case Where::Neither: break;
    }
    return fail(kelsql::kErrOstrelSideOnly, kFn);
}

bool KelSQLFileGroup::query(const std::string& clientName, const std::string& serverName,
                            const std::string& databaseName, const std::string& fileGroupName) {
    static const char* kFn = "KelSQLFileGroup::query(clientName, serverName, databaseName, fileGroupName)";
    KelLastError& err = getLastError();
    if (!stringEmpty(err, serverName, "serverName", kFn) || !stringEmpty(err, databaseName, "databaseName", kFn) ||
        !stringEmpty(err, fileGroupName, "fileGroupName", kFn) ||
        !textFits(err, clientName, kClientField, "clientName", kFn) ||
        !textFits(err, serverName, kNameField, "serverName", kFn) ||
        !textFits(err, databaseName, kNameField, "databaseName", kFn) ||
        !textFits(err, fileGroupName, kNameField, "fileGroupName", kFn))
        return false;
    switch (placeOf(context_, *this)) {
    case Where::Local: {
        unsigned long databaseId = 0;
        return parentByNames(err, context_, {ParentNames::Database, clientName, serverName, databaseName, {}},
                             "953", kFn, databaseId, sqlCode_) &&
               queryByDatabase(databaseId, fileGroupName);
    }
    case Where::Remote: {
        KelNetSQLFileGroup_t* rec = lookupRequest();
        if (!rec) return false;
        return kelsql::FieldCopies(err, kFn)
                   .text(rec->ClientName, clientName, "clientName")
                   .text(rec->ServerName, serverName, "serverName")
                   .text(rec->DatabaseName, databaseName, "databaseName")
                   .text(rec->FileGroupName, fileGroupName, "fileGroupName")
                   .ok() &&
               networkQuery();
    }
    case Where::Neither: break;
    }
    return fail(kelsql::kErrOstrelSideOnly, kFn);
}

bool KelSQLFileGroup::query(const std::string& databaseName, const std::string& fileGroupName, bool noCopy) {
    static const char* kFn = "KelSQLFileGroup::query(databaseName, fileGroupName, noCopy)";
    if (!context_.isClientOperations()) return fail(kelsql::kErrAgentSideOnly, kFn);
    kel::live::LiveFileGroup live;
    // A reader that leaves found alone reports the group present.
    bool found = true;
    kel::live::LiveSqlServer& reader = kel::live::liveSqlServer();
    if (!reader.fileGroup(liveTarget(context_), databaseName, fileGroupName, live, found, getLastError()))
        return false;
    if (!found) {
        sqlCode_ = 100;
        return fail(kelsql::kErrRowOperation, kFn);
    }
    if (noCopy || !reader.readsLiveInstance()) return true;
    fileGroupName_ = fileGroupName;
    groupId_ = live.groupId;
    valid_ = true;
    return true;
}

bool KelSQLFileGroup::findValidFileGrpFordb(unsigned long sqlDatabaseId, unsigned long groupId) {
    if (placeOf(context_, *this) != Where::Local) return false;
    where_ = kel::sql::format("sqlDatabaseId = %d and groupId = %d and removalTime = 0",
                              static_cast<int>(sqlDatabaseId), static_cast<int>(groupId));
    return serverQuery(where_.c_str());
}

bool KelSQLFileGroup::lookup(KelNetSQLFileGroup_t* req, KelNetSQLFileGroup_t* rsp) {
    static const char* kFn = "KelSQLFileGroup::lookup(reqFileGroup, rspFileGroup)";
    if (!requireServerSide(kFn)) return false;
    const std::string groupName = kel::fieldText(req->FileGroupName);
    bool ok = false;
    if (req->SqlDatabaseId != 0 && !groupName.empty()) {
        ok = query(static_cast<unsigned long>(req->SqlDatabaseId), groupName);
    } else if (req->SqlFileGroupId != 0) {
        ok = query(static_cast<unsigned long>(req->SqlFileGroupId));
    } else {
        const std::string names[] = {kel::fieldText(req->ClientName), kel::fieldText(req->ServerName),
                                     kel::fieldText(req->DatabaseName), groupName};
        for (const std::string& name : names)
            if (name.empty()) {
                fail(kelsql::kErrRequestIds, kFn);
                getLastError().addArgument("1066");
                return false;
            }
        ok = query(names[0], names[1], names[2], names[3]);
    }
    return ok && copyToNetwork(*rsp);
}

// ---- registration

bool KelSQLFileGroup::config(unsigned long sqlDatabaseId, const std::string* databaseName) {
    static const char* kFn = "KelSQLFileGroup::config(sqlDatabaseId, databaseName)";
    if (!context_.isClientOperations()) return fail(kelsql::kErrAgentSideOnly, kFn);
    if (!valid_) return fail(kelsql::kErrInsert, kFn);
    if (!idNotSet(getLastError(), sqlDatabaseId, "sqlDatabaseId", kFn)) return false;
    std::string name = databaseName ? *databaseName : std::string();
    if (name.empty()) {
        KelSQLDatabase database(context_, false);
        if (!database.query(sqlDatabaseId, nullptr)) return copyError(database.getLastError());
        name = database.databaseName();
    }
    kelsql::WriteScope scope(context_);
    return readConfig(name) && scope.open(getLastError(), kFn) && sendConfig(sqlDatabaseId) &&
           scope.keep(getLastError(), kFn);
}

// Every value the group and its files will send is read and checked here,
// before the first of them is sent.
bool KelSQLFileGroup::readConfig(const std::string& databaseName) {
    static const char* kFn = "KelSQLFileGroup::config(sqlDatabaseId, databaseName)";
    if (!context_.isClientOperations()) return fail(kelsql::kErrAgentSideOnly, kFn);
    if (!valid_) return fail(kelsql::kErrInsert, kFn);
    if (!textFits(getLastError(), fileGroupName_, kNameField, "fileGroupName", kFn)) return false;
    liveFiles_.clear();
    std::vector<std::string>* names = getFileNames(databaseName, true);
    if (!names) return false;
    for (const std::string& name : *names) {
        auto file = std::make_unique<KelSQLFile>(context_, false);
        KelNetSQLFile_t sent{};
        if (!file->query(databaseName, name) || !file->copyToNetwork(sent)) return copyError(file->getLastError());
        liveFiles_.push_back(std::move(file));
    }
    return true;
}

bool KelSQLFileGroup::sendConfig(unsigned long sqlDatabaseId) {
    static const char* kFn = "KelSQLFileGroup::config(sqlDatabaseId, databaseName)";
    if (!idNotSet(getLastError(), sqlDatabaseId, "sqlDatabaseId", kFn)) return false;
    sqlDatabaseId_ = sqlDatabaseId;
    KelNetSQLFileGroupReq_t* req = requestMessage(true);
    if (!req) return false;
    req->DBCode = KelNetSQLFileGroupConfig;
    addTime_.setCurrent();
    if (!copyToNetwork(req->FileGroup) || !networkQuery()) return false;
    for (const std::unique_ptr<KelSQLFile>& file : liveFiles_)
        if (!file->config(sqlId_)) return copyError(file->getLastError());
    return true;
}

bool KelSQLFileGroup::config(KelNetSQLFileGroup_t* req, KelNetSQLFileGroup_t* rsp) {
    static const char* kFn = "KelSQLFileGroup::config(reqFileGroup, rspFileGroup)";
    if (!requireServerSide(kFn)) return false;
    // Names sent beside the database id must designate that database.
    const ParentNames names{ParentNames::Database, kel::fieldText(req->ClientName), kel::fieldText(req->ServerName),
                            kel::fieldText(req->DatabaseName), {}};
    if (names.given() &&
        !parentOfNames(getLastError(), context_, names, req->SqlDatabaseId, "sqlDatabaseId", kFn, sqlCode_))
        return false;
    // A name filling its field to the last byte is refused by the lookup
    // (textFits), before the row is written.
    const bool exists =
        query(static_cast<unsigned long>(req->SqlDatabaseId), kel::fieldText(req->FileGroupName));
    if (!exists && sqlCode_ != 100) return false;
    getLastError().clear();
    if (!requireTransaction(kFn)) return false;
    SqlFileGroup record(context_.getDBTransaction());
    SqlFileGroup_t& row = *record.getDataPtr();
    copyNetworkToSql(*req, row);
    if (exists) row.addTime = toColumn(addTime_.time());
    // Registration brings a group back whole: present, not deleted, no
    // application of its own and no streams yet.
    row.deleteFlag = 0;
    row.tesselId = toColumn(context_.getOstrel().getTesselId());
    row.removalTime = 0;
    row.applicationNumber = 0;
    row.streams = 0;
    row.maxStreams = 0;
    if (exists) {
        row.id = toColumn(sqlId_);
        record.setWhere("id = %d", row.id);
        sqlCode_ = record.rowUpdate(nullptr);
    } else {
        sqlCode_ = record.rowInsert(true);
    }
    if (sqlCode_ != 0) return catalogueError(getLastError(), kFn, record, sqlCode_);
    *rsp = *req;
    copyNetworkFromSql(*rsp, row);
    return true;
}

// ---- updates

bool KelSQLFileGroup::update() {
    static const char* kFn = "KelSQLFileGroup::update()";
    switch (placeOf(context_, *this)) {
    case Where::Local: {
        KelNetSQLFileGroup_t mine{};
        if (!copyToNetwork(mine)) return false;
        KelSQLFileGroup given(context_, false);
        given.copyFromNetwork(mine);
        if (compareAndUpdate(given, 0)) return true;
        // The caller gets its own values back, not the row read on the way.
        copyFromNetwork(mine);
        return false;
    }
    case Where::Remote: {
        KelNetSQLFileGroupReq_t* req = requestMessage(true);
        if (!req) return false;
        req->DBCode = KelNetSQLFileGroupUpdate;
        return copyToNetwork(req->FileGroup) && networkQuery();
    }
    case Where::Neither: break;
    }
    return fail(kelsql::kErrOstrelSideOnly, kFn);
}

bool KelSQLFileGroup::update(KelNetSQLFileGroup_t* req, KelNetSQLFileGroup_t* rsp) {
    static const char* kFn = "KelSQLFileGroup::update(reqFileGroup, rspFileGroup)";
    if (!requireServerSide(kFn)) return false;
    copyFromNetwork(*req);
    return update() && copyToNetwork(*rsp);
}

bool KelSQLFileGroup::compareAndUpdate(KelSQLFileGroup& given, unsigned long sqlFileGroupId) {
    static const char* kFn = "KelSQLFileGroup::compareAndUpdate(sqlFileGroup, sqlFileGroupId)";
    if (placeOf(context_, *this) != Where::Local) return fail(kelsql::kErrOstrelSideOnly, kFn);
    const unsigned long id = sqlFileGroupId ? sqlFileGroupId : given.sqlId() ? given.sqlId() : sqlId_;
    if (!idNotSet(getLastError(), id, "sqlFileGroupId", kFn)) return false;
    if (!query(id)) return false;
    if (!sameText(given.fileGroupName(), fileGroupName_)) {
        getLastError().setNumber(kelsql::kErrCompareAndUpdate);
        return false;
    }
    if (!requireTransaction(kFn)) return false;
    SqlFileGroupTable table(context_.getDBTransaction());
    table.setWhere("id=%d", static_cast<int>(sqlId_));
    table.clearUpdateClause();
    if (given.id() != 0 && given.id() != groupId_) table.setColumn(given.id(), "groupId");
    unsigned long stamp = 0;  // a time written that the files follow
    const unsigned long removal = given.getRemovalTime().time();
    if (removal == kRemovalTimeBack) {
        given.getRemovalTime().setTime(0L);
        table.setColumn(0ul, "removalTime");
    } else if (removal != 0 && removalTime_.time() == 0) {
        table.setColumn(removal, "removalTime");
        stamp = removal;
    }
    const int64_t streams = given.getStreams().streams();
    if (streams != 0 && streams != streams_.streams())
        table.setColumn(static_cast<unsigned long>(streams), "streams");
    const int32_t maxStreams = given.getStreams().maxStreams();
    if (maxStreams != 0 && maxStreams != streams_.maxStreams())
        table.setColumn(static_cast<unsigned long>(maxStreams), "maxStreams");
    if (table.getUpdateClause().empty()) return true;
    if (!runUpdateClause(getLastError(), kFn, table, sqlCode_)) return false;
    return stamp == 0 || updateFileRemovalTime(sqlId_, stamp);
}

bool KelSQLFileGroup::backupCompareAndUpdate(const std::string&, const std::string&, KelSQLFileGroup&, bool&) {
    return true;
}

bool KelSQLFileGroup::logicalDeletion(bool deleteFlag, unsigned long sqlFileGroupId) {
    static const char* kFn = "KelSQLFileGroup::logicalDeletion(deleteFlag, sqlFileGroupId)";
    const unsigned long id = sqlFileGroupId ? sqlFileGroupId : sqlId_;
    if (!idNotSet(getLastError(), id, "sqlFileGroupId", kFn)) return false;
    switch (placeOf(context_, *this)) {
    case Where::Local:
        if (!query(id)) return false;
        deleteFlag ? deleteFlag_->setDelete() : deleteFlag_->setUndelete();
        return updateDeleteFlag();
    case Where::Remote: {
        KelNetSQLFileGroupReq_t* req = requestMessage(true);
        if (!req) return false;
        req->DBCode = KelNetSQLFileGroupLogicalDeletion;
        req->FileGroup.SqlFileGroupId = id;
        req->FileGroup.DeleteFlag = deleteFlag ? 1 : 0;
        return networkQuery();
    }
    case Where::Neither: break;
    }
    return fail(kelsql::kErrOstrelSideOnly, kFn);
}

bool KelSQLFileGroup::logicalDeletion(KelNetSQLFileGroup_t* req, KelNetSQLFileGroup_t* rsp) {
    static const char* kFn = "KelSQLFileGroup::logicalDeletion(reqFileGroup, rspFileGroup)";
    if (!requireServerSide(kFn)) return false;
    return logicalDeletion(req->DeleteFlag != 0, static_cast<unsigned long>(req->SqlFileGroupId)) &&
           copyToNetwork(*rsp);
}

bool KelSQLFileGroup::updateItem(const char* signature, KelSQL_UpdateFileGroupItem item) {
    if (!idNotSet(getLastError(), sqlId_, "sqlFileGroupId", signature)) return false;
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, signature);
    if (!requireTransaction(signature)) return false;
    SqlFileGroupTable table(context_.getDBTransaction());
    table.setWhere("id=%d", static_cast<int>(sqlId_));
    table.clearUpdateClause();
    switch (item) {
    case KelSQL_UpdateFileGroupStreams:
        table.setColumn(static_cast<unsigned long>(streams_.streams()), "streams");
        table.setColumn(static_cast<unsigned long>(streams_.maxStreams()), "maxStreams");
        break;
    case KelSQL_UpdateFileGroupRemovalTime: {
        const unsigned long removal = removalTime_.time();
        table.setColumn(removal == kRemovalTimeBack ? 0ul : removal, "removalTime");
        break;
    }
    case KelSQL_UpdateFileGroupDeleteFlag: table.setColumn(deleteFlag_->isDeleted() ? 1ul : 0ul, "deleteFlag"); break;
    case KelSQL_UpdateFileGroupApplicationNumber: table.setColumn(applicationNumber_, "applicationNumber"); break;
    default: return fail(kelsql::kErrInvalidArgument, signature);
    }
    return runUpdateClause(getLastError(), signature, table, sqlCode_);
}

bool KelSQLFileGroup::updateStreams() {
    return updateItem("KelSQLFileGroup::updateStreams()", KelSQL_UpdateFileGroupStreams);
}

bool KelSQLFileGroup::updateRemovalTime() {
    return updateItem("KelSQLFileGroup::updateRemovalTime()", KelSQL_UpdateFileGroupRemovalTime) &&
           updateFileRemovalTime(sqlId_, removalTime_.time());
}

bool KelSQLFileGroup::updateDeleteFlag() {
    return updateItem("KelSQLFileGroup::updateDeleteFlag()", KelSQL_UpdateFileGroupDeleteFlag) &&
           updateFileDeleteFlag(sqlId_, deleteFlag_->isDeleted());
}

bool KelSQLFileGroup::updateApplicationNumber() {
    return updateItem("KelSQLFileGroup::updateApplicationNumber()", KelSQL_UpdateFileGroupApplicationNumber);
}

// ---- the group's files

std::vector<KelSQLFile_t>* KelSQLFileGroup::getConfiguredFiles(bool fetch, unsigned long sqlFileGroupId) {
    static const char* kFn = "KelSQLFileGroup::getConfiguredFiles(fetch, sqlFileGroupId)";
    if (sqlFileGroupId != 0) sqlId_ = sqlFileGroupId;
    if (!idNotSet(getLastError(), sqlId_, "sqlFileGroupId", kFn)) return nullptr;
    if (!context_.isServerOperations()) {
        fail(kelsql::kErrOstrelSideOnly, kFn);
        return nullptr;
    }
    if (!fetch && !configuredFiles_.empty()) return &configuredFiles_;
    configuredFiles_.clear();
    SqlFileList cursor(transactionOf(context_));
    int code = cursor.setValues(static_cast<int>(sqlId_));
    if (code == 0) code = cursor.openCursor();
    if (code == 0) {
        const SqlFileList_t& row = *cursor.getDataPtr();
        while ((code = cursor.fetchCursor(true)) == 0)
            configuredFiles_.push_back({kel::fieldText(row.filename), column(row.sqlfileid)});
        cursor.closeCursor();
    }
    if (code == 100) return &configuredFiles_;
    configuredFiles_.clear();
    catalogueError(getLastError(), kFn, cursor, code);
    return nullptr;
}

bool KelSQLFileGroup::updateFileRemovalTime(unsigned long sqlFileGroupId, unsigned long removalTime) {
    static const char* kFn = "KelSQLFileGroup::updateFileRemovalTime(sqlFileGroupId, removalTime)";
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    std::vector<KelSQLFile_t>* files = getConfiguredFiles(true, sqlFileGroupId);
    if (!files) return false;
    KelSQLFile file(context_, false);
    for (const KelSQLFile_t& entry : *files) {
        if (!file.query(entry.sqlId)) return copyError(file.getLastError());
        // A file already stamped keeps its own time.
        if (file.getRemovalTime().time() != 0) continue;
        file.setRemovalTime().setTime(static_cast<long>(removalTime));
        if (!file.updateRemovalTime()) return copyError(file.getLastError());
    }
    return true;
}

bool KelSQLFileGroup::updateFileDeleteFlag(unsigned long sqlFileGroupId, bool deleteFlag) {
    static const char* kFn = "KelSQLFileGroup::updateFileDeleteFlag(sqlFileGroupId, deleteFlag)";
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    std::vector<KelSQLFile_t>* files = getConfiguredFiles(true, sqlFileGroupId);
    if (!files) return false;
    KelSQLFile file(context_, false);
    for (const KelSQLFile_t& entry : *files) {
        file.setSqlId(entry.sqlId);
        deleteFlag ? file.setDeleteFlag()->setDelete() : file.setDeleteFlag()->setUndelete();
        if (!file.updateDeleteFlag()) return copyError(file.getLastError());
    }
    return true;
}

std::vector<std::string>* KelSQLFileGroup::getFileNames(const std::string& databaseName, bool fetch) {
    static const char* kFn = "KelSQLFileGroup::getFileNames(fetch)";
    if (!context_.isClientOperations()) {
        fail(kelsql::kErrAgentSideOnly, kFn);
        return nullptr;
    }
    if (!fetch && !fileNames_.empty()) return &fileNames_;
    fileNames_.clear();
    if (!kel::live::liveSqlServer().fileNames(liveTarget(context_), databaseName, fileGroupName_, fileNames_,
                                              getLastError())) {
        fileNames_.clear();
        return nullptr;
    }
    return &fileNames_;
}

// ---- forced deletion

bool KelSQLFileGroup::forceDeletion(unsigned long sqlFileGroupId, bool databaseDelete) {
    static const char* kFn = "KelSQLFileGroup::forceDeletion(sqlFileGroupId, databaseDelete)";
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    const unsigned long id = sqlFileGroupId ? sqlFileGroupId : sqlId_;
    if (!idNotSet(getLastError(), id, "sqlFileGroupId", kFn) || !requireTransaction(kFn)) return false;
    if (databaseDelete) return deleteWithFiles(id, kFn);
    if (!query(id)) {
        if (sqlCode_ != 100) return false;
        getLastError().clear();  // gone already: nothing to remove
        return true;
    }
    if (applicationNumber_ == 0) return true;
    if (!removeBackupHistory(id)) return false;
    applicationNumber_ = 0;
    return updateApplicationNumber();
}

// The group's file backups ('F' backup sets holding its files) go with it,
// inside the caller's transaction.
bool KelSQLFileGroup::removeBackupHistory(unsigned long sqlFileGroupId) {
    KelSQLBackupSet backupSet(context_, false, KelNetSQLBackupSet::kRequestType2);
    return backupSet.fileGroupForceDelete(sqlFileGroupId) || copyError(backupSet.getLastError());
}

bool KelSQLFileGroup::deleteWithFiles(unsigned long sqlFileGroupId, const char* signature) {
    std::vector<KelSQLFile_t>* files = getConfiguredFiles(true, sqlFileGroupId);
    if (!files) return false;
    KelSQLFile file(context_, false);
    for (const KelSQLFile_t& entry : *files)
        if (!file.forceDeletion(entry.sqlId)) return copyError(file.getLastError());
    SqlFileGroup record(context_.getDBTransaction());
    record.setWhere("id=%d", static_cast<int>(sqlFileGroupId));
    sqlCode_ = record.rowDelete();
    return sqlCode_ == 0 || sqlCode_ == 100 || catalogueError(getLastError(), signature, record, sqlCode_);
}

// ---- the agent host's live group

bool KelSQLFileGroup::clientQuery(const std::string& databaseName, const std::string& fileGroupName,
                                  const std::string& clientName) {
    static const char* kFn = "KelSQLFileGroup::clientQuery(databaseName, fileGroupName, clientName)";
    KelLastError& err = getLastError();
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    if (!stringEmpty(err, databaseName, "databaseName", kFn) ||
        !stringEmpty(err, fileGroupName, "fileGroupName", kFn) ||
        !textFits(err, databaseName, kNameField, "databaseName", kFn) ||
        !textFits(err, fileGroupName, kNameField, "fileGroupName", kFn) ||
        !textFits(err, clientName, kClientField, "clientName", kFn))
        return false;
    if (!getClientHostnameForLocalTessel(err, context_, clientName, "clientName")) return false;
    if (!addressDataAgent(context_.remoteSqlHostName(), kFn)) return false;
    KelNetSQLFileGroupReq_t* req = requestMessage(true);
    if (!req) return false;
    req->DBCode = KelNetSQLFileGroupClientQuery;
    return kelsql::FieldCopies(err, kFn)
               .text(req->FileGroup.ClientName, clientName, "clientName")
               .text(req->FileGroup.DatabaseName, databaseName, "databaseName")
               .text(req->FileGroup.FileGroupName, fileGroupName, "fileGroupName")
               .ok() &&
           networkQuery();
}

bool KelSQLFileGroup::clientQuery(KelNetSQLFileGroup_t* req, KelNetSQLFileGroup_t* rsp) {
    static const char* kFn = "KelSQLFileGroup::clientQuery(reqFileGroup, rspFileGroup)";
    if (!requireServerSide(kFn)) return false;
    return query(kel::fieldText(req->DatabaseName), kel::fieldText(req->FileGroupName)) && copyToNetwork(*rsp);
}
