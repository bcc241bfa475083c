// Update object of table sqlFileSubClientGroup.
#pragma once

#include "Db/Tbl/sqlFileSubClientGroup.h"

class SqlFileSubClientGroupTable : public KelDBUpdateObject<SqlFileSubClientGroup> {
public:
    using KelDBUpdateObject::KelDBUpdateObject;
};
