// How a record tells the database library the shape of its row struct: one
// entry per column in column order, with the field's place in the struct. The
// library builds its statements from this and binds each field by its token.
#pragma once

#include <cstddef>

// Column type tokens (as in a record's type string):
//   i     int32_t              b/x  int64_t
//   t     DB_DATETIME          sN/uN char[N], N counting the NUL
//   u     char*: the library allocates it with new[] when it fetches a value
//         (releasing the earlier one first); the row struct owns it and
//         releases it with delete[].
struct DBColumn {
    const char* name;
    const char* token;
    size_t offset;  // offsetof(row struct, field)
    size_t size;    // sizeof(field)
    // The collation a catalogue table's text column compares with (KELTEXT,
    // KELLSN); null where the layout creates no table.
    const char* collation;
};

enum DBObjectKind { DBKindTable = 1, DBKindProcedure = 2, DBKindCursor = 3 };

struct DBColumnLayout {
    const DBColumn* columns;
    int columnCount;
    const char* const* keyColumns;  // key columns in key order (tables)
    int keyCount;
    int identityColumn;  // index of the identity column, -1 for none
    const char* orderBy;  // ORDER BY key of a table, null for none
    int kind;             // DBObjectKind
    const char* describe; // "Table SqlFileGroup"
};

#define KEL_DB_COLUMN(Row, field, token) KEL_DB_COLUMN_COLLATED(Row, field, token, nullptr)
#define KEL_DB_COLUMN_COLLATED(Row, field, token, collation) \
    DBColumn { #field, token, offsetof(Row, field), sizeof(((Row*)nullptr)->field), collation }
