// The Ostrel loads the login of the instance that owns a file, a file group
// or a database from the catalogue into a context.
#include "KelSQL/KelNetSQLVerifyUser.h"

#include <memory>

#include "KelSQL/KelSQLErrors.h"
#include "SecurityFixture.h"

namespace {

class LoginLookupTest : public kel::test::SecurityTest {
protected:
    void SetUp() override {
        SecurityTest::SetUp();
        ctx_ = std::make_unique<KelSQLClassProperties>(kMachine, KelSQLServerSide);
        server_ = loginRow("ALPHA\\SQL1", "owner", "it's me");
        other_ = loginRow("ALPHA\\SQL2", "other", "not me");
        const std::string t = std::to_string(tessel_);
        ASSERT_TRUE(kel::test::sql("INSERT INTO APP_BackupSetName(id, tesselId, instanceId, name) VALUES (41, " + t +
                                   ", " + std::to_string(server_) + ", 'db')"));
        ASSERT_TRUE(kel::test::sql("INSERT INTO sqlDatabase(backupSetId, tesselId, sqlServerId, databaseName) VALUES (41, " +
                                   t + ", " + std::to_string(server_) + ", 'sales')"));
        ASSERT_TRUE(kel::test::sql("INSERT INTO sqlFileGroup(id, tesselId, sqlDatabaseId, fileGroupName) VALUES (52, " +
                                   t + ", 41, 'PRIMARY')"));
        ASSERT_TRUE(kel::test::sql("INSERT INTO sqlFile(id, tesselId, sqlFileGroupId, logicalName) VALUES (63, " + t +
                                   ", 52, 'sales_data')"));
    }

    bool lookup(unsigned long server, unsigned long database, unsigned long group, unsigned long file) {
        err_ = KelLastError();
        return lookupSqlUserInformation(err_, *ctx_, server, database, group, file);
    }
    const KelSQLUserAndPassword& login() { return ctx_->getSQLUserAndPassword(); }

    unsigned long server_ = 0;
    unsigned long other_ = 0;
    std::unique_ptr<KelSQLClassProperties> ctx_;
    KelLastError err_;
};

std::vector<std::string> arguments(KelLastError err) {
    std::vector<std::string> args;
    err.resetGetNextArgument();
    while (const char* a = err.getNextArgument()) args.emplace_back(a);
    return args;
}

}  // namespace

TEST_F(LoginLookupTest, WalksUpFromAFileAGroupAndADatabase) {
    const KelSQLUserAndPassword expected("owner", "it's me", false);
    ASSERT_TRUE(lookup(0, 0, 0, 63)) << err_.formatLastErrorMessage();
    EXPECT_EQ(login(), expected);
    ctx_->getSQLUserAndPassword() = KelSQLUserAndPassword();
    ASSERT_TRUE(lookup(0, 0, 52, 0)) << err_.formatLastErrorMessage();
    EXPECT_EQ(login(), expected);
    ctx_->getSQLUserAndPassword() = KelSQLUserAndPassword();
    ASSERT_TRUE(lookup(0, 41, 0, 0)) << err_.formatLastErrorMessage();
    EXPECT_EQ(login(), expected);
}

TEST_F(LoginLookupTest, AnIdNearerTheInstanceWins) {
    // The file belongs to the first instance, but the instance id is given.
    ASSERT_TRUE(lookup(other_, 0, 0, 63)) << err_.formatLastErrorMessage();
    EXPECT_EQ(login(), KelSQLUserAndPassword("other", "not me", false));
    // A database id given with an unknown file: the file is never read.
    ASSERT_TRUE(lookup(0, 41, 0, 999)) << err_.formatLastErrorMessage();
    EXPECT_EQ(login(), KelSQLUserAndPassword("owner", "it's me", false));
}

TEST_F(LoginLookupTest, NoIdIsAMissingArgument) {
    EXPECT_FALSE(lookup(0, 0, 0, 0));
    EXPECT_EQ(err_.number(), kelsql::kErrValueNotSet);
    EXPECT_EQ(arguments(err_),
              (std::vector<std::string>{"sqlServerId, sqlDatabaseId, sqlFileGroupId, or sqlFileId",
                                        "lookupSqlUserInformation(error, cp, sqlServerId, sqlDatabaseId, sqlFileGroup)"}));
}

TEST_F(LoginLookupTest, MissingRowsAndUnreadablePasswordsChangeNothing) {
    ctx_->getSQLUserAndPassword() = KelSQLUserAndPassword("kept", "kept", false);
    EXPECT_FALSE(lookup(0, 0, 0, 999));
    EXPECT_EQ(err_.number(), kelsql::kErrRowOperation);
    ASSERT_EQ(arguments(err_).size(), 2u);
    EXPECT_EQ(arguments(err_)[0], "Table SqlFile");
    EXPECT_FALSE(lookup(0, 0, 998, 0));
    EXPECT_EQ(arguments(err_)[0], "Table SqlFileGroup");
    EXPECT_FALSE(lookup(0, 997, 0, 0));
    EXPECT_EQ(arguments(err_)[0], "Table SqlDatabase");

    ASSERT_TRUE(kel::test::sql("UPDATE sqlServer SET saPassword = 'tampered' WHERE instanceId = " +
                               std::to_string(server_)));
    EXPECT_FALSE(lookup(server_, 0, 0, 0));
    EXPECT_EQ(err_.number(), kelsql::kErrDecrypt);
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
