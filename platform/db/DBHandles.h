// What a record or store holds of the engine without seeing it: a pooled
// connection handle and the literals lifted out of a statement text. Kept
// apart from DBEngine.h so that the installed record headers name no engine.
#pragma once

#include <memory>
#include <string>

class DBConnection;

// Hands a connection back to its thread's idle pool (or closes it when it
// cannot be reused): what DBConnection::take gives is released through it.
struct DBConnectionRecycler {
    void operator()(DBConnection* connection) const;
};
using DBPooledConnection = std::unique_ptr<DBConnection, DBConnectionRecycler>;

// A literal lifted out of a statement text by DBparameterize.
struct DBParam {
    bool isText;
    long long number;
    std::string text;
};
