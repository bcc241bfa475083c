#include "KelSQL/KelSQLRestoreTask.h"

#include <algorithm>

#include "../Database/RecordSupport.h"
#include "../Records/FieldCopy.h"
#include "../Records/RecordPlace.h"
#include "../Records/WriteScope.h"
#include "ChainWalk.h"
#include "Db/Tbl/sqlDatabase.h"
#include "Db/Tbl/sqlRestoreTask.h"
#include "KelSQL/KelSQLBackupSet.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLRestoreData.h"
#include "KelSQL/KelSQLServer.h"
#include "KelSQL/KelSQLUserAndPassword.h"
#include "KelSQL/SqlRestoreTaskTable.h"
#include "platform/appmgr/ApplProperties.h"
#include "platform/appmgr/ClientApplicationList.h"
#include "platform/db/SqlText.h"
#include "platform/util/BoundedCopy.h"
#include "platform/util/KelPassword.h"

static_assert(KelPassword::encryptedLength(kelsql::kStoredPasswordLimit - 1) < sizeof SqlRestoreTask_t::restorePassword,
              "restorePassword holds the sealed form of the longest stored password");

namespace {

using kelsql::record::placeOf;
using kelsql::record::transactionOf;
using kelsql::record::Where;

// Columns are 32-bit and widen with their sign.
unsigned long widen(int32_t value) { return static_cast<unsigned long>(static_cast<long>(value)); }
int32_t column(unsigned long value) { return static_cast<int32_t>(value); }

// A field that holds a text of its full width without a terminator.
template <size_t N>
bool fillField(char (&dst)[N], const std::string& src) {
    std::memset(dst, 0, N);
    if (src.size() > N) return false;
    std::memcpy(dst, src.data(), src.size());
    return true;
}

constexpr const char* kAlwaysFullAfterRestore = "alwaysFullAfterRestore";
constexpr unsigned long kAppTypeSql2000 = 16;
constexpr unsigned long kAppTypeSql7 = 4;

}  // namespace

KelSQLRestoreTask::KelSQLRestoreTask(KelSQLClassProperties& context, bool serverObject,
                                     unsigned long long requestType)
    : KelNetSQLRestoreTask(context, false, requestType),
      context_(context),
      credentials_(context.getSQLUserAndPassword()),
      serverObject_(serverObject) {
    initializeSQLObjectERT();
    initializeSQLObject();
}

void KelSQLRestoreTask::initializeSQLObject() {
    loaded_ = false;
    restoreType_ = KelNetSQLRestoreTypeNone;
    sqlBackupSetId_ = sqlDatabaseId_ = sqlRestoreDataId_ = sqlServerId_ = percentage_ = 0;
    restoreFlags_ = 0;
    next_ = systemFlags_ = archiveCopyId_ = 0;
    restoreTime_.setTime(0L);
    serverName_.clear();
    databaseName_.clear();
    undoFile_.clear();
    stopMarkName_.clear();
}

void KelSQLRestoreTask::initializeSQLObjectERT() {
    jobManagerLoaded_ = false;
    evRestoreTaskId_ = sqlRestoreTaskId_ = 0;
    tesselId_ = jobId_ = guiSequenceNumber_ = userId_ = 0;
    userName_.clear();
}

// ---- helpers

bool KelSQLRestoreTask::fail(uint64_t number, const char* signature) {
    getLastError().setNumber(number);
    if (signature) getLastError().addArgument(signature);
    return false;
}

bool KelSQLRestoreTask::copyError(KelLastError& from) {
    getLastError() = from;
    return false;
}

bool KelSQLRestoreTask::catalogueError(const char* signature, SqlRestoreTask& record) {
    getLastError().setNumber(kelsql::kErrRowOperation);
    getLastError().addArgument(signature);
    getLastError().addArgument(record.getpDescribe());
    getLastError().addArgument(record.getErrorStr(static_cast<int>(sqlCode_)));
    return false;
}

bool KelSQLRestoreTask::writable(const char* signature) {
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, signature);
    if (!context_.isTransactionStarted()) return fail(kelsql::kErrTranRequired, signature);
    return true;
}

// ---- setters

bool KelSQLRestoreTask::setRestoreType(uint32_t type) {
    if (!((type >= 1 && type <= 9) || type == 16 || type == 17)) return fail(kelsql::kErrInvalidArgument, nullptr);
    if (type == KelNetSQLRestoreTypeFileGroup || type == KelNetSQLRestoreTypeFile) {
        if (restoreType_ == KelNetSQLRestoreTypeStopAtMark) type = KelNetSQLRestoreTypeFFGStopAtMark;
        else if (restoreType_ == KelNetSQLRestoreTypeStopBeforeMark) type = KelNetSQLRestoreTypeFFGStopBeforeMark;
        else if (restoreType_ == KelNetSQLRestoreTypeFFGPointInTime) type = KelNetSQLRestoreTypeFFGPointInTime;
    }
    restoreType_ = type;
    return true;
}

bool KelSQLRestoreTask::setRestoreFlags(uint64_t flags) {
    if (flags > kelsql::kRestoreFlagsMax) return fail(kelsql::kErrInvalidArgument, nullptr);
    restoreFlags_ = flags;
    return true;
}

bool KelSQLRestoreTask::timeSetter(uint32_t type, unsigned long time, bool clearBackupSet, const char* signature) {
    if (!idNotSet(getLastError(), time, "time", signature)) return false;
    restoreType_ = type;
    restoreTime_.setTime(static_cast<long>(time));
    if (clearBackupSet) sqlBackupSetId_ = 0;
    return true;
}

bool KelSQLRestoreTask::setRestoreTypePointInTime(unsigned long time) {
    return timeSetter(KelNetSQLRestoreTypePointInTime, time, true,
                      "KelSQLRestoreTask::setRestoreTypePointInTime(time)");
}

bool KelSQLRestoreTask::setRestoreTypeDiscreteTime(unsigned long time) {
    return timeSetter(KelNetSQLRestoreTypeDiscreteTime, time, true,
                      "KelSQLRestoreTask::setRestoreTypeDiscreteTime(time)");
}

bool KelSQLRestoreTask::setRestoreTypeDBStepPointInTime(unsigned long time) {
    return timeSetter(KelNetSQLRestoreTypeDBStepRestore, time, true,
                      "KelSQLRestoreTask::setRestoreTypeDBStepPointInTime(time)");
}

bool KelSQLRestoreTask::setRestoreTypeFFGPointInTime(unsigned long time) {
    return timeSetter(KelNetSQLRestoreTypeFFGPointInTime, time, false,
                      "KelSQLRestoreTask::setRestoreTypeFFGPointInTime(time)");
}

bool KelSQLRestoreTask::setRestoreTime(unsigned long time) {
    if (!idNotSet(getLastError(), time, "time", "setRestoreTime")) return false;
    restoreTime_.setTime(static_cast<long>(time));
    return true;
}

// The backup set's own lookup: read here on the Ostrel, asked of it from an
// agent.
bool KelSQLRestoreTask::backupSetExists(unsigned long sqlBackupSetId) {
    KelSQLBackupSet backupSet(context_, false, KelSQLBackupSet::kRequestType2);
    if (backupSet.query(sqlBackupSetId)) return true;
    getLastError() = backupSet.getLastError();
    return false;
}

bool KelSQLRestoreTask::setRestoreTypeDBStepRestore(unsigned long sqlBackupSetId) {
    static const char* kFn = "KelSQLRestoreTask::setRestoreTypeDBStepRestore(sqlBackupSetId)";
    if (!idNotSet(getLastError(), sqlBackupSetId, "sqlBackupSetId", kFn) || !backupSetExists(sqlBackupSetId))
        return false;
    restoreType_ = KelNetSQLRestoreTypeDBStepRestore;
    restoreTime_.setTime(0L);
    sqlBackupSetId_ = sqlBackupSetId;
    return true;
}

bool KelSQLRestoreTask::setRestoreTypeDBBackupSet(unsigned long sqlBackupSetId) {
    static const char* kFn = "KelSQLRestoreTask::setRestoreTypeDBBackupSet(sqlBackupSetId)";
    if (!idNotSet(getLastError(), sqlBackupSetId, "sqlBackupSetId", kFn) || !backupSetExists(sqlBackupSetId))
        return false;
    restoreType_ = KelNetSQLRestoreTypeDBBackupSet;
    restoreTime_.setTime(0L);
    sqlBackupSetId_ = sqlBackupSetId;
    return true;
}

bool KelSQLRestoreTask::setRestoreTypeRecoverOnly() {
    restoreType_ = KelNetSQLRestoreTypeRecoverOnly;
    restoreTime_.setTime(0L);
    sqlBackupSetId_ = 0;
    undoFile_.clear();
    return true;
}

bool KelSQLRestoreTask::setRestoreTypeHotServer() {
    restoreType_ = KelNetSQLRestoreTypeHotServer;
    restoreTime_.setTime(0L);
    sqlBackupSetId_ = 0;
    return true;
}

bool KelSQLRestoreTask::markSetter(uint32_t type, const std::string& markName, unsigned long time,
                                   const char* signature) {
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, signature);
    // An Ostrel's own data source names no instance (it reads as SQL Server
    // 7): the instance the task restores to decides when it is known.
    bool sql7 = context_.getSQLDSN().sqlAppType().isSql7AppType();
    if (sqlServerId_ != 0) {
        KelSQLServer server(context_, false);
        if (!server.query(sqlServerId_)) return copyError(server.getLastError());
        sql7 = server.sqlAppType().isSql7AppType();
    }
    if (sql7) return fail(kelsql::kErrLogMark, signature);
    restoreType_ = type;
    restoreTime_.setTime(static_cast<long>(time));
    sqlBackupSetId_ = 0;
    stopMarkName_ = markName;
    return true;
}

bool KelSQLRestoreTask::setRestoreTypeStopAtMark(unsigned long sqlLogMarkNamesId, unsigned long time) {
    static const char* kFn = "KelSQLRestoreTask::setRestoreTypeStopAtMark(sqlLogMarkNamesId, time)";
    return idNotSet(getLastError(), sqlLogMarkNamesId, "sqlLogMarkNamesId", kFn) &&
           markSetter(KelNetSQLRestoreTypeStopAtMark, std::string(), time, kFn);
}

bool KelSQLRestoreTask::setRestoreTypeStopAtMark(const std::string& sqlLogMarkName, unsigned long time) {
    static const char* kFn = "KelSQLRestoreTask::setRestoreTypeStopAtMark(sqlLogMarkName, time)";
    return stringEmpty(getLastError(), sqlLogMarkName, "sqlLogMarkName", kFn) &&
           markSetter(KelNetSQLRestoreTypeStopAtMark, sqlLogMarkName, time, kFn);
}

bool KelSQLRestoreTask::setRestoreTypeStopBeforeMark(unsigned long sqlLogMarkNamesId, unsigned long time) {
    static const char* kFn = "KelSQLRestoreTask::setRestoreTypeStopBeforeMark(sqlLogMarkNamesId, time)";
    return idNotSet(getLastError(), sqlLogMarkNamesId, "sqlLogMarkNamesId", kFn) &&
           markSetter(KelNetSQLRestoreTypeStopBeforeMark, std::string(), time, kFn);
}

bool KelSQLRestoreTask::setRestoreTypeStopBeforeMark(const std::string& sqlLogMarkName, unsigned long time) {
    static const char* kFn = "KelSQLRestoreTask::setRestoreTypeStopBeforeMark(sqlLogMarkName, time)";
    return stringEmpty(getLastError(), sqlLogMarkName, "sqlLogMarkName", kFn) &&
           markSetter(KelNetSQLRestoreTypeStopBeforeMark, sqlLogMarkName, time, kFn);
}

// ---- row copies

bool KelSQLRestoreTask::copyToSql(SqlRestoreTask_t& row) {
    static const char* kFn = "KelSQLRestoreTask::copyToSql(row)";
    std::string stored;
    if (!kelsql::storedPassword(getLastError(), credentials_.sqlPassword(), stored, "restorePassword",
                                kelsql::kErrEncrypt, kFn))
        return false;
    row.id = column(sqlRestoreTaskId_);
    row.restoreType = static_cast<int32_t>(restoreType_);
    row.sqlBackupSetId = column(sqlBackupSetId_);
    row.restoreTime = column(restoreTime_.time());
    row.percentage = column(percentage_);
    row.sqlDatabaseId = column(sqlDatabaseId_);
    row.restoreFlags = static_cast<int32_t>(restoreFlags_);
    row.sqlRestoreDataId = column(sqlRestoreDataId_);
    row.sqlServerId = column(sqlServerId_);
    row.next = column(next_);
    row.systemFlags = column(systemFlags_);
    row.archiveCopyId = column(archiveCopyId_);
    return kelsql::FieldCopies(getLastError(), kFn)
        .text(row.undoFile, undoFile_, "undoFile")
        .text(row.restoreUser, credentials_.sqlUser(), "restoreUser")
        .text(row.restorePassword, stored, "restorePassword")
        .text(row.databaseName, databaseName_, "databaseName")
        .text(row.stopMarkName, stopMarkName_, "stopMarkName")
        .ok();
}

bool KelSQLRestoreTask::copyFromSql(const SqlRestoreTask_t& row) {
    static const char* kFn = "KelSQLRestoreTask::copyFromSql(row)";
    initializeSQLObject();
    sqlRestoreTaskId_ = widen(row.id);
    restoreType_ = static_cast<uint32_t>(row.restoreType);
    sqlBackupSetId_ = widen(row.sqlBackupSetId);
    restoreTime_.setTime(static_cast<long>(row.restoreTime));
    percentage_ = widen(row.percentage);
    undoFile_ = kel::fieldText(row.undoFile);
    sqlDatabaseId_ = widen(row.sqlDatabaseId);
    restoreFlags_ = widen(row.restoreFlags);
    sqlRestoreDataId_ = widen(row.sqlRestoreDataId);
    sqlServerId_ = widen(row.sqlServerId);
    databaseName_ = kel::fieldText(row.databaseName);
    next_ = widen(row.next);
    systemFlags_ = widen(row.systemFlags);
    archiveCopyId_ = widen(row.archiveCopyId);
    stopMarkName_ = kel::fieldText(row.stopMarkName);
    credentials_.setSqlUser(kel::fieldText(row.restoreUser));
    std::string password;
    if (!decryptSQLPassword(kel::fieldText(row.restorePassword), password))
        return kelsql::cipherFailed(getLastError(), kelsql::kErrDecrypt, kFn);
    credentials_.setSqlPassword(password);
    KelSQLServer server(context_, false);
    if (!server.query(sqlServerId_)) return copyError(server.getLastError());
    serverName_ = server.sqlServerName();
    loaded_ = true;
    return true;
}

// ---- wire copies

bool KelSQLRestoreTask::copyToNetwork(KelNetSQLRestoreTask_t& rec) {
    static const char* kFn = "KelSQLRestoreTask::copyToNetwork(rec)";
    rec.SqlRestoreTaskId = sqlRestoreTaskId_;
    rec.RestoreType = restoreType_;
    rec.SqlBackupSetId = sqlBackupSetId_;
    rec.SqlDatabaseId = sqlDatabaseId_;
    rec.SqlRestoreDataId = sqlRestoreDataId_;
    rec.SqlServerId = sqlServerId_;
    rec.RestoreTime = static_cast<int64_t>(restoreTime_.time());
    rec.Percentage = percentage_;
    rec.RestoreFlags = restoreFlags_;
    rec.NextSqlRestoreTaskId = next_;
    rec.SystemFlags = systemFlags_;
    // The undo path may fill its field to the last byte, unterminated.
    if (!fillField(rec.UndoFile, undoFile_))
        return textFits(getLastError(), undoFile_, sizeof rec.UndoFile + 1, "undoFile", kFn);
    return kelsql::FieldCopies(getLastError(), kFn)
        .text(rec.ServerName, serverName_, "serverName")
        .text(rec.DatabaseName, databaseName_, "databaseName")
        .ok();
}

bool KelSQLRestoreTask::copyToNetwork(KelNetSQLRestoreTask2_t& rec) {
    rec.ArchiveCopyId = archiveCopyId_;
    return copyToNetwork(rec.Task);
}

bool KelSQLRestoreTask::copyToNetwork(KelNetSQLRestoreTask3_t& rec) {
    return copyToNetwork(rec.Task2) && kelsql::copyText(getLastError(), rec.MarkName, stopMarkName_, "markName",
                                                         "KelSQLRestoreTask::copyToNetwork(rec)");
}

void KelSQLRestoreTask::copyFromNetwork(const KelNetSQLRestoreTask_t& rec) {
    initializeSQLObject();
    sqlRestoreTaskId_ = static_cast<unsigned long>(rec.SqlRestoreTaskId);
    restoreType_ = rec.RestoreType;
    sqlBackupSetId_ = static_cast<unsigned long>(rec.SqlBackupSetId);
    sqlDatabaseId_ = static_cast<unsigned long>(rec.SqlDatabaseId);
    sqlRestoreDataId_ = static_cast<unsigned long>(rec.SqlRestoreDataId);
    sqlServerId_ = static_cast<unsigned long>(rec.SqlServerId);
    restoreTime_.setTime(static_cast<long>(rec.RestoreTime));
    percentage_ = static_cast<unsigned long>(rec.Percentage);
    restoreFlags_ = rec.RestoreFlags;
    serverName_ = kel::fieldText(rec.ServerName);
    databaseName_ = kel::fieldText(rec.DatabaseName);
    undoFile_ = kel::fieldText(rec.UndoFile);
    next_ = static_cast<unsigned long>(rec.NextSqlRestoreTaskId);
    systemFlags_ = static_cast<unsigned long>(rec.SystemFlags);
    loaded_ = true;
}

void KelSQLRestoreTask::copyFromNetwork(const KelNetSQLRestoreTask2_t& rec) {
    copyFromNetwork(rec.Task);
    archiveCopyId_ = static_cast<unsigned long>(rec.ArchiveCopyId);
}

void KelSQLRestoreTask::copyFromNetwork(const KelNetSQLRestoreTask3_t& rec) {
    copyFromNetwork(rec.Task2);
    stopMarkName_ = kel::fieldText(rec.MarkName);
}

// ---- stores

bool KelSQLRestoreTask::checkInsert(const char* signature) {
    KelLastError& err = getLastError();
    if (!idNotSet(err, restoreType_, "restoreType", signature) ||
        !idNotSet(err, sqlDatabaseId_, "sqlDatabaseId", signature) ||
        !idNotSet(err, sqlServerId_, "sqlServerId", signature) ||
        !stringEmpty(err, databaseName_, "databaseName", signature))
        return false;
    switch (restoreType_) {
    case KelNetSQLRestoreTypeDBBackupSet:
    case KelNetSQLRestoreTypeFileGroup:
    case KelNetSQLRestoreTypeFile:
        if (!idNotSet(err, sqlBackupSetId_, "sqlBackupSetId", signature)) return false;
        break;
    case KelNetSQLRestoreTypePointInTime:
    case KelNetSQLRestoreTypeDiscreteTime:
        if (!idNotSet(err, restoreTime_.time(), "restoreTime", signature)) return false;
        break;
    case KelNetSQLRestoreTypeDBStepRestore:
        if (sqlBackupSetId_ == 0 && !idNotSet(err, restoreTime_.time(), "sqlBackupSetId", signature)) return false;
        break;
    default: break;
    }
    const bool timed = restoreType_ == KelNetSQLRestoreTypePointInTime ||
                       (restoreType_ == KelNetSQLRestoreTypeDBStepRestore && restoreTime_.time() != 0);
    if (timed && isStandBy()) return fail(kelsql::kErrStandbyPointInTime, nullptr);
    if (timed && isNoRecovery()) return fail(kelsql::kErrNoRecoveryPointInTime, nullptr);
    return true;
}

namespace {

// Texts are stored whole or refused: a name cut to its column names another
// database, a login cut to its column logs in as no one.
bool textsFit(KelLastError& err, const std::string& databaseName, const std::string& undoFile,
              const std::string& stopMarkName, const std::string& user, const char* signature) {
    const struct {
        const std::string& text;
        size_t column;
        const char* name;
    } texts[] = {
        {databaseName, sizeof SqlRestoreTask_t::databaseName, "databaseName"},
        {undoFile, sizeof SqlRestoreTask_t::undoFile, "undoFile"},
        {stopMarkName, sizeof SqlRestoreTask_t::stopMarkName, "stopMarkName"},
        {user, sizeof SqlRestoreTask_t::restoreUser, "restoreUser"},
    };
    for (const auto& t : texts)
        if (!textFits(err, t.text, t.column, t.name, signature)) return false;
    return true;
}

}  // namespace

bool KelSQLRestoreTask::insert() {
    static const char* kFn = "KelSQLRestoreTask::insert()";
    if (!checkInsert(kFn) || !writable(kFn) ||
        !textsFit(getLastError(), databaseName_, undoFile_, stopMarkName_, credentials_.sqlUser(), kFn))
        return false;
    SqlRestoreTask record(context_.getDBTransaction());
    SqlRestoreTask_t& row = *record.getDataPtr();
    if (!copyToSql(row)) return false;
    row.id = 0;
    // The row is read back with its instance: a task whose instance cannot
    // be read is not stored.
    kelsql::WriteScope scope(context_);
    if (!scope.open(getLastError(), kFn)) return false;
    sqlCode_ = record.rowInsert(true);
    if (sqlCode_ != 0) return catalogueError(kFn, record);
    return copyFromSql(row) && scope.keep(getLastError(), kFn);
}

bool KelSQLRestoreTask::update(unsigned long sqlRestoreTaskId) {
    static const char* kFn = "KelSQLRestoreTask::update(sqlRestoreTaskId)";
    if (!idNotSet(getLastError(), sqlRestoreTaskId, "sqlRestoreTaskId", kFn) || !writable(kFn)) return false;
    SqlRestoreTaskTable table(context_.getDBTransaction());
    table.clearUpdateClause();
    if (restoreType_ != 0) {
        table.setColumn(restoreType_, "restoreType");
        table.setColumn(sqlBackupSetId_, "sqlBackupSetId");
        table.setColumn(restoreTime_.time(), "restoreTime");
    }
    table.updateColumn(percentage_, "percentage");
    table.updateColumn(sqlDatabaseId_, "sqlDatabaseId");
    table.updateColumn(static_cast<unsigned long>(restoreFlags_), "restoreFlags");
    table.updateColumn(sqlRestoreDataId_, "sqlRestoreDataId");
    table.updateColumn(sqlServerId_, "sqlServerId");
    table.updateColumn(databaseName_, "databaseName");
    table.updateColumn(next_, "next");
    table.updateColumn(systemFlags_, "systemFlags");
    if (!credentials_.sqlUser().empty()) {
        std::string stored;
        if (!kelsql::storedPassword(getLastError(), credentials_.sqlPassword(), stored, "restorePassword",
                                    kelsql::kErrEncrypt, kFn))
            return false;
        table.setColumn(credentials_.sqlUser(), "restoreUser");
        table.setColumn(stored, "restorePassword");
    }
    // Nothing set is nothing to write: the row is read back as it stands.
    table.setWhere("id=%d", static_cast<int>(sqlRestoreTaskId));
    return kelsql::record::runUpdateClause(getLastError(), kFn, table, sqlCode_) &&
           querySqlRestoreTask(sqlRestoreTaskId);
}

// ---- reads

bool KelSQLRestoreTask::querySqlRestoreTask(unsigned long sqlRestoreTaskId) {
    static const char* kFn = "KelSQLRestoreTask::querySqlRestoreTask(sqlRestoreTaskId)";
    const unsigned long id = sqlRestoreTaskId ? sqlRestoreTaskId : sqlRestoreTaskId_;
    if (!idNotSet(getLastError(), id, "sqlRestoreTaskId", kFn)) return false;
    switch (placeOf(context_, *this)) {
    case Where::Local: return queryLocal(id, kFn);
    case Where::Remote: {
        KelNetSQLRestoreTaskReq_t* req = requestMessage(true);
        if (!req) return fail(kelsql::kErrNoBuffer, kFn);
        req->SqlRestoreTaskId = id;
        return networkQuery();
    }
    case Where::Neither: break;
    }
    return fail(kelsql::kErrOstrelSideOnly, kFn);
}

bool KelSQLRestoreTask::queryLocal(unsigned long sqlRestoreTaskId, const char* signature) {
    SqlRestoreTask record(transactionOf(context_));
    where_ = kel::sql::format("id=%d", static_cast<int>(sqlRestoreTaskId));
    record.setWhere("%s", where_.c_str());
    sqlCode_ = record.getOneRow(&record, false, -1, 0);
    if (sqlCode_ != 0) return catalogueError(signature, record);
    if (!copyFromSql(*record.getDataPtr())) return false;
    nextFullAfterRestore();
    return true;
}

bool KelSQLRestoreTask::alwaysFullAfterRestore(unsigned long appType, bool& listed) {
    ClientApplicationList applications;
    std::vector<unsigned long> ids;
    std::vector<std::string> names;
    if (applications.getSubclientList(ids, names, appType, sqlDatabaseId_, nullptr, 1) != 0 || ids.empty())
        return false;
    listed = true;
    for (unsigned long id : ids) {
        ApplProperties properties(id);
        ApplNativeProperty property(kAlwaysFullAfterRestore, ApplNativeProperty::Boolean, "", 0);
        if (properties.getProperty(property) == 0 && property.getBooleanValue()) return true;
    }
    return false;
}

void KelSQLRestoreTask::nextFullAfterRestore() {
    bool listed = false;
    bool wanted = alwaysFullAfterRestore(kAppTypeSql2000, listed);
    if (!listed) wanted = alwaysFullAfterRestore(kAppTypeSql7, listed);
    if (wanted) setDatabaseNextFull();
}

void KelSQLRestoreTask::setDatabaseNextFull() {
    static const char* kFn = "KelSQLRestoreTask::querySqlRestoreTask(sqlRestoreTaskId)";
    const bool own = !context_.isTransactionStarted();
    if (own && !context_.startTransaction()) return;
    KelSQLDatabase database(context_, false);
    const bool set = database.updateFlag(sqlDatabaseId_, KelSQL_AllowNextFull, 1, 0);
    if (!set)
        context_.log().debug(kFn, "next full after restore of database %lu not set: %s", sqlDatabaseId_,
                             database.getLastError().formatLastErrorMessage().c_str());
    if (own) set ? context_.commitTransaction() : context_.rollBackTransaction();
}

bool KelSQLRestoreTask::networkQuery() {
    if (!exchange(getLastError())) return false;
    if (version() == 1) copyFromNetwork(responseMessage(false)->Task);
    else if (version() == 2) copyFromNetwork(responseMessage2(false)->Task);
    else copyFromNetwork(responseMessage3(false)->Task);
    return true;
}

bool KelSQLRestoreTask::query(unsigned long evRestoreTaskId) {
    static const char* kFn = "KelSQLRestoreTask::queryEvRestoreTask(evRestoreTaskId)";
    if (!context_.isClientOperations()) return fail(kelsql::kErrAgentSideOnly, kFn);
    const unsigned long id = evRestoreTaskId ? evRestoreTaskId : evRestoreTaskId_;
    if (!idNotSet(getLastError(), id, "evRestoreTaskId", kFn)) return false;
    initializeSQLObjectERT();
    KelNetSQLEvRestoreTask message(context_, false);
    KelNetSQLEvRestoreTaskReq_t* req = message.requestMessage(true);
    if (!req) return fail(kelsql::kErrNoBuffer, kFn);
    req->TaskId = id;
    if (!message.network()) return copyError(message.getLastError());
    const KelNetSQLEvRestoreTask_t& answer = message.responseMessage(false)->Task;
    evRestoreTaskId_ = id;
    sqlRestoreTaskId_ = static_cast<unsigned long>(answer.SqlRestoreTaskId);
    tesselId_ = answer.TesselId;
    jobId_ = answer.JobId;
    guiSequenceNumber_ = answer.GUISequenceNumber;
    userId_ = answer.UserId;
    userName_ = kel::fieldText(answer.UserName);
    jobManagerLoaded_ = true;
    return querySqlRestoreTask(0);
}

bool KelSQLRestoreTask::queryRestoreTaskList(unsigned long sqlRestoreTaskId,
                                             std::vector<KelNetSQLRestoreTaskInfo_t>& list) {
    static const char* kFn = "KelSQLRestoreTask::queryRestoreTaskList(sqlRestoreTaskId, list)";
    if (!idNotSet(getLastError(), sqlRestoreTaskId, "sqlRestoreTaskId", kFn)) return false;
    list.clear();
    KelNetSQLRestoreTaskList message(context_, false);
    KelNetSQLRestoreTaskListReq_t* req = message.requestMessage(true);
    if (!req) return fail(kelsql::kErrNoBuffer, kFn);
    req->SqlRestoreTaskId = sqlRestoreTaskId;
    if (!message.network()) return copyError(message.getLastError());
    const KelNetSQLRestoreTaskListRsp_t& rsp = *message.responseMessage(false);
    list.assign(rsp.Entries, rsp.Entries + rsp.TotalCount);  // bounded by network()
    return true;
}

// ---- answering

template <class Rec>
bool KelSQLRestoreTask::answerLookup(KelNetSQLRestoreTaskReq_t* req, Rec* rsp, const char* signature, int line) {
    if (!serverObject_) return fail(kelsql::kErrNoSide, signature);
    if (!req || !rsp) return fail(kelsql::kErrNoBuffer, signature);
    if (req->SqlRestoreTaskId == 0) {
        fail(kelsql::kErrRequestIds, signature);
        getLastError().addArgument(line);
        return false;
    }
    return querySqlRestoreTask(static_cast<unsigned long>(req->SqlRestoreTaskId)) && copyToNetwork(*rsp);
}

bool KelSQLRestoreTask::lookup(KelNetSQLRestoreTaskReq_t* req, KelNetSQLRestoreTask_t* rsp) {
    return answerLookup(req, rsp, "KelSQLRestoreTask::lookup(reqRestoreTask, rspRestoreTask)", 1714);
}

bool KelSQLRestoreTask::lookup(KelNetSQLRestoreTaskReq_t* req, KelNetSQLRestoreTask2_t* rsp) {
    return answerLookup(req, rsp, "KelSQLRestoreTask::lookup(reqRestoreTask, rspRestoreTask2)", 1683);
}

bool KelSQLRestoreTask::lookup(KelNetSQLRestoreTaskReq_t* req, KelNetSQLRestoreTask3_t* rsp) {
    return answerLookup(req, rsp, "KelSQLRestoreTask::lookup(reqRestoreTask, rspRestoreTask3)", 1653);
}

bool KelSQLRestoreTask::lookup(KelNetSQLRestoreTaskListReq_t* req, KelNetSQLRestoreTaskListRsp_t* rsp) {
    static const char* kFn = "KelSQLRestoreTask::lookup(reqRestoreTaskList, rspRestoreTaskList)";
    if (!serverObject_) return fail(kelsql::kErrNoSide, kFn);
    if (!req || !rsp) return fail(kelsql::kErrNoBuffer, kFn);
    if (req->SqlRestoreTaskId == 0) {
        fail(kelsql::kErrRequestIds, kFn);
        getLastError().addArgument(1771);
        return false;
    }
    SqlRestoreTask record(transactionOf(context_));
    unsigned long id = static_cast<unsigned long>(req->SqlRestoreTaskId);
    // Bounded by the tasks one list may hold; a loop is reported as one.
    kelsql::backup::ChainWalk walk;
    for (size_t count = 0;; ++count) {
        if (!walk.enter(id, getLastError(), kFn, record.getpDescribe())) return false;
        where_ = kel::sql::format("id=%d", static_cast<int>(id));
        record.setWhere("%s", where_.c_str());
        sqlCode_ = record.getOneRow(&record, false, -1, 0);
        if (sqlCode_ != 0) return catalogueError(kFn, record);
        if (count == kelsql::kRestoreTaskChainMax) return fail(kelsql::kErrRestoreTaskListFull, kFn);
        const SqlRestoreTask_t& row = *record.getDataPtr();
        rsp->Entries[count].Id = id;
        rsp->Entries[count].SystemFlags = static_cast<uint64_t>(static_cast<int64_t>(row.systemFlags));
        id = widen(row.next);
        if (id == 0) {
            rsp->TotalCount = count + 1;
            return true;
        }
    }
}

// ---- removal

bool KelSQLRestoreTask::remove(unsigned long sqlRestoreTaskId) {
    static const char* kFn = "KelSQLRestoreTask::remove(sqlRestoreTaskId)";
    if (!idNotSet(getLastError(), sqlRestoreTaskId, "sqlRestoreTaskId", kFn)) return false;
    if (!context_.isServerOperations() && !serverObject_) return fail(kelsql::kErrOstrelSideOnly, kFn);
    if (!context_.isTransactionStarted()) return fail(kelsql::kErrTranRequired, kFn);
    SqlRestoreTask record(context_.getDBTransaction());
    KelSQLRestoreData data(context_, serverObject_);
    kelsql::backup::ChainWalk walk;
    for (unsigned long id = sqlRestoreTaskId; id != 0; id = next_) {
        if (!walk.enter(id, getLastError(), kFn, record.getpDescribe()) || !queryLocal(id, kFn)) return false;
        if (sqlRestoreDataId_ != 0 && !data.remove(sqlRestoreDataId_)) return copyError(data.getLastError());
        record.setWhere("id=%d", static_cast<int>(id));
        sqlCode_ = record.rowDelete();
        if (sqlCode_ != 0) return catalogueError(kFn, record);
    }
    return true;
}

bool KelSQLRestoreTask::databaseForceDelete(unsigned long sqlDatabaseId) {
    return forceDelete("sqlDatabaseId", sqlDatabaseId, "sqlDatabaseId",
                       "KelSQLRestoreTask::databaseForceDelete(sqlDatabaseId)");
}

bool KelSQLRestoreTask::serverForceDelete(unsigned long sqlServerId) {
    return forceDelete("sqlServerId", sqlServerId, "sqlServerId", "KelSQLRestoreTask::serverForceDelete(sqlServerId)");
}

bool KelSQLRestoreTask::forceDelete(const char* column, unsigned long id, const char* idName, const char* signature) {
    if (!idNotSet(getLastError(), id, idName, signature) || !writable(signature)) return false;
    DBtran* tran = context_.getDBTransaction();
    struct Doomed {
        unsigned long id, next, data;
    };
    std::vector<Doomed> doomed;
    {
        SqlRestoreTask cursor(tran);
        cursor.setWhere("%s = %d", column, static_cast<int>(id));
        sqlCode_ = cursor.openCursor();
        if (sqlCode_ == kDBNoRow) return true;
        if (sqlCode_ != 0) return catalogueError(signature, cursor);
        while ((sqlCode_ = cursor.fetchCursor(true)) == 0) {
            const SqlRestoreTask_t& row = *cursor.getDataPtr();
            doomed.push_back({widen(row.id), widen(row.next), widen(row.sqlRestoreDataId)});
        }
        cursor.closeCursor();
        if (sqlCode_ != kDBNoRow) return catalogueError(signature, cursor);
    }
    // Each relink reads the predecessor as the earlier ones left it, so a run
    // of doomed tasks inside another chain is bridged step by step.
    SqlRestoreTaskTable relink(tran);
    for (const Doomed& task : doomed) {
        relink.setWhere("next = %d", static_cast<int>(task.id));
        sqlCode_ = relink.getOneRow(&relink, false, -1, 0);
        if (sqlCode_ == kDBNoRow) continue;
        if (sqlCode_ != 0) return catalogueError(signature, relink);
        relink.clearUpdateClause();
        relink.setColumn(task.next, "next");
        relink.setWhere("next = %d", static_cast<int>(task.id));
        sqlCode_ = relink.rowUpdate(relink.getUpdateClause().c_str());
        if (sqlCode_ != 0) return catalogueError(signature, relink);
    }
    KelSQLRestoreData data(context_, false);
    SqlRestoreTask record(tran);
    for (const Doomed& task : doomed) {
        if (task.data != 0 && !data.remove(task.data)) return copyError(data.getLastError());
        record.setWhere("id=%d", static_cast<int>(task.id));
        sqlCode_ = record.rowDelete();
        if (sqlCode_ != 0) return catalogueError(signature, record);
    }
    sqlCode_ = 0;
    return true;
}
