// The machine settings the fixtures share, in one place: a focus machine with
// its Ostrel, an active agent install, a dispatcher host started for a test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/info/KelPlatformInfo.h"
#include "platform/info/KelRegistry.h"
#include "platform/net/KelDispatcherProcess.h"

namespace kel::test {

// Creates machine (when new) and makes it the focus; its Ostrel is
// ostrelHost, of Tessel tesselId.
inline ::testing::AssertionResult focusMachineWithOstrel(const std::string& machine, const std::string& ostrelHost,
                                                         unsigned long tesselId) {
    KelPI_Ostrel ostrel;
    if (KelRegistry::createMachine(machine) && KelPI_Focus::setFocus(machine) && ostrel.setFocus(machine) != 0 &&
        ostrel.setOstrelHostName(ostrelHost) && ostrel.setTesselId(tesselId))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "cannot set up " << machine << " with its Ostrel";
}

inline ::testing::AssertionResult activateAgentInstall(const std::string& machine) {
    KelPI_MSSqlAgent agent;
    if (agent.setFocus(machine) != 0 && agent.setAgentInstallActive(true)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "cannot activate the agent install of " << machine;
}

inline ::testing::AssertionResult startHost(KelDispatcherProcess& dispatcher, const std::string& host) {
    if (dispatcher.start(host)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "cannot start " << KelDispatcherProcess::defaultProgram() << " for " << host;
}

}  // namespace kel::test
