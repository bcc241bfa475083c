#include "KelSQL/KelSQLInstallerRegistry.h"

#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "platform/events/KelDebug.h"

int sqlServerRegVersion(const char*, char*, int*, int*, int) {
    KelDebug::Error("sqlServerRegVersion()", kelsql::kNotSupportedText);
    return 0;
}

bool getSQL2000InstancesFromRegistry(KelLastError& error, KelInstallSQLObjectList_t*, const char*, bool&,
                                     KelSqlInstallLog&) {
    return kelsql::notSupported(error, "getSQL2000InstancesFromRegistry()");
}

bool getSQL7InstanceFromRegistry(KelLastError& error, KelInstallSQLObjectList_t*, const char*) {
    return kelsql::notSupported(error, "getSQL7InstanceFromRegistry()");
}
