// Cursor sqlFileGroupList: the file groups of a database as trimmed names
// with their row ids, in name order; removed and deleted groups included.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct SqlFileGroupList_t {
    char fgname[129] = {};
    int32_t sqlfgid = 0;
};

struct SqlFileGroupListDesc {
    using Row = SqlFileGroupList_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, fgname, "s129"),
        KEL_DB_COLUMN(Row, sqlfgid, "i"),
    };
    static constexpr DBColumnLayout layout = KEL_DB_CURSOR_LAYOUT(SqlFileGroupList);
    static constexpr KelDBFamily family = KEL_DB_CURSOR_FAMILY(sqlFileGroupList, SqlFileGroupList, 363);
};
KEL_DB_CHECK_FAMILY(SqlFileGroupListDesc);

class SqlFileGroupList_t2 : public KelDBSchema<SqlFileGroupListDesc> {};

class SqlFileGroupList : public KelDBRecord<SqlFileGroupListDesc, SqlFileGroupList_t2> {
public:
    using KelDBRecord::KelDBRecord;
    int setValues(int indbid) {
        return formatBatch(
            "SET NOCOUNT ON \n declare @indbid integer \n set @indbid = %d \n"
            " select RTRIM(fileGroupName), id from sqlFileGroup \n \twhere sqlDatabaseId = @indbid \n"
            " \torder by fileGroupName ASC \n\tSET NOCOUNT OFF",
            indbid);
    }
};
