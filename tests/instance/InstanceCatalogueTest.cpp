// The instance record on the Ostrel's own catalogue: registration by the
// answering insert, reads, the whole-record update, single-column updates,
// the comparison and the Tessel list.
#include "InstanceFixture.h"

#include <algorithm>

#include "KelSQL/KelSQLUserAndPassword.h"

using kel::test::scalar;
using kel::test::text;

namespace {

std::string firstArgument(KelLastError err) {
    err.resetGetNextArgument();
    const char* a = err.getNextArgument();
    return a ? a : "";
}

class InstanceCatalogueTest : public kel::test::InstanceTest {
protected:
    std::string row(const char* column) {
        return text(std::string("SELECT ") + column + " FROM sqlServer WHERE instanceId = " + std::to_string(instance_));
    }
    long long number(const char* column) {
        return scalar(std::string("SELECT ") + column + " FROM sqlServer WHERE instanceId = " +
                      std::to_string(instance_));
    }
};

}  // namespace

TEST_F(InstanceCatalogueTest, InsertTakesTheInstanceIdAndAddsTheVersionOnce) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    EXPECT_EQ(registerLocally(ostrel, kInstance, 9, 0, 1399), instance_);
    EXPECT_EQ(number("clientId"), static_cast<long long>(client_));
    EXPECT_EQ(number("tesselId"), static_cast<long long>(tessel_));
    EXPECT_EQ(row("sa"), "sa");
    EXPECT_NE(row("saPassword"), "secret");  // stored encrypted
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlVersion WHERE major = 9 AND minor = 0 AND build = 1399"), 1);
    const long long versionId = number("sqlVersionId");
    EXPECT_EQ(versionId, scalar("SELECT id FROM sqlVersion WHERE build = 1399"));

    // Logically deleted and removed, then registered again: same row, revived.
    ASSERT_TRUE(kel::test::sql("UPDATE sqlServer SET deleteFlag = 1, removalTime = 5000"));
    EXPECT_EQ(registerLocally(ostrel, kInstance, 9, 0, 1399), instance_);
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlServer"), 1);
    EXPECT_EQ(number("deleteFlag"), 0);
    EXPECT_EQ(number("removalTime"), 0);
    EXPECT_EQ(number("sqlVersionId"), versionId);
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlVersion"), 1);
}

TEST_F(InstanceCatalogueTest, InsertRefusesBeforeWriting) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelNetSQLServerReq_t req{};
    KelNetSQLServerRsp_t rsp{};
    kel::copyField(req.Server.ClientName, std::string(kMachine));
    kel::copyField(req.Server.ServerName, std::string(kInstance));
    req.Server.ServerMajor = 9;

    KelSQLServer notReplying(ostrel, false);
    EXPECT_FALSE(notReplying.insert(&req, &rsp));
    EXPECT_EQ(notReplying.getLastError().number(), kelsql::kErrNoSide);

    KelSQLServer server(ostrel, true);
    EXPECT_FALSE(server.insert(&req, &rsp));
    EXPECT_EQ(server.getLastError().number(), kelsql::kErrTranRequired);

    ASSERT_TRUE(ostrel.startTransaction());
    KelSQLServer noLogin(ostrel, true);
    EXPECT_FALSE(noLogin.insert(&req, &rsp));
    EXPECT_EQ(noLogin.getLastError().number(), kelsql::kErrNoLogin);
    ASSERT_TRUE(ostrel.commitTransaction());
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlServer"), 0);
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlVersion"), 0);
}

TEST_F(InstanceCatalogueTest, LookupsByIdAndByNames) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    registerLocally(ostrel, kInstance, 8, 0, 760);

    KelSQLServer byId(ostrel, false);
    ASSERT_TRUE(byId.query(instance_)) << byId.getLastError().formatLastErrorMessage();
    EXPECT_EQ(byId.sqlServerName(), kInstance);
    EXPECT_EQ(byId.getSQLVersion().major(), 8u);
    EXPECT_EQ(byId.getSQLVersion().build(), 760u);
    EXPECT_TRUE(byId.sqlAppType().isSql2000AppType());
    EXPECT_EQ(byId.rowClientId(), client_);
    EXPECT_EQ(byId.saPassword(), "secret");

    KelSQLServer byName(ostrel, false);
    ASSERT_TRUE(byName.query(kMachine, kInstance)) << byName.getLastError().formatLastErrorMessage();
    EXPECT_EQ(byName.sqlId(), instance_);
    EXPECT_EQ(byName.clientName(), kMachine);

    KelSQLServer missing(ostrel, false);
    EXPECT_FALSE(missing.query(0));
    EXPECT_EQ(missing.getLastError().number(), kelsql::kErrValueNotSet);
    EXPECT_FALSE(missing.query("", kInstance));
    EXPECT_EQ(firstArgument(missing.getLastError()), "sClientName");
    // Known to the application manager, not to the catalogue: no row.
    EXPECT_FALSE(missing.query(kMachine, "AGENT1\\OTHER") );
    EXPECT_EQ(missing.getLastError().number(), kelsql::kErrNoSuchInstance);
    const unsigned long other = newInstance("AGENT1\\SQL2");
    EXPECT_FALSE(missing.query(other));
    EXPECT_EQ(missing.sqlCode(), 100);
    EXPECT_EQ(missing.getLastError().number(), kelsql::kErrRowOperation);
}

TEST_F(InstanceCatalogueTest, UpdateNeverClearsAndWritesTheVersion) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    registerLocally(ostrel, kInstance, 9, 0, 1399);
    const long long versionId = number("sqlVersionId");
    ASSERT_TRUE(kel::test::sql("UPDATE sqlServer SET flags = 65536, undoFile = '/undo'"));

    // A record with nothing set but its id and a new version.
    KelSQLServer server(ostrel, false);
    server.setSqlId(instance_);
    server.setSQLVersion(9, 0, 3042, 0);
    EXPECT_FALSE(server.update());
    EXPECT_EQ(server.getLastError().number(), kelsql::kErrTranRequired);
    ASSERT_TRUE(ostrel.startTransaction());
    ASSERT_TRUE(server.update()) << server.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(ostrel.commitTransaction());
    EXPECT_EQ(number("flags"), 65536);
    EXPECT_EQ(row("undoFile"), "/undo");
    EXPECT_EQ(row("sa"), "sa");
    EXPECT_NE(number("sqlVersionId"), versionId);
    EXPECT_EQ(number("sqlVersionId"), scalar("SELECT id FROM sqlVersion WHERE build = 3042"));

    // An unknown version has no row to name: stored as NULL, read as 0.0.0.
    KelSQLServer unknown(ostrel, false);
    unknown.setSqlId(instance_);
    ASSERT_TRUE(ostrel.startTransaction());
    ASSERT_TRUE(unknown.update()) << unknown.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(ostrel.commitTransaction());
    EXPECT_EQ(number("sqlVersionId"), -2);
    KelSQLServer read(ostrel, false);
    ASSERT_TRUE(read.query(instance_)) << read.getLastError().formatLastErrorMessage();
    EXPECT_EQ(read.getSQLVersion().major(), 0u);

    KelSQLServer noId(ostrel, false);
    EXPECT_FALSE(noId.update());
    EXPECT_EQ(noId.getLastError().number(), kelsql::kErrInstanceUpdate);
}

TEST_F(InstanceCatalogueTest, QuotesAndPercentSignsAreStoredWhole) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    registerLocally(ostrel, kInstance, 9, 0, 1399);
    KelSQLServer server(ostrel, false);
    server.setSqlId(instance_);
    server.setSqlLogin("o'brien", "p%s'%d");
    server.setServiceAccount("DOM\\svc%n", "it's");
    ASSERT_TRUE(ostrel.startTransaction());
    EXPECT_TRUE(server.update()) << server.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(ostrel.commitTransaction());

    KelSQLServer read(ostrel, false);
    ASSERT_TRUE(read.query(instance_));
    EXPECT_EQ(read.sa(), "o'brien");
    EXPECT_EQ(read.saPassword(), "p%s'%d");
    EXPECT_EQ(read.ntUser(), "DOM\\svc%n");
    EXPECT_EQ(read.ntUserPassword(), "it's");
}

TEST_F(InstanceCatalogueTest, LoginAndServiceAccountAreKeptApart) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    registerLocally(ostrel, kInstance, 9, 0, 1399);
    KelSQLServer server(ostrel, false);
    ASSERT_TRUE(server.query(instance_));
    ASSERT_TRUE(ostrel.startTransaction());
    ASSERT_TRUE(server.setNTUser(kMachine, "DOM\\svc", "svcpw", false)) << server.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(ostrel.commitTransaction());

    KelSQLServer read(ostrel, false);
    ASSERT_TRUE(read.query(instance_));
    EXPECT_EQ(read.sa(), "sa");
    EXPECT_EQ(read.saPassword(), "secret");
    EXPECT_EQ(read.ntUser(), "DOM\\svc");
    EXPECT_EQ(read.ntUserPassword(), "svcpw");
}

TEST_F(InstanceCatalogueTest, UnreadablePasswordsAreRefused) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    registerLocally(ostrel, kInstance, 9, 0, 1399);
    ASSERT_TRUE(kel::test::sql("UPDATE sqlServer SET saPassword = 'bm90IGEgY2lwaGVy'"));
    KelSQLServer server(ostrel, false);
    EXPECT_FALSE(server.query(instance_));
    EXPECT_EQ(server.getLastError().number(), kelsql::kErrDecrypt);

    ASSERT_TRUE(kel::test::sql("UPDATE sqlServer SET saPassword = '', sqlNTPassword = 'bm90IGEgY2lwaGVy'"));
    EXPECT_FALSE(server.query(instance_));
    EXPECT_EQ(server.getLastError().number(), kelsql::kErrNTDecrypt);
}

TEST_F(InstanceCatalogueTest, UpdateItemNeedsIdSideAndTransaction) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    registerLocally(ostrel, kInstance, 9, 0, 1399);
    KelSQLServer server(ostrel, false);
    EXPECT_FALSE(server.updateUndoFilePath());
    EXPECT_EQ(server.getLastError().number(), kelsql::kErrValueNotSet);
    ASSERT_TRUE(server.query(instance_));
    EXPECT_FALSE(server.updateUndoFilePath());
    EXPECT_EQ(server.getLastError().number(), kelsql::kErrTranRequired);

    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLServer onAgent(agent, false);
    onAgent.setSqlId(instance_);
    EXPECT_FALSE(onAgent.updateSQL2000UpgradeFlag());
    EXPECT_EQ(onAgent.getLastError().number(), kelsql::kErrOstrelSideOnly);

    // The upgrade bit written through its view, the other bits kept.
    server.setFlags(0x1);
    server.sql2000Upgrade()->enable();
    EXPECT_TRUE(server.isClusterFlag());
    ASSERT_TRUE(ostrel.startTransaction());
    ASSERT_TRUE(server.updateSQL2000UpgradeFlag());
    ASSERT_TRUE(ostrel.commitTransaction());
    EXPECT_EQ(number("flags"), 0x10001);
}

TEST_F(InstanceCatalogueTest, CompareAndUpdateRules) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    registerLocally(ostrel, kInstance, 9, 0, 1399);

    KelSQLServer stored(ostrel, false);
    KelSQLServer given(ostrel, false);
    given.setSqlServerName("agent1\\sql1");  // same name, other case: refused
    EXPECT_FALSE(stored.compareAndUpdate(given, instance_));
    EXPECT_EQ(stored.getLastError().number(), kelsql::kErrCompareAndUpdate);

    given.setSqlServerName(kInstance);
    // Empty login: sa never changes. A removal time on a present instance is written.
    given.getRemovalTime().setTime(7000L);
    EXPECT_FALSE(stored.compareAndUpdate(given, instance_));
    EXPECT_EQ(stored.getLastError().number(), kelsql::kErrTranRequired);
    ASSERT_TRUE(ostrel.startTransaction());
    ASSERT_TRUE(stored.compareAndUpdate(given, instance_)) << stored.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(ostrel.commitTransaction());
    EXPECT_EQ(number("removalTime"), 7000);
    EXPECT_EQ(row("sa"), "sa");

    // A stored time is never replaced by another one.
    given.getRemovalTime().setTime(9000L);
    ASSERT_TRUE(ostrel.startTransaction());
    ASSERT_TRUE(stored.compareAndUpdate(given, instance_));
    ASSERT_TRUE(ostrel.commitTransaction());
    EXPECT_EQ(number("removalTime"), 7000);

    // All ones: back again, written as 0, and the given record says so too.
    given.getRemovalTime().setTime(static_cast<long>(KelSQLServer::kRemovalTimeCleared));
    given.setSqlLogin("newsa", "newpw");
    ASSERT_TRUE(given.validateUndoPath("/tmp"));
    ASSERT_TRUE(ostrel.startTransaction());
    ASSERT_TRUE(stored.compareAndUpdate(given, instance_));
    ASSERT_TRUE(ostrel.commitTransaction());
    EXPECT_EQ(number("removalTime"), 0);
    EXPECT_EQ(given.getRemovalTime().time(), 0u);
    EXPECT_EQ(row("sa"), "newsa");
    EXPECT_EQ(row("undoFile"), "/tmp");
    KelSQLServer read(ostrel, false);
    ASSERT_TRUE(read.query(instance_));
    EXPECT_EQ(read.saPassword(), "newpw");

    KelSQLServer noId(ostrel, false);
    KelSQLServer empty(ostrel, false);
    EXPECT_FALSE(noId.compareAndUpdate(empty, 0));
    EXPECT_EQ(noId.getLastError().number(), kelsql::kErrValueNotSet);
}

TEST_F(InstanceCatalogueTest, TesselListFiltersByTypeAndSkipsDeleted) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    const unsigned long sql7 = newInstance("AGENT1\\SEVEN", 4);
    const unsigned long sql2000 = newInstance("AGENT1\\EIGHT", 16);
    const unsigned long gone = newInstance("AGENT1\\GONE", 16);
    registerLocally(ostrel, kInstance, 9, 0, 1399);
    registerLocally(ostrel, "AGENT1\\SEVEN", 7, 0, 623);
    registerLocally(ostrel, "AGENT1\\EIGHT", 8, 0, 760);
    registerLocally(ostrel, "AGENT1\\GONE", 8, 0, 760);
    ASSERT_TRUE(kel::test::sql("UPDATE sqlServer SET deleteFlag = 1 WHERE instanceId = " + std::to_string(gone)));

    auto ids = [&](unsigned long type) {
        KelSQLServer server(ostrel, false);
        std::vector<KelSQL_SqlIdName_t> list;
        EXPECT_TRUE(server.getAllSQLServersWithinTessel(tessel_, list, type))
            << server.getLastError().formatLastErrorMessage();
        std::vector<unsigned long> out;
        for (const auto& e : list) out.push_back(e.sqlId);
        std::sort(out.begin(), out.end());
        return out;
    };
    std::vector<unsigned long> all{instance_, sql7, sql2000};
    std::sort(all.begin(), all.end());
    EXPECT_EQ(ids(0), all);
    EXPECT_EQ(ids(4), all);
    std::vector<unsigned long> newer{instance_, sql2000};
    std::sort(newer.begin(), newer.end());
    EXPECT_EQ(ids(16), newer);
    EXPECT_EQ(ids(70), std::vector<unsigned long>{instance_});

    KelSQLServer server(ostrel, false);
    std::vector<KelSQL_SqlIdName_t> list{{42, "kept"}};
    EXPECT_TRUE(server.getAllSQLServersWithinTessel(tessel_ + 100, list, 0));
    ASSERT_EQ(list.size(), 1u);  // no rows: the list stays as it was
    EXPECT_FALSE(server.getAllSQLServersWithinTessel(0, list, 0));
    EXPECT_EQ(server.getLastError().number(), kelsql::kErrValueNotSet);
}

TEST_F(InstanceCatalogueTest, LoginThatCannotBeVerifiedIsNotStored) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    registerLocally(ostrel, kInstance, 9, 0, 1399);
    KelSQLServer server(ostrel, false);
    ASSERT_TRUE(server.query(instance_));
    ASSERT_TRUE(ostrel.startTransaction());
    // No agent host answers for this client: the check fails, nothing written.
    EXPECT_FALSE(server.setSA("other", "pw"));
    EXPECT_NE(server.getLastError().number(), 0u);
    EXPECT_FALSE(server.setSA("", "pw", false));
    EXPECT_EQ(server.getLastError().number(), kelsql::kErrValueNotSet);
    ASSERT_TRUE(server.setSA("other", "pw", false));
    ASSERT_TRUE(ostrel.commitTransaction());
    KelSQLServer read(ostrel, false);
    ASSERT_TRUE(read.query(instance_));
    EXPECT_EQ(read.sa(), "other");
    EXPECT_EQ(read.saPassword(), "pw");
    EXPECT_TRUE(read.ntUser().empty());
}
