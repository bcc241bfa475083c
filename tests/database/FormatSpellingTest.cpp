// Where and SET formats of the record API over the real catalogue, with two
// databases catalogued: a hostile text given to any spelling that would let
// it out of its literal is refused with nothing run, and the same text as
// kel::sql::quoted() makes it, given to a plain %s, matches and changes only
// what equals it.
#include "DatabaseFixture.h"

#include "Db/Tbl/sqlDatabase.h"
#include "platform/db/DBtable.h"

// The spellings under test are data, handed to the formatting calls as such.
#pragma GCC diagnostic ignored "-Wformat-nonliteral"

namespace kel::test {
namespace {

class FormatSpellingTest : public DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        pubs_ = databaseRow("pubs");
        other_ = databaseRow("other");
    }

    // The catalogued databases' names in id order.
    static std::string names() {
        return text("SELECT group_concat(databaseName, ',') FROM (SELECT databaseName FROM sqlDatabase ORDER BY "
                    "backupSetId)");
    }

    // The rows the record's where text lists; -1 when the list is refused.
    static int listed(SqlDatabase& rec) {
        int rc = rec.openCursor();
        if (rc == kDBNoRow) return 0;
        if (rc != kDBOk) return -1;
        int rows = 0;
        while (rec.fetchCursor(false) == kDBOk) ++rows;
        rec.closeCursor();
        return rows;
    }

    unsigned long pubs_ = 0, other_ = 0;
};

// A spelling of a conversion between quotes of the format's own, with a text
// that would widen a where text spelt so to every row, and one that would
// end a SET list spelt so early and leave the record's where text behind it.
struct Spelling {
    const char* where;
    const char* set;
    const char* whereText;
    const char* setText;
};

const Spelling kSpellings[] = {
    {"databaseName = '%s'", "databaseName = '%s'", "nosuch' or '1'='1", "x' --"},
    {"databaseName = '%1$s'", "databaseName = '%1$s'", "nosuch' or '1'='1", "x' --"},
    {"databaseName LIKE'd%s'", "databaseName = 'd%s'", "nosuch' or '1'='1", "x' --"},
    {"databaseName = \"%s\"", "databaseName = \"%s\"", "nosuch\" or \"1\"=\"1", "x\" --"},
    {"databaseName = [%s]", "databaseName = [%s]", "databaseName] or [databaseName", "databaseName] || 'x' --"},
    {"databaseName = '%.5s'", "databaseName = '%.5s'", "'or'1", "x'--"},
    {"databaseName = '%-3s'", "databaseName = '%-3s'", "nosuch' or '1'='1", "x' --"},
};

TEST_F(FormatSpellingTest, EverySpellingOfAQuotedTextIsRefusedAndChangesNoRow) {
    for (const Spelling& s : kSpellings) {
        SCOPED_TRACE(s.where);
        SqlDatabase rec(nullptr);
        EXPECT_EQ(rec.setWhere(s.where, s.whereText), kDBErrUsage);
        EXPECT_NE(std::string(rec.getErrorStr(kDBErrUsage)).find("kel::sql::quoted"), std::string::npos);
        // Nothing runs until a sound where text is set.
        EXPECT_EQ(listed(rec), -1);
        EXPECT_EQ(rec.getOneRow(&rec, false, -1, 0), kDBErrUsage);
        EXPECT_EQ(rec.rowUpdate("streams = 9"), kDBErrUsage);
        EXPECT_EQ(rec.rowDelete(), kDBErrUsage);
        EXPECT_EQ(names(), "pubs,other");
        EXPECT_EQ(scalar("SELECT count(*) FROM sqlDatabase WHERE streams = 9"), 0);
    }
}

TEST_F(FormatSpellingTest, EverySpellingOfAQuotedTextInASetListIsRefusedAndRenamesNoRow) {
    for (const Spelling& s : kSpellings) {
        SCOPED_TRACE(s.set);
        SqlDatabase rec(nullptr);
        ASSERT_EQ(rec.setWhere("backupSetId = %d", int(pubs_)), kDBOk);
        EXPECT_EQ(rec.rowUpdate(s.set, s.setText), kDBErrUsage);
        EXPECT_EQ(names(), "pubs,other");
    }
}

TEST_F(FormatSpellingTest, TheSameTextsQuotedIntoAPlainPercentSMatchNothingAndChangeNothing) {
    for (const Spelling& s : kSpellings) {
        SCOPED_TRACE(s.whereText);
        SqlDatabase rec(nullptr);
        ASSERT_EQ(rec.setWhere("databaseName = %s", kel::sql::quoted(s.whereText).c_str()), kDBOk);
        EXPECT_EQ(listed(rec), 0);
        EXPECT_EQ(rec.rowUpdate("streams = 9"), kDBNoRow);
        EXPECT_EQ(rec.rowDelete(), kDBNoRow);
        EXPECT_EQ(names(), "pubs,other");
        EXPECT_EQ(scalar("SELECT count(*) FROM sqlDatabase WHERE streams = 9"), 0);
    }
}

TEST_F(FormatSpellingTest, AQuotedTextInASetListRenamesItsOwnRowToItself) {
    SqlDatabase rec(nullptr);
    ASSERT_EQ(rec.setWhere("backupSetId = %d", int(pubs_)), kDBOk);
    ASSERT_EQ(rec.rowUpdate("databaseName = %s", kel::sql::quoted("x' --").c_str()), kDBOk);
    EXPECT_EQ(names(), "x' --,other");
}

TEST_F(FormatSpellingTest, AFormatWithLiteralsOfItsOwnOutsideTheTextStillRuns) {
    SqlDatabase rec(nullptr);
    ASSERT_EQ(rec.setWhere("databaseName = %s or databaseName = 'other'", kel::sql::quoted("pubs").c_str()), kDBOk);
    EXPECT_EQ(listed(rec), 2);
    ASSERT_EQ(rec.setWhere("databaseName = %s and databaseName <> 'other'", kel::sql::quoted("pubs").c_str()), kDBOk);
    ASSERT_EQ(rec.getOneRow(&rec, false, -1, 0), kDBOk);
    EXPECT_EQ(rec.getDataPtr()->backupSetId, int(pubs_));
}

// A quote inside a comment opens no literal, for the check and for the
// statement SQLite runs alike: the text after it is still one literal.
TEST_F(FormatSpellingTest, AQuoteInACommentBeforeTheTextLeavesTheTextOneLiteral) {
    const char* format = "streams = 1 /* it's */ and databaseName = %s";
    SqlDatabase rec(nullptr);
    ASSERT_EQ(rec.setWhere(format, kel::sql::quoted("*/ or ? --").c_str()), kDBOk);
    EXPECT_EQ(listed(rec), 0);
    EXPECT_EQ(rec.rowDelete(), kDBNoRow);
    EXPECT_EQ(names(), "pubs,other");
    ASSERT_EQ(rec.setWhere(format, kel::sql::quoted("other").c_str()), kDBOk);
    ASSERT_EQ(rec.getOneRow(&rec, false, -1, 0), kDBOk);
    EXPECT_EQ(rec.getDataPtr()->backupSetId, int(other_));
}

// Once a sound where text follows a refused one, the record runs again.
TEST_F(FormatSpellingTest, ASoundWhereTextAfterARefusedOneRuns) {
    SqlDatabase rec(nullptr);
    EXPECT_EQ(rec.setWhere("databaseName = [%s]", "pubs"), kDBErrUsage);
    ASSERT_EQ(rec.setWhere("databaseName = %s", kel::sql::quoted("other").c_str()), kDBOk);
    ASSERT_EQ(rec.rowDelete(), kDBOk);
    EXPECT_EQ(names(), "pubs");
}

// A where format printf fails on leaves no empty where text behind, which
// would delete by the row's key instead.
TEST_F(FormatSpellingTest, AWhereFormatPrintfCannotFormatIsRefusedNotTakenForTheKey) {
    SqlDatabase rec(nullptr);
    rec.getDataPtr()->backupSetId = int(pubs_);
    // A wide text the C locale has no bytes for.
    EXPECT_EQ(rec.setWhere("databaseName = %ls", L"caf\u00e9"), kDBErrUsage);
    EXPECT_EQ(rec.rowDelete(), kDBErrUsage);
    EXPECT_EQ(names(), "pubs,other");
}

}  // namespace
}  // namespace kel::test
