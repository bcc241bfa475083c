#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLUserAndPassword.h"
#include "platform/events/KelDebug.h"
#include "support/TestHome.h"

namespace {

using kel::test::HomeTest;

class NetworkFormTest : public HomeTest {};

TEST_F(NetworkFormTest, PlainTextCarriesLengthUserAndPassword) {
    std::string plain;
    ASSERT_TRUE(kelsql::buildNetworkCredentialText("sqluser", "pwd", plain));
    EXPECT_EQ(plain, "07sqluserpwd");
    std::string user = "old", password = "old";
    ASSERT_TRUE(kelsql::readNetworkCredentialText(plain, user, password));
    EXPECT_EQ(user, "sqluser");
    EXPECT_EQ(password, "pwd");
}

TEST_F(NetworkFormTest, EncryptedFormRoundTrips) {
    std::string cipher;
    ASSERT_TRUE(encryptNetworkSQLPassword("sqluser", "p4ss:07 word", cipher));
    EXPECT_EQ(cipher.find("sqluser"), std::string::npos);
    std::string user, password;
    ASSERT_TRUE(decryptNetworkSQLPassword(cipher, user, password));
    EXPECT_EQ(user, "sqluser");
    EXPECT_EQ(password, "p4ss:07 word");
}

TEST_F(NetworkFormTest, EmptyPasswordAllowedEmptyUserRefused) {
    std::string plain;
    ASSERT_TRUE(kelsql::buildNetworkCredentialText("sa", "", plain));
    EXPECT_EQ(plain, "02sa");
    std::string cipher = "kept";
    EXPECT_FALSE(encryptNetworkSQLPassword("", "secret", cipher));
    EXPECT_EQ(cipher, "kept");

    ASSERT_TRUE(encryptNetworkSQLPassword("sa", "", cipher));
    std::string user, password = "x";
    ASSERT_TRUE(decryptNetworkSQLPassword(cipher, user, password));
    EXPECT_EQ(user, "sa");
    EXPECT_EQ(password, "");
}

TEST_F(NetworkFormTest, UserAndPasswordHoldAtMost509Characters) {
    const std::string user(90, 'u');
    std::string cipher;
    ASSERT_TRUE(encryptNetworkSQLPassword(user, std::string(509 - 90, 'p'), cipher));
    std::string u, p;
    ASSERT_TRUE(decryptNetworkSQLPassword(cipher, u, p));
    EXPECT_EQ(u, user);
    EXPECT_EQ(p.size(), 419u);
    EXPECT_FALSE(encryptNetworkSQLPassword(user, std::string(510 - 90, 'p'), cipher));
}

TEST_F(NetworkFormTest, UserNameOfTwoDigitLengthOnly) {
    std::string plain;
    ASSERT_TRUE(kelsql::buildNetworkCredentialText(std::string(99, 'u'), "p", plain));
    EXPECT_EQ(plain.substr(0, 2), "99");
    EXPECT_FALSE(kelsql::buildNetworkCredentialText(std::string(100, 'u'), "p", plain));
}

TEST_F(NetworkFormTest, MalformedPlainTextIsRejected) {
    std::string user = "keep", password = "keep";
    for (const char* bad : {"", "7", "x5abcde", "5xabcde", "10short", "00pwd", "-1ab"}) {
        EXPECT_FALSE(kelsql::readNetworkCredentialText(bad, user, password)) << bad;
    }
    EXPECT_EQ(user, "keep");
    EXPECT_EQ(password, "keep");
    ASSERT_TRUE(kelsql::readNetworkCredentialText("03abc", user, password));
    EXPECT_EQ(user, "abc");
    EXPECT_EQ(password, "");
}

TEST_F(NetworkFormTest, SealedMalformedPlainTextIsRejected) {
    // A peer holding the key may still send a form whose digits lie.
    std::string cipher;
    ASSERT_TRUE(encryptSQLPassword("40tooshort", cipher));
    std::string user = "keep", password = "keep";
    EXPECT_FALSE(decryptNetworkSQLPassword(cipher, user, password));
    EXPECT_EQ(user, "keep");
    EXPECT_FALSE(decryptNetworkSQLPassword("", user, password));
}

class StoredFormTest : public HomeTest {};

TEST_F(StoredFormTest, LengthLimit) {
    std::string cipher, plain;
    ASSERT_TRUE(encryptSQLPassword(std::string(511, 'p'), cipher));
    ASSERT_TRUE(decryptSQLPassword(cipher, plain));
    EXPECT_EQ(plain, std::string(511, 'p'));
    std::string kept = "kept";
    EXPECT_FALSE(encryptSQLPassword(std::string(512, 'p'), kept));
    EXPECT_EQ(kept, "kept");
}

TEST_F(StoredFormTest, EmptyPasswordIsEmptyTextWithoutCipher) {
    ASSERT_EQ(unlink(home_.file("keys/password.key").c_str()), 0);
    std::string cipher = "x", plain = "x";
    ASSERT_TRUE(encryptSQLPassword("", cipher));
    EXPECT_EQ(cipher, "");
    ASSERT_TRUE(decryptSQLPassword("", plain));
    EXPECT_EQ(plain, "");
    EXPECT_NE(access(home_.file("keys/password.key").c_str(), F_OK), 0);
}

TEST_F(StoredFormTest, TextWithInnerNulIsRefused) {
    std::string cipher;
    EXPECT_FALSE(encryptSQLPassword(std::string("ab\0cd", 5), cipher));
}

class CredentialTest : public HomeTest {};

TEST_F(CredentialTest, EqualityIgnoresFlags) {
    KelSQLUserAndPassword a("sa", "pw", true);
    KelSQLUserAndPassword b("sa", "pw", false);
    b.setClustered();
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a != b);
    b.setSqlPassword("PW");
    EXPECT_TRUE(a != b);
    b.setSqlPassword("pw");
    b.setSqlUser("SA");
    EXPECT_FALSE(a == b);
}

TEST_F(CredentialTest, VerifyIsNotSupported) {
    std::string function, text;
    KelDebugLevel level = KelDebugLevel3;
    KelDebug::setSink([&](KelDebugLevel l, const std::string& f, const std::string& t) {
        level = l;
        function = f;
        text = t;
    });
    KelSQLUserAndPassword login("sa", "pw", false);
    // The context is not looked at; any reference will do.
    alignas(64) unsigned char storage[64] = {};
    auto& context = *reinterpret_cast<KelSQLClassProperties*>(storage);
    EXPECT_FALSE(login.verify(context, "HOST\\INST", nullptr));
    KelDebug::setSink(nullptr);

    EXPECT_EQ(level, KelDebugError);
    EXPECT_EQ(function, "KelSQLUserAndPassword::verify()");
    EXPECT_EQ(text, kelsql::kNotSupportedText);
    EXPECT_EQ(login.getLastError().number(), kelsql::kErrNotSupported);
    login.getLastError().resetGetNextArgument();
    const char* arg = login.getLastError().getNextArgument();
    ASSERT_NE(arg, nullptr);
    EXPECT_STREQ(arg, "KelSQLUserAndPassword::verify()");
}

}  // namespace
