// An installation into the caller's network transaction refused in its last
// step: the application id made before it goes with it, the caller's
// transaction stays as it was and the mended call in it commits whole.
#include <memory>

#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelNetSQLFile.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLInstallerFunctions.h"
#include "support/AgentClientFixture.h"
#include "support/LiveInstance.h"

using kel::test::grown;
using kel::test::rowCounts;

namespace {

class InstallRefusalTest : public kel::test::AgentClientTest {
protected:
    void SetUp() override {
        AgentClientTest::SetUp();
        agent_ = std::make_unique<KelSQLClassProperties>(kClient, KelSQLClientSide);
        ASSERT_TRUE(tran()->setRemoteOstrel(agent_->getMSSqlAgent().getOstrelHostName()));
    }
    void TearDown() override {
        kel::live::installLiveSqlServer(nullptr);
        agent_.reset();
        AgentClientTest::TearDown();
    }
    KelNetSQLDBTransaction* tran() { return agent_->getNetworkDBTransaction(); }

    // The rows an application id and an instance's registration (with its
    // version) write.
    static kel::test::RowCounts installed() {
        return rowCounts({"APP_InstanceName", "APP_BackupSetName", "APP_Application", "sqlServer", "sqlVersion"});
    }
    unsigned long installServer(const std::string& user, const std::string& undoPath = std::string()) {
        return sqlInstallServerProperty(agent_.get(), kServer, user.c_str(), "pw", undoPath.c_str(), 5, kClient, false,
                                        &id_);
    }

    std::unique_ptr<KelSQLClassProperties> agent_;
    unsigned long id_ = 0;
};

}  // namespace

TEST_F(InstallRefusalTest, AnUndoPathThatCannotBeMeasuredLeavesNoApplicationIdAndTheMendedOneCommitsWhole) {
    const kel::test::RowCounts before = installed();
    const std::string missing = home_.file("no such folder");
    ASSERT_TRUE(tran()->startTransaction());
    EXPECT_EQ(installServer("sa", missing), kelsql::kErrUndoPath);
    ASSERT_TRUE(tran()->commitTransaction());
    EXPECT_EQ(installed(), before);

    ASSERT_TRUE(tran()->startTransaction());
    EXPECT_EQ(installServer("sa", missing), kelsql::kErrUndoPath);
    ASSERT_EQ(installServer("sa", home_.path()), 0u);
    ASSERT_TRUE(tran()->commitTransaction());
    EXPECT_EQ(installed(), grown(before, {{"APP_InstanceName", 1}, {"APP_BackupSetName", 1}, {"APP_Application", 1},
                                          {"sqlServer", 1}, {"sqlVersion", 1}}));
    EXPECT_EQ(kel::test::text("SELECT undoFile FROM sqlServer WHERE instanceId = " + std::to_string(id_)),
              home_.path());
}

// A refusal no check on the agent foresees: the Ostrel's catalogue turns the
// instance's row down after the application id was made.
TEST_F(InstallRefusalTest, AnInstanceTheOstrelCannotStoreTakesItsApplicationIdBack) {
    ASSERT_TRUE(kel::test::refuseInserts("sqlServer", "NEW.sa = 'boom'"));
    const kel::test::RowCounts before = installed();
    ASSERT_TRUE(tran()->startTransaction());
    EXPECT_EQ(installServer("boom"), kelsql::kErrRowOperation);
    ASSERT_TRUE(tran()->commitTransaction());
    EXPECT_EQ(installed(), before);
}

TEST_F(InstallRefusalTest, ADatabaseWhoseLastFileIsRefusedLeavesNoApplicationIdOrRows) {
    auto served = std::make_unique<kel::test::FilesLiveSqlServer>();
    kel::test::FilesLiveSqlServer& live = *served;
    kel::live::installLiveSqlServer(std::move(served));
    registeredInstance();
    live.logFile = std::string(sizeof KelNetSQLFile_t::FileName, 'l');
    const auto registered = [] {
        return rowCounts({"APP_BackupSetName", "APP_Application", "sqlDatabase", "sqlFileGroup", "sqlFile"});
    };
    const kel::test::RowCounts before = registered();
    ASSERT_TRUE(tran()->startTransaction());
    EXPECT_EQ(sqlInstallDatabaseProperty(agent_.get(), kServer, "fg1", 7, 8, kClient), kelsql::kErrValueNotSet);
    ASSERT_TRUE(tran()->commitTransaction());
    EXPECT_EQ(registered(), before);

    ASSERT_TRUE(tran()->startTransaction());
    EXPECT_EQ(sqlInstallDatabaseProperty(agent_.get(), kServer, "fg1", 7, 8, kClient), kelsql::kErrValueNotSet);
    live.logFile = "fg1_log";
    ASSERT_EQ(sqlInstallDatabaseProperty(agent_.get(), kServer, "fg1", 7, 8, kClient), 0u);
    ASSERT_TRUE(tran()->commitTransaction());
    EXPECT_EQ(registered(), grown(before, {{"APP_BackupSetName", 1}, {"APP_Application", 1}, {"sqlDatabase", 1},
                                           {"sqlFileGroup", 2}, {"sqlFile", 2}}));
}
