// The platform's debug writer: one line per call in the program's log file
// under the platform home (logs/<program>.log): time, process id, level,
// function name, text. The text is written as it stands, never as a format.
#pragma once

#include <functional>
#include <string>

enum KelDebugLevel {
    KelDebugError = 0,
    KelDebugLevel1 = 1,
    KelDebugLevel2 = 2,
    KelDebugLevel3 = 3,
};

class KelDebug {
public:
    static void Debug(const char* function, const char* text) { Write(KelDebugLevel1, function, text); }
    static void Error(const char* function, const char* text) { Write(KelDebugError, function, text); }
    static void Write(KelDebugLevel level, const char* function, const char* text);

    // The log file of this process under the current platform home.
    static std::string logFilePath();

    // An in-process sink beside the file, for tests that read back what was
    // logged; an empty function removes it.
    using Sink = std::function<void(KelDebugLevel, const std::string& function, const std::string& text)>;
    static void setSink(Sink sink);
};
