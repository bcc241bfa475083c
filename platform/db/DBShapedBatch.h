// A cursor's batch kept apart rather than formatted: the format with each
// SET literal it fills in replaced by one '\x01' (the runner's shape of the
// text) and those literals' values. A cursor run again on other values then
// costs neither formatting nor reading the text: the runner binds the
// values into the program it parsed for the shape the first time.
#pragma once

#include <cstdarg>
#include <string>
#include <vector>

#include "platform/db/tsql/TsqlValue.h"

struct DBShapedBatch {
    std::string shape;
    std::vector<kel::tsql::Value> values;
    std::vector<std::string> texts;  // each literal as the formatted text has it

    // Takes format's conversions (%d, and %s of one whole literal such as
    // kel::sql::dateLiteral makes) as literals; false for any other
    // conversion or argument, when the batch is formatted as it stands.
    bool take(const char* format, va_list args);
    // The batch text vsnprintf would have made of the same arguments.
    std::string text() const;

private:
    // Fills shape and conversions_ from format; false when it cannot be kept apart.
    bool read(const char* format);

    std::string format_;       // the format shape was read from; empty when none
    std::string conversions_;  // 'd' or 's' for each literal, in order
};
