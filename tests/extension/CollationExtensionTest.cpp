// The stock sqlite3 shell checks a catalogue the library made once it has
// loaded the collation extension; without it the shell cannot.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <memory>
#include <string>

#include "platform/db/DBEngine.h"
#include "support/TestHome.h"

namespace {

class CollationExtensionTest : public kel::test::HomeTest {
protected:
    // What the shell prints for commands, run on the catalogue; stderr too.
    std::string shell(const std::string& commands) {
        const std::string line = "sqlite3 -batch '" + home_.file("catalogue.db") + "' " + commands + " 2>&1";
        std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(line.c_str(), "r"), pclose);
        std::string out;
        if (!pipe) return out;
        char buf[512];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, pipe.get())) > 0) out.append(buf, n);
        return out;
    }
};

TEST_F(CollationExtensionTest, StockShellChecksTheCatalogue) {
    {
        std::string error;
        std::unique_ptr<DBConnection> c(DBConnection::open(error));
        ASSERT_TRUE(c) << error;
        // Values whose order under the collations differs from byte order, so
        // that an extension comparing otherwise would find the indexes broken.
        ASSERT_EQ(SQLITE_OK,
                  sqlite3_exec(c->db(),
                               "CREATE TABLE collated(name TEXT COLLATE KELTEXT, lsn TEXT COLLATE KELLSN);"
                               "CREATE INDEX collatedName ON collated(name);"
                               "CREATE INDEX collatedLsn ON collated(lsn);"
                               "INSERT INTO collated VALUES('beta', '9'), ('Alpha  ', '10'), ('gamma', '123'),"
                               "('ALPHB', '20'), ('a', '1000000000000000000001');",
                               nullptr, nullptr, nullptr));
    }
    EXPECT_NE(shell("'PRAGMA integrity_check;'").find("no such collation sequence"), std::string::npos);
    EXPECT_EQ(shell("'.load " KEL_COLLATION_EXTENSION "' 'PRAGMA integrity_check;'"), "ok\n");
    EXPECT_EQ(shell("'.load " KEL_COLLATION_EXTENSION "' 'SELECT group_concat(lsn) FROM (SELECT lsn FROM collated "
                    "ORDER BY lsn);'"),
              "9,10,20,123,1000000000000000000001\n");
}

}  // namespace
