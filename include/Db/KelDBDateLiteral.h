// What the point-in-time cursor batches share: their opening declarations.
// "set @dt = %s" takes kel::sql::dateLiteral(dt), so only one ODBC timestamp
// literal goes in unchanged and anything else as a quoted text.
#pragma once

#include "platform/db/SqlText.h"

// The point-in-time cursors answer with one fixed id or nothing, so they
// select top 1 rather than distinct: the engine stops at the first match
// instead of reading every qualifying backup of the history.
// The opening every point-in-time batch shares: @id, @dt and @ut from its
// first three parameters.
#define KEL_DB_AT_TIME_DECLARES                                                                      \
    "SET NOCOUNT ON \n declare @id integer \n set @id = %d \n declare @dt datetime \n set @dt = %s \n" \
    " declare @ut integer \n set @ut = %d \n"

// The 2K cursors' type filter after @ut: @type from the fourth parameter,
// and with it set the differential types 71 and 73 left out as well.
#define KEL_DB_2K_TYPE_DECLARES                                                                        \
    " declare @type integer \n set @type = %d \n declare @type2 integer \n set @type2 = 0 \n"            \
    " declare @type3 integer \n set @type3 = 0 \n IF @type != 0 \n BEGIN \n set @type2 = 71 \n set @type3 = 73 \n END \n"
