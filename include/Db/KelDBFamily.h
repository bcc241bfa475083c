// What a record family declares once about its catalogue object: the column
// table (name, token, place in the row struct), keys, identity column,
// foreign keys and the few names and numbers of the object. The type string,
// select list, binding, formatters and schema class all come from it.
//
// A table family header (include/Db/Tbl/sqlX.h) reads:
//   struct SqlX_t { ... one field per column, in column order ... };
//   struct SqlXDesc {
//       using Row = SqlX_t;
//       static constexpr DBColumn columns[] = { KEL_DB_COLUMN(Row, id, "i"), ... };
//       static constexpr const char* keys[] = {"id"};
//       static constexpr KelDBForeignKey foreignKeys[] = {{"tesselId", "APP_Tessel", "id"}};
//       static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(SqlX, 0 /*identity*/, "id" /*ORDER BY*/);
//       static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY(sqlX, SqlX, "1.1.304.1", 100 /*line*/);
//   };
//   KEL_DB_CHECK_FAMILY(SqlXDesc);
//   class SqlX_t2 : public KelDBSchema<SqlXDesc> {};
//   class SqlX : public KelDBRecord<SqlXDesc, SqlX_t2> { public: using KelDBRecord::KelDBRecord; };
// Cursors and procedures leave out keys and foreign keys and use the CURSOR
// and PROCEDURE macros; their setValues call formatBatch or
// setProcedureArguments (Db/KelDBRecord.h).
#pragma once

#include <cstddef>

#include "platform/db/DBColumnLayout.h"
#include "platform/db/DBtable.h"

struct KelDBForeignKey {
    const char* localColumn;
    const char* remoteTable;
    const char* remoteColumn;
};

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
    return true;
}

#define KEL_DB_CHECK_FAMILY(Desc) \
    static_assert(kelDBFamilyIsSound(Desc::family), #Desc ": column table disagrees with its row struct")

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
#define KEL_DB_CURSOR_FAMILY(object, Stem, line) \
    KelDBFamily { #object, #Stem, &layout, nullptr, 0, nullptr, "include/Db/Cursor/" #object, line, nullptr, sizeof(Row) }
#define KEL_DB_PROCEDURE_FAMILY(object, Stem, code, line) \
    KelDBFamily { #object, #Stem, &layout, nullptr, 0, nullptr, "include/Db/Proc/" #object, line, code, sizeof(Row) }
