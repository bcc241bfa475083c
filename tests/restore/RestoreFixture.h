// The shared Tessel with a real Ostrel dispatcher and alpha's instances in
// the application manager and the catalogue, each database an application id
// with its sqlDatabase row, and restore tasks stored on an Ostrel-side
// context.
#pragma once

#include <string>

#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLRestoreTask.h"
#include "platform/appmgr/ApplicationId.h"
#include "support/TesselFixture.h"

namespace kel::test {

class RestoreTest : public TesselDispatcherTest {
protected:
    void SetUp() override {
        TesselDispatcherTest::SetUp();
        instance_ = instanceOfType(70, "ALPHA\\SQL1");
        database_ = databaseRow(70, "ALPHA\\SQL1", instance_, "pubs");
        ASSERT_TRUE(sql("INSERT INTO sqlVersion (id, tesselId, type, major, minor, build) VALUES (1, " +
                        std::to_string(tessel_) + ", 1, 9, 0, 1399)"));
    }

    // An instance of alpha of the type with its sqlServer row.
    unsigned long instanceOfType(unsigned long type, const std::string& name) {
        const unsigned long id = instance(alpha_, type, name);
        EXPECT_TRUE(sql("INSERT INTO sqlServer(instanceId, tesselId, serverName, flags, clientId) VALUES (" +
                        std::to_string(id) + ", " + std::to_string(tessel_) + ", " + kel::sql::quoted(name) +
                        ", 0, " + std::to_string(alpha_) + ")"));
        return id;
    }

    // A database of the instance: its backup set id; its subclient through appId.
    unsigned long databaseRow(unsigned long type, const std::string& instanceName, unsigned long instanceId,
                              const std::string& name, unsigned long* appId = nullptr) {
        unsigned long app = 0;
        EXPECT_EQ(0, admin_.createApplication(alpha_, type, instanceName, name, "default", app));
        ApplicationId registered(std::to_string(app));
        const unsigned long id = registered.getBackupSet() ? registered.getBackupSet()->getId() : 0;
        EXPECT_TRUE(sql("INSERT INTO sqlDatabase(backupSetId, tesselId, sqlServerId, applicationNumber, databaseId, "
                        "databaseName, streams, maxStreams, allowFlags, deleteFlag) VALUES (" +
                        std::to_string(id) + ", " + std::to_string(tessel_) + ", " + std::to_string(instanceId) +
                        ", " + std::to_string(app) + ", 5, " + kel::sql::quoted(name) + ", 1, 1, 256, 0)"));
        if (appId) *appId = app;
        return id;
    }

    unsigned long backupSetRow(const std::string& name) {
        EXPECT_TRUE(sql("INSERT INTO sqlBackupSet (tesselId, sqlDatabaseId, sqlVersionId, mtfVersionId, name) "
                        "VALUES (" + std::to_string(tessel_) + ", " + std::to_string(database_) + ", 1, 1, " +
                        kel::sql::quoted(name) + ")"));
        const unsigned long id = static_cast<unsigned long>(scalar("SELECT max(id) FROM sqlBackupSet"));
        // A backup set is whole with its LSN row.
        EXPECT_TRUE(sql("INSERT INTO sqlLSNs (sqlBackupSetId, tesselId, sqlDatabaseId, finishTime, backupType) "
                        "VALUES (" + std::to_string(id) + ", " + std::to_string(tessel_) + ", " +
                        std::to_string(database_) + ", '2021-03-07 14:05:09', 1)"));
        return id;
    }

    // A task of the database stored through the record; its id (0 on failure).
    unsigned long storeTask(KelSQLClassProperties& ostrel, KelSQLRestoreTask& task) {
        task.setSqlDatabaseId(task.sqlDatabaseId() ? task.sqlDatabaseId() : database_);
        task.setSqlServerId(task.sqlServerId() ? task.sqlServerId() : instance_);
        if (task.databaseName().empty()) task.setDatabaseName("pubs");
        const bool own = !ostrel.isTransactionStarted();
        if (own) {
            EXPECT_TRUE(ostrel.startTransaction());
        }
        const bool ok = task.insert();
        if (own) {
            EXPECT_TRUE(ok ? ostrel.commitTransaction() : ostrel.rollBackTransaction());
        }
        return ok ? task.sqlRestoreTaskId() : 0;
    }

    long long column(const std::string& name, unsigned long taskId) {
        return scalar("SELECT " + name + " FROM sqlRestoreTask WHERE id = " + std::to_string(taskId));
    }

    unsigned long instance_ = 0;
    unsigned long database_ = 0;
};

}  // namespace kel::test
