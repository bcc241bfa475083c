// The instance record, with alpha's SQL Server 2005 instance "ALPHA\SQL1" in
// the application manager: on the Ostrel's own catalogue (registration by the
// answering insert, reads, updates, the comparison and the Tessel list); over
// a real Ostrel dispatcher as an agent registers and reads it back; its copies
// to and from the wire; and its undo file path, measured by an agent host.
#include <filesystem>
#include <memory>
#include <sys/statvfs.h>

#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelNetSQLSecurity.h"
#include "KelSQL/KelNetSQLVerifyUndoPath.h"
#include "KelSQL/KelSQLServer.h"
#include "periphery/AgentHostFixture.h"
#include "support/TesselFixture.h"

namespace {

template <class Base>
class InstanceOn : public Base {
protected:
    static constexpr const char* kClient = "alpha";
    static constexpr const char* kInstance = "ALPHA\\SQL1";

    void SetUp() override {
        Base::SetUp();
        instance_ = this->instance(this->alpha_, 70, kInstance);
    }
    // Catalogue rows of instances and of versions, "servers|versions".
    static std::string counts() {
        return kel::test::text("SELECT (SELECT count(*) FROM sqlServer) || '|' || (SELECT count(*) FROM sqlVersion)");
    }

    unsigned long instance_ = 0;
};

using InstanceTest = InstanceOn<kel::test::TesselTest>;
using InstanceDispatcherTest = InstanceOn<kel::test::TesselDispatcherTest>;
using kel::test::refused;
using kel::test::scalar;

// Free bytes of the file system at path as the system reports them now.
uint64_t systemFreeBytes(const std::string& path) {
    struct statvfs fs {};
    return statvfs(path.c_str(), &fs) == 0 ? uint64_t(fs.f_bavail) * uint64_t(fs.f_frsize) : 0;
}

// Others write to the same file system meanwhile: allow some drift.
bool near(uint64_t a, uint64_t b) { return (a > b ? a - b : b - a) <= (256ull << 20); }

// A real directory below base whose whole path is exactly length characters.
std::string folderOfLength(std::string path, size_t length) {
    while (length - path.size() > 250) path += "/" + std::string(150, 'd');
    path += "/" + std::string(length - path.size() - 1, 'd');
    std::filesystem::create_directories(path);
    return path;
}

using RemoteUndoPathTest = kel::test::AgentHostTest;

class InstanceCatalogueTest : public InstanceTest {
protected:
    // Columns of the instance's row, joined by '|'.
    std::string row(std::string columns) {
        for (size_t i; (i = columns.find(", ")) != std::string::npos;) columns.replace(i, 2, "||'|'||");
        return kel::test::text("SELECT " + columns + " FROM sqlServer WHERE instanceId = " + std::to_string(instance_));
    }
    // A catalogue row written the way the Ostrel's registration does.
    unsigned long registerLocally(const std::string& name, unsigned long major, unsigned long build,
                                  const std::string& password = "secret") {
        setLogin(*ostrel_, "sa", password);
        KelSQLServer server(*ostrel_, true);
        KelNetSQLServerReq_t req{};
        KelNetSQLServerRsp_t rsp{};
        req.DBCode = KelNetSQLServerInsert;
        EXPECT_TRUE(kel::copyField(req.Server.ClientName, std::string(kClient)));
        EXPECT_TRUE(kel::copyField(req.Server.ServerName, name));
        req.Server.ServerMajor = major;
        req.Server.ServerBuild = build;
        inTransaction([&] { EXPECT_TRUE(server.insert(&req, &rsp)) << server.getLastError().formatLastErrorMessage(); });
        return static_cast<unsigned long>(rsp.Server.SqlServerId);
    }
    template <class Write>
    void inTransaction(Write write) {
        ASSERT_TRUE(ostrel_->startTransaction());
        write();
        ASSERT_TRUE(ostrel_->commitTransaction());
    }
    std::string logins() {
        KelSQLServer read(*ostrel_, false);
        if (!read.query(instance_)) return read.getLastError().formatLastErrorMessage();
        return read.sa() + "|" + read.saPassword() + "|" + read.ntUser() + "|" + read.ntUserPassword();
    }
    void SetUp() override {
        InstanceTest::SetUp();
        ostrel_ = std::make_unique<KelSQLClassProperties>(KelSQLServerSide);
    }
    std::unique_ptr<KelSQLClassProperties> ostrel_;
};

}  // namespace

// Reads that find nothing and an insert refused before it writes; then the
// registration, and again after a logical deletion.
TEST_F(InstanceCatalogueTest, InsertTakesTheInstanceIdAndAddsTheVersionOnce) {
    KelSQLServer missing(*ostrel_, false), server(*ostrel_, true);
    const KelLastError& err = missing.getLastError();
    EXPECT_TRUE(refused(missing.query(kClient, "ALPHA\\OTHER"), err, kelsql::kErrNoSuchInstance));
    // Known to the application manager, not to the catalogue: no row.
    EXPECT_TRUE(refused(missing.query(instance_), err, kelsql::kErrRowOperation));
    EXPECT_EQ(missing.sqlCode(), 100);

    KelNetSQLServerReq_t req{};
    KelNetSQLServerRsp_t rsp{};
    EXPECT_TRUE(kel::copyField(req.Server.ClientName, std::string(kClient)));
    EXPECT_TRUE(kel::copyField(req.Server.ServerName, std::string(kInstance)));
    req.Server.ServerMajor = 9;
    EXPECT_TRUE(refused(missing.insert(&req, &rsp), err, kelsql::kErrNoSide));
    EXPECT_TRUE(refused(server.insert(&req, &rsp), server.getLastError(), kelsql::kErrTranRequired));
    inTransaction([&] { EXPECT_TRUE(refused(server.insert(&req, &rsp), server.getLastError(), kelsql::kErrNoLogin)); });
    EXPECT_EQ(counts(), "0|0");

    EXPECT_EQ(registerLocally(kInstance, 9, 1399), instance_);
    const std::string ids = std::to_string(alpha_) + "|" + std::to_string(tessel_) + "|sa|" +
                            kel::test::text("SELECT id FROM sqlVersion WHERE major = 9 AND minor = 0 AND build = 1399");
    EXPECT_EQ(row("clientId, tesselId, sa, sqlVersionId"), ids);
    EXPECT_NE(row("saPassword"), "secret");  // stored encrypted
    // Logically deleted and removed, then registered again: same row, revived.
    ASSERT_TRUE(kel::test::sql("UPDATE sqlServer SET deleteFlag = 1, removalTime = 5000"));
    EXPECT_EQ(registerLocally(kInstance, 9, 1399), instance_);
    EXPECT_EQ(row("clientId, tesselId, sa, sqlVersionId, deleteFlag, removalTime"), ids + "|0|0");
    EXPECT_EQ(counts(), "1|1");
}

TEST_F(InstanceCatalogueTest, UpdateNeverClearsAndWritesTheVersion) {
    registerLocally(kInstance, 9, 1399);
    ASSERT_TRUE(kel::test::sql("UPDATE sqlServer SET flags = 65536, undoFile = '/undo'"));
    // A record with nothing set but its id and a new version.
    KelSQLServer server(*ostrel_, false), unknown(*ostrel_, false), noId(*ostrel_, false);
    server.setSqlId(instance_);
    server.setSQLVersion(9, 0, 3042, 0);
    inTransaction([&] { ASSERT_TRUE(server.update()) << server.getLastError().formatLastErrorMessage(); });
    EXPECT_EQ(row("flags, undoFile, sa, sqlVersionId"),
              "65536|/undo|sa|" + kel::test::text("SELECT id FROM sqlVersion WHERE build = 3042"));

    // An unknown version has no row to name: stored as NULL, read as 0.0.0.
    unknown.setSqlId(instance_);
    inTransaction([&] { ASSERT_TRUE(unknown.update()) << unknown.getLastError().formatLastErrorMessage(); });
    EXPECT_EQ(row("sqlVersionId"), "<null>");
    EXPECT_TRUE(noId.query(instance_) && noId.getSQLVersion().major() == 0);
    noId.setSqlId(0);
    EXPECT_TRUE(refused(noId.update(), noId.getLastError(), kelsql::kErrInstanceUpdate));
    // The upgrade bit written through its view, the other bits kept.
    server.setFlags(0x1);
    server.sql2000Upgrade()->enable();
    inTransaction([&] { ASSERT_TRUE(server.updateSQL2000UpgradeFlag()); });
    EXPECT_EQ(row("flags"), "65537");
}

TEST_F(InstanceCatalogueTest, LoginsAreKeptApartAndStoredWholeAndCompareAndUpdateRules) {
    registerLocally(kInstance, 9, 1399);
    KelSQLServer server(*ostrel_, false), quoted(*ostrel_, false);
    ASSERT_TRUE(server.query(instance_));
    inTransaction([&] {
        // No agent host answers for this client: the check fails, nothing written.
        EXPECT_NE(kel::test::failure(server.setSA("other", "pw"), server.getLastError()), 0u);
        ASSERT_TRUE(server.setNTUser(kClient, "DOM\\svc", "svcpw", false)) << server.getLastError().formatLastErrorMessage();
    });
    EXPECT_EQ(logins(), "sa|secret|DOM\\svc|svcpw");
    inTransaction([&] { ASSERT_TRUE(server.setSA("other", "pw", false)); });
    EXPECT_EQ(logins(), "other|pw|DOM\\svc|svcpw");

    // Quotes and percent signs through the whole-record update.
    quoted.setSqlId(instance_);
    quoted.setSqlLogin("o'brien", "p%s'%d");
    quoted.setServiceAccount("DOM\\svc%n", "it's");
    inTransaction([&] { EXPECT_TRUE(quoted.update()) << quoted.getLastError().formatLastErrorMessage(); });
    EXPECT_EQ(logins(), "o'brien|p%s'%d|DOM\\svc%n|it's");

    // Unreadable passwords are refused.
    ASSERT_TRUE(kel::test::sql("UPDATE sqlServer SET saPassword = 'bm90IGEgY2lwaGVy'"));
    EXPECT_TRUE(refused(server.query(instance_), server.getLastError(), kelsql::kErrDecrypt));
    ASSERT_TRUE(kel::test::sql("UPDATE sqlServer SET saPassword = '', sqlNTPassword = 'bm90IGEgY2lwaGVy'"));
    EXPECT_TRUE(refused(server.query(instance_), server.getLastError(), kelsql::kErrNTDecrypt));

    // The comparison with a given record.
    ASSERT_TRUE(kel::test::sql("UPDATE sqlServer SET saPassword = '', sqlNTPassword = '', sa = 'sa'"));
    KelSQLServer stored(*ostrel_, false), given(*ostrel_, false);
    const KelLastError& err = stored.getLastError();
    auto compare = [&] { inTransaction([&] { ASSERT_TRUE(stored.compareAndUpdate(given, instance_)) << err.formatLastErrorMessage(); }); };
    given.setSqlServerName("alpha\\sql1");  // same name, other case: refused
    EXPECT_TRUE(refused(stored.compareAndUpdate(given, instance_), err, kelsql::kErrCompareAndUpdate));
    given.setSqlServerName(kInstance);
    // Empty login: sa never changes. A removal time on a present instance is written.
    given.getRemovalTime().setTime(7000L);
    compare();
    EXPECT_EQ(row("removalTime, sa"), "7000|sa");
    // A stored time is never replaced by another one.
    given.getRemovalTime().setTime(9000L);
    compare();
    EXPECT_EQ(row("removalTime"), "7000");

    // All ones: back again, written as 0, and the given record says so too.
    given.getRemovalTime().setTime(static_cast<long>(KelSQLServer::kRemovalTimeCleared));
    given.setSqlLogin("newsa", "newpw");
    ASSERT_TRUE(given.validateUndoPath("/tmp"));
    compare();
    EXPECT_EQ(row("removalTime, undoFile"), "0|/tmp");
    EXPECT_EQ(given.getRemovalTime().time(), 0u);
    EXPECT_EQ(logins(), "newsa|newpw|DOM\\svc%n|");
}

// A password of up to 511 characters is stored sealed and read back whole,
// by the registration and by each login's setter; one more is refused as
// too long, with nothing written.
TEST_F(InstanceCatalogueTest, TheLongestPasswordsAreStoredWholeAndOneMoreIsRefused) {
    const std::string sa = std::string(510, 's') + "'", nt = std::string(510, 'n') + "%";
    EXPECT_EQ(registerLocally(kInstance, 9, 1399, sa), instance_);
    EXPECT_EQ(logins(), "sa|" + sa + "||");
    KelSQLServer server(*ostrel_, false);
    ASSERT_TRUE(server.query(instance_));
    inTransaction([&] {
        ASSERT_TRUE(server.setNTUser(kClient, "DOM\\svc", nt, false)) << server.getLastError().formatLastErrorMessage();
        ASSERT_TRUE(server.setSA("other", sa, false)) << server.getLastError().formatLastErrorMessage();
    });
    const std::string stored = "other|" + sa + "|DOM\\svc|" + nt;
    EXPECT_EQ(logins(), stored);
    inTransaction([&] {
        EXPECT_TRUE(refused(server.setSA("third", sa + "x", false), server.getLastError(), kelsql::kErrValueNotSet,
                            "saPassword"));
        EXPECT_TRUE(refused(server.setNTUser(kClient, "DOM\\other", nt + "x", false), server.getLastError(),
                            kelsql::kErrValueNotSet, "sqlNTPassword"));
    });
    EXPECT_EQ(logins(), stored);
}

TEST_F(InstanceCatalogueTest, TesselListFiltersByTypeAndSkipsDeleted) {
    const unsigned long sql7 = instance(alpha_, 4, "SEVEN"), sql2000 = instance(alpha_, 16, "EIGHT");
    const unsigned long gone = instance(alpha_, 16, "GONE");
    for (auto [name, major] : {std::pair<const char*, int>{kInstance, 9}, {"SEVEN", 7}, {"EIGHT", 8}, {"GONE", 8}})
        registerLocally(name, major, 700);
    ASSERT_TRUE(kel::test::sql("UPDATE sqlServer SET deleteFlag = 1 WHERE instanceId = " + std::to_string(gone)));

    KelSQLServer server(*ostrel_, false);
    auto ids = [&](unsigned long tessel, unsigned long type) {
        std::vector<KelSQL_SqlIdName_t> list{{42, "kept"}};
        EXPECT_TRUE(server.getAllSQLServersWithinTessel(tessel, list, type)) << server.getLastError().formatLastErrorMessage();
        std::vector<unsigned long> out;
        for (const auto& e : list) out.push_back(e.sqlId);
        return out;
    };
    // The list is cleared first when there are rows (in the order registered).
    const std::vector<unsigned long> all{instance_, sql7, sql2000}, from2000{instance_, sql2000};
    EXPECT_EQ(ids(tessel_, 0), all);
    EXPECT_EQ(ids(tessel_, 4), all);
    EXPECT_EQ(ids(tessel_, 16), from2000);
    EXPECT_EQ(ids(tessel_, 70), std::vector<unsigned long>{instance_});
    EXPECT_EQ(ids(tessel_ + 100, 0), std::vector<unsigned long>{42});  // no rows: the list stays as it was
}


TEST_F(InstanceDispatcherTest, AgentRegistersWithALoginInATransactionAndReadsBack) {
    KelSQLClassProperties agent(KelSQLClientSide), ostrel(KelSQLServerSide);
    KelSQLServer server(agent, false), byId(agent, false), byName(agent, false), stored(ostrel, false);
    server.setClientName(kClient);
    server.setSqlServerName(kInstance);
    server.setSQLVersion(9, 0, 1399, 0);
    auto configure = [&] { return server.config("sa", "agent'pw", "", "MSSQL$SQL1"); };
    // Registration needs a transaction, then a login the agent hands the
    // Ostrel for the session.
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    EXPECT_TRUE(refused(configure(), server.getLastError(), kelsql::kErrTranRequired));
    ASSERT_TRUE(t->startTransaction());
    EXPECT_TRUE(refused(configure(), server.getLastError(), kelsql::kErrNoLogin));
    ASSERT_TRUE(t->commitTransaction());
    EXPECT_EQ(counts(), "0|0");
    setLogin(agent, "sa", "agent'pw");
    ASSERT_TRUE(agent.getRemoteSecurity()->update(std::string(kClient), std::string(kInstance)));
    ASSERT_TRUE(t->startTransaction());
    ASSERT_TRUE(configure()) << server.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(t->commitTransaction());
    EXPECT_EQ(server.sqlId(), instance_);
    EXPECT_TRUE(server.getSQLVersion().sqlId() != 0 && scalar("SELECT count(*) FROM sqlVersion WHERE major = 9 AND build = 1399") == 1);

    ASSERT_TRUE(byId.query(instance_)) << byId.getLastError().formatLastErrorMessage();
    EXPECT_EQ(byId.sqlServerName() + "|" + byId.serviceName() + "|" + std::to_string(byId.getSQLVersion().build()) +
                  "|" + std::to_string(byId.sqlAppType().sqlAppType()),
              std::string(kInstance) + "|MSSQL$SQL1|1399|70");
    ASSERT_TRUE(byName.query(kClient, kInstance)) << byName.getLastError().formatLastErrorMessage();
    EXPECT_EQ(byName.sqlId(), instance_);
    // The Ostrel stored the login the agent sent, encrypted, and can read it.
    ASSERT_TRUE(stored.query(instance_));
    EXPECT_EQ(stored.sa() + ":" + stored.saPassword() + ":" + std::to_string(stored.rowClientId()),
              "sa:agent'pw:" + std::to_string(alpha_));

    // The flags word and the delete mark, each in a network transaction.
    byId.setFlags(KelSQLServer::kClusteredFlag);
    ASSERT_TRUE(t->startTransaction());
    ASSERT_TRUE(byId.update()) << byId.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(t->commitTransaction());
    EXPECT_EQ(scalar("SELECT flags FROM sqlServer"), 1);
    for (bool deleted : {true, false}) {
        ASSERT_TRUE(t->startTransaction());
        KelSQLServer mark(agent, false);
        ASSERT_TRUE(mark.logicalDeletion(deleted, instance_)) << mark.getLastError().formatLastErrorMessage();
        EXPECT_EQ(mark.isDeleted(), deleted);
        ASSERT_TRUE(t->commitTransaction());
        EXPECT_EQ(scalar("SELECT deleteFlag FROM sqlServer"), deleted ? 1 : 0);
    }
}


// An agent's login travels in the network form, which holds user name and
// password together up to 509 characters: the longest password it carries
// with "sa" is stored and read back whole; a longer one is refused before
// anything is sent.
TEST_F(InstanceDispatcherTest, TheLongestLoginAnAgentSendsIsStoredWhole) {
    KelSQLClassProperties agent(KelSQLClientSide), ostrel(KelSQLServerSide);
    const std::string longest = std::string(506, 'p') + "'";
    KelSQLServer server(agent, false), stored(ostrel, false);
    server.setClientName(kClient);
    server.setSqlServerName(kInstance);
    server.setSQLVersion(9, 0, 1399, 0);
    setLogin(agent, "sa", longest + "p");
    KelNetSQLSecurity* security = agent.getRemoteSecurity();
    EXPECT_TRUE(refused(security->update(std::string(kClient), std::string(kInstance)), security->getLastError(),
                        kelsql::kErrCredentialLength));
    setLogin(agent, "sa", longest);
    ASSERT_TRUE(security->update(std::string(kClient), std::string(kInstance)))
        << security->getLastError().formatLastErrorMessage();
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    ASSERT_TRUE(t->startTransaction());
    ASSERT_TRUE(server.config("sa", longest, "", "MSSQLServer")) << server.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(t->commitTransaction());
    ASSERT_TRUE(stored.query(instance_)) << stored.getLastError().formatLastErrorMessage();
    EXPECT_EQ(stored.saPassword(), longest);
}

TEST(ValuesTest, AppTypeRefusalsAndBitViews) {
    KelSQLAppType type;
    for (unsigned long code : {0ul, 5ul, 71ul}) {
        EXPECT_TRUE(refused(type.setSqlAppType(code), type.getLastError(), kelsql::kErrValueNotSet, "sqlAppType")) << code;
        EXPECT_EQ(type.sqlAppType(), 0u);
    }
    EXPECT_TRUE(refused(type.setSqlAppTypeByMajorVersion(10), type.getLastError(), kelsql::kErrValueNotSet, "sqlMajor"));
    // A copy carries the failed setter's error with the code.
    KelSQLAppType copy(type);
    EXPECT_EQ(copy.sqlAppType() + copy.getLastError().number(), kelsql::kErrValueNotSet);
    EXPECT_TRUE(type.setSqlAppTypeByMajorVersion(9));
    EXPECT_EQ(type.sqlAppType(), 70u);
    EXPECT_FALSE(type.isSql7AppType() || type.isSql2000AppType());

    // Bit views share the word.
    unsigned long word = 0x4;
    KelSQLBitFlag upgrade(word, 0x10000), several(word, 0x6), none(word, 0);
    EXPECT_TRUE(several.isOn() && !upgrade.isOn());  // any of its bits, read from the word now
    upgrade.enable();
    several.enable();
    none.enable();
    EXPECT_TRUE(word == 0x10006ul && !none.isOn());
    word = 0;
    EXPECT_FALSE(upgrade.isOn());
}

TEST_F(InstanceTest, WireCopiesAreBoundedAndKeepWhatIsUnset) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLServer server(ostrel, false), reader(ostrel, false);
    server.setClientName(std::string(129, 'c'));
    server.setSqlServerName(std::string(128, 's'));
    KelNetSQLServerReq_t req{};
    req.DBCode = 77;
    // A name is whole or refused: cut, it could be another instance's.
    EXPECT_TRUE(refused(server.copyToRequest(&req), server.getLastError(), kelsql::kErrValueNotSet, "clientName"));
    server.setClientName(std::string(128, 'c'));
    EXPECT_TRUE(server.copyToRequest(&req));
    EXPECT_EQ(std::to_string(req.DBCode) + kel::fieldText(req.Server.ClientName) + kel::fieldText(req.Server.ServerName),
              "77" + std::string(128, 'c') + std::string(128, 's'));

    // Unterminated fields are read only to their end; times and the delete mark kept.
    KelNetSQLServerRsp_t rsp{};
    std::memset(rsp.Server.UndoFilePath, 'u', sizeof rsp.Server.UndoFilePath);
    std::memset(rsp.Server.ServerName, 'n', sizeof rsp.Server.ServerName);
    rsp.Server.ServerMajor = 8;
    reader.setDeleteFlag()->setDelete();
    reader.getAddTime().setTime(1234L);
    reader.getRemovalTime().setTime(5678L);
    reader.copyFromResponse(&rsp);
    EXPECT_EQ(reader.undoFilePath() + "|" + reader.sqlServerName(),
              std::string(sizeof rsp.Server.UndoFilePath, 'u') + "|" + std::string(sizeof rsp.Server.ServerName, 'n'));
    EXPECT_TRUE(reader.isDeleted() && reader.sqlAppType().isSql2000AppType());
    EXPECT_EQ(reader.getAddTime().time() * 10000 + reader.getRemovalTime().time(), 12345678u);
}

// The agent measures at the Ostrel's request with the very check it runs for
// itself. The request's field and the undoFile column hold 1024 characters:
// all of them travel, and a longer path is refused as too long, never
// measured, sent or stored cut short.
TEST_F(RemoteUndoPathTest, AgentMeasuresThePathFillingItsFieldAndNoLonger) {
    KelSQLClassProperties ostrel(KelSQLServerSide), agent(KelSQLClientSide);
    ostrel.setRemoteSqlHostName(kAgentHost);
    KelSQLServer server(ostrel, false), local(agent, false);
    ASSERT_TRUE(server.verifyUndoFilePath(home_.path())) << server.getLastError().formatLastErrorMessage();
    EXPECT_EQ(server.undoFilePath(), home_.path());
    EXPECT_TRUE(near(server.undoFilePathFreeSpace(), systemFreeBytes(home_.path())));
    const std::string full = folderOfLength(home_.path(), 1024), longer = folderOfLength(home_.path(), 1025);
    ASSERT_TRUE(server.verifyUndoFilePath(full)) << server.getLastError().formatLastErrorMessage();
    // One character over is refused before the request goes: the path and
    // space measured last stay (a request would have made the space unknown).
    const std::string measured = full + "|" + std::to_string(server.undoFilePathFreeSpace());
    EXPECT_TRUE(refused(server.verifyUndoFilePath(longer), server.getLastError(), kelsql::kErrValueNotSet,
                        "undoFilePath"));
    EXPECT_EQ(server.undoFilePath() + "|" + std::to_string(server.undoFilePathFreeSpace()), measured);
    // The agent's refusal comes back; the free space is unknown again.
    for (const std::string& bad : {home_.file("missing"), home_.file("registry/agent1.ini")}) {
        EXPECT_TRUE(refused(server.verifyUndoFilePath(bad), server.getLastError(), kelsql::kErrUndoPath)) << bad;
        EXPECT_EQ(server.undoFilePath() + "|" + std::to_string(server.undoFilePathFreeSpace()),
                  full + "|" + std::to_string(~uint64_t{0}));
    }
    // Measured here, a refusal keeps the path and its space.
    ASSERT_TRUE(local.validateUndoPath(full));
    const std::string kept = full + "|" + std::to_string(local.undoFilePathFreeSpace());
    EXPECT_TRUE(refused(local.validateUndoPath(home_.file("missing")), local.getLastError(), kelsql::kErrUndoPath));
    EXPECT_EQ(local.undoFilePath() + "|" + std::to_string(local.undoFilePathFreeSpace()), kept);
    EXPECT_TRUE(refused(local.validateUndoPath(longer), local.getLastError(), kelsql::kErrValueNotSet, "undoFilePath"));
    EXPECT_EQ(local.undoFilePath() + "|" + std::to_string(local.undoFilePathFreeSpace()), kept);

    // The answer repeats the request's path.
    KelNetSQLVerifyUndoPath message(ostrel, false);
    message.setRemoteDataAgent(kAgentHost);
    KelNetSQLVerifyUndoPath_t request, response;
    EXPECT_TRUE(kel::copyField(request.Path, home_.path()));
    ASSERT_TRUE(message.networkQuery(request, response));
    EXPECT_TRUE(kel::fieldText(response.Path) == home_.path() && response.FreeSpace > 0);
}
