#include "platform/info/KelPI_DataBase.h"

#include <cstring>
#include <strings.h>

#include "platform/info/KelRegistry.h"
#include "platform/util/BoundedCopy.h"

namespace {

// The instance list is one registry value; the separator cannot be part of a
// name the list accepts.
constexpr char kListSeparator = ';';
constexpr const char* kKeyDataSourceList = "sDSNLIST";

// A name usable as a registry key and a list entry: the registry trims blanks
// and reserves a few characters.
bool usableName(const char* name) {
    if (!name || !*name) return false;
    size_t n = std::strlen(name);
    if (name[0] == ' ' || name[0] == '\t' || name[n - 1] == ' ' || name[n - 1] == '\t') return false;
    return std::strpbrk(name, "=[\n\r;") == nullptr;
}

// The key spelling stored for name in section, compared without regard to case.
bool findKey(const std::string& machine, const char* section, const char* name, std::string* key,
             std::string* value) {
    for (const auto& entry : KelRegistry::section(machine, section)) {
        if (strcasecmp(entry.first.c_str(), name) != 0) continue;
        if (key) *key = entry.first;
        if (value) *value = entry.second;
        return true;
    }
    return false;
}

}  // namespace

int KelPI_DataBase::setFocus(const char* machine) {
    if (!machine) return fail(kRegBadArgument, kel::kErrInfoBadArgument, "KelPI_DataBase::setFocus(machine)", "machine");
    return KelPI_Base::setFocus(std::string(machine));
}

void KelPI_DataBase::setToDefaultFocus() {
    focus_.clear();
    error_.clear();
}

int KelPI_DataBase::fail(int regError, uint64_t number, const char* function, const std::string& detail) {
    regError_ = regError;
    error_.setNumber(number);
    error_.addArgument(function);
    error_.addArgument(machine());
    if (!detail.empty()) error_.addArgument(detail);
    return 0;
}

int KelPI_DataBase::succeed() {
    regError_ = kRegSuccess;
    return 1;
}

int KelPI_DataBase::invalidDataBase() {
    return getInstance() == nullptr ? 1 : 0;
}

int KelPI_DataBase::create(const char* option1, const char* option2, const char* name) {
    static const char* const kFn = "KelPI_DataBase::create(option1, option2, name)";
    if (!usableName(name)) return fail(kRegBadArgument, kel::kErrInfoBadArgument, kFn, "name");
    std::string m = machine();
    if (!KelRegistry::machineExists(m)) return fail(kRegFailed, kel::kErrUnknownMachine, kFn, "");
    bool ok = KelRegistry::set(m, kel::kSectionDatabase, kel::kKeyCreateOption1, option1 ? option1 : "") &&
              KelRegistry::set(m, kel::kSectionDatabase, kel::kKeyCreateOption2, option2 ? option2 : "") &&
              KelRegistry::set(m, kel::kSectionDatabase, kel::kKeyInstance, name);
    if (!ok) return fail(kRegFailed, kel::kErrRegistryWrite, kFn, kel::kKeyInstance);
    return succeed();
}

const char* KelPI_DataBase::getInstance() {
    instance_ = KelRegistry::get(machine(), kel::kSectionDatabase, kel::kKeyInstance);
    if (instance_.empty()) {
        fail(kRegNoEntry, kel::kErrNoAgentDatabase, "KelPI_DataBase::getInstance()", "");
        return nullptr;
    }
    succeed();
    return instance_.c_str();
}

int KelPI_DataBase::readValue(const char* function, const char* section, const char* instance,
                              char* buffer, int* capacity) {
    if (!buffer || !capacity || *capacity <= 0 || !instance || !*instance)
        return fail(kRegBadArgument, kel::kErrInfoBadArgument, function, "buffer");
    std::string value;
    if (!findKey(machine(), section, instance, nullptr, &value))
        return fail(kRegNoEntry, kel::kErrNoEntry, function, std::string(section) + "\\" + instance);
    if (value.size() + 1 > static_cast<size_t>(*capacity)) {
        *capacity = static_cast<int>(value.size() + 1);
        return fail(kRegMoreData, kel::kErrValueTooLong, function, instance);
    }
    if (!kel::boundedCopy(buffer, value.size() + 1, value))
        return fail(kRegMoreData, kel::kErrValueTooLong, function, instance);
    *capacity = static_cast<int>(value.size());
    return succeed();
}

int KelPI_DataBase::writeValue(const char* function, const char* section, const char* instance,
                               const char* value) {
    if (!usableName(instance) || !value || std::strchr(value, '\n'))
        return fail(kRegBadArgument, kel::kErrInfoBadArgument, function, instance ? instance : "");
    std::string m = machine();
    if (!KelRegistry::machineExists(m)) return fail(kRegFailed, kel::kErrUnknownMachine, function, "");
    std::string key;
    // One spelling per instance: a differently cased key gives way.
    if (findKey(m, section, instance, &key, nullptr) && key != instance) KelRegistry::remove(m, section, key);
    if (!KelRegistry::set(m, section, instance, value))
        return fail(kRegFailed, kel::kErrRegistryWrite, function, instance);
    return succeed();
}

int KelPI_DataBase::getSqlServerODBCDSN(const char* instance, char* buffer, int* capacity) {
    return readValue("KelPI_DataBase::getSqlServerODBCDSN(instance)", kel::kSectionDataSources, instance,
                     buffer, capacity);
}

int KelPI_DataBase::setSqlServerODBCDSN(const char* instance, const char* dataSourceName) {
    static const char* const kFn = "KelPI_DataBase::setSqlServerODBCDSN(instance, dataSourceName)";
    if (!dataSourceName || !*dataSourceName)
        return fail(kRegBadArgument, kel::kErrInfoBadArgument, kFn, "dataSourceName");
    return writeValue(kFn, kel::kSectionDataSources, instance, dataSourceName);
}

int KelPI_DataBase::deleteSqlServerODBCDSN(const char* instance) {
    static const char* const kFn = "KelPI_DataBase::deleteSqlServerODBCDSN(instance)";
    if (!instance || !*instance) return fail(kRegBadArgument, kel::kErrInfoBadArgument, kFn, "instance");
    std::string m = machine();
    std::string key;
    if (!findKey(m, kel::kSectionDataSources, instance, &key, nullptr))
        return fail(kRegNoEntry, kel::kErrNoEntry, kFn, std::string(kel::kSectionDataSources) + "\\" + instance);
    if (!KelRegistry::remove(m, kel::kSectionDataSources, key))
        return fail(kRegFailed, kel::kErrRegistryWrite, kFn, instance);
    return succeed();
}

int KelPI_DataBase::getSqlServerVersion(const char* instance, char* buffer, int* capacity) {
    return readValue("KelPI_DataBase::getSqlServerVersion(instance)", kel::kSectionSqlVersions, instance,
                     buffer, capacity);
}

int KelPI_DataBase::setSqlServerVersion(const char* instance, const char* version) {
    return writeValue("KelPI_DataBase::setSqlServerVersion(instance, version)", kel::kSectionSqlVersions,
                      instance, version);
}

std::vector<std::string> KelPI_DataBase::splitList(const char* buffer, size_t size) {
    std::vector<std::string> names;
    if (!buffer) return names;
    size_t pos = 0;
    while (pos < size) {
        size_t n = strnlen(buffer + pos, size - pos);
        if (n == 0) break;
        names.emplace_back(buffer + pos, n);
        pos += n + 1;
    }
    return names;
}

size_t KelPI_DataBase::listSize(const std::vector<std::string>& names) {
    size_t need = 1;
    for (const std::string& name : names) need += name.size() + 1;
    return need;
}

bool KelPI_DataBase::joinList(const std::vector<std::string>& names, char* buffer, size_t capacity,
                              size_t* used) {
    if (!buffer || listSize(names) > capacity) return false;
    size_t pos = 0;
    for (const std::string& name : names) {
        if (!kel::boundedCopy(buffer + pos, capacity - pos, name)) return false;
        pos += name.size() + 1;
    }
    buffer[pos++] = '\0';
    if (used) *used = pos;
    return true;
}

int KelPI_DataBase::getDSNList(char* buffer, int* size) {
    static const char* const kFn = "KelPI_DataBase::getDSNList(buffer, size)";
    if (!buffer || !size || *size <= 0) return fail(kRegBadArgument, kel::kErrInfoBadArgument, kFn, "buffer");
    std::string stored;
    if (!findKey(machine(), kel::kSectionDataSourceList, kKeyDataSourceList, nullptr, &stored) || stored.empty())
        return fail(kRegNoEntry, kel::kErrNoEntry, kFn, kKeyDataSourceList);
    std::vector<std::string> names;
    for (size_t pos = 0; pos <= stored.size();) {
        size_t end = stored.find(kListSeparator, pos);
        if (end == std::string::npos) end = stored.size();
        if (end > pos) names.push_back(stored.substr(pos, end - pos));
        pos = end + 1;
    }
    size_t used = 0;
    if (!joinList(names, buffer, static_cast<size_t>(*size), &used)) {
        *size = static_cast<int>(listSize(names));
        return fail(kRegMoreData, kel::kErrValueTooLong, kFn, kKeyDataSourceList);
    }
    *size = static_cast<int>(used);
    return succeed();
}

int KelPI_DataBase::setDSNList(const char* buffer, int size) {
    static const char* const kFn = "KelPI_DataBase::setDSNList(buffer, size)";
    if (!buffer || size < 0) return fail(kRegBadArgument, kel::kErrInfoBadArgument, kFn, "buffer");
    std::string stored;
    for (const std::string& name : splitList(buffer, static_cast<size_t>(size))) {
        if (!usableName(name.c_str())) return fail(kRegBadArgument, kel::kErrInfoBadArgument, kFn, name);
        if (!stored.empty()) stored += kListSeparator;
        stored += name;
    }
    std::string m = machine();
    if (!KelRegistry::machineExists(m)) return fail(kRegFailed, kel::kErrUnknownMachine, kFn, "");
    if (!KelRegistry::set(m, kel::kSectionDataSourceList, kKeyDataSourceList, stored))
        return fail(kRegFailed, kel::kErrRegistryWrite, kFn, kKeyDataSourceList);
    return succeed();
}

std::string KelPI_DataBase::getConnection() const {
    return KelRegistry::get(machine(), kel::kSectionDatabase, kel::kKeyConnection);
}

std::string KelPI_DataBase::GetSqlUserName() const {
    return KelRegistry::get(machine(), kel::kSectionDatabase, kel::kKeySqlUser);
}

std::string KelPI_DataBase::GetSqlPassword() const {
    return KelRegistry::get(machine(), kel::kSectionDatabase, kel::kKeySqlPassword);
}

bool KelPI_DataBase::setCatalogueLogin(const std::string& connection, const std::string& user,
                                       const std::string& password) {
    const std::string m = machine();
    return KelRegistry::set(m, kel::kSectionDatabase, kel::kKeyConnection, connection) &&
           KelRegistry::set(m, kel::kSectionDatabase, kel::kKeySqlUser, user) &&
           KelRegistry::set(m, kel::kSectionDatabase, kel::kKeySqlPassword, password);
}
