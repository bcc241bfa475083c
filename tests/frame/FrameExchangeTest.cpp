// The message frame over a real dispatcher: the caller's side of an exchange,
// the status block, refused requests, and the dumps.
#include <vector>

#include "KelSQL/KelNetSQLDBTransaction.h"
#include "platform/events/KelDebug.h"
#include "support/Checks.h"
#include "support/ProbeMessages.h"
#include "support/SqlDispatcherFixture.h"

using kel::test::SqlDispatcherTest;
using namespace kel::probe;

namespace {

// A message of a type no class answers.
struct StrayReq_t {
    uint32_t Code;
};
class Stray : public KelNetSQLMessage<Stray, StrayReq_t, ProbeRsp_t, 0x1E0000EE, 0x1E0000EF> {
public:
    static constexpr const char* kClassName = "Stray";
    static constexpr const char* kRequestName = "StrayReq";
    static constexpr const char* kResponseName = "StrayRsp";
    Stray(KelSQLClassProperties& ctx) : KelNetSQLMessage(ctx, false) {}
    bool answer(StrayReq_t&, ProbeRsp_t&) { return true; }
};

// The probe's type with a record shorter than the probe's.
class ShortProbe : public KelNetSQLMessage<ShortProbe, StrayReq_t, ProbeRsp_t, kProbeRequest, kProbeResponse> {
public:
    static constexpr const char* kClassName = "ShortProbe";
    static constexpr const char* kRequestName = "ShortProbeReq";
    static constexpr const char* kResponseName = "ShortProbeRsp";
    ShortProbe(KelSQLClassProperties& ctx) : KelNetSQLMessage(ctx, false) { addressProbeLibrary(*this); }
    bool answer(StrayReq_t&, ProbeRsp_t&) { return true; }
};

class FrameExchangeTest : public SqlDispatcherTest {
protected:
    void SetUp() override {
        SqlDispatcherTest::SetUp();
        context_ = std::make_unique<KelSQLClassProperties>(KelSQLClientSide);
        ASSERT_TRUE(ctx().isClientOperations());
    }
    KelSQLClassProperties& ctx() { return *context_; }
    std::unique_ptr<KelSQLClassProperties> context_;
};

}  // namespace

TEST_F(FrameExchangeTest, AnswerStatusReachesTheCaller) {
    const struct {
        uint32_t code;
        bool ok;
        uint64_t number;
    } cases[] = {
        {kProbeMinor, true, 0},  // a minor error comes back as success
        {kProbeFail, false, kelsql::kErrRowOperation},
        {kProbeSilentFail, false, kelsql::kErrRequestRefused},  // still a number
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        Probe m(ctx(), false);
        ProbeReq_t* req = m.requestMessage(true);
        req->Code = c.code;
        EXPECT_TRUE(kel::copyField(req->Tag, "db'one"));
        KelLastError err;
        EXPECT_EQ(c.ok, m.exchange(err));
        EXPECT_EQ(err.number(), c.number);
        if (c.code == kProbeMinor) {
            EXPECT_EQ(m.responseStatus()->Status, 0u);
            EXPECT_EQ(m.responseStatus()->LastError, kMinorNotice);
        } else if (c.code == kProbeFail) {
            EXPECT_TRUE(err.isMajor());
            EXPECT_EQ(kel::test::arguments(err), (std::vector<std::string>{"Probe::answer", "db'one"}));
        }
    }
}

TEST_F(FrameExchangeTest, UnknownCodeTypeAndWrongLengthAreRefusedAndTheSessionGoesOn) {
    KelNetSQLDBTransaction unknown(ctx(), false);
    unknown.requestMessage(true)->TransactionCode = 99;
    KelLastError err;
    EXPECT_FALSE(unknown.exchange(err));
    EXPECT_EQ(err.number(), kelsql::kErrRequestRefused);
    EXPECT_EQ(unknown.responseMessage(false)->TransactionState, 0u);  // a full response

    Stray stray(ctx());
    EXPECT_FALSE(stray.exchange(err));
    EXPECT_EQ(err.number(), kelsql::kErrRequestRefused);

    ShortProbe shortProbe(ctx());
    shortProbe.requestMessage(true)->Code = kProbeMinor;
    EXPECT_FALSE(shortProbe.exchange(err));
    EXPECT_EQ(err.number(), kelsql::kErrInvalidArgument);

    // None broke the session or its answering context.
    KelNetSQLDBTransaction m(ctx(), false);
    ASSERT_TRUE(m.startTransaction()) << m.getLastError().formatLastErrorMessage();
    KelNetSQLDBTransState state = 0;
    ASSERT_TRUE(m.getTransactionStatus(&state));
    EXPECT_EQ(state, uint32_t{KelSQLTranStarted});
    EXPECT_TRUE(ctx().getSqlSession()->IsConnected());
}

TEST_F(FrameExchangeTest, SendFailureReachesTheCaller) {
    ASSERT_TRUE(ostrel_.stop());
    KelNetSQLDBTransaction m(ctx(), false);
    EXPECT_FALSE(m.startTransaction());
    EXPECT_NE(m.getLastError().number(), 0u);
    EXPECT_EQ(m.lastKnownState(), uint32_t{KelSQLTranNone});
    ASSERT_TRUE(ostrel_.start(kOstrel));
}

class FrameLocalTest : public kel::test::HomeTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(KelRegistry::createMachine("agent1"));
        KelPI_Focus::setFocus("agent1");
    }
};

TEST_F(FrameLocalTest, MissingRecordIsRefusedWithItsFunctionName) {
    KelSQLClassProperties ctx(KelSQLServerSide);
    KelNetSQLLogConvertedToFull m(ctx, false);
    EXPECT_FALSE(m.setResponseMessage(nullptr));
    EXPECT_EQ(m.getLastError().number(), kelsql::kErrNoBuffer);
    EXPECT_EQ(kel::test::arguments(m.getLastError()),
              (std::vector<std::string>{"KelNetSQLTemplate::setResponseMessage", "response"}));

    KelNetSQLLogConvertedToFullReq_t r{7, 9};
    ASSERT_TRUE(m.setRequestMessage(reinterpret_cast<char*>(&r)));
    EXPECT_EQ(m.requestMessage(false)->appId, 9u);
    EXPECT_EQ(m.requestMessage(true)->appId, 0u);
}

TEST_F(FrameLocalTest, DumpsFollowTheDebugLevel) {
    KelPI_Keld keld;
    ASSERT_NE(keld.setFocus("agent1"), 0);
    std::vector<std::string> lines;
    KelDebug::setSink([&](KelDebugLevel, const std::string& fn, const std::string& text) {
        lines.push_back(fn + "|" + text);
    });
    KelSQLClassProperties ctx(KelSQLServerSide);
    KelNetSQLDBTransaction m(ctx, false);
    m.requestMessage(true)->TransactionCode = KelNetSQLDBTransCommit;
    m.printRequestMessage(nullptr);
    EXPECT_TRUE(lines.empty());

    ASSERT_TRUE(keld.setSql(4));
    m.printRequestMessage(nullptr);
    KelNetSQLDBTransactionRsp_t rsp{};
    rsp.TransactionState = KelSQLTranRolledBack;
    m.printResponseMessage(reinterpret_cast<char*>(&rsp));
    KelDebug::setSink({});
    std::vector<std::string> expected = {
        "KelNetSQLDBTransaction::printRequestMessage|1   KelNet SQLDBTransactionReq: ",
        "KelNetSQLDBTransaction::printRequestMessage|        TransactionCode = COMMIT",
        "KelNetSQLDBTransaction::printResponseMessage|1   KelNet SQLDBTransactionRsp: ",
        "printSQLOperationStatus()|2    KelNetSQLOPStatus: SUCCESS: ",
        "KelNetSQLDBTransaction::printResponseMessage|        TransactionState = Rolled Back",
    };
    EXPECT_EQ(lines, expected);
}
