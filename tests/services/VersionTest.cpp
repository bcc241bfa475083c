// Versions in the catalogue: stored once per Tessel and type, found again.
#include <sqlite3.h>
#include <sys/sysmacros.h>

#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLVersion.h"
#include "platform/db/DBEngine.h"
#include "services/ServicesFixture.h"

namespace {

class VersionTest : public kel::test::OstrelServicesTest {
protected:
    static long versionRows() {
        std::string error;
        std::unique_ptr<DBConnection> c(DBConnection::open(error));
        sqlite3_stmt* stmt = nullptr;
        if (!c || sqlite3_prepare_v2(c->db(), "SELECT count(*) FROM sqlVersion", -1, &stmt, nullptr) != SQLITE_OK)
            return -1;
        long n = sqlite3_step(stmt) == SQLITE_ROW ? static_cast<long>(sqlite3_column_int64(stmt, 0)) : -1;
        sqlite3_finalize(stmt);
        return n;
    }
};

TEST_F(VersionTest, SameVersionIsStoredOncePerTessel) {
    KelSQLClassProperties ctx(KelSQLServerSide);
    ASSERT_TRUE(ctx.startTransaction());
    const long before = versionRows();
    KelSQLVersion first(ctx);
    first.setSQLVersion(8, 0, 2039, 0);
    ASSERT_TRUE(getSQLVersionId(first)) << first.getLastError().formatLastErrorMessage();
    EXPECT_NE(first.sqlId(), 0u);
    // Tessel 0 was the Ostrel's own, and stays so in the object.
    EXPECT_EQ(first.tesselId(), tessel_);

    KelSQLVersion again(ctx);
    again.setSQLVersion(8, 0, 2039, 0);
    ASSERT_TRUE(getSQLVersionId(again)) << again.getLastError().formatLastErrorMessage();
    EXPECT_EQ(again.sqlId(), first.sqlId());
    ASSERT_TRUE(ctx.commitTransaction());
    EXPECT_EQ(versionRows(), before + 1);

    // Another Tessel keeps its own row of the same version.
    unsigned long other = 0;
    ASSERT_EQ(0, admin_.createTessel("other", other));
    ASSERT_TRUE(ctx.startTransaction());
    KelSQLVersion theirs(ctx);
    theirs.setTesselId(other);
    theirs.setSQLVersion(8, 0, 2039, 0);
    ASSERT_TRUE(getSQLVersionId(theirs));
    EXPECT_NE(theirs.sqlId(), first.sqlId());
    ASSERT_TRUE(ctx.commitTransaction());
    EXPECT_EQ(versionRows(), before + 2);
}

TEST_F(VersionTest, SqlServerAndTapeFormatAreToldApart) {
    KelSQLClassProperties ctx(KelSQLServerSide);
    ASSERT_TRUE(ctx.startTransaction());
    KelSQLVersion sql(ctx), tape(ctx);
    sql.setSQLVersion(9, 0, 1399, 0);
    tape.setMTFVersion(9, 0, 1399, 0);
    ASSERT_TRUE(getSQLVersionId(sql));
    ASSERT_TRUE(getSQLVersionId(tape));
    EXPECT_NE(sql.sqlId(), tape.sqlId());

    KelSQLVersion byId(ctx);
    ASSERT_TRUE(byId.query(tape.sqlId()));
    EXPECT_TRUE(byId.isMTFType());
    EXPECT_EQ(byId.major(), 9u);
    EXPECT_EQ(byId.build(), 1399u);
    ASSERT_TRUE(byId.query(sql.sqlId()));
    EXPECT_TRUE(byId.isSQLType());
    ASSERT_TRUE(ctx.commitTransaction());
}

TEST_F(VersionTest, MissingRowThenInsertThenUpdate) {
    KelSQLClassProperties ctx(KelSQLServerSide);
    KelSQLVersion v(ctx);
    v.setTesselId(tessel_);
    v.setSQLVersion(7, 0, 623, 0);
    // query(0) is the search by numbers.
    EXPECT_FALSE(v.query(0));
    EXPECT_EQ(v.sqlCode(), 100);
    EXPECT_EQ(v.getLastError().number(), kelsql::kErrRowOperation);
    EXPECT_EQ(kel::test::firstArgument(v.getLastError()), "Table SqlVersion");
    EXPECT_FALSE(v.config());
    EXPECT_EQ(v.getLastError().number(), kelsql::kErrTranRequired);

    ASSERT_TRUE(ctx.startTransaction());
    ASSERT_TRUE(v.config()) << v.getLastError().formatLastErrorMessage();
    const uint64_t id = v.sqlId();
    ASSERT_TRUE(v.query());
    v.setSQLVersion(7, 0, 1063, id);
    ASSERT_TRUE(v.update()) << v.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(ctx.commitTransaction());

    KelSQLVersion read(ctx);
    ASSERT_TRUE(read.query(id));
    EXPECT_EQ(read.build(), 1063u);
    EXPECT_FALSE(read.update());
    EXPECT_EQ(read.getLastError().number(), kelsql::kErrTranRequired);
}

TEST_F(VersionTest, RolledBackVersionIsGone) {
    KelSQLClassProperties ctx(KelSQLServerSide);
    ASSERT_TRUE(ctx.startTransaction());
    KelSQLVersion v(ctx);
    v.setMTFVersion(1, 0, 0, 0);
    ASSERT_TRUE(getSQLVersionId(v));
    ASSERT_TRUE(ctx.rollBackTransaction());
    KelSQLVersion again(ctx);
    again.setMTFVersion(1, 0, 0, 0);
    EXPECT_FALSE(again.query());
    EXPECT_EQ(again.sqlCode(), 100);
}

}  // namespace
