// The SQL text module: a literal holds the whole text, whatever bytes it
// holds, on its way through a format and the T-SQL runner into SQLite.
#include <gtest/gtest.h>

#include <string>

#include "platform/db/DBtable.h"
#include "platform/db/SqlText.h"
#include "tsql/TsqlFixture.h"

namespace kel::test {
namespace {

struct TextCase {
    const char* what;
    std::string text;
    std::string literal;     // quoted(text)
    std::string identifier;  // quotedName(text)
};

const TextCase kTexts[] = {
    {"empty", "", "''", "\"\""},
    {"quotes", "O'Brien's \"x\"", "'O''Brien''s \"x\"'", "\"O'Brien's \"\"x\"\"\""},
    {"a lone quote", "'", "''''", "\"'\""},
    {"percent and conversions", "100% %s %d %p %n", "'100% %s %d %p %n'", "\"100% %s %d %p %n\""},
    {"non-UTF-8 bytes", "\xff\xfe'\x80 ", "'\xff\xfe''\x80 '", "\"\xff\xfe'\x80 \""},
    {"longer than a small buffer", std::string(300, '\''), "'" + std::string(600, '\'') + "'",
     "\"" + std::string(300, '\'') + "\""},
};

using SqlTextTest = TsqlFixture;

TEST_F(SqlTextTest, LiteralsAndNamesComeBackWhole) {
    for (const TextCase& c : kTexts) {
        SCOPED_TRACE(c.what);
        const std::string literal = kel::sql::quoted(c.text);
        EXPECT_EQ(literal, c.literal);
        EXPECT_EQ(kel::sql::quotedName(c.text), c.identifier);
        tsql::ResultSet rs = ok(kel::sql::format("select %s", literal.c_str()));
        ASSERT_EQ(rs.rows.size(), 1u);
        EXPECT_EQ(rs.rows[0][0].s, c.text);
        if (c.text.empty()) continue;  // no empty name
        // A column alias: the runner reads the name and quotes it again.
        rs = ok(kel::sql::format("select %s = 1", kel::sql::quotedName(c.text).c_str()));
        ASSERT_EQ(rs.names.size(), 1u);
        EXPECT_EQ(rs.names[0], c.text);
    }
}

TEST(SqlText, DatesGoInOnlyAsLiterals) {
    DB_DATETIME stored;
    EXPECT_EQ(kel::sql::dateLiteral(stored), "NULL");
    ASSERT_TRUE(stored.parse("2024-02-29 23:00:00"));
    EXPECT_EQ(kel::sql::dateLiteral(stored), "'2024-02-29 23:00:00'");
    const KELTIMESTAMP_STRUCT ts{2023, 11, 4, 2, 3, 9, 0};
    EXPECT_EQ(kel::sql::timestampLiteral(ts), "{ts'2023-11-04 02:03:09'}");

    // One ODBC timestamp goes in as it stands; anything else is a quoted text.
    const struct {
        const char* given;
        const char* literal;
    } odbc[] = {
        {"{ts'2024-01-02 03:04:05'}", "{ts'2024-01-02 03:04:05'}"},
        {"{ts+'2024-01-02 03:04:05.000+'}", "{ts+'2024-01-02 03:04:05.000+'}"},
        {"{ts'2024-01-02 03:04:05'} or 1=1", "'{ts''2024-01-02 03:04:05''} or 1=1'"},
        {"{ts'x'}", "'{ts''x''}'"},
        {"{ts'0000-00-00 00:00:00'}", "'{ts''0000-00-00 00:00:00''}'"},
        {"{ts+'2024-12-31 23:59:59+'}", "{ts+'2024-12-31 23:59:59+'}"},
        {"{ts'2024-13-02 03:04:05'}", "'{ts''2024-13-02 03:04:05''}'"},
        {"{ts'2024-01-00 03:04:05'}", "'{ts''2024-01-00 03:04:05''}'"},
        {"{ts'2024-01-02 24:04:05'}", "'{ts''2024-01-02 24:04:05''}'"},
        {"{ts'2024-01-02 03:04:60'}", "'{ts''2024-01-02 03:04:60''}'"},
        {"{ts '2024-01-02 03:04:05'}", "{ts '2024-01-02 03:04:05'}"},
        {"2024-01-02", "'2024-01-02'"},
        {"", "''"},
        {nullptr, "NULL"},
    };
    for (const auto& c : odbc) EXPECT_EQ(kel::sql::dateLiteral(c.given), c.literal) << (c.given ? c.given : "null");
}

}  // namespace
}  // namespace kel::test
