// Batches that differ only in the literals their SET statements give share
// one parsed program: each run still sees its own values, and a literal that
// is only part of a longer statement is never taken for the whole value.
#include "tsql/TsqlFixture.h"

#include <string>

#include "platform/db/tsql/SetLiterals.h"

using kel::tsql::ResultSet;
using kel::tsql::SetLiterals;
using kel::tsql::Value;

namespace {

class SetLiteralsTest : public kel::test::TsqlFixture {
protected:
    void SetUp() override {
        TsqlFixture::SetUp();
        exec("CREATE TABLE item(id INTEGER PRIMARY KEY, name TEXT, at TEXT)");
        exec("INSERT INTO item VALUES (1, 'it''s', '2021-03-07 14:05:09'), (2, 'beta', '2021-03-08 10:00:00'),"
             " (3, 'gamma', '2021-03-09 10:00:00')");
    }
    // The record layer's shape of a cursor: values SET into declared variables.
    static std::string batch(int id, const std::string& name, const std::string& at) {
        return "SET NOCOUNT ON \n declare @id integer \n set @id = " + std::to_string(id) +
               " \n declare @name char(20) \n set @name = " + name + " \n declare @at datetime \n set @at = " + at +
               " \n select id, name from item where (id = @id or name = @name) and at <= @at order by id \n"
               "\tSET NOCOUNT OFF";
    }
    static std::vector<int64_t> ids(const ResultSet& rs) {
        std::vector<int64_t> out;
        for (const auto& row : rs.rows) out.push_back(row[0].i);
        return out;
    }
};

TEST_F(SetLiteralsTest, EachRunOfOneShapeSeesItsOwnValues) {
    EXPECT_EQ(ids(ok(batch(2, "'nobody'", "{ts'2021-03-09 00:00:00'}"))), (std::vector<int64_t>{2}));
    EXPECT_EQ(ids(ok(batch(3, "'it''s'", "{ts+'2021-03-10 00:00:00+'}"))), (std::vector<int64_t>{1, 3}));
    EXPECT_EQ(ids(ok(batch(-1, "'beta'", "'2021-03-08 10:00:00'"))), (std::vector<int64_t>{2}));
    EXPECT_EQ(ids(ok(batch(2, "'nobody'", "{ts'2021-03-07 00:00:00'}"))), (std::vector<int64_t>{}));
}

TEST_F(SetLiteralsTest, ALiteralInsideALongerValueStaysPartOfIt) {
    const auto sum = [&](int a) {
        ResultSet rs = ok("declare @v integer \n set @v = " + std::to_string(a) + " + 1 \n select @v");
        return rs.rows.at(0).at(0);
    };
    EXPECT_EQ(sum(5), Value::integer(6));
    EXPECT_EQ(sum(7), Value::integer(8));
    // An UPDATE's SET is SQL, not a variable's value.
    exec("CREATE TABLE n(v INTEGER)");
    exec("INSERT INTO n VALUES (0)");
    for (int v : {4, 9}) {
        ok("declare @x integer \n update n set v = " + std::to_string(v) + " where v >= 0 \n set @x = 1 \n select @x");
        ResultSet rs = ok("select v from n");
        EXPECT_EQ(rs.rows.at(0).at(0), Value::integer(v));
    }
}

TEST_F(SetLiteralsTest, TheShapeTakesOnlyWholeSetValues) {
    SetLiterals taken;
    ASSERT_TRUE(kel::tsql::takeSetLiterals(
        "declare @a int set @a = -12 -- set @b = 3\n set @c = 'x''y' set @d = 4 + 1 /* set @e = 5 */ set @f = [7]",
        taken));
    EXPECT_EQ(taken.values, (std::vector<Value>{Value::integer(-12), Value::text("x'y")}));
    EXPECT_EQ(taken.shape,
              "declare @a int set @a = \x01 -- set @b = 3\n set @c = \x01 set @d = 4 + 1 /* set @e = 5 */ set @f = [7]");
    EXPECT_FALSE(kel::tsql::takeSetLiterals("select 'set @a = 1'", taken));
}

TEST_F(SetLiteralsTest, AWholeLiteralGivesTheValueTheShapeWouldTake) {
    const auto value = [](const char* literal) {
        Value v;
        EXPECT_TRUE(kel::tsql::setLiteralValue(literal, v)) << literal;
        return v;
    };
    EXPECT_EQ(value("-12"), Value::integer(-12));
    EXPECT_EQ(value("'x''y'"), Value::text("x'y"));
    EXPECT_EQ(value("{ts'2021-03-07 14:05:09'}"), Value::text("2021-03-07 14:05:09"));
    EXPECT_EQ(value("{ts+'2021-03-07 14:05:09+'}"), Value::text("2021-03-07 14:05:09"));
    EXPECT_EQ(value("{TS '2021-03-07 14:05:09.250'}"), Value::text("2021-03-07 14:05:09"));
    Value v;
    for (const char* notOne : {"'a' + 'b'", "{ts'2021-03-07 14:05:09'} ", "NULL", "7x", "'open", "{ts'2021-13'}",
                               "{ts'0000-00-00 00:00:00'}", ""})
        EXPECT_FALSE(kel::tsql::setLiteralValue(notOne, v)) << notOne;
}

TEST_F(SetLiteralsTest, AShapeMetBeforeRunsFromItsValuesWithoutItsText) {
    SetLiterals taken;
    ASSERT_TRUE(kel::tsql::takeSetLiterals(batch(2, "'nobody'", "{ts'2021-03-09 00:00:00'}"), taken));
    int texts = 0;
    const auto run = [&](const std::vector<Value>& values, const std::string& text) {
        ResultSet rs;
        std::string err;
        EXPECT_EQ(0, runner_->run(taken.shape, values, [&] { ++texts; return text; }, rs, err)) << err;
        return ids(rs);
    };
    // Not met yet: the text runs, and makes the shape known.
    EXPECT_EQ(run(taken.values, batch(2, "'nobody'", "{ts'2021-03-09 00:00:00'}")), (std::vector<int64_t>{2}));
    EXPECT_EQ(texts, 1);
    // Met: the values alone, whatever the text would have said.
    EXPECT_EQ(run({Value::integer(3), Value::text("it's"), Value::text("2021-03-10 00:00:00")}, "select 99"),
              (std::vector<int64_t>{1, 3}));
    EXPECT_EQ(run({Value::integer(2), Value::text("nobody"), Value::text("2021-03-07 00:00:00")}, "select 99"),
              (std::vector<int64_t>{}));
    EXPECT_EQ(texts, 1);
    // Values that do not fit the shape's count: the text.
    EXPECT_EQ(run({Value::integer(3)}, batch(1, "'x'", "{ts'2021-03-10 00:00:00'}")), (std::vector<int64_t>{1}));
    EXPECT_EQ(texts, 2);
}

}  // namespace
