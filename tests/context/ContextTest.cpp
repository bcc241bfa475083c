// The catalogue context on its own: side, focus, the local transaction table
// and its end, and assignment.
#include <sqlite3.h>

#include <string>
#include <vector>

#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "platform/events/KelDebug.h"
#include "support/SqlDispatcherFixture.h"

namespace {

class ContextTest : public kel::test::HomeTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(kel::test::focusMachineWithOstrel("ostrel1", "OSTREL1", 3));
        ASSERT_TRUE(kel::test::sql("CREATE TABLE frameProbe(tag TEXT)"));
    }
    void TearDown() override { KelDebug::setSink({}); }

    // Inserts a row through the context's transaction.
    static bool write(KelSQLClassProperties& ctx, const char* tag) {
        DBtran* t = ctx.getDBTransaction();
        if (!t) return false;
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(t->tranConnection()->db(), "INSERT INTO frameProbe(tag) VALUES (?)", -1, &stmt,
                               nullptr) != SQLITE_OK)
            return false;
        sqlite3_bind_text(stmt, 1, tag, -1, SQLITE_TRANSIENT);
        int rc = sqlite3_step(stmt);
        sqlite3_finalize(stmt);
        return rc == SQLITE_DONE;
    }
    static long rows() { return kel::test::probeRows(); }

    void captureLog() {
        KelPI_Keld keld;
        keld.setFocus("ostrel1");
        keld.setSql(0x3);
        KelDebug::setSink([this](KelDebugLevel, const std::string& fn, const std::string& text) {
            lines_.push_back(fn + "|" + text);
        });
    }
    bool logged(const std::string& line) const {
        for (const std::string& l : lines_)
            if (l == line) return true;
        return false;
    }

    std::vector<std::string> lines_;
};

}  // namespace

TEST_F(ContextTest, SidesFollowThePlatform) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    EXPECT_TRUE(ostrel.isInitialized());
    EXPECT_TRUE(ostrel.isServerOperations());
    EXPECT_FALSE(ostrel.isClientOperations());
    EXPECT_EQ(ostrel.getOstrel().getTesselId(), 3u);
    EXPECT_NE(ostrel.getNetworkDBTransaction(), nullptr);

    // No agent install on this machine: neither side.
    KelSQLClassProperties agent(KelSQLClientSide);
    EXPECT_TRUE(agent.isInitialized());
    EXPECT_FALSE(agent.isClientOperations());
    agent.setMssqlActiveFlag();
    EXPECT_TRUE(agent.isClientOperations());

    ASSERT_TRUE(KelRegistry::createMachine("bare"));
    KelSQLClassProperties bare("bare", KelSQLServerSide);
    EXPECT_TRUE(bare.isInitialized());
    EXPECT_FALSE(bare.isServerOperations());
    EXPECT_FALSE(bare.isClientOperations());
}

TEST_F(ContextTest, UnknownFocusLeavesTheContextUninitialised) {
    KelSQLClassProperties ctx("nowhere", KelSQLClientSide);
    EXPECT_FALSE(ctx.isInitialized());
    EXPECT_EQ(ctx.getLastError().number(), kel::kErrUnknownMachine);
    EXPECT_EQ(ctx.getLastError().argumentCount(), 0);
    EXPECT_FALSE(ctx.startTransaction());
    EXPECT_EQ(ctx.getNetworkDBTransaction(), nullptr);

    EXPECT_FALSE(ctx.setFocus(""));
    EXPECT_EQ(ctx.getLastError().number(), kelsql::kErrInvalidArgument);
    EXPECT_EQ(ctx.getFocus(), "nowhere");

    ASSERT_TRUE(ctx.setFocus("ostrel1"));
    EXPECT_TRUE(ctx.isInitialized());
    EXPECT_TRUE(ctx.startTransaction());
}

TEST_F(ContextTest, TransactionTable) {
    KelSQLClassProperties ctx(KelSQLServerSide);
    EXPECT_FALSE(ctx.commitTransaction());
    EXPECT_EQ(ctx.getLastError().number(), kelsql::kErrTranNotStarted);
    EXPECT_EQ(ctx.getTransactionStatus(), uint32_t{KelSQLTranFailed});

    ASSERT_TRUE(ctx.startTransaction());
    DBtran* first = ctx.getDBTransaction();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(ctx.startTransaction());
    EXPECT_EQ(ctx.getDBTransaction(), first);
    EXPECT_TRUE(ctx.isTransactionStarted());

    ASSERT_TRUE(write(ctx, "rolled"));
    ASSERT_TRUE(ctx.rollBackTransaction());
    EXPECT_EQ(ctx.getTransactionStatus(), uint32_t{KelSQLTranRolledBack});
    EXPECT_EQ(ctx.getDBTransaction(), nullptr);
    EXPECT_EQ(rows(), 0);

    ASSERT_TRUE(ctx.startTransaction());
    ASSERT_TRUE(write(ctx, "kept"));
    ASSERT_TRUE(ctx.commitTransaction());
    EXPECT_EQ(ctx.getTransactionStatus(), uint32_t{KelSQLTranCommitted});
    EXPECT_EQ(rows(), 1);

    EXPECT_FALSE(ctx.rollBackTransaction());
    EXPECT_EQ(ctx.getLastError().number(), kelsql::kErrTranNotStarted);
    EXPECT_EQ(ctx.getTransactionStatus(), uint32_t{KelSQLTranFailed});
}

TEST_F(ContextTest, DestructorRollsBackAndSaysSo) {
    captureLog();
    {
        KelSQLClassProperties ctx(KelSQLServerSide);
        ASSERT_TRUE(ctx.startTransaction());
        ASSERT_TRUE(write(ctx, "lost"));
    }
    EXPECT_EQ(rows(), 0);
    EXPECT_TRUE(logged("KelSQLClassProperties::startTransaction|Database transaction started!"));
    EXPECT_TRUE(logged("KelSQLClassProperties::~KelSQLClassProperties()|Automatically rolling back database transaction!"));
    EXPECT_TRUE(logged("KelSQLClassProperties::rollBackTransaction|Database transaction rolled back!"));
}

TEST_F(ContextTest, AssignmentLeavesOneOwnerOfTheTransaction) {
    auto target = std::make_unique<KelSQLClassProperties>(KelSQLServerSide);
    ASSERT_TRUE(target->startTransaction());
    ASSERT_TRUE(write(*target, "target's own"));
    {
        KelSQLClassProperties source(KelSQLServerSide);
        // target's own transaction ends here (else source could not write).
        *target = source;
        EXPECT_EQ(target->getTransactionStatus(), uint32_t{KelSQLTranNone});
        ASSERT_TRUE(source.startTransaction());
        EXPECT_EQ(target->getDBTransaction(), source.getDBTransaction());
        EXPECT_EQ(target->getSqlSession(), source.getSqlSession());
        EXPECT_TRUE(target->isTransactionStarted());
        ASSERT_TRUE(write(source, "shared"));
    }
    // The source is gone; the transaction lives on in its second view.
    ASSERT_TRUE(target->isTransactionStarted());
    ASSERT_TRUE(write(*target, "after"));
    ASSERT_TRUE(target->commitTransaction());
    EXPECT_EQ(rows(), 2);
    target.reset();
    EXPECT_EQ(rows(), 2);
}

TEST_F(ContextTest, LastViewEndsASharedTransactionOnce) {
    captureLog();
    auto a = std::make_unique<KelSQLClassProperties>(KelSQLServerSide);
    auto b = std::make_unique<KelSQLClassProperties>(KelSQLServerSide);
    ASSERT_TRUE(a->startTransaction());
    ASSERT_TRUE(write(*a, "pending"));
    *b = *a;
    a.reset();
    // Still open: b holds it.
    EXPECT_TRUE(b->isTransactionStarted());
    EXPECT_TRUE(b->getDBTransaction()->isStarted());
    lines_.clear();
    b.reset();
    EXPECT_EQ(rows(), 0);
    int rollbacks = 0;
    for (const std::string& l : lines_)
        if (l == "KelSQLClassProperties::rollBackTransaction|Database transaction rolled back!") ++rollbacks;
    EXPECT_EQ(rollbacks, 1);
}

TEST_F(ContextTest, CommitThroughOneViewIsSeenByTheOther) {
    KelSQLClassProperties a(KelSQLServerSide);
    KelSQLClassProperties b(KelSQLServerSide);
    ASSERT_TRUE(a.startTransaction());
    b = a;
    ASSERT_TRUE(write(b, "one"));
    ASSERT_TRUE(b.commitTransaction());
    EXPECT_EQ(a.getTransactionStatus(), uint32_t{KelSQLTranCommitted});
    EXPECT_EQ(a.getDBTransaction(), nullptr);
    EXPECT_FALSE(a.commitTransaction());
    EXPECT_EQ(rows(), 1);
}

TEST_F(ContextTest, AssignmentFromAnUnfocusedContextDropsTheMessages) {
    KelSQLClassProperties ctx(KelSQLServerSide);
    ASSERT_NE(ctx.getNetworkDBTransaction(), nullptr);
    {
        KelSQLClassProperties lost("nowhere", KelSQLServerSide);
        ctx = lost;
    }
    EXPECT_FALSE(ctx.isInitialized());
    EXPECT_EQ(ctx.getNetworkDBTransaction(), nullptr);
    EXPECT_EQ(ctx.getLastError().number(), kel::kErrUnknownMachine);
    EXPECT_FALSE(ctx.startTransaction());
}
