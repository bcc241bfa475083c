// Update object of table sqlServer.
#pragma once

#include "Db/Tbl/sqlServer.h"

class SqlServerTable : public KelDBUpdateObject<SqlServer> {
public:
    using KelDBUpdateObject::KelDBUpdateObject;
};
