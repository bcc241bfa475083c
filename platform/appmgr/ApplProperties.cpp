#include "platform/appmgr/ApplProperties.h"

#include <strings.h>

using namespace kel::appmgr;

bool ApplNativeProperty::getBooleanValue() const {
    return value_ == "1" || strcasecmp(value_.c_str(), "true") == 0;
}

int ApplProperties::getProperty(ApplNativeProperty& property, DBtran* tran) {
    static const char* const kSignature = "ApplProperties::getProperty()";
    error_.clear();
    sqlite3* db = connection_.db(tran, error_, kSignature);
    if (!db) return static_cast<int>(error_.number());
    AppStatement statement(db, "SELECT name, type, value FROM APP_SubclientProp WHERE subclientId = ? AND name = ?");
    int rc = statement.bind(static_cast<long long>(subclientId_)).bind(property.getName()).step();
    if (rc == 100) return appFail(error_, kAppErrProperty, kSignature, property.getName());
    if (rc != 0) return appDbFail(error_, kSignature, statement);
    property = ApplNativeProperty(statement.text(0), static_cast<int>(statement.integer(1)), statement.text(2));
    return 0;
}

int ApplProperties::setProperty(const ApplNativeProperty& property, DBtran* tran) {
    static const char* const kSignature = "ApplProperties::setProperty()";
    error_.clear();
    if (property.getName().empty()) return appFail(error_, kAppErrArgument, kSignature);
    sqlite3* db = connection_.db(tran, error_, kSignature);
    if (!db) return static_cast<int>(error_.number());
    AppStatement statement(db,
                           "INSERT INTO APP_SubclientProp (subclientId, name, type, value) VALUES (?, ?, ?, ?) "
                           "ON CONFLICT (subclientId, name) DO UPDATE SET type = excluded.type, value = excluded.value");
    statement.bind(static_cast<long long>(subclientId_)).bind(property.getName());
    statement.bind(static_cast<long long>(property.getType())).bind(property.getValue());
    if (statement.step() != 100) return appDbFail(error_, kSignature, statement);
    return 0;
}
