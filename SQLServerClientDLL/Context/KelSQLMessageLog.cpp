#include "KelSQL/KelSQLMessageLog.h"

#include <cstdio>

#include "platform/events/KelDebug.h"
#include "platform/info/KelPlatformInfo.h"

// Read straight from the registry: focusing a KelPI_Keld first would test the
// machine's file once more, and a missing or unreadable file gives 0 either
// way. Message dumps ask twice for every request a dispatcher answers.
uint64_t sqlDebugLevel() {
    return kel::registryNumber(KelPI_Focus::getFocus(), kel::kSectionPlatform, kel::kKeySqlDebugLevel, 0);
}

bool sqlLogLevel(unsigned long mask) { return (sqlDebugLevel() & mask) != 0; }

namespace {

// vsnprintf cuts a line that does not fit and always terminates it.
__attribute__((format(printf, 4, 0))) void formatAndWrite(char* buffer, size_t size, const char* function,
                                                          const char* format, va_list args) {
    buffer[0] = '\0';
    if (format) vsnprintf(buffer, size, format, args);
    KelDebug::Debug(function, buffer);
}

}  // namespace

void sqlDumpLine(const char* function, const char* format, ...) {
    char line[KelSQLMessageLog::kBufferSize];
    va_list args;
    va_start(args, format);
    formatAndWrite(line, sizeof(line), function, format, args);
    va_end(args);
}

void KelSQLMessageLog::write(const char* function, const char* format, va_list args) {
    formatAndWrite(line_, sizeof(line_), function, format, args);
}

#define KELSQL_LOG_AT(mask)                   \
    do {                                      \
        if ((mask) != 0 && !isLogLevel(mask)) \
            return;                           \
        va_list args;                         \
        va_start(args, format);               \
        write(function, format, args);        \
        va_end(args);                         \
    } while (0)

void KelSQLMessageLog::debug(const char* function, const char* format, ...) { KELSQL_LOG_AT(0); }
void KelSQLMessageLog::debug1(const char* function, const char* format, ...) { KELSQL_LOG_AT(0x1); }
void KelSQLMessageLog::debug2(const char* function, const char* format, ...) { KELSQL_LOG_AT(0x2); }
void KelSQLMessageLog::debug3(const char* function, const char* format, ...) { KELSQL_LOG_AT(0x3); }
void KelSQLMessageLog::dataTrace(const char* function, const char* format, ...) { KELSQL_LOG_AT(0x8); }

#undef KELSQL_LOG_AT

bool KelSQLMessageLog::isLogLevel(unsigned long mask) {
    initialized();
    return (level_ & mask) != 0;
}

uint64_t KelSQLMessageLog::getDebugLevel() {
    level_ = sqlDebugLevel();
    levelRead_ = true;
    return level_;
}

const char* KelSQLMessageLog::formatLastErrorMessage(KelLastError& err) {
    constexpr int kMaxArguments = 10;
    int count = err.argumentCount();
    if (count > kMaxArguments) return nullptr;
    if (count <= 0) return err.message();
    const char* args[kMaxArguments] = {};
    int taken = 0;
    err.resetGetNextArgument();
    for (const char* a = err.getNextArgument(); a && taken < kMaxArguments; a = err.getNextArgument())
        args[taken++] = a;
    // The catalogue text is filled as a template, so a peer's argument never
    // acts as a printf format.
    kel::formatWithArguments(message_, sizeof(message_), err.message(), args, taken);
    return message_;
}

KelSqlInstallLog::KelSqlInstallLog(const char* machine) {
    if (machine && *machine) KelPI_Focus::setFocus(machine);
}

KelSqlInstallLog::~KelSqlInstallLog() { events_.close(); }

void KelSqlInstallLog::Initialize() { enabled_ = events_.setEventInfo(nullptr, "KelSqlInstall.log") == 0; }

void KelSqlInstallLog::logMsg(const char* text) {
    if (enabled_) events_.logIt("", "", "", text ? text : "", 10);
}
