// Taking over a platform object's error: its number at the severity the
// caller reports, and its arguments, which name the machine and the entry.
#pragma once

#include "platform/events/KelLastError.h"

namespace kelsql {

inline void takePlatformError(KelLastError& to, const KelLastError& from,
                              KelLE_SeverityLevel severity = KelLE_Major) {
    KelLastError copy(from);
    switch (severity) {
    case KelLE_Critical: to.setCritical(copy.number()); break;
    case KelLE_Minor: to.setMinor(copy.number()); break;
    case KelLE_Informational: to.setInformational(copy.number()); break;
    default: to.setMajor(copy.number()); break;
    }
    copy.resetGetNextArgument();
    while (const char* arg = copy.getNextArgument()) to.addArgument(arg);
}

}  // namespace kelsql
