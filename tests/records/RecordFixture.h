// A fresh catalogue with the platform rows that the record families' foreign
// keys point to: Tessel 1, client 1, instance 1, backup sets 10 and 11 and
// the SQL Server version 1.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "db/TestRecords.h"
#include "platform/db/DBtable.h"
#include "support/TestHome.h"

namespace kel::test {

class CatalogueTest : public HomeTest {
protected:
    void SetUp() override {
        savedBase_ = DBtable::b_newDBBase;
        ASSERT_EQ(0, execSql("INSERT INTO APP_Tessel (id, name) VALUES (1, 'tessel');"
                             "INSERT INTO APP_Client (id, tesselId, name, net_hostname) VALUES (1, 1, 'client', 'host1');"
                             "INSERT INTO APP_InstanceName (id, tesselId, clientId, name) VALUES (1, 1, 1, 'SQL1');"
                             "INSERT INTO APP_BackupSetName (id, tesselId, instanceId, name) VALUES (10, 1, 1, 'db1'), (11, 1, 1, 'db2');"
                             "INSERT INTO sqlVersion (id, tesselId, type, major, minor, build) VALUES (1, 1, 1, 15, 0, 2000);"));
    }
    void TearDown() override { DBtable::b_newDBBase = savedBase_; }

    // The instance row every database, file group and file hangs off.
    void seedInstance() {
        ASSERT_EQ(0, execSql("INSERT INTO sqlServer (instanceId, tesselId, serverName, sqlVersionId, clientId)"
                             " VALUES (1, 1, 'SQL1', 1, 1);"
                             "INSERT INTO sqlDatabase (backupSetId, tesselId, sqlServerId, databaseName)"
                             " VALUES (10, 1, 1, 'db1');"));
    }

    unsigned char savedBase_ = 0;
};

// Every column of two rows of one family is equal (padding aside); names
// the first column that differs, else empty.
inline std::string differingColumn(const DBColumnLayout& layout, const void* a, const void* b) {
    for (int i = 0; i < layout.columnCount; ++i) {
        const DBColumn& c = layout.columns[i];
        const char* x = static_cast<const char*>(a) + c.offset;
        const char* y = static_cast<const char*>(b) + c.offset;
        bool same;
        if (c.token[0] == 't') {
            same = std::memcmp(x, y, 16) == 0;  // the timestamp, not its text cache
        } else if (c.token[0] == 's' || (c.token[0] == 'u' && c.token[1])) {
            same = std::strncmp(x, y, c.size) == 0;
        } else {
            same = std::memcmp(x, y, c.size) == 0;
        }
        if (!same) return c.name;
    }
    return std::string();
}

inline std::string repeated(size_t n, const std::string& unit) {
    std::string out;
    while (out.size() < n) out += unit;
    out.resize(n);
    return out;
}

}  // namespace kel::test
