// The instance record on the Ostrel's own catalogue: registration by the
// answering insert, reads, the whole-record update, single-column updates,
// the comparison and the Tessel list.
#include "InstanceFixture.h"

#include <optional>

using kel::test::refused;
using kel::test::scalar;

namespace {

class InstanceCatalogueTest : public kel::test::InstanceTest {
protected:
    // Columns of the instance's row, joined by '|'.
    std::string row(std::string columns) {
        for (size_t i; (i = columns.find(", ")) != std::string::npos;) columns.replace(i, 2, "||'|'||");
        return kel::test::text("SELECT " + columns + " FROM sqlServer WHERE instanceId = " + std::to_string(instance_));
    }
    // A catalogue row written the way the Ostrel's registration does.
    unsigned long registerLocally(const std::string& name, unsigned long major, unsigned long build) {
        setLogin(*ostrel_, "sa", "secret");
        KelSQLServer server(*ostrel_, true);
        KelNetSQLServerReq_t req{};
        KelNetSQLServerRsp_t rsp{};
        req.DBCode = KelNetSQLServerInsert;
        kel::copyField(req.Server.ClientName, std::string(kClient));
        kel::copyField(req.Server.ServerName, name);
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
        kel::test::InstanceTest::SetUp();
        ostrel_.emplace(KelSQLServerSide);
    }
    std::optional<KelSQLClassProperties> ostrel_;
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
    kel::copyField(req.Server.ClientName, std::string(kClient));
    kel::copyField(req.Server.ServerName, std::string(kInstance));
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
    ASSERT_TRUE(noId.query(instance_));
    EXPECT_EQ(noId.getSQLVersion().major(), 0u);
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
