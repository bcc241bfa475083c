// Client, host and instance lookups against the application manager's rows.
#include <sys/stat.h>

#include "Db/Tbl/sqlVersion.h"
#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLLookups.h"
#include "platform/info/KelPI_DataBase.h"
#include "support/TesselFixture.h"

namespace {

using kel::test::refused;
using LookupTest = kel::test::TesselTest;

TEST_F(LookupTest, ClientAndItsHostByNameAndById) {
    KelLastError err;
    unsigned long id = 99;
    ASSERT_TRUE(getSqlClientId(tessel_, err, "ALPHA ", id)) << err.formatLastErrorMessage();
    EXPECT_EQ(id, alpha_);
    EXPECT_TRUE(refused(getSqlClientId(tessel_, err, "gamma", id), err, kelsql::kErrClientNotFound));
    EXPECT_EQ(id, 0u);
    std::string host, name;
    ASSERT_TRUE(getClientHostname(err, tessel_, std::string("alpha"), host));
    EXPECT_EQ(host, "alpha.example");
    host.clear();
    ASSERT_TRUE(getClientHostname(err, tessel_, alpha_, host));
    EXPECT_EQ(host, "alpha.example");
    host.clear();
    ASSERT_TRUE(getSqlClientHostnameGivenClientId(err, tessel_, alpha_, host, name));
    EXPECT_EQ(host + " " + name, "alpha.example alpha");

    // Another Tessel's client is not this one's; beta has no host.
    unsigned long other = 0, otherClient = 0;
    ASSERT_EQ(0, admin_.createTessel("other", other));
    ASSERT_EQ(0, admin_.createClient(other, "delta", "delta.example", otherClient));
    const uint64_t notFound = kelsql::kErrClientNotFound;
    EXPECT_TRUE(refused(getSqlClientId(tessel_, err, "delta", id), err, notFound));
    EXPECT_TRUE(refused(getClientHostname(err, tessel_, std::string("beta"), host), err, notFound));
    EXPECT_TRUE(refused(getClientHostname(err, tessel_, beta_, host), err, notFound));
    EXPECT_TRUE(refused(getSqlClientHostnameGivenClientId(err, tessel_, beta_, host), err, notFound));
    EXPECT_TRUE(refused(getClientHostname(err, tessel_, std::string("nobody"), host), err, notFound));
    EXPECT_TRUE(refused(getClientHostname(err, tessel_ + 1, alpha_, host), err, notFound));
}

TEST_F(LookupTest, InstanceFoundUnderAnyTypeAndNotFound) {
    const unsigned long sql2000 = instance(alpha_, 16, "ALPHA\\SALES");
    const unsigned long sql2005 = instance(alpha_, 70, "ALPHA\\HR");
    instance(beta_, 4, "ALPHA\\HR");
    KelLastError err;
    unsigned long id = 7;
    ASSERT_TRUE(getInstanceByName(tessel_, err, "alpha", "alpha\\sales", &id)) << err.formatLastErrorMessage();
    EXPECT_EQ(id, sql2000);
    ASSERT_TRUE(getInstanceByName(tessel_, err, "alpha", "ALPHA\\HR", &id));
    EXPECT_EQ(id, sql2005);
    EXPECT_TRUE(refused(getInstanceByName(tessel_, err, "alpha", "ALPHA\\NONE", &id), err,
                        kelsql::kErrNoSuchInstance));
    EXPECT_EQ(id, 0u);
    EXPECT_TRUE(refused(getInstanceByName(tessel_, err, "gamma", "ALPHA\\HR", &id), err, kelsql::kErrClientNotFound));
    EXPECT_TRUE(refused(getInstanceByName(tessel_, err, "alpha", "ALPHA\\HR", nullptr), err, kelsql::kErrValueNotSet,
                        "returnInstanceId"));
}

TEST_F(LookupTest, HostOfAnInstancesClient) {
    const unsigned long id = instance(alpha_, 70, "ALPHA");
    const unsigned long hostless = instance(beta_, 70, "BETA");
    KelLastError err;
    std::string host, name;
    ASSERT_TRUE(getClientHostnameFromSqlServerId(err, id, host, name)) << err.formatLastErrorMessage();
    EXPECT_EQ(host + " " + name, "alpha.example alpha");
    host.clear();
    ASSERT_TRUE(getClientHostnameFromInstance(err, id, host));
    EXPECT_EQ(host, "alpha.example");

    EXPECT_TRUE(refused(getClientHostnameFromSqlServerId(err, 0, host, name), err, kelsql::kErrValueNotSet,
                        "sqlServerId"));
    // The manager's own reason stands when the owner has no host.
    EXPECT_FALSE(getClientHostnameFromSqlServerId(err, hostless, host, name));
    EXPECT_NE(err.number(), 0u);
    EXPECT_TRUE(refused(getClientHostnameFromInstance(err, hostless, host), err, kelsql::kErrClientNotFound));
    EXPECT_TRUE(refused(getClientHostnameFromInstance(err, id + 1000, host), err, kelsql::kErrClientNotFound));
}

TEST_F(LookupTest, LocalTesselHostAddressesTheContext) {
    KelSQLClassProperties ctx(KelSQLServerSide);
    ASSERT_TRUE(ctx.isServerOperations());
    KelLastError err;
    ASSERT_TRUE(getClientHostnameForLocalTessel(err, ctx, "alpha", "clientName")) << err.formatLastErrorMessage();
    EXPECT_EQ(ctx.remoteSqlHostName(), "alpha.example");

    // No name: the host chosen before still serves, with the missing name noted.
    err.clear();
    EXPECT_TRUE(getClientHostnameForLocalTessel(err, ctx, "", "sourceClient"));
    EXPECT_TRUE(refused(false, err, kelsql::kErrValueNotSet, "sourceClient"));
    EXPECT_EQ(ctx.remoteSqlHostName(), "alpha.example");

    KelSQLClassProperties fresh(KelSQLServerSide);
    EXPECT_TRUE(refused(getClientHostnameForLocalTessel(err, fresh, "", "sourceClient"), err, kelsql::kErrValueNotSet));
    EXPECT_TRUE(refused(getClientHostnameForLocalTessel(err, fresh, "beta", "clientName"), err,
                        kelsql::kErrClientNotFound));

    // A network transaction addresses the client's host the same way.
    KelNetSQLDBTransaction* t = ctx.getNetworkDBTransaction();
    ASSERT_TRUE(t->setupRemoteDataAgentTransaction("alpha")) << t->getLastError().formatLastErrorMessage();
    EXPECT_EQ(t->getRemoteHostName(), "alpha.example");
    EXPECT_TRUE(refused(t->setupRemoteDataAgentTransaction("beta"), t->getLastError(), kelsql::kErrClientNotFound));
}

TEST_F(LookupTest, PathCharactersAndRecursiveDirectory) {
    std::string out;
    EXPECT_TRUE(sqlRemoveInvalidPathCharacters("a/b c:d", out));
    EXPECT_EQ(out, "ab cd");
    EXPECT_FALSE(sqlRemoveInvalidPathCharacters("/\\::", out));
    EXPECT_EQ(out, "");
    // Punctuation goes; letters, digits and high bytes stay.
    EXPECT_TRUE(sqlRemoveInvalidPathCharacters("x\x7f\xc3\xa9!~[`{@0", out));
    EXPECT_EQ(out, "x\x7f\xc3\xa9" "0");

    uint32_t code = 0;
    const std::string path = home_.file("a/b/c");
    ASSERT_TRUE(createRecursiveDirectory(path.c_str(), code));
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0);
    // A file standing where a folder must go.
    FILE* f = fopen(home_.file("x").c_str(), "w");
    ASSERT_NE(f, nullptr);
    fclose(f);
    EXPECT_FALSE(createRecursiveDirectory(home_.file("x/y").c_str(), code));
    EXPECT_NE(code, 0u);
}

TEST_F(LookupTest, ConnectivityOnTheOstrelTakesTheCataloguesLogin) {
    KelPI_DataBase database;
    ASSERT_NE(database.setFocus(kMachine), 0);
    ASSERT_TRUE(database.setCatalogueLogin("OSTREL1_ostrel", "catalogue", "cat-pw"));
    KelSQLClassProperties ctx(KelSQLServerSide);
    SqlVersion record(nullptr);
    KelLastError err;
    EXPECT_TRUE(refused(setupClientSQLConnectivity(err, ctx, record), err, kelsql::kErrSqlConnection));
    ctx.getSQLUserAndPassword().setSqlUser("sa");
    ctx.getSQLUserAndPassword().setSqlPassword("sa-pw");
    ASSERT_TRUE(setupClientSQLConnectivity(err, ctx, record));
    EXPECT_EQ(record.getServerName() + " " + record.getLogin() + " " + record.getPassword(),
              "OSTREL1_ostrel catalogue cat-pw");
}

TEST_F(LookupTest, ConnectivityElsewhereTakesTheContextsLogin) {
    ASSERT_TRUE(KelRegistry::createMachine("client9"));
    KelPI_DataBase database;
    ASSERT_NE(database.setFocus("client9"), 0);
    ASSERT_NE(database.setSqlServerODBCDSN("CLIENT9", "DEFAULT_CLIENT9_SQLDrover"), 0);
    ASSERT_NE(database.setSqlServerVersion("CLIENT9", "8.00.194"), 0);
    KelPI_Focus::setFocus("client9");
    KelSQLClassProperties ctx(KelSQLClientSide);
    ctx.getSQLUserAndPassword().setSqlUser("sa");
    ctx.getSQLUserAndPassword().setSqlPassword("sa-pw");
    SqlVersion record(nullptr);
    KelLastError err;
    // No data source yet: the server name stays as it was.
    ASSERT_TRUE(setupClientSQLConnectivity(err, ctx, record));
    EXPECT_EQ(record.getServerName(), "");
    EXPECT_EQ(record.getLogin(), "sa");
    ASSERT_TRUE(ctx.getSQLDSN().setVirtualMachine("client9"));
    ASSERT_TRUE(ctx.getSQLDSN().setSqlServerName("CLIENT9")) << ctx.getSQLDSN().getLastError().formatLastErrorMessage();
    ASSERT_TRUE(setupClientSQLConnectivity(err, ctx, record));
    EXPECT_EQ(record.getServerName(), "DEFAULT_CLIENT9_SQLDrover");
    EXPECT_EQ(record.getPassword(), "sa-pw");
}

}  // namespace
