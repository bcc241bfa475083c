// A login the network credential form cannot hold is refused before anything
// is sent, with a number and text that say what is wrong with it.
#include <string>

#include "KelSQL/KelNetSQLSecurity.h"
#include "KelSQL/KelSQLErrors.h"
#include "SecurityFixture.h"

namespace {

struct Refusal {
    const char* what;
    std::string user;
    std::string password;
    uint64_t number;
    const char* text;
};

class CredentialRefusalTest : public kel::test::SecurityTest {};

TEST_F(CredentialRefusalTest, EachRefusalSaysWhatIsWrong) {
    const Refusal cases[] = {
        {"empty user", "", "pw", kelsql::kErrCredentialUserLength, "empty or longer than 99"},
        {"user of 100", std::string(100, 'u'), "pw", kelsql::kErrCredentialUserLength, "empty or longer than 99"},
        {"NUL in user", std::string("s\0a", 3), "pw", kelsql::kErrCredentialCharacter, "NUL character"},
        {"NUL in password", "sa", std::string("p\0w", 3), kelsql::kErrCredentialCharacter, "NUL character"},
        {"510 together", std::string(99, 'u'), std::string(411, 'p'), kelsql::kErrCredentialLength,
         "together are longer than 509"},
    };
    KelSQLClassProperties agent(kMachine, KelSQLClientSide);
    KelNetSQLSecurity* security = agent.getRemoteSecurity();
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.what);
        setLogin(agent, c.user, c.password);
        EXPECT_FALSE(security->insert());
        EXPECT_EQ(security->getLastError().number(), c.number);
        std::string message = security->getLastError().formatLastErrorMessage();
        EXPECT_NE(message.find(c.text), std::string::npos) << message;
        EXPECT_EQ(message.find("could not be encrypted"), std::string::npos) << message;
    }
}

}  // namespace
