// The job manager's restore tasks: which catalogue restore task, Tessel, job
// and user stand behind a job manager's restore task id. The job manager's
// own library (KelJobMgr.dll, the Linux file libKelJobMgr.so) answers the
// lookup through its entry point at run time; the rows live in the platform's
// table APP_JobRestoreTask of the catalogue database, where installers, tests
// and the example register them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/events/KelLastError.h"

// The lookup's answer, in the job manager's own order.
struct KelJobRestoreTaskLookup_t {
    uint64_t tesselId;
    uint64_t guiSequenceNumber;
    uint64_t jobId;
    uint64_t sqlRestoreTaskId;
    uint64_t userId;
    char userName[1024];  // terminated only when shorter
};
static_assert(offsetof(KelJobRestoreTaskLookup_t, guiSequenceNumber) == 8 &&
                  offsetof(KelJobRestoreTaskLookup_t, jobId) == 16 &&
                  offsetof(KelJobRestoreTaskLookup_t, sqlRestoreTaskId) == 24 &&
                  offsetof(KelJobRestoreTaskLookup_t, userId) == 32 &&
                  offsetof(KelJobRestoreTaskLookup_t, userName) == 40 && sizeof(KelJobRestoreTaskLookup_t) == 1064,
              "KelJobRestoreTaskLookup_t layout");

// The entry point: non-zero when the task was found and result filled, 0
// when not.
extern "C" {
typedef int (*ermJobRestoreTaskLookup_t)(uint64_t taskId, KelJobRestoreTaskLookup_t* result);
}

namespace kel::jobmgr {

inline constexpr const char* kLibraryName = "KelJobMgr.dll";
inline constexpr const char* kRestoreTaskLookupEntry = "ermJobRestoreTaskLookup";

struct RestoreTaskEntry {
    uint64_t tesselId = 0;
    uint64_t guiSequenceNumber = 0;
    uint64_t jobId = 0;
    uint64_t sqlRestoreTaskId = 0;
    uint64_t userId = 0;
    std::string userName;  // at most 1024 bytes
};

// Registers a restore task of the job manager; its id through taskId. 0, or
// the application manager's error number (also in error).
int registerRestoreTask(const RestoreTaskEntry& entry, uint64_t& taskId, KelLastError& error);

// The entry point's work: true with result filled when the task exists.
bool lookupRestoreTask(uint64_t taskId, KelJobRestoreTaskLookup_t& result);

}  // namespace kel::jobmgr
