// The file record over a real Ostrel dispatcher and catalogue: names that
// travel whole, lookups and refusals of both records, and the agent's
// comparison with a live file served through the live-reader seam.
#include <memory>

#include "FileFixture.h"
#include "platform/live/KelLiveSqlServer.h"

using kel::test::failure;
using kel::test::refused;

namespace {

class FileRecordTest : public kel::test::FileTest {};

// Serves one live file, "data1", in every group of every database.
class LiveFiles final : public kel::live::LiveSqlServer {
public:
    using T = kel::live::LiveTarget;
    bool file(const T&, const std::string&, const std::string&, const std::string& name, kel::live::LiveFile& out,
              bool& found, KelLastError&) override {
        found = name == "data1";
        if (found) out = {3, "D:\\data1.mdf", 50, 100};
        return true;
    }
    bool database(const T&, const std::string&, kel::live::LiveDatabase&, bool&, KelLastError&) override { return true; }
    bool fileGroup(const T&, const std::string&, const std::string&, kel::live::LiveFileGroup&, bool&,
                   KelLastError&) override {
        return true;
    }
    bool databaseNames(const T&, std::vector<std::string>&, KelLastError&) override { return true; }
    bool fileGroupNames(const T&, const std::string&, std::vector<std::string>&, KelLastError&) override { return true; }
    bool fileNames(const T&, const std::string&, const std::string&, std::vector<std::string>&,
                   KelLastError&) override {
        return true;
    }
    bool property(const T&, const std::string&, const std::string&, std::string&, KelLastError&) override {
        return true;
    }
    bool option(const T&, const std::string&, const std::string&, bool&, KelLastError&) override { return true; }
    bool serviceState(const T&, unsigned long&, KelLastError&) override { return true; }
    bool controlService(const T&, bool, KelLastError&) override { return true; }
    bool instanceNames(const std::string&, std::vector<std::string>&, KelLastError&) override { return true; }
};

struct Installed {
    Installed() { kel::live::installLiveSqlServer(std::make_unique<LiveFiles>()); }
    ~Installed() { kel::live::installLiveSqlServer(nullptr); }
};

}  // namespace

TEST_F(FileRecordTest, NamesTravelWholeAndSizeKeepsItsLow32Bits) {
    const unsigned long group = groupRow("PRIMARY");
    const std::string logical(128, 'l'), physical(260, 'p');
    KelSQLClassProperties agent(KelSQLClientSide);
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    ASSERT_TRUE(t->startTransaction());
    KelSQLFile file(agent, false);
    file.initializeSQLObject(true);
    file.setLogicalName(logical);
    file.setPhysicalName(physical);
    file.setSize(0x100000005ul);
    ASSERT_TRUE(file.config(group)) << file.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(t->commitTransaction());
    KelSQLFile back(agent, false);
    ASSERT_TRUE(back.query(file.sqlId())) << back.getLastError().formatLastErrorMessage();
    EXPECT_EQ(back.logicalName(), logical);
    EXPECT_EQ(back.physicalName(), physical);
    EXPECT_EQ(back.size(), 5u);
    EXPECT_EQ(back.sqlFileGroupId(), group);
}

TEST_F(FileRecordTest, LookupsFindTheirRowsOrSayWhyNot) {
    const unsigned long group = groupRow("Sales'Q1");
    const unsigned long id = fileRow(group, "O'Data");
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLFile byNames(agent, false);
    ASSERT_TRUE(byNames.query("ALPHA", kInstance, "sales", "sales'q1", "o'data"))
        << byNames.getLastError().formatLastErrorMessage();
    EXPECT_EQ(byNames.sqlId(), id);
    KelSQLFileGroup groupByNames(agent, false);
    ASSERT_TRUE(groupByNames.query("alpha", kInstance, "sales", "Sales'Q1"));
    EXPECT_EQ(groupByNames.sqlId(), group);
    // Requests naming neither ids nor all names, and the agent host's code.
    for (uint32_t code : {1u, 3u}) {
        KelNetSQLFileGroup g(agent, false);
        g.requestMessage(true)->DBCode = code;
        KelNetSQLFile f(agent, false);
        f.requestMessage(true)->DBCode = code;
        EXPECT_TRUE(kel::copyField(f.requestMessage(false)->File.FileName, std::string("O'Data")));
        KelLastError ge, fe;
        const bool gok = g.exchange(ge), fok = f.exchange(fe);
        EXPECT_EQ(failure(gok, ge), code == 1 ? kelsql::kErrRequestIds : kelsql::kErrRequestRefused);
        EXPECT_EQ(failure(fok, fe), code == 1 ? kelsql::kErrRequestIds : kelsql::kErrRequestRefused);
        if (code == 1) {
            EXPECT_EQ(kel::test::arguments(ge).back(), "1066");
            EXPECT_EQ(kel::test::arguments(fe).back(), "923");
        }
    }
    // Local-only lookups from an agent that must send: false, no error.
    KelSQLFileGroup fg(agent, false);
    KelSQLFile f(agent, false);
    EXPECT_FALSE(fg.findValidFileGrpFordb(db_, 2));
    EXPECT_FALSE(f.findValidFileForFG(group, 3));
    EXPECT_EQ(fg.getLastError().number() + f.getLastError().number(), 0u);
    EXPECT_TRUE(refused(f.config(group), f.getLastError(), kelsql::kErrInsert));
    unsigned long database = 77;
    EXPECT_TRUE(refused(f.sqlDatabaseId(database, id + 1), f.getLastError(), kelsql::kErrRowOperation));
    EXPECT_EQ(database, 0u);
    ASSERT_TRUE(f.sqlDatabaseId(database, id));
    EXPECT_EQ(database, db_);
}

TEST_F(FileRecordTest, AgentComparesTheCatalogueWithItsLiveFile) {
    Installed live;
    const unsigned long group = groupRow("PRIMARY");
    const unsigned long id = fileRow(group, "data1", 5000);
    KelSQLClassProperties agent(KelSQLClientSide);
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    KelSQLFile local(agent, false);
    ASSERT_TRUE(local.query("sales", "data1"));
    ASSERT_TRUE(local.isValid());
    struct {
        const char* setup;
        bool updated;
        long long size;
    } cases[] = {{"UPDATE sqlFile SET size = 50", true, 50}, {"UPDATE sqlFile SET size = 40", false, 50}};
    for (const auto& c : cases) {
        ASSERT_TRUE(kel::test::sql(c.setup));
        KelSQLFile catalogue(agent, false);
        ASSERT_TRUE(catalogue.query(group, "data1"));
        ASSERT_TRUE(t->startTransaction());
        bool updated = !c.updated;
        ASSERT_TRUE(catalogue.backupCompareAndUpdate(local, updated))
            << catalogue.getLastError().formatLastErrorMessage();
        ASSERT_TRUE(t->commitTransaction());
        EXPECT_EQ(updated, c.updated) << c.setup;
        EXPECT_EQ(value("sqlFile", "removalTime", id), 0) << c.setup;
        EXPECT_EQ(value("sqlFile", "size", id), c.size) << c.setup;
        EXPECT_EQ(kel::test::text("SELECT physicalName FROM sqlFile"), "d:\\DATA1.MDF") << "case alone is no change";
    }
}
