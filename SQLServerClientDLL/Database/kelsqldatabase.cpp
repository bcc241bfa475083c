#include "KelSQL/KelSQLDatabase.h"

#include "../Records/FieldCopy.h"
#include "../Records/RecordPlace.h"
#include "Db/Tbl/sqlDatabase.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLLookups.h"
#include "KelSQL/KelSQLServer.h"
#include "platform/db/SqlText.h"
#include "platform/live/KelLiveSqlServer.h"
#include "platform/util/BoundedCopy.h"

namespace {

// A client name is kept to 128 characters, though the wire has room for more.
constexpr size_t kClientNameField = 129;

using kelsql::record::column;
using kelsql::record::placeOf;
using kelsql::record::transactionOf;
using kelsql::record::Where;

KelNetSQLDateTime_t wireDate(const TIMESTAMP_STRUCT& ts) {
    KelNetSQLDateTime_t w;
    w.Year = ts.year;
    w.Month = ts.month;
    w.Day = ts.day;
    w.Hour = ts.hour;
    w.Minute = ts.minute;
    w.Second = ts.second;
    return w;
}

void storeDate(DB_DATETIME& d, const KelNetSQLDateTime_t& w) {
    d.clear();
    d.year = w.Year;
    d.month = w.Month;
    d.day = w.Day;
    d.hour = w.Hour;
    d.minute = w.Minute;
    d.second = w.Second;
}

// The live instance of a record: its own, else the context's data source's.
kel::live::LiveTarget liveTarget(KelSQLClassProperties& ctx, const std::string& serverName) {
    return {ctx.virtualMachine(), serverName.empty() ? ctx.getSQLDSN().sqlServerName() : serverName};
}

KelNetSQLDateTime_t wireDate(const DB_DATETIME& d) {
    return wireDate(reinterpret_cast<const TIMESTAMP_STRUCT&>(d));
}

}  // namespace

KelSQLDatabase::KelSQLDatabase(KelSQLClassProperties& context, bool serverSide)
    : KelNetSQLDatabase(context, false),
      context_(context),
      deleteFlag_(std::make_unique<KelSQLLogicalDeletion>(context)),
      serverSide_(serverSide) {
    initializeSQLObject();
}

KelSQLDatabase::~KelSQLDatabase() {
    properties_.reset();
    deleteFlag_.reset();
}

void KelSQLDatabase::initializeSQLObject() {
    sqlId_ = tesselId_ = sqlServerId_ = applicationNumber_ = databaseId_ = 0;
    systemFlags_ = archiveGroupNameId_ = allowFlags_ = 0;
    databaseName_.clear();
    serverName_.clear();
    clientName_.clear();
    creationTime_.setTime(0L);
    addTime_.setTime(0L);
    removalTime_.setTime(0L);
    // The maximum is never lowered, not even by a reset.
    streams_.setStreams(0);
    streams_.setLogStreams(0);
    deleteFlag_->setUndelete();
}

void KelSQLDatabase::loadStreams(int64_t streams, int64_t maxStreams, int64_t logStreams) {
    streams_.setStreams(static_cast<int>(streams));
    streams_.setMaxStreams(static_cast<int>(maxStreams));  // a lower maximum is refused: kept
    streams_.setLogStreams(static_cast<int>(logStreams));
}

// ---- helpers

bool KelSQLDatabase::fail(uint64_t number, const char* signature) {
    getLastError().setNumber(number);
    getLastError().addArgument(signature);
    return false;
}

bool KelSQLDatabase::copyError(KelLastError& from) {
    getLastError() = from;
    return false;
}

bool KelSQLDatabase::catalogueError(const char* signature, SqlDatabase& table) {
    getLastError().setNumber(kelsql::kErrRowOperation);
    getLastError().addArgument(signature);
    getLastError().addArgument(table.getpDescribe());
    getLastError().addArgument(table.getErrorStr(static_cast<int>(sqlCode_)));
    return false;
}

bool KelSQLDatabase::loadServerName(KelSQLServer* server) {
    if (server) {
        if (server->sqlServerName().empty() && !server->query(sqlServerId_)) return copyError(server->getLastError());
        serverName_ = server->sqlServerName();
        return true;
    }
    KelSQLServer own(context_, false);
    if (!own.query(sqlServerId_)) return copyError(own.getLastError());
    serverName_ = own.sqlServerName();
    return true;
}

KelNetSQLDatabaseReq_t* KelSQLDatabase::lookupRequest() {
    KelNetSQLDatabaseReq_t* req = requestMessage(true);
    if (req) req->DBCode = KelNetSQLDatabaseLookup;
    return req;
}

// ---- copies

bool KelSQLDatabase::copyToNetwork(KelNetSQLDatabase_t& rec) {
    rec.SqlDatabaseId = sqlId_;
    rec.TesselId = tesselId_;
    rec.SqlServerId = sqlServerId_;
    rec.ApplicationNumber = applicationNumber_;
    rec.DatabaseId = databaseId_;
    rec.CreationTime = wireDate(creationTime_.timeStamp());
    rec.Streams = static_cast<uint64_t>(streams_.streams());
    rec.MaxStreams = static_cast<uint64_t>(streams_.maxStreams());
    rec.LogStreams = static_cast<uint64_t>(streams_.logStreams());
    rec.AllowFlags = allowFlags_;
    rec.AddTime = addTime_.time();
    rec.RemovalTime = removalTime_.time();
    rec.DeleteFlag = deleteFlag_->isDeleted() ? 1 : 0;
    rec.ArchiveGroupNameId = archiveGroupNameId_;
    rec.SystemFlags = systemFlags_;
    return kelsql::FieldCopies(getLastError(), "KelSQLDatabase::copyToNetwork(rec)")
        .text(rec.DatabaseName, databaseName_, "databaseName")
        .text(rec.ServerName, serverName_, "serverName")
        .text(rec.ClientName, kClientNameField, clientName_, "clientName")
        .ok();
}

void KelSQLDatabase::copyFromNetwork(const KelNetSQLDatabase_t& rec) {
    sqlId_ = static_cast<unsigned long>(rec.SqlDatabaseId);
    tesselId_ = static_cast<unsigned long>(rec.TesselId);
    databaseName_ = kel::fieldText(rec.DatabaseName);
    serverName_ = kel::fieldText(rec.ServerName);
    clientName_ = kel::fieldText(rec.ClientName);
    sqlServerId_ = static_cast<unsigned long>(rec.SqlServerId);
    applicationNumber_ = static_cast<unsigned long>(rec.ApplicationNumber);
    databaseId_ = static_cast<unsigned long>(rec.DatabaseId);
    creationTime_.setTime(rec.CreationTime);
    loadStreams(static_cast<int64_t>(rec.Streams), static_cast<int64_t>(rec.MaxStreams),
                static_cast<int64_t>(rec.LogStreams));
    allowFlags_ = static_cast<unsigned long>(rec.AllowFlags);
    addTime_.setTime(static_cast<long>(rec.AddTime));
    removalTime_.setTime(static_cast<long>(rec.RemovalTime));
    if (rec.DeleteFlag) deleteFlag_->setDelete();
    archiveGroupNameId_ = static_cast<unsigned long>(rec.ArchiveGroupNameId);
    systemFlags_ = static_cast<unsigned long>(rec.SystemFlags);
}

bool KelSQLDatabase::copyToDb(SqlDatabase_t& row) {
    row.backupSetId = static_cast<int32_t>(sqlId_);
    row.tesselId = static_cast<int32_t>(tesselId_);
    row.sqlServerId = static_cast<int32_t>(sqlServerId_);
    row.applicationNumber = static_cast<int32_t>(applicationNumber_);
    row.databaseId = static_cast<int32_t>(databaseId_);
    storeDate(row.creationTime, wireDate(creationTime_.timeStamp()));
    row.streams = static_cast<int32_t>(streams_.streams());
    row.maxStreams = static_cast<int32_t>(streams_.maxStreams());
    row.allowFlags = static_cast<int32_t>(allowFlags_);
    row.addTime = static_cast<int32_t>(addTime_.time());
    row.removalTime = static_cast<int32_t>(removalTime_.time());
    row.deleteFlag = deleteFlag_->isDeleted() ? 1 : 0;
    row.systemFlags = static_cast<int32_t>(systemFlags_);
    row.logStreams = static_cast<int32_t>(streams_.logStreams());
    return kelsql::copyText(getLastError(), row.databaseName, databaseName_, "databaseName",
                           "KelSQLDatabase::copyToDb(row)");
}

void KelSQLDatabase::copyFromDb(const SqlDatabase_t& row) {
    sqlId_ = column(row.backupSetId);
    tesselId_ = column(row.tesselId);
    sqlServerId_ = column(row.sqlServerId);
    applicationNumber_ = column(row.applicationNumber);
    databaseId_ = column(row.databaseId);
    databaseName_ = kel::fieldText(row.databaseName);
    creationTime_.setTime(reinterpret_cast<const TIMESTAMP_STRUCT&>(row.creationTime));
    loadStreams(row.streams, row.maxStreams, row.logStreams);
    allowFlags_ = column(row.allowFlags);
    addTime_.setTime(static_cast<long>(column(row.addTime)));
    removalTime_.setTime(static_cast<long>(column(row.removalTime)));
    row.deleteFlag ? deleteFlag_->setDelete() : deleteFlag_->setUndelete();
    systemFlags_ = column(row.systemFlags);
}

void KelSQLDatabase::copyNetworkToDb(const KelNetSQLDatabase_t& rec, SqlDatabase_t& row) {
    row.backupSetId = static_cast<int32_t>(rec.SqlDatabaseId);
    row.tesselId = static_cast<int32_t>(rec.TesselId);
    row.sqlServerId = static_cast<int32_t>(rec.SqlServerId);
    row.applicationNumber = static_cast<int32_t>(rec.ApplicationNumber);
    row.databaseId = static_cast<int32_t>(rec.DatabaseId);
    kel::copyWholeField(row.databaseName, rec.DatabaseName);
    storeDate(row.creationTime, rec.CreationTime);
    row.streams = static_cast<int32_t>(rec.Streams);
    row.maxStreams = static_cast<int32_t>(rec.MaxStreams);
    row.allowFlags = static_cast<int32_t>(rec.AllowFlags);
    row.addTime = static_cast<int32_t>(rec.AddTime);
    row.removalTime = static_cast<int32_t>(rec.RemovalTime);
    row.deleteFlag = rec.DeleteFlag ? 1 : 0;
    row.systemFlags = static_cast<int32_t>(rec.SystemFlags);
    row.logStreams = static_cast<int32_t>(rec.LogStreams);
}

void KelSQLDatabase::copyNetworkFromDb(KelNetSQLDatabase_t& rec, const SqlDatabase_t& row) {
    rec.SqlDatabaseId = column(row.backupSetId);
    rec.TesselId = column(row.tesselId);
    rec.SqlServerId = column(row.sqlServerId);
    rec.ApplicationNumber = column(row.applicationNumber);
    rec.DatabaseId = column(row.databaseId);
    kel::copyWholeField(rec.DatabaseName, row.databaseName);
    rec.CreationTime = wireDate(row.creationTime);
    rec.Streams = column(row.streams);
    rec.MaxStreams = column(row.maxStreams);
    rec.AllowFlags = column(row.allowFlags);
    rec.AddTime = column(row.addTime);
    rec.RemovalTime = column(row.removalTime);
    rec.DeleteFlag = row.deleteFlag ? 1 : 0;
    rec.SystemFlags = column(row.systemFlags);
    rec.LogStreams = column(row.logStreams);
}

// ---- reads

bool KelSQLDatabase::queryOstrelDb(const char* where) {
    static const char* kFn = "KelSQLDatabase::queryOstrelDb(where)";
    SqlDatabase record(transactionOf(context_));
    if (where) record.setWhere("%s", where);
    sqlCode_ = record.getOneRow(&record, false, -1, 0);
    if (sqlCode_ != 0) return catalogueError(kFn, record);
    initializeSQLObject();
    copyFromDb(*record.getDataPtr());
    return true;
}

bool KelSQLDatabase::updateOstrelDb(const char* where, const char* values) {
    static const char* kFn = "KelSQLDatabase::updateOstrelDb(pWhere, pValues)";
    if (!context_.isTransactionStarted()) return fail(kelsql::kErrTranRequired, kFn);
    SqlDatabase record(context_.getDBTransaction());
    SqlDatabase_t& row = *record.getDataPtr();
    if (!copyToDb(row)) return false;
    if (where) record.setWhere("%s", where);
    sqlCode_ = record.rowUpdate(values);
    if (sqlCode_ != 0) return catalogueError(kFn, record);
    initializeSQLObject();
    copyFromDb(row);
    return true;
}

bool KelSQLDatabase::networkQuery() {
    if (!exchange(getLastError())) return false;
    initializeSQLObject();
    copyFromNetwork(responseMessage(false)->Database);
    return true;
}

bool KelSQLDatabase::query(unsigned long sqlId, KelSQLServer* server) {
    static const char* kFn = "KelSQLDatabase::query(sqlId)";
    if (!idNotSet(getLastError(), sqlId, "sqlId", kFn)) return false;
    switch (placeOf(context_, *this)) {
    case Where::Local:
        where_ = kel::sql::format("backupSetId=%d", static_cast<int>(sqlId));
        return queryOstrelDb(where_.c_str()) && loadServerName(server);
    case Where::Remote: {
        KelNetSQLDatabaseReq_t* req = lookupRequest();
        if (!req) return false;
        req->Database.SqlDatabaseId = sqlId;
        return networkQuery();
    }
    case Where::Neither: break;
    }
    return fail(kelsql::kErrOstrelSideOnly, kFn);
}

bool KelSQLDatabase::queryByInstance(unsigned long sqlServerId, const std::string& databaseName,
                                     const char* signature) {
    if (!textFits(getLastError(), databaseName, sizeof(SqlDatabase_t::databaseName), "databaseName", signature))
        return false;
    where_ = kel::sql::format("sqlServerId = %d and databaseName = %s", static_cast<int>(sqlServerId),
                              kel::sql::quoted(databaseName).c_str());
    return queryOstrelDb(where_.c_str()) && loadServerName(nullptr);
}

bool KelSQLDatabase::query(const std::string& clientName, const std::string& serverName,
                           const std::string& databaseName) {
    static const char* kFn = "KelSQLDatabase::query(clientName, serverName, databaseName)";
    if (!stringEmpty(getLastError(), serverName, "serverName", kFn) ||
        !stringEmpty(getLastError(), databaseName, "databaseName", kFn))
        return false;
    switch (placeOf(context_, *this)) {
    case Where::Local: {
        if (!stringEmpty(getLastError(), clientName, "clientName", kFn)) return false;
        const unsigned long tesselId = context_.getOstrel().getTesselId();
        if (tesselId == 0) return fail(context_.getOstrel().getLastError().number(), kFn);
        unsigned long instanceId = 0;
        if (!getInstanceByName(tesselId, getLastError(), clientName, serverName, &instanceId)) return false;
        return queryByInstance(instanceId, databaseName, kFn);
    }
    case Where::Remote: {
        KelNetSQLDatabaseReq_t* req = lookupRequest();
        if (!req) return false;
        return kelsql::FieldCopies(getLastError(), kFn)
                   .text(req->Database.ClientName, clientName, "clientName")
                   .text(req->Database.ServerName, serverName, "serverName")
                   .text(req->Database.DatabaseName, databaseName, "databaseName")
                   .ok() &&
               networkQuery();
    }
    case Where::Neither: break;
    }
    return fail(kelsql::kErrOstrelSideOnly, kFn);
}

bool KelSQLDatabase::query(unsigned long sqlServerId, const std::string& databaseName) {
    static const char* kFn = "KelSQLDatabase::query(sqlServerId, databaseName)";
    if (!idNotSet(getLastError(), sqlServerId, "sqlServerId", kFn) ||
        !stringEmpty(getLastError(), databaseName, "databaseName", kFn))
        return false;
    switch (placeOf(context_, *this)) {
    case Where::Local: return queryByInstance(sqlServerId, databaseName, kFn);
    case Where::Remote: {
        KelNetSQLDatabaseReq_t* req = lookupRequest();
        if (!req) return false;
        req->Database.SqlServerId = sqlServerId;
        return kelsql::copyText(getLastError(), req->Database.DatabaseName, databaseName, "databaseName", kFn) &&
               networkQuery();
    }
    case Where::Neither: break;
    }
    return fail(kelsql::kErrOstrelSideOnly, kFn);
}

bool KelSQLDatabase::query(const std::string& databaseName) {
    static const char* kFn = "KelSQLDatabase::query(databaseName)";
    if (!context_.isClientOperations()) return fail(kelsql::kErrAgentSideOnly, kFn);
    kel::live::LiveDatabase live;
    // A reader that leaves found alone reports the database present.
    bool found = true;
    kel::live::LiveSqlServer& reader = kel::live::liveSqlServer();
    if (!reader.database(liveTarget(context_, serverName_), databaseName, live, found, getLastError())) return false;
    if (!found) {
        sqlCode_ = 100;
        return fail(kelsql::kErrRowOperation, kFn);
    }
    if (!reader.readsLiveInstance()) return true;
    databaseName_ = databaseName;
    databaseId_ = live.databaseId;
    creationTime_.setTime(static_cast<long>(live.creationTime));
    systemFlags_ = live.systemFlags & kSystemFlagsMask;
    return true;
}

bool KelSQLDatabase::lookup(KelNetSQLDatabaseReq_t* req, KelNetSQLDatabaseRsp_t* rsp) {
    static const char* kFn = "KelSQLDatabase::lookup(reqDb, rspDb)";
    if (!serverSide_) return fail(kelsql::kErrNoSide, kFn);
    const KelNetSQLDatabase_t& in = req->Database;
    const std::string databaseName = kel::fieldText(in.DatabaseName);
    bool ok = false;
    if (in.SqlDatabaseId != 0) {
        ok = query(static_cast<unsigned long>(in.SqlDatabaseId), nullptr);
    } else if (in.SqlServerId != 0 && !databaseName.empty()) {
        ok = query(static_cast<unsigned long>(in.SqlServerId), databaseName);
    } else {
        const std::string clientName = kel::fieldText(in.ClientName);
        const std::string serverName = kel::fieldText(in.ServerName);
        if (clientName.empty() || serverName.empty() || databaseName.empty()) {
            getLastError().setNumber(kelsql::kErrValueNotSet);
            getLastError().addArgument("reqDatabase");
            getLastError().addArgument(kFn);
            return false;
        }
        ok = query(clientName, serverName, databaseName);
    }
    return ok && copyToNetwork(rsp->Database);
}

bool KelSQLDatabase::extract(KelNetSQLDatabaseReq_t* req, KelNetSQLDatabaseRsp_t* rsp) {
    return query(kel::fieldText(req->Database.DatabaseName)) && copyToNetwork(rsp->Database);
}

// ---- the live database on the agent

std::vector<std::string>* KelSQLDatabase::getFileGroupNames(const std::string& sqlDatabaseName, bool fetch) {
    static const char* kFn = "KelSQLDatabase::getFileGroupNames(sqlDatabaseName, fetch)";
    if (!context_.isClientOperations()) {
        fail(kelsql::kErrAgentSideOnly, kFn);
        return nullptr;
    }
    if (!stringEmpty(getLastError(), sqlDatabaseName, "sqlDatabaseName", kFn)) return nullptr;
    if (!fetch && !fileGroupNames_.empty()) return &fileGroupNames_;
    fileGroupNames_.clear();
    if (!kel::live::liveSqlServer().fileGroupNames(liveTarget(context_, serverName_), sqlDatabaseName,
                                                   fileGroupNames_, getLastError())) {
        fileGroupNames_.clear();
        return nullptr;
    }
    return &fileGroupNames_;
}

bool KelSQLDatabase::getLatestBackupSetId(unsigned long*) { return true; }

bool KelSQLDatabase::getCreationTime(KelSQLDateAndTime& creationTime) {
    kel::live::LiveDatabase live;
    bool found = false;
    if (!kel::live::liveSqlServer().database(liveTarget(context_, serverName_), databaseName_, live, found,
                                             getLastError()))
        return false;
    if (found) creationTime.setTime(static_cast<long>(live.creationTime));
    return true;
}

bool KelSQLDatabase::getCreationTimeAndStatus(KelSQLDateAndTime& creationTime, unsigned long*) {
    return getCreationTime(creationTime);
}

bool KelSQLDatabase::anyLogBackupsDoneOutsideSeltra(unsigned long, bool&) {
    if (context_.isClientOperations()) return true;
    return fail(kelsql::kErrAgentSideOnly, "KelSQLDatabase::anyLogBackupsDoneOutsideSeltra(databaseName, backupSetId)");
}

KelSQLDatabaseProperties* KelSQLDatabase::getDatabaseProperties() {
    if (!properties_) properties_ = std::make_unique<KelSQLDatabaseProperties>(context_, databaseName_);
    return properties_.get();
}

bool KelSQLDatabase::setSystemFlags(unsigned long value) {
    if ((value & kSystemFlagsMask) == value) {
        systemFlags_ = value;
        return true;
    }
    getLastError().setNumber(kelsql::kErrValueNotSet);
    getLastError().addArgument("systemFlags");
    getLastError().addArgument("KelSQLDatabase::setSystemFlags(systemFlags)");
    return false;
}
