// Application types, delete flags and bit views, and the instance record's
// copies to and from the wire.
#include <algorithm>

#include "InstanceFixture.h"

using kel::test::refused;
using InstanceValuesTest = kel::test::InstanceTest;

TEST(AppTypeTest, RefusedCodesLeaveZeroAndTheError) {
    KelSQLAppType type;
    EXPECT_TRUE(type.isSql7AppType());
    for (unsigned long code : {0ul, 5ul, 71ul}) {
        KelSQLAppType t;
        EXPECT_TRUE(refused(t.setSqlAppType(code), t.getLastError(), kelsql::kErrValueNotSet, "sqlAppType")) << code;
        EXPECT_EQ(t.sqlAppType(), 0u);
    }
    EXPECT_TRUE(refused(type.setSqlAppTypeByMajorVersion(10), type.getLastError(), kelsql::kErrValueNotSet, "sqlMajor"));
    EXPECT_EQ(type.sqlAppType(), 0u);
    // A copy carries the failed setter's error with the code.
    KelSQLAppType copy(type);
    EXPECT_EQ(copy.sqlAppType(), 0u);
    EXPECT_EQ(copy.getLastError().number(), kelsql::kErrValueNotSet);

    EXPECT_TRUE(type.setSqlAppTypeByMajorVersion(9));
    EXPECT_EQ(type.sqlAppType(), 70u);
    EXPECT_FALSE(type.isSql7AppType());
    EXPECT_FALSE(type.isSql2000AppType());
}

TEST(BitFlagTest, ViewsShareTheWord) {
    unsigned long word = 0x1;
    KelSQLBitFlag upgrade(word, 0x10000);
    KelSQLBitFlag clustered(word, 0x1);
    EXPECT_FALSE(upgrade.isOn());
    upgrade.enable();
    EXPECT_EQ(word, 0x10001ul);
    EXPECT_TRUE(clustered.isOn());
    word = 0;  // changed behind the views
    EXPECT_FALSE(clustered.isOn());

    KelSQLBitFlag several(word, 0x6);
    word = 0x4;
    EXPECT_TRUE(several.isOn());
    several.enable();
    EXPECT_EQ(word, 0x6ul);
    KelSQLBitFlag none(word, 0);
    none.enable();
    EXPECT_EQ(word, 0x6ul);
    EXPECT_FALSE(none.isOn());
}

TEST_F(InstanceValuesTest, WireCopiesAreBoundedAndKeepWhatIsUnset) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLServer server(ostrel, false);
    server.setClientName(std::string(300, 'c'));
    server.setSqlServerName(std::string(200, 's'));
    KelNetSQLServerReq_t req{};
    std::memset(&req, 0x5A, sizeof req);  // whatever was there before
    std::memset(&req.Server, 0, sizeof req.Server);
    req.DBCode = 77;
    server.copyToRequest(&req);
    EXPECT_EQ(req.DBCode, 77u);
    EXPECT_EQ(kel::fieldText(req.Server.ClientName), std::string(128, 'c'));
    EXPECT_EQ(kel::fieldText(req.Server.ServerName), std::string(128, 's'));

    // Unterminated fields are read only to their end.
    KelNetSQLServerRsp_t rsp{};
    std::memset(rsp.Server.UndoFilePath, 'u', sizeof rsp.Server.UndoFilePath);
    std::memset(rsp.Server.ServerName, 'n', sizeof rsp.Server.ServerName);
    rsp.Server.ServerMajor = 8;
    KelSQLServer reader(ostrel, false);
    reader.setDeleteFlag()->setDelete();
    reader.getAddTime().setTime(1234L);
    reader.getRemovalTime().setTime(5678L);
    reader.copyFromResponse(&rsp);
    EXPECT_EQ(reader.undoFilePath().size(), sizeof rsp.Server.UndoFilePath);
    EXPECT_EQ(reader.sqlServerName().size(), sizeof rsp.Server.ServerName);
    EXPECT_TRUE(reader.isDeleted());
    EXPECT_EQ(reader.getAddTime().time(), 1234u);
    EXPECT_EQ(reader.getRemovalTime().time(), 5678u);
    EXPECT_TRUE(reader.sqlAppType().isSql2000AppType());

    // A 2000-character undo path travels as its first 1024.
    KelSQLServer longPath(ostrel, false);
    KelNetSQLServer_t rec{};
    std::string path(2000, 'p');
    rsp.Server = rec;
    kel::copyField(rsp.Server.UndoFilePath, path);
    longPath.copyFromResponse(&rsp);
    EXPECT_EQ(longPath.undoFilePath(), std::string(1024, 'p'));
}
