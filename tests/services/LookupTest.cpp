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
constexpr uint64_t kNotFound = kelsql::kErrClientNotFound;

TEST_F(LookupTest, ClientsHostsAndInstances) {
    KelLastError err;
    unsigned long id = 99;
    ASSERT_TRUE(getSqlClientId(tessel_, err, "ALPHA ", id)) << err.formatLastErrorMessage();
    EXPECT_EQ(id, alpha_);
    std::string byName, byId, given, name;
    ASSERT_TRUE(getClientHostname(err, tessel_, std::string("alpha"), byName) &&
                getClientHostname(err, tessel_, alpha_, byId) &&
                getSqlClientHostnameGivenClientId(err, tessel_, alpha_, given, name));
    EXPECT_EQ(byName + " " + byId + " " + given + " " + name, "alpha.example alpha.example alpha.example alpha");
    // Another Tessel's client is not this one's; beta has no host.
    unsigned long other = 0, delta = 0;
    ASSERT_EQ(0, admin_.createTessel("other", other));
    ASSERT_EQ(0, admin_.createClient(other, "delta", "delta.example", delta));
    EXPECT_TRUE(refused(getSqlClientId(tessel_, err, "delta", id), err, kNotFound));
    EXPECT_EQ(id, 0u);
    EXPECT_TRUE(refused(getClientHostname(err, tessel_, std::string("beta"), name), err, kNotFound));
    EXPECT_TRUE(refused(getSqlClientHostnameGivenClientId(err, tessel_, beta_, name), err, kNotFound));
    EXPECT_TRUE(refused(getClientHostname(err, tessel_ + 1, alpha_, name), err, kNotFound));

    const unsigned long sales = instance(alpha_, 16, "ALPHA\\SALES"), hr = instance(alpha_, 70, "ALPHA\\HR");
    const unsigned long hostless = instance(beta_, 4, "ALPHA\\HR");
    ASSERT_TRUE(getInstanceByName(tessel_, err, "alpha", "alpha\\sales", &id)) << err.formatLastErrorMessage();
    EXPECT_EQ(id, sales);
    ASSERT_TRUE(getInstanceByName(tessel_, err, "alpha", "ALPHA\\HR", &id));
    EXPECT_EQ(id, hr);
    EXPECT_TRUE(refused(getInstanceByName(tessel_, err, "alpha", "ALPHA\\NONE", &id), err, kelsql::kErrNoSuchInstance));
    EXPECT_EQ(id, 0u);
    EXPECT_TRUE(refused(getInstanceByName(tessel_, err, "gamma", "ALPHA\\HR", &id), err, kNotFound));
    EXPECT_TRUE(refused(getInstanceByName(tessel_, err, "alpha", "ALPHA\\HR", nullptr), err, kelsql::kErrValueNotSet,
                        "returnInstanceId"));

    // The host of an instance's client.
    std::string host;
    ASSERT_TRUE(getClientHostnameFromSqlServerId(err, hr, host, name)) << err.formatLastErrorMessage();
    EXPECT_EQ(host + " " + name, "alpha.example alpha");
    ASSERT_TRUE(getClientHostnameFromInstance(err, sales, byId));
    EXPECT_EQ(byId, "alpha.example");
    EXPECT_TRUE(refused(getClientHostnameFromSqlServerId(err, 0, host, name), err, kelsql::kErrValueNotSet,
                        "sqlServerId"));
    // The manager's own reason stands when the owner has no host.
    EXPECT_FALSE(getClientHostnameFromSqlServerId(err, hostless, host, name));
    EXPECT_NE(err.number(), 0u);
    EXPECT_TRUE(refused(getClientHostnameFromInstance(err, hostless, host), err, kNotFound));
    EXPECT_TRUE(refused(getClientHostnameFromInstance(err, hr + 1000, host), err, kNotFound));
}

TEST_F(LookupTest, LocalTesselHostAddressesTheContext) {
    KelSQLClassProperties ctx(KelSQLServerSide);
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
    EXPECT_TRUE(refused(getClientHostnameForLocalTessel(err, fresh, "beta", "clientName"), err, kNotFound));
    // A network transaction addresses the client's host the same way.
    KelNetSQLDBTransaction* t = ctx.getNetworkDBTransaction();
    ASSERT_TRUE(t->setupRemoteDataAgentTransaction("alpha")) << t->getLastError().formatLastErrorMessage();
    EXPECT_EQ(t->getRemoteHostName(), "alpha.example");
    EXPECT_TRUE(refused(t->setupRemoteDataAgentTransaction("beta"), t->getLastError(), kNotFound));
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
    struct stat st {};
    ASSERT_TRUE(createRecursiveDirectory(home_.file("a/b/c").c_str(), code));
    EXPECT_EQ(stat(home_.file("a/b/c").c_str(), &st), 0);
    ASSERT_TRUE(kel::test::sql("SELECT 1"));  // a file standing where a folder must go
    EXPECT_FALSE(createRecursiveDirectory(home_.file("catalogue.db/y").c_str(), code));
    EXPECT_NE(code, 0u);
}

TEST_F(LookupTest, ConnectivityTakesTheCataloguesLoginOnTheOstrelAndTheContextsElsewhere) {
    KelPI_DataBase database;
    ASSERT_NE(database.setFocus(kMachine), 0);
    ASSERT_TRUE(database.setCatalogueLogin("OSTREL1_ostrel", "catalogue", "cat-pw"));
    KelSQLClassProperties ostrel(KelSQLServerSide);
    SqlVersion record(nullptr);
    KelLastError err;
    EXPECT_TRUE(refused(setupClientSQLConnectivity(err, ostrel, record), err, kelsql::kErrSqlConnection));
    setLogin(ostrel, "sa", "sa-pw");
    ASSERT_TRUE(setupClientSQLConnectivity(err, ostrel, record));
    EXPECT_EQ(record.getServerName() + " " + record.getLogin() + " " + record.getPassword(),
              "OSTREL1_ostrel catalogue cat-pw");

    ASSERT_TRUE(KelRegistry::createMachine("client9"));
    ASSERT_NE(database.setFocus("client9"), 0);
    ASSERT_NE(database.setSqlServerODBCDSN("CLIENT9", "DEFAULT_CLIENT9_SQLDrover"), 0);
    ASSERT_NE(database.setSqlServerVersion("CLIENT9", "8.00.194"), 0);
    KelPI_Focus::setFocus("client9");
    KelSQLClassProperties agent(KelSQLClientSide);
    setLogin(agent, "sa", "sa-pw");
    SqlVersion other(nullptr);
    // No data source yet: the server name stays as it was.
    ASSERT_TRUE(setupClientSQLConnectivity(err, agent, other));
    EXPECT_EQ(other.getServerName() + " " + other.getLogin(), " sa");
    ASSERT_TRUE(agent.getSQLDSN().setVirtualMachine("client9") && agent.getSQLDSN().setSqlServerName("CLIENT9"));
    ASSERT_TRUE(setupClientSQLConnectivity(err, agent, other));
    EXPECT_EQ(other.getServerName() + " " + other.getPassword(), "DEFAULT_CLIENT9_SQLDrover sa-pw");
}

}  // namespace
