// The instance record on the Ostrel's own catalogue: registration by the
// answering insert, reads, the whole-record update, single-column updates,
// the comparison and the Tessel list.
#include "InstanceFixture.h"

#include <algorithm>

using kel::test::refused;
using kel::test::scalar;

namespace {

class InstanceCatalogueTest : public kel::test::InstanceTest {
protected:
    std::string row(const char* column) {
        return kel::test::text(std::string("SELECT ") + column + " FROM sqlServer WHERE instanceId = " +
                               std::to_string(instance_));
    }
    long long number(const char* column) {
        return scalar(std::string("SELECT ") + column + " FROM sqlServer WHERE instanceId = " +
                      std::to_string(instance_));
    }
    // Commits what write does inside an Ostrel-side transaction.
    template <class Write>
    void inTransaction(KelSQLClassProperties& ostrel, Write write) {
        ASSERT_TRUE(ostrel.startTransaction());
        write();
        ASSERT_TRUE(ostrel.commitTransaction());
    }
    static std::string logins(KelSQLClassProperties& ostrel, unsigned long id) {
        KelSQLServer read(ostrel, false);
        if (!read.query(id)) return read.getLastError().formatLastErrorMessage();
        return read.sa() + "|" + read.saPassword() + "|" + read.ntUser() + "|" + read.ntUserPassword();
    }
};

}  // namespace

TEST_F(InstanceCatalogueTest, InsertTakesTheInstanceIdAndAddsTheVersionOnce) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    EXPECT_EQ(registerLocally(ostrel, kInstance, 9, 0, 1399), instance_);
    EXPECT_EQ(number("clientId"), static_cast<long long>(alpha_));
    EXPECT_EQ(number("tesselId"), static_cast<long long>(tessel_));
    EXPECT_EQ(row("sa"), "sa");
    EXPECT_NE(row("saPassword"), "secret");  // stored encrypted
    const long long versionId = number("sqlVersionId");
    EXPECT_EQ(versionId, scalar("SELECT id FROM sqlVersion WHERE major = 9 AND minor = 0 AND build = 1399"));

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
    kel::copyField(req.Server.ClientName, std::string(kClient));
    kel::copyField(req.Server.ServerName, std::string(kInstance));
    req.Server.ServerMajor = 9;
    KelSQLServer notReplying(ostrel, false);
    EXPECT_TRUE(refused(notReplying.insert(&req, &rsp), notReplying.getLastError(), kelsql::kErrNoSide));
    KelSQLServer server(ostrel, true);
    EXPECT_TRUE(refused(server.insert(&req, &rsp), server.getLastError(), kelsql::kErrTranRequired));
    inTransaction(ostrel, [&] {
        KelSQLServer noLogin(ostrel, true);
        EXPECT_TRUE(refused(noLogin.insert(&req, &rsp), noLogin.getLastError(), kelsql::kErrNoLogin));
    });
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
    EXPECT_EQ(byId.rowClientId(), alpha_);
    EXPECT_EQ(byId.saPassword(), "secret");
    KelSQLServer byName(ostrel, false);
    ASSERT_TRUE(byName.query(kClient, kInstance)) << byName.getLastError().formatLastErrorMessage();
    EXPECT_EQ(byName.sqlId(), instance_);
    EXPECT_EQ(byName.clientName(), kClient);

    KelSQLServer missing(ostrel, false);
    const KelLastError& err = missing.getLastError();
    EXPECT_TRUE(refused(missing.query(0), err, kelsql::kErrValueNotSet));
    EXPECT_TRUE(refused(missing.query("", kInstance), err, kelsql::kErrValueNotSet, "sClientName"));
    // Known to the application manager, not to the catalogue: no row.
    EXPECT_TRUE(refused(missing.query(kClient, "ALPHA\\OTHER"), err, kelsql::kErrNoSuchInstance));
    EXPECT_TRUE(refused(missing.query(instance(alpha_, 70, "ALPHA\\SQL2")), err, kelsql::kErrRowOperation));
    EXPECT_EQ(missing.sqlCode(), 100);
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
    EXPECT_TRUE(refused(server.update(), server.getLastError(), kelsql::kErrTranRequired));
    inTransaction(ostrel, [&] { ASSERT_TRUE(server.update()) << server.getLastError().formatLastErrorMessage(); });
    EXPECT_EQ(number("flags"), 65536);
    EXPECT_EQ(row("undoFile"), "/undo");
    EXPECT_EQ(row("sa"), "sa");
    EXPECT_NE(number("sqlVersionId"), versionId);
    EXPECT_EQ(number("sqlVersionId"), scalar("SELECT id FROM sqlVersion WHERE build = 3042"));

    // An unknown version has no row to name: stored as NULL, read as 0.0.0.
    KelSQLServer unknown(ostrel, false);
    unknown.setSqlId(instance_);
    inTransaction(ostrel, [&] { ASSERT_TRUE(unknown.update()) << unknown.getLastError().formatLastErrorMessage(); });
    EXPECT_EQ(number("sqlVersionId"), -2);
    KelSQLServer read(ostrel, false);
    ASSERT_TRUE(read.query(instance_)) << read.getLastError().formatLastErrorMessage();
    EXPECT_EQ(read.getSQLVersion().major(), 0u);
    KelSQLServer noId(ostrel, false);
    EXPECT_TRUE(refused(noId.update(), noId.getLastError(), kelsql::kErrInstanceUpdate));
}

TEST_F(InstanceCatalogueTest, LoginsAreKeptApartAndStoredWhole) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    registerLocally(ostrel, kInstance, 9, 0, 1399);
    KelSQLServer server(ostrel, false);
    ASSERT_TRUE(server.query(instance_));
    inTransaction(ostrel, [&] {
        // No agent host answers for this client: the check fails, nothing written.
        EXPECT_FALSE(server.setSA("other", "pw"));
        EXPECT_NE(server.getLastError().number(), 0u);
        EXPECT_TRUE(refused(server.setSA("", "pw", false), server.getLastError(), kelsql::kErrValueNotSet));
        ASSERT_TRUE(server.setNTUser(kClient, "DOM\\svc", "svcpw", false)) << server.getLastError().formatLastErrorMessage();
    });
    EXPECT_EQ(logins(ostrel, instance_), "sa|secret|DOM\\svc|svcpw");
    inTransaction(ostrel, [&] { ASSERT_TRUE(server.setSA("other", "pw", false)); });
    EXPECT_EQ(logins(ostrel, instance_), "other|pw|DOM\\svc|svcpw");

    // Quotes and percent signs through the whole-record update.
    KelSQLServer quoted(ostrel, false);
    quoted.setSqlId(instance_);
    quoted.setSqlLogin("o'brien", "p%s'%d");
    quoted.setServiceAccount("DOM\\svc%n", "it's");
    inTransaction(ostrel, [&] { EXPECT_TRUE(quoted.update()) << quoted.getLastError().formatLastErrorMessage(); });
    EXPECT_EQ(logins(ostrel, instance_), "o'brien|p%s'%d|DOM\\svc%n|it's");

    // Unreadable passwords are refused.
    ASSERT_TRUE(kel::test::sql("UPDATE sqlServer SET saPassword = 'bm90IGEgY2lwaGVy'"));
    EXPECT_TRUE(refused(server.query(instance_), server.getLastError(), kelsql::kErrDecrypt));
    ASSERT_TRUE(kel::test::sql("UPDATE sqlServer SET saPassword = '', sqlNTPassword = 'bm90IGEgY2lwaGVy'"));
    EXPECT_TRUE(refused(server.query(instance_), server.getLastError(), kelsql::kErrNTDecrypt));
}

TEST_F(InstanceCatalogueTest, UpdateItemNeedsIdSideAndTransaction) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    registerLocally(ostrel, kInstance, 9, 0, 1399);
    KelSQLServer server(ostrel, false);
    EXPECT_TRUE(refused(server.updateUndoFilePath(), server.getLastError(), kelsql::kErrValueNotSet));
    ASSERT_TRUE(server.query(instance_));
    EXPECT_TRUE(refused(server.updateUndoFilePath(), server.getLastError(), kelsql::kErrTranRequired));
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLServer onAgent(agent, false);
    onAgent.setSqlId(instance_);
    EXPECT_TRUE(refused(onAgent.updateSQL2000UpgradeFlag(), onAgent.getLastError(), kelsql::kErrOstrelSideOnly));

    // The upgrade bit written through its view, the other bits kept.
    server.setFlags(0x1);
    server.sql2000Upgrade()->enable();
    EXPECT_TRUE(server.isClusterFlag());
    inTransaction(ostrel, [&] { ASSERT_TRUE(server.updateSQL2000UpgradeFlag()); });
    EXPECT_EQ(number("flags"), 0x10001);
}

TEST_F(InstanceCatalogueTest, CompareAndUpdateRules) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    registerLocally(ostrel, kInstance, 9, 0, 1399);
    KelSQLServer stored(ostrel, false);
    KelSQLServer given(ostrel, false);
    given.setSqlServerName("alpha\\sql1");  // same name, other case: refused
    EXPECT_TRUE(refused(stored.compareAndUpdate(given, instance_), stored.getLastError(),
                        kelsql::kErrCompareAndUpdate));
    given.setSqlServerName(kInstance);
    // Empty login: sa never changes. A removal time on a present instance is written.
    given.getRemovalTime().setTime(7000L);
    EXPECT_TRUE(refused(stored.compareAndUpdate(given, instance_), stored.getLastError(), kelsql::kErrTranRequired));
    inTransaction(ostrel, [&] {
        ASSERT_TRUE(stored.compareAndUpdate(given, instance_)) << stored.getLastError().formatLastErrorMessage();
    });
    EXPECT_EQ(number("removalTime"), 7000);
    EXPECT_EQ(row("sa"), "sa");
    // A stored time is never replaced by another one.
    given.getRemovalTime().setTime(9000L);
    inTransaction(ostrel, [&] { ASSERT_TRUE(stored.compareAndUpdate(given, instance_)); });
    EXPECT_EQ(number("removalTime"), 7000);

    // All ones: back again, written as 0, and the given record says so too.
    given.getRemovalTime().setTime(static_cast<long>(KelSQLServer::kRemovalTimeCleared));
    given.setSqlLogin("newsa", "newpw");
    ASSERT_TRUE(given.validateUndoPath("/tmp"));
    inTransaction(ostrel, [&] { ASSERT_TRUE(stored.compareAndUpdate(given, instance_)); });
    EXPECT_EQ(number("removalTime"), 0);
    EXPECT_EQ(given.getRemovalTime().time(), 0u);
    EXPECT_EQ(row("undoFile"), "/tmp");
    EXPECT_EQ(logins(ostrel, instance_), "newsa|newpw||");
    KelSQLServer noId(ostrel, false), empty(ostrel, false);
    EXPECT_TRUE(refused(noId.compareAndUpdate(empty, 0), noId.getLastError(), kelsql::kErrValueNotSet));
}

TEST_F(InstanceCatalogueTest, TesselListFiltersByTypeAndSkipsDeleted) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    const unsigned long sql7 = instance(alpha_, 4, "ALPHA\\SEVEN");
    const unsigned long sql2000 = instance(alpha_, 16, "ALPHA\\EIGHT");
    const unsigned long gone = instance(alpha_, 16, "ALPHA\\GONE");
    registerLocally(ostrel, kInstance, 9, 0, 1399);
    registerLocally(ostrel, "ALPHA\\SEVEN", 7, 0, 623);
    registerLocally(ostrel, "ALPHA\\EIGHT", 8, 0, 760);
    registerLocally(ostrel, "ALPHA\\GONE", 8, 0, 760);
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
    auto sorted = [](std::vector<unsigned long> v) {
        std::sort(v.begin(), v.end());
        return v;
    };
    EXPECT_EQ(ids(0), sorted({instance_, sql7, sql2000}));
    EXPECT_EQ(ids(4), sorted({instance_, sql7, sql2000}));
    EXPECT_EQ(ids(16), sorted({instance_, sql2000}));
    EXPECT_EQ(ids(70), std::vector<unsigned long>{instance_});

    KelSQLServer server(ostrel, false);
    std::vector<KelSQL_SqlIdName_t> list{{42, "kept"}};
    EXPECT_TRUE(server.getAllSQLServersWithinTessel(tessel_ + 100, list, 0));
    ASSERT_EQ(list.size(), 1u);  // no rows: the list stays as it was
    EXPECT_TRUE(refused(server.getAllSQLServersWithinTessel(0, list, 0), server.getLastError(),
                        kelsql::kErrValueNotSet));
}
