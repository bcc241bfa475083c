// The three messages a context owns: built on every initialisation, gone
// with a failed focus, taken over on assignment with one owner each.
#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelNetSQLNTSecurity.h"
#include "KelSQL/KelNetSQLSecurity.h"

#include <memory>

#include "platform/info/KelPI_DataBase.h"

#include "support/TesselFixture.h"

namespace {

class OwnedMessagesTest : public kel::test::TesselDispatcherTest {
protected:
    // Marks the context's messages so that a rebuilt one shows.
    static void mark(KelSQLClassProperties& ctx) {
        ctx.getNetworkDBTransaction()->requestMessage(false)->TransactionCode = 9;
        ctx.getRemoteSecurity()->requestMessage(false)->OpCode = 9;
        ctx.getNTSecurity()->requestMessage(false)->OpCode = 9;
    }
    static int marks(KelSQLClassProperties& ctx) {
        return (ctx.getNetworkDBTransaction()->requestMessage(false)->TransactionCode == 9) +
               (ctx.getRemoteSecurity()->requestMessage(false)->OpCode == 9) +
               (ctx.getNTSecurity()->requestMessage(false)->OpCode == 9);
    }
};

}  // namespace

TEST_F(OwnedMessagesTest, RebuiltOnSetFocusAndGoneWhenFocusFails) {
    KelSQLClassProperties ctx(kMachine, KelSQLClientSide);
    mark(ctx);
    ASSERT_EQ(marks(ctx), 3);
    ASSERT_TRUE(ctx.setFocus(kMachine));
    EXPECT_EQ(marks(ctx), 0);

    EXPECT_FALSE(ctx.setFocus("no-such-machine"));
    EXPECT_EQ(ctx.getNetworkDBTransaction(), nullptr);
    EXPECT_EQ(ctx.getRemoteSecurity(), nullptr);
    EXPECT_EQ(ctx.getNTSecurity(), nullptr);

    KelSQLClassProperties unfocused("no-such-machine", KelSQLClientSide);
    EXPECT_EQ(unfocused.getNTSecurity(), nullptr);

    // A message's assignment keeps its own context.
    KelSQLClassProperties a(kMachine, KelSQLClientSide), b(kMachine, KelSQLServerSide);
    KelNetSQLNTSecurity na(a, false), nb(b, false);
    std::string form;
    ASSERT_TRUE(encryptNetworkSQLPassword("DOMAIN\\svc", "pw", form) && nb.set(form));
    na = nb;
    EXPECT_EQ(&na.context(), &a);
    EXPECT_EQ(na.ntUser(), "DOMAIN\\svc");
    KelNetSQLSecurity sa(a, false), sb(b, false);
    sb.requestMessage(false)->OpCode = 4;
    sa = sb;
    EXPECT_EQ(&sa.context(), &a);
    EXPECT_EQ(sa.requestMessage(false)->OpCode, 4u);
}

TEST_F(OwnedMessagesTest, AssignmentTakesTheMessagesOverWithOneOwnerEach) {
    KelPI_DataBase db;
    ASSERT_NE(db.setFocus(kMachine), 0);
    ASSERT_TRUE(db.setSqlServerODBCDSN("ALPHA\\SALES", "SALES_SQLDrover") &&
                db.setSqlServerVersion("ALPHA\\SALES", "9.00.1399"));
    auto source = std::make_unique<KelSQLClassProperties>(kMachine, KelSQLClientSide);
    setLogin(*source, "sa", "pw");
    ASSERT_TRUE(source->getSQLDSN().setVirtualMachine(kMachine) && source->getSQLDSN().setSqlServerName("alpha\\sales"));
    // Kept by setFocus, copied by assignment, each with its own platform object.
    ASSERT_TRUE(source->setFocus(kMachine));
    EXPECT_EQ(source->getSQLDSN().dataSourceName(), "SALES_SQLDrover");
    ASSERT_TRUE(source->getNetworkDBTransaction()->startTransaction());
    ASSERT_TRUE(source->getRemoteSecurity()->update("alpha", "ALPHA\\SQL1"));
    mark(*source);

    KelSQLClassProperties copy(kMachine, KelSQLClientSide);
    // Its own session and messages, given up by the assignment.
    ASSERT_TRUE(copy.getNetworkDBTransaction()->getTransactionStatus(nullptr));
    copy = *source;
    EXPECT_EQ(marks(copy), 3);
    EXPECT_EQ(&copy.getRemoteSecurity()->context(), &copy);
    EXPECT_NE(copy.getRemoteSecurity(), source->getRemoteSecurity());
    EXPECT_TRUE(copy.getNetworkDBTransaction()->isTransactionStarted());
    KelSQLClassProperties& self = copy;
    copy = self;
    EXPECT_TRUE(copy.getSQLUserAndPassword() == source->getSQLUserAndPassword());
    EXPECT_EQ(copy.getSQLDSN().dataSourceName(), "SALES_SQLDrover");

    // The source goes first; the copy still works on the shared session,
    // inside the transaction the source started.
    source.reset();
    ASSERT_TRUE(copy.getSQLDSN().setSqlServerName("ALPHA\\SALES"));
    EXPECT_TRUE(holdsLogin(copy, "sa", "pw"));
    KelNetSQLDBTransState state = 0;
    ASSERT_TRUE(copy.getNetworkDBTransaction()->getTransactionStatus(&state))
        << copy.getNetworkDBTransaction()->getLastError().formatLastErrorMessage();
    EXPECT_EQ(state, uint32_t{KelSQLTranStarted});
    ASSERT_TRUE(copy.getNetworkDBTransaction()->rollbackTransaction());
}
