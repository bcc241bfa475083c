// The undo file path: measured on this machine, or by the agent host at the
// Ostrel's request over a real dispatcher.
#include <sys/statvfs.h>

#include <cstdlib>
#include <filesystem>

#include "InstanceFixture.h"
#include "KelSQL/KelNetSQLVerifyUndoPath.h"
#include "periphery/AgentHostFixture.h"
#include "platform/util/KelDirectory.h"

namespace {

// Free bytes of the file system at path as the system reports them now.
uint64_t systemFreeBytes(const std::string& path) {
    struct statvfs fs {};
    if (statvfs(path.c_str(), &fs) != 0) return 0;
    return uint64_t(fs.f_bavail) * uint64_t(fs.f_frsize);
}

// Others write to the same file system meanwhile: allow some drift.
constexpr uint64_t kDrift = 256ull << 20;

bool near(uint64_t a, uint64_t b) { return (a > b ? a - b : b - a) <= kDrift; }

// A real directory below base whose whole path is exactly length characters.
std::string folderOfLength(const std::string& base, size_t length) {
    std::string path = base;
    while (path.size() < length) {
        size_t room = length - path.size() - 1;
        size_t part = room > 200 ? (room - 200 < 2 ? 150 : 200) : room;
        path += "/" + std::string(part, 'd');
    }
    std::filesystem::create_directories(path);
    return path;
}

using kel::test::refused;
using UndoPathTest = kel::test::InstanceTest;
using RemoteUndoPathTest = kel::test::AgentHostTest;

}  // namespace

TEST_F(UndoPathTest, MeasuredHereAsUnitsTimesUnitSize) {
    uint64_t available = 0, total = 0, unit = 0;
    ASSERT_EQ(KelDirectory::getFreeSpace(home_.path(), available, total, unit), 0);
    EXPECT_GT(unit, 0u);
    EXPECT_LE(available, total);
    EXPECT_TRUE(near(available * unit, systemFreeBytes(home_.path())));
    uint64_t a = 7, t = 7, u = 7;
    EXPECT_NE(KelDirectory::getFreeSpace(home_.file("nothing"), a, t, u), 0);
    EXPECT_EQ(a, 7u);

    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLServer server(agent, false);
    ASSERT_TRUE(server.validateUndoPath(home_.path())) << server.getLastError().formatLastErrorMessage();
    EXPECT_EQ(server.undoFilePath(), home_.path());
    const uint64_t before = server.undoFilePathFreeSpace();
    EXPECT_EQ(before % unit, 0u);
    EXPECT_TRUE(near(before, systemFreeBytes(home_.path())));
    // A missing folder, or a file, keeps the path and its space.
    for (const std::string& bad : {home_.file("no/such/folder"), home_.file("registry/agent1.ini")}) {
        EXPECT_TRUE(refused(server.validateUndoPath(bad), server.getLastError(), kelsql::kErrUndoPath)) << bad;
        EXPECT_EQ(server.undoFilePath(), home_.path());
        EXPECT_EQ(server.undoFilePathFreeSpace(), before);
    }
}

TEST_F(UndoPathTest, EmptyPathOrUnreachableAgentMeasuresNothing) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLServer server(ostrel, false);
    EXPECT_TRUE(refused(server.setUndoFilePath(""), server.getLastError(), kelsql::kErrValueNotSet));
    EXPECT_TRUE(refused(server.verifyUndoFilePath(), server.getLastError(), kelsql::kErrValueNotSet));
    EXPECT_EQ(server.undoFilePathFreeSpace(), 0u);
    ostrel.setRemoteSqlHostName("nowhere");
    EXPECT_FALSE(server.verifyUndoFilePath(home_.path()));
    EXPECT_NE(server.getLastError().number(), 0u);
    EXPECT_EQ(server.undoFilePathFreeSpace(), ~uint64_t{0});
    EXPECT_EQ(server.undoFilePath(), "");
}

TEST_F(RemoteUndoPathTest, AgentMeasuresThePath) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    ostrel.setRemoteSqlHostName(kAgentHost);
    KelSQLServer server(ostrel, false);
    ASSERT_TRUE(server.verifyUndoFilePath(home_.path())) << server.getLastError().formatLastErrorMessage();
    EXPECT_EQ(server.undoFilePath(), home_.path());
    EXPECT_TRUE(near(server.undoFilePathFreeSpace(), systemFreeBytes(home_.path())));
    // The agent's refusal comes back; the free space is unknown again.
    EXPECT_TRUE(refused(server.verifyUndoFilePath(home_.file("missing")), server.getLastError(),
                        kelsql::kErrUndoPath));
    EXPECT_EQ(server.undoFilePathFreeSpace(), ~uint64_t{0});
    EXPECT_EQ(server.undoFilePath(), home_.path());

    // The answer repeats the request's path.
    KelNetSQLVerifyUndoPath message(ostrel, false);
    message.setRemoteDataAgent(kAgentHost);
    KelNetSQLVerifyUndoPath_t request, response;
    kel::copyField(request.Path, home_.path());
    ASSERT_TRUE(message.networkQuery(request, response));
    EXPECT_EQ(kel::fieldText(response.Path), home_.path());
    EXPECT_GT(response.FreeSpace, 0u);
}

// The request's field and the undoFile column hold 1024 characters: all of
// them travel, and a longer path is never measured or stored cut short.
TEST_F(RemoteUndoPathTest, PathFillsItsFieldAndNoLonger) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    ostrel.setRemoteSqlHostName(kAgentHost);
    KelSQLServer server(ostrel, false);
    const std::string full = folderOfLength(home_.path(), 1024);
    ASSERT_EQ(full.size(), 1024u);
    ASSERT_TRUE(server.verifyUndoFilePath(full)) << server.getLastError().formatLastErrorMessage();
    EXPECT_EQ(server.undoFilePath(), full);
    const std::string longer = folderOfLength(home_.path(), 1100);
    EXPECT_TRUE(refused(server.verifyUndoFilePath(longer), server.getLastError(), kelsql::kErrUndoPath));
    EXPECT_EQ(server.undoFilePath(), full);

    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLServer local(agent, false);
    EXPECT_TRUE(refused(local.validateUndoPath(longer), local.getLastError(), kelsql::kErrUndoPath));
    EXPECT_TRUE(local.undoFilePath().empty());
}
