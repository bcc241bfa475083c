// The end-to-end example: what a user of the catalogue library sees when it
// runs. It grows with the library.
#include <cstdio>

#include "KelSQL/KelSQLDateAndTime.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLMessageLog.h"
#include "platform/appmgr/KelAppAdmin.h"
#include "platform/appmgr/KelClient.h"
#include "platform/events/KelDebug.h"
#include "platform/info/KelPlatformInfo.h"
#include "platform/info/KelRegistry.h"

// Registers a client with one SQL Server instance in the application manager
// and finds it again by name, as the Ostrel does before it talks to an agent.
static void registerClient() {
    kel::appmgr::Admin admin;
    unsigned long tessel = 0, client = 0, instance = 0;
    if (admin.createTessel("example", tessel) || admin.createClient(tessel, "client1", "client1.local", client) ||
        admin.createInstance(client, 16, "SQL1", instance)) {
        std::printf("registration failed: %s\n", admin.getLastError().formatLastErrorMessage().c_str());
        return;
    }
    std::string host;
    KelClient(tessel, "CLIENT1", false, 0).getNetworkHostname(host, nullptr);
    std::printf("client1 (id %lu) is reached at %s; instance SQL1 has id %lu\n", client, host.c_str(), instance);
}

int main() {
    std::string machine = KelPI_Focus::getFocus();
    KelRegistry::createMachine(machine);
    KelPI_Keld keld;
    keld.setFocus(machine);
    keld.setSql(0x2);  // level 2 detail: debug2 and debug3 lines, no debug1

    KelSQLMessageLog log;
    KelSQLDateAndTime now;
    now.setCurrent();
    log.debug("main()", "catalogue example starting at %s", now.odbcDateFormat(false));
    log.debug1("main()", "not written at level 0x%llx", static_cast<unsigned long long>(log.getDebugLevel()));
    log.debug2("main()", "level 2 detail");
    log.debug3("main()", "level 3 detail");

    KelLastError err;
    idNotSet(err, 0, "sqlServerId", "main()");
    const char* text = log.formatLastErrorMessage(err);
    KelDebug::Error("main()", text ? text : "");

    std::printf("machine %s, SQL debug level 0x%llx\n", machine.c_str(),
                static_cast<unsigned long long>(sqlDebugLevel()));
    std::printf("error 0x%08llX: %s\n", static_cast<unsigned long long>(err.number()), text ? text : "");
    std::printf("log written to %s\n", KelDebug::logFilePath().c_str());
    registerClient();
    return 0;
}
