#include "platform/appmgr/AppStore.h"

#include <sqlite3.h>

#include "platform/db/DBEngine.h"
#include "platform/db/DBtable.h"

namespace kel::appmgr {

AppConnection::AppConnection() = default;
AppConnection::~AppConnection() = default;

sqlite3* AppConnection::db(DBtran* tran, KelLastError& error, const char* signature) {
    if (tran) {
        DBConnection* connection = tran->tranConnection();
        if (connection) return connection->db();
        appFail(error, kAppErrDatabase, signature, "the transaction has no connection");
        return nullptr;
    }
    if (!own_) {
        std::string text;
        own_ = DBConnection::take(text);
        if (!own_) {
            appFail(error, kAppErrDatabase, signature, text);
            return nullptr;
        }
    }
    return own_->db();
}

AppStatement::AppStatement(sqlite3* db, const char* sql) : db_(db) {
    // The same few texts run for every request: the connection keeps them
    // prepared rather than parsing them again each time.
    if (DBConnection* connection = DBConnection::of(db)) {
        stmt_ = connection->lend(sql, prepareCode_);
        if (stmt_) {
            lender_ = connection;
            return;
        }
        if (prepareCode_ != SQLITE_OK) return;
    }
    prepareCode_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr);
}

AppStatement::~AppStatement() {
    if (lender_)
        lender_->giveBack(stmt_);
    else
        sqlite3_finalize(stmt_);
}

AppStatement& AppStatement::bind(long long value) {
    if (stmt_) sqlite3_bind_int64(stmt_, next_, value);
    ++next_;
    return *this;
}

AppStatement& AppStatement::bind(const std::string& value) {
    if (stmt_) sqlite3_bind_text(stmt_, next_, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
    ++next_;
    return *this;
}

AppStatement& AppStatement::bindNull() {
    if (stmt_) sqlite3_bind_null(stmt_, next_);
    ++next_;
    return *this;
}

int AppStatement::step() {
    if (!stmt_) return prepareCode_ != SQLITE_OK ? prepareCode_ : SQLITE_ERROR;
    DBAutocommitWriter writer(db_, stmt_);
    if (writer.refused()) {
        refusal_ = writer.why();
        return SQLITE_BUSY;
    }
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return 0;
    if (rc == SQLITE_DONE) return 100;
    return rc;
}

long long AppStatement::integer(int column) const { return stmt_ ? sqlite3_column_int64(stmt_, column) : 0; }

std::string AppStatement::text(int column) const {
    if (!stmt_) return std::string();
    const unsigned char* value = sqlite3_column_text(stmt_, column);
    if (!value) return std::string();
    return std::string(reinterpret_cast<const char*>(value), static_cast<size_t>(sqlite3_column_bytes(stmt_, column)));
}

std::string AppStatement::errorText() const { return refusal_.empty() ? sqlite3_errmsg(db_) : refusal_; }

int appFail(KelLastError& error, int number, const char* signature, const std::string& detail) {
    error.setNumber(static_cast<uint64_t>(number));
    error.addArgument(signature);
    if (!detail.empty()) error.addArgument(detail);
    return number;
}

int appDbFail(KelLastError& error, const char* signature, const AppStatement& statement) {
    return appFail(error, kAppErrDatabase, signature, statement.errorText());
}

}  // namespace kel::appmgr
