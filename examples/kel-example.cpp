// The end-to-end example: what a user of the catalogue library sees when it
// runs. It grows with the library.
#include <cstdio>

#include "KelSQL/KelSQLErrorStatus.h"
#include "platform/events/KelDebug.h"
#include "platform/info/KelPlatformInfo.h"
#include "platform/info/KelRegistry.h"

int main() {
    std::string machine = KelPI_Focus::getFocus();
    KelRegistry::createMachine(machine);
    KelPI_Keld keld;
    keld.setFocus(machine);
    keld.setSql(0x3);

    KelDebug::Debug("main()", "catalogue example starting");
    KelLastError err;
    idNotSet(err, 0, "sqlServerId", "main()");
    KelDebug::Error("main()", err.formatLastErrorMessage().c_str());

    std::printf("machine %s, SQL debug level 0x%llx\n", machine.c_str(),
                static_cast<unsigned long long>(keld.getSql(true)));
    std::printf("error 0x%08llX: %s\n", static_cast<unsigned long long>(err.number()),
                err.formatLastErrorMessage().c_str());
    std::printf("log written to %s\n", KelDebug::logFilePath().c_str());
    return 0;
}
