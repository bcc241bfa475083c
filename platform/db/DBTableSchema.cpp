#include "platform/db/DBTableSchema.h"

#include <cctype>

namespace {

bool isIdentifier(const char* name) {
    if (!name || !(std::isalpha(static_cast<unsigned char>(*name)) || *name == '_')) return false;
    for (const char* p = name; *p; ++p)
        if (!std::isalnum(static_cast<unsigned char>(*p)) && *p != '_') return false;
    return true;
}

// The text bound of an "sN"/"uN" token: N less the NUL; -1 for an unsized
// "u" text, 0 for anything else.
long textBound(const char* token) {
    if (token[0] != 's' && token[0] != 'u') return 0;
    if (token[1] == '\0') return token[0] == 'u' ? -1 : 0;
    long n = 0;
    for (const char* p = token + 1; *p; ++p) {
        if (!std::isdigit(static_cast<unsigned char>(*p)) || n > 1000000) return 0;
        n = n * 10 + (*p - '0');
    }
    return n > 1 ? n - 1 : 0;
}

bool soleKeyIsIdentity(const DBColumnLayout& l) {
    return l.identityColumn >= 0 && l.keyCount == 1 &&
           std::string(l.keyColumns[0]) == l.columns[l.identityColumn].name;
}

bool columnSql(const DBColumnLayout& l, int i, std::string& out, std::string& error) {
    const DBColumn& c = l.columns[i];
    const std::string name = c.name;
    if (!isIdentifier(c.name) || (c.collation && !isIdentifier(c.collation))) {
        error = "column name or collation is not an identifier: " + name;
        return false;
    }
    out = name;
    if (c.token[0] == 'i' && c.token[1] == '\0') {
        out += " INTEGER";
        if (i == l.identityColumn) {
            // SQLite numbers only a sole INTEGER PRIMARY KEY itself; an
            // identity inside a longer key is assigned elsewhere and never empty.
            out += soleKeyIsIdentity(l) ? " PRIMARY KEY AUTOINCREMENT" : " NOT NULL";
        }
        out += " CHECK (" + name + " BETWEEN -2147483648 AND 2147483647)";
        return true;
    }
    if (c.token[0] == 't' && c.token[1] == '\0') {
        out += " TEXT CHECK (" + name + " IS NULL OR (" + name +
               " GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]' AND " + name +
               " <> '0000-00-00 00:00:00'))";
        return true;
    }
    long bound = textBound(c.token);
    if (bound == 0) {
        error = "column " + name + " has a type the catalogue does not store: " + c.token;
        return false;
    }
    out += " TEXT";
    if (c.collation) out += std::string(" COLLATE ") + c.collation;
    if (bound > 0) out += " CHECK (length(CAST(" + name + " AS BLOB)) <= " + std::to_string(bound) + ")";
    return true;
}

}  // namespace

bool DBcreateTableSql(const DBTableSchema& table, std::string& sql, std::string& error) {
    const DBColumnLayout& l = *table.layout;
    if (!isIdentifier(table.name) || l.kind != DBKindTable || l.columnCount == 0) {
        error = std::string("not a table description: ") + (table.name ? table.name : "(null)");
        return false;
    }
    std::string body;
    auto line = [&body](const std::string& text) { body += (body.empty() ? "    " : ",\n    ") + text; };
    for (int i = 0; i < l.columnCount; ++i) {
        std::string column;
        if (!columnSql(l, i, column, error)) return false;
        line(column);
    }
    if (l.keyCount > 0 && !soleKeyIsIdentity(l)) {
        std::string keys;
        for (int k = 0; k < l.keyCount; ++k) {
            if (!isIdentifier(l.keyColumns[k])) {
                error = std::string("key is not an identifier in ") + table.name;
                return false;
            }
            keys += (k ? ", " : "") + std::string(l.keyColumns[k]);
        }
        line("PRIMARY KEY (" + keys + ")");
    }
    for (int k = 0; k < table.foreignKeyCount; ++k) {
        const DBForeignKey& fk = table.foreignKeys[k];
        if (!isIdentifier(fk.localColumn) || !isIdentifier(fk.remoteTable) || !isIdentifier(fk.remoteColumn)) {
            error = std::string("foreign key is not made of identifiers in ") + table.name;
            return false;
        }
        line(std::string("FOREIGN KEY (") + fk.localColumn + ") REFERENCES " + fk.remoteTable + " (" +
             fk.remoteColumn + ")");
    }
    sql = std::string("CREATE TABLE IF NOT EXISTS ") + table.name + " (\n" + body + "\n);\n";
    return true;
}
