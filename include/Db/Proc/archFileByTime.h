// Procedure archFileByTime: the archive file of an application's backup at a
// point in time, as its first row. Ten integer arguments, passed positionally.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct ArchFileByTime_t {
    int32_t r_afileId = 0;
    int32_t r_tesselId = 0;
    int32_t r_agroupId = 0;
    int32_t r_copyId = 0;
    int32_t r_fileType = 0;
    int32_t r_createTime = 0;
    int32_t r_jobId = 0;
    int32_t r_backupLevel = 0;
    int64_t r_physicalSize = 0;
    int64_t r_logicalSize = 0;
};

struct ArchFileByTimeDesc {
    using Row = ArchFileByTime_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, r_afileId, "i"),      KEL_DB_COLUMN(Row, r_tesselId, "i"),
        KEL_DB_COLUMN(Row, r_agroupId, "i"),     KEL_DB_COLUMN(Row, r_copyId, "i"),
        KEL_DB_COLUMN(Row, r_fileType, "i"),     KEL_DB_COLUMN(Row, r_createTime, "i"),
        KEL_DB_COLUMN(Row, r_jobId, "i"),        KEL_DB_COLUMN(Row, r_backupLevel, "i"),
        KEL_DB_COLUMN(Row, r_physicalSize, "b"), KEL_DB_COLUMN(Row, r_logicalSize, "b"),
    };
    static constexpr DBColumnLayout layout = KEL_DB_PROCEDURE_LAYOUT(ArchFileByTime);
    static constexpr KelDBFamily family =
        KEL_DB_PROCEDURE_FAMILY(archFileByTime, ArchFileByTime, "00010018005400060000", 482);
};
KEL_DB_CHECK_FAMILY(ArchFileByTimeDesc);

class ArchFileByTime_t2 : public KelDBSchema<ArchFileByTimeDesc> {};

class ArchFileByTime : public KelDBRecord<ArchFileByTimeDesc, ArchFileByTime_t2> {
public:
    using KelDBRecord::KelDBRecord;
    int setValues(int a1, int a2, int a3, int a4, int a5, int a6, int a7, int a8, int a9, int a10) {
        return setProcedureArguments({a1, a2, a3, a4, a5, a6, a7, a8, a9, a10});
    }
    int setKelDBValues(KelDB_int* a1, KelDB_int* a2, KelDB_int* a3, KelDB_int* a4, KelDB_int* a5,
                       KelDB_int* a6, KelDB_int* a7, KelDB_int* a8, KelDB_int* a9, KelDB_int* a10) {
        return bindProcedureValues({a1, a2, a3, a4, a5, a6, a7, a8, a9, a10});
    }
};
