// Backup files over the real dispatcher: the file group the Ostrel finds, the
// refusals, the existence check and the log backup's stored batch.
#include "BackupFileFixture.h"
#include "KelSQL/KelNetSQLBackupFileExist.h"
#include "KelSQL/KelNetSQLBackupFileLogUpdate.h"
#include "KelSQL/KelSQLBackupFile.h"
#include "KelSQL/KelSQLBackupFileInfo.h"
#include "KelSQL/KelSQLMediaFamily.h"

using kel::test::arguments;
using kel::test::failure;
using kel::test::firstArgument;
using kel::test::refused;
using kel::test::text;

using kel::test::sql;

namespace {

class BackupFileTest : public kel::test::BackupFileFixture {};

KelNetSQLBackupFile_t fileRecord(const std::string& logicalName) {
    KelNetSQLBackupFile_t r{};
    EXPECT_TRUE(kel::copyField(r.LogicalName, logicalName));
    EXPECT_TRUE(kel::copyField(r.PhysicalName, std::string("P:\\f.ndf")));
    EXPECT_TRUE(kel::copyField(r.PhysicalDrive, std::string("P:\\")));
    r.SqlFileGroupId = 999;  // the agent's guess, never stored
    r.Number = 7;
    r.Type = 'D';
    return r;
}

// The error of an empty request of M sent to host; 0 when it was answered.
template <class M>
uint64_t answerAt(KelSQLClassProperties& ctx, const char* host) {
    M m(ctx, false);
    if (!m.setRemoteDataAgent(host)) return 1;
    m.requestMessage(true);
    KelLastError err;
    return failure(m.exchange(err), err);
}

}  // namespace

TEST_F(BackupFileTest, OstrelStoresTheLiveFileGroupAndRefusesWhatItCannotStore) {
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLBackupFile unloaded(agent, false);
    EXPECT_TRUE(refused(unloaded.insert(tessel_, bs_), unloaded.getLastError(), kelsql::kErrInsert));

    const struct {
        std::string name;
        uint64_t error;
        const char* first;  // the error's first argument
    } cases[] = {
        {"data", 0, nullptr},
        {"O'Brien", 0, nullptr},
        {"data", kelsql::kErrBackupFileExists, "data"},
        {"gone", kelsql::kErrRowOperation, "Cursor SqlBackupFileFGID"},  // removed from the database
        {"x' or '1'='1", kelsql::kErrRowOperation, "Cursor SqlBackupFileFGID"},
    };
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    ASSERT_TRUE(t->startTransaction());
    unsigned long quoted = 0;
    for (const auto& c : cases) {
        KelSQLBackupFile file(agent, false);
        const KelNetSQLBackupFile_t rec = fileRecord(c.name);
        ASSERT_TRUE(file.restore(&rec));
        const bool ok = file.insert(tessel_, bs_);
        EXPECT_EQ(failure(ok, file.getLastError()), c.error) << c.name << ": " << message(file.getLastError());
        if (c.first) {
            EXPECT_EQ(firstArgument(file.getLastError()), c.first) << c.name;
        }
        if (ok) {
            EXPECT_EQ(file.sqlFileGroupId(), kGroup) << c.name;
        }
        if (ok && c.name == "O'Brien") quoted = static_cast<unsigned long>(file.sqlId());
    }
    // The Ostrel refuses a name its field does not end, whatever the agent checked.
    KelNetSQLBackupFile raw(agent, false);
    KelNetSQLBackupFileReq_t* req = raw.requestMessage(true);
    req->DBCode = KelNetSQLBackupFileInsert;
    req->BackupFile = fileRecord("x");
    req->BackupFile.TesselId = tessel_;
    req->BackupFile.SqlBackupSetId = bs_;
    std::memset(req->BackupFile.LogicalName, 'n', sizeof req->BackupFile.LogicalName);
    KelLastError err;
    EXPECT_TRUE(refused(raw.exchange(err), err, kelsql::kErrValueNotSet, "logicalName"));
    ASSERT_TRUE(t->commitTransaction());
    EXPECT_EQ(count("sqlBackupSetId = " + std::to_string(bs_)), 2);
    EXPECT_EQ(count("sqlFileGroupId = " + std::to_string(kGroup)), 2);

    KelSQLBackupFile back(agent, false);
    ASSERT_TRUE(back.query(quoted)) << message(back.getLastError());
    EXPECT_EQ(back.logicalName(), "O'Brien");
    EXPECT_EQ(back.sqlFileGroupId(), kGroup);
    EXPECT_EQ(back.physicalDrive(), "P:\\");
    const struct {
        uint32_t code;
        uint64_t id;
        uint64_t error;
    } lookups[] = {{KelNetSQLBackupFileLookup, 0, kelsql::kErrRequestIds},
                   {KelNetSQLBackupFileLookup, 99, kelsql::kErrRowOperation},
                   {3, quoted, kelsql::kErrRequestRefused}};
    for (const auto& l : lookups) {
        KelNetSQLBackupFile m(agent, false);
        m.requestMessage(true)->DBCode = l.code;
        m.requestMessage(false)->BackupFile.SqlBackupFileId = l.id;
        EXPECT_TRUE(refused(m.exchange(err), err, l.error)) << l.code << "/" << l.id;
        if (l.error == kelsql::kErrRequestIds) {
            EXPECT_EQ(arguments(err).back(), "825");
        }
    }
}

TEST_F(BackupFileTest, ExistenceCheckAnswersFoundNotFoundOrFailed) {
    ASSERT_TRUE(sql("INSERT INTO sqlBackupFile (tesselId, sqlFileGroupId, sqlBackupSetId, number, physicalName, "
                    "logicalName, physicalDrive, pageSize, pageCount, type) VALUES (" +
                    std::to_string(tessel_) + ", 5, " + std::to_string(bs_) + ", 4, 'E:\\o.ndf', 'O''Brien', "
                    "'E:\\', 0, 0, 68)"));
    KelSQLClassProperties agent(KelSQLClientSide);
    const struct {
        unsigned long tessel;
        std::string name;
        uint64_t error;
        uint32_t status;
    } cases[] = {
        {tessel_, "O'Brien", 0, KelNetSQLBackupFileExistFound},
        {tessel_, "nosuch", 0, KelNetSQLBackupFileExistNotFound},
        {tessel_, "x' or '1'='1", 0, KelNetSQLBackupFileExistNotFound},
        {tessel_ + 1, "O'Brien", 0, KelNetSQLBackupFileExistNotFound},
        {tessel_, "", kelsql::kErrValueNotSet, KelNetSQLBackupFileExistFailed},
    };
    for (const auto& c : cases) {
        KelNetSQLBackupFileExist check(agent, false);
        const bool ok = check.networkQuery(c.tessel, bs_, c.name);
        EXPECT_EQ(failure(ok, check.getLastError()), c.error) << c.name;
        EXPECT_EQ(check.responseMessage(false)->FileStatus, c.status) << c.name;
    }
}

TEST_F(BackupFileTest, LogUpdateRecordsTheLiveDataFilesLocallyAndByRequest) {
    KelSQLClassProperties agent(KelSQLClientSide);
    const unsigned long remote = recordBackup(agent, "log 2");
    {
        KelSQLClassProperties ostrel(KelSQLServerSide);
        KelNetSQLBackupFileLogUpdate update(ostrel, false);
        EXPECT_TRUE(refused(update.update(tessel_, db_, bs_), update.getLastError(), kelsql::kErrTranRequired));
        ASSERT_TRUE(ostrel.startTransaction());
        ASSERT_TRUE(update.update(tessel_, db_, bs_)) << message(update.getLastError());
        ASSERT_TRUE(ostrel.commitTransaction());
    }
    // The agent has no catalogue transaction of its own: only the request can succeed.
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    ASSERT_TRUE(t->startTransaction());
    KelSQLBackupFile file(agent, false);
    ASSERT_TRUE(file.backupFileLogUpdate(tessel_, db_, remote)) << message(file.getLastError());
    ASSERT_TRUE(t->commitTransaction());
    for (unsigned long set : {bs_, remote})
        EXPECT_EQ(text("SELECT group_concat(number || ',' || logicalName || ',' || physicalDrive || ',' || type || ',' "
                       "|| sqlFileGroupId, ';') FROM (SELECT * FROM sqlBackupFile WHERE sqlBackupSetId = " +
                       std::to_string(set) + " ORDER BY id)"),
                  "1,data,C:\\,68,5;4,O'Brien,E:\\,68,5")
            << set;
}

TEST_F(BackupFileTest, LogUpdateRefusesOtherSetsAndStopsAtAFailingStatement) {
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLBackupFile file(agent, false);
    EXPECT_TRUE(refused(file.backupFileLogUpdate(tessel_, 0, bs_), file.getLastError(), kelsql::kErrValueNotSet,
                        "sqlDatabaseId"));
    ASSERT_TRUE(sql("UPDATE sqlLSNs SET backupType = 68 WHERE sqlBackupSetId = " + std::to_string(bs_)));
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    ASSERT_TRUE(t->startTransaction());
    EXPECT_TRUE(refused(file.backupFileLogUpdate(tessel_, db_, bs_), file.getLastError(),
                        kelsql::kErrBackupFileLogUpdate));
    ASSERT_TRUE(t->commitTransaction());
    EXPECT_EQ(count("sqlBackupSetId = " + std::to_string(bs_)), 0);

    // A log backup whose second file's row cannot be written: the third is never tried.
    ASSERT_TRUE(sql("UPDATE sqlLSNs SET backupType = 76 WHERE sqlBackupSetId = " + std::to_string(bs_) +
                    "; INSERT INTO sqlFile (id, tesselId, sqlFileGroupId, fileId, physicalName, logicalName, "
                    "removalTime) VALUES (7, " + std::to_string(tessel_) + ", 5, 7, 'F:\\z.ndf', 'zz', 0);"
                    "CREATE TRIGGER refuseOBrien BEFORE INSERT ON sqlBackupFile WHEN NEW.logicalName = 'O''Brien' "
                    "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    KelSQLClassProperties ostrel(KelSQLServerSide);
    ASSERT_TRUE(ostrel.startTransaction());
    KelNetSQLBackupFileLogUpdate update(ostrel, false);
    EXPECT_TRUE(refused(update.update(tessel_, db_, bs_), update.getLastError(), kelsql::kErrRowOperation,
                        "Cursor SqlBackupFileLogUpdate"));
    KelSQLBackupFileInfo written(ostrel, false);
    ASSERT_TRUE(written.query(tessel_, bs_));
    ASSERT_EQ(written.backupFileList().size(), 1u);
    EXPECT_EQ(written.backupFileList()[0].logicalName, "data");
    ASSERT_TRUE(ostrel.rollBackTransaction());
    EXPECT_EQ(count("sqlBackupSetId = " + std::to_string(bs_)), 0);
}

TEST_F(BackupFileTest, AnAgentHostAnswersNoneOfTheOstrelsRequests) {
    startAgentHost();
    KelSQLClassProperties agent(KelSQLClientSide);
    EXPECT_EQ(answerAt<KelNetSQLBackupFile>(agent, kAgentHost), kelsql::kErrRequestRefused);
    EXPECT_EQ(answerAt<KelNetSQLBackupFileExist>(agent, kAgentHost), kelsql::kErrRequestRefused);
    EXPECT_EQ(answerAt<KelNetSQLBackupFileLogUpdate>(agent, kAgentHost), kelsql::kErrRequestRefused);
    EXPECT_EQ(answerAt<KelNetSQLMediaFamily>(agent, kAgentHost), kelsql::kErrRequestRefused);
    EXPECT_EQ(answerAt<KelSQLBackupFileInfo>(agent, kAgentHost), kelsql::kErrRequestRefused);
}
