// The installer's registry readers. This platform keeps no installer
// registry: each only writes its not-supported line.
#pragma once

#include "platform/events/KelLastError.h"

struct KelInstallSQLObjectList_t;
class KelSqlInstallLog;

// 0 for success. Writes no version text here; the caller supplies one from
// the platform's database information.
int sqlServerRegVersion(const char* sqlServerName, char* version, int* capacity, int* second, int clustered);
// Not supported: 0x1E0000FF in error, false; the list untouched.
bool getSQL2000InstancesFromRegistry(KelLastError& error, KelInstallSQLObjectList_t* list, const char* machine,
                                     bool& found, KelSqlInstallLog& log);
bool getSQL7InstanceFromRegistry(KelLastError& error, KelInstallSQLObjectList_t* list, const char* machine);
