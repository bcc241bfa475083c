// Update object of table sqlFile.
#pragma once

#include "Db/Tbl/sqlFile.h"

class SqlFileTable : public KelDBUpdateObject<SqlFile> {
public:
    using KelDBUpdateObject::KelDBUpdateObject;
};
