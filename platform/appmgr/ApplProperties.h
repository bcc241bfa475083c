// Named properties of a subclient, kept in APP_SubclientProp. A property is
// a name, a type and its value as text.
#pragma once

#include <string>

#include "platform/appmgr/AppStore.h"
#include "platform/events/KelLastError.h"

class DBtran;

class ApplNativeProperty {
public:
    enum Type { String = 1, Boolean = 2, Integer = 3 };

    ApplNativeProperty(const std::string& name, int type, const std::string& value, int = 0)
        : name_(name), type_(type), value_(value) {}

    const std::string& getName() const { return name_; }
    int getType() const { return type_; }
    const std::string& getValue() const { return value_; }
    void setValue(const std::string& value) { value_ = value; }
    // "1" and "true" (in any case) are true; anything else false.
    bool getBooleanValue() const;
    void setBooleanValue(bool value) { value_ = value ? "1" : "0"; }

private:
    std::string name_;
    int type_;
    std::string value_;
};

class ApplProperties {
public:
    explicit ApplProperties(unsigned long subclientId) : subclientId_(subclientId) {}

    // 0 with the stored type and value in property; kAppErrProperty when the
    // subclient has none of that name (property unchanged).
    int getProperty(ApplNativeProperty& property, DBtran* tran = nullptr);
    // Adds or replaces the property of that name.
    int setProperty(const ApplNativeProperty& property, DBtran* tran = nullptr);
    const KelLastError& getLastError() const { return error_; }

private:
    unsigned long subclientId_;
    kel::appmgr::AppConnection connection_;
    KelLastError error_;
};
