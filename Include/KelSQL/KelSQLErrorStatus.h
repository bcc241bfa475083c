// Argument checks and the small shared helpers of errors.
#pragma once

#include <cstdint>
#include <string>

#include "KelSQL/KelSQLErrors.h"
#include "platform/events/KelLastError.h"

// True when id is not 0; else sets 0x1E000037 with idName, then function.
bool idNotSet(KelLastError& err, unsigned long id, const char* idName, const char* function);
// True when value is not empty; else sets 0x1E000037 with name, then function.
bool stringEmpty(KelLastError& err, const std::string& value, const char* name, const char* function);

namespace kelcast {
inline long long lld(unsigned long value) { return static_cast<long long>(value); }
}  // namespace kelcast
