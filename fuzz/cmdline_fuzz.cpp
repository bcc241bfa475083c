// Drives the command-line tokenizer and the job arguments with arbitrary
// text: no crash, no read past the text, every scan ends, and every argument
// is a blank-trimmed piece of the text.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "FuzzHome.h"
#include "KelSQL/KelCommandLine.h"
#include "KelSQL/KelSQLCmdArgs.h"

namespace {

void check(bool condition) {
    if (!condition) __builtin_trap();
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

void feed(KelSQLCmdArgs& args, char option, const std::string& value) {
    switch (static_cast<unsigned char>(option) % 12) {
    case 0: args.setJobId(value); break;
    case 1: args.setApplicationNumber(value); break;
    case 2: args.setBackupType(value); break;
    case 3: args.setBackupTypeInteractive(value); break;
    case 4: args.setVirtualMachine(value); break;
    case 5: args.setSqlServerInstance(value); break;
    case 6: args.setSqlDatabaseName(value); break;
    case 7: args.setBackupDescription(value); break;
    case 8: args.setRestoreTaskId(value); break;
    case 9: args.setDBO(value); break;
    case 10: args.setPercentage(value); break;
    default: args.setCommandLine(value); break;
    }
}

void scan(KelCommandLine& line, const std::string& text, KelSQLCmdArgs& args) {
    size_t options = 0;
    char small[8];
    for (char c; (c = line.getNextOption()) != 0;) {
        // Each option consumes at least its marker.
        check(++options <= text.size());
        if (options % 3 == 0) line.isOption(std::string(line.commandLine(), options % 5));
        std::string arg;
        bool ok = (options % 4 == 0) ? line.getArgument(small, sizeof(small)) : line.getArgument(arg);
        if (options % 4 == 0) {
            check(std::strlen(small) < sizeof(small));
            arg = small;
        }
        if (!ok) continue;
        check(arg.size() <= text.size());
        check(text.find(arg) != std::string::npos);
        check(arg.empty() || (!isBlank(arg.front()) && !isBlank(arg.back())));
        feed(args, c, arg);
        if (args.isJobIdGiven()) check(args.jobId() != 0);
    }
    std::string rest;
    check(!line.getArgument(rest));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The cipher behind setDBO keeps its key under the platform home.
    kel::fuzz::fuzzHome();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), strnlen(reinterpret_cast<const char*>(data), size));
    KelCommandLine line;
    KelSQLCmdArgs args;
    if (!line.setCommandLine(text.c_str())) {
        check(text.empty());
        return 0;
    }
    check(line.length() == text.size());
    // Scan a copy halfway, then the original, then a second text on the copy.
    KelCommandLine copy = line;
    if (copy.getNextOption()) {
        std::string arg;
        copy.getArgument(arg);
    }
    scan(line, text, args);
    const std::string reversed(text.rbegin(), text.rend());
    if (copy.setCommandLine(reversed.c_str())) scan(copy, reversed, args);
    args.validateBackupOptions();
    args.validateInteractiveBackupOptions();
    args.validateRestoreOptions();
    return 0;
}
