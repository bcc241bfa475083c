// Client, host and instance lookups against the application manager's rows.
#include <sys/stat.h>

#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLLookups.h"
#include "services/ServicesFixture.h"

namespace {

using LookupTest = kel::test::OstrelServicesTest;

TEST_F(LookupTest, ClientIdByName) {
    KelLastError err;
    unsigned long id = 99;
    ASSERT_TRUE(getSqlClientId(tessel_, err, "ALPHA ", id)) << err.formatLastErrorMessage();
    EXPECT_EQ(id, alpha_);
    EXPECT_FALSE(getSqlClientId(tessel_, err, "gamma", id));
    EXPECT_EQ(err.number(), kelsql::kErrClientNotFound);
    EXPECT_EQ(id, 0u);
    // Another Tessel's client is not this one's.
    unsigned long other = 0, otherClient = 0;
    ASSERT_EQ(0, admin_.createTessel("other", other));
    ASSERT_EQ(0, admin_.createClient(other, "delta", "delta.example", otherClient));
    EXPECT_FALSE(getSqlClientId(tessel_, err, "delta", id));
    EXPECT_EQ(err.number(), kelsql::kErrClientNotFound);
}

TEST_F(LookupTest, HostByNameAndById) {
    KelLastError err;
    std::string host;
    ASSERT_TRUE(getClientHostname(err, tessel_, std::string("alpha"), host));
    EXPECT_EQ(host, "alpha.example");
    host.clear();
    ASSERT_TRUE(getClientHostname(err, tessel_, alpha_, host));
    EXPECT_EQ(host, "alpha.example");
    std::string name;
    host.clear();
    ASSERT_TRUE(getSqlClientHostnameGivenClientId(err, tessel_, alpha_, host, name));
    EXPECT_EQ(host, "alpha.example");
    EXPECT_EQ(name, "alpha");
}

TEST_F(LookupTest, ClientWithoutHostIsNotFound) {
    KelLastError err;
    std::string host;
    EXPECT_FALSE(getClientHostname(err, tessel_, std::string("beta"), host));
    EXPECT_EQ(err.number(), kelsql::kErrClientNotFound);
    EXPECT_FALSE(getClientHostname(err, tessel_, beta_, host));
    EXPECT_EQ(err.number(), kelsql::kErrClientNotFound);
    EXPECT_FALSE(getSqlClientHostnameGivenClientId(err, tessel_, beta_, host));
    EXPECT_EQ(err.number(), kelsql::kErrClientNotFound);
    EXPECT_FALSE(getClientHostname(err, tessel_, std::string("nobody"), host));
    EXPECT_EQ(err.number(), kelsql::kErrClientNotFound);
    // A client of the Tessel given by an id of another Tessel is unknown.
    EXPECT_FALSE(getClientHostname(err, tessel_ + 1, alpha_, host));
    EXPECT_EQ(err.number(), kelsql::kErrClientNotFound);
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

    EXPECT_FALSE(getInstanceByName(tessel_, err, "alpha", "ALPHA\\NONE", &id));
    EXPECT_EQ(err.number(), kelsql::kErrNoSuchInstance);
    EXPECT_EQ(id, 0u);
    EXPECT_FALSE(getInstanceByName(tessel_, err, "gamma", "ALPHA\\HR", &id));
    EXPECT_EQ(err.number(), kelsql::kErrClientNotFound);
    EXPECT_FALSE(getInstanceByName(tessel_, err, "alpha", "ALPHA\\HR", nullptr));
    EXPECT_EQ(err.number(), kelsql::kErrValueNotSet);
    EXPECT_EQ(kel::test::firstArgument(err), "returnInstanceId");
}

TEST_F(LookupTest, HostOfAnInstancesClient) {
    const unsigned long id = instance(alpha_, 70, "ALPHA");
    const unsigned long hostless = instance(beta_, 70, "BETA");
    KelLastError err;
    std::string host, name;
    ASSERT_TRUE(getClientHostnameFromSqlServerId(err, id, host, name)) << err.formatLastErrorMessage();
    EXPECT_EQ(host, "alpha.example");
    EXPECT_EQ(name, "alpha");
    host.clear();
    ASSERT_TRUE(getClientHostnameFromInstance(err, id, host));
    EXPECT_EQ(host, "alpha.example");

    EXPECT_FALSE(getClientHostnameFromSqlServerId(err, 0, host, name));
    EXPECT_EQ(err.number(), kelsql::kErrValueNotSet);
    EXPECT_EQ(kel::test::firstArgument(err), "sqlServerId");
    // The manager's own reason stands when the owner has no host.
    EXPECT_FALSE(getClientHostnameFromSqlServerId(err, hostless, host, name));
    EXPECT_NE(err.number(), 0u);
    EXPECT_FALSE(getClientHostnameFromInstance(err, hostless, host));
    EXPECT_EQ(err.number(), kelsql::kErrClientNotFound);
    EXPECT_FALSE(getClientHostnameFromInstance(err, id + 1000, host));
    EXPECT_EQ(err.number(), kelsql::kErrClientNotFound);
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
    EXPECT_EQ(err.number(), kelsql::kErrValueNotSet);
    EXPECT_EQ(kel::test::firstArgument(err), "sourceClient");
    EXPECT_EQ(ctx.remoteSqlHostName(), "alpha.example");

    KelSQLClassProperties fresh(KelSQLServerSide);
    EXPECT_FALSE(getClientHostnameForLocalTessel(err, fresh, "", "sourceClient"));
    EXPECT_EQ(err.number(), kelsql::kErrValueNotSet);
    EXPECT_FALSE(getClientHostnameForLocalTessel(err, fresh, "beta", "clientName"));
    EXPECT_EQ(err.number(), kelsql::kErrClientNotFound);
}

TEST_F(LookupTest, NetworkTransactionAddressesTheClientsHost) {
    KelSQLClassProperties ctx(KelSQLServerSide);
    KelNetSQLDBTransaction* t = ctx.getNetworkDBTransaction();
    ASSERT_TRUE(t->setupRemoteDataAgentTransaction("alpha")) << t->getLastError().formatLastErrorMessage();
    EXPECT_EQ(t->getRemoteHostName(), "alpha.example");
    EXPECT_FALSE(t->setupRemoteDataAgentTransaction("beta"));
    EXPECT_EQ(t->getLastError().number(), kelsql::kErrClientNotFound);
}

TEST(PathCharacters, PunctuationGoesLettersSpacesAndHighBytesStay) {
    std::string out;
    EXPECT_TRUE(sqlRemoveInvalidPathCharacters("a/b c:d", out));
    EXPECT_EQ(out, "ab cd");
    EXPECT_FALSE(sqlRemoveInvalidPathCharacters("/\\::", out));
    EXPECT_EQ(out, "");
    EXPECT_TRUE(sqlRemoveInvalidPathCharacters("x\x7f\xc3\xa9!~[`{@0", out));
    EXPECT_EQ(out, "x\x7f\xc3\xa9" "0");
}

TEST_F(LookupTest, RecursiveDirectory) {
    uint32_t code = 0;
    const std::string path = home_.file("a/b/c");
    ASSERT_TRUE(createRecursiveDirectory(path.c_str(), code));
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0);
    // A file standing where a folder must go.
    ASSERT_TRUE(createRecursiveDirectory(home_.file("f").c_str(), code));
    FILE* f = fopen(home_.file("x").c_str(), "w");
    ASSERT_NE(f, nullptr);
    fclose(f);
    EXPECT_FALSE(createRecursiveDirectory(home_.file("x/y").c_str(), code));
    EXPECT_NE(code, 0u);
}

}  // namespace
