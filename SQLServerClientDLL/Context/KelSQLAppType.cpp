#include "KelSQL/KelSQLAppType.h"

#include "KelSQL/KelSQLErrors.h"

bool KelSQLAppType::setSqlAppTypeByMajorVersion(unsigned long major) {
    switch (major) {
    case 7: type_ = KelSQL_AppTypeSql7; return true;
    case 8: type_ = KelSQL_AppTypeSql2000; return true;
    case 9: type_ = KelSQL_AppTypeSql2005; return true;
    default: break;
    }
    type_ = KelSQL_AppTypeNone;
    error_.setNumber(kelsql::kErrValueNotSet);
    error_.addArgument("sqlMajor");
    error_.addArgument("KelSQLAppType::setSqlAppTypeByMajorVersion(major)");
    return false;
}
