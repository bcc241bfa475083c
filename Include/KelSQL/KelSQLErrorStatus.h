// Errors across the library: argument checks, the status block that carries
// an error in a response, the installer's saved error, and the debug dumps of
// the shared wire records.
#pragma once

#include <cstdint>
#include <string>

#include "KelSQL/KelNetSQLWire.h"
#include "KelSQL/KelSQLErrors.h"
#include "platform/events/KelEvent.h"
#include "platform/events/KelLastError.h"

// True when id is not 0; else sets 0x1E000037 with idName, then function.
bool idNotSet(KelLastError& err, unsigned long id, const char* idName, const char* function);
// True when value is not empty; else sets 0x1E000037 with name, then function.
bool stringEmpty(KelLastError& err, const std::string& value, const char* name, const char* function);
// True when value fits a wire field or column of fieldSize bytes with its
// terminator; else sets 0x1E000037 with name, then function, then how long
// the value is and how much fits (the error then reads "too long"). A name
// cut to its field could name another row, so nothing is ever cut to fit.
bool textFits(KelLastError& err, const std::string& value, size_t fieldSize, const char* name,
              const char* function);

// Status block. The answering side fills it with populate; the asking side
// reads it with operationStatus. A major or critical error that comes with
// success is dropped; a minor or informational one travels with Status 0.
void initializeSQLOperationStatus(KelNetSQLOPStatus_t* s);
void populateSQLOperationStatus(KelNetSQLOPStatus_t* s, bool ok, KelLastError& err);
// True for Status 0 (err untouched); else rebuilds the sender's error into err.
bool operationStatus(KelNetSQLOPStatus_t& s, KelLastError& err);
// Rebuilds a peer's error; reads nothing outside the block whatever its
// counts say.
void networkKelLastError(KelNetSQLOPStatus_t* s, KelLastError* err);

// Dumps, written only when the SQL debug level has bit 0x4.
void printSQLOperationStatus(KelNetSQLOPStatus_t* s);
void printSQLMSVersion(int level, const char* title, KelNetSQLMSVersion_t* v);
void printSQLDateTime(int level, const char* title, KelNetSQLDateTime_t* t);

// The installer's process-wide saved error.
enum KelSQL_InstallErrorOp {
    KelSQL_InstallErrorGet = 1,
    KelSQL_InstallErrorSave = 2,
};
void sqlInstallLastError(KelSQL_InstallErrorOp op, KelLastError& err);

// Gives the installer the saved error's number and text (cut to size-1 bytes
// and terminated). 0x1E000001 for a bad buffer, else 0.
unsigned long sqlFormatLastError(unsigned long* errorNumber, char* text, int size);

// Adds err's arguments in order to event; the number added (0 for a null).
int PushKelErrorParamsToKelEvent(KelLastError* err, KelEvent* event);

namespace kelsql {
// For functions this platform does not offer: writes kNotSupportedText at
// error level under function (unless log is false) and sets 0x1E0000FF with
// function as argument, so the failure never reads as number 0. Returns false.
bool notSupported(KelLastError& err, const char* function, bool log = true);
}  // namespace kelsql

namespace kelcast {
inline long long lld(unsigned long value) { return static_cast<long long>(value); }
}  // namespace kelcast
