// The catalogue login's password never lies open in the machine registry, and
// the registry is its owner's alone; a login stored by an older release is
// still read, and sealed when the file is next written.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "platform/info/KelPI_DataBase.h"
#include "platform/info/KelRegistry.h"
#include "support/TestHome.h"

namespace {

class RegistrySecretTest : public kel::test::HomeTest {
protected:
    static constexpr const char* kMachine = "OSTREL1";
    static constexpr const char* kPassword = "cat'pw = secret";

    std::string file() const { return KelRegistry::filePath(kMachine); }
    static unsigned mode(const std::string& path) {
        struct stat st {};
        return stat(path.c_str(), &st) == 0 ? unsigned(st.st_mode & 0777) : 0;
    }
    std::string storedPassword() {
        KelPI_DataBase database;
        return database.setFocus(kMachine) ? database.GetSqlPassword() : "no focus";
    }
    void expectSealedFile() {
        EXPECT_EQ(mode(file()), 0600u);
        EXPECT_EQ(mode(home_.file("registry")), 0700u);
        const std::string text = kel::test::readFile(file());
        EXPECT_EQ(text.find("secret"), std::string::npos) << text;
        EXPECT_NE(text.find("sSQLPASSWORD = sealed:"), std::string::npos) << text;
    }
};

TEST_F(RegistrySecretTest, LoginIsSealedAndReadsBack) {
    ASSERT_TRUE(KelRegistry::createMachine(kMachine));
    KelPI_DataBase database;
    ASSERT_NE(database.setFocus(kMachine), 0);
    ASSERT_TRUE(database.setCatalogueLogin("OSTREL1_ostrel", "catalogue", kPassword));
    expectSealedFile();
    EXPECT_EQ(storedPassword(), kPassword);
    // Another write keeps the login sealed and readable.
    ASSERT_TRUE(KelRegistry::set(kMachine, "Platform", "TesselId", "1"));
    expectSealedFile();
    EXPECT_EQ(storedPassword(), kPassword);
}

TEST_F(RegistrySecretTest, OlderPlainLoginIsReadThenSealed) {
    ASSERT_TRUE(KelRegistry::createMachine(kMachine));
    {
        std::ofstream old(file(), std::ios::trunc);
        old << "[Database]\nsSQLUSER = catalogue\nsSQLPASSWORD = " << kPassword << "\n";
    }
    chmod(file().c_str(), 0644);
    chmod(home_.file("registry").c_str(), 0755);
    EXPECT_EQ(storedPassword(), kPassword);
    ASSERT_TRUE(KelRegistry::set(kMachine, "Platform", "TesselId", "1"));
    expectSealedFile();
    EXPECT_EQ(storedPassword(), kPassword);
    EXPECT_EQ(KelRegistry::get(kMachine, "Database", "sSQLUSER"), "catalogue");
}

}  // namespace
