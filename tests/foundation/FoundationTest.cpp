// The foundation: times (run in UTC), argument checks and the installer's
// saved error, locks under real threads, what the leveled log really writes
// for the level in the focused machine's registry, the status block between
// the answering and the asking side (never read past its end), and values.
#include <atomic>
#include <chrono>
#include <cstring>
#include <ctime>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "KelSQL/KelNetSQLWire.h"
#include "KelSQL/KelSQLDateAndTime.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLMessageLog.h"
#include "KelSQL/KelSQLValues.h"
#include "platform/events/KelDebug.h"
#include "platform/info/KelPlatformInfo.h"
#include "platform/info/KelRegistry.h"
#include "platform/util/KelLocks.h"
#include "support/Checks.h"
#include "support/TestHome.h"

namespace {

// 2021-03-07 14:05:09 UTC
constexpr unsigned long kSample = 1615125909UL;
constexpr const char* kZero = "{ts'0000-00-00 00:00:00'}";

class DateAndTimeTest : public kel::test::HomeTest {};

TEST_F(DateAndTimeTest, TextsConversionsAndComparisons) {
    KelSQLDateAndTime t(kSample), back, u(kSample), f, later(kSample + 1);
    EXPECT_STREQ(t.odbcDateFormat(false), "{ts'2021-03-07 14:05:09'}");
    EXPECT_STREQ(t.odbcDateFormat(true), "{ts+'2021-03-07 14:05:09+'}");
    EXPECT_EQ(t.formatMMDDYYYYHHMMSS() + "|" + t.stopAt(), "03-07-2021 14:05:09|Mar 07, 2021 02:05:09 PM");
    // Zero, all ones, and far outside any calendar local time can hold.
    EXPECT_EQ(std::string(KelSQLDateAndTime(0UL).odbcDateFormat(false)) + KelSQLDateAndTime(~0UL).odbcDateFormat(false),
              std::string(kZero) + kZero);
    t.setTime(static_cast<long>(0x7FFFFFFFFFFFFFF0LL));
    EXPECT_EQ(t.odbcDateFormat(false) + t.stopAt(), kZero);
    // Only the low 32 bits set is an ordinary time (2106).
    t.setTime(static_cast<long>(0xFFFFFFFFUL));
    EXPECT_EQ(t.timeStamp().year, 2106);
    const unsigned long now = t.setCurrent();
    EXPECT_LE(static_cast<long>(now) - static_cast<long>(std::time(nullptr)), 1);
    back.setTime(t.timeStamp());
    EXPECT_EQ(back.time(), now);

    // Time zones are not supported: a number, never a changed result.
    SIM_TimeZoneInfo_t zone;
    unsigned long result = 5;
    EXPECT_TRUE(kel::test::refused(t.recalculateWithTimeZoneFromServer(kSample, nullptr, result), t.getLastError(),
                                   kelsql::kErrNotSupported));
    EXPECT_TRUE(kel::test::refused(t.recalculateWithTimeZone(kSample, &zone, result), t.getLastError(),
                                   kelsql::kErrNotSupported) && result == 5);

    // Wire records, timestamps and seconds compare.
    KelNetSQLDateTime_t w;
    w.Fraction = 77;
    u.setTime(w);
    EXPECT_EQ(u.time(), 0u);
    w.Year = 2021, w.Month = 3, w.Day = 7, w.Hour = 14, w.Minute = 5, w.Second = 9;
    u.setTime(w);
    EXPECT_TRUE(u.time() + u.timeStamp().fraction == kSample && u == w);
    w.Second = 10;
    EXPECT_TRUE(u != w && u <= w);
    w.Second = 8;
    EXPECT_FALSE(u <= w);

    // A timestamp keeps its fraction, which equality ignores.
    TIMESTAMP_STRUCT ts = u.timeStamp();
    ts.fraction = 500;
    f.setTime(ts);
    EXPECT_EQ(f.time() * 1000 + f.timeStamp().fraction, kSample * 1000 + 500);
    ts.fraction = 0;
    EXPECT_TRUE(f == ts && f <= ts);
    ts.minute = 4;
    EXPECT_TRUE(f != ts && !(f <= ts) && !(f <= TIMESTAMP_STRUCT()));
    EXPECT_EQ(std::to_string(u.compare(kSample + 1)) + std::to_string(u.compare(kSample)) +
                  std::to_string(u.compare(kSample - 1)),
              "10-1");
    EXPECT_TRUE(u <= later && !(later <= u));
}

using kel::test::arguments;

TEST(ArgumentChecksAndValues, NameComesBeforeTheSignatureSavedErrorFillsOnlyItsBufferStreamsNeverLowered) {
    KelLastError err;
    const char* sig = "KelSQLClassProperties::getClientClusteredStatus(sqlServerId)";
    EXPECT_TRUE(idNotSet(err, 12, "sqlServerId", sig) && err.number() == 0);
    EXPECT_TRUE(kel::test::refused(idNotSet(err, 0, "sqlServerId", sig), err, kelsql::kErrValueNotSet));
    EXPECT_EQ(arguments(err), (std::vector<std::string>{"sqlServerId", sig}));
    err.clear();
    EXPECT_TRUE(stringEmpty(err, "x", "clientName", sig) && !stringEmpty(err, "", "clientName", sig));
    EXPECT_EQ(arguments(err), (std::vector<std::string>{"clientName", sig}));

    // Into an event, in order from the first whatever the cursor.
    KelLastError lsn(0x1E000033);
    lsn.addArgument("KelSQLLSN::insert()");
    lsn.addArgument("Table SqlLSNs");
    lsn.getNextArgument();
    KelEvent event;
    EXPECT_TRUE(PushKelErrorParamsToKelEvent(&lsn, &event) == 2 && event.arguments() == arguments(lsn));
    EXPECT_EQ(PushKelErrorParamsToKelEvent(nullptr, &event) + PushKelErrorParamsToKelEvent(&lsn, nullptr), 0);

    // The installer's saved error: the formatter fills only its buffer.
    const auto save = [](KelLastError err) { sqlInstallLastError(KelSQL_InstallErrorSave, err); };
    save(KelLastError());
    unsigned long number = 99;
    char text[16];
    std::memset(text, 'Z', sizeof(text));
    EXPECT_TRUE(sqlFormatLastError(&number, text, sizeof(text)) == 0 && number == 0 && text[0] == '\0');

    // Bad buffers are refused untouched.
    number = 99;
    std::strcpy(text, "abc");
    for (int size : {0, -1}) EXPECT_EQ(sqlFormatLastError(&number, text, size), kelsql::kErrInvalidArgument);
    EXPECT_TRUE(sqlFormatLastError(nullptr, text, 4) == kelsql::kErrInvalidArgument &&
                sqlFormatLastError(&number, nullptr, 4) == kelsql::kErrInvalidArgument);
    EXPECT_EQ(std::to_string(number) + text, "99abc");

    // Cut and terminated inside the buffer.
    KelLastError cut;
    idNotSet(cut, 0, "sqlServerId", "sqlCreateDataSourceName()");
    save(cut);
    std::memset(text, 'Z', sizeof(text));
    EXPECT_TRUE(sqlFormatLastError(&number, text, 8) == 0 && number == kelsql::kErrValueNotSet && text[8] == 'Z');
    EXPECT_EQ(std::string(text), cut.formatLastErrorMessage().substr(0, 7));
    char one[1] = {'Z'};
    EXPECT_TRUE(sqlFormatLastError(&number, one, 1) == 0 && one[0] == '\0');
    save(KelLastError());

    // The stream maximum is never lowered; an empty wide text resets.
    KelSQLStreams s;
    EXPECT_TRUE(s.setStreams(3) && !s.setMaxStreams(2) && s.streams() * 10 + s.maxStreams() == 33);
    EXPECT_TRUE(s.setMaxStreams(5) && s.setStreams(1) && s.setLogStreams(2) &&
                s.streams() * 100 + s.logStreams() * 10 + s.maxStreams() == 125);

    KelSQLWideString w("caf\xc3\xa9");
    EXPECT_TRUE(w.isSet() && w.wideText() == L"caf\u00e9");
    EXPECT_TRUE(w.setWideString("") && !w.isSet() && w.text().empty() && w.wideText().empty());
}

using namespace std::chrono_literals;

TEST(Locks, SemaphoresReleaseOneUnitAndRecursiveLocksHoldUntilBothUnlocks) {
    KelSimpleDBSem sem(1);
    ASSERT_TRUE(sem.wait() == 0 && sem.release(5) == 0 && sem.wait() == 0);
    // Only one unit came back: a second waiter must block.
    std::atomic<bool> passed{false}, got{false};
    std::thread waiter([&] { passed = sem.wait() == 0; });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(passed.load());
    sem.release(1);
    waiter.join();
    EXPECT_TRUE(passed.load());

    std::unique_ptr<KelSemaphore> bad;
    EXPECT_NO_THROW(bad.reset(new KelSemaphore(-1)));
    EXPECT_TRUE(!bad->valid() && bad->wait() + bad->release(1) == -2);

    // The recursive lock is held until both unlocks.
    FXCriticalSection cs;
    ASSERT_TRUE(cs.Lock() && cs.Lock() && cs.GetLockOwner() == GetCurrentThreadId());
    std::thread other([&] {
        FXCriticalSectionGuard guard(cs);
        got = guard.held();
    });
    std::this_thread::sleep_for(50ms);
    cs.Unlock();
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(got.load()) << "one unlock of two released the lock";
    cs.Unlock();
    other.join();
    EXPECT_TRUE(got.load() && cs.GetLockOwner() == 0);
}

class MessageLogTest : public kel::test::HomeTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(KelRegistry::createMachine("SQLHOST") && KelPI_Focus::setFocus("SQLHOST"));
    }
    void setLevel(uint64_t level) {
        KelPI_Keld keld;
        ASSERT_TRUE(keld.setFocus("SQLHOST") != 0 && keld.setSql(level));
    }
    std::string logText() const { return kel::test::readFile(KelDebug::logFilePath()); }
    // Looks only at what was written since the last mark().
    bool logged(const std::string& text) const {
        return logText().find(text, mark_) != std::string::npos;
    }
    void mark() { mark_ = logText().size(); }
    size_t mark_ = 0;
};

TEST_F(MessageLogTest, EachLevelBitOpensItsOwnWritersAndLinesAreCutToTheirBuffer) {
    // debug always; 0x1 debug1 and debug3, 0x2 debug2 and debug3, 0x4 dumps only, 0x8 data trace.
    for (const auto& [level, want] : {std::pair<uint64_t, std::string>{0x1, "11010"}, {0x2, "10110"}, {0x4, "10000"}, {0x8, "10001"}}) {
        SCOPED_TRACE(level);
        mark();
        setLevel(level);
        KelSQLMessageLog log;
        log.debug("f()", "line %s", "debug0");
        log.debug1("f()", "line %s", "debug1");
        log.debug2("f()", "line %s", "debug2");
        log.debug3("f()", "line %s", "debug3");
        log.dataTrace("f()", "line %s", "trace");
        std::string got;
        for (const char* t : {"f(): line debug0", "line debug1", "line debug2", "line debug3", "line trace"})
            got += logged(t) ? '1' : '0';
        EXPECT_EQ(got, want);
        KelNetSQLOPStatus_t block;
        printSQLOperationStatus(&block);
        EXPECT_EQ(logged("KelNetSQLOPStatus"), level == 0x4);
    }
    // The writers' level is read once, the dumps' each time.
    setLevel(0x1);
    KelSQLMessageLog log;
    EXPECT_TRUE(log.isDebug3On());
    setLevel(0x4);
    EXPECT_TRUE(log.isLogLevel(0x1) && sqlLogLevel(4) && !sqlLogLevel(0x3));
    setLevel(5);
    KelNetSQLMSVersion_t version;
    version.Major = 9;
    printSQLMSVersion(3, "server", &version);
    EXPECT_TRUE(logged("3     KelNetSQLMSVersion server: \n") && logged("        Major = 9\n"));

    // Lines keep percent signs and are cut to their buffer; the install log waits for its start.
    KelSQLMessageLog plain;
    plain.debug("f()", "name [%s]", "db%d%s%n");
    EXPECT_TRUE(logged("f(): name [db%d%s%n]\n"));
    plain.debug("long()", "%s|end", std::string(6000, 'x').c_str());
    const std::string written = logText();
    const size_t start = written.find("long(): ");
    EXPECT_EQ(written.find('\n', start) - (start + 8), KelSQLMessageLog::kBufferSize - 1);
    EXPECT_EQ(written.find("|end"), std::string::npos);

    KelLastError notSet(kelsql::kErrValueNotSet);
    EXPECT_STREQ(plain.formatLastErrorMessage(notSet), notSet.message());
    notSet.addArgument("%s%n");
    notSet.addArgument("f()");
    EXPECT_STREQ(plain.formatLastErrorMessage(notSet), "The required value %s%n is not set (f()).");
    notSet.setNumber(kelsql::kErrValueNotSet);
    for (int i = 0; i < 10; ++i) notSet.addArgument(i);
    EXPECT_NE(plain.formatLastErrorMessage(notSet), nullptr);
    notSet.addArgument(10);
    EXPECT_EQ(plain.formatLastErrorMessage(notSet), nullptr);

    // The install log writes only once initialized.
    {
        KelSqlInstallLog install("SQLHOST");
        install.logMsg("before");
        install.Initialize();
        ASSERT_TRUE(install.enabled());
        install.logMsg("installed instance");
    }
    const std::string installed = kel::test::readFile(home_.file("logs/KelSqlInstall.log"));
    EXPECT_TRUE(installed.find("before") == std::string::npos && installed.find(" installed instance\n") != std::string::npos);
}

using Texts = std::vector<std::string>;

class OperationStatusTest : public ::testing::Test {
protected:
    // Heap-allocated alone, so that a read past its 560 bytes trips ASan.
    std::unique_ptr<KelNetSQLOPStatus_t> block_ = std::make_unique<KelNetSQLOPStatus_t>();
    KelLastError caller_;

    void fill(char c) { std::memset(static_cast<void*>(block_.get()), c, sizeof(*block_)); }
    std::string header() const {
        const KelNetSQLOPStatus_t& b = *block_;
        return std::to_string(b.Status) + "/" + std::to_string(b.LastError) + "/" + std::to_string(b.Severity) + "/" +
               std::to_string(b.ArgumentCount) + "/" + std::to_string(b.ArgumentLength);
    }
};

TEST_F(OperationStatusTest, SuccessSendsOnlyAMinorErrorAndAFailureTravelsWithinItsField) {
    KelLastError err;
    err.setMajor(0x1E000033);
    err.addArgument("KelSQLFileGroup::insert()");
    for (int critical : {0, 1}) {
        if (critical) err.setCritical(0x1E0000C4);
        fill(0xAB);
        populateSQLOperationStatus(block_.get(), true, err);
        EXPECT_EQ(header() + block_->Arguments[0], std::string("0/0/0/0/0") + '\0') << critical;
    }
    // The caller's own error is neither kept nor replaced by a minor one.
    caller_.setNumber(0x1E000001);
    EXPECT_TRUE(operationStatus(*block_, caller_) && caller_.number() == 0x1E000001u);
    err.setMinor(0x1E0000F8);
    err.addArgument("discover()");
    err.addArgument("db1");
    populateSQLOperationStatus(block_.get(), true, err);
    caller_.clear();
    EXPECT_EQ(header(), "0/" + std::to_string(0x1E0000F8) + "/1/2/15");
    EXPECT_TRUE(operationStatus(*block_, caller_) && caller_.number() == 0);

    // A failure travels whole, cut at its field; a hostile block is read within itself.
    KelLastError failed;
    failed.setCritical(0x1E0000D7);
    failed.addArgument("KelSQLFileSubClient::create()");
    failed.addArgument(42);
    populateSQLOperationStatus(block_.get(), false, failed);
    EXPECT_TRUE(kel::test::refused(operationStatus(*block_, caller_), caller_, 0x1E0000D7) && caller_.isCritical());
    EXPECT_EQ(arguments(caller_), (Texts{"KelSQLFileSubClient::create()", "42"}));

    // A failure without a number still fails, and never reads as number 0.
    KelLastError none;
    populateSQLOperationStatus(block_.get(), false, none);
    EXPECT_EQ(header(), "1/0/2/0/0");
    EXPECT_TRUE(kel::test::refused(operationStatus(*block_, caller_), caller_, 0x1E000031));

    // Over 512 bytes of arguments: cut and terminated; 402 bytes hold the
    // first two texts, the third keeps what fits.
    const std::string a(200, 'a'), b(200, 'b'), c(200, 'c');
    KelLastError big(0x1E000033);
    for (const std::string& t : {a, b, c}) big.addArgument(t);
    fill(0xAB);
    populateSQLOperationStatus(block_.get(), false, big);
    EXPECT_EQ(block_->ArgumentLength + block_->Arguments[512], 512u);
    operationStatus(*block_, caller_);
    EXPECT_EQ(arguments(caller_), (Texts{a, b, std::string(110, 'c')}));

    // An unknown severity is rebuilt as major.
    block_->Severity = 7;
    caller_.setMinor(5);
    EXPECT_TRUE(kel::test::refused(operationStatus(*block_, caller_), caller_, 0x1E000033) && caller_.isMajor());

    // A hostile block is read only within itself.
    fill('A');  // no NUL anywhere, padding included
    block_->ArgumentCount = 0x7FFFFFFF;
    block_->ArgumentLength = ~uint64_t{0};
    networkKelLastError(block_.get(), &caller_);
    EXPECT_EQ(arguments(caller_), Texts{std::string(sizeof(block_->Arguments), 'A')});
    // A text that starts just before the limit ends at the block's end.
    std::memset(block_->Arguments, 'B', sizeof(block_->Arguments));
    block_->Arguments[509] = '\0';
    networkKelLastError(block_.get(), &caller_);
    EXPECT_EQ(arguments(caller_), (Texts{std::string(509, 'B'), "BBB"}));

    // Counts that overstate the texts yield fewer arguments; one that wraps
    // to a negative 32-bit value takes nothing.
    const char packed[] = "first\0\0third";
    std::memcpy(block_->Arguments, packed, sizeof(packed));
    block_->ArgumentCount = 3;
    block_->ArgumentLength = sizeof(packed);
    networkKelLastError(block_.get(), &caller_);
    EXPECT_EQ(arguments(caller_), Texts{"first"});
    block_->ArgumentCount = 0xFFFFFFFFu;
    networkKelLastError(block_.get(), &caller_);
    EXPECT_EQ(caller_.argumentCount(), 0);
}

}  // namespace
