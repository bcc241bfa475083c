// A batch's result is kept packed until the caller fetches it: every value
// comes back as SQLite stored it (integers at both ends of 64 bits, reals,
// texts longer than a packing block, NULLs), across many blocks, in order.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <memory>
#include <string>

#include "platform/db/DBEngine.h"
#include "platform/db/DBtable.h"
#include "support/TestHome.h"

namespace {

class BatchResultTest : public kel::test::HomeTest {
protected:
    void SetUp() override {
        std::string error;
        conn_.reset(DBConnection::open(error));
        ASSERT_TRUE(conn_) << error;
        // 30,000 rows fill several blocks; row 7 holds a text larger than one.
        ASSERT_EQ(SQLITE_OK, sqlite3_exec(conn_->db(),
                                          "CREATE TEMP TABLE t (k INTEGER, r REAL, s TEXT, n);"
                                          "WITH RECURSIVE x(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM x WHERE i < 30000)"
                                          " INSERT INTO t SELECT i, i * -0.25, CASE i WHEN 7 THEN printf('%.*c', 70000, 'w')"
                                          " ELSE 'row ' || i END, CASE i % 3 WHEN 0 THEN NULL ELSE i - 15000 END FROM x;"
                                          "INSERT INTO t VALUES (-9223372036854775807 - 1, 0, '', NULL), (9223372036854775807, 1e300, 'z', 0)",
                                          nullptr, nullptr, nullptr));
    }

    std::unique_ptr<DBResultSet> run(bool firstRowOnly) {
        DBBatch batch{DBKindCursor, "t", "SET NOCOUNT ON \n select k, r, s, n from t order by rowid \n SET NOCOUNT OFF", {}};
        batch.firstRowOnly = firstRowOnly;
        std::unique_ptr<DBResultSet> result;
        std::string error;
        EXPECT_EQ(0, DBrunBatch(*conn_, batch, result, error)) << error;
        return result;
    }

    std::unique_ptr<DBConnection> conn_;
};

TEST_F(BatchResultTest, EveryValueComesBackAsStoredInOrder) {
    std::unique_ptr<DBResultSet> result = run(false);
    ASSERT_TRUE(result);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_prepare_v2(conn_->db(), "select k, r, s, n from t order by rowid", -1, &st, nullptr));
    std::string error;
    int rows = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        ASSERT_EQ(0, result->next(error)) << "row " << rows;
        ASSERT_EQ(4, result->columnCount());
        ASSERT_EQ(sqlite3_column_int64(st, 0), result->intValue(0)) << "row " << rows;
        int len = 0;
        const char* real = result->textValue(1, &len);
        ASSERT_EQ(std::to_string(sqlite3_column_double(st, 1)), std::string(real, size_t(len))) << "row " << rows;
        const char* text = result->textValue(2, &len);
        ASSERT_EQ(std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, 2))), std::string(text, size_t(len)))
            << "row " << rows;
        ASSERT_EQ(sqlite3_column_type(st, 3) == SQLITE_NULL, result->isNull(3)) << "row " << rows;
        ASSERT_EQ(sqlite3_column_int64(st, 3), result->intValue(3)) << "row " << rows;
        ++rows;
    }
    sqlite3_finalize(st);
    EXPECT_EQ(30002, rows);
    EXPECT_EQ(100, result->next(error));
    EXPECT_EQ(100, result->next(error)) << "the end stays the end";

    std::unique_ptr<DBResultSet> first = run(true);
    ASSERT_TRUE(first);
    ASSERT_EQ(0, first->next(error));
    EXPECT_EQ(1, first->intValue(0));
    EXPECT_EQ(100, first->next(error)) << "a one-row read keeps one row";
}

}  // namespace
