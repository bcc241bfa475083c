// The backup-level decision on the Ostrel over real dispatchers: the
// catalogue is refreshed with the client's agent host first, the catalogue
// rules fire in their order, and only then is the agent asked (a test
// handler answers there as the test scripts it). Also the older agents'
// question and the exported entry that chooses between the two.
#include <fstream>
#include <memory>

#include "../database/DatabaseFixture.h"
#include "KelSQL/KelSQLBackupConversions.h"
#include "platform/util/KelHome.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "support/Checks.h"

using kel::test::arguments;
using kel::test::refused;
using kel::test::scalar;
using kel::test::sql;

namespace {

constexpr uint32_t kJob = 9;

class ConversionRulesTest : public kel::test::DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        std::string stored;
        ASSERT_TRUE(encryptSQLPassword("pw", stored));
        ASSERT_TRUE(sql("UPDATE sqlServer SET sa = 'sa', saPassword = '" + stored + "'"));
        startAgentHost();
        load("sLNSQLHOSTS");  // the live databases the refresh compares with
        load("sLNSQLCONV");   // the agent's answers
        db_ = databaseRow("pubs", 1, 0x2);
        ASSERT_TRUE(sql("UPDATE sqlDatabase SET systemFlags = 0"));
        app_ = static_cast<uint32_t>(scalar("SELECT applicationNumber FROM sqlDatabase"));
        ASSERT_TRUE(sql("INSERT INTO APP_SystemOS(id, name) VALUES (7, 'seven')"));
        ASSERT_TRUE(sql("INSERT INTO sqlVersion (id, tesselId, type, major, minor, build) VALUES (1, " +
                        std::to_string(tessel_) + ", 1, 9, 0, 1399)"));
        ostrelContext_ = std::make_unique<KelSQLClassProperties>(KelSQLServerSide);
        agentAnswers(0, 0, 0, 0);
        captureLog();
    }
    void TearDown() override {
        KelDebug::setSink(nullptr);
        ostrelContext_.reset();
        DatabaseTest::TearDown();
    }
    void load(const std::string& library) {
        KelLastError err;
        ASSERT_TRUE(kel::probe::loadHandler(kAgentHost, library, "sLP" + library.substr(3) + "MSG", err))
            << err.formatLastErrorMessage();
    }
    static void agentAnswers(int converted, int level, unsigned long long event, unsigned long long fail) {
        std::ofstream(kel::homePath("agent-conversion")) << converted << ' ' << level << ' ' << event << ' ' << fail;
    }
    static std::string agentReceived() {
        std::ifstream in(kel::homePath("agent-conversion-request"));
        std::string line;
        std::getline(in, line);
        return line;
    }
    void flags(int allowFlags) { ASSERT_TRUE(sql("UPDATE sqlDatabase SET allowFlags = " + std::to_string(allowFlags))); }
    void backedUp() {
        ASSERT_TRUE(sql("INSERT INTO sqlBackupSet (tesselId, sqlDatabaseId, backupSetId, sqlVersionId, mtfVersionId, "
                        "name) VALUES (" + std::to_string(tessel_) + ", " + std::to_string(db_) + ", 77, 1, 1, 'b')"));
        ASSERT_TRUE(sql("INSERT INTO sqlLSNs (sqlBackupSetId, tesselId, sqlDatabaseId, finishTime, backupType) VALUES "
                        "((SELECT max(id) FROM sqlBackupSet), " + std::to_string(tessel_) + ", " +
                        std::to_string(db_) + ", '2024-05-06 07:08:09', 1)"));
    }
    // The decision; the info event line raised, if any.
    bool decide(KelNetSQLBackupConversionRules& rules, int level) {
        lines_.clear();
        return rules.checkConversionRules(static_cast<uint32_t>(tessel_), app_, level, kJob);
    }
    std::string event() const {
        for (const std::string& l : lines_)
            if (l.rfind("KelEvent::InfoEvent|", 0) == 0) return l.substr(20);
        return "";
    }

    unsigned long db_ = 0;
    uint32_t app_ = 0;
    std::unique_ptr<KelSQLClassProperties> ostrelContext_;
};

TEST_F(ConversionRulesTest, CatalogueRulesFireInOrderAndAreRefusedWhenConversionIsOff) {
    struct Case {
        bool backedUp;
        int allowFlags, systemFlags, level;
        const char* event;  // empty: refused with refusal
        uint64_t refusal;
    };
    const Case cases[] = {
        {false, 0x2, 1, 2, "info event 0x1E0000FE job 9 | Transaction Log | pubs", 0},  // first backup before system
        {true, 0x2, 1, 4, "info event 0x1E00010C job 9 | Differential | pubs", 0},
        {true, 0x202, 0, 4, "info event 0x1E00010E job 9 | Differential | pubs", 0},
        {true, 0x226, 0, 256, "info event 0x1E000101 job 9 | Transaction Log | pubs", 0},
        {true, 0x22, 0, 2, "", kelsql::kErrLevelConverted},  // content changed, no conversion for new files
        {true, 0x3, 0, 2, "info event 0x1E000102 job 9 | Transaction Log | pubs", 0},
        {false, 0x0, 0, 2, "", kelsql::kErrLevelConverted},  // next full not allowed
        {false, 0x0, 0, 4, "", kelsql::kErrLevelConverted2},
    };
    agentAnswers(0, 0, 0, kelsql::kErrRequestRefused);  // asking the agent would fail
    for (const Case& c : cases) {
        SCOPED_TRACE(c.event);
        ASSERT_TRUE(sql("DELETE FROM sqlLSNs; DELETE FROM sqlBackupSet"));
        if (c.backedUp) backedUp();
        ASSERT_TRUE(sql("UPDATE sqlDatabase SET systemFlags = " + std::to_string(c.systemFlags)));
        flags(c.allowFlags);
        KelNetSQLBackupConversionRules rules(*ostrelContext_, true);
        ASSERT_TRUE(decide(rules, c.level)) << rules.getLastError().formatLastErrorMessage();
        EXPECT_TRUE(rules.isBkupTypeConverted());
        EXPECT_EQ(KelBkpLevelFull, rules.getBkupLevel());
        EXPECT_EQ(c.event, event());
        EXPECT_EQ(c.refusal == 0, rules.IsConversionAllowed());
        EXPECT_EQ(c.refusal, rules.getLastError().number());
        if (c.refusal) {
            EXPECT_EQ((std::vector<std::string>{kInstance, "pubs"}), arguments(rules.getLastError()));
        }
    }
    // A storage-policy change does not convert a log: the agent is asked.
    ASSERT_TRUE(sql("UPDATE sqlDatabase SET systemFlags = 0"));
    backedUp();
    flags(0x202);
    KelNetSQLBackupConversionRules log(*ostrelContext_, true);
    EXPECT_TRUE(refused(decide(log, 2), log.getLastError(), kelsql::kErrRequestRefused));
    EXPECT_TRUE(logged("FAILED to validate conversion rules. Check keld.log on [alpha] for more details."));
}

TEST_F(ConversionRulesTest, TheAgentDecidesWhenNoRuleFires) {
    backedUp();
    struct Case {
        int allowFlags, level, agentConverted, agentLevel;
        bool converted;
        int expectedLevel;
        const char* event;
        uint64_t refusal;
    };
    const Case cases[] = {
        {0x2, 4, 0, 0, false, 0, "", 0},  // not converted: the level is the agent's, unread
        {0x2, 2, 0, 0, false, 0, "", 0},
        {0x102, 2, 0, 0, true, 4, "info event 0x1E000107 job 9 | Transaction Log | pubs", 0},
        {0x100, 256, 0, 0, true, 4, "", kelsql::kErrAgentLevelConverted},
        {0x2, 4, 1, 1, true, 1, "info event 0x1E000200 job 9 | Differential | pubs", 0},
        {0x0, 4, 1, 1, true, 1, "", kelsql::kErrLevelConverted2},
        {0x0, 2, 1, 1, true, 1, "", kelsql::kErrAgentLevelConverted},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.allowFlags) + " level " + std::to_string(c.level));
        flags(c.allowFlags);
        agentAnswers(c.agentConverted, c.agentLevel, 0x1E000200, 0);
        KelNetSQLBackupConversionRules rules(*ostrelContext_, true);
        ASSERT_TRUE(decide(rules, c.level)) << rules.getLastError().formatLastErrorMessage();
        EXPECT_EQ(c.converted, rules.isBkupTypeConverted());
        EXPECT_EQ(c.expectedLevel, rules.getBkupLevel());
        EXPECT_EQ(c.event, event());
        EXPECT_EQ(c.refusal, rules.getLastError().number());
        // The names arrived as trailing data; no address went out.
        EXPECT_EQ("alpha|" + std::string(kInstance) + "|pubs|" + std::to_string(c.level) + "|" +
                      "77|0",
                  agentReceived());
    }
    agentAnswers(0, 0, 0, kelsql::kErrRowOperation);
    KelNetSQLBackupConversionRules failing(*ostrelContext_, true);
    EXPECT_TRUE(refused(decide(failing, 4), failing.getLastError(), kelsql::kErrRowOperation));
}

TEST_F(ConversionRulesTest, FullInvalidLevelsWrongSideAndALostAgent) {
    KelNetSQLBackupConversionRules full(*ostrelContext_, true);
    ASSERT_TRUE(decide(full, 1)) << full.getLastError().formatLastErrorMessage();
    EXPECT_FALSE(full.isBkupTypeConverted());
    EXPECT_EQ("", event());
    for (int level : {3, 8}) {
        KelNetSQLBackupConversionRules invalid(*ostrelContext_, true);
        EXPECT_TRUE(refused(decide(invalid, level), invalid.getLastError(), kelsql::kErrInvalidArgument,
                            std::to_string(level).c_str()));
        EXPECT_TRUE(logged("Invalid backup type [" + std::to_string(level) + "]"));
    }
    KelSQLClassProperties agent(KelSQLClientSide);
    KelNetSQLBackupConversionRules onAgent(agent, true);
    EXPECT_TRUE(refused(decide(onAgent, 2), onAgent.getLastError(), kelsql::kErrOstrelSideOnly,
                        "KelSQL::checkConversionRules"));
    // This library's own agent answers no rules question, with a failure.
    KelNetSQLBkpConversionReq_t request{};
    KelNetSQLBackupConversionRules answering(agent, 1, reinterpret_cast<char*>(&request));
    EXPECT_FALSE(answering.buildReply());
    KelLastError answered;
    EXPECT_FALSE(operationStatus(answering.responseMessage(false)->status, answered));
    EXPECT_EQ((std::vector<std::string>{"KelNetSQLBackupConversionRules::buildreply"}), arguments(answered));
    EXPECT_EQ(kelsql::kErrAgentSideOnly, answered.number());

    // Without the agent host the refresh fails: only a log without truncation goes on.
    ASSERT_TRUE(agentHost_.stop());
    KelNetSQLBackupConversionRules log(*ostrelContext_, true), noTruncate(*ostrelContext_, true);
    EXPECT_FALSE(decide(log, 2));
    EXPECT_NE(0u, log.getLastError().number());
    ASSERT_TRUE(decide(noTruncate, 256)) << noTruncate.getLastError().formatLastErrorMessage();
    EXPECT_TRUE(logged("Compare and update failed for database [" + std::string(kInstance) +
                       "..pubs]. Continuing because backup type INCR_NOTRUNC"));
    EXPECT_EQ("info event 0x1E0000FE job 9 | Transaction Log | pubs", event());
}

TEST_F(ConversionRulesTest, TheExportedEntryAsksOlderAgentsOnlyWhetherTheyConverted) {
    const std::string focus = KelPI_Focus::getFocus();
    std::string message;
    // A new agent (no release known): the rules refuse the first log of a
    // database whose conversion is off.
    flags(0);
    KelBkpLevel level = KelBkpLevelLog;
    EXPECT_EQ(0, getBackupConversion(focus.c_str(), tessel_, alpha_, instance_, app_, level, message, kJob));
    EXPECT_EQ(KelBkpLevelLog, level);
    EXPECT_NE(std::string::npos, message.find("automatic conversion is off")) << message;

    ASSERT_TRUE(sql("INSERT INTO APP_ClientRelease (clientId, tesselId, release, buildId, releaseID) VALUES (" +
                    std::to_string(alpha_) + ", " + std::to_string(tessel_) + ", '9', 'B1', 7)"));
    agentAnswers(0, 1, 0, 0);
    EXPECT_EQ(1, getBackupConversion(focus.c_str(), tessel_, alpha_, instance_, app_, level, message, kJob));
    EXPECT_EQ(KelBkpLevelLog, level) << "not converted: the level stays";
    agentAnswers(1, 1, 0, 0);
    lines_.clear();
    EXPECT_EQ(1, getBackupConversion(focus.c_str(), tessel_, alpha_, instance_, app_, level, message, kJob));
    EXPECT_EQ(KelBkpLevelFull, level);
    EXPECT_EQ("", event()) << "no rule ran";
    agentAnswers(0, 0, 0, kelsql::kErrRowOperation);
    message.clear();
    EXPECT_EQ(0, getBackupConversion(focus.c_str(), tessel_, alpha_, instance_, app_, level, message, kJob));
    EXPECT_FALSE(message.empty());
    EXPECT_TRUE(logged("Failed to query if the \"Log\" backup has been converted to \"Full\"."));

    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLBackupConversions onAgent(agent, false);
    EXPECT_TRUE(refused(onAgent.query(tessel_, alpha_, instance_, app_), onAgent.getLastError(),
                        kelsql::kErrOstrelSideOnly, "KelSQLBackupConversions::query"));
}

}  // namespace
