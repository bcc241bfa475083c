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

    // One line per writer, each tagged with its name.
    void writeAll(KelSQLMessageLog& log) {
        log.debug("f()", "line %s", "debug0");
        log.debug1("f()", "line %s", "debug1");
        log.debug2("f()", "line %s", "debug2");
        log.debug3("f()", "line %s", "debug3");
        log.dataTrace("f()", "line %s", "trace");
    }
};

TEST_F(MessageLogTest, EachLevelBitOpensItsOwnWriters) {
    // debug always; 0x1 debug1 and debug3, 0x2 debug2 and debug3, 0x4 dumps only, 0x8 data trace.
    const struct {
        uint64_t level;
        bool debug1, debug2, debug3, trace;
    } cases[] = {{0x1, true, false, true, false},
                 {0x2, false, true, true, false},
                 {0x4, false, false, false, false},
                 {0x8, false, false, false, true}};
    for (const auto& c : cases) {
        mark();
        setLevel(c.level);
        KelSQLMessageLog log;
        writeAll(log);
        EXPECT_TRUE(logged("f(): line debug0")) << c.level;
        EXPECT_EQ(logged("line debug1"), c.debug1) << c.level;
        EXPECT_EQ(logged("line debug2"), c.debug2) << c.level;
        EXPECT_EQ(logged("line debug3"), c.debug3) << c.level;
        EXPECT_EQ(logged("line trace"), c.trace) << c.level;
        KelNetSQLOPStatus_t block;
        printSQLOperationStatus(&block);
        EXPECT_EQ(logged("KelNetSQLOPStatus"), c.level == 0x4) << c.level;
    }
}

TEST_F(MessageLogTest, DumpsWriteTheirHeadersAndFields) {
    setLevel(0x4);
    KelNetSQLOPStatus_t block;
    block.Status = 1;
    block.LastError = 0x1E000037;
    printSQLOperationStatus(&block);
    EXPECT_TRUE(logged("2    KelNetSQLOPStatus: \n"));
    EXPECT_TRUE(logged("        LastError = 0x1E000037\n"));
    KelNetSQLMSVersion_t version;
    version.Major = 9;
    printSQLMSVersion(3, "server", &version);
    EXPECT_TRUE(logged("3     KelNetSQLMSVersion server: \n"));
    EXPECT_TRUE(logged("        Major = 9\n"));
}

TEST_F(MessageLogTest, LevelIsReadOnceButDumpsReadItEachTime) {
    setLevel(0x1);
    KelSQLMessageLog log;
    EXPECT_TRUE(log.isDebug3On());
    setLevel(0x4);
    EXPECT_TRUE(log.isLogLevel(0x1));
    EXPECT_TRUE(sqlLogLevel(4));
    EXPECT_FALSE(sqlLogLevel(0x3));
    setLevel(5);
    EXPECT_TRUE(sqlLogLevel(4));
}

TEST_F(MessageLogTest, PercentInAnArgumentIsWrittenAsItStands) {
    KelSQLMessageLog log;
    log.debug("f()", "name [%s]", "db%d%s%n");
    EXPECT_TRUE(logged("f(): name [db%d%s%n]\n"));
}

TEST_F(MessageLogTest, OverlongLineIsCutToItsBuffer) {
    KelSQLMessageLog log;
    const std::string longText(6000, 'x');
    log.debug("long()", "%s|end", longText.c_str());
    std::string text = logText();
    size_t start = text.find("long(): ");
    ASSERT_NE(start, std::string::npos);
    size_t end = text.find('\n', start);
    EXPECT_EQ(end - (start + 8), KelSQLMessageLog::kBufferSize - 1);
    EXPECT_EQ(text.find("|end"), std::string::npos);
}

TEST_F(MessageLogTest, FormatLastErrorMessageFillsOrRefuses) {
    KelSQLMessageLog log;
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
    std::string path = home_.file("logs/KelSqlInstall.log");
    {
        KelSqlInstallLog install("SQLHOST");
        install.logMsg("before");
        install.Initialize();
        ASSERT_TRUE(install.enabled());
        install.logMsg("installed instance");
    }
    std::string text = kel::test::readFile(path);
    EXPECT_EQ(text.find("before"), std::string::npos);
    EXPECT_NE(text.find(" installed instance\n"), std::string::npos);
}

}  // namespace
