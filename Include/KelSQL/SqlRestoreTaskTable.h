// Update object of table sqlRestoreTask.
#pragma once

#include "Db/Tbl/sqlRestoreTask.h"

class SqlRestoreTaskTable : public KelDBUpdateObject<SqlRestoreTask> {
public:
    using KelDBUpdateObject::KelDBUpdateObject;
};
