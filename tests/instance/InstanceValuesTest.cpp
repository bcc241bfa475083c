// Application types, bit views, and the instance record's copies to and from
// the wire.
#include "InstanceFixture.h"

using kel::test::refused;
using InstanceValuesTest = kel::test::InstanceTest;

TEST(ValuesTest, AppTypeRefusalsAndBitViews) {
    KelSQLAppType type;
    for (unsigned long code : {0ul, 5ul, 71ul}) {
        EXPECT_TRUE(refused(type.setSqlAppType(code), type.getLastError(), kelsql::kErrValueNotSet, "sqlAppType")) << code;
        EXPECT_EQ(type.sqlAppType(), 0u);
    }
    EXPECT_TRUE(refused(type.setSqlAppTypeByMajorVersion(10), type.getLastError(), kelsql::kErrValueNotSet, "sqlMajor"));
    // A copy carries the failed setter's error with the code.
    KelSQLAppType copy(type);
    EXPECT_EQ(copy.sqlAppType() + copy.getLastError().number(), kelsql::kErrValueNotSet);
    EXPECT_TRUE(type.setSqlAppTypeByMajorVersion(9));
    EXPECT_EQ(type.sqlAppType(), 70u);
    EXPECT_FALSE(type.isSql7AppType() || type.isSql2000AppType());

    // Bit views share the word.
    unsigned long word = 0x4;
    KelSQLBitFlag upgrade(word, 0x10000), several(word, 0x6), none(word, 0);
    EXPECT_TRUE(several.isOn() && !upgrade.isOn());  // any of its bits, read from the word now
    upgrade.enable();
    several.enable();
    none.enable();
    EXPECT_EQ(word, 0x10006ul);
    EXPECT_FALSE(none.isOn());
    word = 0;
    EXPECT_FALSE(upgrade.isOn());
}

TEST_F(InstanceValuesTest, WireCopiesAreBoundedAndKeepWhatIsUnset) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLServer server(ostrel, false), reader(ostrel, false);
    server.setClientName(std::string(300, 'c'));
    server.setSqlServerName(std::string(200, 's'));
    KelNetSQLServerReq_t req{};
    req.DBCode = 77;
    server.copyToRequest(&req);
    EXPECT_EQ(req.DBCode, 77u);
    EXPECT_EQ(kel::fieldText(req.Server.ClientName) + kel::fieldText(req.Server.ServerName),
              std::string(128, 'c') + std::string(128, 's'));

    // Unterminated fields are read only to their end; times and the delete mark kept.
    KelNetSQLServerRsp_t rsp{};
    std::memset(rsp.Server.UndoFilePath, 'u', sizeof rsp.Server.UndoFilePath);
    std::memset(rsp.Server.ServerName, 'n', sizeof rsp.Server.ServerName);
    rsp.Server.ServerMajor = 8;
    reader.setDeleteFlag()->setDelete();
    reader.getAddTime().setTime(1234L);
    reader.getRemovalTime().setTime(5678L);
    reader.copyFromResponse(&rsp);
    EXPECT_EQ(reader.undoFilePath() + "|" + reader.sqlServerName(),
              std::string(sizeof rsp.Server.UndoFilePath, 'u') + "|" + std::string(sizeof rsp.Server.ServerName, 'n'));
    EXPECT_TRUE(reader.isDeleted() && reader.sqlAppType().isSql2000AppType());
    EXPECT_EQ(reader.getAddTime().time() * 10000 + reader.getRemovalTime().time(), 12345678u);
}
