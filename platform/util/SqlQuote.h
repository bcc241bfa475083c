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

}  // namespace kel::sql
