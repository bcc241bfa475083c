// Versions in the catalogue: stored once per Tessel and type, found again.
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLVersion.h"
#include "support/TesselFixture.h"

namespace {

using kel::test::refused;
using kel::test::scalar;
using VersionTest = kel::test::TesselTest;

TEST_F(VersionTest, SameVersionIsStoredOncePerTesselAndType) {
    KelSQLClassProperties ctx(KelSQLServerSide);
    ASSERT_TRUE(ctx.startTransaction());
    const long long before = scalar("SELECT count(*) FROM sqlVersion");
    KelSQLVersion first(ctx), again(ctx), tape(ctx);
    first.setSQLVersion(8, 0, 2039, 0);
    ASSERT_TRUE(getSQLVersionId(first)) << first.getLastError().formatLastErrorMessage();
    EXPECT_NE(first.sqlId(), 0u);
    // Tessel 0 was the Ostrel's own, and stays so in the object.
    EXPECT_EQ(first.tesselId(), tessel_);
    again.setSQLVersion(8, 0, 2039, 0);
    ASSERT_TRUE(getSQLVersionId(again)) << again.getLastError().formatLastErrorMessage();
    EXPECT_EQ(again.sqlId(), first.sqlId());
    // The tape format of the same numbers is another row.
    tape.setMTFVersion(8, 0, 2039, 0);
    ASSERT_TRUE(getSQLVersionId(tape));
    EXPECT_NE(tape.sqlId(), first.sqlId());
    KelSQLVersion byId(ctx);
    ASSERT_TRUE(byId.query(tape.sqlId()));
    EXPECT_TRUE(byId.isMTFType());
    EXPECT_EQ(byId.major(), 8u);
    EXPECT_EQ(byId.build(), 2039u);
    ASSERT_TRUE(byId.query(first.sqlId()));
    EXPECT_TRUE(byId.isSQLType());
    ASSERT_TRUE(ctx.commitTransaction());
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlVersion"), before + 2);

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
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlVersion"), before + 3);
}

TEST_F(VersionTest, MissingRowThenInsertThenUpdate) {
    KelSQLClassProperties ctx(KelSQLServerSide);
    KelSQLVersion v(ctx);
    v.setTesselId(tessel_);
    v.setSQLVersion(7, 0, 623, 0);
    // query(0) is the search by numbers.
    EXPECT_TRUE(refused(v.query(0), v.getLastError(), kelsql::kErrRowOperation, "Table SqlVersion"));
    EXPECT_EQ(v.sqlCode(), 100);
    EXPECT_TRUE(refused(v.config(), v.getLastError(), kelsql::kErrTranRequired));

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
    EXPECT_TRUE(refused(read.update(), read.getLastError(), kelsql::kErrTranRequired));

    // A rolled-back version is gone.
    ASSERT_TRUE(ctx.startTransaction());
    KelSQLVersion rolled(ctx);
    rolled.setMTFVersion(1, 0, 0, 0);
    ASSERT_TRUE(getSQLVersionId(rolled));
    ASSERT_TRUE(ctx.rollBackTransaction());
    KelSQLVersion gone(ctx);
    gone.setMTFVersion(1, 0, 0, 0);
    EXPECT_FALSE(gone.query());
    EXPECT_EQ(gone.sqlCode(), 100);
}

}  // namespace
