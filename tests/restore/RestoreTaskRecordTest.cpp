// The restore task record on the Ostrel's catalogue: its setter and insert
// rules, the sealed password, update's SET list and the next full backup a
// subclient asks for after a restore.
#include "RestoreFixture.h"

#include "KelSQL/KelSQLUserAndPassword.h"
#include "platform/appmgr/ApplProperties.h"

using kel::test::failure;

namespace {

class RestoreTaskRecordTest : public kel::test::RestoreTest {};

constexpr unsigned long kTime = 1600000000;

struct RuleCase {
    const char* what;
    // The steps before the last; the last is checked.
    bool (*steps)(KelSQLRestoreTask& t, unsigned long backupSet);
    uint64_t error;
    uint32_t type;  // the type afterwards
};

bool flagsAnd(KelSQLRestoreTask& t, uint64_t flags) { return t.setRestoreFlags(flags) && t.insert(); }

}  // namespace

TEST_F(RestoreTaskRecordTest, SettersAndInsertFollowTheirRules) {
    const unsigned long backupSet = backupSetRow("full");
    const RuleCase cases[] = {
        {"file group after stop at mark", [](KelSQLRestoreTask& t, unsigned long) {
             return t.setRestoreTypeStopAtMark("m1", kTime) && t.setRestoreType(6); }, 0, 18},
        {"file after stop before mark", [](KelSQLRestoreTask& t, unsigned long) {
             return t.setRestoreTypeStopBeforeMark(7, kTime) && t.setRestoreType(7); }, 0, 19},
        {"file group after FFG point in time", [](KelSQLRestoreTask& t, unsigned long) {
             return t.setRestoreTypeFFGPointInTime(kTime) && t.setRestoreType(6); }, 0, 17},
        {"file group fresh", [](KelSQLRestoreTask& t, unsigned long) { return t.setRestoreType(6); }, 0, 6},
        {"type 18", [](KelSQLRestoreTask& t, unsigned long) { return t.setRestoreType(18); }, 0x1E000001, 0},
        {"type 10", [](KelSQLRestoreTask& t, unsigned long) { return t.setRestoreType(10); }, 0x1E000001, 0},
        {"type 0", [](KelSQLRestoreTask& t, unsigned long) { return t.setRestoreType(0); }, 0x1E000001, 0},
        {"flags 0x8000", [](KelSQLRestoreTask& t, unsigned long) { return t.setRestoreFlags(0x8000); }, 0x1E000001, 0},
        {"mark id 0", [](KelSQLRestoreTask& t, unsigned long) { return t.setRestoreTypeStopAtMark(0ul, kTime); },
         0x1E000037, 0},
        {"point in time, standby and no recovery", [](KelSQLRestoreTask& t, unsigned long) {
             return t.setRestoreTypePointInTime(kTime) && flagsAnd(t, 0x60); }, 0x1E000058, 1},
        {"point in time, no recovery", [](KelSQLRestoreTask& t, unsigned long) {
             return t.setRestoreTypePointInTime(kTime) && flagsAnd(t, 0x20); }, 0x1E000059, 1},
        {"discrete time, standby", [](KelSQLRestoreTask& t, unsigned long) {
             return t.setRestoreTypeDiscreteTime(kTime) && flagsAnd(t, 0x40); }, 0, 2},
        {"timed step restore, standby", [](KelSQLRestoreTask& t, unsigned long) {
             return t.setRestoreTypeDBStepPointInTime(kTime) && flagsAnd(t, 0x40); }, 0x1E000058, 3},
        {"step restore of a backup set, standby", [](KelSQLRestoreTask& t, unsigned long bs) {
             return t.setRestoreTypeDBStepRestore(bs) && flagsAnd(t, 0x40); }, 0, 3},
        {"step restore of nothing", [](KelSQLRestoreTask& t, unsigned long) {
             return t.setRestoreType(3) && t.insert(); }, 0x1E000037, 3},
        {"stop at mark on SQL Server 7", [](KelSQLRestoreTask& t, unsigned long) {
             t.setSqlServerId(t.sqlDatabaseId());  // the SQL Server 7 instance, see below
             return t.setRestoreTypeStopAtMark("m1", kTime); }, 0x1E0000CE, 0},
        {"backup set without a row", [](KelSQLRestoreTask& t, unsigned long bs) {
             return t.setRestoreTypeDBBackupSet(bs + 1); }, 0x1E000033, 0},
    };
    const unsigned long sql7 = instanceOfType(4, "SQL7");
    ASSERT_TRUE(kel::test::sql("INSERT INTO sqlVersion (id, tesselId, type, major, minor, build) VALUES (7, " +
                               std::to_string(tessel_) + ", 1, 7, 0, 623);"
                               "UPDATE sqlServer SET sqlVersionId = 7 WHERE instanceId = " + std::to_string(sql7)));
    KelSQLClassProperties ostrel(KelSQLServerSide);
    for (const RuleCase& c : cases) {
        KelSQLRestoreTask task(ostrel, false);
        task.setSqlDatabaseId(c.error == 0x1E0000CE ? sql7 : database_);
        task.setSqlServerId(instance_);
        task.setDatabaseName("pubs");
        ASSERT_TRUE(ostrel.startTransaction());
        const bool ok = c.steps(task, backupSet);
        EXPECT_EQ(failure(ok, task.getLastError()), c.error) << c.what;
        EXPECT_EQ(task.restoreType(), c.type) << c.what;
        if (c.error == 0x1E000001) {
            EXPECT_EQ(task.restoreFlags(), 0u) << c.what;
        }
        ostrel.rollBackTransaction();
    }
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLRestoreTask remote(agent, false);
    remote.setSqlDatabaseId(database_);
    remote.setSqlServerId(instance_);
    remote.setDatabaseName("pubs");
    ASSERT_TRUE(remote.setRestoreTypeRecoverOnly());
    EXPECT_TRUE(kel::test::refused(remote.insert(), remote.getLastError(), 0x1E000035));
    // An agent's setter asks the Ostrel whether the backup set is there.
    ASSERT_TRUE(remote.setRestoreTypeDBStepRestore(backupSet)) << remote.getLastError().formatLastErrorMessage();
    EXPECT_EQ(remote.restoreType(), 3u);
    EXPECT_EQ(remote.sqlBackupSetId(), backupSet);
    EXPECT_FALSE(remote.setRestoreTypeDBBackupSet(backupSet + 1));
    EXPECT_EQ(remote.restoreType(), 3u);
}

TEST_F(RestoreTaskRecordTest, PasswordIsSealedInTheRowAndReadBackIntoTheContext) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    setLogin(ostrel, "restorer", "s3cret'pw");
    KelSQLRestoreTask task(ostrel, false);
    ASSERT_TRUE(task.setRestoreTypeRecoverOnly());
    const unsigned long id = storeTask(ostrel, task);
    ASSERT_NE(id, 0u) << task.getLastError().formatLastErrorMessage();
    const std::string stored = kel::test::text("SELECT restorePassword FROM sqlRestoreTask WHERE id = " +
                                               std::to_string(id));
    EXPECT_EQ(stored.find("s3cret"), std::string::npos);
    std::string plain;
    ASSERT_TRUE(decryptSQLPassword(stored, plain));
    EXPECT_EQ(plain, "s3cret'pw");

    KelSQLClassProperties reader(KelSQLServerSide);
    KelSQLRestoreTask read(reader, false);
    ASSERT_TRUE(read.querySqlRestoreTask(id)) << read.getLastError().formatLastErrorMessage();
    EXPECT_EQ(reader.getSQLUserAndPassword().sqlUser(), "restorer");
    EXPECT_EQ(reader.getSQLUserAndPassword().sqlPassword(), "s3cret'pw");
    EXPECT_EQ(read.serverName(), "ALPHA\\SQL1");

    // Another first character: one in 64 sealed forms begins with 'x' already.
    const std::string damaged = (stored[0] == 'x' ? "y" : "x") + stored.substr(1);
    ASSERT_TRUE(kel::test::sql("UPDATE sqlRestoreTask SET restorePassword = '" + damaged + "'"));
    EXPECT_TRUE(kel::test::refused(read.querySqlRestoreTask(id), read.getLastError(), 0x1E00003D));

}

// The longest password a login holds (511 characters) is stored sealed and
// read back whole; one more is refused as too long before anything is
// written, never cut.
TEST_F(RestoreTaskRecordTest, TheLongestPasswordIsStoredWholeAndOneMoreIsRefused) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    const std::string longest = std::string(510, 'p') + "'";
    setLogin(ostrel, "restorer", longest);
    KelSQLRestoreTask task(ostrel, false);
    ASSERT_TRUE(task.setRestoreTypeRecoverOnly());
    const unsigned long id = storeTask(ostrel, task);
    ASSERT_NE(id, 0u) << task.getLastError().formatLastErrorMessage();
    KelSQLClassProperties reader(KelSQLServerSide);
    KelSQLRestoreTask read(reader, false);
    ASSERT_TRUE(read.querySqlRestoreTask(id)) << read.getLastError().formatLastErrorMessage();
    EXPECT_EQ(reader.getSQLUserAndPassword().sqlPassword(), longest);

    setLogin(ostrel, "restorer", longest + "p");
    KelSQLRestoreTask longer(ostrel, false);
    ASSERT_TRUE(longer.setRestoreTypeRecoverOnly());
    EXPECT_EQ(storeTask(ostrel, longer), 0u);
    EXPECT_TRUE(kel::test::refused(false, longer.getLastError(), kelsql::kErrValueNotSet, "restorePassword"));
    EXPECT_EQ(kel::test::scalar("SELECT count(*) FROM sqlRestoreTask"), 1);
    // Nor does an update write it.
    KelSQLRestoreTask update(ostrel, false);
    ASSERT_TRUE(update.querySqlRestoreTask(id));
    setLogin(ostrel, "restorer", longest + "p");
    ASSERT_TRUE(ostrel.startTransaction());
    EXPECT_TRUE(kel::test::refused(update.update(id), update.getLastError(), kelsql::kErrValueNotSet,
                                   "restorePassword"));
    ASSERT_TRUE(ostrel.rollBackTransaction());
    ASSERT_TRUE(read.querySqlRestoreTask(id));
    EXPECT_EQ(reader.getSQLUserAndPassword().sqlPassword(), longest);
}

TEST_F(RestoreTaskRecordTest, UpdateWritesItsSetListAndNeverClearsNext) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    setLogin(ostrel, "first", "pw1");
    KelSQLRestoreTask task(ostrel, false);
    ASSERT_TRUE(task.setRestoreTypeDBBackupSet(backupSetRow("full")));
    task.setNext(77);
    task.setPercentage(10);
    const unsigned long id = storeTask(ostrel, task);
    ASSERT_NE(id, 0u) << task.getLastError().formatLastErrorMessage();

    // Type 0, next 0 and no login: only what is set is written.
    KelSQLClassProperties other(KelSQLServerSide);
    KelSQLRestoreTask change(other, false);
    change.setPercentage(55);
    ASSERT_TRUE(other.startTransaction());
    ASSERT_TRUE(change.update(id)) << change.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(other.commitTransaction());
    EXPECT_EQ(column("restoreType", id), 4);
    EXPECT_EQ(column("sqlBackupSetId", id), static_cast<long long>(task.sqlBackupSetId()));
    EXPECT_EQ(column("next", id), 77);
    EXPECT_EQ(column("percentage", id), 55);
    EXPECT_EQ(kel::test::text("SELECT restoreUser FROM sqlRestoreTask WHERE id = " + std::to_string(id)), "first");
    // The read back put the task's login into the context.
    EXPECT_EQ(other.getSQLUserAndPassword().sqlUser(), "first");

    // A type writes its backup set and time, also when they are 0.
    KelSQLRestoreTask timed(other, false);
    ASSERT_TRUE(timed.setRestoreTypeDiscreteTime(kTime));
    setLogin(other, "second", "");
    ASSERT_TRUE(other.startTransaction());
    ASSERT_TRUE(timed.update(id)) << timed.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(other.commitTransaction());
    EXPECT_EQ(column("restoreType", id), 2);
    EXPECT_EQ(column("sqlBackupSetId", id), 0);
    EXPECT_EQ(column("restoreTime", id), static_cast<long long>(kTime));
    EXPECT_EQ(timed.next(), 77u);
    EXPECT_EQ(kel::test::text("SELECT restorePassword FROM sqlRestoreTask WHERE id = " + std::to_string(id)), "");
}

TEST_F(RestoreTaskRecordTest, SubclientPropertyTurnsNextFullOnWithTheTypeFourFallback) {
    struct Case {
        unsigned long type;
        const char* instance;
        bool property;
        long long allowFlags;  // the database's after a read of its task
    };
    const Case cases[] = {{16, "SQL2K", true, 257}, {4, "SQL7", true, 257}, {16, "SQL2KB", false, 256}};
    KelSQLClassProperties ostrel(KelSQLServerSide);
    for (const Case& c : cases) {
        const unsigned long instance = instanceOfType(c.type, c.instance);
        unsigned long appId = 0;
        const unsigned long database = databaseRow(c.type, c.instance, instance, std::string("db") + c.instance,
                                                   &appId);
        if (c.property) {
            ApplProperties properties(appId);
            ASSERT_EQ(0, properties.setProperty(ApplNativeProperty("alwaysFullAfterRestore", 2, "true")));
        }
        KelSQLRestoreTask task(ostrel, false);
        ASSERT_TRUE(task.setRestoreTypeRecoverOnly());
        task.setSqlDatabaseId(database);
        task.setSqlServerId(instance);
        const unsigned long id = storeTask(ostrel, task);
        ASSERT_NE(id, 0u) << task.getLastError().formatLastErrorMessage();
        ASSERT_TRUE(kel::test::sql("UPDATE sqlDatabase SET allowFlags = 256"));
        KelSQLRestoreTask read(ostrel, false);
        ASSERT_TRUE(read.querySqlRestoreTask(id)) << read.getLastError().formatLastErrorMessage();
        EXPECT_EQ(kel::test::scalar("SELECT allowFlags FROM sqlDatabase WHERE backupSetId = " +
                                    std::to_string(database)),
                  c.allowFlags)
            << c.instance;
        EXPECT_FALSE(ostrel.isTransactionStarted());
    }
}
