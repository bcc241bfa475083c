// The CREATE TABLE text of a table description: only plain identifiers and
// the column types the catalogue stores ever reach it.
#include <gtest/gtest.h>

#include <string>

#include "platform/db/DBTableSchema.h"

namespace {

struct Row {
    int id;
    char name[9];
};

struct Case {
    const char* what;
    const char* table;
    const char* column;
    const char* token;
    const char* collation;
    const char* remoteTable;
};

TEST(TableSchemaTest, RefusesWhatIsNotAnIdentifierOrAStoredType) {
    const Case cases[] = {
        {"plain", "item", "name", "s9", "KELTEXT", "other"},
        {"table name", "item; DROP TABLE x", "name", "s9", "KELTEXT", "other"},
        {"column name", "item", "na me", "s9", "KELTEXT", "other"},
        {"collation", "item", "name", "s9", "KELTEXT'", "other"},
        {"foreign table", "item", "name", "s9", "KELTEXT", "other (id), x"},
        {"64-bit column", "item", "name", "b", nullptr, "other"},
        {"text without room", "item", "name", "s1", "KELTEXT", "other"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const DBColumn columns[] = {KEL_DB_COLUMN(Row, id, "i"), {c.column, c.token, offsetof(Row, name), 9, c.collation}};
        const char* keys[] = {"id", "name"};
        const DBColumnLayout layout{columns, 2, keys, 2, 0, "id", DBKindTable, "Table Item"};
        const DBForeignKey fk{"id", c.remoteTable, "id"};
        std::string sql, error;
        const bool made = DBcreateTableSql(DBTableSchema{c.table, &layout, &fk, 1}, sql, error);
        if (&c == &cases[0]) {
            ASSERT_TRUE(made) << error;
            EXPECT_EQ("CREATE TABLE IF NOT EXISTS item (\n"
                      "    id INTEGER NOT NULL CHECK (id BETWEEN -2147483648 AND 2147483647),\n"
                      "    name TEXT COLLATE KELTEXT CHECK (length(CAST(name AS BLOB)) <= 8),\n"
                      "    PRIMARY KEY (id, name),\n"
                      "    FOREIGN KEY (id) REFERENCES other (id)\n"
                      ");\n",
                      sql);
        } else {
            EXPECT_FALSE(made);
            EXPECT_FALSE(error.empty());
        }
    }
}

}  // namespace
