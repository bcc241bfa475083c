// Update object of table sqlFileSubClient.
#pragma once

#include "Db/Tbl/sqlFileSubClient.h"

class SqlFileSubClientTable : public KelDBUpdateObject<SqlFileSubClient> {
public:
    using KelDBUpdateObject::KelDBUpdateObject;
};
