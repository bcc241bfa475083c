// A platform home whose focus machine is an Ostrel of one Tessel with two
// clients: "alpha" with a network host name, "beta" without one.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/appmgr/KelAppAdmin.h"
#include "platform/db/SqlText.h"
#include "platform/events/KelDebug.h"
#include "platform/info/KelPlatformInfo.h"
#include "platform/info/KelRegistry.h"
#include "support/SqlDispatcherFixture.h"

namespace kel::test {

// The first argument of an error record ("" when it has none).
inline std::string firstArgument(KelLastError err) {
    err.resetGetNextArgument();
    const char* a = err.getNextArgument();
    return a ? a : "";
}

class OstrelServicesTest : public HomeTest {
protected:
    static constexpr const char* kMachine = "ostrel1";

    void SetUp() override {
        ASSERT_TRUE(KelRegistry::createMachine(kMachine));
        KelPI_Focus::setFocus(kMachine);
        ASSERT_EQ(0, admin_.createTessel("main", tessel_));
        ASSERT_TRUE(focusMachineWithOstrel(kMachine, "OSTREL1", tessel_));
        ASSERT_EQ(0, admin_.createClient(tessel_, "alpha", "alpha.example", alpha_));
        ASSERT_EQ(0, admin_.createClient(tessel_, "beta", "", beta_));
    }
    void TearDown() override { KelDebug::setSink({}); }

    unsigned long instance(unsigned long client, unsigned long type, const std::string& name) {
        unsigned long id = 0;
        EXPECT_EQ(0, admin_.createInstance(client, type, name, id)) << admin_.getLastError().formatLastErrorMessage();
        return id;
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
    unsigned long tessel_ = 0;
    unsigned long alpha_ = 0;
    unsigned long beta_ = 0;
    std::vector<std::string> lines_;
};

}  // namespace kel::test

namespace kel::test {

// The same Tessel with an agent machine in focus (its Ostrel is OSTREL1 of
// that Tessel) and a real Ostrel dispatcher on a loopback port.
class ServicesDispatcherTest : public OstrelServicesTest {
protected:
    static constexpr const char* kOstrel = "OSTREL1";

    void SetUp() override {
        OstrelServicesTest::SetUp();
        ASSERT_TRUE(activateAgentInstall(kMachine));
        ASSERT_TRUE(sql("CREATE TABLE IF NOT EXISTS frameProbe(tag TEXT)"));
        ASSERT_TRUE(startHost(ostrel_, kOstrel));
    }
    void TearDown() override {
        EXPECT_TRUE(ostrel_.stop());
        OstrelServicesTest::TearDown();
    }

    // A catalogue instance row of alpha with the given flags.
    unsigned long instanceRow(const std::string& name, int flags) {
        const unsigned long id = instance(alpha_, 70, name);
        EXPECT_TRUE(sql("INSERT INTO sqlServer(instanceId, tesselId, serverName, flags, clientId) VALUES (" +
                        std::to_string(id) + ", " + std::to_string(tessel_) + ", " + kel::sql::quoted(name) + ", " +
                        std::to_string(flags) + ", " + std::to_string(alpha_) + ")"));
        return id;
    }

    // The Ostrel dispatcher's debug log.
    std::string ostrelLog() const { return readFile(home_.file("logs/kel-dispatcher.log")); }

    KelDispatcherProcess ostrel_;
};

}  // namespace kel::test
