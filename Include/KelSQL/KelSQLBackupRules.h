// Free functions the Ostrel's job logic and the restore chains call around
// backups: the next backup of an instance's databases made full, the release
// tests that choose between the two conversion protocols, the end time of a
// file/file-group point-in-time restore and the text of an SQL IN list. The
// time recalculations have no time-zone service behind them on this
// platform: they log the not-supported line and answer false.
//
// Those that need a context build their own Ostrel-side one; nothing is
// shared between calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "KelSQL/KelNetSQLWire.h"
#include "platform/events/KelLastError.h"

class KelSQLClassProperties;

// Marks every configured database of the instance for a full next backup
// (and the instance's SQL 2000 upgrade flag when the context's data source
// is SQL Server 2000). Databases handled before a failure stay marked.
bool sqlServerEnableNextFullBackup(KelSQLClassProperties& context, KelLastError& err, uint64_t tesselId,
                                   uint64_t sqlServerId);

// Whether the client's agent is older than release id 8 (42) or 7 (41);
// clientId 0 is found from the application. Any failure answers false: an
// unreadable release counts as new enough.
bool isClientVersionLessThan42(uint64_t tesselId, uint64_t clientId, uint64_t appId);
bool isClientVersionLessThan41(uint64_t tesselId, uint64_t clientId, uint64_t appId);

// The finish time (seconds since 1970) of the log that ends a file or
// file-group restore of the database to time; endTime untouched on failure.
bool getEndTimeForFFGPITRestores(const char* focusName, SIM_TimeZoneInfo_t* tz, uint32_t sqlDatabaseId,
                                 uint32_t time, uint32_t& endTime);

// " IN (a, b, c)"; " IN ()" for no ids.
void formatINClause(const std::vector<int32_t>& ids, std::string& text);

// Always false. The instance variant sets 0x1E0000FF in err; the others
// first load their row, whose lookup error err then carries instead.
bool recalculateTimeForSQLInstance(uint64_t sqlServerId, uint64_t otherId, uint64_t& time, bool flag,
                                   KelLastError& err, SIM_TimeZoneInfo_t* tz);
bool recalculateTimeForSQLDatabase(uint64_t sqlDatabaseId, uint64_t otherId, uint64_t& time, bool flag,
                                   KelLastError& err, SIM_TimeZoneInfo_t* tz);
bool recalculateTimeForSQLFileGroup(uint64_t sqlFileGroupId, uint64_t otherId, uint64_t& time, bool flag,
                                    KelLastError& err, SIM_TimeZoneInfo_t* tz);
bool recalculateTimeForSQLFile(uint64_t sqlFileId, uint64_t otherId, uint64_t& time, bool flag, KelLastError& err,
                               SIM_TimeZoneInfo_t* tz);
