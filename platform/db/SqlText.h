// SQL text: the one place where values become part of a statement. A text
// goes in only as the literal quoted() makes of it, a date only through
// dateLiteral(); every format is a plain printf format that the compiler
// checks against its arguments, so nothing is quoted by guessing from the
// apostrophes around a conversion.
//   record.setWhere("name = %s and id = %d", kel::sql::quoted(name).c_str(), id);
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

#include "platform/db/KelDBDataType.h"
#include "platform/util/SqlQuote.h"

struct DB_DATETIME;

namespace kel::sql {

// A stored date as its literal 'YYYY-MM-DD HH:MM:SS'; NULL when cleared.
std::string dateLiteral(const DB_DATETIME& date);
// A date a caller hands over as one ODBC timestamp literal ({ts'...'} or
// {ts+'...+'}): that literal as it stands. Anything else becomes a quoted
// text, which a batch then fails to read as a date but which can never end
// its literal early; a null pointer is NULL.
std::string dateLiteral(const char* odbcTimestamp);
// A broken-down time as an ODBC timestamp literal {ts'YYYY-MM-DD HH:MM:SS'};
// the caller keeps its fields in range.
std::string timestampLiteral(const KELTIMESTAMP_STRUCT& ts);

// printf into a string, nothing more.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string vformat(const char* fmt, va_list args) __attribute__((format(printf, 1, 0)));

}  // namespace kel::sql
