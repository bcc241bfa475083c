// Logins and accounts between the Ostrel and agent hosts over real
// dispatchers: the Ostrel loads the login of the instance that owns a file, a
// file group or a database; an agent looks up its instance's login and hands
// the Ostrel one; the Ostrel pushes one to an agent host, each answering side
// keeping it in the session's context; the messages a context owns; and the
// credential checks, answered with failure on this platform (never number 0).
#include <memory>

#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelNetSQLNTSecurity.h"
#include "KelSQL/KelNetSQLSecurity.h"
#include "KelSQL/KelNetSQLVerifyUser.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLServer.h"
#include "platform/info/KelPI_DataBase.h"
#include "support/TesselFixture.h"

namespace {

using kel::test::refused;

class LoginLookupTest : public kel::test::TesselDispatcherTest {
protected:
    void SetUp() override {
        TesselDispatcherTest::SetUp();
        ctx_ = std::make_unique<KelSQLClassProperties>(kMachine, KelSQLServerSide);
        server_ = loginRow("ALPHA\\SQL1", "owner", "it's me");
        other_ = loginRow("ALPHA\\SQL2", "other", "not me");
        const std::string t = std::to_string(tessel_) + ", ", s = std::to_string(server_);
        ASSERT_TRUE(kel::test::sql("INSERT INTO APP_BackupSetName(id, tesselId, instanceId, name) VALUES (41, " + t + s + ", 'db');"
                        "INSERT INTO sqlDatabase(backupSetId, tesselId, sqlServerId, databaseName) VALUES (41, " + t + s +
                        ", 'sales'); INSERT INTO sqlFileGroup(id, tesselId, sqlDatabaseId, fileGroupName) VALUES (52, " + t +
                        "41, 'PRIMARY'); INSERT INTO sqlFile(id, tesselId, sqlFileGroupId, logicalName) VALUES (63, " + t +
                        "52, 'sales_data')"));
    }

    bool lookup(unsigned long server, unsigned long database, unsigned long group, unsigned long file) {
        err_ = KelLastError();
        ctx_->getSQLUserAndPassword() = KelSQLUserAndPassword("kept", "kept", false);
        return lookupSqlUserInformation(err_, *ctx_, server, database, group, file);
    }
    const KelSQLUserAndPassword& login() { return ctx_->getSQLUserAndPassword(); }

    unsigned long server_ = 0, other_ = 0;
    std::unique_ptr<KelSQLClassProperties> ctx_;
    KelLastError err_;
};

class OwnedMessagesTest : public kel::test::TesselDispatcherTest {
protected:
    // The context's messages marked (when mark is set, so that a rebuilt one shows).
    static int marks(KelSQLClassProperties& ctx, bool mark = false) {
        int n = 0;
        for (uint32_t* code : {&ctx.getNetworkDBTransaction()->requestMessage(false)->TransactionCode,
                               &ctx.getRemoteSecurity()->requestMessage(false)->OpCode, &ctx.getNTSecurity()->requestMessage(false)->OpCode})
            n += mark ? (*code = 9) == 9 : *code == 9;
        return n;
    }
};
using SecurityMessageTest = kel::test::TesselDispatcherTest;
using VerifyTest = kel::test::TesselDispatcherTest;

}  // namespace

TEST_F(LoginLookupTest, WalksUpToTheNearestIdGivenAndChangesNothingWhenItCannot) {
    const KelSQLUserAndPassword owner("owner", "it's me", false), other("other", "not me", false);
    const struct {
        unsigned long server, database, group, file;
        const KelSQLUserAndPassword& login;
    } cases[] = {
        {0, 0, 0, 63, owner}, {0, 0, 52, 0, owner}, {0, 41, 0, 0, owner},
        // The file belongs to the first instance, but the instance id is given.
        {other_, 0, 0, 63, other},
        // A database id given with an unknown file: the file is never read.
        {0, 41, 0, 999, owner},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        ASSERT_TRUE(lookup(c.server, c.database, c.group, c.file)) << err_.formatLastErrorMessage();
        EXPECT_EQ(login(), c.login);
    }

    // Missing rows and unreadable passwords change nothing, read inside the context's transaction.
    EXPECT_TRUE(refused(lookup(0, 0, 0, 0), err_, kelsql::kErrValueNotSet,
                        "sqlServerId, sqlDatabaseId, sqlFileGroupId, or sqlFileId"));
    EXPECT_TRUE(refused(lookup(0, 0, 0, 999), err_, kelsql::kErrRowOperation, "Table SqlFile") && err_.argumentCount() == 2);
    EXPECT_TRUE(refused(lookup(0, 0, 998, 0), err_, kelsql::kErrRowOperation, "Table SqlFileGroup"));
    EXPECT_TRUE(refused(lookup(0, 997, 0, 0), err_, kelsql::kErrRowOperation, "Table SqlDatabase"));
    // Read inside the context's transaction.
    ASSERT_TRUE(ctx_->startTransaction());
    ASSERT_EQ(sqlite3_exec(ctx_->getDBTransaction()->tranConnection()->db(),
                           ("UPDATE sqlServer SET sa = 'uncommitted', saPassword = 'tampered' WHERE instanceId = " +
                            std::to_string(server_)).c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_TRUE(refused(lookup(server_, 0, 0, 0), err_, kelsql::kErrDecrypt) && login() == KelSQLUserAndPassword("kept", "kept", false));
    ASSERT_TRUE(ctx_->rollBackTransaction() && lookup(0, 0, 0, 63) && login().sqlUser() == "owner") << err_.formatLastErrorMessage();
}

TEST_F(OwnedMessagesTest, RebuiltOnSetFocusGoneWhenFocusFailsAndTakenOverByAssignment) {
    KelSQLClassProperties ctx(kMachine, KelSQLClientSide), unfocused("no-such-machine", KelSQLClientSide);
    ASSERT_TRUE(marks(ctx, true) == 3 && ctx.setFocus(kMachine));
    EXPECT_EQ(marks(ctx), 0);

    EXPECT_TRUE(!ctx.setFocus("no-such-machine") && !ctx.getNetworkDBTransaction() && !ctx.getRemoteSecurity() &&
                !ctx.getNTSecurity() && !unfocused.getNTSecurity());

    // A message's assignment keeps its own context.
    KelSQLClassProperties a(kMachine, KelSQLClientSide), b(kMachine, KelSQLServerSide);
    KelNetSQLNTSecurity na(a, false), nb(b, false);
    std::string form;
    ASSERT_TRUE(encryptNetworkSQLPassword("DOMAIN\\svc", "pw", form) && nb.set(form));
    na = nb;
    EXPECT_TRUE(&na.context() == &a && na.ntUser() == "DOMAIN\\svc");

    // A context's assignment takes its messages over with one owner each.
    KelPI_DataBase db;
    ASSERT_TRUE(db.setFocus(kMachine) && db.setSqlServerODBCDSN("ALPHA\\SALES", "SALES_SQLDrover") &&
                db.setSqlServerVersion("ALPHA\\SALES", "9.00.1399"));
    auto source = std::make_unique<KelSQLClassProperties>(kMachine, KelSQLClientSide);
    setLogin(*source, "sa", "pw");
    ASSERT_TRUE(source->getSQLDSN().setVirtualMachine(kMachine) && source->getSQLDSN().setSqlServerName("alpha\\sales"));
    // Kept by setFocus, copied by assignment, each with its own platform object.
    ASSERT_TRUE(source->setFocus(kMachine) && source->getSQLDSN().dataSourceName() == "SALES_SQLDrover");
    ASSERT_TRUE(source->getNetworkDBTransaction()->startTransaction() &&
                source->getRemoteSecurity()->update("alpha", "ALPHA\\SQL1"));
    marks(*source, true);

    KelSQLClassProperties copy(kMachine, KelSQLClientSide);
    // Its own session and messages, given up by the assignment.
    ASSERT_TRUE(copy.getNetworkDBTransaction()->getTransactionStatus(nullptr));
    copy = *source;
    EXPECT_TRUE(marks(copy) == 3 && &copy.getRemoteSecurity()->context() == &copy && copy.getRemoteSecurity() != source->getRemoteSecurity() &&
                copy.getNetworkDBTransaction()->isTransactionStarted());
    KelSQLClassProperties& self = copy;
    copy = self;
    EXPECT_TRUE(copy.getSQLUserAndPassword() == source->getSQLUserAndPassword() &&
                copy.getSQLDSN().dataSourceName() == "SALES_SQLDrover");

    // The source goes first; the copy still works on the shared session,
    // inside the transaction the source started.
    source.reset();
    EXPECT_TRUE(copy.getSQLDSN().setSqlServerName("ALPHA\\SALES") && holdsLogin(copy, "sa", "pw"));
    KelNetSQLDBTransState state = 0;
    ASSERT_TRUE(copy.getNetworkDBTransaction()->getTransactionStatus(&state) && state == KelSQLTranStarted &&
                copy.getNetworkDBTransaction()->rollbackTransaction());
}

TEST_F(SecurityMessageTest, LoginsTravelAndStayInTheAnsweringSessionContext) {
    loginRow("ALPHA\\SQL1", "backup", "pa'ss word");
    KelPI_DataBase database;
    ASSERT_TRUE(database.setFocus(kMachine) && database.setSqlServerODBCDSN("ALPHA\\SQL1", "SQL1_SQLDrover") &&
                database.setSqlServerVersion("ALPHA\\SQL1", "9.00.1399"));

    KelSQLClassProperties agent(kMachine, KelSQLClientSide);
    KelNetSQLSecurity* security = agent.getRemoteSecurity();
    ASSERT_TRUE(security->lookup("alpha", "alpha\\sql1", "")) << security->getLastError().formatLastErrorMessage();
    EXPECT_EQ(agent.getSQLUserAndPassword(), KelSQLUserAndPassword("backup", "pa'ss word", false));
    // The answer names the instance as the catalogue spells it, and the
    // context's data source follows it.
    EXPECT_EQ(kel::fieldText(security->responseMessage(false)->SqlServerName) + " " + agent.getSQLDSN().dataSourceName(),
              "ALPHA\\SQL1 SQL1_SQLDrover");

    // An unknown instance leaves the login alone.
    EXPECT_NE(kel::test::failure(security->lookup("alpha", "ALPHA\\NONE", "master"), security->getLastError()), 0u);
    EXPECT_EQ(agent.getSQLUserAndPassword(), KelSQLUserAndPassword("backup", "pa'ss word", false));

    // The agent's login stays in the Ostrel's session context.
    // Refused before sending, or by the Ostrel when meant for an agent.
    KelSQLClassProperties sender(kMachine, KelSQLClientSide);
    KelNetSQLSecurity* sending = sender.getRemoteSecurity();
    // The Ostrel refuses a login meant for an agent.
    setLogin(sender, "sa", "pw");
    EXPECT_TRUE(refused(sending->insert(), sending->getLastError(), kelsql::kErrRequestRefused) && !holdsLogin(sender, "sa", "pw"));
    // A login the credential form cannot hold is refused before sending, with
    // a number and text that say what is wrong with it.
    const struct {
        std::string user, password;
        uint64_t number;
        const char* text;
    } forms[] = {
        {"", "pw", kelsql::kErrCredentialUserLength, "empty or longer than 99"},
        {std::string(100, 'u'), "pw", kelsql::kErrCredentialUserLength, "empty or longer than 99"},
        {std::string("s\0a", 3), "pw", kelsql::kErrCredentialCharacter, "NUL character"},
        {"sa", std::string("p\0w", 3), kelsql::kErrCredentialCharacter, "NUL character"},
        {std::string(99, 'u'), std::string(411, 'p'), kelsql::kErrCredentialLength, "together are longer than 509"},
    };
    for (const auto& f : forms) {
        SCOPED_TRACE(f.user.size());
        setLogin(sender, f.user, f.password);
        EXPECT_TRUE(refused(sending->update("alpha", "ALPHA\\SQL1"), sending->getLastError(), f.number));
        EXPECT_TRUE(refused(sending->insert(), sending->getLastError(), f.number) &&
                    sending->getLastError().formatLastErrorMessage().find(f.text) != std::string::npos);
    }

    // The longest user name that travels; the Ostrel answers with success
    // only once it has read the form.
    setLogin(sender, std::string(99, 'u'), "pw");
    ASSERT_TRUE(sending->update("alpha", "ALPHA\\SQL1")) << sending->getLastError().formatLastErrorMessage();
    setLogin(sender, "sa", "new'secret");
    ASSERT_TRUE(sending->update("alpha", "ALPHA\\SQL1")) << sending->getLastError().formatLastErrorMessage();
    EXPECT_TRUE(sending->requestMessage(false)->OpCode == KelNetSQLSecurityUpdateOstrel && holdsLogin(sender, "sa", "new'secret"));
    // Another session's answering context was sent nothing.
    KelSQLClassProperties other(kMachine, KelSQLClientSide);
    EXPECT_FALSE(holdsLogin(other, "sa", "new'secret"));

    // A received form is read only within its field.
    KelNetSQLSecurityReq_t req{};
    req.OpCode = KelNetSQLSecurityUpdateAgent;
    std::memset(req.Credential, 'A', sizeof(req.Credential));  // no NUL anywhere
    KelNetSQLSecurity answering(sender, 1, reinterpret_cast<char*>(&req));
    EXPECT_TRUE(refused(answering.buildReply(), answering.getLastError(), kelsql::kErrDecrypt));
    EXPECT_EQ(answering.responseMessage(false)->Status.Status, 1u);

    // The Ostrel pushes a login to the agent host.
    startAgentHost();
    const unsigned long clu = loginRow("ALPHA\\CLU", "ignored", "ignored", 0x1);
    KelSQLClassProperties ostrel(kMachine, KelSQLServerSide);
    setLogin(ostrel, "pushed", "p@ss");
    KelNetSQLSecurity* pushing = ostrel.getRemoteSecurity();
    ASSERT_TRUE(pushing->update(clu, "alpha")) << pushing->getLastError().formatLastErrorMessage();
    EXPECT_EQ(ostrel.remoteSqlHostName() + " " + kel::fieldText(pushing->requestMessage(false)->AgentSqlServerName),
              std::string(kAgentHost) + " ALPHA\\CLU");
    EXPECT_TRUE(holdsLogin(ostrel, "pushed", "p@ss", kAgentHost));

    // By instance name and client id, on a fresh session.
    KelSQLClassProperties second(kMachine, KelSQLServerSide);
    setLogin(second, "second", "pw2");
    EXPECT_TRUE(second.getRemoteSecurity()->update("ALPHA\\CLU", alpha_) && holdsLogin(second, "second", "pw2", kAgentHost));

    // The agent host refuses a lookup and a login meant for the Ostrel.
    KelSQLClassProperties third(kMachine, KelSQLServerSide);
    KelNetSQLSecurity m(third, false);
    ASSERT_TRUE(m.setRemoteDataAgent(kAgentHost));
    for (uint32_t code : {uint32_t{KelNetSQLSecurityLookup}, uint32_t{KelNetSQLSecurityUpdateOstrel}}) {
        KelNetSQLSecurityReq_t* req = m.requestMessage(true);
        req->OpCode = code;
        ASSERT_TRUE(kelsql::fillCredentialField(req->Credential, "sa", "pw"));
        EXPECT_TRUE(refused(m.networkQuery(), m.getLastError(), kelsql::kErrRequestRefused)) << code;
    }
    EXPECT_FALSE(holdsLogin(third, "sa", "pw", kAgentHost));
}

TEST_F(VerifyTest, ChecksAreAnsweredWithFailureAndNeverReadAsSuccess) {
    KelSQLClassProperties ostrel(kMachine, KelSQLServerSide);
    KelNetSQLVerifyUser m(ostrel, false);
    KelNetSQLVerifyUserReq_t* req = m.requestMessage(true);
    KelSQLClassProperties installer(kMachine, KelSQLClientSide);
    EXPECT_TRUE(kel::copyField(req->SqlServerName, "ALPHA\\SQL1"));
    // The Ostrel's dispatcher answers on an Ostrel-side context: refused.
    EXPECT_TRUE(refused(m.networkVerify(kOstrel), m.getLastError(), kelsql::kErrRequestRefused));

    startAgentHost();
    const unsigned long id = loginRow("ALPHA\\SQL1", "sa", "pw");
    ASSERT_TRUE(kelsql::fillCredentialField(req->Credential, "sa", "pw"));
    EXPECT_TRUE(refused(m.networkVerify(kAgentHost), m.getLastError(), kelsql::kErrNotSupported) &&
                m.responseMessage(false)->Status.Status == 1);
    // An unreadable credential is refused before any check.
    EXPECT_TRUE(kel::copyField(req->Credential, "not a sealed form"));
    EXPECT_TRUE(refused(m.networkVerify(kAgentHost), m.getLastError(), kelsql::kErrDecrypt));

    // The NT check reaches the agent host after its own argument checks.
    KelNetSQLNTSecurity* nt = ostrel.getNTSecurity();
    const KelLastError& err = nt->getLastError();
    EXPECT_TRUE(refused(nt->verify("alpha", "ALPHA\\SQL1", "DOMAIN\\svc", "pw"), err, kelsql::kErrNotSupported) &&
                ostrel.remoteSqlHostName() + " " + nt->getRemoteHostName() == std::string(kAgentHost) + " " + kAgentHost);
    EXPECT_TRUE(refused(nt->verify(tessel_, alpha_, "ALPHA\\SQL1", "DOMAIN\\svc", "pw", "", ""), err, kelsql::kErrNotSupported));
    // Whatever SQL user the caller names, the request carries none.
    std::string user, password;
    EXPECT_TRUE(decryptNetworkSQLPassword(kel::fieldText(nt->requestMessage(false)->SqlCredential), user, password) &&
                user + ":" + password == "NotApplicable:pw");
    // A host the messaging cannot address: refused, never sent elsewhere.
    unsigned long gamma = 0;
    ASSERT_EQ(0, admin_.createClient(tessel_, "gamma", std::string(256, 'h'), gamma));
    EXPECT_TRUE(refused(nt->verify("gamma", "GAMMA\\SQL1", "svc", "pw"), err, kelsql::kErrAgentAddress));

    // The installer's checks and account update never read as success.
    EXPECT_TRUE(sqlVerifySQLUser("ALPHA\\SQL1", "sa", "pw", nullptr, 1) == kelsql::kErrNotSupported &&
                sqlVerifyNTSQLUser("ALPHA\\SQL1", "svc", "pw", kMachine, "sa", "pw") == kelsql::kErrNotSupported);
    EXPECT_TRUE(sqlUpdateNTAccount(nullptr, "svc", "pw", kMachine) == kelsql::kErrInvalidArgument &&
                sqlUpdateNTAccount("ALPHA\\SQL1", "", "pw", kMachine) == kelsql::kErrInvalidArgument &&
                sqlUpdateNTAccount("ALPHA\\SQL1", "svc", nullptr, kMachine) == kelsql::kErrInvalidArgument);
    // The update itself is not offered: the transaction it opened is rolled back. A caller's context must
    // bring a started network transaction.
    EXPECT_TRUE(sqlUpdateNTAccount("ALPHA\\SQL1", "svc", "pw", kMachine) == kelsql::kErrNotSupported &&
                sqlUpdateNTAccountProperty(&installer, "ALPHA\\SQL1", "svc", "pw", kMachine) == kelsql::kErrTranRequired);
    KelNetSQLDBTransState state = 0;
    ASSERT_TRUE(installer.getNetworkDBTransaction()->startTransaction());
    EXPECT_TRUE(sqlUpdateNTAccountProperty(&installer, "ALPHA\\SQL1", "svc", "pw", kMachine) == kelsql::kErrNotSupported &&
                installer.getNetworkDBTransaction()->getTransactionStatus(&state) && state == KelSQLTranRolledBack);

    // The Ostrel stores an account an agent sends.
    KelSQLClassProperties sender(kMachine, KelSQLClientSide);
    KelNetSQLDBTransaction* net = sender.getNetworkDBTransaction();
    KelNetSQLNTSecurity* account = sender.getNTSecurity();
    // The lookup of an instance without an account keeps the previous one.
    std::string old;
    ASSERT_TRUE(net->startTransaction() && encryptNetworkSQLPassword("DOMAIN\\old", "oldpw", old) && account->set(old));
    ASSERT_TRUE(account->lookup("alpha", "ALPHA\\SQL1") && account->ntUser() + ":" + account->ntPassword() == "DOMAIN\\old:oldpw");
    KelNetSQLNTSecurityReq_t* update = account->requestMessage(true);
    update->OpCode = KelNetSQLNTSecurityUpdate;
    EXPECT_TRUE(kel::copyField(update->ClientName, "alpha"));
    EXPECT_TRUE(kel::copyField(update->SqlServerName, "ALPHA\\SQL1"));
    ASSERT_TRUE(kelsql::fillCredentialField(update->NTCredential, "DOMAIN\\svc", "svc'pw"));
    ASSERT_TRUE(account->networkQuery() && net->commitTransaction()) << account->getLastError().formatLastErrorMessage();

    KelSQLClassProperties keeper(kMachine, KelSQLServerSide);
    KelSQLServer stored(keeper, false);
    ASSERT_TRUE(stored.query(id)) << stored.getLastError().formatLastErrorMessage();
    EXPECT_EQ(stored.ntUser() + ":" + stored.ntUserPassword() + ":" + stored.sa(), "DOMAIN\\svc:svc'pw:sa");
    ASSERT_TRUE(account->lookup("alpha", "ALPHA\\SQL1") && account->ntUser() + ":" + account->ntPassword() == "DOMAIN\\svc:svc'pw");

    // An unknown instance is the instance lookup's error.
    // An unknown instance is the instance lookup's error.
    EXPECT_TRUE(kel::copyField(account->requestMessage(false)->SqlServerName, "ALPHA\\NONE"));
    ASSERT_TRUE(net->startTransaction());
    EXPECT_NE(kel::test::failure(account->networkQuery(), account->getLastError()), 0u);
    ASSERT_TRUE(net->rollbackTransaction());

    // Checked with the agent host first, which cannot: the account is not stored.
    ASSERT_TRUE(keeper.startTransaction() && stored.query(id));
    EXPECT_TRUE(refused(stored.setNTUser("alpha", "DOMAIN\\other", "pw", true), stored.getLastError(), kelsql::kErrNotSupported));
    ASSERT_TRUE(keeper.commitTransaction());
    EXPECT_EQ(kel::test::text("SELECT sqlNTAccount FROM sqlServer"), "DOMAIN\\svc");
}

