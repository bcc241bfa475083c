// Removal detection over real dispatchers: the agent asks the Ostrel, which
// probes the client's agent host (its live reader scripted by the file of
// gone objects) and stamps what is gone in one transaction.
#include <ctime>
#include <fstream>

#include "../database/FileFixture.h"
#include "KelSQL/KelSQLDeletionCheck.h"
#include "KelSQL/KelSQLFileSubClient.h"
#include "KelSQL/KelSQLFileSubClientGroup.h"
#include "support/ProbeMessages.h"
#include "support/ScriptedLiveSqlServer.h"

using kel::test::refused;
using kel::test::scalar;
using kel::test::sql;

namespace {

class RemovalDetectionTest : public kel::test::FileTest {
protected:
    void SetUp() override {
        FileTest::SetUp();
        std::string stored;
        ASSERT_TRUE(encryptSQLPassword("pw", stored));
        ASSERT_TRUE(sql("UPDATE sqlServer SET sa = 'sa', saPassword = '" + stored + "'"));
        startAgentHost();
        since_ = static_cast<long long>(std::time(nullptr));
    }
    // The agent host's live instance: the scripted one, without the lines.
    void serveLive(const std::string& gone) {
        std::ofstream(kel::test::liveGoneFile()) << gone;
        KelLastError err;
        ASSERT_TRUE(kel::probe::loadHandler(kAgentHost, "sLNSQLHOSTS", "sLPSQLHOSTSMSG", err))
            << err.formatLastErrorMessage();
    }
    bool removalUpdate(KelSQLDatabaseDeletionCheck& check) {
        return check.removalUpdate(tessel_, "alpha", instance_, db_);
    }
    long long removal(const char* table, unsigned long id) { return value(table, "removalTime", id); }
    static long long databaseRemoval() { return scalar("SELECT removalTime FROM sqlDatabase"); }

    long long since_ = 0;
};

TEST_F(RemovalDetectionTest, ArgumentsAndSidesAreRefusedBeforeAnythingIsSent) {
    KelSQLClassProperties agent(KelSQLClientSide), ostrel(KelSQLServerSide);
    KelSQLDatabaseDeletionCheck check(agent, false);
    const struct {
        unsigned long tessel;
        const char* client;
        unsigned long instance, database;
        const char* field;
    } cases[] = {{0, "alpha", 1, 1, "tesselId"},
                 {1, "", 1, 1, "clientName"},
                 {1, "alpha", 0, 1, "sqlServerId"},
                 {1, "alpha", 1, 0, "sqlDatabaseId"}};
    for (const auto& c : cases)
        EXPECT_TRUE(refused(check.removalUpdate(c.tessel, c.client, c.instance, c.database), check.getLastError(),
                            kelsql::kErrValueNotSet, c.field));
    KelSQLDatabaseDeletionCheck onOstrel(ostrel, false);
    EXPECT_TRUE(refused(removalUpdate(onOstrel), onOstrel.getLastError(), kelsql::kErrAgentSideOnly));

    // Answering operations of objects built without the responder flag.
    KelNetSQLDatabaseDeletionCheckReq_t req{};
    KelNetSQLDatabaseDeletionCheckRsp_t rsp{};
    EXPECT_TRUE(refused(onOstrel.removalUpdate(req, rsp), onOstrel.getLastError(), kelsql::kErrNoSide));
    KelNetSQLDatabaseDeleteCheck_t in{}, out{};
    KelSQLDatabaseDeleteCheck db(agent, false);
    KelSQLFileGroupDeleteCheck group(agent, false);
    KelSQLFileDeleteCheck file(agent, false);
    EXPECT_TRUE(refused(db.check(in, out), db.getLastError(), kelsql::kErrNoSide));
    EXPECT_TRUE(refused(group.check(in, out), group.getLastError(), kelsql::kErrNoSide));
    EXPECT_TRUE(refused(file.check(in, out), file.getLastError(), kelsql::kErrNoSide));
    // The Ostrel's check runs inside a started transaction.
    KelSQLDatabaseDeleteCheck outside(ostrel, false);
    EXPECT_TRUE(refused(outside.check(db_), outside.getLastError(), kelsql::kErrTranRequired));
}

// Groups G1 (file f1), G2 (file f2) and G3, whose SQL Server id is 0 (file f3).
TEST_F(RemovalDetectionTest, StampsWhatTheAgentHostReportsGone) {
    const unsigned long g1 = groupRow("G1"), g2 = groupRow("G2"), g3 = groupRow("G3");
    const unsigned long f1 = fileRow(g1, "f1"), f2 = fileRow(g2, "f2"), f3 = fileRow(g3, "f3");
    ASSERT_TRUE(sql("UPDATE sqlFileGroup SET groupId = 0 WHERE id = " + std::to_string(g3)));
    const struct {
        const char* name;
        bool scripted;
        const char* gone;  // "!" lines fail when probed
        long databaseRemoval;
        bool ok, removalUpdate;
        bool stamped[5];  // g1, g2, g3, f2, f3
    } cases[] = {
        {"this platform's reader: nothing gone", false, "", 0, true, false, {}},
        {"already stamped: no probe", true, "!sales||\n", 1000, true, false, {}},
        {"one group gone among several; group id 0 not probed, its files are", true,
         "sales|G2|\n!sales||f2\n!sales|G3|\nsales||f3\n", 0, true, true, {false, true, false, true, true}},
        {"a failing probe rolls the stamps back", true, "sales|G1|\n!sales|G2|\n", 0, false, false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(sql("UPDATE sqlDatabase SET removalTime = " + std::to_string(c.databaseRemoval)));
        ASSERT_TRUE(sql("UPDATE sqlFileGroup SET removalTime = 0; UPDATE sqlFile SET removalTime = 0"));
        if (c.scripted) serveLive(c.gone);
        KelSQLClassProperties agent(KelSQLClientSide);
        KelSQLDatabaseDeletionCheck check(agent, false);
        if (c.ok) {
            ASSERT_TRUE(removalUpdate(check)) << check.getLastError().formatLastErrorMessage();
            EXPECT_EQ(check.removalUpdate(), c.removalUpdate);
        } else {
            EXPECT_TRUE(refused(removalUpdate(check), check.getLastError(), 0x1E0000F7));
        }
        EXPECT_EQ(databaseRemoval(), c.databaseRemoval);
        EXPECT_EQ(removal("sqlFile", f1), 0);
        const long long stamps[] = {removal("sqlFileGroup", g1), removal("sqlFileGroup", g2),
                                    removal("sqlFileGroup", g3), removal("sqlFile", f2), removal("sqlFile", f3)};
        for (size_t i = 0; i < 5; ++i)
            EXPECT_EQ(stamps[i] >= since_, c.stamped[i]) << i << ": " << stamps[i];
    }
}

TEST_F(RemovalDetectionTest, DatabaseGoneIsStampedAndItsChainsRepaired) {
    const unsigned long g1 = groupRow("G1");
    const unsigned long f1 = fileRow(g1, "f1");
    KelSQLClassProperties ostrel(KelSQLServerSide);
    ASSERT_TRUE(ostrel.startTransaction());
    unsigned long subs[2] = {}, heads[2] = {};
    for (int i = 0; i < 2; ++i) {
        KelSQLFileSubClient s(ostrel, false);
        s.setTesselId(tessel_);
        s.setSqlDatabaseId(db_);
        s.setSubClientName(i ? "loop" : "fs");
        ASSERT_TRUE(s.insert());
        subs[i] = s.sqlId();
        KelSQLFileSubClientGroup m(ostrel, false);
        m.setTesselId(tessel_);
        m.setSqlFileSubClientId(subs[i]);
        m.setSqlFileGroupId(g1);
        ASSERT_TRUE(m.addEntry(0)) << m.getLastError().formatLastErrorMessage();
        heads[i] = m.sqlId();
        s.setSqlFileSubClientGroupId(heads[i]);
        ASSERT_TRUE(s.update(0));
    }
    ASSERT_TRUE(ostrel.commitTransaction());
    // The second chain names itself: its walk fails and its row stays as it was.
    ASSERT_TRUE(sql("UPDATE sqlFileSubClientGroup SET nextId = id WHERE id = " + std::to_string(heads[1])));
    ASSERT_TRUE(sql("UPDATE sqlFileSubClient SET flags = 0"));
    serveLive("sales||\n!sales|G1|\n");

    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLDatabaseDeletionCheck check(agent, false);
    ASSERT_TRUE(removalUpdate(check)) << check.getLastError().formatLastErrorMessage();
    EXPECT_TRUE(check.removalUpdate());
    const long long stamped = databaseRemoval();
    EXPECT_GE(stamped, since_);
    EXPECT_EQ(removal("sqlFileGroup", g1), stamped);
    EXPECT_EQ(removal("sqlFile", f1), stamped);
    EXPECT_EQ(value("sqlFileSubClient", "sqlFileSubClientGroupId", subs[0]), 0);
    EXPECT_EQ(value("sqlFileSubClient", "flags", subs[0]), KelSQLFileSubClient::kFullRequiredFlag);
    EXPECT_EQ(value("sqlFileSubClient", "sqlFileSubClientGroupId", subs[1]), static_cast<long long>(heads[1]));
    EXPECT_EQ(value("sqlFileSubClient", "flags", subs[1]), 0);
}

}  // namespace
