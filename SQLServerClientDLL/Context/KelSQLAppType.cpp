#include "KelSQL/KelSQLAppType.h"

#include "KelSQL/KelSQLErrors.h"

bool KelSQLAppType::setSqlAppType(unsigned long code) {
    switch (code) {
    case KelSQL_AppTypeSql7:
    case KelSQL_AppTypeSql2000:
    case KelSQL_AppTypeSql2005: type_ = static_cast<KelSQL_AppType>(code); return true;
    default: break;
    }
    type_ = KelSQL_AppTypeNone;
    error_.setNumber(kelsql::kErrValueNotSet);
    error_.addArgument("sqlAppType");
    error_.addArgument("KelSQLAppType::setSqlAppType(sqlAppType)");
    return false;
}

bool KelSQLAppType::setSqlAppTypeByMajorVersion(unsigned long major) {
    switch (major) {
    case 7: return setSql7AppType();
    case 8: return setSql2000AppType();
    case 9: return setSqlYukonAppType();
    default: break;
    }
    type_ = KelSQL_AppTypeNone;
    error_.setNumber(kelsql::kErrValueNotSet);
    error_.addArgument("sqlMajor");
    error_.addArgument("KelSQLAppType::setSqlAppTypeByMajorVersion(sqlMajor)");
    return false;
}
