// A platform home whose focus machine "agent1" is both an agent (install
// active) and, in its registry, the Ostrel of one Tessel, with client
// "agent1" and its SQL Server 2005 instance "AGENT1\SQL1" in the application
// manager. Ostrel-side contexts run on the catalogue here; agent-side ones
// send to a real dispatcher on loopback when the test starts one.
#pragma once

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <string>

#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLServer.h"
#include "platform/appmgr/KelAppAdmin.h"
#include "platform/db/DBEngine.h"
#include "platform/info/KelPlatformInfo.h"
#include "platform/info/KelRegistry.h"
#include "platform/net/KelDispatcherProcess.h"
#include "platform/util/BoundedCopy.h"
#include "support/SqlDispatcherFixture.h"

namespace kel::test {

// The first column of the query's first row on a connection of its own, read
// by take; the fallbacks say why there is none.
template <typename T, typename Take>
T firstColumn(const std::string& query, T noCatalogue, T badQuery, T noRow, Take take) {
    std::string error;
    std::unique_ptr<DBConnection> c(DBConnection::open(error));
    if (!c) return noCatalogue;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(c->db(), query.c_str(), -1, &stmt, nullptr) != SQLITE_OK) return badQuery;
    T v = sqlite3_step(stmt) == SQLITE_ROW ? take(stmt) : noRow;
    sqlite3_finalize(stmt);
    return v;
}

// One integer of the catalogue (-1 when there is no row, -2 for NULL).
inline long long scalar(const std::string& query) {
    return firstColumn<long long>(query, -3, -3, -1, [](sqlite3_stmt* s) {
        return sqlite3_column_type(s, 0) == SQLITE_NULL ? -2 : sqlite3_column_int64(s, 0);
    });
}

inline std::string text(const std::string& query) {
    return firstColumn<std::string>(query, "<no catalogue>", "<bad query>", "<no row>", [](sqlite3_stmt* s) {
        const unsigned char* t = sqlite3_column_text(s, 0);
        return std::string(t ? reinterpret_cast<const char*>(t) : "<null>");
    });
}

class InstanceTest : public HomeTest {
protected:
    static constexpr const char* kMachine = "agent1";
    static constexpr const char* kOstrel = "OSTREL1";
    static constexpr const char* kInstance = "AGENT1\\SQL1";

    void SetUp() override {
        ASSERT_TRUE(KelRegistry::createMachine(kMachine));
        KelPI_Focus::setFocus(kMachine);
        ASSERT_EQ(0, admin_.createTessel("main", tessel_));
        KelPI_Ostrel ostrel;
        ASSERT_NE(ostrel.setFocus(kMachine), 0);
        ASSERT_TRUE(ostrel.setOstrelHostName(kOstrel));
        ASSERT_TRUE(ostrel.setTesselId(tessel_));
        KelPI_MSSqlAgent agent;
        ASSERT_NE(agent.setFocus(kMachine), 0);
        ASSERT_TRUE(agent.setAgentInstallActive(true));
        ASSERT_EQ(0, admin_.createClient(tessel_, kMachine, kMachine, client_));
        ASSERT_EQ(0, admin_.createInstance(client_, 70, kInstance, instance_));
    }

    unsigned long newInstance(const std::string& name, unsigned long type = 70) {
        unsigned long id = 0;
        EXPECT_EQ(0, admin_.createInstance(client_, type, name, id));
        return id;
    }

    // A catalogue row written the way the Ostrel's registration does.
    unsigned long registerLocally(KelSQLClassProperties& ostrel, const std::string& name, unsigned long major,
                                  unsigned long minor, unsigned long build, bool commit = true) {
        ostrel.getSQLUserAndPassword().setSqlUser("sa");
        ostrel.getSQLUserAndPassword().setSqlPassword("secret");
        if (!ostrel.isTransactionStarted()) {
            EXPECT_TRUE(ostrel.startTransaction());
        }
        KelSQLServer server(ostrel, true);
        KelNetSQLServerReq_t req{};
        KelNetSQLServerRsp_t rsp{};
        req.DBCode = KelNetSQLServerInsert;
        kel::copyField(req.Server.ClientName, std::string(kMachine));
        kel::copyField(req.Server.ServerName, name);
        req.Server.ServerMajor = major;
        req.Server.ServerMinor = minor;
        req.Server.ServerBuild = build;
        req.Server.AddTime = 1000;
        EXPECT_TRUE(server.insert(&req, &rsp)) << server.getLastError().formatLastErrorMessage();
        if (commit) {
            EXPECT_TRUE(ostrel.commitTransaction());
        }
        return static_cast<unsigned long>(rsp.Server.SqlServerId);
    }

    kel::appmgr::Admin admin_;
    unsigned long tessel_ = 0;
    unsigned long client_ = 0;
    unsigned long instance_ = 0;
};

// The same home with a real Ostrel dispatcher: agent-side contexts send.
class InstanceDispatcherTest : public InstanceTest {
protected:
    void SetUp() override {
        InstanceTest::SetUp();
        ASSERT_TRUE(ostrel_.start(kOstrel)) << KelDispatcherProcess::defaultProgram();
    }
    void TearDown() override { EXPECT_TRUE(ostrel_.stop()); }

    KelDispatcherProcess ostrel_;
};

}  // namespace kel::test
