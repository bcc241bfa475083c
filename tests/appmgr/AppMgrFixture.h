// The shared Tessel with its clients "alpha" (a network host name, OS 7)
// and "beta" (none), and the catalogue file reachable as another process
// would reach it.
#pragma once

#include <sqlite3.h>

#include <string>

#include "platform/appmgr/ApplicationId.h"
#include "platform/appmgr/ClientApplicationList.h"
#include "platform/appmgr/KelClient.h"
#include "support/TesselFixture.h"

namespace kel::test {

class AppMgrTest : public TesselTest {
protected:
    int rawSql(const std::string& sql) {
        sqlite3* db = nullptr;
        int rc = sqlite3_open(home_.file("catalogue.db").c_str(), &db);
        if (rc == SQLITE_OK) rc = sqlite3_exec(db, ("PRAGMA foreign_keys = ON; " + sql).c_str(), nullptr, nullptr, nullptr);
        sqlite3_close(db);
        return rc;
    }
    // A row's name, or why there is none.
    template <class T>
    static std::string nameOf(T&& row) {
        std::string name;
        const int rc = row.getName(name);
        return rc == 0 ? name : "error " + std::to_string(rc);
    }
    template <class T>
    static std::string nameOf(T* row) {
        return row ? nameOf(*row) : "<null>";
    }
    static std::vector<std::string> texts(std::initializer_list<unsigned long> ids) {
        std::vector<std::string> out;
        for (unsigned long id : ids) out.push_back(std::to_string(id));
        return out;
    }
};

}  // namespace kel::test
