#include "KelSQL/KelNetSQLBackupConversionRules.h"

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelNetSQLSecurity.h"
#include "KelSQL/KelNetSQLVerifyUser.h"
#include "KelSQL/KelSQLAppInfo.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLDatabase.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLLookups.h"
#include "TextPayload.h"
#include "platform/events/KelEvent.h"

namespace {

// The Ostrel asks; the agent host answers (outside this library).
const kelsql::MessageRegistration<KelNetSQLBackupConversionRules, kelsql::AnswerSide::Agent> registered;

const char* const kFn = "KelSQL::checkConversionRules";

constexpr uint64_t kEventFirstBackup = 0x1E0000FE;
constexpr uint64_t kEventSystemDatabase = 0x1E00010C;
constexpr uint64_t kEventStoragePolicy = 0x1E00010E;
constexpr uint64_t kEventContentChanged = 0x1E000101;
constexpr uint64_t kEventFileSubClientContent = 0x1E000104;
constexpr uint64_t kEventNextFull = 0x1E000102;
constexpr uint64_t kEventNextDiff = 0x1E000107;

const char* levelName(int32_t level) {
    switch (level) {
    case KelBkpLevelDifferential: return "Differential";
    case KelBkpLevelLog:
    case KelBkpLevelLogNoTruncate: return "Transaction Log";
    default: return nullptr;
    }
}

void logRule(KelSQLMessageLog& log, size_t rule, const char* database) {
    switch (rule) {
    case 0: log.debug(kFn, "Detected first seltra backup for database [%s]", database); break;
    case 1:
        log.debug(kFn, "The Backup of %s is being converted to a Full Database Backup because this is a system database!",
                  database);
        break;
    case 2: log.debug(kFn, "Detected that storage policy for database [%s] was changed.", database); break;
    case 3: log.debug(kFn, "Detected that content changed flag for database [%s] is ON.", database); break;
    case 4: log.debug(kFn, "Detected that content changed flag for ffg for [%s] is ON.", database); break;
    default: log.debug(kFn, "Detected that NEXT FULL flag for database [%s] is ON.", database); break;
    }
}

}  // namespace

KelNetSQLBackupConversionRules::KelNetSQLBackupConversionRules(KelSQLClassProperties& ctx, bool)
    : KelNetSQLMessage(ctx, false) {}

KelNetSQLBackupConversionRules::KelNetSQLBackupConversionRules(KelSQLClassProperties& ctx,
                                                               unsigned long long messageId, char* request)
    : KelNetSQLMessage(ctx, messageId, request) {}

void KelNetSQLBackupConversionRules::printRequestMessage(char*) {
    if (sqlLogLevel(4)) dumpInnerHeader("KelNetSQLBackupConversionRules::printRequestMessage", kRequestName);
}

void KelNetSQLBackupConversionRules::copyFromNetwork(const KelNetSQLBkpConversionRsp_t& rsp) {
    converted_ = rsp.bkupTypeConverted != 0;
    level_ = static_cast<int32_t>(static_cast<uint32_t>(rsp.bkupLevel));
    eventId_ = rsp.eventId;
}

bool KelNetSQLBackupConversionRules::decodeRequestTexts(std::string& clientName, std::string& serverName,
                                                        std::string& databaseName) {
    std::vector<std::string> texts(3);
    if (!kelsql::payload::decodeTexts(getReceivedPayload(), texts, kMaxNameLength)) return false;
    clientName = texts[0];
    serverName = texts[1];
    databaseName = texts[2];
    return true;
}

bool KelNetSQLBackupConversionRules::answer(Request&, Response&) {
    return fail(kelsql::kErrAgentSideOnly, "KelNetSQLBackupConversionRules::buildreply");
}

// A fired rule (or the agent's conversion): the event when conversion is
// allowed, else the refusal with instance and database name.
void KelNetSQLBackupConversionRules::outcome(KelSQLAppInfo& app, const char* name, uint64_t eventId,
                                             uint64_t refusal, uint32_t jobId) {
    if (allowed_) {
        KelEvent event;
        event << name << app.databaseName();
        event.InfoEvent(static_cast<uint32_t>(eventId), jobId, 0);
        return;
    }
    KelLastError& err = getLastError();
    err.setNumber(refusal);
    err.addArgument(app.serverName());
    err.addArgument(app.databaseName());
}

bool KelNetSQLBackupConversionRules::checkConversionRules(uint32_t tesselId, uint32_t appId, int32_t level,
                                                          uint32_t jobId) {
    KelSQLClassProperties& ctx = context();
    KelSQLMessageLog& log = ctx.log();
    if (!ctx.isServerOperations()) {
        log.debug(kFn, "We are not running on the Ostrel!!");
        return fail(kelsql::kErrOstrelSideOnly, kFn);
    }
    KelSQLAppInfo app(ctx, false, kelsql::kAppInfoV3);
    auto lookup = [&]() {
        if (app.query(tesselId, appId)) return true;
        getLastError() = app.getLastError();
        log.debug(kFn, "Failed to lookup appInfo for appId [%ld] on tessel [%ld]", static_cast<long>(appId),
                  static_cast<long>(tesselId));
        return false;
    };
    if (!lookup()) return false;
    log.debug3(kFn, "checkConversionRules being done for jobId [%ld] conatining datbase [%s..%s]",
               static_cast<long>(jobId), app.serverName().c_str(), app.databaseName().c_str());
    {
        KelSQLDatabase database(ctx, false);
        if (!database.CompareAndUpdate(app.clientName(), app.serverName(), app.instanceID(), app.sqlDatabaseId())) {
            if (level != KelBkpLevelLogNoTruncate) {
                getLastError() = database.getLastError();
                return false;
            }
            log.debug(kFn,
                      "Compare and update failed for database [%s..%s]. Continuing because backup type INCR_NOTRUNC",
                      app.serverName().c_str(), app.databaseName().c_str());
        }
    }
    // The refresh may have changed the flags.
    if (!lookup()) return false;

    level_ = level;
    allowed_ = true;
    converted_ = false;
    if (level == KelBkpLevelFull) return true;
    const char* name = levelName(level);
    if (!name) {
        log.debug(kFn, "Invalid backup type [%d]", level);
        // Sound behaviour: the caller must not read this failure as number 0.
        getLastError().setNumber(kelsql::kErrInvalidArgument);
        getLastError().addArgument(static_cast<long long>(level));
        return false;
    }
    const bool fileSubClient = app.isBackupTypeFileSubClient();
    allowed_ = fileSubClient ? app.allowConversionOfFFG() : app.isNextFullAllowed();
    if (!allowed_) log.debug3(kFn, "Auto Convert of backups turned OFF for database [%s]", app.databaseName().c_str());

    const bool fires[] = {
        app.lastBackupSetId() == 0,
        app.isSystemDatabase(),
        app.dataSPChanged() && level == KelBkpLevelDifferential,
        app.contentChanged() && !fileSubClient,
        fileSubClient && app.isFFGBkpFullRequired(),
        app.isNextFullOn(),
    };
    const uint64_t events[] = {kEventFirstBackup,   kEventSystemDatabase,       kEventStoragePolicy,
                               kEventContentChanged, kEventFileSubClientContent, kEventNextFull};
    for (size_t rule = 0; rule < sizeof fires / sizeof fires[0]; ++rule) {
        if (!fires[rule]) continue;
        logRule(log, rule, app.databaseName().c_str());
        converted_ = true;
        level_ = KelBkpLevelFull;
        if (events[rule] == kEventContentChanged && !app.canConvertDbForNewFiles()) allowed_ = false;
        outcome(app, name, events[rule],
                level == KelBkpLevelDifferential ? kelsql::kErrLevelConverted2 : kelsql::kErrLevelConverted, jobId);
        return true;
    }
    return askAgent(app, level, name, jobId);
}

bool KelNetSQLBackupConversionRules::askAgent(KelSQLAppInfo& app, int32_t level, const char* name, uint32_t jobId) {
    KelSQLClassProperties& ctx = context();
    KelSQLMessageLog& log = ctx.log();
    KelLastError& err = getLastError();
    std::string host;
    if (!getSqlClientHostnameGivenClientId(err, app.tesselId(), app.clientID(), host)) {
        log.debug(kFn, "Failed to get HostName for clientID [%ld] on tessel [%ld]", static_cast<long>(app.clientID()),
                  static_cast<long>(app.tesselId()));
        return false;
    }
    ctx.setRemoteSqlHostName(host);
    if (!setRemoteDataAgent(host)) return false;
    if (ctx.getSQLUserAndPassword().sqlUser().empty() &&
        !lookupSqlUserInformation(err, ctx, app.instanceID(), 0, 0, 0)) {
        log.debug(kFn, "Failed to get userName and pwd for instanceID [%ld]", static_cast<long>(app.instanceID()));
        return false;
    }
    log.debug3(kFn, "Set Remote Security...Starting");
    KelNetSQLSecurity* security = ctx.getRemoteSecurity();
    if (!security || !security->update(app.instanceID(), std::string())) {
        if (security) err = security->getLastError();
        else err.setNumber(kelsql::kErrNoContext);
        log.debug(kFn, "Failed to set remote security for instanceID [%ld]", static_cast<long>(app.instanceID()));
        return false;
    }
    log.debug3(kFn, "Set Remote Security...Finished");

    Request* req = requestMessage(false);
    if (!req) return false;
    req->clientName = req->serverName = req->databaseName = 0;
    req->bkupLevel = level;
    req->lastBackupSetId = app.lastBackupSetId();
    req->lastBackupSetTime = app.lastBackupSetTime();
    const std::vector<char> texts =
        kelsql::payload::encodeTexts({app.clientName(), app.serverName(), app.databaseName()});
    setSendPayload(texts.data(), texts.size());
    const bool sent = initiate();
    setSendPayload(nullptr, 0);
    if (!sent) {
        log.debug(kFn, "Could not connect to sqlDrover [%s]", app.clientName().c_str());
        return false;
    }
    Response* rsp = responseMessage(false);
    if (!rsp || !operationStatus(rsp->status, err)) {
        log.debug(kFn, "FAILED to validate conversion rules. Check keld.log on [%s] for more details.",
                  app.clientName().c_str());
        return false;
    }
    copyFromNetwork(*rsp);
    if (converted_) {
        outcome(app, name, eventId_,
                level == KelBkpLevelDifferential ? kelsql::kErrLevelConverted2 : kelsql::kErrAgentLevelConverted,
                jobId);
        return true;
    }
    if (level == KelBkpLevelDifferential) return true;
    if (app.nextDiffBackup()) {
        log.debug(kFn, "The Log Backup of %s is being converted to a Differential Backup because next Diff is set to ON!",
                  app.databaseName().c_str());
        converted_ = true;
        level_ = KelBkpLevelDifferential;
        outcome(app, name, kEventNextDiff, kelsql::kErrAgentLevelConverted, jobId);
    }
    return true;
}
