#include "KelSQL/KelSQLServerDSN.h"

#include <cctype>
#include <cstdlib>

#include "KelPlatformError.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLInstallerRegistry.h"
#include "platform/info/KelPI_DataBase.h"
#include "platform/util/BoundedCopy.h"

namespace {

constexpr int kDataSourceBuffer = 1024;
constexpr int kVersionBuffer = 64;

// The leading decimal digits of the text before its first '.'; none gives 0.
unsigned long majorOf(const std::string& version) {
    unsigned long major = 0;
    for (char c : version) {
        if (!std::isdigit(static_cast<unsigned char>(c))) break;
        major = major * 10 + static_cast<unsigned long>(c - '0');
        if (major > 1000000) break;
    }
    return major;
}

}  // namespace

KelSQLServerDSN::KelSQLServerDSN() { initialize(); }

KelSQLServerDSN::KelSQLServerDSN(const std::string& virtualMachine) {
    initialize();
    setVirtualMachine(virtualMachine);
}

KelSQLServerDSN::KelSQLServerDSN(const std::string& virtualMachine, const std::string& sqlServerName) {
    initialize();
    if (setVirtualMachine(virtualMachine)) setSqlServerName(sqlServerName);
}

KelSQLServerDSN::~KelSQLServerDSN() { deleteDatabase(); }

KelSQLServerDSN::KelSQLServerDSN(const KelSQLServerDSN& other) {
    initialize();
    *this = other;
}

KelSQLServerDSN& KelSQLServerDSN::operator=(const KelSQLServerDSN& other) {
    if (this == &other) return *this;
    deleteDatabase();
    virtualMachine_ = other.virtualMachine_;
    // Never two owners of one platform object: the copy focuses its own.
    if (other.database_) createDatabase();
    valid_ = other.valid_;
    error_ = other.error_;
    appType_ = other.appType_;
    sqlServerName_ = other.sqlServerName_;
    dataSourceName_ = other.dataSourceName_;
    major_ = other.major_;
    minor_ = other.minor_;
    build_ = other.build_;
    clustered_ = other.clustered_;
    return *this;
}

void KelSQLServerDSN::initialize() {
    valid_ = false;
    virtualMachine_.clear();
    sqlServerName_.clear();
    dataSourceName_.clear();
    major_ = minor_ = build_ = 0;
    appType_ = KelSQLAppType();
    database_.reset();
    clustered_ = false;
}

bool KelSQLServerDSN::setVirtualMachine(const std::string& name) {
    if (name.empty()) {
        virtualMachine_.clear();
        deleteDatabase();
        return true;
    }
    virtualMachine_ = name;
    return createDatabase();
}

bool KelSQLServerDSN::createDatabase() {
    deleteDatabase();
    auto database = std::make_unique<KelPI_DataBase>();
    if (database->setFocus(virtualMachine_.c_str()) == 0) {
        // An unfocused object would read the process's machine instead.
        kelsql::takePlatformError(error_, database->getLastError(), KelLE_Critical);
        return false;
    }
    database_ = std::move(database);
    return true;
}

void KelSQLServerDSN::deleteDatabase() {
    database_.reset();
    valid_ = false;
}

bool KelSQLServerDSN::setSqlServerName(const std::string& sqlServerName) {
    static const char* const kFn = "KelSQLServerDSN::setSqlServerName(sqlServerName)";
    if (!stringEmpty(error_, virtualMachine_, "virtualMachine", kFn)) return false;
    if (!stringEmpty(error_, sqlServerName, "sqlServerName", kFn)) return false;
    sqlServerName_ = sqlServerName;
    // Until this name is found, an earlier instance's data source must not be
    // handed out under it.
    valid_ = false;
    if (!database_ && !createDatabase()) return false;

    char buffer[kDataSourceBuffer] = {};
    int capacity = kDataSourceBuffer;
    if (database_->getSqlServerODBCDSN(sqlServerName.c_str(), buffer, &capacity) == 0) {
        kelsql::takePlatformError(error_, database_->getLastError(), KelLE_Critical);
        return false;
    }
    dataSourceName_ = kel::fieldText(buffer);

    std::string version;
    if (!readVersion(version)) return false;
    unsigned long major = majorOf(version);
    if (major < 7 || major > 9) {
        error_.setNumber(kelsql::kErrUnsupportedVersion);
        error_.addArgument(kFn);
        error_.addArgument(version.empty() ? sqlServerName : version);
        return false;
    }
    setSqlServerVersion(major, 0, 0);
    valid_ = true;
    return true;
}

// The installer registry's version when it has one, else the version the
// platform's database information registered for the instance.
bool KelSQLServerDSN::readVersion(std::string& version) {
    char text[kVersionBuffer] = {};
    int capacity = kVersionBuffer;
    int second = 0;
    if (sqlServerRegVersion(sqlServerName_.c_str(), text, &capacity, &second, clustered_ ? 1 : 0) != 0) {
        sqlInstallLastError(KelSQL_InstallErrorGet, error_);
        if (error_.number() == 0) {
            error_.setNumber(kelsql::kErrUnsupportedVersion);
            error_.addArgument("KelSQLServerDSN::setSqlServerName(sqlServerName)");
            error_.addArgument(sqlServerName_);
        }
        return false;
    }
    version = kel::fieldText(text);
    if (!version.empty()) return true;
    capacity = kVersionBuffer;
    if (database_->getSqlServerVersion(sqlServerName_.c_str(), text, &capacity) != 0) {
        version = kel::fieldText(text);
        return true;
    }
    if (database_->getRegError() == KelPI_DataBase::kRegNoEntry) return true;  // no version: refused
    kelsql::takePlatformError(error_, database_->getLastError(), KelLE_Critical);
    return false;
}

void KelSQLServerDSN::setSqlServerVersion(unsigned long major, unsigned long minor, unsigned long build) {
    major_ = major;
    minor_ = minor;
    build_ = build;
    appType_.setSqlAppTypeByMajorVersion(major);
}

const std::string& KelSQLServerDSN::dataSourceName() {
    if (!valid_) dataSourceName_.clear();
    return dataSourceName_;
}
