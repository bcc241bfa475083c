#include "KelSQL/KelSQLCmdArgs.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <strings.h>

namespace {

// A whole text of decimal digits that fits 64 bits. Signs, blanks and
// trailing letters are refused: "12x" or "-1" is not a job id.
bool parseDecimal(const std::string& text, unsigned long long& value) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    errno = 0;
    unsigned long long v = std::strtoull(text.c_str(), nullptr, 10);
    if (errno == ERANGE) return false;
    value = v;
    return true;
}

// A non-empty text into a value and its flag.
bool takeText(const std::string& text, std::string& value, bool& given) {
    if (text.empty()) return false;
    value = text;
    given = true;
    return true;
}

// An id of 0 would read as "none" everywhere downstream.
bool takeId(const std::string& text, unsigned long long& value, bool& given) {
    unsigned long long v = 0;
    if (!parseDecimal(text, v) || v == 0) return false;
    value = v;
    given = true;
    return true;
}

}  // namespace

bool KelSQLCmdArgs::setJobId(const std::string& text) { return takeId(text, jobId_, jobIdGiven_); }

bool KelSQLCmdArgs::setJobId(unsigned long long jobId) {
    if (jobId == 0) return false;
    jobId_ = jobId;
    jobIdGiven_ = true;
    return true;
}

bool KelSQLCmdArgs::setApplicationNumber(const std::string& text) {
    size_t colon = text.find(':');
    if (colon == std::string::npos || colon + 1 == text.size()) return false;
    const std::string firstText = text.substr(0, colon);
    unsigned long long first = 0, second = 0;
    if (!firstText.empty() && !parseDecimal(firstText, first)) return false;
    if (!parseDecimal(text.substr(colon + 1), second) || second == 0) return false;
    appNumberFirst_ = first;
    appNumberSecond_ = second;
    appNumberGiven_ = true;
    return true;
}

bool KelSQLCmdArgs::setApplicationNumber(unsigned long first, unsigned long second) {
    if (first == 0 || second == 0) return false;
    appNumberFirst_ = first;
    appNumberSecond_ = second;
    appNumberGiven_ = true;
    return true;
}

bool KelSQLCmdArgs::setPercentage(const std::string& text) {
    const bool negative = !text.empty() && text[0] == '-';
    unsigned long long magnitude = 0;
    if (!parseDecimal(negative ? text.substr(1) : text, magnitude) || magnitude > INT32_MAX) return false;
    percentage_ = negative ? -static_cast<int32_t>(magnitude) : static_cast<int32_t>(magnitude);
    percentageGiven_ = true;
    return true;
}

bool KelSQLCmdArgs::setVirtualMachine(const std::string& text) {
    return takeText(text, virtualMachine_, virtualMachineGiven_);
}

bool KelSQLCmdArgs::setBackupTypeInteractive(const std::string& text) {
    uint32_t type = 0;
    if (strcasecmp(text.c_str(), "full") == 0)
        type = kFull;
    else if (strcasecmp(text.c_str(), "log") == 0)
        type = kLog;
    else if (strcasecmp(text.c_str(), "diff") == 0)
        type = kDifferential;
    else
        return false;
    backupType_ = type;
    interactiveTypeGiven_ = true;
    return true;
}

bool KelSQLCmdArgs::setBackupType(const std::string& text) {
    if (text.empty()) return false;
    uint32_t type = 0;
    switch (text[0]) {
    case 'D': type = kFull; break;
    case 'L': type = kLog; break;
    case 'I': type = kDifferential; break;
    default: return false;
    }
    backupType_ = type;
    backupTypeGiven_ = true;
    return true;
}

bool KelSQLCmdArgs::setSqlServerInstance(const std::string& text) {
    return takeText(text, instance_, instanceGiven_);
}

bool KelSQLCmdArgs::setSqlDatabaseName(const std::string& text) {
    return takeText(text, databaseName_, databaseNameGiven_);
}

bool KelSQLCmdArgs::setBackupDescription(const std::string& text) {
    description_ = text;
    descriptionGiven_ = true;
    return true;
}

bool KelSQLCmdArgs::setDBO(const std::string& text) {
    std::string user, password;
    if (text.empty() || !decryptNetworkSQLPassword(text, user, password)) return false;
    dbo_.setSqlUser(user);
    dbo_.setSqlPassword(password);
    dboGiven_ = true;
    return true;
}

bool KelSQLCmdArgs::setRestoreTaskId(const std::string& text) {
    return takeId(text, restoreTaskId_, restoreTaskIdGiven_);
}

void KelSQLCmdArgs::databaseBackupTypeOverride() {
    savedBackupType_ = backupType_;
    backupType_ = kFull;
    backupTypeOverridden_ = true;
}

bool KelSQLCmdArgs::validateBackupOptions() const {
    return !restoreTaskIdGiven_ && jobIdGiven_ && appNumberGiven_ && backupTypeGiven_ && virtualMachineGiven_;
}

bool KelSQLCmdArgs::validateInteractiveBackupOptions() const {
    return !restoreTaskIdGiven_ && interactiveTypeGiven_ && databaseNameGiven_ && instanceGiven_ &&
           virtualMachineGiven_;
}

bool KelSQLCmdArgs::validateRestoreOptions() const {
    const bool backupOptionGiven = appNumberGiven_ || backupTypeGiven_ || percentageGiven_ ||
                                   descriptionGiven_ || further1_ || further2_ || dboGiven_ ||
                                   interactiveTypeGiven_ || instanceGiven_ || databaseNameGiven_;
    return !backupOptionGiven && jobIdGiven_ && restoreTaskIdGiven_ && virtualMachineGiven_;
}
