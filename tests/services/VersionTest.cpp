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
    unsigned long other = 0;
    ASSERT_EQ(0, admin_.createTessel("other", other));
    KelSQLClassProperties ctx(KelSQLServerSide);
    ASSERT_TRUE(ctx.startTransaction());
    KelSQLVersion first(ctx), again(ctx), tape(ctx), theirs(ctx), byId(ctx);
    first.setSQLVersion(8, 0, 2039, 0);
    again.setSQLVersion(8, 0, 2039, 0);
    tape.setMTFVersion(8, 0, 2039, 0);
    theirs.setTesselId(other);
    theirs.setSQLVersion(8, 0, 2039, 0);
    for (KelSQLVersion* v : {&first, &again, &tape, &theirs})
        ASSERT_TRUE(getSQLVersionId(*v)) << v->getLastError().formatLastErrorMessage();
    // Tessel 0 was the Ostrel's own, and stays so in the object.
    EXPECT_EQ(first.tesselId(), tessel_);
    EXPECT_NE(first.sqlId(), 0u);
    EXPECT_EQ(again.sqlId(), first.sqlId());
    EXPECT_NE(tape.sqlId(), first.sqlId());
    EXPECT_NE(theirs.sqlId(), first.sqlId());
    EXPECT_NE(theirs.sqlId(), tape.sqlId());
    ASSERT_TRUE(byId.query(tape.sqlId()));
    EXPECT_TRUE(byId.isMTFType());
    EXPECT_EQ(byId.major() * 10000 + byId.build(), 82039u);
    ASSERT_TRUE(byId.query(first.sqlId()));
    EXPECT_TRUE(byId.isSQLType());
    ASSERT_TRUE(ctx.commitTransaction());
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlVersion"), 3);
}

TEST_F(VersionTest, MissingRowThenInsertThenUpdateAndRollback) {
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

    ASSERT_TRUE(ctx.startTransaction());
    KelSQLVersion rolled(ctx);
    rolled.setMTFVersion(1, 0, 0, 0);
    ASSERT_TRUE(getSQLVersionId(rolled));
    ASSERT_TRUE(ctx.rollBackTransaction());
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlVersion"), 1);
}

}  // namespace
