// Update object of table sqlFileGroup.
#pragma once

#include "Db/Tbl/sqlFileGroup.h"

class SqlFileGroupTable : public KelDBUpdateObject<SqlFileGroup> {
public:
    using KelDBUpdateObject::KelDBUpdateObject;
};
