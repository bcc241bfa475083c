// The job manager's library: its one entry point, loaded by the Ostrel's
// handler at run time.
#include "platform/jobmgr/KelJobMgr.h"

extern "C" __attribute__((visibility("default"))) int ermJobRestoreTaskLookup(uint64_t taskId,
                                                                                KelJobRestoreTaskLookup_t* result) {
    try {
        return result && kel::jobmgr::lookupRestoreTask(taskId, *result) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}
