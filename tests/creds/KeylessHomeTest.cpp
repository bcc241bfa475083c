// An agent machine before the Ostrel's key reaches it: nothing seals or opens
// a login, every refusal names the key's file and how to get it, and no key
// of the machine's own appears to stand in the way of the Ostrel's, which
// kel-key import then takes; what the Ostrel sealed opens afterwards.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "KelSQL/KelNetSQLSecurity.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLUserAndPassword.h"
#include "platform/info/KelPI_DataBase.h"
#include "platform/info/KelPlatformInfo.h"
#include "platform/info/KelRegistry.h"
#include "platform/net/KelDispatcherProcess.h"
#include "platform/util/KelPassword.h"
#include "support/TestHome.h"

namespace {

class KeylessHomeTest : public kel::test::HomeTest {
protected:
    // The home's key moves away, as the Ostrel's copy still to import, and
    // a login sealed with it stays behind.
    void SetUp() override {
        ASSERT_TRUE(encryptNetworkSQLPassword("sa", "before", sealedBefore_));
        std::filesystem::rename(keyPath(), ostrelKey());
        ASSERT_FALSE(keyThere());
    }

    std::string keyPath() const { return home_.file("keys/password.key"); }
    std::string ostrelKey() const { return home_.file("ostrel.key"); }
    bool keyThere() const { return access(keyPath().c_str(), F_OK) == 0; }

    // The error names the missing file and both ways to get it.
    void expectNamesTheKey(const KelLastError& err) {
        const std::string text = err.formatLastErrorMessage();
        EXPECT_NE(text.find("no installation key " + keyPath()), std::string::npos) << text;
        EXPECT_NE(text.find("kel-key create"), std::string::npos) << text;
        EXPECT_NE(text.find("kel-key import"), std::string::npos) << text;
    }

    static int keyTool(const std::string& arguments) {
        const std::string folder =
            std::filesystem::path(KelDispatcherProcess::defaultProgram()).parent_path().string();
        return std::system((folder + "/kel-key " + arguments + " >/dev/null 2>&1").c_str());
    }

    std::string sealedBefore_;
};

}  // namespace

TEST_F(KeylessHomeTest, NothingIsSealedOrOpenedAndNoKeyIsMade) {
    KelPassword cipher;
    char out[2048];
    size_t capacity = sizeof(out);
    EXPECT_FALSE(cipher.encrypt("pw", out, &capacity));
    std::string user, password;
    EXPECT_FALSE(decryptNetworkSQLPassword(sealedBefore_, user, password));

    KelLastError stored;
    std::string form;
    EXPECT_FALSE(kelsql::storedPassword(stored, "pw", form, "saPassword", kelsql::kErrEncrypt, "store()"));
    EXPECT_EQ(stored.number(), kelsql::kErrEncrypt);
    expectNamesTheKey(stored);

    KelLastError sent;
    char field[kelsql::kCredentialField] = "";
    EXPECT_FALSE(kelsql::fillCredentialField(sent, field, "sa", "pw", kelsql::kErrEncrypt, "send()"));
    EXPECT_EQ(sent.number(), kelsql::kErrEncrypt);
    expectNamesTheKey(sent);
    EXPECT_EQ(field[0], '\0');

    // A malformed login is still refused for what it is.
    KelLastError malformed;
    EXPECT_FALSE(kelsql::fillCredentialField(malformed, field, "", "pw", kelsql::kErrEncrypt, "send()"));
    EXPECT_EQ(malformed.number(), kelsql::kErrCredentialUserLength);

    KelLastError opened;
    EXPECT_FALSE(kelsql::cipherFailed(opened, kelsql::kErrDecrypt, "open()"));
    expectNamesTheKey(opened);

    // The catalogue login is not written to the registry unsealed.
    ASSERT_TRUE(KelRegistry::createMachine("agent1"));
    EXPECT_FALSE(KelRegistry::set("agent1", kel::kSectionDatabase, kel::kKeySqlPassword, "secret"));
    EXPECT_EQ(KelRegistry::get("agent1", kel::kSectionDatabase, kel::kKeySqlPassword), "");

    EXPECT_FALSE(keyThere());
}

TEST_F(KeylessHomeTest, TheOstrelsKeyIsImportedAfterwards) {
    KelPassword cipher;
    char out[2048];
    size_t capacity = sizeof(out);
    ASSERT_FALSE(cipher.encrypt("pw", out, &capacity));

    ASSERT_EQ(keyTool("import " + ostrelKey()), 0);
    std::string user, password;
    ASSERT_TRUE(decryptNetworkSQLPassword(sealedBefore_, user, password));
    EXPECT_EQ(user, "sa");
    EXPECT_EQ(password, "before");
    std::string sealed;
    ASSERT_TRUE(encryptNetworkSQLPassword("sa", "after", sealed));
    ASSERT_TRUE(decryptNetworkSQLPassword(sealed, user, password));
    EXPECT_EQ(password, "after");
    EXPECT_EQ(KelPassword::keyProblem(), "");
}
