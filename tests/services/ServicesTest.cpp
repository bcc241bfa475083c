// Services of the catalogue over real dispatchers and on their own: the
// clustered status (an agent asks the Ostrel about an instance's client, the
// Ostrel tells an agent host, the answering side alone); client, host and
// instance lookups against the application manager's rows; versions stored
// once per Tessel and type.
#include <sys/stat.h>

#include "Db/Tbl/sqlVersion.h"
#include "KelSQL/KelNetSQLClientClustered.h"
#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelSQLLookups.h"
#include "KelSQL/KelSQLVersion.h"
#include "platform/info/KelPI_DataBase.h"
#include "support/TesselFixture.h"

namespace {

using kel::test::refused;
using kel::test::scalar;
using ClusteredStatusTest = kel::test::TesselDispatcherTest;
using LookupTest = kel::test::TesselTest;
using VersionTest = kel::test::TesselTest;
constexpr uint64_t kNotFound = kelsql::kErrClientNotFound;

TEST_F(ClusteredStatusTest, AgentAsksByIdAndByName) {
    const unsigned long clustered = instanceRow("ALPHA\\CLU", 0x3), single = instanceRow("ALPHA\\ONE", 0x2);
    instanceRow("ALPHA\\O'NEIL", 0x1);
    KelSQLClassProperties agent(KelSQLClientSide);
    const KelLastError& err = agent.getLastError();
    ASSERT_TRUE(agent.getClientClusteredStatus(clustered) && agent.isClientClustered()) << err.formatLastErrorMessage();
    ASSERT_TRUE(agent.getClientClusteredStatus(single) && agent.clientClusteredStatus() == KelSQLClusteredOff);
    ASSERT_TRUE(agent.getClientClusteredStatus("Alpha", "alpha\\clu") && agent.isClientClustered());
    ASSERT_TRUE(agent.getClientClusteredStatus("alpha", "ALPHA\\ONE") && !agent.isClientClustered());
    // Quotes stay text.
    ASSERT_TRUE(agent.getClientClusteredStatus("alpha", "ALPHA\\O'NEIL") && agent.isClientClustered());
    EXPECT_FALSE(agent.getClientClusteredStatus("alpha", "x' OR '1'='1"));

    // Refusals; a failed answer leaves what the context knew.
    EXPECT_TRUE(refused(agent.getClientClusteredStatus(4242), err, kelsql::kErrRowOperation));
    EXPECT_TRUE(refused(agent.getClientClusteredStatus("gamma", "ALPHA\\CLU"), err, kelsql::kErrClientNotFound));
    EXPECT_TRUE(refused(agent.getClientClusteredStatus("alpha", "ALPHA\\NONE"), err, kelsql::kErrNoSuchInstance));
    EXPECT_TRUE(agent.isClientClustered());
    // Cut to its field, the name could be another instance's.
    EXPECT_TRUE(refused(agent.getClientClusteredStatus("alpha", "ALPHA\\" + std::string(123, 'X')), err,
                        kelsql::kErrValueNotSet, "sqlServerName"));
    EXPECT_TRUE(refused(agent.setRemoteClientClusteredStatusOn(), err, kelsql::kErrOstrelSideOnly));
}

TEST_F(ClusteredStatusTest, OstrelTellsAHost) {
    const unsigned long id = instanceRow("ALPHA\\CLU", 0x1);
    KelSQLClassProperties ostrel(KelSQLServerSide);
    const KelLastError& err = ostrel.getLastError();
    EXPECT_TRUE(refused(ostrel.getClientClusteredStatus(1), err, kelsql::kErrAgentSideOnly));
    // The dispatcher on hand stands in for the agent host.
    ostrel.setRemoteSqlHostName(kOstrel);
    ASSERT_TRUE(ostrel.setRemoteClientClusteredStatusOn() && ostrel.setRemoteClientClusteredStatus(id))
        << err.formatLastErrorMessage();
    EXPECT_TRUE(refused(ostrel.setRemoteClientClusteredStatus(id + 100), err, kelsql::kErrRowOperation));
}

// The answering side on its own, as the handler builds it.
TEST_F(ClusteredStatusTest, SetOnAnySideGetOnTheOstrelOnly) {
    KelLastError err;
    const auto answer = [&err](KelSQLClassProperties& ctx, KelNetSQLClientClusteredReq_t req) {
        KelNetSQLClientClustered m(ctx, 1, reinterpret_cast<char*>(&req));
        const bool ok = m.buildReply();
        err = m.getLastError();
        return ok ? 0u : m.responseMessage(false)->Status.Status + 1;
    };
    KelSQLClassProperties agent(KelSQLClientSide);
    KelNetSQLClientClusteredReq_t req{};
    req.ClusteredOpCode = KelNetSQLClusteredSet;
    req.Clustered = 5;
    EXPECT_TRUE(answer(agent, req) == 0 && agent.isClientClustered());
    req.Clustered = 0;
    EXPECT_TRUE(answer(agent, req) == 0 && agent.clientClusteredStatus() == KelSQLClusteredOff);
    req.ClusteredOpCode = KelNetSQLClusteredGet;
    req.SqlServerId = 1;
    EXPECT_EQ(answer(agent, req), 2u);  // failed, status 1
    EXPECT_EQ(err.number(), kelsql::kErrRequestRefused);

}

TEST_F(LookupTest, ClientsHostsAndInstances) {
    KelLastError err;
    unsigned long id = 99;
    ASSERT_TRUE(getSqlClientId(tessel_, err, "ALPHA ", id) && id == alpha_) << err.formatLastErrorMessage();
    std::string byName, byId, given, name, host;
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
    ASSERT_TRUE(getInstanceByName(tessel_, err, "alpha", "alpha\\sales", &id) && id == sales) << err.formatLastErrorMessage();
    ASSERT_TRUE(getInstanceByName(tessel_, err, "alpha", "ALPHA\\HR", &id) && id == hr);
    EXPECT_TRUE(refused(getInstanceByName(tessel_, err, "alpha", "ALPHA\\NONE", &id), err, kelsql::kErrNoSuchInstance));
    EXPECT_EQ(id, 0u);
    EXPECT_TRUE(refused(getInstanceByName(tessel_, err, "gamma", "ALPHA\\HR", &id), err, kNotFound));

    // The host of an instance's client.
    ASSERT_TRUE(getClientHostnameFromSqlServerId(err, hr, host, name)) << err.formatLastErrorMessage();
    EXPECT_EQ(host + " " + name, "alpha.example alpha");
    ASSERT_TRUE(getClientHostnameFromInstance(err, sales, byId) && byId == "alpha.example");
    // The manager's own reason stands when the owner has no host.
    EXPECT_NE(kel::test::failure(getClientHostnameFromSqlServerId(err, hostless, host, name), err), 0u);
    EXPECT_TRUE(refused(getClientHostnameFromInstance(err, hostless, host), err, kNotFound));
    EXPECT_TRUE(refused(getClientHostnameFromInstance(err, hr + 1000, host), err, kNotFound));
}

TEST_F(LookupTest, LocalTesselHostAddressesTheContext) {
    KelSQLClassProperties ctx(KelSQLServerSide);
    KelLastError err;
    ASSERT_TRUE(getClientHostnameForLocalTessel(err, ctx, "alpha", "clientName")) << err.formatLastErrorMessage();
    // No name: the host chosen before still serves, with the missing name noted.
    err.clear();
    EXPECT_TRUE(getClientHostnameForLocalTessel(err, ctx, "", "sourceClient") && ctx.remoteSqlHostName() == "alpha.example");
    EXPECT_TRUE(refused(false, err, kelsql::kErrValueNotSet, "sourceClient"));
    KelSQLClassProperties fresh(KelSQLServerSide);
    EXPECT_TRUE(refused(getClientHostnameForLocalTessel(err, fresh, "beta", "clientName"), err, kNotFound));
    // A network transaction addresses the client's host the same way.
    KelNetSQLDBTransaction* t = ctx.getNetworkDBTransaction();
    ASSERT_TRUE(t->setupRemoteDataAgentTransaction("alpha") && t->getRemoteHostName() == "alpha.example");
    EXPECT_TRUE(refused(t->setupRemoteDataAgentTransaction("beta"), t->getLastError(), kNotFound));
}

TEST_F(LookupTest, PathCharactersAndRecursiveDirectory) {
    std::string out;
    EXPECT_TRUE(sqlRemoveInvalidPathCharacters("a/b c:d", out) && out == "ab cd");
    EXPECT_FALSE(sqlRemoveInvalidPathCharacters("/\\::", out) || !out.empty());
    // Punctuation goes; letters, digits and high bytes stay.
    EXPECT_TRUE(sqlRemoveInvalidPathCharacters("x\x7f\xc3\xa9!~[`{@0", out) && out == "x\x7f\xc3\xa9" "0");
    uint32_t code = 0;
    struct stat st {};
    EXPECT_TRUE(createRecursiveDirectory(home_.file("a/b/c").c_str(), code) && stat(home_.file("a/b/c").c_str(), &st) == 0);
    ASSERT_TRUE(kel::test::sql("SELECT 1"));  // a file standing where a folder must go
    EXPECT_FALSE(createRecursiveDirectory(home_.file("catalogue.db/y").c_str(), code) || code == 0);
}

TEST_F(LookupTest, ConnectivityTakesTheCataloguesLoginOnTheOstrelAndTheContextsElsewhere) {
    KelPI_DataBase database;
    ASSERT_TRUE(database.setFocus(kMachine) && database.setCatalogueLogin("OSTREL1_ostrel", "catalogue", "cat-pw"));
    KelSQLClassProperties ostrel(KelSQLServerSide);
    SqlVersion record(nullptr), other(nullptr);
    KelLastError err;
    EXPECT_TRUE(refused(setupClientSQLConnectivity(err, ostrel, record), err, kelsql::kErrSqlConnection));
    setLogin(ostrel, "sa", "sa-pw");
    ASSERT_TRUE(setupClientSQLConnectivity(err, ostrel, record));
    EXPECT_EQ(record.getServerName() + " " + record.getLogin() + " " + record.getPassword(),
              "OSTREL1_ostrel catalogue cat-pw");

    ASSERT_TRUE(KelRegistry::createMachine("client9"));
    ASSERT_TRUE(database.setFocus("client9") && database.setSqlServerODBCDSN("CLIENT9", "DEFAULT_CLIENT9_SQLDrover") &&
                database.setSqlServerVersion("CLIENT9", "8.00.194"));
    KelPI_Focus::setFocus("client9");
    KelSQLClassProperties agent(KelSQLClientSide);
    setLogin(agent, "sa", "sa-pw");
    // No data source yet: the server name stays as it was.
    ASSERT_TRUE(setupClientSQLConnectivity(err, agent, other));
    EXPECT_EQ(other.getServerName() + " " + other.getLogin(), " sa");
    ASSERT_TRUE(agent.getSQLDSN().setVirtualMachine("client9") && agent.getSQLDSN().setSqlServerName("CLIENT9"));
    ASSERT_TRUE(setupClientSQLConnectivity(err, agent, other));
    EXPECT_EQ(other.getServerName() + " " + other.getPassword(), "DEFAULT_CLIENT9_SQLDrover sa-pw");
}

TEST_F(VersionTest, SameVersionIsStoredOncePerTesselAndType) {
    unsigned long other = 0;
    ASSERT_EQ(0, admin_.createTessel("other", other));
    KelSQLClassProperties ctx(KelSQLServerSide);
    ASSERT_TRUE(ctx.startTransaction());
    KelSQLVersion first(ctx), again(ctx), tape(ctx), theirs(ctx), byId(ctx);
    theirs.setTesselId(other);
    for (KelSQLVersion* v : {&first, &again, &theirs}) v->setSQLVersion(8, 0, 2039, 0);
    tape.setMTFVersion(8, 0, 2039, 0);
    for (KelSQLVersion* v : {&first, &again, &tape, &theirs})
        ASSERT_TRUE(getSQLVersionId(*v)) << v->getLastError().formatLastErrorMessage();
    // Tessel 0 was the Ostrel's own, and stays so in the object.
    EXPECT_EQ(first.tesselId(), tessel_);
    EXPECT_TRUE(first.sqlId() != 0 && again.sqlId() == first.sqlId() && tape.sqlId() != first.sqlId() &&
                theirs.sqlId() != first.sqlId() && theirs.sqlId() != tape.sqlId());
    ASSERT_TRUE(byId.query(tape.sqlId()) && byId.isMTFType());
    EXPECT_EQ(byId.major() * 10000 + byId.build(), 82039u);
    ASSERT_TRUE(byId.query(first.sqlId()) && byId.isSQLType() && ctx.commitTransaction());
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlVersion"), 3);
}

TEST_F(VersionTest, MissingRowThenInsertThenUpdateAndRollback) {
    KelSQLClassProperties ctx(KelSQLServerSide);
    KelSQLVersion v(ctx);
    v.setTesselId(tessel_);
    v.setSQLVersion(7, 0, 623, 0);
    // query(0) is the search by numbers.
    EXPECT_TRUE(refused(v.query(0), v.getLastError(), kelsql::kErrRowOperation, "Table SqlVersion"));
    EXPECT_EQ(v.sqlCode(), 100);
    EXPECT_TRUE(refused(v.config(), v.getLastError(), kelsql::kErrTranRequired));
    ASSERT_TRUE(ctx.startTransaction() && v.config() && v.query()) << v.getLastError().formatLastErrorMessage();
    const uint64_t id = v.sqlId();
    v.setSQLVersion(7, 0, 1063, id);
    ASSERT_TRUE(v.update() && ctx.commitTransaction()) << v.getLastError().formatLastErrorMessage();
    KelSQLVersion read(ctx), rolled(ctx);
    ASSERT_TRUE(read.query(id) && read.build() == 1063u);

    rolled.setMTFVersion(1, 0, 0, 0);
    ASSERT_TRUE(ctx.startTransaction() && getSQLVersionId(rolled) && ctx.rollBackTransaction());
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlVersion"), 1);
}

}  // namespace
