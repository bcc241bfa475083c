#include <filesystem>

#include "platform/net/KelHandlerApi.h"
#include "platform/net/KelPI_Library.h"
#include "support/TestHome.h"

using kel::test::HomeTest;

namespace {

std::string builtHandler() {
    return std::filesystem::canonical("/proc/self/exe").parent_path().string() + "/../bin/libsLNTEST.so";
}

class LibraryTest : public HomeTest {
protected:
    void SetUp() override {
        std::filesystem::create_directories(home_.file("lib"));
        std::filesystem::copy_file(builtHandler(), home_.file("lib/libsLNTEST.so"));
    }
};

}  // namespace

TEST(LibraryNameTest, WindowsNamesMapToSharedObjects) {
    EXPECT_EQ(kel::linuxLibraryPath("C:\\Kel\\Base\\KelJobMgr.dll"), "C:/Kel/Base/libKelJobMgr.so");
    EXPECT_EQ(kel::linuxLibraryPath("/opt/kel\\sLNSIMCS.DLL"), "/opt/kel/libsLNSIMCS.so");
    EXPECT_EQ(kel::linuxLibraryPath("sLNSQL"), "libsLNSQL.so");
    EXPECT_EQ(kel::linuxLibraryPath("/usr/lib/libz.so.1"), "/usr/lib/libz.so.1");
}

TEST_F(LibraryTest, LookupFindsTheHomeLibraryFirst) {
    KelPI_Library lib("sLNTEST.dll", "sLPTESTMSG");
    EXPECT_NE(lib.getEntryPoint(), nullptr);
    EXPECT_EQ(lib.loadedPath(), home_.file("lib/libsLNTEST.so"));
    EXPECT_EQ(lib.getLastError(), 0u);
}

TEST_F(LibraryTest, LookupOffTakesThePathAsGiven) {
    KelPI_Library byPath(home_.path() + "\\lib\\sLNTEST.dll", "sLPTESTMSG");
    byPath.setLibraryLookupOff();
    byPath.setEntryLookupOff();
    EXPECT_NE(byPath.getEntryPoint(), nullptr);

    KelPI_Library bare("sLNTEST", "sLPTESTMSG");
    bare.setLibraryLookupOff();  // no search: not in the working folder
    EXPECT_EQ(bare.getEntryPoint(), nullptr);
    EXPECT_EQ(bare.getLastError(), kel::kErrLibraryNotFound);
}
