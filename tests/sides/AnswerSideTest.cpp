// Which side answers what, as a hostile peer meets it: every request type the
// registry knows, sent raw to an Ostrel and to an agent host, is refused by
// the side that does not answer it and answered (or refused with a frame) by
// the side that does, and neither dispatcher stops answering; an answer never
// ends the session it is answering.
#include <cstring>
#include <string>
#include <vector>

#include "KelSQL/KelNetSQLBackupSet.h"
#include "KelSQL/KelNetSQLClientClustered.h"
#include "KelSQL/KelNetSQLDatabase.h"
#include "KelSQL/KelNetSQLFile.h"
#include "KelSQL/KelNetSQLNTSecurity.h"
#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelNetSQLSecurity.h"
#include "KelSQL/KelNetSQLServer.h"
#include "KelSQL/KelNetSQLStatus.h"
#include "net/NetFixture.h"
#include "support/TesselFixture.h"

using kel::net::Frame;
using kel::net::Socket;

namespace {

using Record = std::vector<char>;

// One request on a connection of its own; the first frame of the answer
// (kind 0 when none came).
Frame ask(int port, unsigned long long type, const Record& record, const char* library = "sLNSQL",
          const char* entry = "sLPSQLMSG") {
    kel::test::RawPeer s = kel::test::RawPeer::connect(port);
    if (!s.valid()) return Frame{};
    kel::net::FrameHeader h = kel::test::requestHeader(library, entry, kelsql::kMessageFamily, type,
                                                       static_cast<uint32_t>(record.size()));
    if (!s.sendFrame(h, record.data(), record.size())) return Frame{};
    return s.readFrame();
}

// The status block of a response frame.
const KelNetSQLOPStatus_t* statusOf(const Frame& f) {
    return f.record.size() >= sizeof(KelNetSQLOPStatus_t) ? reinterpret_cast<const KelNetSQLOPStatus_t*>(f.record.data())
                                                          : nullptr;
}

// A request with code in its first four bytes (where the classes keep their
// request code) and the rest zero or filled with text.
Record request(size_t size, uint32_t code, bool textFilled) {
    Record r(size, textFilled ? 'x' : '\0');
    std::memcpy(r.data(), &code, std::min(size, sizeof code));
    return r;
}

template <class Req>
Record recordOf(const Req& req) {
    const char* bytes = reinterpret_cast<const char*>(&req);
    return Record(bytes, bytes + sizeof req);
}

::testing::AssertionResult refusedFrame(const Frame& f) {
    if (f.header.kind != kel::net::kFrameFailure)
        return ::testing::AssertionFailure() << "frame of kind " << f.header.kind << ", not a failure";
    if (f.header.status != kelsql::kErrRequestRefused)
        return ::testing::AssertionFailure() << std::hex << "failure 0x" << f.header.status;
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult answeredOrRefused(const Frame& f) {
    if (f.header.kind == kel::net::kFrameResponse || f.header.kind == kel::net::kFrameFailure)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "no answer";
}

class AnswerSideTest : public kel::test::TesselDispatcherTest {
protected:
    void SetUp() override {
        TesselDispatcherTest::SetUp();
        startAgentHost();
        classes_ = kelsql::registeredMessageClasses();
        ASSERT_FALSE(classes_.empty());
    }

    // The dispatcher on port still answers a STATUS with success.
    static ::testing::AssertionResult stillAnswers(int port) {
        const Frame f = ask(port, KelNetSQLStatus::kRequestType, Record(sizeof(KelNetSQLStatusReq_t)));
        const KelNetSQLOPStatus_t* status = statusOf(f);
        if (f.header.kind != kel::net::kFrameResponse || !status || status->Status != 0)
            return ::testing::AssertionFailure() << "the STATUS was not answered";
        return ::testing::AssertionSuccess();
    }

    static bool answersOn(kelsql::AnswerSide side, bool agentHost) {
        return side == kelsql::AnswerSide::Both || (side == kelsql::AnswerSide::Agent) == agentHost;
    }

    // Every registered type sent to one side: refused when the side does not
    // answer it, else answered or refused, zeroed and text-filled, under each
    // request code; the dispatcher answers a STATUS after each.
    void sweep(bool agentHost) {
        const int port = agentHost ? agentHost_.port() : ostrel_.port();
        for (const kelsql::MessageClass& c : classes_) {
            const std::string what = std::to_string(c.requestType) + (agentHost ? " on the agent host" : " on the Ostrel");
            if (!answersOn(c.side, agentHost)) {
                EXPECT_TRUE(refusedFrame(ask(port, c.requestType, request(c.requestSize, 1, false)))) << what;
                ASSERT_TRUE(stillAnswers(port)) << what;
                continue;
            }
            for (uint32_t code = 0; code <= 8; ++code) {
                for (bool filled : {false, true}) {
                    const Frame f = ask(port, c.requestType, request(c.requestSize, code, filled));
                    EXPECT_TRUE(answeredOrRefused(f)) << what << " code " << code << (filled ? " filled" : "");
                    ASSERT_TRUE(stillAnswers(port)) << what << " code " << code << (filled ? " filled" : "");
                }
            }
        }
    }

    std::vector<kelsql::MessageClass> classes_;
};

TEST_F(AnswerSideTest, EveryTypeOnTheOstrel) { sweep(false); }

TEST_F(AnswerSideTest, EveryTypeOnAnAgentHost) { sweep(true); }

// A stranger who reaches either host's port, without the installation key,
// has no request of any type run: each connection is closed unanswered and
// the catalogue keeps every row as it was (no START, registration or relay,
// deletion or service stop went through).
TEST_F(AnswerSideTest, NoRequestOfAnyTypeRunsForAPeerWithoutTheProof) {
    const long long before = kel::test::catalogueRows();
    ASSERT_GT(before, 0);
    for (const int port : {ostrel_.port(), agentHost_.port()}) {
        for (const kelsql::MessageClass& c : classes_) {
            for (uint32_t code : {1u, 2u, 4u, 8u}) {
                Socket s = kel::test::connectTo(port);
                ASSERT_TRUE(s.valid());
                const Record record = request(c.requestSize, code, false);
                kel::net::FrameHeader h = kel::test::requestHeader("sLNSQL", "sLPSQLMSG", kelsql::kMessageFamily,
                                                                   c.requestType, static_cast<uint32_t>(record.size()));
                std::vector<char> frame = kel::net::encodeFrame(h, record.data(), record.size(), nullptr, 0);
                (void)kel::test::writeBytes(s.fd(), frame.data(), frame.size());
                ASSERT_TRUE(kel::test::closedUnanswered(s.fd()))
                    << c.requestType << " code " << code << " was answered on port " << port;
            }
        }
    }
    EXPECT_EQ(kel::test::catalogueRows(), before);
    EXPECT_TRUE(stillAnswers(ostrel_.port()));
    EXPECT_TRUE(stillAnswers(agentHost_.port()));
}

TEST_F(AnswerSideTest, RegistryNamesTheSideOfTheRecordFamilies) {
    // The catalogue's records are the Ostrel's; the agent's own settings its.
    auto sideOf = [this](unsigned long long type) {
        for (const kelsql::MessageClass& c : classes_)
            if (c.requestType == type) return c.side;
        ADD_FAILURE() << type << " is not registered";
        return kelsql::AnswerSide::Both;
    };
    EXPECT_EQ(sideOf(0x1E000001), kelsql::AnswerSide::Both);    // instance: its extraction is the agent's
    EXPECT_EQ(sideOf(0x1E000005), kelsql::AnswerSide::Ostrel);  // file group
    EXPECT_EQ(sideOf(0x1E000007), kelsql::AnswerSide::Ostrel);  // file
    EXPECT_EQ(sideOf(0x1E00008C), kelsql::AnswerSide::Ostrel);  // application id
    EXPECT_EQ(sideOf(0x1E000061), kelsql::AnswerSide::Agent);   // instance configuration
    EXPECT_EQ(sideOf(0x1E000031), kelsql::AnswerSide::Agent);   // undo path
    EXPECT_EQ(sideOf(0x1E000009), kelsql::AnswerSide::Both);    // network transaction
}

TEST_F(AnswerSideTest, FileUpdateOfZerosNoLongerEndsAnAgentHost) {
    KelNetSQLFileReq_t req{};
    req.DBCode = KelNetSQLFileUpdate;
    EXPECT_TRUE(refusedFrame(ask(agentHost_.port(), KelNetSQLFile::kRequestType, recordOf(req))));
    EXPECT_TRUE(stillAnswers(agentHost_.port()));
    // The Ostrel answers it: no such file.
    const Frame f = ask(ostrel_.port(), KelNetSQLFile::kRequestType, recordOf(req));
    ASSERT_EQ(f.header.kind, kel::net::kFrameResponse);
    EXPECT_EQ(statusOf(f)->Status, 1u);
}

TEST_F(AnswerSideTest, CodesOfClassesAnsweredOnBothSidesAreRefusedOnTheOtherSide) {
    KelNetSQLDatabaseReq_t lookup{}, compare{};
    lookup.DBCode = KelNetSQLDatabaseLookup;
    compare.DBCode = KelNetSQLDatabaseCompare;
    KelNetSQLClientClusteredReq_t get{};
    get.ClusteredOpCode = KelNetSQLClusteredGet;
    KelNetSQLSecurityReq_t toAgent{};
    toAgent.OpCode = KelNetSQLSecurityUpdateAgent;
    KelNetSQLNTSecurityReq_t verify{}, ntLookup{};
    verify.OpCode = KelNetSQLNTSecurityVerify;
    ntLookup.OpCode = KelNetSQLNTSecurityLookup;
    KelNetSQLBackupSetReq_t notice{};
    notice.DBCode = KelNetSQLBackupSetRemove;
    KelNetSQLServerReq_t instanceLookup{}, extract{};
    instanceLookup.DBCode = KelNetSQLServerLookup;
    extract.DBCode = KelNetSQLServerExtract;
    struct Case {
        const char* what;
        unsigned long long type;
        Record record;
        bool agentAnswers;
    };
    const Case cases[] = {
        {"database lookup", KelNetSQLDatabase::kRequestType, recordOf(lookup), false},
        {"database comparison", KelNetSQLDatabase::kRequestType, recordOf(compare), true},
        {"clustered get", KelNetSQLClientClustered::kRequestType, recordOf(get), false},
        {"login to an agent", KelNetSQLSecurity::kRequestType, recordOf(toAgent), true},
        {"NT verify", KelNetSQLNTSecurity::kRequestType, recordOf(verify), true},
        {"NT lookup", KelNetSQLNTSecurity::kRequestType, recordOf(ntLookup), false},
        {"removal notice", KelNetSQLBackupSet::kRequestType, recordOf(notice), true},
        {"instance lookup", KelNetSQLServer::kRequestType, recordOf(instanceLookup), false},
        {"instance extraction", KelNetSQLServer::kRequestType, recordOf(extract), true},
    };
    for (const Case& c : cases) {
        const int wrong = c.agentAnswers ? ostrel_.port() : agentHost_.port();
        EXPECT_TRUE(refusedFrame(ask(wrong, c.type, c.record))) << c.what;
        EXPECT_TRUE(stillAnswers(wrong)) << c.what;
    }
}

TEST_F(AnswerSideTest, AgentHostAnswersTheRemovalNoticeWithAnEmptyRecord) {
    KelNetSQLBackupSetReq_t notice{};
    notice.DBCode = KelNetSQLBackupSetRemove;
    notice.BackupSet.BackupSetId = 12;
    notice.BackupSet.MediaSetId = 3;
    const Frame f = ask(agentHost_.port(), KelNetSQLBackupSet::kRequestType, recordOf(notice));
    ASSERT_EQ(f.header.kind, kel::net::kFrameResponse);
    ASSERT_EQ(f.record.size(), sizeof(KelNetSQLBackupSetRsp_t));
    const auto* rsp = reinterpret_cast<const KelNetSQLBackupSetRsp_t*>(f.record.data());
    EXPECT_EQ(rsp->Status.Status, 0u);
    EXPECT_EQ(rsp->BackupSet.BackupSetId, 0u);
    EXPECT_EQ(rsp->BackupSet.MediaSetId, 0u);
}

// An answer that needs the Ostrel cannot take the session it answers on; a
// connection of its own reaches the Ostrel, and the session goes on.
TEST_F(AnswerSideTest, AnAnswerNeverTakesItsOwnSession) {
    for (int port : {agentHost_.port(), ostrel_.port()}) {
        kel::test::RawPeer s = kel::test::RawPeer::connect(port);
        ASSERT_TRUE(s.valid());
        auto probe = [&](uint32_t code) {
            kel::probe::ProbeReq_t req{};
            req.Code = code;
            kel::net::FrameHeader h = kel::test::requestHeader("sLNSQLTEST", "sLPSQLTESTMSG", kelsql::kMessageFamily,
                                                               kel::probe::kProbeRequest, sizeof req);
            EXPECT_TRUE(s.sendFrame(h, &req, sizeof req));
            const Frame f = s.readFrame();
            EXPECT_EQ(f.header.kind, kel::net::kFrameResponse);
            return f.record.size() == sizeof(kel::probe::ProbeRsp_t)
                       ? reinterpret_cast<const kel::probe::ProbeRsp_t*>(f.record.data())->Rows
                       : ~0ull;
        };
        EXPECT_EQ(probe(kel::probe::kProbeThroughSession), kel::net::kErrNetSessionAnswering) << port;
        // The same connection still carries requests, on the same context.
        EXPECT_EQ(probe(kel::probe::kProbeOwnConnection), 1u) << port;
        EXPECT_EQ(probe(kel::probe::kProbeSide) & 0x10u, port == agentHost_.port() ? 0x10u : 0u) << port;
    }
}

}  // namespace
