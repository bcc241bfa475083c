// Cursor sqlFileList: the files of a file group as trimmed logical names with
// their row ids, in name order; removed and deleted files included.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct SqlFileList_t {
    char filename[129] = {};
    int32_t sqlfileid = 0;
};

struct SqlFileListDesc {
    using Row = SqlFileList_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, filename, "s129"),
        KEL_DB_COLUMN(Row, sqlfileid, "i"),
    };
    static constexpr DBColumnLayout layout = KEL_DB_CURSOR_LAYOUT(SqlFileList);
    static constexpr KelDBFamily family = KEL_DB_CURSOR_FAMILY(sqlFileList, SqlFileList, 363);
};
KEL_DB_CHECK_FAMILY(SqlFileListDesc);

class SqlFileList_t2 : public KelDBSchema<SqlFileListDesc> {};

class SqlFileList : public KelDBRecord<SqlFileListDesc, SqlFileList_t2> {
public:
    using KelDBRecord::KelDBRecord;
    int setValues(int infgid) {
        return formatBatch(
            "SET NOCOUNT ON \n declare @infgid integer \n set @infgid = %d \n"
            " select RTRIM(logicalName), id from sqlFile \n \twhere sqlFileGroupId = @infgid \n"
            " \torder by logicalName ASC \n\tSET NOCOUNT OFF",
            infgid);
    }
};
