// Row structs that callers keep in lists by value. Every text is copied
// within its field (a full field of the source stays terminated in the copy).
#include <cstring>

#include "Db/Cursor/sqlArchGroupDelInfo.h"
#include "Db/Tbl/sqlLSNs.h"
#include "Db/Tbl/sqlRestoreTask.h"
#include "platform/util/BoundedCopy.h"

namespace {

template <size_t N>
void copyText(char (&dst)[N], const char (&src)[N]) {
    kel::copyWholeField(dst, src);
}

}  // namespace

// Table rows copy every column of their description.
KEL_DB_ROW_ASSIGNMENT(SqlRestoreTask_t, KEL_SQLRESTORETASK_COLUMNS)
KEL_DB_ROW_ASSIGNMENT(SqlLSNs_t, KEL_SQLLSNS_COLUMNS)

SqlArchGroupDelInfo_t& SqlArchGroupDelInfo_t::operator=(const SqlArchGroupDelInfo_t& o) {
    if (this == &o) return *this;
    clientid = o.clientid;
    sqlserverid = o.sqlserverid;
    sqldatabaseid = o.sqldatabaseid;
    sqlbackupsetid = o.sqlbackupsetid;
    copyText(clienthostname, o.clienthostname);
    return *this;
}
