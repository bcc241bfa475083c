// Update object of table sqlDatabase.
#pragma once

#include "Db/Tbl/sqlDatabase.h"

class SqlDatabaseTable : public KelDBUpdateObject<SqlDatabase> {
public:
    using KelDBUpdateObject::KelDBUpdateObject;
};
