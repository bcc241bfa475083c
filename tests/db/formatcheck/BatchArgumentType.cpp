// Compiled by the FormatCheck tests, never linked or run: a cursor's batch
// is checked against its arguments, so a 64-bit id given to the batch's %d
// fails the build unless it is cast to the type the format names.
#include <cstdint>

#include "Db/Cursor/sqlBackupFileLogUpdate.h"

#ifndef KEL_ID
#error "KEL_ID(id) is the id as the caller passes it"
#endif

class LogUpdateOf64BitIds : public SqlBackupFileLogUpdate {
public:
    using SqlBackupFileLogUpdate::SqlBackupFileLogUpdate;
    int setIds(int64_t tesselId, int64_t databaseId, int64_t backupSetId) {
        return formatBatch(kBatch, KEL_ID(tesselId), int(databaseId), int(backupSetId));
    }
};
