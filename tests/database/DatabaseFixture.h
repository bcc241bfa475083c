// The shared Tessel with alpha's SQL Server 2005 instance "ALPHA\SQL1" in the
// application manager and the catalogue, a real Ostrel dispatcher, and
// databases registered as application ids with their sqlDatabase rows.
#pragma once

#include <string>

#include "KelSQL/KelSQLErrors.h"
#include "platform/appmgr/ApplicationId.h"
#include "support/TesselFixture.h"

namespace kel::test {

class DatabaseTest : public TesselDispatcherTest {
protected:
    static constexpr const char* kInstance = "ALPHA\\SQL1";

    void SetUp() override {
        TesselDispatcherTest::SetUp();
        instance_ = instanceRow(kInstance, 0);
    }

    // The application id of (alpha, instance, backup set, subclient), its
    // backup set id through backupSet.
    unsigned long application(const std::string& backupSet, const std::string& subclient,
                              unsigned long* backupSetId = nullptr) {
        unsigned long appId = 0;
        EXPECT_EQ(0, admin_.createApplication(alpha_, 70, kInstance, backupSet, subclient, appId))
            << admin_.getLastError().formatLastErrorMessage();
        ApplicationId app(std::to_string(appId));
        if (backupSetId) *backupSetId = app.getBackupSet() ? app.getBackupSet()->getId() : 0;
        return appId;
    }

    // A database row of the instance; its catalogue id.
    unsigned long databaseRow(const std::string& name, int maxStreams = 1, int allowFlags = 0) {
        unsigned long id = 0;
        const unsigned long appId = application(name, "default", &id);
        EXPECT_TRUE(sql("INSERT INTO sqlDatabase(backupSetId, tesselId, sqlServerId, applicationNumber, databaseId, "
                        "databaseName, creationTime, streams, maxStreams, allowFlags, addTime, removalTime, "
                        "deleteFlag, systemFlags, logStreams) VALUES (" +
                        std::to_string(id) + ", " + std::to_string(tessel_) + ", " + std::to_string(instance_) +
                        ", " + std::to_string(appId) + ", 7, " + kel::sql::quoted(name) +
                        ", '2021-03-07 14:05:09', 1, " + std::to_string(maxStreams) + ", " +
                        std::to_string(allowFlags) + ", 1000, 0, 0, 1, 2)"));
        return id;
    }

    unsigned long instance_ = 0;
};

}  // namespace kel::test
