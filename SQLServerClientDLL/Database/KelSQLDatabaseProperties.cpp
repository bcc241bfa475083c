#include "KelSQL/KelSQLDatabaseProperties.h"

KelSQLDatabaseProperties::KelSQLDatabaseProperties(KelSQLClassProperties& context)
    : KelSQLDatabaseProperties(context, std::string()) {}

KelSQLDatabaseProperties::KelSQLDatabaseProperties(KelSQLClassProperties& context,
                                                   const std::string& sqlDatabaseName)
    : context_(&context) {
    initialize(context, sqlDatabaseName);
}

void KelSQLDatabaseProperties::initialize(KelSQLClassProperties& context, const std::string& sqlDatabaseName) {
    context_ = &context;
    error_ = KelLastError();
    alwaysFetch_ = false;
    setSqlDatabaseName(sqlDatabaseName);
}

void KelSQLDatabaseProperties::setSqlDatabaseName(const std::string& sqlDatabaseName) {
    sqlDatabaseName_ = sqlDatabaseName;
    clearProperties();
    nameSet_ = !sqlDatabaseName.empty();
}

void KelSQLDatabaseProperties::clearProperties() {
    fetchedMask_ = valueMask_ = 0;
    reasonError_ = 0;
    reasonType_ = 0;
    recoveryModel_ = 0;
}
