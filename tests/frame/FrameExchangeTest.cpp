// The message frame over a real dispatcher: the caller's side of an exchange,
// the status block, refused requests, and the dumps.
#include <vector>

#include "KelSQL/KelNetSQLDBTransaction.h"
#include "platform/events/KelDebug.h"
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
        buildContext();
        ASSERT_TRUE(ctx().isClientOperations());
    }
    void buildContext() { context_ = std::make_unique<KelSQLClassProperties>(KelSQLClientSide); }
    std::unique_ptr<KelSQLClassProperties> context_;
    KelSQLClassProperties& ctx() { return *context_; }
};

}  // namespace

TEST_F(FrameExchangeTest, AgentContextReadsTheStatusBlock) {
    KelNetSQLDBTransaction m(ctx(), false);
    m.requestMessage(true)->TransactionCode = KelNetSQLDBTransStatus;
    KelLastError err;
    ASSERT_TRUE(m.exchange(err)) << err.formatLastErrorMessage();
    EXPECT_EQ(m.responseStatus()->Status, 0u);
    EXPECT_EQ(m.responseMessage(false)->TransactionState, uint32_t{KelSQLTranNone});
    EXPECT_EQ(err.number(), 0u);
}

TEST_F(FrameExchangeTest, MinorErrorComesBackAsSuccess) {
    Probe m(ctx(), false);
    m.requestMessage(true)->Code = kProbeMinor;
    KelLastError err;
    EXPECT_TRUE(m.exchange(err));
    EXPECT_EQ(m.responseStatus()->Status, 0u);
    EXPECT_EQ(m.responseStatus()->LastError, kMinorNotice);
    EXPECT_EQ(err.number(), 0u);
}

TEST_F(FrameExchangeTest, FailureCarriesTheSendersError) {
    Probe m(ctx(), false);
    ProbeReq_t* req = m.requestMessage(true);
    req->Code = kProbeFail;
    kel::copyField(req->Tag, "db'one");
    KelLastError err;
    EXPECT_FALSE(m.exchange(err));
    EXPECT_EQ(err.number(), kelsql::kErrRowOperation);
    EXPECT_TRUE(err.isMajor());
    ASSERT_EQ(err.argumentCount(), 2);
    err.resetGetNextArgument();
    EXPECT_STREQ(err.getNextArgument(), "Probe::answer");
    EXPECT_STREQ(err.getNextArgument(), "db'one");
}

TEST_F(FrameExchangeTest, FailureWithoutAReasonStillCarriesANumber) {
    Probe m(ctx(), false);
    m.requestMessage(true)->Code = kProbeSilentFail;
    KelLastError err;
    EXPECT_FALSE(m.exchange(err));
    EXPECT_EQ(err.number(), kelsql::kErrRequestRefused);
}

TEST_F(FrameExchangeTest, UnknownCodeIsRefusedWithAFullResponse) {
    KelNetSQLDBTransaction m(ctx(), false);
    m.requestMessage(true)->TransactionCode = 7;
    KelLastError err;
    EXPECT_FALSE(m.exchange(err));
    EXPECT_EQ(err.number(), kelsql::kErrRequestRefused);
    EXPECT_EQ(m.responseMessage(false)->TransactionState, 0u);
}

TEST_F(FrameExchangeTest, UnknownTypeAndWrongLengthAreRefusedAndTheSessionGoesOn) {
    Stray stray(ctx());
    KelLastError err;
    EXPECT_FALSE(stray.exchange(err));
    EXPECT_EQ(err.number(), kelsql::kErrRequestRefused);

    ShortProbe shortProbe(ctx());
    shortProbe.requestMessage(true)->Code = kProbeMinor;
    EXPECT_FALSE(shortProbe.exchange(err));
    EXPECT_EQ(err.number(), kelsql::kErrInvalidArgument);

    // Neither broke the session or its answering context.
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
    EXPECT_EQ(m.getRequestMessageLength(), 16u);
    EXPECT_EQ(m.getResponseMessageLength(), 576u);
    EXPECT_FALSE(m.setResponseMessage(nullptr));
    EXPECT_EQ(m.getLastError().number(), kelsql::kErrNoBuffer);
    m.getLastError().resetGetNextArgument();
    EXPECT_STREQ(m.getLastError().getNextArgument(), "KelNetSQLTemplate::setResponseMessage");
    EXPECT_STREQ(m.getLastError().getNextArgument(), "response");

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
