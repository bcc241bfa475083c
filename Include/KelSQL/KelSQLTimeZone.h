// The client's time zone of a database, for the time-based restore chains.
// This platform has no time-zone service: callers work without one.
#pragma once

#include <cstdint>

#include "KelSQL/KelNetSQLWire.h"
#include "platform/events/KelLastError.h"

// Logs "This function is not supported by SQLDrover." and answers false with
// 0x1E0000FF in err; timeZone is left as it was.
bool getTimeZoneInfoForDatabase(uint64_t sqlDatabaseId, SIM_TimeZoneInfo_t& timeZone, KelLastError& err);
