// The database record over a real Ostrel dispatcher and catalogue: how a read
// request finds its row, what the agent gets back, and the record's rules.
#include "DatabaseFixture.h"

#include "KelSQL/KelSQLDatabase.h"

using kel::test::refused;

namespace {

class DatabaseRecordTest : public kel::test::DatabaseTest {};

struct LookupCase {
    const char* what;
    uint32_t code;
    int id;  // 1: the first row's id, 2: an id without a row, 0: none
    bool byInstance;
    const char* client;
    const char* server;
    const char* database;
    uint64_t error;
    const char* found;  // the database answered
};

}  // namespace

TEST_F(DatabaseRecordTest, RequestFindsItsRowByIdThenInstanceThenNames) {
    const unsigned long sales = databaseRow("sales");
    databaseRow("O'Brien");
    const LookupCase cases[] = {
        {"id wins over names", 1, 1, true, "alpha", kInstance, "O'Brien", 0, "sales"},
        {"instance id and a quoted name", 1, 0, true, "", "", "O'Brien", 0, "O'Brien"},
        {"all three names", 1, 0, false, "ALPHA", kInstance, "o'brien", 0, "O'Brien"},
        {"no client name", 1, 0, false, "", kInstance, "sales", kelsql::kErrValueNotSet, nullptr},
        {"no row", 1, 2, false, "", "", "", kelsql::kErrRowOperation, nullptr},
        {"extract", 3, 1, false, "", "", "", kelsql::kErrRequestRefused, nullptr},
        {"comparison", 8, 1, false, "", "", "", kelsql::kErrRequestRefused, nullptr},
    };
    KelSQLClassProperties agent(KelSQLClientSide);
    for (const LookupCase& c : cases) {
        KelNetSQLDatabase m(agent, false);
        KelNetSQLDatabaseReq_t* req = m.requestMessage(true);
        req->DBCode = c.code;
        req->Database.SqlDatabaseId = c.id == 1 ? sales : c.id == 2 ? sales + 100 : 0;
        req->Database.SqlServerId = c.byInstance ? instance_ : 0;
        EXPECT_TRUE(kel::copyField(req->Database.ClientName, std::string(c.client)));
        EXPECT_TRUE(kel::copyField(req->Database.ServerName, std::string(c.server)));
        EXPECT_TRUE(kel::copyField(req->Database.DatabaseName, std::string(c.database)));
        KelLastError err;
        const bool ok = m.exchange(err);
        EXPECT_EQ(kel::test::failure(ok, err), c.error) << c.what;
        if (c.error == kelsql::kErrValueNotSet) {
            EXPECT_EQ(kel::test::firstArgument(err), "reqDatabase");
        }
        if (c.found) {
            EXPECT_EQ(kel::fieldText(m.responseMessage(false)->Database.DatabaseName), c.found) << c.what;
            EXPECT_EQ(kel::fieldText(m.responseMessage(false)->Database.ServerName), kInstance) << c.what;
        }
    }
}

TEST_F(DatabaseRecordTest, AgentReadsTheRowByItsId) {
    const unsigned long id = databaseRow("sales", 4, 0x105);
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLDatabase db(agent, false);
    ASSERT_TRUE(db.query(id, nullptr)) << db.getLastError().formatLastErrorMessage();
    EXPECT_EQ(db.sqlId(), id);
    EXPECT_EQ(db.tesselId(), tessel_);
    EXPECT_EQ(db.sqlServerId(), instance_);
    EXPECT_EQ(db.databaseName(), "sales");
    EXPECT_EQ(db.sqlServerName(), kInstance);
    EXPECT_EQ(db.id(), 7u);
    EXPECT_EQ(db.allowFlags(), 0x105u);
    EXPECT_EQ(db.getStreams().maxStreams(), 4);
    EXPECT_EQ(db.getStreams().logStreams(), 2);
    EXPECT_EQ(db.getAddTime().time(), 1000u);
    EXPECT_TRUE(db.isSystemDatabase());
    EXPECT_EQ(db.getCreationTime().timeStamp().minute, 5);
    EXPECT_EQ(db.getCreationTime().timeStamp().day, 7);
    EXPECT_FALSE(db.getDeleteFlag()->isDeleted());
}

TEST_F(DatabaseRecordTest, OstrelReadsKeepTheirRules) {
    const unsigned long wide = databaseRow("wide", 6);
    const unsigned long narrow = databaseRow("narrow", 2);
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLDatabase db(ostrel, false);
    EXPECT_TRUE(refused(db.query(narrow + wide, nullptr), db.getLastError(), kelsql::kErrRowOperation));
    EXPECT_EQ(db.sqlCode(), 100);
    ASSERT_TRUE(db.query(wide, nullptr));
    ASSERT_TRUE(db.query(narrow, nullptr));
    EXPECT_EQ(db.getStreams().maxStreams(), 6) << "a load never lowers the maximum";
    EXPECT_TRUE(refused(db.query(instance_, std::string(129, 'n')), db.getLastError(), kelsql::kErrValueNotSet));
    // Agent-only and reply-mode-only operations.
    EXPECT_TRUE(refused(db.query(std::string("sales")), db.getLastError(), kelsql::kErrAgentSideOnly));
    KelNetSQLDatabaseReq_t req{};
    KelNetSQLDatabaseRsp_t rsp{};
    req.Database.SqlDatabaseId = wide;
    EXPECT_TRUE(refused(db.lookup(&req, &rsp), db.getLastError(), kelsql::kErrNoSide));
}

TEST_F(DatabaseRecordTest, FlagsChangeOnlyAsAllowed) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLDatabase db(ostrel, false);
    db.setNextDiffOn();
    db.setSPChangedOn();
    db.setNextFullOn();
    EXPECT_EQ(db.allowFlags(), 0x201u);
    db.setNextDiffOn();
    db.setNextFullContentOn();
    EXPECT_EQ(db.allowFlags(), 0x221u);
    db.setSPChangedOff();
    EXPECT_FALSE(db.isSPChanged());
    ASSERT_TRUE(db.setSystemFlags(0x3F));
    EXPECT_TRUE(refused(db.setSystemFlags(0x40), db.getLastError(), kelsql::kErrValueNotSet, "systemFlags"));
    EXPECT_EQ(db.systemFlags(), 0x3Fu);
}
