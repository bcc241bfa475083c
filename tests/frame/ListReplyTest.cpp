// List replies over a real dispatcher: how the responder cuts packets and
// what the caller accepts.
#include <chrono>

#include "support/ProbeMessages.h"
#include "support/SqlDispatcherFixture.h"

using kel::test::SqlDispatcherTest;
using namespace kel::probe;

namespace {

class ListReplyTest : public SqlDispatcherTest {
protected:
    void SetUp() override {
        SqlDispatcherTest::SetUp();
        buildContext();
    }
    void buildContext() { context_ = std::make_unique<KelSQLClassProperties>(KelSQLClientSide); }
    std::unique_ptr<KelSQLClassProperties> context_;
    KelSQLClassProperties& ctx() { return *context_; }
};

class BogusListTest : public ListReplyTest, public ::testing::WithParamInterface<ListMode> {};

}  // namespace

TEST_F(ListReplyTest, HundredTwentyItemsComeAs50_50_20) {
    ProbeList m(ctx(), false);
    m.requestMessage(true)->Total = 120;
    ASSERT_TRUE(m.send());
    std::vector<uint64_t> counts;
    uint64_t index = 0;
    do {
        ASSERT_TRUE(m.receive()) << m.getLastError().formatLastErrorMessage();
        const ProbeList::Response* p = m.responseMessage(false);
        EXPECT_EQ(p->TotalCount, 120u);
        counts.push_back(p->Count);
        for (uint64_t i = 0; i < p->Count; ++i) ASSERT_EQ(p->Items[i], listItem(index++));
        // Slots past Count are zero, not an earlier packet's items.
        if (p->Count < ProbeList::kPerPacket) {
            EXPECT_EQ(p->Items[p->Count], 0u);
        }
    } while (m.moreFollows());
    EXPECT_EQ(counts, (std::vector<uint64_t>{50, 50, 20}));
}

TEST_F(ListReplyTest, CallerGathersTheWholeList) {
    ProbeList m(ctx(), false);
    m.requestMessage(true)->Total = 120;
    KelLastError err;
    ASSERT_TRUE(m.exchange(err)) << err.formatLastErrorMessage();
    ASSERT_EQ(m.items().size(), 120u);
    for (uint64_t i = 0; i < 120; ++i) ASSERT_EQ(m.items()[i], listItem(i));

    // Exactly one packet's worth, and the session carries the next list.
    ProbeList again(ctx(), false);
    again.requestMessage(true)->Total = 50;
    ASSERT_TRUE(again.exchange(err));
    EXPECT_EQ(again.items().size(), 50u);
}

TEST_F(ListReplyTest, EmptyListIsOnePacket) {
    ProbeList m(ctx(), false);
    m.requestMessage(true)->Total = 0;
    ASSERT_TRUE(m.send());
    ASSERT_TRUE(m.receive());
    EXPECT_EQ(m.responseMessage(false)->TotalCount, 0u);
    EXPECT_EQ(m.responseMessage(false)->Count, 0u);
    EXPECT_FALSE(m.moreFollows());

    ProbeList whole(ctx(), false);
    whole.requestMessage(true)->Total = 0;
    KelLastError err;
    EXPECT_TRUE(whole.exchange(err));
    EXPECT_TRUE(whole.items().empty());
}

TEST_F(ListReplyTest, FailedAnswerIsOnePacketWithItsStatus) {
    ProbeList m(ctx(), false);
    m.requestMessage(true)->Mode = kListFails;
    m.requestMessage(false)->Total = 70;
    KelLastError err;
    EXPECT_FALSE(m.exchange(err));
    EXPECT_EQ(err.number(), kelsql::kErrListRead);
    EXPECT_TRUE(m.items().empty());
}

TEST_P(BogusListTest, CallerFailsWithoutWaiting) {
    ProbeList m(ctx(), false);
    m.requestMessage(true)->Mode = GetParam();
    m.requestMessage(false)->Total = 120;
    auto start = std::chrono::steady_clock::now();
    KelLastError err;
    EXPECT_FALSE(m.exchange(err));
    EXPECT_EQ(err.number(), kelsql::kErrListRead);
    EXPECT_TRUE(m.items().empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));

    // The broken list does not leak into the next exchange.
    ProbeList next(ctx(), false);
    next.requestMessage(true)->Total = 3;
    ASSERT_TRUE(next.exchange(err)) << err.formatLastErrorMessage();
    EXPECT_EQ(next.items().size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(Counts, BogusListTest,
                         ::testing::Values(kListCountOverPacket, kListTotalChanges, kListZeroCount,
                                           kListCountOverTotal, kListHugeTotal));
