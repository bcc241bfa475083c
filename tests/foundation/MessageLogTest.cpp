// What the leveled log really writes to the program's log file for a debug
// level set in the focused machine's registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLMessageLog.h"
#include "platform/events/KelDebug.h"
#include "platform/info/KelPlatformInfo.h"
#include "platform/info/KelRegistry.h"
#include "support/TestHome.h"

namespace {

class MessageLogTest : public kel::test::HomeTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(KelRegistry::createMachine("SQLHOST"));
        ASSERT_TRUE(KelPI_Focus::setFocus("SQLHOST"));
    }
    void setLevel(uint64_t level) {
        KelPI_Keld keld;
        ASSERT_NE(keld.setFocus("SQLHOST"), 0);
        ASSERT_TRUE(keld.setSql(level));
    }
    std::string logText() const { return kel::test::readFile(KelDebug::logFilePath()); }
    // Looks only at what was written since the last mark().
    bool logged(const std::string& text) const {
        const std::string all = logText();
        return all.find(text, std::min(mark_, all.size())) != std::string::npos;
    }
    void mark() { mark_ = logText().size(); }
    size_t mark_ = 0;
};

TEST_F(MessageLogTest, EachLevelBitOpensItsOwnWriters) {
    // debug always; 0x1 debug1 and debug3, 0x2 debug2 and debug3, 0x4 dumps only, 0x8 data trace.
    const struct {
        uint64_t level;
        const char* want;
    } cases[] = {{0x1, "1010"}, {0x2, "0110"}, {0x4, "0000"}, {0x8, "0001"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.level);
        mark();
        setLevel(c.level);
        KelSQLMessageLog log;
        log.debug("f()", "line %s", "debug0");
        log.debug1("f()", "line %s", "debug1");
        log.debug2("f()", "line %s", "debug2");
        log.debug3("f()", "line %s", "debug3");
        log.dataTrace("f()", "line %s", "trace");
        EXPECT_TRUE(logged("f(): line debug0"));
        std::string got;
        for (const char* t : {"line debug1", "line debug2", "line debug3", "line trace"}) got += logged(t) ? '1' : '0';
        EXPECT_EQ(got, c.want);
        KelNetSQLOPStatus_t block;
        printSQLOperationStatus(&block);
        EXPECT_EQ(logged("KelNetSQLOPStatus"), c.level == 0x4);
    }
    // The writers' level is read once, the dumps' each time.
    setLevel(0x1);
    KelSQLMessageLog log;
    EXPECT_TRUE(log.isDebug3On());
    setLevel(0x4);
    EXPECT_TRUE(log.isLogLevel(0x1) && sqlLogLevel(4) && !sqlLogLevel(0x3));
    setLevel(5);
    KelNetSQLOPStatus_t block;
    block.LastError = 0x1E000037;
    printSQLOperationStatus(&block);
    EXPECT_TRUE(logged("        LastError = 0x1E000037\n"));
    KelNetSQLMSVersion_t version;
    version.Major = 9;
    printSQLMSVersion(3, "server", &version);
    EXPECT_TRUE(logged("3     KelNetSQLMSVersion server: \n") && logged("        Major = 9\n"));
}

TEST_F(MessageLogTest, LinesKeepPercentSignsAndAreCutToTheirBuffer) {
    KelSQLMessageLog log;
    log.debug("f()", "name [%s]", "db%d%s%n");
    EXPECT_TRUE(logged("f(): name [db%d%s%n]\n"));
    log.debug("long()", "%s|end", std::string(6000, 'x').c_str());
    const std::string text = logText();
    const size_t start = text.find("long(): ");
    EXPECT_EQ(text.find('\n', start) - (start + 8), KelSQLMessageLog::kBufferSize - 1);
    EXPECT_EQ(text.find("|end"), std::string::npos);

    KelLastError err(kelsql::kErrValueNotSet);
    EXPECT_STREQ(log.formatLastErrorMessage(err), err.message());
    err.addArgument("%s%n");
    err.addArgument("f()");
    EXPECT_STREQ(log.formatLastErrorMessage(err), "The required value %s%n is not set (f()).");
    err.setNumber(kelsql::kErrValueNotSet);
    for (int i = 0; i < 10; ++i) err.addArgument(i);
    EXPECT_NE(log.formatLastErrorMessage(err), nullptr);
    err.addArgument(10);
    EXPECT_EQ(log.formatLastErrorMessage(err), nullptr);
}

TEST_F(MessageLogTest, InstallLogWritesOnlyOnceInitialized) {
    {
        KelSqlInstallLog install("SQLHOST");
        install.logMsg("before");
        install.Initialize();
        ASSERT_TRUE(install.enabled());
        install.logMsg("installed instance");
    }
    const std::string text = kel::test::readFile(home_.file("logs/KelSqlInstall.log"));
    EXPECT_TRUE(text.find("before") == std::string::npos && text.find(" installed instance\n") != std::string::npos);
}

}  // namespace
