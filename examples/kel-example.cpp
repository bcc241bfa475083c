// The end-to-end example: what a user of the catalogue library sees when it
// runs. It grows with the library.
#include <cstdio>

#include "KelSQL/KelSQLDateAndTime.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLMessageLog.h"
#include "platform/events/KelDebug.h"
#include "platform/info/KelPlatformInfo.h"
#include "platform/info/KelRegistry.h"

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
    return 0;
}
