// What a record family declares once about its catalogue object: the column
// table (name, token, place in the row struct), keys, identity column,
// foreign keys and the few names and numbers of the object. The type string,
// select list, binding, formatters and schema class all come from it, and for
// a table also its CREATE TABLE text (platform/db/DBTableSchema.h) and its
// row copy.
//
// A table family header (include/Db/Tbl/sqlX.h) lists its columns once:
//   #define KEL_SQLX_COLUMNS(X) X(INT, id) X(TEXT, name, 129) ...
//   struct SqlX_t { KEL_SQLX_COLUMNS(KEL_DB_FIELD) };
//   struct SqlXDesc {
//       using Row = SqlX_t;
//       static constexpr DBColumn columns[] = {KEL_SQLX_COLUMNS(KEL_DB_TABLE_COLUMN)};
//       static constexpr const char* keys[] = {"id"};
//       static constexpr KelDBForeignKey foreignKeys[] = {{"tesselId", "APP_Tessel", "id"}};
//       static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(SqlX, 0 /*identity*/, "id" /*ORDER BY*/);
//       static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY(sqlX, SqlX, "1.1.304.1", 100 /*line*/);
//   };
//   KEL_DB_TABLE_RECORD(SqlX, SqlXDesc);  // checks the family, declares SqlX_t2 and SqlX
// and joins the catalogue's tables in SQLServerClientDLL/Records/CatalogueTables.cpp.
// Cursors and procedures write their column table with KEL_DB_COLUMN, leave
// out keys and foreign keys and use the CURSOR and PROCEDURE macros; their
// setValues call formatBatch or setProcedureArguments (Db/KelDBRecord.h).
#pragma once

#include <cstddef>

#include "platform/db/DBColumnLayout.h"
#include "platform/db/DBTableSchema.h"
#include "platform/db/DBtable.h"
#include "platform/util/BoundedCopy.h"

using KelDBForeignKey = DBForeignKey;

// A table's column list names each column with its kind:
//   X(INT, name)       int32_t                 "i"
//   X(TEXT, name, N)   char[N]                 "sN"  compares as KELTEXT
//   X(LSN, name, N)    char[N], an LSN         "sN"  compares as a number (KELLSN)
//   X(UTEXT, name, N)  char[N]                 "uN"  compares as KELTEXT
//   X(OWNED, name)     char* the row owns      "u"   compares as KELTEXT, unsized
//   X(TIME, name)      DB_DATETIME             "t"
// N counts the NUL. The list expands into the row struct's fields
// (KEL_DB_FIELD), the column table (KEL_DB_TABLE_COLUMN, inside a description
// whose Row is the struct) and the row copy (KEL_DB_ROW_ASSIGNMENT).
#define KEL_DB_FIELD(kind, ...) KEL_DB_FIELD_##kind(__VA_ARGS__)
#define KEL_DB_FIELD_INT(name) int32_t name = 0;
#define KEL_DB_FIELD_TEXT(name, n) char name[n] = {};
#define KEL_DB_FIELD_LSN(name, n) char name[n] = {};
#define KEL_DB_FIELD_UTEXT(name, n) char name[n] = {};
#define KEL_DB_FIELD_OWNED(name) char* name = nullptr;
#define KEL_DB_FIELD_TIME(name) DB_DATETIME name;

#define KEL_DB_TABLE_COLUMN(kind, ...) KEL_DB_TABLE_COLUMN_##kind(__VA_ARGS__),
#define KEL_DB_TABLE_COLUMN_INT(name) KEL_DB_COLUMN(Row, name, "i")
#define KEL_DB_TABLE_COLUMN_TEXT(name, n) KEL_DB_COLUMN_COLLATED(Row, name, "s" #n, "KELTEXT")
#define KEL_DB_TABLE_COLUMN_LSN(name, n) KEL_DB_COLUMN_COLLATED(Row, name, "s" #n, "KELLSN")
#define KEL_DB_TABLE_COLUMN_UTEXT(name, n) KEL_DB_COLUMN_COLLATED(Row, name, "u" #n, "KELTEXT")
#define KEL_DB_TABLE_COLUMN_OWNED(name) KEL_DB_COLUMN_COLLATED(Row, name, "u", "KELTEXT")
#define KEL_DB_TABLE_COLUMN_TIME(name) KEL_DB_COLUMN(Row, name, "t")

// Row::operator= for a row that callers keep by value: every column of the
// list is copied, a text bounded by its field (a full field stays
// terminated). A row that owns a text has no copy: OWNED has no assignment.
#define KEL_DB_ROW_ASSIGNMENT(Row, COLUMNS)           \
    Row& Row::operator=(const Row& other) {           \
        if (this != &other) { COLUMNS(KEL_DB_ASSIGN) } \
        return *this;                                 \
    }
#define KEL_DB_ASSIGN(kind, ...) KEL_DB_ASSIGN_##kind(__VA_ARGS__)
#define KEL_DB_ASSIGN_INT(name) name = other.name;
#define KEL_DB_ASSIGN_TIME(name) name = other.name;
#define KEL_DB_ASSIGN_TEXT(name, n) kel::copyWholeField(name, other.name);
#define KEL_DB_ASSIGN_LSN(name, n) kel::copyWholeField(name, other.name);
#define KEL_DB_ASSIGN_UTEXT(name, n) kel::copyWholeField(name, other.name);

struct KelDBFamily {
    const char* object;          // catalogue object: "sqlFileGroup"
    const char* stem;            // class stem: "SqlFileGroup"
    const DBColumnLayout* layout;
    const KelDBForeignKey* foreignKeys;
    int foreignKeyCount;
    const char* revision;        // header revision of a table, else null
    const char* header;          // generated header, for the registration log
    int line;                    // the constructor's line in it
    const char* procedureCode;   // 20 characters for a procedure, else null
    size_t rowSize;              // sizeof the row struct
};

template <typename T, size_t N>
constexpr int kelCount(const T (&)[N]) {
    return int(N);
}

// The byte width a type token asks of its row-struct field; 0 for a token
// that is not one.
constexpr size_t kelDBTokenWidth(const char* token) {
    if (!token || !token[0]) return 0;
    if (token[1] == '\0') {
        switch (token[0]) {
        case 'i': return 4;
        case 'b': case 'x': return 8;
        case 't': return sizeof(DB_DATETIME);
        case 'u': return sizeof(char*);
        default: return 0;
        }
    }
    if (token[0] != 's' && token[0] != 'u') return 0;
    size_t n = 0;
    for (const char* p = token + 1; *p; ++p) {
        if (*p < '0' || *p > '9') return 0;
        n = n * 10 + size_t(*p - '0');
    }
    return n;
}

constexpr bool kelDBSameName(const char* a, const char* b) {
    while (*a && *a == *b) ++a, ++b;
    return *a == *b;
}

constexpr int kelDBColumnIndex(const DBColumnLayout& layout, const char* name) {
    for (int i = 0; i < layout.columnCount; ++i)
        if (kelDBSameName(layout.columns[i].name, name)) return i;
    return -1;
}

// Every field as wide as its token, in column order without overlap, inside
// the row; keys, identity and foreign keys name columns of the family.
constexpr bool kelDBFamilyIsSound(const KelDBFamily& f) {
    const DBColumnLayout& l = *f.layout;
    size_t end = 0;
    for (int i = 0; i < l.columnCount; ++i) {
        const DBColumn& c = l.columns[i];
        if (kelDBTokenWidth(c.token) == 0 || kelDBTokenWidth(c.token) != c.size) return false;
        if (c.offset < end) return false;
        end = c.offset + c.size;
    }
    if (end > f.rowSize) return false;
    for (int k = 0; k < l.keyCount; ++k)
        if (kelDBColumnIndex(l, l.keyColumns[k]) < 0) return false;
    if (l.identityColumn >= l.columnCount) return false;
    if (l.identityColumn >= 0 && !(l.columns[l.identityColumn].token[0] == 'i')) return false;
    for (int k = 0; k < f.foreignKeyCount; ++k)
        if (kelDBColumnIndex(l, f.foreignKeys[k].localColumn) < 0) return false;
    if (l.kind != DBKindTable && (l.keyCount != 0 || l.identityColumn != -1 || f.foreignKeyCount != 0))
        return false;
    if ((l.kind == DBKindProcedure) != (f.procedureCode != nullptr)) return false;
    if (f.procedureCode) {
        int length = 0;
        while (f.procedureCode[length]) ++length;
        if (length > 20) return false;
    }
    return true;
}

#define KEL_DB_CHECK_FAMILY(Desc) \
    static_assert(kelDBFamilyIsSound(Desc::family), #Desc ": column table disagrees with its row struct")

// The schema class Stem_t2 and the record class Stem of a table family whose
// record adds nothing of its own.
#define KEL_DB_TABLE_RECORD(Stem, Desc)                    \
    KEL_DB_CHECK_FAMILY(Desc);                             \
    class Stem##_t2 : public KelDBSchema<Desc> {};         \
    class Stem : public KelDBRecord<Desc, Stem##_t2> {     \
    public:                                                \
        using KelDBRecord::KelDBRecord;                    \
    }

// Layouts of the three kinds; Stem is the class stem, as in the description.
#define KEL_DB_TABLE_LAYOUT(Stem, identity, orderBy)                                              \
    DBColumnLayout {                                                                               \
        columns, kelCount(columns), keys, kelCount(keys), identity, orderBy, DBKindTable, "Table " #Stem \
    }
#define KEL_DB_CURSOR_LAYOUT(Stem) \
    DBColumnLayout { columns, kelCount(columns), nullptr, 0, -1, nullptr, DBKindCursor, "Cursor " #Stem }
#define KEL_DB_PROCEDURE_LAYOUT(Stem) \
    DBColumnLayout { columns, kelCount(columns), nullptr, 0, -1, nullptr, DBKindProcedure, "Procedure " #Stem }

#define KEL_DB_TABLE_FAMILY(object, Stem, revision, line)                                            \
    KelDBFamily {                                                                                    \
        #object, #Stem, &layout, foreignKeys, kelCount(foreignKeys), revision, "include/Db/Tbl/" #object, \
            line, nullptr, sizeof(Row)                                                               \
    }
// A table without foreign keys.
#define KEL_DB_TABLE_FAMILY_NOFK(object, Stem, revision, line)                                           \
    KelDBFamily {                                                                                        \
        #object, #Stem, &layout, nullptr, 0, revision, "include/Db/Tbl/" #object, line, nullptr, sizeof(Row) \
    }
// What the catalogue is created with for a table family.
#define KEL_DB_TABLE_SCHEMA(Desc) \
    DBTableSchema { Desc::family.object, Desc::family.layout, Desc::family.foreignKeys, Desc::family.foreignKeyCount }
#define KEL_DB_CURSOR_FAMILY(object, Stem, line) \
    KelDBFamily { #object, #Stem, &layout, nullptr, 0, nullptr, "include/Db/Cursor/" #object, line, nullptr, sizeof(Row) }
#define KEL_DB_PROCEDURE_FAMILY(object, Stem, code, line) \
    KelDBFamily { #object, #Stem, &layout, nullptr, 0, nullptr, "include/Db/Proc/" #object, line, code, sizeof(Row) }
