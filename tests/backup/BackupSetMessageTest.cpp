// Both backup-set layouts end to end: each is answered in full by an object
// of its own layout; the removal notice and unknown codes.
#include "BackupFixture.h"

using kel::test::scalar;

namespace {

class BackupSetMessageTest : public kel::test::BackupTest {
protected:
    // The request's record and the response's, whichever the layout.
    static KelNetSQLBackupSet_t* request(KelNetSQLBackupSet& m, uint32_t code) {
        if (m.isSecondLayout()) {
            KelNetSQLBackupSet2Req_t* r = m.requestMessage2(true);
            r->DBCode = code;
            return &r->BackupSet.BackupSet;
        }
        KelNetSQLBackupSetReq_t* r = m.requestMessage(true);
        r->DBCode = code;
        return &r->BackupSet;
    }
    static KelNetSQLBackupSet_t* response(KelNetSQLBackupSet& m) {
        return m.isSecondLayout() ? &m.responseMessage2(false)->BackupSet.BackupSet
                                  : &m.responseMessage(false)->BackupSet;
    }
    static bool allZero(const KelNetSQLBackupSet_t* r) {
        const char* p = reinterpret_cast<const char*>(r);
        return std::all_of(p, p + sizeof *r, [](char c) { return c == 0; });
    }
};

}  // namespace

TEST_F(BackupSetMessageTest, EachLayoutIsServedInFull) {
    KelSQLClassProperties agent(KelSQLClientSide);
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    const struct {
        unsigned long long type;
        const char* name;
        long long storedSubclient;
    } layouts[] = {{KelNetSQLBackupSet::kRequestType, "first", 0}, {KelNetSQLBackupSet::kRequestType2, "second", 9}};
    for (const auto& l : layouts) {
        KelNetSQLBackupSet insert(agent, false, l.type);
        KelNetSQLBackupSet_t* in = request(insert, KelNetSQLBackupSetInsert);
        *in = record(l.name).BackupSet;
        in->SqlDatabaseId = db_;
        in->TesselId = tessel_;
        if (insert.isSecondLayout()) insert.requestMessage2(false)->BackupSet.SqlFileSubClientId = 9;
        KelLastError err;
        ASSERT_TRUE(t->startTransaction());
        ASSERT_TRUE(insert.exchange(err)) << l.name << ": " << message(err);
        const uint64_t id = response(insert)->SqlBackupSetId;
        ASSERT_NE(id, 0u) << l.name;
        KelSQLLSN lsn(agent, false);
        fillLSN(lsn, 'D', "1", "2");
        ASSERT_TRUE(lsn.insert(tessel_, db_, id)) << message(lsn.getLastError());
        ASSERT_TRUE(t->commitTransaction());
        EXPECT_NE(response(insert)->SqlVersion.SqlVersionId, 0u) << l.name;
        EXPECT_EQ(scalar("SELECT sqlFileSubClientId FROM sqlBackupSet WHERE id = " + std::to_string(id)),
                  l.storedSubclient)
            << l.name;

        KelNetSQLBackupSet lookup(agent, false, l.type);
        request(lookup, KelNetSQLBackupSetLookup)->SqlBackupSetId = id;
        ASSERT_TRUE(lookup.exchange(err)) << l.name << ": " << message(err);
        EXPECT_STREQ(response(lookup)->Name, l.name);
        EXPECT_EQ(response(lookup)->JobId, kJobId) << l.name;

        // The removal notice is an agent host's to answer, not the Ostrel's.
        KelNetSQLBackupSet notice(agent, false, l.type);
        request(notice, KelNetSQLBackupSetRemove)->SqlBackupSetId = id;
        EXPECT_TRUE(kel::test::refused(notice.exchange(err), err, kelsql::kErrRequestRefused)) << l.name;

        KelNetSQLBackupSet other(agent, false, l.type);
        request(other, 2)->SqlBackupSetId = id;
        EXPECT_TRUE(kel::test::refused(other.exchange(err), err, kelsql::kErrRequestRefused)) << l.name;
        EXPECT_TRUE(allZero(response(other))) << l.name;
    }
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlBackupSet"), 2);
}

TEST_F(BackupSetMessageTest, TextsBeyondTheirColumnsAreRefusedBeforeAnySql) {
    KelSQLClassProperties agent(KelSQLClientSide);
    KelNetSQLBackupSet m(agent, false, KelNetSQLBackupSet::kRequestType2);
    KelNetSQLBackupSet_t* r = request(m, KelNetSQLBackupSetInsert);
    *r = record("x").BackupSet;
    r->SqlDatabaseId = db_;
    std::memset(r->Name, 'n', sizeof r->Name);  // no terminator in the field
    KelLastError err;
    EXPECT_TRUE(kel::test::refused(m.exchange(err), err, kelsql::kErrValueNotSet, "name"));
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlBackupSet"), 0);
}
