#include "KelSQL/KelSQLBackupSet.h"

#include <algorithm>
#include <vector>

#include "Db/Tbl/sqlArchiveSet.h"
#include "Db/Tbl/sqlBackupFile.h"
#include "Db/Tbl/sqlBackupSet.h"
#include "Db/Tbl/sqlLSNs.h"
#include "KelSQL/KelNetSQLSecurity.h"
#include "KelSQL/KelNetSQLVerifyUser.h"
#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLDatabase.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLLogMarkName.h"
#include "KelSQL/KelSQLLookups.h"
#include "../Records/WriteScope.h"
#include "BackupRecords.h"
#include "../Database/ParentIds.h"
#include "KelSQL/KelSQLFileSubClient.h"
#include "platform/db/SqlText.h"
#include "platform/util/BoundedCopy.h"

using kelsql::backup::column;
using kelsql::backup::Where;

namespace {

void splitJobId(uint64_t jobId, SqlBackupSet_t& row) {
    long high = 0;
    long low = 0;
    dLongToLongDB(static_cast<long long>(jobId), &high, &low);
    row.jobId_h = static_cast<int32_t>(high);
    row.jobId_l = static_cast<int32_t>(low);
}

uint64_t joinJobId(const SqlBackupSet_t& row) {
    long long jobId = 0;
    longToDlongDB(&jobId, row.jobId_h, row.jobId_l);
    return static_cast<uint64_t>(jobId);
}

KelNetSQLMSVersion_t wireVersion(MSVersion& v) {
    KelNetSQLMSVersion_t w;
    w.SqlVersionId = v.sqlId();
    w.Major = (v.major)();
    w.Minor = (v.minor)();
    w.Build = v.build();
    return w;
}

void loadVersion(MSVersion& v, const KelNetSQLMSVersion_t& w) {
    v.setVersion(static_cast<unsigned long>(w.Major), static_cast<unsigned long>(w.Minor),
                 static_cast<unsigned long>(w.Build), static_cast<unsigned long>(w.SqlVersionId));
}

KelNetSQLDateTime_t wireTime(long seconds) {
    const KelSQLDateAndTime time(static_cast<unsigned long>(seconds));
    const TIMESTAMP_STRUCT& ts = time.timeStamp();
    KelNetSQLDateTime_t w;
    w.Year = ts.year;
    w.Month = ts.month;
    w.Day = ts.day;
    w.Hour = ts.hour;
    w.Minute = ts.minute;
    w.Second = ts.second;
    return w;
}

}  // namespace

KelSQLBackupSet::KelSQLBackupSet(KelSQLClassProperties& context, bool serverObject, unsigned long long requestType)
    : KelNetSQLBackupSet(context, false, requestType),
      context_(context),
      serverObject_(serverObject),
      mediaSet_(std::make_unique<KelSQLMediaSet>(context)),
      lsn_(std::make_unique<KelSQLLSN>(context, false)) {
    initializeSQLObject();
}

KelSQLBackupSet::~KelSQLBackupSet() = default;

void KelSQLBackupSet::initializeSQLObject() {
    loaded_ = false;
    backupSetId_ = mediaSetId_ = timeZone_ = compatibility_ = dbVersion_ = vendorId_ = 0;
    name_.clear();
    description_.clear();
    userName_.clear();
    backupSize_.clear();
    startTime_.setTime(0L);
    finishTime_.setTime(0L);
    sqlVersion_.setVersion(0, 0, 0, 0);
    mtfVersion_.setVersion(0, 0, 0, 0);
    jobId_ = 0;
    mediaSet_->initializeSQLObject();
    sqlFileSubClientId_ = sqlId_ = tesselId_ = sqlDatabaseId_ = 0;
}

bool KelSQLBackupSet::fail(uint64_t number, const char* signature) {
    getLastError().setNumber(number);
    getLastError().addArgument(signature);
    return false;
}

bool KelSQLBackupSet::copyError(KelLastError& from) {
    getLastError() = from;
    return false;
}

bool KelSQLBackupSet::textsFit(const std::string& name, const std::string& description, const std::string& userName,
                               const std::string& backupSize, const char* signature) {
    KelLastError& err = getLastError();
    return textFits(err, name, kNameMax + 1, "name", signature) &&
           textFits(err, description, kDescriptionMax + 1, "description", signature) &&
           textFits(err, userName, kUserNameMax + 1, "userName", signature) &&
           textFits(err, backupSize, kBackupSizeMax + 1, "backupSize", signature);
}

// ---- copies

void KelSQLBackupSet::copyFromSql(const SqlBackupSet_t& row) {
    initializeSQLObject();
    sqlId_ = column(row.id);
    tesselId_ = column(row.tesselId);
    sqlDatabaseId_ = column(row.sqlDatabaseId);
    backupSetId_ = column(row.backupSetId);
    name_ = kel::fieldText(row.name);
    description_ = kel::fieldText(row.description);
    userName_ = kel::fieldText(row.userName);
    backupSize_ = kel::fieldText(row.backupSize);
    vendorId_ = column(row.vendorId);
    timeZone_ = column(row.timeZone);
    compatibility_ = column(row.compatibility);
    dbVersion_ = column(row.dbVersion);
    mediaSetId_ = column(row.mediaSetId);
    mediaSet_->setId(mediaSetId_);
    mediaSet_->setStreams(column(row.streams));
    startTime_.setTime(static_cast<long>(column(row.seltraStartTime)));
    finishTime_.setTime(static_cast<long>(column(row.seltraFinishTime)));
    sqlVersion_.setVersion(0, 0, 0, column(row.sqlVersionId));
    mtfVersion_.setVersion(0, 0, 0, column(row.mtfVersionId));
    jobId_ = joinJobId(row);
    sqlFileSubClientId_ = column(row.sqlFileSubClientId);
    loaded_ = true;
}

bool KelSQLBackupSet::copyToSql(SqlBackupSet_t& row) {
    KelNetSQLBackupSet_t rec{};
    if (!copyToNetwork(rec)) return false;
    rec.MediaSetId = mediaSet_->id();
    copyNetworkToSql(rec, sqlFileSubClientId_, row);
    return true;
}

void KelSQLBackupSet::copyFromNetwork(const KelNetSQLBackupSet_t& rec) {
    initializeSQLObject();
    sqlId_ = static_cast<unsigned long>(rec.SqlBackupSetId);
    tesselId_ = static_cast<unsigned long>(rec.TesselId);
    sqlDatabaseId_ = static_cast<unsigned long>(rec.SqlDatabaseId);
    backupSetId_ = static_cast<unsigned long>(rec.BackupSetId);
    name_ = kel::fieldText(rec.Name);
    description_ = kel::fieldText(rec.Description);
    userName_ = kel::fieldText(rec.UserName);
    backupSize_ = kel::fieldText(rec.BackupSize);
    vendorId_ = static_cast<unsigned long>(rec.VendorId);
    timeZone_ = static_cast<unsigned long>(rec.TimeZone);
    compatibility_ = static_cast<unsigned long>(rec.Compatibility);
    dbVersion_ = static_cast<unsigned long>(rec.DBVersion);
    mediaSetId_ = static_cast<unsigned long>(rec.MediaSetId);
    mediaSet_->setId(rec.MediaSetId);
    mediaSet_->setStreams(rec.Streams);
    mediaSet_->setMtfMajor(rec.MtfVersion.Major);
    startTime_.setTime(static_cast<long>(rec.SeltraStartTime));
    finishTime_.setTime(static_cast<long>(rec.SeltraFinishTime));
    loadVersion(sqlVersion_, rec.SqlVersion);
    loadVersion(mtfVersion_, rec.MtfVersion);
    jobId_ = rec.JobId;
    loaded_ = true;
}

void KelSQLBackupSet::copyFromNetwork(const KelNetSQLBackupSet2_t& rec) {
    copyFromNetwork(rec.BackupSet);
    sqlFileSubClientId_ = static_cast<unsigned long>(rec.SqlFileSubClientId);
}

bool KelSQLBackupSet::copyToNetwork(KelNetSQLBackupSet_t& rec) {
    rec.SqlBackupSetId = sqlId_;
    rec.TesselId = tesselId_;
    rec.SqlDatabaseId = sqlDatabaseId_;
    rec.BackupSetId = backupSetId_;
    rec.VendorId = vendorId_;
    rec.TimeZone = timeZone_;
    rec.Compatibility = compatibility_;
    rec.DBVersion = dbVersion_;
    rec.MediaSetId = mediaSetId_;
    rec.Streams = mediaSet_->streams();
    rec.SeltraStartTime = startTime_.time();
    rec.SeltraFinishTime = finishTime_.time();
    rec.SqlVersion = wireVersion(sqlVersion_);
    rec.MtfVersion = wireVersion(mtfVersion_);
    rec.JobId = jobId_;
    return kelsql::FieldCopies(getLastError(), "KelSQLBackupSet::copyToNetwork(rec)")
        .text(rec.Name, name_, "name")
        .text(rec.Description, description_, "description")
        .text(rec.UserName, userName_, "userName")
        .text(rec.BackupSize, backupSize_, "backupSize")
        .ok();
}

bool KelSQLBackupSet::copyToNetwork(KelNetSQLBackupSet2_t& rec) {
    rec.SqlFileSubClientId = sqlFileSubClientId_;
    return copyToNetwork(rec.BackupSet);
}

void KelSQLBackupSet::copyNetworkToSql(const KelNetSQLBackupSet_t& rec, uint64_t sqlFileSubClientId,
                                       SqlBackupSet_t& row) {
    row.id = static_cast<int32_t>(rec.SqlBackupSetId);
    row.tesselId = static_cast<int32_t>(rec.TesselId);
    row.sqlDatabaseId = static_cast<int32_t>(rec.SqlDatabaseId);
    row.backupSetId = static_cast<int32_t>(rec.BackupSetId);
    kel::copyWholeField(row.name, rec.Name);
    kel::copyWholeField(row.description, rec.Description);
    kel::copyWholeField(row.userName, rec.UserName);
    kel::copyWholeField(row.backupSize, rec.BackupSize);
    row.vendorId = static_cast<int32_t>(rec.VendorId);
    row.sqlVersionId = static_cast<int32_t>(rec.SqlVersion.SqlVersionId);
    row.mtfVersionId = static_cast<int32_t>(rec.MtfVersion.SqlVersionId);
    row.timeZone = static_cast<int32_t>(rec.TimeZone);
    row.seltraStartTime = static_cast<int32_t>(rec.SeltraStartTime);
    row.seltraFinishTime = static_cast<int32_t>(rec.SeltraFinishTime);
    row.compatibility = static_cast<int32_t>(rec.Compatibility);
    row.dbVersion = static_cast<int32_t>(rec.DBVersion);
    row.mediaSetId = static_cast<int32_t>(rec.MediaSetId);
    row.streams = static_cast<int32_t>(rec.Streams);
    splitJobId(rec.JobId, row);
    row.sqlFileSubClientId = static_cast<int32_t>(sqlFileSubClientId);
}

void KelSQLBackupSet::copyNetworkFromSql(KelNetSQLBackupSet_t& rec, const SqlBackupSet_t& row) {
    rec.SqlBackupSetId = column(row.id);
    rec.TesselId = column(row.tesselId);
    rec.SqlDatabaseId = column(row.sqlDatabaseId);
    rec.BackupSetId = column(row.backupSetId);
    kel::copyWholeField(rec.Name, row.name);
    kel::copyWholeField(rec.Description, row.description);
    kel::copyWholeField(rec.UserName, row.userName);
    kel::copyWholeField(rec.BackupSize, row.backupSize);
    rec.VendorId = column(row.vendorId);
    rec.SqlVersion = KelNetSQLMSVersion_t();
    rec.SqlVersion.SqlVersionId = column(row.sqlVersionId);
    rec.MtfVersion = KelNetSQLMSVersion_t();
    rec.MtfVersion.SqlVersionId = column(row.mtfVersionId);
    rec.TimeZone = column(row.timeZone);
    rec.SeltraStartTime = column(row.seltraStartTime);
    rec.SeltraFinishTime = column(row.seltraFinishTime);
    rec.Compatibility = column(row.compatibility);
    rec.DBVersion = column(row.dbVersion);
    rec.MediaSetId = column(row.mediaSetId);
    rec.Streams = column(row.streams);
    rec.JobId = joinJobId(row);
}

// ---- reads

bool KelSQLBackupSet::readRow(const char* signature) {
    SqlBackupSet record(kelsql::backup::transactionOf(context_));
    record.setWhere("%s", where_.c_str());
    sqlCode_ = record.getOneRow(&record, false, -1, 0);
    if (sqlCode_ != 0) return kelsql::backup::rowError(getLastError(), signature, record, sqlCode_);
    copyFromSql(*record.getDataPtr());
    return true;
}

bool KelSQLBackupSet::loadDetails() {
    KelSQLVersion version(context_);
    if (!version.query(static_cast<unsigned long>(sqlVersion_.sqlId()))) return copyError(version.getLastError());
    sqlVersion_.setVersion((version.major)(), (version.minor)(), version.build(), version.sqlId());
    if (!version.query(static_cast<unsigned long>(mtfVersion_.sqlId()))) return copyError(version.getLastError());
    mtfVersion_.setVersion((version.major)(), (version.minor)(), version.build(), version.sqlId());
    if (!lsn_->query(sqlId_)) return copyError(lsn_->getLastError());
    return true;
}

bool KelSQLBackupSet::query(unsigned long sqlBackupSetId) {
    static const char* kFn = "KelSQLBackupSet::query(sqlBackupSetId)";
    if (!idNotSet(getLastError(), sqlBackupSetId, "sqlBackupSetId", kFn)) return false;
    switch (kelsql::backup::placeOf(context_, *this)) {
    case Where::Local:
        where_ = kel::sql::format("id=%d", static_cast<int>(sqlBackupSetId));
        return queryByWhere(kFn);
    case Where::Remote: {
        if (isSecondLayout()) {
            KelNetSQLBackupSet2Req_t* req = requestMessage2(true);
            if (!req) return fail(kelsql::kErrNoBuffer, kFn);
            req->DBCode = KelNetSQLBackupSetLookup;
            req->BackupSet.BackupSet.SqlBackupSetId = sqlBackupSetId;
            if (!exchange(getLastError())) return false;
            copyFromNetwork(responseMessage2(false)->BackupSet);
        } else {
            KelNetSQLBackupSetReq_t* req = requestMessage(true);
            if (!req) return fail(kelsql::kErrNoBuffer, kFn);
            req->DBCode = KelNetSQLBackupSetLookup;
            req->BackupSet.SqlBackupSetId = sqlBackupSetId;
            if (!exchange(getLastError())) return false;
            copyFromNetwork(responseMessage(false)->BackupSet);
        }
        if (!lsn_->query(sqlId_)) return copyError(lsn_->getLastError());
        return true;
    }
    case Where::Neither: break;
    }
    return fail(kelsql::kErrOstrelSideOnly, kFn);
}

bool KelSQLBackupSet::query(unsigned long sqlDatabaseId, const std::string& backupSetName) {
    static const char* kFn = "KelSQLBackupSet::query(sqlDatabaseId, backupSetName)";
    if (!idNotSet(getLastError(), sqlDatabaseId, "sqlDatabaseId", kFn) ||
        !stringEmpty(getLastError(), backupSetName, "backupSetName", kFn))
        return false;
    if (kelsql::backup::placeOf(context_, *this) != Where::Local) return fail(kelsql::kErrOstrelSideOnly, kFn);
    if (!textFits(getLastError(), backupSetName, kNameMax + 1, "backupSetName", kFn)) return false;
    where_ = kel::sql::format("sqlDatabaseId = %d and name = %s", static_cast<int>(sqlDatabaseId),
                              kel::sql::quoted(backupSetName).c_str());
    return queryByWhere(kFn);
}

bool KelSQLBackupSet::query(unsigned long sqlDatabaseId, unsigned long backupSetId) {
    static const char* kFn = "KelSQLBackupSet::query(sqlDatabaseId, backupSetId)";
    if (!idNotSet(getLastError(), sqlDatabaseId, "sqlDatabaseId", kFn) ||
        !idNotSet(getLastError(), backupSetId, "backupSetId", kFn))
        return false;
    if (kelsql::backup::placeOf(context_, *this) != Where::Local) return fail(kelsql::kErrOstrelSideOnly, kFn);
    where_ = kel::sql::format("sqlDatabaseId = %d and backupSetId = %d", static_cast<int>(sqlDatabaseId),
                              static_cast<int>(backupSetId));
    return queryByWhere(kFn);
}

bool KelSQLBackupSet::query(const std::string&, const std::string& databaseName) {
    static const char* kFn = "KelSQLBackupSet::query(searchKey, databaseName)";
    if (!context_.isClientOperations()) return fail(kelsql::kErrAgentSideOnly, kFn);
    return stringEmpty(getLastError(), databaseName, "databaseName", kFn);
}

bool KelSQLBackupSet::queryBackupSet(unsigned long backupSetId) {
    static const char* kFn = "KelSQLBackupSet::query(backupSetId)";
    if (!context_.isClientOperations()) return fail(kelsql::kErrAgentSideOnly, kFn);
    return idNotSet(getLastError(), backupSetId, "backupSetId", kFn);
}

// ---- the agent's record of a backup

bool KelSQLBackupSet::initializeForVSS(uint64_t jobId, long startTime, long finishTime, uint64_t streams) {
    initializeSQLObject();
    name_ = "VSSJob";
    description_ = userName_ = backupSize_ = "NULL";
    jobId_ = jobId;
    lsn_->setFirst("0");
    lsn_->setLast("0");
    lsn_->setCheckpoint("0");
    lsn_->setDatabase("0");
    lsn_->setBackupType(KelSQLBackupTypeSnapshot);
    name_ += KelSQLDateAndTime(static_cast<unsigned long>(startTime)).formatMMDDYYYYHHMMSS();
    const KelNetSQLDateTime_t start = wireTime(startTime);
    const KelNetSQLDateTime_t finish = wireTime(finishTime);
    lsn_->setStartTime(&start);
    lsn_->setFinishTime(&finish);
    mediaSet_->setStreams(streams);
    loaded_ = true;
    return true;
}

bool KelSQLBackupSet::insert(unsigned long tesselId, unsigned long sqlDatabaseId) {
    static const char* kFn = "KelSQLBackupSet::insert(tesselId, sqlDatabaseId)";
    if (!context_.isClientOperations()) return fail(kelsql::kErrAgentSideOnly, kFn);
    if (!loaded_) return fail(kelsql::kErrInsert, kFn);
    if (!idNotSet(getLastError(), tesselId, "tesselId", kFn) ||
        !idNotSet(getLastError(), sqlDatabaseId, "sqlDatabaseId", kFn) ||
        !textsFit(name_, description_, userName_, backupSize_, kFn))
        return false;
    // A set stored without its LSN row would belong to no chain: the row is
    // checked before the set is sent, and what the Ostrel refuses after the
    // set is stored takes the set back with it.
    if (!lsn_->insertable(tesselId, sqlDatabaseId)) return copyError(lsn_->getLastError());
    kelsql::WriteScope scope(context_);
    if (!scope.open(getLastError(), kFn)) return false;
    sqlDatabaseId_ = sqlDatabaseId;
    tesselId_ = tesselId;
    sqlId_ = 0;
    if (isSecondLayout()) {
        KelNetSQLBackupSet2Req_t* req = requestMessage2(true);
        if (!req) return fail(kelsql::kErrNoBuffer, kFn);
        req->DBCode = KelNetSQLBackupSetInsert;
        if (!copyToNetwork(req->BackupSet) || !exchange(getLastError())) return false;
        copyFromNetwork(responseMessage2(false)->BackupSet);
    } else {
        KelNetSQLBackupSetReq_t* req = requestMessage(true);
        if (!req) return fail(kelsql::kErrNoBuffer, kFn);
        req->DBCode = KelNetSQLBackupSetInsert;
        if (!copyToNetwork(req->BackupSet) || !exchange(getLastError())) return false;
        copyFromNetwork(responseMessage(false)->BackupSet);
    }
    if (!lsn_->insert(tesselId, sqlDatabaseId, sqlId_)) return copyError(lsn_->getLastError());
    return scope.keep(getLastError(), kFn);
}

// ---- the Ostrel's answers

bool KelSQLBackupSet::resolveVersion(KelNetSQLMSVersion_t& v, unsigned long tesselId, bool sql) {
    KelSQLVersion version(context_);
    version.setTesselId(tesselId);
    const auto major = static_cast<unsigned long>(v.Major);
    const auto minor = static_cast<unsigned long>(v.Minor);
    const auto build = static_cast<unsigned long>(v.Build);
    sql ? version.setSQLVersion(major, minor, build, 0) : version.setMTFVersion(major, minor, build, 0);
    if (!getSQLVersionId(version)) return copyError(version.getLastError());
    v.SqlVersionId = version.sqlId();
    return true;
}

namespace {

// A file subclient's backup belongs to the subclient's database: the
// database id sent beside the subclient's must be that one.
bool subClientOfDatabase(KelSQLClassProperties& ctx, KelLastError& err, uint64_t sqlDatabaseId,
                         uint64_t sqlFileSubClientId, const char* signature) {
    KelSQLFileSubClient subclient(ctx, false);
    if (!subclient.query(static_cast<unsigned long>(sqlFileSubClientId))) {
        err = subclient.getLastError();
        return false;
    }
    return kelsql::record::ownParentId(err, sqlDatabaseId, subclient.sqlDatabaseId(), "sqlDatabaseId",
                                       "sqlFileSubClientId", signature);
}

}  // namespace

bool KelSQLBackupSet::storeRow(const KelNetSQLBackupSet_t& request, uint64_t sqlFileSubClientId,
                               KelNetSQLBackupSet_t& response) {
    static const char* kFn = "KelSQLBackupSet::insert(reqBackupSet, rspBackupSet)";
    if (!serverObject_) return fail(kelsql::kErrNoSide, kFn);
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    const std::string name = kel::fieldText(request.Name);
    if (!idNotSet(getLastError(), static_cast<unsigned long>(request.SqlDatabaseId), "sqlDatabaseId", kFn) ||
        !stringEmpty(getLastError(), name, "backupSetName", kFn) ||
        !textsFit(name, kel::fieldText(request.Description), kel::fieldText(request.UserName),
                  kel::fieldText(request.BackupSize), kFn))
        return false;
    if (sqlFileSubClientId != 0 &&
        !subClientOfDatabase(context_, getLastError(), request.SqlDatabaseId, sqlFileSubClientId, kFn))
        return false;
    where_ = kel::sql::format("sqlDatabaseId = %d and name = %s", static_cast<int>(request.SqlDatabaseId),
                              kel::sql::quoted(name).c_str());
    if (readRow(kFn)) {
        getLastError().clear();
        fail(kelsql::kErrBackupSetExists, kFn);
        getLastError().addArgument(name);
        getLastError().addArgument(static_cast<unsigned long>(request.SqlDatabaseId));
        return false;
    }
    if (sqlCode_ != kDBNoRow) return false;
    getLastError().clear();
    if (!context_.isTransactionStarted()) return fail(kelsql::kErrTranRequired, kFn);
    context_.getDBTransaction()->setHint(5);
    // The version rows made for the set go with it when it cannot be stored.
    kelsql::WriteScope scope(context_);
    if (!scope.open(getLastError(), kFn)) return false;
    KelNetSQLBackupSet_t stored = request;
    const auto tesselId = static_cast<unsigned long>(request.TesselId);
    if (!resolveVersion(stored.SqlVersion, tesselId, true) || !resolveVersion(stored.MtfVersion, tesselId, false))
        return false;
    SqlBackupSet record(context_.getDBTransaction());
    SqlBackupSet_t& row = *record.getDataPtr();
    copyNetworkToSql(stored, sqlFileSubClientId, row);
    row.id = 0;
    sqlCode_ = record.rowInsert(true);
    if (sqlCode_ != 0) return kelsql::backup::rowError(getLastError(), kFn, record, sqlCode_);
    response = stored;
    response.SqlBackupSetId = column(row.id);
    return scope.keep(getLastError(), kFn);
}

bool KelSQLBackupSet::insert(const KelNetSQLBackupSet_t& request, KelNetSQLBackupSet_t& response) {
    // The first layout carries no subclient: its rows belong to none.
    return storeRow(request, 0, response);
}

bool KelSQLBackupSet::insert(const KelNetSQLBackupSet2_t& request, KelNetSQLBackupSet2_t& response) {
    if (!storeRow(request.BackupSet, request.SqlFileSubClientId, response.BackupSet)) return false;
    response.SqlFileSubClientId = request.SqlFileSubClientId;
    return true;
}

bool KelSQLBackupSet::lookupRow(const KelNetSQLBackupSet_t& request, const char* signature) {
    if (!serverObject_) return fail(kelsql::kErrNoSide, signature);
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, signature);
    if (request.SqlBackupSetId == 0) {
        fail(kelsql::kErrRequestIds, signature);
        getLastError().addArgument(1187ul);
        return false;
    }
    return query(static_cast<unsigned long>(request.SqlBackupSetId));
}

bool KelSQLBackupSet::lookup(const KelNetSQLBackupSet_t& request, KelNetSQLBackupSet_t& response) {
    return lookupRow(request, "KelSQLBackupSet::lookup(reqBackupSet, rspBackupSet)") && copyToNetwork(response);
}

bool KelSQLBackupSet::lookup(const KelNetSQLBackupSet2_t& request, KelNetSQLBackupSet2_t& response) {
    return lookupRow(request.BackupSet, "KelSQLBackupSet::lookup(reqBackupSet, rspBackupSet)") &&
           copyToNetwork(response);
}

// ---- removal

bool KelSQLBackupSet::deleteRows(DBtable& table, const char* signature) {
    sqlCode_ = table.rowDelete();
    // Nothing to delete is not a failure: a log backup before its log
    // update, a snapshot backup or an unfinished job has no rows there.
    if (sqlCode_ == 0 || sqlCode_ == kDBNoRow) return true;
    return kelsql::backup::rowError(getLastError(), signature, table, sqlCode_);
}

bool KelSQLBackupSet::remove(unsigned long sqlBackupSetId) {
    static const char* kFn = "KelSQLBackupSet::remove(backupSetId)";
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    if (!context_.isTransactionStarted()) {
        // Whatever the caller's network transaction carries was meant to go
        // with this removal: it goes neither.
        KelNetSQLDBTransaction* remote = context_.getNetworkDBTransaction();
        if (remote && remote->isTransactionStarted()) remote->rollbackTransaction();
        return fail(kelsql::kErrTranRequired, kFn);
    }
    if (!idNotSet(getLastError(), sqlBackupSetId, "sqlBackupSetId", kFn)) return false;
    return removeRows(sqlBackupSetId);
}

bool KelSQLBackupSet::removeRows(unsigned long sqlBackupSetId) {
    static const char* kFn = "KelSQLBackupSet::remove(backupSetId)";
    // The row alone: a set whose LSN row is missing must still go, or it
    // would block its database's pruning and forced deletion for ever.
    where_ = kel::sql::format("id=%d", static_cast<int>(sqlBackupSetId));
    if (!readRow(kFn)) {
        if (sqlCode_ != kDBNoRow) return false;
        getLastError().clear();
        return true;
    }
    KelSQLDatabase database(context_, false);
    if (!database.query(sqlDatabaseId_, nullptr)) return copyError(database.getLastError());
    if (!database.getDeleteFlag()->isDeleted()) sendRemovalNotice(database.sqlServerId());
    DBtran* tran = context_.getDBTransaction();
    const int id = static_cast<int>(sqlBackupSetId);
    SqlArchiveSet archiveSets(tran);
    archiveSets.setWhere("sqlBackupSetId = %d", id);
    if (!deleteRows(archiveSets, kFn) || !removeMarks(database.tesselId(), kFn)) return false;
    SqlLSNs lsns(tran);
    lsns.setWhere("sqlBackupSetId = %d", id);
    if (!deleteRows(lsns, kFn)) return false;
    SqlBackupFile files(tran);
    files.setWhere("sqlBackupSetId = %d", id);
    if (!deleteRows(files, kFn)) return false;
    SqlBackupSet set(tran);
    set.setWhere("id=%d", id);
    sqlCode_ = set.rowDelete();
    if (sqlCode_ != 0) return kelsql::backup::rowError(getLastError(), kFn, set, sqlCode_);
    return true;
}

// The database's marks inside the LSN range of the loaded set; a set without
// LSN row has no range, and its marks go with its database.
bool KelSQLBackupSet::removeMarks(unsigned long tesselId, const char* signature) {
    KelSQLLogMarkName marks(context_, false);
    bool found = false;
    if (!marks.query(tesselId, sqlDatabaseId_, found)) {
        if (marks.getLastError().number() == kelsql::kErrLogMark) return true;
        return copyError(marks.getLastError());
    }
    if (!found) return true;
    SqlLSNs lsns(context_.getDBTransaction());
    lsns.setWhere("sqlBackupSetId = %d", static_cast<int>(sqlId_));
    sqlCode_ = lsns.openCursor();
    if (sqlCode_ == kDBNoRow) return true;
    if (sqlCode_ != 0) return kelsql::backup::rowError(getLastError(), signature, lsns, sqlCode_);
    while ((sqlCode_ = lsns.fetchCursor(true)) == 0) {
        const SqlLSNs_t& row = *lsns.getDataPtr();
        if (!marks.removeLSNRange(tesselId, sqlDatabaseId_, kel::fieldText(row.firstLSN),
                                  kel::fieldText(row.lastLSN))) {
            lsns.closeCursor();
            return copyError(marks.getLastError());
        }
    }
    lsns.closeCursor();
    if (sqlCode_ != kDBNoRow) return kelsql::backup::rowError(getLastError(), signature, lsns, sqlCode_);
    return true;
}

// The agent that took the backup hears of its removal, after its instance's
// login reached it. Nothing here decides the removal: a notice that cannot
// go is logged and left.
void KelSQLBackupSet::sendRemovalNotice(unsigned long sqlServerId) {
    static const char* kFn = "KelSQLBackupSet::remove(backupSetId)";
    KelLastError err;
    // The agent of this database's instance, not whichever host the context
    // spoke to last.
    std::string host;
    if (getClientHostnameFromInstance(err, sqlServerId, host)) context_.setRemoteSqlHostName(host);
    KelNetSQLSecurity* security = context_.getRemoteSecurity();
    bool ok = !context_.remoteSqlHostName().empty() && security &&
              lookupSqlUserInformation(err, context_, sqlServerId, 0, 0, 0);
    if (ok && !security->update(sqlServerId, std::string())) {
        err = security->getLastError();
        ok = false;
    }
    if (ok && !remove(backupSetId_, mediaSetId_, std::string())) {
        err = getLastError();
        getLastError().clear();
        ok = false;
    }
    if (!ok)
        context_.log().debug3(kFn, "no removal notice for backup set %lu: %s", sqlId_,
                              err.formatLastErrorMessage().c_str());
}

bool KelSQLBackupSet::remove(unsigned long backupSetId, unsigned long mediaSetId, const std::string& clientName) {
    static const char* kFn = "KelSQLBackupSet::remove(backupSetId, mediaSetId, clientName)";
    KelLastError& err = getLastError();
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    if (!idNotSet(err, backupSetId, "backupSetId", kFn) || !idNotSet(err, mediaSetId, "mediaSetId", kFn) ||
        !getClientHostnameForLocalTessel(err, context_, clientName, "clientName"))
        return false;
    KelSQLBackupSet notice(context_, false, kRequestType);
    if (!notice.setRemoteDataAgent(context_.remoteSqlHostName())) {
        fail(kelsql::kErrAgentAddress, kFn);
        err.addArgument(context_.remoteSqlHostName());
        return false;
    }
    KelNetSQLBackupSetReq_t* req = notice.requestMessage(true);
    if (!req) return fail(kelsql::kErrNoBuffer, kFn);
    req->DBCode = KelNetSQLBackupSetRemove;
    req->BackupSet.BackupSetId = backupSetId;
    req->BackupSet.MediaSetId = mediaSetId;
    return notice.exchange(err);
}

bool KelSQLBackupSet::databaseForceDelete(unsigned long sqlDatabaseId) {
    static const char* kFn = "KelSQLBackupSet::databaseForceDelete(sqlDatabaseId)";
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    if (!idNotSet(getLastError(), sqlDatabaseId, "sqlDatabaseId", kFn)) return false;
    if (!context_.isTransactionStarted()) return fail(kelsql::kErrTranRequired, kFn);
    std::vector<unsigned long> ids;
    {
        SqlBackupSet sets(context_.getDBTransaction());
        sets.setWhere("sqlDatabaseId = %d", static_cast<int>(sqlDatabaseId));
        sqlCode_ = sets.openCursor();
        if (sqlCode_ == kDBNoRow) return true;
        if (sqlCode_ != 0) return kelsql::backup::rowError(getLastError(), kFn, sets, sqlCode_);
        while ((sqlCode_ = sets.fetchCursor(true)) == 0) ids.push_back(column(sets.getDataPtr()->id));
        sets.closeCursor();
        if (sqlCode_ != kDBNoRow) return kelsql::backup::rowError(getLastError(), kFn, sets, sqlCode_);
    }
    for (unsigned long id : ids)
        if (!removeRows(id)) return false;
    sqlCode_ = 0;
    return true;
}

bool KelSQLBackupSet::fileGroupForceDelete(unsigned long sqlFileGroupId) {
    static const char* kFn = "KelSQLBackupSet::fileGroupForceDelete(sqlFileGroupId)";
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    if (!idNotSet(getLastError(), sqlFileGroupId, "sqlFileGroupId", kFn)) return false;
    if (!context_.isTransactionStarted()) return fail(kelsql::kErrTranRequired, kFn);
    DBtran* tran = context_.getDBTransaction();
    // The backup sets holding a file of the group, once each, in file order.
    std::vector<unsigned long> holders;
    {
        SqlBackupFile files(tran);
        files.setWhere("sqlFileGroupId = %d", static_cast<int>(sqlFileGroupId));
        sqlCode_ = files.openCursor();
        if (sqlCode_ == kDBNoRow) return true;
        if (sqlCode_ != 0) return kelsql::backup::rowError(getLastError(), kFn, files, sqlCode_);
        while ((sqlCode_ = files.fetchCursor(true)) == 0) {
            const unsigned long id = column(files.getDataPtr()->sqlBackupSetId);
            if (std::find(holders.begin(), holders.end(), id) == holders.end()) holders.push_back(id);
        }
        files.closeCursor();
        if (sqlCode_ != kDBNoRow) return kelsql::backup::rowError(getLastError(), kFn, files, sqlCode_);
    }
    // Only file and file-group backups go: a log, differential or database
    // backup that holds a file of the group stays.
    std::vector<unsigned long> doomed;
    for (unsigned long id : holders) {
        SqlLSNs lsn(tran);
        lsn.setWhere("sqlBackupSetId = %d AND backupType = %d", static_cast<int>(id),
                     static_cast<int>(KelSQLBackupTypeFileGroup));
        sqlCode_ = lsn.getOneRow(&lsn, false, -1, 0);
        if (sqlCode_ == 0) doomed.push_back(id);
        else if (sqlCode_ != kDBNoRow) return kelsql::backup::rowError(getLastError(), kFn, lsn, sqlCode_);
    }
    for (unsigned long id : doomed)
        if (!removeRows(id)) return false;
    sqlCode_ = 0;
    return true;
}
