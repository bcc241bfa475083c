#include "KelSQL/KelSQLTimeZone.h"

#include "KelSQL/KelSQLErrorStatus.h"

bool getTimeZoneInfoForDatabase(uint64_t, SIM_TimeZoneInfo_t&, KelLastError& err) {
    return kelsql::notSupported(err, "getTimeZoneInfoForDatabase()");
}
