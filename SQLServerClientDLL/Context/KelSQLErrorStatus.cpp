#include "KelSQL/KelSQLErrorStatus.h"

#include <cstring>
#include <mutex>

#include "KelSQL/KelSQLMessageLog.h"
#include "platform/events/KelDebug.h"
#include "platform/util/BoundedCopy.h"

bool idNotSet(KelLastError& err, unsigned long id, const char* idName, const char* function) {
    if (id != 0) return true;
    err.setNumber(kelsql::kErrValueNotSet);
    err.addArgument(idName);
    err.addArgument(function);
    return false;
}

bool stringEmpty(KelLastError& err, const std::string& value, const char* name, const char* function) {
    if (!value.empty()) return true;
    err.setNumber(kelsql::kErrValueNotSet);
    err.addArgument(name);
    err.addArgument(function);
    return false;
}

bool textFits(KelLastError& err, const std::string& value, size_t fieldSize, const char* name,
              const char* function) {
    if (fieldSize > 0 && value.size() < fieldSize) return true;
    err.setNumber(kelsql::kErrValueNotSet);
    err.addArgument(name);
    err.addArgument(function);
    err.addArgument(std::to_string(value.size()) + " characters where at most " +
                    std::to_string(fieldSize > 0 ? fieldSize - 1 : 0) + " fit");
    return false;
}

void initializeSQLOperationStatus(KelNetSQLOPStatus_t* s) {
    if (!s) return;
    s->Status = 0;
    s->LastError = 0;
    s->Severity = 0;
    s->ArgumentCount = 0;
    s->ArgumentLength = 0;
    // All of it, so that no stale bytes of an earlier reply go on the wire.
    std::memset(s->Arguments, 0, sizeof(s->Arguments));
}

void populateSQLOperationStatus(KelNetSQLOPStatus_t* s, bool ok, KelLastError& err) {
    if (!s) return;
    initializeSQLOperationStatus(s);
    if (ok && (err.number() == 0 || err.isMajor() || err.isCritical())) return;

    s->Status = ok ? 0 : 1;
    s->LastError = err.number();
    s->Severity = static_cast<uint64_t>(err.severity());
    s->ArgumentCount = static_cast<uint64_t>(err.argumentCount() > 0 ? err.argumentCount() : 0);
    size_t length = err.argumentListLength() > 0 ? static_cast<size_t>(err.argumentListLength()) : 0;
    if (length > KelNetSQLOPStatus_t::kArgumentBytes) length = KelNetSQLOPStatus_t::kArgumentBytes;
    s->ArgumentLength = length;
    if (length) std::memcpy(s->Arguments, err.argumentList(), length);
    // A cut list ends in a terminated (shortened) text; the byte after the
    // 512 is always NUL.
    s->Arguments[length] = '\0';
}

bool operationStatus(KelNetSQLOPStatus_t& s, KelLastError& err) {
    if (s.Status == 0) return true;
    networkKelLastError(&s, &err);
    // A peer that reports failure without a number must not read as success.
    if (err.number() == 0) {
        err.setNumber(kelsql::kErrRequestRefused);
        err.addArgument("operationStatus(status, err)");
    }
    return false;
}

void networkKelLastError(KelNetSQLOPStatus_t* s, KelLastError* err) {
    if (!s || !err) return;
    switch (s->Severity) {
    case KelLE_Informational: err->setInformational(s->LastError); break;
    case KelLE_Minor: err->setMinor(s->LastError); break;
    case KelLE_Major: err->setMajor(s->LastError); break;
    case KelLE_Critical: err->setCritical(s->LastError); break;
    default: err->setNumber(s->LastError); break;
    }
    // The peer's counts and terminators are not trusted: texts are taken only
    // within the block, and a count that does not fit 32 bits is read as the
    // signed value it wraps to.
    const int32_t count = static_cast<int32_t>(s->ArgumentCount);
    const size_t limit = KelNetSQLOPStatus_t::kArgumentBytes;
    size_t pos = 0;
    for (int32_t taken = 0; taken < count && pos < limit && s->Arguments[pos] != '\0'; ++taken) {
        size_t n = strnlen(s->Arguments + pos, sizeof(s->Arguments) - pos);
        err->addArgument(std::string(s->Arguments + pos, n));
        pos += n + 1;
    }
}

namespace {

const char* dumpHeader(int level) {
    switch (level) {
    case 3: return "3     %s:%s";
    case 2: return "2    %s:%s";
    default: return "1   %s:%s";
    }
}

std::string dumpTitle(const char* record, const char* title) {
    std::string text = record;
    if (title && *title) text += title;
    return text;
}

}  // namespace

void printSQLOperationStatus(KelNetSQLOPStatus_t* s) {
    if (!s || !sqlLogLevel(4)) return;
    const char* fn = "printSQLOperationStatus()";
    if (s->Status == 0 && s->LastError == 0) {
        sqlDumpLine(fn, "2    %s:%s", "KelNetSQLOPStatus: SUCCESS", " ");
        return;
    }
    sqlDumpLine(fn, "2    %s:%s", "KelNetSQLOPStatus", " ");
    sqlDumpLine(fn, "        %s = %d", "Status", static_cast<int>(s->Status));
    sqlDumpLine(fn, "        %s = 0x%08X", "LastError", static_cast<unsigned>(s->LastError));
    sqlDumpLine(fn, "        %s = %d", "Severity", static_cast<int>(s->Severity));
    sqlDumpLine(fn, "        %s = %d", "ArgumentCount", static_cast<int>(s->ArgumentCount));
    sqlDumpLine(fn, "        %s = %d", "ArgumentLength", static_cast<int>(s->ArgumentLength));
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
void printSQLMSVersion(int level, const char* title, KelNetSQLMSVersion_t* v) {
    if (!v || !sqlLogLevel(4)) return;
    const char* fn = "printSQLMSVersion()";
    sqlDumpLine(fn, dumpHeader(level), dumpTitle("KelNetSQLMSVersion ", title).c_str(), " ");
    sqlDumpLine(fn, "        %s = %d", "SqlVersioNId", static_cast<int>(v->SqlVersionId));
    sqlDumpLine(fn, "        %s = %d", "Major", static_cast<int>(v->Major));
    sqlDumpLine(fn, "        %s = %d", "Minor", static_cast<int>(v->Minor));
    sqlDumpLine(fn, "        %s = %d", "Build", static_cast<int>(v->Build));
}

void printSQLDateTime(int level, const char* title, KelNetSQLDateTime_t* t) {
    if (!t || !sqlLogLevel(4)) return;
    const char* fn = "printSQLDateTime()";
    sqlDumpLine(fn, dumpHeader(level), dumpTitle("KelNetSQLDateTime ", title).c_str(), " ");
    sqlDumpLine(fn, "        %s = %d", "Year", static_cast<int>(t->Year));
    sqlDumpLine(fn, "        %s = %d", "Month", static_cast<int>(t->Month));
    sqlDumpLine(fn, "        %s = %d", "Day", static_cast<int>(t->Day));
    sqlDumpLine(fn, "        %s = %d", "Hour", static_cast<int>(t->Hour));
    sqlDumpLine(fn, "        %s = %d", "Minute", static_cast<int>(t->Minute));
    sqlDumpLine(fn, "        %s = %d", "Second", static_cast<int>(t->Second));
    sqlDumpLine(fn, "        %s = %d", "Fraction", static_cast<int>(t->Fraction));
}
#pragma GCC diagnostic pop

namespace {

// The installer may call from more than one thread; saves and reads are
// serialised.
std::mutex& installErrorMutex() {
    static std::mutex m;
    return m;
}

KelLastError& installError() {
    static KelLastError saved;
    return saved;
}

}  // namespace

void sqlInstallLastError(KelSQL_InstallErrorOp op, KelLastError& err) {
    std::lock_guard<std::mutex> lock(installErrorMutex());
    if (op == KelSQL_InstallErrorGet)
        err = installError();
    else if (op == KelSQL_InstallErrorSave)
        installError() = err;
}

unsigned long sqlFormatLastError(unsigned long* errorNumber, char* text, int size) {
    if (!errorNumber || !text || size <= 0) return kelsql::kErrInvalidArgument;
    *errorNumber = 0;
    text[0] = '\0';
    KelLastError saved;
    sqlInstallLastError(KelSQL_InstallErrorGet, saved);
    if (saved.number() != 0) {
        *errorNumber = static_cast<unsigned long>(saved.number());
        // A message for a person: the installer's buffer takes what fits.
        kel::cutCopy(text, static_cast<size_t>(size), saved.formatLastErrorMessage());
    }
    return 0;
}

int PushKelErrorParamsToKelEvent(KelLastError* err, KelEvent* event) {
    if (!err || !event) return 0;
    int added = 0;
    err->resetGetNextArgument();
    for (const char* arg = err->getNextArgument(); arg; arg = err->getNextArgument()) {
        *event << arg;
        ++added;
    }
    return added;
}

bool kelsql::notSupported(KelLastError& err, const char* function, bool log) {
    if (log) KelDebug::Error(function, kNotSupportedText);
    err.setNumber(kErrNotSupported);
    err.addArgument(function);
    return false;
}
