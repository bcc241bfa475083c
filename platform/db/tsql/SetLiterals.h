// The literal values that a batch's SET statements give its variables, taken
// out of the text. The record layer formats each cursor's values into such
// statements ("set @id = 7"), so batches that differ only there share one
// shape: the runner parses a shape once and sets the values it took out into
// the program's instructions at run time, as a prepared statement binds.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/db/tsql/TsqlValue.h"

namespace kel::tsql {

struct SetLiterals {
    std::string shape;          // the text, each taken literal replaced by one '\x01'
    std::vector<Value> values;  // the literals in text order, as the parser reads them
};

// Fills out from batch: a "set @name = <literal>" whose literal (an integer,
// a quoted text or a timestamp escape) is the whole value gives that literal
// up. False when the batch has none, or cannot be read this way (it is then
// parsed as it stands).
bool takeSetLiterals(const std::string& batch, SetLiterals& out);

// The value takeSetLiterals takes from literal, when literal is the whole of
// one such literal; false otherwise. A batch whose SET values come apart from
// its text (the record layer's formats) is then run as that text would be.
bool setLiteralValue(const char* literal, Value& v);

// The date of the timestamp escape {ts'YYYY-MM-DD HH:MM:SS'} or
// {ts+'YYYY-MM-DD HH:MM:SS+'} spelt exactly so (what a caller's clock gives),
// as the lexer reads it, told without the lexer; null for any other spelling.
const char* plainTimestamp(const char* literal, size_t size);

}  // namespace kel::tsql
