// A catalogue table as the record families describe it, and the CREATE TABLE
// text the catalogue is made with. The record layer and the schema share one
// description, so a column exists in both or in neither.
#pragma once

#include <string>

#include "platform/db/DBColumnLayout.h"

struct DBForeignKey {
    const char* localColumn;
    const char* remoteTable;
    const char* remoteColumn;
};

struct DBTableSchema {
    const char* name;
    const DBColumnLayout* layout;  // a table layout: columns, key, identity
    const DBForeignKey* foreignKeys;
    int foreignKeyCount;
};

// Writes "CREATE TABLE IF NOT EXISTS ..." for table into sql. Every column
// keeps its type's bounds as CHECKs (32-bit integers, texts no longer than
// their field less the NUL, stored date form), texts their collation; the
// identity column that is the whole key is AUTOINCREMENT. False with error
// set for a name that is not a plain identifier or a token the catalogue does
// not store.
bool DBcreateTableSql(const DBTableSchema& table, std::string& sql, std::string& error);

// The catalogue library's tables in creation order; it defines both.
extern const DBTableSchema kKelCatalogueTables[];
extern const int kKelCatalogueTableCount;
