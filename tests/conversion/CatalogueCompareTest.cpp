// The Ostrel's catalogue compare request to a client's agent host, which
// this library's agent answers with an empty success: the Ostrel then
// reports the function as not supported on the client.
#include "../database/DatabaseFixture.h"
#include "KelSQL/KelSQLBkpCmpUpdate.h"
#include "support/Checks.h"

using kel::test::refused;
using kel::test::sql;

namespace {

class CatalogueCompareTest : public kel::test::DatabaseTest {};

TEST_F(CatalogueCompareTest, TheAgentsAnswerEndsInNotSupported) {
    std::string stored;
    ASSERT_TRUE(encryptSQLPassword("pw", stored));
    ASSERT_TRUE(sql("UPDATE sqlServer SET sa = 'sa', saPassword = '" + stored + "'"));
    captureLog();
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLBkpCmpUpdate onAgent(agent, false);
    EXPECT_TRUE(refused(onAgent.compareAndUpdate("alpha", "pubs", kInstance, instance_, 5), onAgent.getLastError(),
                        kelsql::kErrOstrelSideOnly, "KelSQLBkpCmpUpdate::compareAndUpdate()"));

    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLBkpCmpUpdate noHost(ostrel, false);
    EXPECT_FALSE(noHost.compareAndUpdate("alpha", "pubs", kInstance, instance_, 5)) << "no agent host runs";
    // The login goes to the agent host first: that is where it fails.
    EXPECT_TRUE(logged("Failed to set remote security for server [" + std::string(kInstance) + "]."));
    EXPECT_FALSE(logged("Could not connect to sqlDrover"));
    EXPECT_NE(noHost.getLastError().number(), 0u);

    startAgentHost();
    KelSQLBkpCmpUpdate m(ostrel, false);
    EXPECT_TRUE(refused(m.compareAndUpdate("alpha", "pubs", kInstance, instance_, 5), m.getLastError(),
                        kelsql::kErrOstrelSideOnly, "KelSQLBkpCmpUpdate::compareAndUpdate()"));
    EXPECT_TRUE(logged("KelSQLBkpCmpUpdate::compareAndUpdate()|This function is not supported on the client."));
    // Ids and names other than the database's never reach the record.
    const auto* req = m.requestMessage(false);
    const auto* bytes = reinterpret_cast<const unsigned char*>(req);
    EXPECT_EQ(std::vector<unsigned char>(56, 0), std::vector<unsigned char>(bytes, bytes + 56));
    KelSQLBkpCmpUpdate unknown(ostrel, false);
    EXPECT_FALSE(unknown.compareAndUpdate("nobody", "pubs", kInstance, instance_, 5));
    EXPECT_TRUE(logged("Failed to get hostname for client [nobody]."));
    KelDebug::setSink(nullptr);
}

}  // namespace
