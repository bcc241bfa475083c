#include "platform/jobmgr/KelJobMgr.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include <sqlite3.h>

#include "platform/appmgr/AppStore.h"

namespace kel::jobmgr {

using appmgr::AppConnection;
using appmgr::AppStatement;

int registerRestoreTask(const RestoreTaskEntry& entry, uint64_t& taskId, KelLastError& error) {
    static const char* const kSignature = "kel::jobmgr::registerRestoreTask()";
    AppConnection connection;
    error.clear();
    sqlite3* db = connection.db(nullptr, error, kSignature);
    if (!db) return static_cast<int>(error.number());
    AppStatement insert(db,
                        "INSERT INTO APP_JobRestoreTask (tesselId, guiSequenceNumber, jobId, sqlRestoreTaskId, userId, "
                        "userName) VALUES (?, ?, ?, ?, ?, ?)");
    insert.bind(static_cast<long long>(entry.tesselId)).bind(static_cast<long long>(entry.guiSequenceNumber));
    insert.bind(static_cast<long long>(entry.jobId)).bind(static_cast<long long>(entry.sqlRestoreTaskId));
    insert.bind(static_cast<long long>(entry.userId)).bind(entry.userName);
    if (insert.step() != 100) return appmgr::appDbFail(error, kSignature, insert);
    taskId = static_cast<uint64_t>(sqlite3_last_insert_rowid(db));
    return 0;
}

bool lookupRestoreTask(uint64_t taskId, KelJobRestoreTaskLookup_t& result) {
    AppConnection connection;
    KelLastError error;
    sqlite3* db = connection.db(nullptr, error, "ermJobRestoreTaskLookup");
    if (!db || taskId > INT64_MAX) return false;
    AppStatement select(db,
                        "SELECT tesselId, guiSequenceNumber, jobId, sqlRestoreTaskId, userId, userName "
                        "FROM APP_JobRestoreTask WHERE id = ?");
    if (select.bind(static_cast<long long>(taskId)).step() != 0) return false;
    std::memset(&result, 0, sizeof result);
    result.tesselId = static_cast<uint64_t>(select.integer(0));
    result.guiSequenceNumber = static_cast<uint64_t>(select.integer(1));
    result.jobId = static_cast<uint64_t>(select.integer(2));
    result.sqlRestoreTaskId = static_cast<uint64_t>(select.integer(3));
    result.userId = static_cast<uint64_t>(select.integer(4));
    // The job manager's field holds a name of its full width unterminated.
    const std::string name = select.text(5);
    std::memcpy(result.userName, name.data(), std::min(name.size(), sizeof result.userName));
    return true;
}

}  // namespace kel::jobmgr
