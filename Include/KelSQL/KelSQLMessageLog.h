// The leveled debug log every catalogue object writes through, the SQL debug
// level it is driven by, and the installer's own log file.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include "platform/events/KelCslEventMgr.h"
#include "platform/events/KelEvent.h"
#include "platform/events/KelLastError.h"

#define KELSQL_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))

// The SQL debug level (a bit mask) of the machine in focus, read anew on
// every call.
uint64_t sqlDebugLevel();
// True when the debug level shares a bit with mask (a bit test, not a
// threshold). Message dumps ask with 4.
bool sqlLogLevel(unsigned long mask);

// Writes one dump line (header or field) under function, whatever the level;
// callers test sqlLogLevel(4) first. Cut to 4095 bytes.
void sqlDumpLine(const char* function, const char* format, ...) KELSQL_PRINTF(2, 3);

// Owned by a context and used by its one thread: the line buffer is shared by
// all writers. The level is read once, at the first test.
class KelSQLMessageLog {
public:
    static constexpr size_t kBufferSize = 4096;

    KelSQLMessageLog() = default;

    // Always written. Lines longer than the buffer are cut; the formatted text
    // is written as it stands, so a "%" coming from an argument stays.
    void debug(const char* function, const char* format, ...) KELSQL_PRINTF(3, 4);
    void debug1(const char* function, const char* format, ...) KELSQL_PRINTF(3, 4);  // bit 0x1
    void debug2(const char* function, const char* format, ...) KELSQL_PRINTF(3, 4);  // bit 0x2
    void debug3(const char* function, const char* format, ...) KELSQL_PRINTF(3, 4);  // 0x1 or 0x2
    void dataTrace(const char* function, const char* format, ...) KELSQL_PRINTF(3, 4);  // bit 0x8

    bool isLogLevel(unsigned long mask);
    bool isDebug3On() { return isLogLevel(3); }
    void initialized() {
        if (!levelRead_) getDebugLevel();
    }
    uint64_t getDebugLevel();

    // err's text with its arguments filled in (the text itself when it has
    // none); null with more than 10 arguments. Valid until the next call.
    const char* formatLastErrorMessage(KelLastError& err);

    KelEvent& event() { return event_; }

private:
    void write(const char* function, const char* format, va_list args) KELSQL_PRINTF(3, 0);

    KelEvent event_;
    bool levelRead_ = false;
    uint64_t level_ = 0;
    char line_[kBufferSize] = {};
    char message_[kBufferSize] = {};
};

// The installer tools' log, logs/KelSqlInstall.log under the platform home.
// Writes nothing until Initialize() has opened the file.
class KelSqlInstallLog {
public:
    // Makes machine the process's focus.
    explicit KelSqlInstallLog(const char* machine);
    ~KelSqlInstallLog();
    KelSqlInstallLog(const KelSqlInstallLog&) = delete;
    KelSqlInstallLog& operator=(const KelSqlInstallLog&) = delete;

    void Initialize();
    void logMsg(const char* text);
    void logLastError() {}  // kept for callers; this log records no error details
    bool enabled() const { return enabled_; }

private:
    bool enabled_ = false;
    KelCslEventMgr events_;
};
