// A thread reuses a machine's file it read while the file stays the same:
// every kind of change after a reuse is seen on the next read, even one that
// keeps the size, or the modification time.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "platform/info/KelRegistry.h"
#include "support/TestHome.h"

namespace {

using kel::test::HomeTest;

std::string path(const std::string& machine) { return KelRegistry::filePath(machine); }

void overwrite(const std::string& machine) {
    std::ofstream(path(machine), std::ios::trunc) << "[Platform]\nSqlDebugLevel = 0x8\n\n";  // the size the registry wrote
}

TEST_F(HomeTest, EveryChangeAfterAReusedReadIsSeen) {
    struct Change {
        const char* machine;
        std::function<void(const std::string&)> apply;
        const char* expected;
    };
    const Change changes[] = {
        {"SET", [](const std::string& m) { KelRegistry::set(m, "Platform", "SqlDebugLevel", "0x8"); }, "0x8"},
        {"INPLACE", overwrite, "0x8"},
        {"SAMETIME",  // as a file system whose clock has not moved on would leave it
         [](const std::string& m) {
             struct stat before {};
             stat(path(m).c_str(), &before);
             overwrite(m);
             timespec times[2] = {before.st_atim, before.st_mtim};
             utimensat(AT_FDCWD, path(m).c_str(), times, 0);
         },
         "0x8"},
        {"REMOVED", [](const std::string& m) { std::remove(path(m).c_str()); }, "none"},
    };
    for (const Change& change : changes) ASSERT_TRUE(KelRegistry::set(change.machine, "Platform", "SqlDebugLevel", "0x4"));
    // Files that have not changed for a second are the ones a read keeps.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    for (const Change& change : changes) {
        SCOPED_TRACE(change.machine);
        ASSERT_EQ("0x4", KelRegistry::get(change.machine, "Platform", "SqlDebugLevel"));
        ASSERT_EQ("0x4", KelRegistry::get(change.machine, "Platform", "SqlDebugLevel")) << "reused";
        change.apply(change.machine);
        EXPECT_EQ(change.expected, KelRegistry::get(change.machine, "Platform", "SqlDebugLevel", "none"));
        EXPECT_EQ(std::string(change.expected) != "none", KelRegistry::has(change.machine, "Platform", "SqlDebugLevel"));
    }
}

}  // namespace
