#include "platform/info/KelPI_DataBase.h"
#include "platform/info/KelPlatformInfoStore.h"

#include <cstring>

#include "OdbcFixture.h"

using kel::test::OdbcTest;

using PlatformDataBaseTest = OdbcTest;

TEST_F(PlatformDataBaseTest, DataSourcesAreLookedUpWithoutRegardToCase) {
    KelPI_DataBase db = database(kAgent);
    char buffer[1024] = {};
    int capacity = sizeof(buffer);
    EXPECT_EQ(db.getSqlServerODBCDSN("HOST\\INST", buffer, &capacity), 0);
    EXPECT_TRUE(db.getRegError() == KelPI_DataBase::kRegNoEntry && db.getLastError().number() == kel::kErrNoEntry);

    ASSERT_NE(db.setSqlServerODBCDSN("HOST\\INST", "INST_SQLDrover"), 0);
    ASSERT_NE(db.setSqlServerODBCDSN("host\\inst", "Other"), 0);  // replaces, one entry
    capacity = sizeof(buffer);
    ASSERT_NE(db.getSqlServerODBCDSN("Host\\Inst", buffer, &capacity), 0);
    EXPECT_EQ(buffer + std::to_string(capacity), "Other5");
    EXPECT_EQ(KelRegistry::section(kAgent, kel::kSectionDataSources).size(), 1u);

    // Another machine's registry is not this one's.
    EXPECT_EQ(dataSource(kOstrel, "HOST\\INST"), "");
    ASSERT_NE(db.deleteSqlServerODBCDSN("HOST\\INST"), 0);
    EXPECT_EQ(db.deleteSqlServerODBCDSN("HOST\\INST"), 0);
    EXPECT_EQ(db.getRegError(), KelPI_DataBase::kRegNoEntry);
}

TEST_F(PlatformDataBaseTest, ValueThatDoesNotFitIsRefusedWithItsSize) {
    KelPI_DataBase db = database(kAgent);
    ASSERT_NE(db.setSqlServerODBCDSN("HOST", "ABCDEFGH"), 0);
    char buffer[8];
    std::memset(buffer, '#', sizeof(buffer));
    int capacity = sizeof(buffer);
    EXPECT_EQ(db.getSqlServerODBCDSN("HOST", buffer, &capacity), 0);
    EXPECT_EQ(db.getRegError(), KelPI_DataBase::kRegMoreData);
    EXPECT_EQ(buffer[0] + std::to_string(capacity), "#9");
}

TEST_F(PlatformDataBaseTest, ListIsReadWithinItsSizeAndNotPastIt) {
    KelPI_DataBase db = database(kAgent);
    // No terminator within the size given: the last name ends at the size.
    const char raw[] = {'A', '\0', 'B', 'C', 'X', 'Y'};
    ASSERT_NE(db.setDSNList(raw, 4), 0);
    char buffer[16];
    int size = sizeof(buffer);
    ASSERT_NE(db.getDSNList(buffer, &size), 0);
    EXPECT_EQ(KelPI_DataBase::splitList(buffer, static_cast<size_t>(size)),
              (std::vector<std::string>{"A", "BC"}));
    EXPECT_EQ(size, 6);  // "A\0BC\0\0"

    size = 5;
    EXPECT_EQ(db.getDSNList(buffer, &size), 0);
    EXPECT_TRUE(db.getRegError() == KelPI_DataBase::kRegMoreData && size == 6);
}

TEST_F(PlatformDataBaseTest, JoinRefusesAListThatDoesNotFit) {
    char buffer[6];
    std::memset(buffer, '#', sizeof(buffer));
    size_t used = 0;
    EXPECT_TRUE(KelPI_DataBase::joinList({"AB", "C"}, buffer, 6, &used) && used == 6u);
    EXPECT_EQ(std::string(buffer, 6), std::string("AB\0C\0\0", 6));
    std::memset(buffer, '#', sizeof(buffer));
    EXPECT_FALSE(KelPI_DataBase::joinList({"AB", "CD"}, buffer, 6, &used));
    EXPECT_EQ(buffer[0], '#');
}

TEST_F(PlatformDataBaseTest, AgentDatabaseAndInformationStore) {
    KelPI_DataBase db = database(kAgent);
    EXPECT_TRUE(db.invalidDataBase() != 0 && db.getInstance() == nullptr);
    ASSERT_NE(db.create("opt1", nullptr, "INST_SQLDrover"), 0);
    EXPECT_EQ(db.invalidDataBase(), 0);
    EXPECT_STREQ(db.getInstance(), "INST_SQLDrover");

    KelPlatformInfo info(kAgent);
    char buffer[15];
    int capacity = sizeof(buffer);
    ASSERT_NE(info.getString(kel::kSectionDatabase, kel::kKeyInstance, buffer, &capacity), 0);
    EXPECT_STREQ(buffer, "INST_SQLDrover");
    capacity = 14;
    EXPECT_EQ(info.getString(kel::kSectionDatabase, kel::kKeyInstance, buffer, &capacity), 0);
    EXPECT_EQ(info.getLastError().number(), kel::kErrValueTooLong);
    ASSERT_NE(info.deleteSection(kel::kSectionDatabase), 0);
    EXPECT_EQ(info.deleteSection(kel::kSectionDatabase), 0);
    EXPECT_EQ(info.getLastError().number(), kel::kErrNoEntry);
    EXPECT_NE(db.invalidDataBase(), 0);

    // An unknown machine never answers from the process's own.
    ASSERT_NE(database(kOstrel).create("", "", "OSTREL_SQLDrover"), 0);
    KelPlatformInfo ghost("ghost");
    EXPECT_EQ(ghost.getLastError().number(), kel::kErrUnknownMachine);
    char wide[64] = {};
    capacity = sizeof(wide);
    EXPECT_EQ(ghost.getString(kel::kSectionDatabase, kel::kKeyInstance, wide, &capacity), 0);
    EXPECT_EQ(ghost.setString(kel::kSectionDatabase, kel::kKeyInstance, "X") + std::strlen(wide), 0u);
    EXPECT_FALSE(KelRegistry::machineExists("ghost"));
}
