// A fresh platform home with two machines: the Ostrel's, on which the test
// runs, and an agent's, served by a real dispatcher that answers for the
// agent side on its own machine's registry.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/info/KelPlatformInfo.h"
#include "platform/info/KelRegistry.h"
#include "platform/net/KelDispatcherProcess.h"
#include "platform/util/KelHome.h"
#include "support/TestHome.h"

namespace kel::test {

class AgentHostTest : public HomeTest {
protected:
    static constexpr const char* kOstrelMachine = "OSTREL1";
    static constexpr const char* kAgentMachine = "agent7";
    // The agent's host name as the Ostrel's [Hosts] section knows it.
    static constexpr const char* kAgentHost = "agent7";

    void SetUp() override {
        ASSERT_TRUE(KelRegistry::createMachine(kOstrelMachine));
        ASSERT_TRUE(KelRegistry::createMachine(kAgentMachine));
        KelPI_Focus::setFocus(kOstrelMachine);
        KelPI_Ostrel ostrel;
        ASSERT_NE(ostrel.setFocus(kOstrelMachine), 0);
        ASSERT_TRUE(ostrel.setOstrelHostName(kOstrelMachine));
        ASSERT_TRUE(ostrel.setTesselId(1));
        agent_.setAgentSide(true);
        agent_.setFocusMachine(kAgentMachine);
        ASSERT_TRUE(agent_.start(kAgentHost)) << KelDispatcherProcess::defaultProgram();
    }
    void TearDown() override { EXPECT_TRUE(agent_.stop()); }

    // The agent dispatcher's log file as it stands.
    static std::string agentLog() {
        std::ifstream in(kel::homePath("logs/kel-dispatcher.log"));
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static size_t occurrences(const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
        return n;
    }

    KelDispatcherProcess agent_;
};

}  // namespace kel::test
