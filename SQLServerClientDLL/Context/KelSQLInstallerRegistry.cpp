#include "KelSQL/KelSQLInstallerRegistry.h"

#include "KelSQL/KelSQLErrors.h"
#include "platform/events/KelDebug.h"

int sqlServerRegVersion(const char*, char*, int*, int*, int) {
    KelDebug::Error("sqlServerRegVersion()", kelsql::kNotSupportedText);
    return 0;
}
