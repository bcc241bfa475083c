// Update object of table sqlRestoreData.
#pragma once

#include "Db/Tbl/sqlRestoreData.h"

class SqlRestoreDataTable : public KelDBUpdateObject<SqlRestoreData> {
public:
    using KelDBUpdateObject::KelDBUpdateObject;
};
