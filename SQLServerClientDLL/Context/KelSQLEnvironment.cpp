#include "KelSQL/KelSQLEnvironment.h"

#include <cstring>
#include <strings.h>
#include <vector>

#include "KelSQL/KelSQLErrorStatus.h"
#include "KelPlatformError.h"
#include "platform/info/KelPlatformInfoStore.h"
#include "platform/util/BoundedCopy.h"

namespace {

constexpr const char* kAgentSuffix = "_SQLDrover";
constexpr const char* kOstrelSuffix = "_ostrel";
constexpr const char* kDefaultPrefix = "DEFAULT_";
constexpr size_t kMaxPrefixedName = 32;

bool sameName(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

bool containsName(const std::string& text, const char* part) { return strcasestr(text.c_str(), part) != nullptr; }

// Drops the host part ("HOST\") and makes any further backslash a "_".
std::string withoutHost(std::string name) {
    size_t slash = name.find('\\');
    if (slash != std::string::npos) name.erase(0, slash + 1);
    for (char& c : name)
        if (c == '\\') c = '_';
    return name;
}

void badArgument(KelLastError& err, const char* function, const char* field) {
    err.setNumber(kelsql::kErrInvalidArgument);
    err.addArgument(function);
    err.addArgument(field);
}

}  // namespace

std::string KelSQLEnvironment::agentDataSourceName(const std::string& sqlServerName) {
    std::string name = sqlServerName + kAgentSuffix;
    if (name.find('\\') == std::string::npos && std::strlen(kDefaultPrefix) + name.size() <= kMaxPrefixedName)
        name.insert(0, kDefaultPrefix);
    return withoutHost(name);
}

std::string KelSQLEnvironment::ostrelDataSourceName(const std::string& sqlServerName) {
    return sqlServerName.substr(0, sqlServerName.find('\\')) + kOstrelSuffix;
}

KelSQLEnvironment::KelSQLEnvironment() : ready_(true) {}

KelSQLEnvironment::KelSQLEnvironment(const std::string& focus) { setFocus(focus); }

bool KelSQLEnvironment::setFocus(const std::string& focus) {
    envFocus_ = focus;
    if (focus.empty()) {
        setToDefaultFocus();
        ready_ = true;
        return true;
    }
    // Never fall back to another machine: an installer call names the one it
    // changes.
    ready_ = KelPI_DataBase::setFocus(focus.c_str()) != 0;
    if (!ready_) platformFailed();
    return ready_;
}

bool KelSQLEnvironment::platformFailed() {
    kelsql::takePlatformError(lastError_, KelPI_DataBase::getLastError());
    return false;
}

bool KelSQLEnvironment::create(const char* sqlServerName, const char* createArg1, const char* createArg2) {
    if (!ready_) return false;
    if (!sqlServerName || !*sqlServerName) {
        badArgument(lastError_, "KelSQLEnvironment::create(sqlServerName, createArg1, createArg2)",
                    "sqlServerName");
        return false;
    }
    databaseName_ = std::string(sqlServerName) + kAgentSuffix;
    std::string name = agentDataSourceName(sqlServerName);
    // The agent database exists already: only this instance's data source is
    // added; a failure leaves the other instances' registrations alone.
    if (invalidDataBase() == 0) return createDSN(sqlServerName, name.c_str());

    std::string fullName = databaseName_;
    bool ok = KelPI_DataBase::create(createArg1, createArg2, name.c_str()) != 0;
    if (!ok) platformFailed();
    ok = ok && configureDSN(fullName, name) && createDSN(sqlServerName, name.c_str());
    if (ok) return true;
    // Undo what this call created, but report what made it fail.
    KelLastError failure(lastError_);
    remove();
    lastError_ = failure;
    return false;
}

bool KelSQLEnvironment::createDSN(const char* sqlServerName, const char* dataSourceName) {
    static const char* const kFn = "KelSQLEnvironment::createDSN(sqlServerName, dataSourceName)";
    if (!ready_) return false;
    if (!sqlServerName || !*sqlServerName) {
        badArgument(lastError_, kFn, "sqlServerName");
        return false;
    }
    std::string instance(sqlServerName);
    std::string name = withoutHost(dataSourceName && *dataSourceName ? std::string(dataSourceName)
                                                                     : agentDataSourceName(instance));
    if (name.empty()) {
        badArgument(lastError_, kFn, "dataSourceName");
        return false;
    }

    const char* platformText = getInstance();
    if (!platformText) return platformFailed();
    std::string platformInstance(platformText);
    if (!containsName(platformInstance, kOstrelSuffix)) {
        platformInstance.clear();
    } else {
        std::string ostrel = ostrelDataSourceName(instance);
        if (sameName(ostrel, platformInstance)) name = ostrel;
    }

    char existing[kDataSourceNameSize] = {};
    int capacity = kDataSourceNameSize;
    if (getSqlServerODBCDSN(instance.c_str(), existing, &capacity) != 0) {
        std::string current = kel::fieldText(existing);
        if (sameName(current, name) || (!platformInstance.empty() && sameName(current, platformInstance)))
            return true;
        if (!deconfigureDSN(current)) return false;
    } else if (getRegError() != kRegNoEntry) {
        return platformFailed();
    }
    return registerInstance(instance, name);
}

// Records the instance's data source and adds the instance to the list; a
// failure leaves no data source behind.
bool KelSQLEnvironment::registerInstance(const std::string& instance, const std::string& name) {
    if (setSqlServerODBCDSN(instance.c_str(), name.c_str()) == 0) return platformFailed();
    auto undo = [&]() {
        deleteSqlServerODBCDSN(instance.c_str());
        return false;
    };

    char list[kInstanceListSize] = {};
    int size = kInstanceListSize;
    std::vector<std::string> names;
    if (getDSNList(list, &size) != 0) {
        names = splitList(list, static_cast<size_t>(size));
    } else if (getRegError() != kRegNoEntry) {
        platformFailed();
        return undo();
    }
    for (const std::string& listed : names)
        if (sameName(listed, instance)) return configureDSN(instance, name) ? true : undo();

    names.push_back(instance);
    size_t used = 0;
    std::memset(list, 0, sizeof(list));
    if (!joinList(names, list, sizeof(list), &used)) {
        lastError_.setNumber(kel::kErrListFull);
        lastError_.addArgument("KelSQLEnvironment::createDSN(sqlServerName, dataSourceName)");
        lastError_.addArgument(machine());
        lastError_.addArgument(instance);
        return undo();
    }
    if (!configureDSN(instance, name)) return undo();
    if (setDSNList(list, static_cast<int>(used)) == 0) {
        platformFailed();
        KelLastError failure(lastError_);
        deconfigureDSN(name);
        lastError_ = failure;
        return undo();
    }
    return true;
}

bool KelSQLEnvironment::remove() {
    if (!ready_) return false;
    KelPlatformInfo info;
    if (!envFocus_.empty() && info.setFocus(envFocus_) == 0) {
        kelsql::takePlatformError(lastError_, info.getLastError());
        return false;
    }
    char text[kDataSourceNameSize] = {};
    int capacity = kDataSourceNameSize;
    if (info.getString(kel::kSectionDatabase, kel::kKeyInstance, text, &capacity) == 0) {
        kelsql::takePlatformError(lastError_, info.getLastError());
        return false;
    }
    databaseName_ = kel::fieldText(text);
    bool agentDatabase = containsName(databaseName_, kAgentSuffix);

    if (!removeInstances()) return false;
    if (agentDatabase) {
        if (info.deleteSection(kel::kSectionDatabase) == 0) {
            kelsql::takePlatformError(lastError_, info.getLastError());
            return false;
        }
        if (!deconfigureDSN(databaseName_)) return false;
    }
    return true;
}

bool KelSQLEnvironment::removeInstances() {
    char list[kInstanceListSize] = {};
    int size = kInstanceListSize;
    if (getDSNList(list, &size) == 0) return getRegError() == kRegNoEntry ? true : platformFailed();
    for (const std::string& instance : splitList(list, static_cast<size_t>(size))) {
        char name[kDataSourceNameSize] = {};
        int capacity = kDataSourceNameSize;
        if (getSqlServerODBCDSN(instance.c_str(), name, &capacity) == 0) {
            if (getRegError() == kRegNoEntry) continue;
            return platformFailed();
        }
        std::string dataSource = kel::fieldText(name);
        if (!sameName(dataSource, databaseName_) && !deconfigureDSN(dataSource)) return false;
        if (deleteSqlServerODBCDSN(instance.c_str()) == 0) return platformFailed();
    }
    return true;
}

bool KelSQLEnvironment::configureDSN(const std::string&, const std::string&) {
    return kelsql::notSupported(lastError_, "KelSQLEnvironment::configureDSN()");
}

bool KelSQLEnvironment::deconfigureDSN(const std::string&) {
    return kelsql::notSupported(lastError_, "KelSQLEnvironment::deconfigureDSN()");
}

bool KelSQLEnvironment::sqlInstallerError(std::string&, unsigned long) {
    return kelsql::notSupported(lastError_, "KelSQLEnvironment::sqlInstallerError()");
}

namespace {

// One installer call: a fresh environment on the machine, the operation, and
// on failure the error saved for sqlFormatLastError and its number returned.
template <typename Operation>
unsigned long installerCall(const char* function, const char* virtualMachine, const char* sqlServerName,
                            bool needsInstance, Operation operation) {
    KelLastError error;
    if (!virtualMachine) {
        badArgument(error, function, "virtualMachine");
    } else if (needsInstance && (!sqlServerName || !*sqlServerName)) {
        badArgument(error, function, "sqlServerName");
    } else {
        KelSQLEnvironment environment(virtualMachine);
        if (environment.isReady() && operation(environment)) return 0;
        error = environment.getLastError();
    }
    sqlInstallLastError(KelSQL_InstallErrorSave, error);
    return error.number();
}

}  // namespace

unsigned long sqlCreateEnvironment(const char* virtualMachine, const char* sqlServerName,
                                   const char* createArg1, const char* createArg2) {
    return installerCall("sqlCreateEnvironment(virtualMachine, sqlServerName, createArg1, createArg2)",
                         virtualMachine, sqlServerName, true, [&](KelSQLEnvironment& environment) {
                             return environment.create(sqlServerName, createArg1, createArg2);
                         });
}

unsigned long sqlCreateDataSourceName(const char* virtualMachine, const char* sqlServerName,
                                      const char* dataSourceName) {
    return installerCall("sqlCreateDataSourceName(virtualMachine, sqlServerName, dataSourceName)",
                         virtualMachine, sqlServerName, true, [&](KelSQLEnvironment& environment) {
                             return environment.createDSN(sqlServerName, dataSourceName);
                         });
}

unsigned long sqlRemoveEnvironment(const char* virtualMachine) {
    return installerCall("sqlRemoveEnvironment(virtualMachine)", virtualMachine, nullptr, false,
                         [](KelSQLEnvironment& environment) { return environment.remove(); });
}
