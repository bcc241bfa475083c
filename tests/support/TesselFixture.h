// A fresh platform home whose focus machine "agent1" is an agent (install
// active) and names OSTREL1 as the Ostrel of one Tessel, with clients
// "alpha" (host alpha.example) and "beta" (no host) in the application
// manager; and the same with a real Ostrel dispatcher on a loopback port,
// an optional agent host for alpha, and catalogue rows of alpha's instances.
#pragma once

#include "KelSQL/KelSQLUserAndPassword.h"
#include "platform/appmgr/KelAppAdmin.h"
#include "platform/events/KelDebug.h"
#include "platform/db/SqlText.h"
#include "support/ProbeMessages.h"
#include "support/SqlDispatcherFixture.h"

namespace kel::test {

class TesselTest : public HomeTest {
protected:
    static constexpr const char* kMachine = "agent1";
    static constexpr const char* kOstrel = "OSTREL1";

    void SetUp() override {
        ASSERT_EQ(0, admin_.createTessel("main", tessel_));
        ASSERT_TRUE(focusMachineWithOstrel(kMachine, kOstrel, tessel_));
        ASSERT_TRUE(activateAgentInstall(kMachine));
        ASSERT_EQ(0, admin_.createClient(tessel_, "alpha", "alpha.example", alpha_, 7));
        ASSERT_EQ(0, admin_.createClient(tessel_, "beta", "", beta_));
    }
    // The sink writes into this test: it must not outlive it.
    void TearDown() override { KelDebug::setSink(nullptr); }

    unsigned long instance(unsigned long client, unsigned long type, const std::string& name) {
        unsigned long id = 0;
        EXPECT_EQ(0, admin_.createInstance(client, type, name, id)) << admin_.getLastError().formatLastErrorMessage();
        return id;
    }

    static void setLogin(KelSQLClassProperties& ctx, const std::string& user, const std::string& password) {
        ctx.getSQLUserAndPassword() = KelSQLUserAndPassword(user, password, false);
    }

    // Debug lines "function|text" from here on, with the dumps' level on.
    void captureLog() {
        KelPI_Keld keld;
        keld.setFocus(kMachine);
        keld.setSql(0x7);
        KelDebug::setSink([this](KelDebugLevel, const std::string& fn, const std::string& text) {
            lines_.push_back(fn + "|" + text);
        });
    }
    bool logged(const std::string& text) const {
        for (const std::string& l : lines_)
            if (l.find(text) != std::string::npos) return true;
        return false;
    }

    kel::appmgr::Admin admin_;
    unsigned long tessel_ = 0, alpha_ = 0, beta_ = 0;
    std::vector<std::string> lines_;
};

class TesselDispatcherTest : public TesselTest {
protected:
    static constexpr const char* kAgentHost = "alpha.example";

    void SetUp() override {
        TesselTest::SetUp();
        ASSERT_TRUE(startHost(ostrel_, kOstrel));
    }
    void TearDown() override {
        EXPECT_TRUE(!agentHost_.running() || agentHost_.stop());
        EXPECT_TRUE(ostrel_.stop());
        TesselTest::TearDown();
    }

    // A dispatcher for alpha's host (or another) that answers for the agent side.
    void startAgentHost(const char* host = kAgentHost) {
        agentHost_.setAgentSide(true);
        ASSERT_TRUE(startHost(agentHost_, host));
    }

    // A catalogue instance row of alpha with the given flags.
    unsigned long instanceRow(const std::string& name, int flags) {
        const unsigned long id = instance(alpha_, 70, name);
        EXPECT_TRUE(sql("INSERT INTO sqlServer(instanceId, tesselId, serverName, flags, clientId) VALUES (" +
                        std::to_string(id) + ", " + std::to_string(tessel_) + ", " + kel::sql::quoted(name) + ", " +
                        std::to_string(flags) + ", " + std::to_string(alpha_) + ")"));
        return id;
    }

    // An instance row of alpha whose SQL login is user / password.
    unsigned long loginRow(const std::string& name, const std::string& user, const std::string& password,
                           int flags = 0) {
        const unsigned long id = instanceRow(name, flags);
        std::string stored;
        EXPECT_TRUE(encryptSQLPassword(password, stored));
        EXPECT_TRUE(sql("UPDATE sqlServer SET sa = '" + user + "', saPassword = '" + stored +
                        "' WHERE instanceId = " + std::to_string(id)));
        return id;
    }

    // Whether the answering context of ctx's session (at host, else the
    // Ostrel) holds user / password.
    static bool holdsLogin(KelSQLClassProperties& ctx, const std::string& user, const std::string& password,
                           const std::string& host = std::string()) {
        kel::probe::Probe m(ctx, false);
        KelLastError err;
        m.requestMessage(true)->Code = kel::probe::kProbeLogin;
        EXPECT_TRUE(kel::copyField(m.requestMessage(false)->Tag, user + ":" + password));
        return (host.empty() || m.setRemoteDataAgent(host)) && m.exchange(err) && m.responseMessage(false)->Rows == 1;
    }

    // The dispatchers' debug log.
    std::string ostrelLog() const { return readFile(home_.file("logs/kel-dispatcher.log")); }

    KelDispatcherProcess ostrel_;
    KelDispatcherProcess agentHost_;
};

}  // namespace kel::test
