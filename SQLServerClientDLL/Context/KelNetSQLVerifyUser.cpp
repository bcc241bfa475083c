#include "KelSQL/KelNetSQLVerifyUser.h"

#include "Db/Tbl/sqlDatabase.h"
#include "Db/Tbl/sqlFile.h"
#include "Db/Tbl/sqlFileGroup.h"
#include "Db/Tbl/sqlServer.h"
#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLUserAndPassword.h"
#include "platform/util/BoundedCopy.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLVerifyUser, kelsql::AnswerSide::Agent> registered;

}  // namespace

bool KelNetSQLVerifyUser::networkVerify(const std::string& host) {
    return addressDataAgent(host, "KelNetSQLVerifyUser::networkVerify(host)") && exchange(getLastError());
}

bool KelNetSQLVerifyUser::answer(KelNetSQLVerifyUserReq_t& req, KelNetSQLVerifyUserRsp_t&) {
    static const char* const kFunction = "KelNetSQLVerifyUser::buildReply()";
    KelSQLClassProperties& ctx = context();
    if (!ctx.isClientOperations()) return refuse(kFunction, 0);
    std::string user, password;
    std::string credential = kel::fieldText(req.Credential);
    if (!credential.empty() && !decryptNetworkSQLPassword(credential, user, password))
        return kelsql::cipherFailed(getLastError(), kelsql::kErrDecrypt, kFunction);
    KelSQLUserAndPassword login(user, password, true);
    if (login.verify(ctx, kel::fieldText(req.SqlServerName), nullptr)) return true;
    getLastError() = login.getLastError();
    return false;
}

unsigned long sqlVerifySQLUser(const char* sqlServerName, const char* user, const char* password,
                               const char* virtualMachine, int clustered) {
    std::string focus = virtualMachine && *virtualMachine ? virtualMachine : "";
    KelSQLClassProperties ctx(focus, KelSQLClientSide);
    KelSQLUserAndPassword login(user ? user : "", password ? password : "", false);
    if (clustered != 0) login.setClustered();
    if (login.verify(ctx, sqlServerName ? sqlServerName : "", nullptr)) return 0;
    KelLastError& err = login.getLastError();
    // A failure must never read as number 0.
    if (err.number() == 0) err.setNumber(kelsql::kErrNotSupported);
    sqlInstallLastError(KelSQL_InstallErrorSave, err);
    return static_cast<unsigned long>(err.number());
}

namespace {

// Reads the one row of a record object by its id; 0x1E000033 with the
// record's description and the database's text when there is none.
template <class Record>
bool readRow(KelLastError& err, Record& row, const char* idColumn, unsigned long id) {
    row.setWhere("%s = %d", idColumn, static_cast<int>(id));
    int rc = row.getOneRow(&row, false, -1, 0);
    if (rc == 0) return true;
    err.setNumber(kelsql::kErrRowOperation);
    err.addArgument(row.getpDescribe());
    err.addArgument(row.getErrorStr(rc));
    return false;
}

}  // namespace

bool lookupSqlUserInformation(KelLastError& err, KelSQLClassProperties& cp, unsigned long sqlServerId,
                              unsigned long sqlDatabaseId, unsigned long sqlFileGroupId, unsigned long sqlFileId) {
    if (sqlServerId == 0 && sqlDatabaseId == 0 && sqlFileGroupId == 0 && sqlFileId == 0) {
        err.setNumber(kelsql::kErrValueNotSet);
        err.addArgument("sqlServerId, sqlDatabaseId, sqlFileGroupId, or sqlFileId");
        err.addArgument("lookupSqlUserInformation(error, cp, sqlServerId, sqlDatabaseId, sqlFileGroup)");
        return false;
    }
    DBtran* tran = cp.isTransactionStarted() ? cp.getDBTransaction() : nullptr;
    // Walk up from the smallest thing given; an id given nearer the instance wins.
    if (sqlServerId == 0 && sqlDatabaseId == 0 && sqlFileGroupId == 0) {
        SqlFile file(tran);
        if (!readRow(err, file, "id", sqlFileId)) return false;
        sqlFileGroupId = static_cast<uint32_t>(file.getDataPtr()->sqlFileGroupId);
    }
    if (sqlServerId == 0 && sqlDatabaseId == 0 && sqlFileGroupId != 0) {
        SqlFileGroup group(tran);
        if (!readRow(err, group, "id", sqlFileGroupId)) return false;
        sqlDatabaseId = static_cast<uint32_t>(group.getDataPtr()->sqlDatabaseId);
    }
    if (sqlServerId == 0 && sqlDatabaseId != 0) {
        SqlDatabase database(tran);
        if (!readRow(err, database, "backupSetId", sqlDatabaseId)) return false;
        sqlServerId = static_cast<uint32_t>(database.getDataPtr()->sqlServerId);
    }
    if (sqlServerId == 0) return true;
    SqlServer server(tran);
    if (!readRow(err, server, "instanceId", sqlServerId)) return false;
    // The instance's SQL login, as the instance record keeps it.
    std::string password;
    if (!decryptSQLPassword(kel::fieldText(server.getDataPtr()->saPassword), password))
        return kelsql::cipherFailed(err, kelsql::kErrDecrypt,
                                    "lookupSqlUserInformation(error, cp, sqlServerId, sqlDatabaseId, sqlFileGroup)");
    KelSQLUserAndPassword& login = cp.getSQLUserAndPassword();
    login.setSqlUser(kel::fieldText(server.getDataPtr()->sa));
    login.setSqlPassword(password);
    return true;
}
