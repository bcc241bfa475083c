// The where and SET format check on its own: every spelling that lets a text
// out of its literal is refused and names the conversion, every sound one
// passes.
#include <gtest/gtest.h>

#include <string>

#include "platform/db/SqlFormat.h"

namespace kel::test {
namespace {

struct Case {
    const char* format;
    const char* named;  // what the refusal names; null when the format passes
};

void expectVerdicts(const Case* cases, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        std::string why;
        const bool refused = kel::sql::unsoundFormat(cases[i].format, &why);
        EXPECT_EQ(refused, cases[i].named != nullptr) << cases[i].format << ": " << why;
        if (refused && cases[i].named) {
            EXPECT_NE(why.find(cases[i].named), std::string::npos) << cases[i].format << ": " << why;
        }
    }
}

TEST(FormatCheck, ATextInsideQuotesBracketsOrACommentIsRefusedHoweverItIsSpelt) {
    const Case cases[] = {
        {"name = '%s'", "\"%s\" stands inside"},
        {"name = '%1$s'", "\"%1$s\" stands inside"},
        {"name LIKE'd%s'", "\"%s\" stands inside"},
        {"name = \"%s\"", "\"%s\" stands inside"},
        {"name = [%s]", "\"%s\" stands inside"},
        {"name = '%-3s'", "\"%-3s\" stands inside"},
        {"name = '%'s'", "\"%'s\" stands inside"},  // the ' is a flag of printf's, not a quote
        {"name = '%1$-20ls'", "\"%1$-20ls\" stands inside"},
        {"name = N'%s'", "\"%s\" stands inside"},
        {"name = 'it''s %s'", "\"%s\" stands inside"},
        {"id = 1 -- %s", "\"%s\" stands inside"},
        {"id = 1 /* %s */", "\"%s\" stands inside"},
        {"id = %d and name = %s or note = '%s'", "\"%s\" stands inside"},
        {"%s: the manager's table (%s)", "stands inside"},
        // A quote right after a word opens a literal, as it does for the lexer.
        {"it's %s", "\"%s\" stands inside"},
    };
    expectVerdicts(cases, sizeof cases / sizeof cases[0]);
}

TEST(FormatCheck, ATextThatCouldBeCutOrJoinedToItsNeighbourIsRefused) {
    const Case cases[] = {
        {"name = %.5s", "\"%.5s\" has a precision"},
        {"name = %.*s", "\"%.*s\" has a precision"},
        {"name = %.s", "\"%.s\" has a precision"},
        {"name = x%s", "runs into the word"},
        {"name = N%s", "runs into the word"},
        {"name = %d%s", "runs into the word"},
        {"name = %s%s", "stands inside"},
        {"name = 'a'%s", "stands inside"},
        {"name = %-5s'a'", "stands inside"},
    };
    expectVerdicts(cases, sizeof cases / sizeof cases[0]);
}

TEST(FormatCheck, WhatWouldMoveATextsLiteralIsRefusedInAFormatWithAText) {
    const Case cases[] = {
        {"type = %c", "\"%c\" puts a character"},
        {"type = '%c'", "\"%c\" puts a character"},
        {"error = %m", "\"%m\" puts a character"},
        {"name = %s and %y", "\"%y\" is no conversion"},
        {"name = %s and 5%", "\"%\" is no conversion"},
        {"name = %s and %*5s", "\"%*5\" is no conversion"},
        {"name = %s or %0$s", "\"%0$\" is no conversion"},
        {"name = %1$s or alias = %s", "mixes numbered and unnumbered"},
        {"name = %2$*s", "mixes numbered and unnumbered"},
        {"name = %*1$s", "mixes numbered and unnumbered"},
        {"name = %1$s and id = %1$d", "argument 1 is printed as a text"},
        {"name = %1$s or alias = %2$*1$s", "argument 1 is printed as a text"},
        {"id = -%d and name = %s", "\"%d\" follows a minus"},
        {"id = %'d and name = %s", "\"%'d\" groups its digits"},
        {"name = %s and x = `a'b`", "no SQL the runner can read"},
        {"[a]]'b] = %s", "holds \"]]\""},
    };
    expectVerdicts(cases, sizeof cases / sizeof cases[0]);
}

TEST(FormatCheck, SoundFormatsPass) {
    const Case cases[] = {
        {"name = %s", nullptr},
        {"name = %s and kind = 'x'", nullptr},
        {"kind = 'x' and name = %s", nullptr},
        {"name = %1$s or alias = %1$s and id = %2$d", nullptr},
        {"name = %-20s and id = %d", nullptr},
        {"name = %*s", nullptr},
        {"name = %I'#0+ s", nullptr},
        {"name IN (%s,%s, %s)", nullptr},
        {"id = - %d and name = %s", nullptr},
        {"name = %s -- it's the name\nand id = 1", nullptr},
        {"id = 1 /* it's */ and name = %s", nullptr},
        {"[a b] = %s and \"c\"\"d\" = 1", nullptr},
        {"percent = '%%s' and name = %s", nullptr},
        {"name = %ls", nullptr},
        // No text at all: nothing to let out, whatever else the format holds.
        {"id = -%d", nullptr},
        {"it's %d", nullptr},
        {"a = `%d` and %y", nullptr},
        // printf takes these for no conversion and prints them as they stand.
        {"name = %*5s", nullptr},
        {"name = %0$s", nullptr},
        {"", nullptr},
    };
    expectVerdicts(cases, sizeof cases / sizeof cases[0]);
}

}  // namespace
}  // namespace kel::test
