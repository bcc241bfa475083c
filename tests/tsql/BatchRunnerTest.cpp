// The T-SQL runner against a real SQLite database: variables, control flow,
// cursors, error handling and the rewrites SQLite needs.
#include "tsql/TsqlFixture.h"

#include <string>

using kel::tsql::BatchRunner;
using kel::tsql::ResultSet;
using kel::tsql::Value;

namespace {

class TsqlTest : public kel::test::TsqlFixture {
protected:
    void SetUp() override {
        TsqlFixture::SetUp();
        exec("CREATE TABLE item(id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT, flag INTEGER, at TEXT)");
        exec("INSERT INTO item(name, flag, at) VALUES('alpha', 0, '2021-03-07 14:05:09'),"
             "('beta', 1, '2021-03-08 10:00:00'), ('gamma', 0, '2021-03-09 10:00:00')");
    }
};

TEST_F(TsqlTest, NullConditionTakesElse) {
    ResultSet rs = ok("declare @v integer\n"
                      "declare @r char(10)\n"
                      "IF @v = 1 set @r = 'then' ELSE set @r = 'else'\n"
                      "declare @c char(1) set @c = case when @v is null then 'n' else 'v' end\n"
                      "if @v is null begin set @v = 7 end\n"
                      "select @r, @v, @c");
    ASSERT_EQ(1u, rs.rows.size());
    EXPECT_EQ(Value::text("else"), rs.rows[0][0]);
    EXPECT_EQ(Value::integer(7), rs.rows[0][1]);
    EXPECT_EQ(Value::text("n"), rs.rows[0][2]);  // CASE ... ELSE ... END stays inside the SET
}

TEST_F(TsqlTest, SelectAssignmentWithoutRowKeepsValueAndLastRowWins) {
    ResultSet rs = ok("declare @n char(20), @m char(20), @f int\n"
                      "set @n = 'before'\n"
                      "select @n = name, @f = flag from item where id = 99\n"
                      "declare @rc1 int set @rc1 = @@ROWCOUNT\n"
                      "select @m = name from item order by id\n"
                      "select @n, @f, @m, @rc1, @@rowcount");
    ASSERT_EQ(1u, rs.rows.size());
    EXPECT_EQ(Value::text("before"), rs.rows[0][0]);
    EXPECT_TRUE(rs.rows[0][1].isNull());
    EXPECT_EQ(Value::text("gamma"), rs.rows[0][2]);
    EXPECT_EQ(Value::integer(0), rs.rows[0][3]);
    EXPECT_EQ(Value::integer(3), rs.rows[0][4]);
}

TEST_F(TsqlTest, RowCountCountsRemarkedRows) {
    // beta is already flagged: SQL Server still counts it as updated.
    ResultSet rs = ok("SET NOCOUNT ON\n declare @id integer\n set @id = 1\n"
                      "update item set flag = 1 where name != 'nobody'\n"
                      "select @@rowcount\n\tSET NOCOUNT OFF");
    ASSERT_EQ(1u, rs.rows.size());
    EXPECT_EQ(Value::integer(3), rs.rows[0][0]);
}

TEST_F(TsqlTest, CharVariableCutsToItsLength) {
    std::string longName(200, 'x');
    ResultSet rs = ok("declare @inln char(128), @short varchar(3), @num char(2)\n"
                      "set @inln = '" + longName + "'\n"
                      "set @short = '\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F'\n"
                      "set @num = 12345\n"
                      "select @inln, @short, @num");
    ASSERT_EQ(1u, rs.rows.size());
    EXPECT_EQ(std::string(128, 'x'), rs.rows[0][0].s);
    EXPECT_EQ("\xC3\xA4\xC3\xB6\xC3\xBC", rs.rows[0][1].s);  // three characters, not three bytes
    EXPECT_EQ("12", rs.rows[0][2].s);
}

TEST_F(TsqlTest, FailedConversionLeavesVariableAndIsReported) {
    ResultSet rs;
    std::string err;
    int rc = runner_->run("declare @i int, @j int set @i = 5 set @j = 6\n"
                          "set @i = 'abc'\n"
                          "set @j = 3000000000\n"
                          "select @i, @j",
                          rs, err);
    EXPECT_EQ(SQLITE_MISMATCH, rc);
    EXPECT_NE(std::string::npos, err.find("'abc'")) << err;  // the first failure, not the overflow
    ASSERT_EQ(1u, rs.rows.size());
    EXPECT_EQ(Value::integer(5), rs.rows[0][0]);
    EXPECT_EQ(Value::integer(6), rs.rows[0][1]);
}

TEST_F(TsqlTest, InsertWithoutColumnListSkipsIdentity) {
    ok("declare @n varchar(10) set @n = 'delta'\n insert into item values (@n, 5, NULL)");
    ResultSet rs = ok("select id, name, flag from item where name = 'delta'");
    ASSERT_EQ(1u, rs.rows.size());
    EXPECT_EQ(Value::integer(4), rs.rows[0][0]);
    EXPECT_EQ(Value::integer(5), rs.rows[0][2]);
}

TEST_F(TsqlTest, RefusedBatchRunsNothing) {
    const char* const refused[] = {
        "insert into item(name) values('x')\n PRINT 'hello'",
        "insert into item(name) values('x')\n select @undeclared",
        "insert into item(name) values('x')\n declare @v float",
        "insert into item(name) values('x')\n select 'open",
        "insert into item(name) values('x')\n delete from item",
        "insert into item(name) values('x')\n declare @d datetime set @d = {ts'0000-00-00 00:00:00'}",
        "insert into item(name) values('x')\n if 1 = 1",
        "insert into item(name) values('x')\n goto nowhere",
        "insert into item(name) values('x')\n select :name",
        "insert into item(name) values('x')\n select name frm item",
        "insert into item(name) values('x')\n if 1 = 1 select nosuchcolumn from item",
    };
    for (const char* batch : refused) {
        ResultSet rs;
        std::string err;
        EXPECT_NE(0, runner_->run(batch, rs, err)) << batch;
        EXPECT_FALSE(err.empty()) << batch;
        EXPECT_FALSE(rs.present);
    }
    EXPECT_EQ(3, count("item"));
}

TEST_F(TsqlTest, CommentsBracketsAndCommentMarksInsideText) {
    ResultSet rs = ok("-- leading comment\n"
                      "declare @n varchar(40) /* block\n comment */ set @n = 'a--b/*c*/'\n"
                      "select [name], @n from [item] where [id] = 2 -- trailing");
    ASSERT_EQ(1u, rs.rows.size());
    EXPECT_EQ(Value::text("beta"), rs.rows[0][0]);
    EXPECT_EQ(Value::text("a--b/*c*/"), rs.rows[0][1]);
}

TEST_F(TsqlTest, TopBecomesLimit) {
    ResultSet rs = ok("select top 2 name from item order by id desc");
    ASSERT_EQ(2u, rs.rows.size());
    EXPECT_EQ("gamma", rs.rows[0][0].s);
    rs = ok("declare @f int set @f = 0\n"
            "select top 1 * from (select distinct id, name from item where flag = @f) a order by a.id desc");
    ASSERT_EQ(1u, rs.rows.size());
    EXPECT_EQ(Value::integer(3), rs.rows[0][0]);
    // TOP inside a subquery limits that subquery only.
    rs = ok("select count(*) from item where id in (select top (1) id from item order by id)");
    EXPECT_EQ(Value::integer(1), rs.rows[0][0]);
}

TEST_F(TsqlTest, BothTimestampEscapesCompareAsTimes) {
    ResultSet rs = ok("declare @dt datetime\n set @dt = {ts'2021-03-08 10:00:00'}\n"
                      "select count(*) from item where at <= @dt");
    EXPECT_EQ(Value::integer(2), rs.rows[0][0]);
    rs = ok("declare @dt datetime\n set @dt = {ts+'2021-03-07 14:05:09+'}\n"
            "select name from item where at <= @dt");
    ASSERT_EQ(1u, rs.rows.size());
    EXPECT_EQ("alpha", rs.rows[0][0].s);
    rs = ok("select name from item where at = {ts'2021-03-09 10:00:00'}");
    ASSERT_EQ(1u, rs.rows.size());
    EXPECT_EQ("gamma", rs.rows[0][0].s);
}

TEST_F(TsqlTest, DateVariableTakesOnlyDates) {
    ResultSet rs = ok("declare @dt datetime\n set @dt = '2021-03-08'\n select count(*) from item where at <= @dt");
    EXPECT_EQ(Value::integer(1), rs.rows[0][0]);  // midnight: alpha only
    std::string err;
    // A text that is no date would compare as text ('{' sorts after every digit).
    int rc = runner_->run("declare @dt datetime\n set @dt = '{ts''2021-01-01 00:00:00''} or 1=1'\n"
                          "select count(*) from item where at <= @dt",
                          rs, err);
    EXPECT_EQ(SQLITE_MISMATCH, rc);
    EXPECT_NE(std::string::npos, err.find("@dt")) << err;
    ASSERT_EQ(1u, rs.rows.size());
    EXPECT_EQ(Value::integer(0), rs.rows[0][0]);  // the variable stayed NULL
}

TEST_F(TsqlTest, FirstResultSetIsTheResultEvenWhenEmpty) {
    ResultSet rs = ok("declare @dbId int set @dbId = 1\n"
                      "IF @dbId = 0 BEGIN select id from item END ELSE BEGIN select id from item where id = 0 END\n"
                      "select name from item");
    EXPECT_TRUE(rs.present);
    EXPECT_TRUE(rs.rows.empty());
}

TEST_F(TsqlTest, ErrorResetsAfterTheNextStatement) {
    ResultSet rs;
    std::string err;
    int rc = runner_->run("declare @e1 int, @e2 int\n"
                          "insert into nosuchtable values (1)\n"
                          "set @e1 = @@ERROR\n"
                          "set @e2 = @@ERROR\n"
                          "select @e1, @e2",
                          rs, err);
    EXPECT_NE(0, rc);
    EXPECT_NE(std::string::npos, err.find("nosuchtable")) << err;
    ASSERT_EQ(1u, rs.rows.size());
    EXPECT_NE(Value::integer(0), rs.rows[0][0]);
    EXPECT_EQ(Value::integer(0), rs.rows[0][1]);
}

TEST_F(TsqlTest, WhileLoopWithBreak) {
    ResultSet rs = ok("declare @i int, @s int set @i = 0 set @s = 0\n"
                      "while @i < 10 begin set @i = @i + 1 if @i = 5 break set @s = @s + @i end\n"
                      "select @i, @s");
    EXPECT_EQ(Value::integer(5), rs.rows[0][0]);
    EXPECT_EQ(Value::integer(10), rs.rows[0][1]);
}

class TsqlProcedureTest : public TsqlTest {
protected:
    void SetUp() override {
        TsqlTest::SetUp();
        std::string err;
        ASSERT_EQ(0, runner_->createProcedureTable(err)) << err;
        ASSERT_EQ(0, runner_->storeProcedure("CREATE PROCEDURE itemByName @name varchar(40), @flag int AS\n"
                                             "SET NOCOUNT ON\n"
                                             "select id, name from item where name = @name and flag = @flag\n"
                                             "SET NOCOUNT OFF",
                                             err))
            << err;
    }
};

TEST_F(TsqlProcedureTest, CallBindsArgumentsAsParameters) {
    exec("INSERT INTO item(name, flag) VALUES('it''s', 1)");
    ResultSet rs;
    std::string err;
    ASSERT_EQ(0, runner_->callProcedure("ITEMBYNAME", {Value::text("it's"), Value::integer(1)}, rs, err)) << err;
    ASSERT_EQ(1u, rs.rows.size());
    EXPECT_EQ(Value::integer(4), rs.rows[0][0]);
    EXPECT_EQ(Value::text("it's"), rs.rows[0][1]);
}

TEST_F(TsqlProcedureTest, WrongCallsFail) {
    ResultSet rs;
    std::string err;
    EXPECT_NE(0, runner_->callProcedure("itemByName", {Value::text("alpha")}, rs, err));
    EXPECT_NE(0, runner_->callProcedure("noSuchProcedure", {}, rs, err));
    EXPECT_NE(0, runner_->callProcedure("itemByName", {Value::text("alpha"), Value::text("x")}, rs, err));
    EXPECT_NE(0, runner_->storeProcedure("CREATE PROCEDURE broken @a int AS PRINT 'x'", err));
    EXPECT_NE(0, runner_->storeProcedure("CREATE PROCEDURE broken @a int AS select @a frm item", err));
}

}  // namespace

namespace {

// Takes the first row only, as a cursor read for one row does.
class FirstRowSink : public kel::tsql::RowSink {
public:
    std::vector<std::string> names;
    std::vector<kel::tsql::Row> rows;
    void columns(const std::vector<std::string>& n) override { names = n; }
    bool row(const kel::tsql::Row& r) override {
        rows.push_back(r);
        return false;
    }
};

TEST_F(TsqlTest, SinkReceivesRowsAndMayStopEarly) {
    FirstRowSink sink;
    std::string err;
    ASSERT_EQ(0, runner_->run("select found = id, name from item order by id\n"
                              "update item set flag = 9 where id = 1",
                              sink, err))
        << err;
    ASSERT_EQ(1u, sink.rows.size());
    EXPECT_EQ((std::vector<std::string>{"found", "name"}), sink.names);
    EXPECT_EQ(Value::integer(1), sink.rows[0][0]);
    // The batch went on after the reader stopped.
    EXPECT_EQ(Value::integer(9), ok("select flag from item where id = 1").rows[0][0]);
}

}  // namespace

namespace {

// A sink that calls back into the runner it is reading from.
class ReentrantSink : public kel::tsql::RowSink {
public:
    explicit ReentrantSink(BatchRunner& r) : runner(r) {}
    BatchRunner& runner;
    int inner = 0;
    void columns(const std::vector<std::string>&) override {}
    bool row(const kel::tsql::Row&) override {
        ResultSet rs;
        std::string err;
        inner = runner.run("select 1", rs, err);
        return true;
    }
};

TEST_F(TsqlTest, ReentrantRunIsRefused) {
    ReentrantSink sink(*runner_);
    std::string err;
    EXPECT_EQ(0, runner_->run("select id from item", sink, err)) << err;
    EXPECT_EQ(SQLITE_MISUSE, sink.inner);
}

}  // namespace
