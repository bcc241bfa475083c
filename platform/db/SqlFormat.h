// The check every where and SET format of the record API passes before it
// runs: a text given to it goes in as one literal of the statement, whatever
// the format's spelling, or the format is refused.
#pragma once

#include <string>
#include <string_view>

namespace kel::sql {

// True when a text handed to the printf format as kel::sql::quoted(text)
// could be more than that one literal of the statement; why (when given)
// then says which conversion and how. The format is read as printf reads it
// (flags, width, precision, *, numbered %n$ conversions, length modifiers,
// %%) and the SQL around each conversion as the T-SQL runner's lexer reads
// it. Refused: a text conversion (%s in any spelling: %1$s, %-20s, %ls, ...)
// inside quotes, brackets or a comment of the format, run into the word or
// literal beside it, or with a precision (it would cut the literal short);
// %c and %m (raw text no caller can quote); and, in a format with a text, whatever would move the
// text's literal: an unknown or unfinished conversion, numbered and
// unnumbered conversions mixed, SQL the lexer cannot read, a number printed
// after a minus (two minuses open a comment) or in the locale's grouping, a
// bracketed name holding "]]" (the catalogue's engine ends it at the first
// "]"). A format without a text conversion is never refused. The one test:
// setWhere and rowUpdate ask it at run time, and the build asks it of every
// string literal in the library.
bool unsoundFormat(std::string_view format, std::string* why = nullptr);

}  // namespace kel::sql
