// A fresh in-memory SQLite database with a T-SQL runner over it.
#pragma once

#include "platform/db/tsql/BatchRunner.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <string>

namespace kel::test {

class TsqlFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SQLITE_OK, sqlite3_open(":memory:", &db_));
        runner_.reset(new tsql::BatchRunner(db_));
    }
    void TearDown() override {
        runner_.reset();
        sqlite3_close(db_);
    }
    // Plain SQLite, past the runner: for setting up and checking.
    void exec(const std::string& sql) {
        char* msg = nullptr;
        int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &msg);
        std::string text = msg != nullptr ? msg : "";
        sqlite3_free(msg);
        ASSERT_EQ(SQLITE_OK, rc) << text;
    }
    // Runs a batch that must succeed and returns its result set.
    tsql::ResultSet ok(const std::string& batch) {
        tsql::ResultSet rs;
        std::string err;
        EXPECT_EQ(0, runner_->run(batch, rs, err)) << err << "\n" << batch;
        EXPECT_TRUE(err.empty());
        return rs;
    }
    int64_t count(const std::string& table) {
        tsql::ResultSet rs = ok("select count(*) from " + table);
        return rs.rows.empty() ? -1 : rs.rows[0][0].i;
    }

    sqlite3* db_ = nullptr;
    std::unique_ptr<tsql::BatchRunner> runner_;
};

}  // namespace kel::test
