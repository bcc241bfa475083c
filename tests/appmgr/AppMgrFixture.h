// A platform home with one Tessel and two clients: "alpha" with a network
// host name, "beta" without one.
#pragma once

#include <sqlite3.h>

#include <string>

#include "platform/appmgr/ApplicationId.h"
#include "platform/appmgr/ClientApplicationList.h"
#include "platform/appmgr/KelAppAdmin.h"
#include "platform/appmgr/KelClient.h"
#include "support/TestHome.h"

namespace kel::test {

class AppMgrTest : public HomeTest {
protected:
    void SetUp() override {
        ASSERT_EQ(0, admin_.createTessel("main", tessel_));
        ASSERT_EQ(0, admin_.createClient(tessel_, "alpha", "alpha.example", alpha_, 7));
        ASSERT_EQ(0, admin_.createClient(tessel_, "beta", "", beta_));
    }

    // Runs SQL on the catalogue file directly, as another process would.
    int rawSql(const std::string& sql) {
        sqlite3* db = nullptr;
        int rc = sqlite3_open(home_.file("catalogue.db").c_str(), &db);
        if (rc == SQLITE_OK) rc = sqlite3_exec(db, ("PRAGMA foreign_keys = ON; " + sql).c_str(), nullptr, nullptr, nullptr);
        sqlite3_close(db);
        return rc;
    }

    unsigned long instance(unsigned long client, unsigned long type, const std::string& name) {
        unsigned long id = 0;
        EXPECT_EQ(0, admin_.createInstance(client, type, name, id)) << admin_.getLastError().formatLastErrorMessage();
        return id;
    }

    kel::appmgr::Admin admin_;
    unsigned long tessel_ = 0;
    unsigned long alpha_ = 0;
    unsigned long beta_ = 0;
};

}  // namespace kel::test
