// Quoting of texts and names in SQL: the one function every statement text
// goes through, in the T-SQL runner and the database library alike.
#pragma once

#include <string>
#include <string_view>

namespace kel::sql {

// The one quoting function: text between two quote characters, each quote
// inside doubled, so that the literal holds the whole text unchanged.
void appendQuoted(std::string& out, std::string_view text, char quote);

// A string literal: 'text' with its single quotes doubled.
std::string quoted(std::string_view text);
// An identifier: "name" with its double quotes doubled.
std::string quotedName(std::string_view name);

// True when the printf format puts a %s conversion between single quotes of
// its own ('%s', 'x%sy'): the text would go in raw, and a quote in it ends
// the literal. A text goes in as quoted() into a plain %s instead. Quotes
// doubled inside a literal stay in it, an apostrophe inside a word outside a
// literal (it's) is no quote, and %% is a plain percent. The one
// test for it: the record layer asks it of every where and SET format at run
// time, and the build asks it of every string literal in the library.
bool quotedConversion(std::string_view format);

}  // namespace kel::sql
