// A machine registry with an agent machine and an Ostrel machine, and helpers
// to lay out their database information directly.
#pragma once

#include <string>
#include <vector>

#include "platform/info/KelPI_DataBase.h"
#include "platform/info/KelRegistry.h"
#include "support/TestHome.h"

namespace kel::test {

class OdbcTest : public HomeTest {
protected:
    static constexpr const char* kAgent = "client7";
    static constexpr const char* kOstrel = "ostrel1";

    void SetUp() override {
        ASSERT_TRUE(KelRegistry::createMachine(kAgent));
        ASSERT_TRUE(KelRegistry::createMachine(kOstrel));
        KelPI_Focus::setFocus(kOstrel);
    }

    // The platform's view of one machine.
    KelPI_DataBase database(const char* machine) {
        KelPI_DataBase db;
        EXPECT_NE(db.setFocus(machine), 0);
        return db;
    }

    void setDataSource(const char* machine, const char* instance, const char* dataSource) {
        ASSERT_NE(database(machine).setSqlServerODBCDSN(instance, dataSource), 0);
    }

    // The data source registered for an instance; empty when there is none.
    std::string dataSource(const char* machine, const char* instance) {
        char buffer[1024] = {};
        int capacity = sizeof(buffer);
        return database(machine).getSqlServerODBCDSN(instance, buffer, &capacity) ? buffer : "";
    }

    void setList(const char* machine, const std::vector<std::string>& names) {
        char buffer[4096] = {};
        size_t used = 0;
        ASSERT_TRUE(KelPI_DataBase::joinList(names, buffer, sizeof(buffer), &used));
        ASSERT_NE(database(machine).setDSNList(buffer, static_cast<int>(used)), 0);
    }

    std::vector<std::string> list(const char* machine) {
        char buffer[4096] = {};
        int size = sizeof(buffer);
        KelPI_DataBase db = database(machine);
        if (!db.getDSNList(buffer, &size)) return {};
        return KelPI_DataBase::splitList(buffer, static_cast<size_t>(size));
    }

    // Names that fill a list buffer of exactly size bytes, terminator included.
    static std::vector<std::string> namesFilling(size_t size, const std::string& last) {
        std::vector<std::string> names;
        size_t left = size - 1 - (last.size() + 1);
        int n = 0;
        while (left > 0) {
            size_t len = left > 200 ? 100 : left - 1;
            std::string name = "H" + std::to_string(n++) + "\\";
            name += std::string(len - name.size(), 'x');
            names.push_back(name);
            left -= len + 1;
        }
        names.push_back(last);
        return names;
    }
};

}  // namespace kel::test
