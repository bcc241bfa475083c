// List replies over a real dispatcher: how the responder cuts packets and
// what the caller accepts.
#include <chrono>

#include "support/ProbeMessages.h"
#include "support/SqlDispatcherFixture.h"

using kel::test::SqlDispatcherTest;
using namespace kel::probe;

namespace {

class ListReplyTest : public SqlDispatcherTest, public ::testing::WithParamInterface<ListMode> {
protected:
    void SetUp() override {
        SqlDispatcherTest::SetUp();
        context_ = std::make_unique<KelSQLClassProperties>(KelSQLClientSide);
    }
    KelSQLClassProperties& ctx() { return *context_; }
    std::unique_ptr<KelSQLClassProperties> context_;
};

}  // namespace

TEST_F(ListReplyTest, ListsAreCutIntoPacketsOfFiftyAndGatheredWhole) {
    const struct {
        uint64_t total;
        std::vector<uint64_t> counts;
    } cases[] = {{120, {50, 50, 20}}, {50, {50}}, {0, {0}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.total);
        ProbeList m(ctx(), false);
        m.requestMessage(true)->Total = c.total;
        ASSERT_TRUE(m.send());
        std::vector<uint64_t> counts;
        uint64_t index = 0;
        do {
            ASSERT_TRUE(m.receive()) << m.getLastError().formatLastErrorMessage();
            const ProbeList::Response* p = m.responseMessage(false);
            EXPECT_EQ(p->TotalCount, c.total);
            counts.push_back(p->Count);
            for (uint64_t i = 0; i < p->Count; ++i) ASSERT_EQ(p->Items[i], listItem(index++));
            // Slots past Count are zero, not an earlier packet's items.
            if (p->Count < ProbeList::kPerPacket) {
                EXPECT_EQ(p->Items[p->Count], 0u);
            }
        } while (m.moreFollows());
        EXPECT_EQ(counts, c.counts);

        // The caller's side gathers the same list on the same session.
        ProbeList whole(ctx(), false);
        whole.requestMessage(true)->Total = c.total;
        KelLastError err;
        ASSERT_TRUE(whole.exchange(err)) << err.formatLastErrorMessage();
        ASSERT_EQ(whole.items().size(), c.total);
        for (uint64_t i = 0; i < c.total; ++i) ASSERT_EQ(whole.items()[i], listItem(i));
    }
}

// A packet may end after the items it counts: 50 names end at byte 7026.
TEST_F(ListReplyTest, PacketsCutAfterTheirItemsAreTakenAndNoShorter) {
    ProbeNameList raw(ctx(), false);
    raw.requestMessage(true)->Mode = kListTrimmed;
    raw.requestMessage(false)->Total = 120;
    raw.acceptShorterResponse(ProbeNameList::kItemsAt);
    ASSERT_TRUE(raw.send());
    std::vector<size_t> lengths;
    do {
        ASSERT_TRUE(raw.receive()) << raw.getLastError().formatLastErrorMessage();
        lengths.push_back(raw.receivedLength());
    } while (raw.moreFollows());
    EXPECT_EQ(lengths, (std::vector<size_t>{7026, 7026, 576 + 20 * 129}));

    ProbeNameList names(ctx(), false);
    names.requestMessage(true)->Mode = kListTrimmed;
    names.requestMessage(false)->Total = 120;
    KelLastError err;
    ASSERT_TRUE(names.exchange(err)) << err.formatLastErrorMessage();
    ASSERT_EQ(names.items().size(), 120u);
    for (uint64_t i = 0; i < 120; ++i) ASSERT_EQ(kel::fieldText(names.items()[i].Name), ProbeNameList::name(i));

    // A packet that ends inside the items it counts is refused.
    ProbeNameList shorter(ctx(), false);
    shorter.requestMessage(true)->Mode = kListTrimmedShort;
    shorter.requestMessage(false)->Total = 51;
    EXPECT_FALSE(shorter.exchange(err));
    EXPECT_EQ(err.number(), kelsql::kErrListRead);
    EXPECT_TRUE(shorter.items().empty());
}

// A failed answer (one packet with its status) or a list whose counts do not
// add up fails the caller at once, and does not leak into the next exchange.
TEST_P(ListReplyTest, BogusOrFailedListFailsWithoutWaiting) {
    ProbeList m(ctx(), false);
    m.requestMessage(true)->Mode = GetParam();
    m.requestMessage(false)->Total = 120;
    auto start = std::chrono::steady_clock::now();
    KelLastError err;
    EXPECT_FALSE(m.exchange(err));
    EXPECT_EQ(err.number(), kelsql::kErrListRead);
    EXPECT_TRUE(m.items().empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));

    ProbeList next(ctx(), false);
    next.requestMessage(true)->Total = 3;
    ASSERT_TRUE(next.exchange(err)) << err.formatLastErrorMessage();
    EXPECT_EQ(next.items().size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(Counts, ListReplyTest,
                         ::testing::Values(kListFails, kListCountOverPacket, kListTotalChanges, kListZeroCount,
                                           kListCountOverTotal, kListHugeTotal));
