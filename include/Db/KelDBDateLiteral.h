// The date parameter of a point-in-time cursor batch: "set @dt = %s" takes it
// as it stands, so only one ODBC timestamp literal goes in unchanged.
#pragma once

#include <cstring>
#include <string>

#include "platform/db/DBEngine.h"
#include "platform/db/DBtable.h"

// Anything that is not one timestamp literal becomes a quoted text (which the
// batch then fails to read as a date), so it can never end the literal.
inline std::string kelDBDateLiteral(const char* dt) {
    if (!dt) return "NULL";
    std::string rewritten, error;
    if (std::strncmp(dt, "{ts", 3) == 0 && DBrewriteTimestamps(dt, rewritten, error) && rewritten.size() == 21 &&
        rewritten.front() == '\'' && rewritten.back() == '\'' && rewritten.find('\'', 1) == 20)
        return dt;
    return DBformatf("'%s'", dt);
}
