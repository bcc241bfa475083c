// The point-in-time browse tree over real catalogue rows: the full-backup
// check and coverage of each level, the add-time bound, depths, the coverage
// queries of SQL Server 7 against later versions, the latest-backup-set
// collapses and the application-type level.
#include <functional>
#include <string>
#include <vector>

#include "KelSQL/KelSQLAppTypeBrowse.h"
#include "cursors/CursorFixture.h"
#include "support/Checks.h"
#include "support/MachineSetup.h"

namespace kel::test {
namespace {

// Database 12 ("alpha", instance 1) with file groups 1 (PRIMARY: files zeta,
// Alpha, beta), 2 (removed at 50) and 3 (Archive: file arch).
class BrowseTreeTest : public CursorTest {
protected:
    static constexpr const char* kBefore = "2021-05-01 00:00:00";

    static std::vector<std::string> groupNames(std::vector<KelSQLFileGroupBrowse>* list) {
        std::vector<std::string> out;
        if (list)
            for (KelSQLFileGroupBrowse& g : *list) out.push_back(g.fileGroupName());
        return out;
    }
    static std::vector<std::string> fileNames(std::vector<KelSQLFileBrowse>* list) {
        std::vector<std::string> out;
        if (list)
            for (KelSQLFileBrowse& f : *list) out.push_back(f.logicalName());
        return out;
    }
    static void setAgedData(int value) {
        KelPI_Ostrel ostrel;
        ASSERT_TRUE(focusMachineWithOstrel("agent1", "OSTREL1", 1));
        ASSERT_TRUE(ostrel.setArMgrIncludeAgedData(value));
    }
};

using Names = std::vector<std::string>;

TEST_F(BrowseTreeTest, DatabaseListedOnlyWithAFullBackupWithinTheTombstoneLimit) {
    addBackup(1, 12, kBefore, 73);
    addBackupFile(1, 1, "zeta");
    KelSQLDatabaseBrowse db;
    std::vector<KelSQLFileGroupBrowse>* groups = db.browse(nullptr, 12, kAtSeconds);
    ASSERT_NE(groups, nullptr);
    EXPECT_TRUE(groups->empty());
    EXPECT_FALSE(db.backupDataExist());
    EXPECT_EQ(db.sqlCode(), 100);
    EXPECT_EQ(db.databaseName(), "");

    db.sqlBrowseOn();  // listed anyway, with the differential as its data
    EXPECT_EQ(groupNames(db.browse(nullptr, 12, kAtSeconds)), (Names{"PRIMARY", "data  ", "Archive"}));
    EXPECT_TRUE(db.backupDataExist());
    EXPECT_EQ(db.databaseName(), "alpha  ");

    KelSQLDatabaseBrowse strict;
    addBackup(2, 12, kBefore, 100, 0, 1);  // a snapshot full backup, tomb-stoned
    EXPECT_TRUE(strict.browse(nullptr, 12, kAtSeconds)->empty());
    setAgedData(1);
    EXPECT_EQ(groupNames(strict.browse(nullptr, 12, kAtSeconds)), (Names{"PRIMARY"}));  // groups 2, 3 hold nothing
    EXPECT_TRUE(strict.browse(nullptr, 12, kAtSeconds - 32 * 86400)->empty()) << "before any backup had finished";
}

TEST_F(BrowseTreeTest, MissingRowsFailAlthoughTheReadAnsweredNoRow) {
    KelSQLServerBrowse server;
    KelSQLDatabaseBrowse db;
    KelSQLFileGroupBrowse group;
    KelSQLFileBrowse file;
    server.sqlBrowseOn();
    db.sqlBrowseOn();
    group.sqlBrowseOn();
    file.sqlBrowseOn();
    EXPECT_TRUE(refused(server.browse(nullptr, 99, kAtSeconds) != nullptr, server.lastError(), 0x1E000033));
    EXPECT_TRUE(refused(db.browse(nullptr, 99, kAtSeconds) != nullptr, db.lastError(), 0x1E000033));
    EXPECT_TRUE(refused(group.browse(nullptr, 99, kAtSeconds) != nullptr, group.lastError(), 0x1E000033));
    EXPECT_TRUE(refused(file.browse(nullptr, 99, kAtSeconds), file.lastError(), 0x1E000033));
    EXPECT_EQ(server.sqlCode(), 100);
    EXPECT_EQ(db.sqlCode(), 100);
    EXPECT_EQ(group.sqlCode(), 100);
    EXPECT_EQ(file.sqlCode(), 100);
    KelSQLDatabaseBrowse fresh;  // no id of its own to fall back on
    EXPECT_TRUE(refused(fresh.browse(nullptr, 0, 0) != nullptr, fresh.lastError(), 0x1E000037, "sqlDatabaseId"));
}

TEST_F(BrowseTreeTest, TimeZeroIsNowWithoutAddTimeBoundAndAnUnusableZoneLeavesTheTimeAsItIs) {
    addBackup(1, 12, kBefore, 68);
    addBackupFile(1, 1, "zeta");
    addBackupFile(1, 3, "arch");
    sql("UPDATE sqlFileGroup SET addTime = " + std::to_string(kAtSeconds + 10) + " WHERE id = 3");
    sql("UPDATE sqlDatabase SET addTime = " + std::to_string(kAtSeconds + 10) + " WHERE backupSetId = 10");
    SIM_TimeZoneInfo_t zone{};
    zone.Bias = -600;
    for (SIM_TimeZoneInfo_t* z : {static_cast<SIM_TimeZoneInfo_t*>(nullptr), &zone}) {
        KelSQLServerBrowse server;
        server.setBrowseDepth(KelSQL_BrowseFileGroups);
        std::vector<KelSQLDatabaseBrowse>* dbs = server.browse(z, 1, kAtSeconds);
        ASSERT_NE(dbs, nullptr) << server.lastError().formatLastErrorMessage();
        ASSERT_EQ(dbs->size(), 1u);
        EXPECT_EQ(server.serverName(), "SQL1");
        EXPECT_EQ(groupNames(&dbs->front().fileGroupList()), (Names{"PRIMARY"}));
        // Now: the later group is added, and backups finished at the time itself count.
        sql("UPDATE sqlLSNs SET finishTime = '2021-06-01 00:00:00'");
        EXPECT_EQ(groupNames(&server.browse(z, 1, 0)->front().fileGroupList()), (Names{"PRIMARY", "Archive"}));
        EXPECT_EQ(groupNames(&server.browse(z, 1, kAtSeconds)->front().fileGroupList()), (Names{"PRIMARY"}));
        sql("UPDATE sqlLSNs SET finishTime = '" + std::string(kBefore) + "'");
    }
}

TEST_F(BrowseTreeTest, DepthBoundsAndGettersThatBrowseOnlyWhenEmpty) {
    KelSQLAppTypeBrowse client;
    KelSQLServerBrowse server;
    KelSQLDatabaseBrowse db;
    KelSQLFileGroupBrowse group;
    const struct {
        KelSQLBrowseDepth& object;
        std::function<bool(KelSQL_SqlBrowseDepth)> set;
        const KelLastError& error;
        uint32_t lowest;
        const char* signature;
    } levels[] = {
        {client, [&](KelSQL_SqlBrowseDepth d) { return client.setBrowseDepth(d); }, client.lastError(), 1,
         "KelSQLAppTypeBrowse::setBrowseDepth(depth)"},
        {server, [&](KelSQL_SqlBrowseDepth d) { return server.setBrowseDepth(d); }, server.lastError(), 1,
         "KelSQLServerBrowse::setBrowseDepth(depth)"},
        {db, [&](KelSQL_SqlBrowseDepth d) { return db.setBrowseDepth(d); }, db.lastError(), 2,
         "KelSQLDatabaseBrowse::setBrowseDepth(depth)"},
        {group, [&](KelSQL_SqlBrowseDepth d) { return group.setBrowseDepth(d); }, group.lastError(), 3,
         "KelSQLFileGroupBrowse::setBrowseDepth(depth)"},
    };
    for (const auto& l : levels) {
        EXPECT_TRUE(refused(l.set(KelSQL_SqlBrowseDepth(l.lowest - 1)), l.error, 0x1E00006C, l.signature));
        EXPECT_TRUE(l.set(KelSQL_SqlBrowseDepth(l.lowest)));
        EXPECT_EQ(l.object.browseDepth(), l.lowest);
    }
    addBackup(1, 12, kBefore, 68);
    addBackupFile(1, 1, "zeta");
    // At their lowest depths the browses stop after the name; the getters
    // deepen them and browse again.
    ASSERT_NE(server.browse(nullptr, 1, kAtSeconds), nullptr);
    EXPECT_EQ(server.serverName(), "SQL1");
    EXPECT_TRUE(server.databaseList().empty());
    ASSERT_EQ(server.getDatabaseList(nullptr, 1, kAtSeconds)->size(), 1u);
    EXPECT_EQ(server.browseDepth(), 2u);
    EXPECT_TRUE(server.databaseList().front().fileGroupList().empty());
    ASSERT_NE(db.browse(nullptr, 12, kAtSeconds), nullptr);
    EXPECT_TRUE(db.fileGroupList().empty());
    EXPECT_EQ(groupNames(db.getFileGroupList(nullptr, 12, kAtSeconds)), (Names{"PRIMARY"}));
    EXPECT_TRUE(db.fileGroupList().front().fileList().empty());
    EXPECT_EQ(fileNames(group.getFileList(nullptr, 1, kAtSeconds)), (Names{"zeta"}));
    // Full lists are handed back as they are.
    sql("UPDATE sqlDatabase SET databaseName = 'renamed' WHERE backupSetId = 12");
    EXPECT_EQ(db.getFileGroupList(nullptr, 12, 0), &db.fileGroupList());
    EXPECT_EQ(db.databaseName(), "alpha  ");
    EXPECT_EQ(db.browseTime(), static_cast<unsigned long>(kAtSeconds));
}

TEST_F(BrowseTreeTest, SqlServer7CoverageHonoursRemovalAndLaterVersionsNameTheNewestBackupSet) {
    addBackup(1, 12, kBefore, 68);
    addBackup(2, 12, kBefore, 73);
    for (int set : {1, 2}) addBackupFile(set, 2, "zeta");  // group 2 was removed at 50
    addBackupFile(1, 1, "zeta");
    const struct {
        unsigned long type;
        bool covered;
        uint64_t backupSet;
    } cases[] = {{4, false, 0}, {16, true, 2}, {70, true, 2}};
    for (const auto& c : cases) {
        KelSQLFileGroupBrowse removed, primary;
        removed.sqlAppType().setSqlAppType(c.type);
        primary.sqlAppType().setSqlAppType(c.type);
        ASSERT_NE(removed.browse(nullptr, 2, kAtSeconds), nullptr);
        EXPECT_EQ(removed.backupDataExist(), c.covered) << c.type;
        EXPECT_EQ(removed.localBkpSetId(), c.backupSet) << c.type;
        EXPECT_EQ(fileNames(primary.browse(nullptr, 1, kAtSeconds)), (Names{"zeta"})) << c.type;
        EXPECT_EQ(primary.localFgId(), 1u);
        EXPECT_EQ(primary.fileBackupSetList().size(), c.type == 4 ? 0u : 1u) << c.type;
        KelSQLFileBrowse alone;
        alone.sqlAppType().setSqlAppType(c.type);
        EXPECT_TRUE(alone.browse(nullptr, 2, kAtSeconds));  // Alpha: no backup file of its name
        EXPECT_FALSE(alone.backupDataExist());
        EXPECT_EQ(alone.logicalName(), "");
    }
}

// Files zeta and beta share SQL Server file id 1; Alpha has no backup.
TEST_F(BrowseTreeTest, LatestBackupSetCollapseComparesEachFileThroughItsOwnBackupSet) {
    sql("UPDATE sqlFile SET fileId = 1 WHERE id = 3");
    const struct {
        int zetaSet, betaSet;
        Names files;
        std::vector<uint64_t> entries;
    } cases[] = {
        {1, 2, {"Alpha ", "beta"}, {2}},
        {2, 1, {"zeta", "Alpha "}, {2}},
        {2, 2, {"zeta", "Alpha ", "beta"}, {2, 2}},
    };
    for (const auto& c : cases) {
        sql("DELETE FROM sqlBackupFile; DELETE FROM sqlArchiveSet; DELETE FROM sqlLSNs; DELETE FROM sqlBackupSet");
        addBackup(1, 12, kBefore, 68);
        addBackup(2, 12, kBefore, 68);
        addBackup(3, 12, kBefore, 73);  // newest, but a differential: no longer counts
        addBackupFile(c.zetaSet, 1, "zeta");
        addBackupFile(c.betaSet, 1, "beta");
        addBackupFile(3, 1, "zeta");
        KelSQLFileGroupBrowse group;
        group.sqlAppType().setSql2000AppType();
        group.sqlBrowseOn();
        group.setLatestBackupSetOnly(true);
        EXPECT_EQ(fileNames(group.browse(nullptr, 1, kAtSeconds)), c.files);
        std::vector<uint64_t> entries;
        for (const KelSQLFileBackupSetListEntry& e : group.fileBackupSetList()) entries.push_back(e.sqlBackupSetId);
        EXPECT_EQ(entries, c.entries);
        EXPECT_EQ(group.fileBackupSetList().front().finishTime, 1619827200u);
    }
}

TEST_F(BrowseTreeTest, LatestBackupSetCollapseOfFileGroupsKeepsTheNewestOrEveryEqualOne) {
    sql("UPDATE sqlFileGroup SET groupId = 1 WHERE id = 3");
    for (int set : {7, 9}) addBackup(set, 12, kBefore, 76);  // logs only: no full-backup check in this mode
    const struct {
        int primarySet, archiveSet;
        Names groups;
    } cases[] = {{7, 9, {"Archive"}}, {9, 7, {"PRIMARY"}}, {9, 9, {"PRIMARY", "Archive"}}};
    for (const auto& c : cases) {
        sql("DELETE FROM sqlBackupFile");
        addBackupFile(c.primarySet, 1, "zeta");
        addBackupFile(c.archiveSet, 3, "arch");
        KelSQLDatabaseBrowse db;
        db.sqlAppType().setSql2000AppType();
        db.setLatestBackupSetOnly(true);
        EXPECT_EQ(groupNames(db.browse(nullptr, 12, kAtSeconds)), c.groups);
        KelSQLDatabaseBrowse copy(db);
        EXPECT_FALSE(copy.latestBackupSetOnly());
        EXPECT_EQ(groupNames(&copy.fileGroupList()), c.groups);
    }
}

TEST_F(BrowseTreeTest, ApplicationTypesJoinedSqlServer7FirstAndOnlyYukonRefused) {
    addBackup(1, 12, kBefore, 68);
    sql("INSERT INTO APP_InstanceName (id, tesselId, clientId, name, appTypeId) VALUES (4, 1, 2, 'SQL4', 70)");
    const struct {
        int type1, type3;
        bool browseAll;
        Names servers;
        const char* typeName;
    } cases[] = {
        {16, 4, true, {"SQL3", "SQL1"}, "SQL Server 7 and SQL Server 2000"},
        {16, 4, false, {"SQL1"}, "SQL Server 7 and SQL Server 2000"},
        {16, 70, false, {"SQL1"}, "SQL Server 2000"},
        {4, 70, false, {"SQL1"}, "SQL Server 7"},
    };
    for (const auto& c : cases) {
        sql("UPDATE APP_InstanceName SET appTypeId = " + std::to_string(c.type1) + " WHERE id = 1;"
            "UPDATE APP_InstanceName SET appTypeId = " + std::to_string(c.type3) + " WHERE id = 3");
        KelSQLAppTypeBrowse client;
        if (c.browseAll) client.sqlBrowseOn();
        std::vector<KelSQLServerBrowse>* servers = client.getServerList(nullptr, 1, 1, kAtSeconds);
        ASSERT_NE(servers, nullptr) << client.lastError().formatLastErrorMessage();
        Names names;
        for (KelSQLServerBrowse& s : *servers) names.push_back(s.serverName());
        EXPECT_EQ(names, c.servers);
        EXPECT_EQ(client.appTypeName(), c.typeName);
        EXPECT_EQ(client.clientName(), "client");
        EXPECT_TRUE(client.backupDataExist());
        EXPECT_EQ(servers->back().databaseList().size(), c.browseAll ? 3u : 1u) << "browsed down to the databases";
    }
    KelSQLAppTypeBrowse other(1, 2, kAtSeconds);
    EXPECT_TRUE(refused(other.browse(nullptr, 0, 0, 0) != nullptr, other.lastError(), 0x1E000004));
    EXPECT_TRUE(refused(other.browse(nullptr, 1, 99, 0) != nullptr, other.lastError(), 0x1E000003));
    KelSQLAppTypeBrowse none;
    EXPECT_TRUE(refused(none.browse(nullptr, 0, 1, 0) != nullptr, none.lastError(), 0x1E000037, "tesselId"));
}

}  // namespace
}  // namespace kel::test
