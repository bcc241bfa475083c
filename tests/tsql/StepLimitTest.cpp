// A batch whose loop never ends is stopped by the runner's step limit, and the
// runner (and its connection) can be used again afterwards.
#include "tsql/TsqlFixture.h"

#include <chrono>
#include <string>

namespace {

class StepLimitTest : public kel::test::TsqlFixture {};

TEST_F(StepLimitTest, EndlessLoopIsStopped) {
    kel::tsql::ResultSet rs;
    std::string err;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SQLITE_ERROR, runner_->run("again:\n goto again", rs, err));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
    EXPECT_NE(err.find("steps"), std::string::npos) << err;
    EXPECT_EQ(1, ok("select 1").rows[0][0].i);
}

}  // namespace
