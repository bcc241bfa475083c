// The services Tessel with its Ostrel dispatcher, instance rows that carry an
// SQL login, an optional agent host for client "alpha" (a dispatcher that
// answers for the agent side), and a probe that asks a session's answering
// context which login it holds.
#pragma once

#include <string>

#include "KelSQL/KelSQLUserAndPassword.h"
#include "services/ServicesFixture.h"
#include "support/ProbeMessages.h"

namespace kel::test {

class SecurityTest : public ServicesDispatcherTest {
protected:
    static constexpr const char* kAgentHost = "alpha.example";

    void TearDown() override {
        if (agentHost_.running()) {
            EXPECT_TRUE(agentHost_.stop());
        }
        ServicesDispatcherTest::TearDown();
    }

    void startAgentHost() {
        agentHost_.setAgentSide(true);
        ASSERT_TRUE(startHost(agentHost_, kAgentHost));
    }

    // An instance of alpha whose SQL login is user / password.
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
        if (!host.empty() && !m.setRemoteDataAgent(host)) return false;
        kel::probe::ProbeReq_t* req = m.requestMessage(true);
        req->Code = kel::probe::kProbeLogin;
        kel::copyField(req->Tag, user + ":" + password);
        KelLastError err;
        return m.exchange(err) && m.responseMessage(false)->Rows == 1;
    }

    static void setLogin(KelSQLClassProperties& ctx, const std::string& user, const std::string& password) {
        ctx.getSQLUserAndPassword().setSqlUser(user);
        ctx.getSQLUserAndPassword().setSqlPassword(password);
    }

    KelDispatcherProcess agentHost_;
};

}  // namespace kel::test
