// Builds an Ostrel-side context of the installed library and prints a
// catalogue timestamp: enough to show the headers, the library and its
// platform home work from outside the source tree.
#include <cstdio>

#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLDateAndTime.h"

int main() {
    KelSQLClassProperties context(KelSQLServerSide);
    KelSQLDateAndTime when(1000000000UL);
    std::printf("context initialised: %s\n", context.isInitialized() ? "yes" : "no");
    std::printf("catalogue time: %s\n", when.odbcDateFormat(false));
    return context.isInitialized() ? 0 : 1;
}
