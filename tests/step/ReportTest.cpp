// The Ostrel's log-mark reports and backup-chain reports.
#include "KelSQL/KelSQLDatabaseReports.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLLogMarkName.h"
#include "StepFixture.h"

using kel::test::refused;

namespace {

using Ids = std::vector<uint64_t>;

class ReportTest : public kel::test::StepTest {
protected:
    void mark(unsigned long database, const std::string& name, long at) {
        ASSERT_TRUE(kel::test::sql("INSERT INTO sqlLogMarkNames (tesselId, sqlDatabaseId, name, description, lsn, "
                                   "markTime) VALUES (" + std::to_string(tessel_) + ", " + std::to_string(database) +
                                   ", '" + name + "', 'd', '" + lsn(at) + "', '" + stamp(at) + "')"));
    }
    static std::vector<std::string> names(const std::vector<KelSQL_LogMark_t>& list) {
        std::vector<std::string> n;
        for (const auto& m : list) n.push_back(m.name + "@" + std::to_string(m.sequence));
        return n;
    }
    static Ids ids(const std::vector<KelSQLDatabaseBackupSetRecord_t>& list) {
        Ids n;
        for (const auto& r : list) n.push_back(r.sqlBackupSetId);
        return n;
    }
};

TEST_F(ReportTest, LogMarkWindowsAndCommonMarks) {
    history();  // full 10 finishes 50 seconds after the base
    const unsigned long other = databaseRow("other"), bare = databaseRow("bare");
    add({{40, 'D', 5000, 5010, 5005, 4900, 0}}, other);
    mark(db_, "m1", 40);
    mark(db_, "m2", 60);
    mark(db_, "m3", 300);
    mark(db_, "m4", 2000);
    mark(other, "m2", 60);
    mark(other, "m3", 301);  // a second apart: not common
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLLogMarkName marks(ostrel, false);
    using Names = std::vector<std::string>;
    std::vector<KelSQL_LogMark_t> list{{}};
    ASSERT_TRUE(marks.databaseLogMarksReport(tessel_, db_, list)) << message(marks.getLastError());
    EXPECT_EQ(names(list), (Names{"m1@1", "m2@2", "m3@3", "m4@4"}));
    EXPECT_EQ(list[1].markTime, kBase + 60);
    EXPECT_EQ(list[1].lsn, lsn(60));
    // The instance's report joins each mark to its database.
    ASSERT_TRUE(marks.serverLogMarksReport(tessel_, instance_, list)) << message(marks.getLastError());
    ASSERT_EQ(names(list), (Names{"m1@1", "m2@2", "m2@3", "m3@4", "m3@5", "m4@6"}));
    EXPECT_EQ(list[1].sqlDatabaseId, other);  // same time: the higher database first
    EXPECT_EQ(list[3].sqlDatabaseId, other);  // the later mark first
    const unsigned long before = kBase + 1000;
    // Without a lower bound the window opens when full 10 finished.
    ASSERT_TRUE(marks.getLogMarksForDatabaseRestore(tessel_, db_, list, before, 0));
    EXPECT_EQ(names(list), (Names{"m3@1", "m2@2"}));
    ASSERT_TRUE(marks.getLogMarksForDatabaseRestore(tessel_, db_, list, before, kBase + 40));
    EXPECT_EQ(names(list), (Names{"m3@1", "m2@2", "m1@3"}));
    ASSERT_TRUE(marks.getLogMarksForDatabaseRestore(tessel_, db_, list, 0, kBase + 300));
    EXPECT_EQ(names(list), (Names{"m4@1", "m3@2"}));
    EXPECT_TRUE(refused(marks.getLogMarksForDatabaseRestore(tessel_, bare, list, before, 0), marks.getLastError(),
                        kelsql::kErrLogMark));
    // Common marks: the first database's entries that every other has.
    ASSERT_TRUE(marks.getCommonDatabaseLogMarks(tessel_, instance_, {db_, other}, before, list));
    EXPECT_EQ(names(list), (Names{"m2@2"}));
    ASSERT_TRUE(marks.getCommonDatabaseLogMarks(tessel_, instance_, {db_}, before, list));
    EXPECT_EQ(names(list), (Names{"m3@1", "m2@2"}));
    EXPECT_TRUE(refused(marks.getCommonDatabaseLogMarks(tessel_, instance_, {}, before, list), marks.getLastError(),
                        kelsql::kErrValueNotSet));
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLLogMarkName atAgent(agent, false);
    EXPECT_TRUE(refused(atAgent.databaseLogMarksReport(tessel_, db_, list), atAgent.getLastError(),
                        kelsql::kErrOstrelSideOnly));

    // The instance of what is reported decides on SQL Server 7, as for
    // every other use of the marks, not what the context read last.
    ostrel.getSQLDSN().setSqlServerVersion(7, 0, 0);
    ASSERT_TRUE(marks.databaseLogMarksReport(tessel_, db_, list)) << message(marks.getLastError());
    EXPECT_EQ(list.size(), 4u);
    ASSERT_TRUE(kel::test::sql("INSERT INTO sqlVersion(id, tesselId, type, major, minor, build) VALUES (77, " +
                               std::to_string(tessel_) + ", 1, 7, 0, 623); UPDATE sqlServer SET sqlVersionId = 77 "
                               "WHERE instanceId = " + std::to_string(instance_)));
    ostrel.getSQLDSN().setSqlServerVersion(9, 0, 0);
    EXPECT_TRUE(refused(marks.databaseLogMarksReport(tessel_, db_, list), marks.getLastError(), kelsql::kErrLogMark));
    EXPECT_TRUE(refused(marks.serverLogMarksReport(tessel_, instance_, list), marks.getLastError(),
                        kelsql::kErrLogMark));
    EXPECT_TRUE(refused(marks.getLogMarksForDatabaseRestore(tessel_, db_, list, before, 0), marks.getLastError(),
                        kelsql::kErrLogMark));
    EXPECT_TRUE(refused(marks.getCommonDatabaseLogMarks(tessel_, instance_, {db_}, before, list),
                        marks.getLastError(), kelsql::kErrLogMark));
}

TEST_F(ReportTest, ActiveAndInactiveChains) {
    // Full 70, its log 71; full 72 whose full is 70's checkpoint, its log 73
    // and differential 74 (the newest); full 69 links to nothing.
    add({{69, 'D', 40, 50, 50, 30, -100}, {70, 'D', 100, 110, 105, 90, 0}, {71, 'L', 110, 120, 0, 105, 100},
         {72, 'D', 200, 210, 205, 105, 200}, {73, 'L', 210, 220, 0, 205, 300}, {74, 'I', 200, 230, 225, 205, 400}});
    ASSERT_TRUE(kel::test::sql("UPDATE sqlBackupSet SET jobId_h = 5, jobId_l = -2147483647 WHERE id = 73"));
    ASSERT_TRUE(kel::test::sql("INSERT INTO sqlArchiveSet (tesselId, sqlBackupSetId, mediaSetId, sequenceNumber, "
                               "archiveGroup, archiveFile, bIsTombstoned) VALUES (" + std::to_string(tessel_) +
                               ", 72, 1, 2, 3, 4, 0)"));
    // A full that names itself, and two fulls that name each other.
    const unsigned long self = databaseRow("self"), pair = databaseRow("pair"), none = databaseRow("none");
    add({{80, 'D', 300, 310, 300, 300, 0}, {81, 'L', 310, 320, 0, 300, 100}}, self);
    add({{90, 'D', 400, 405, 400, 410, 0}, {91, 'D', 410, 415, 410, 400, 100}, {92, 'L', 415, 420, 0, 410, 200}},
        pair);
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLDatabaseReports reports(ostrel);
    ASSERT_TRUE(reports.createChainReports(db_)) << message(reports.getLastError());
    EXPECT_EQ(ids(reports.activeLSNChain(db_)), (Ids{74, 73, 72, 71, 70}));
    EXPECT_EQ(ids(reports.inactiveLSNChain()), (Ids{69}));
    const auto& log = reports.activeLSNChain(db_)[1];
    EXPECT_EQ(log.jobId, 0x0000000580000001ll);
    EXPECT_EQ(log.backupType, uint64_t('L'));
    EXPECT_EQ(log.backupSetId, 5073u);
    EXPECT_EQ(log.fullBackupLSN, lsn(205));
    EXPECT_EQ(log.backupSize, "1073");
    // Another database's chain is built for it; the same one stays cached.
    EXPECT_EQ(ids(reports.activeLSNChain(self)), (Ids{81, 80}));
    EXPECT_EQ(ids(reports.activeLSNChain(pair)), (Ids{92, 91, 90}));
    ASSERT_TRUE(kel::test::sql("DELETE FROM sqlLSNs WHERE sqlBackupSetId = 92"));
    EXPECT_EQ(reports.activeLSNChain(pair).size(), 3u);
    EXPECT_TRUE(reports.activeLSNChain(none).empty());
    EXPECT_EQ(reports.getLastError().number(), kelsql::kErrRowOperation);
    EXPECT_TRUE(refused(reports.createChainReports(none), reports.getLastError(), kelsql::kErrRowOperation));

    std::vector<KelSQLDatabaseArchiveSetRecord_t> media;
    ASSERT_TRUE(reports.getArchiveSetList(72, media)) << message(reports.getLastError());
    ASSERT_EQ(media.size(), 1u);
    EXPECT_TRUE(media[0].sequenceNumber == 2 && media[0].archiveGroup == 3 && media[0].archiveFile == 4);
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLDatabaseReports atAgent(agent);
    EXPECT_TRUE(refused(atAgent.getArchiveSetList(0, media), atAgent.getLastError(), kelsql::kErrOstrelSideOnly));
}

}  // namespace
