// The Ostrel loads the login of the instance that owns a file, a file group
// or a database from the catalogue into a context.
#include "KelSQL/KelNetSQLVerifyUser.h"

#include <memory>

#include "KelSQL/KelSQLErrors.h"
#include "support/TesselFixture.h"

namespace {

using kel::test::refused;

class LoginLookupTest : public kel::test::TesselDispatcherTest {
protected:
    void SetUp() override {
        TesselDispatcherTest::SetUp();
        ctx_ = std::make_unique<KelSQLClassProperties>(kMachine, KelSQLServerSide);
        server_ = loginRow("ALPHA\\SQL1", "owner", "it's me");
        other_ = loginRow("ALPHA\\SQL2", "other", "not me");
        const std::string t = std::to_string(tessel_) + ", ";
        const std::string s = std::to_string(server_);
        ASSERT_TRUE(kel::test::sql("INSERT INTO APP_BackupSetName(id, tesselId, instanceId, name) VALUES (41, " + t + s +
                                   ", 'db');"
                                   "INSERT INTO sqlDatabase(backupSetId, tesselId, sqlServerId, databaseName) VALUES (41, " +
                                   t + s + ", 'sales');"
                                   "INSERT INTO sqlFileGroup(id, tesselId, sqlDatabaseId, fileGroupName) VALUES (52, " +
                                   t + "41, 'PRIMARY');"
                                   "INSERT INTO sqlFile(id, tesselId, sqlFileGroupId, logicalName) VALUES (63, " + t +
                                   "52, 'sales_data')"));
    }

    bool lookup(unsigned long server, unsigned long database, unsigned long group, unsigned long file) {
        err_ = KelLastError();
        ctx_->getSQLUserAndPassword() = KelSQLUserAndPassword("kept", "kept", false);
        return lookupSqlUserInformation(err_, *ctx_, server, database, group, file);
    }
    const KelSQLUserAndPassword& login() { return ctx_->getSQLUserAndPassword(); }

    unsigned long server_ = 0;
    unsigned long other_ = 0;
    std::unique_ptr<KelSQLClassProperties> ctx_;
    KelLastError err_;
};

}  // namespace

TEST_F(LoginLookupTest, WalksUpToTheNearestIdGiven) {
    const KelSQLUserAndPassword owner("owner", "it's me", false), other("other", "not me", false);
    const struct {
        unsigned long server, database, group, file;
        const KelSQLUserAndPassword& login;
    } cases[] = {
        {0, 0, 0, 63, owner}, {0, 0, 52, 0, owner}, {0, 41, 0, 0, owner},
        // The file belongs to the first instance, but the instance id is given.
        {other_, 0, 0, 63, other},
        // A database id given with an unknown file: the file is never read.
        {0, 41, 0, 999, owner},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.server) + "/" + std::to_string(c.database) + "/" + std::to_string(c.group) +
                     "/" + std::to_string(c.file));
        ASSERT_TRUE(lookup(c.server, c.database, c.group, c.file)) << err_.formatLastErrorMessage();
        EXPECT_EQ(login(), c.login);
    }
}

TEST_F(LoginLookupTest, MissingRowsAndUnreadablePasswordsChangeNothing) {
    EXPECT_TRUE(refused(lookup(0, 0, 0, 0), err_, kelsql::kErrValueNotSet,
                        "sqlServerId, sqlDatabaseId, sqlFileGroupId, or sqlFileId"));
    EXPECT_EQ(kel::test::arguments(err_).at(1),
              "lookupSqlUserInformation(error, cp, sqlServerId, sqlDatabaseId, sqlFileGroup)");
    EXPECT_TRUE(refused(lookup(0, 0, 0, 999), err_, kelsql::kErrRowOperation, "Table SqlFile"));
    EXPECT_EQ(kel::test::arguments(err_).size(), 2u);
    EXPECT_TRUE(refused(lookup(0, 0, 998, 0), err_, kelsql::kErrRowOperation, "Table SqlFileGroup"));
    EXPECT_TRUE(refused(lookup(0, 997, 0, 0), err_, kelsql::kErrRowOperation, "Table SqlDatabase"));
    ASSERT_TRUE(kel::test::sql("UPDATE sqlServer SET saPassword = 'tampered' WHERE instanceId = " +
                               std::to_string(server_)));
    EXPECT_TRUE(refused(lookup(server_, 0, 0, 0), err_, kelsql::kErrDecrypt));
    EXPECT_EQ(login(), KelSQLUserAndPassword("kept", "kept", false));
}

TEST_F(LoginLookupTest, ReadsInsideTheContextsTransaction) {
    ASSERT_TRUE(ctx_->startTransaction());
    const std::string update = "UPDATE sqlServer SET sa = 'uncommitted' WHERE instanceId = " + std::to_string(server_);
    ASSERT_EQ(sqlite3_exec(ctx_->getDBTransaction()->tranConnection()->db(), update.c_str(), nullptr, nullptr, nullptr),
              SQLITE_OK);
    ASSERT_TRUE(lookup(0, 0, 0, 63)) << err_.formatLastErrorMessage();
    EXPECT_EQ(login().sqlUser(), "uncommitted");
    ASSERT_TRUE(ctx_->rollBackTransaction());
}
