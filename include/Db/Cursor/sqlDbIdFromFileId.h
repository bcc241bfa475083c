// Cursor sqlDbIdFromFileId: the database a file belongs to.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct SqlDbIdFromFileId_t {
    int32_t sqldbid = 0;
};

struct SqlDbIdFromFileIdDesc {
    using Row = SqlDbIdFromFileId_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, sqldbid, "i"),
    };
    static constexpr DBColumnLayout layout = KEL_DB_CURSOR_LAYOUT(SqlDbIdFromFileId);
    static constexpr KelDBFamily family = KEL_DB_CURSOR_FAMILY(sqlDbIdFromFileId, SqlDbIdFromFileId, 351);
};
KEL_DB_CHECK_FAMILY(SqlDbIdFromFileIdDesc);

class SqlDbIdFromFileId_t2 : public KelDBSchema<SqlDbIdFromFileIdDesc> {};

class SqlDbIdFromFileId : public KelDBRecord<SqlDbIdFromFileIdDesc, SqlDbIdFromFileId_t2> {
public:
    using KelDBRecord::KelDBRecord;
    int setValues(int infileId) {
        return formatBatch(
            "SET NOCOUNT ON \n declare @infileId integer \n set @infileId = %d \n"
            " select SqlFileGroup.sqlDatabaseId from SqlFileGroup, SqlFile \n"
            "\twhere SqlFile.id = @infileId and SqlFile.sqlFileGroupId = SqlFileGroup.id \n\tSET NOCOUNT OFF",
            infileId);
    }
};
