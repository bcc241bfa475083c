#include "KelSQL/KelSQLErrorStatus.h"

bool idNotSet(KelLastError& err, unsigned long id, const char* idName, const char* function) {
    if (id != 0) return true;
    err.setNumber(kelsql::kErrValueNotSet);
    err.addArgument(idName);
    err.addArgument(function);
    return false;
}

bool stringEmpty(KelLastError& err, const std::string& value, const char* name, const char* function) {
    if (!value.empty()) return true;
    err.setNumber(kelsql::kErrValueNotSet);
    err.addArgument(name);
    err.addArgument(function);
    return false;
}
