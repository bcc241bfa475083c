// The undo file path, measured by the agent host at the Ostrel's request
// over a real dispatcher.
#include <sys/statvfs.h>

#include <cstdlib>
#include <filesystem>

#include "InstanceFixture.h"
#include "KelSQL/KelNetSQLVerifyUndoPath.h"
#include "periphery/AgentHostFixture.h"

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
std::string folderOfLength(std::string path, size_t length) {
    while (length - path.size() > 250) path += "/" + std::string(150, 'd');
    path += "/" + std::string(length - path.size() - 1, 'd');
    std::filesystem::create_directories(path);
    return path;
}

using kel::test::refused;
using RemoteUndoPathTest = kel::test::AgentHostTest;

}  // namespace

// The agent measures at the Ostrel's request with the very check it runs for
// itself. The request's field and the undoFile column hold 1024 characters:
// all of them travel, and a longer path is never measured or stored cut short.
TEST_F(RemoteUndoPathTest, AgentMeasuresThePathFillingItsFieldAndNoLonger) {
    KelSQLClassProperties ostrel(KelSQLServerSide), agent(KelSQLClientSide);
    ostrel.setRemoteSqlHostName(kAgentHost);
    KelSQLServer server(ostrel, false), local(agent, false);
    ASSERT_TRUE(server.verifyUndoFilePath(home_.path())) << server.getLastError().formatLastErrorMessage();
    EXPECT_EQ(server.undoFilePath(), home_.path());
    EXPECT_TRUE(near(server.undoFilePathFreeSpace(), systemFreeBytes(home_.path())));
    const std::string full = folderOfLength(home_.path(), 1024), longer = folderOfLength(home_.path(), 1100);
    ASSERT_TRUE(server.verifyUndoFilePath(full)) << server.getLastError().formatLastErrorMessage();
    // The agent's refusal comes back; the free space is unknown again.
    for (const std::string& bad : {home_.file("missing"), home_.file("registry/agent1.ini"), longer}) {
        EXPECT_TRUE(refused(server.verifyUndoFilePath(bad), server.getLastError(), kelsql::kErrUndoPath)) << bad;
        EXPECT_EQ(server.undoFilePath() + "|" + std::to_string(server.undoFilePathFreeSpace()),
                  full + "|" + std::to_string(~uint64_t{0}));
    }
    // Measured here, a refusal keeps the path and its space.
    ASSERT_TRUE(local.validateUndoPath(full));
    const std::string kept = full + "|" + std::to_string(local.undoFilePathFreeSpace());
    for (const std::string& bad : {home_.file("missing"), longer}) {
        EXPECT_TRUE(refused(local.validateUndoPath(bad), local.getLastError(), kelsql::kErrUndoPath)) << bad;
        EXPECT_EQ(local.undoFilePath() + "|" + std::to_string(local.undoFilePathFreeSpace()), kept);
    }

    // The answer repeats the request's path.
    KelNetSQLVerifyUndoPath message(ostrel, false);
    message.setRemoteDataAgent(kAgentHost);
    KelNetSQLVerifyUndoPath_t request, response;
    kel::copyField(request.Path, home_.path());
    ASSERT_TRUE(message.networkQuery(request, response));
    EXPECT_EQ(kel::fieldText(response.Path), home_.path());
    EXPECT_GT(response.FreeSpace, 0u);
}
