// The shared Tessel with an Ostrel dispatcher and an agent host for alpha
// whose live reader serves the host instances the test writes.
#pragma once

#include <fstream>
#include <string>
#include <vector>

#include "support/ScriptedLiveSqlServer.h"
#include "support/TesselFixture.h"

namespace kel::test {

class HostTest : public TesselDispatcherTest {
protected:
    // Writes the host's instances ("name|version|description") and starts
    // the agent host with the scripted reader loaded.
    void serveHost(const std::vector<std::string>& lines) {
        std::ofstream out(liveInstancesFile());
        for (const std::string& line : lines) out << line << "\n";
        out.close();
        startAgentHost();
        KelSQLClassProperties ostrel(KelSQLServerSide);
        kel::probe::Probe p(ostrel, false);
        ASSERT_TRUE(p.setRemoteDataAgent(kAgentHost));
        p.setDLLName("sLNSQLHOSTS");
        p.setDLLEntryPointName("sLPSQLHOSTSMSG");
        p.requestMessage(true)->Code = kel::probe::kProbeSide;
        KelLastError err;
        ASSERT_TRUE(p.exchange(err)) << err.formatLastErrorMessage();
    }
};

}  // namespace kel::test
