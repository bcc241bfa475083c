// A fresh platform home with two machines: the Ostrel's, on which the test
// runs, and an agent's, served by a real dispatcher that answers for the
// agent side on its own machine's registry.
#pragma once

#include <fstream>
#include <string>

#include "platform/util/KelHome.h"
#include "support/Checks.h"
#include "support/MachineSetup.h"
#include "support/TestHome.h"

namespace kel::test {

class AgentHostTest : public HomeTest {
protected:
    static constexpr const char* kOstrelMachine = "OSTREL1";
    static constexpr const char* kAgentMachine = "agent7";
    // The agent's host name as the Ostrel's [Hosts] section knows it.
    static constexpr const char* kAgentHost = "agent7";

    void SetUp() override {
        ASSERT_TRUE(KelRegistry::createMachine(kAgentMachine));
        ASSERT_TRUE(focusMachineWithOstrel(kOstrelMachine, kOstrelMachine, 1));
        agent_.setAgentSide(true);
        agent_.setFocusMachine(kAgentMachine);
        ASSERT_TRUE(startHost(agent_, kAgentHost));
    }
    void TearDown() override { EXPECT_TRUE(agent_.stop()); }

    // The agent dispatcher's lines of the dispatchers' shared log file.
    std::string agentLog() const {
        std::ifstream in(kel::homePath("logs/kel-dispatcher.log"));
        const std::string pid = " " + std::to_string(agent_.pid()) + " ";
        std::string text, line;
        while (std::getline(in, line))  // "date time.ms pid LEVEL function: text"
            if (line.find(pid) == line.find(' ', line.find(' ') + 1)) text += line + "\n";
        return text;
    }
    static size_t occurrences(const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
        return n;
    }

    KelDispatcherProcess agent_;
};

}  // namespace kel::test
