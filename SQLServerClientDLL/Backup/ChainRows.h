// What the restore-chain queries share: the type letters, the literals an
// LSN or a row's time becomes in a where text, one sqlLSNs cursor, and a
// row's times in seconds.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/net/KelNetMessage.h"
#include "BackupRecords.h"
#include "Db/Tbl/sqlLSNs.h"
#include "KelSQL/KelSQLDateAndTime.h"
#include "KelSQL/KelSQLLSN.h"
#include "platform/db/SqlText.h"
#include "platform/util/BoundedCopy.h"

namespace kelsql::chain {

constexpr int kFull = 'D';
constexpr int kSnapshot = 'd';
constexpr int kDifferential = 'I';
constexpr int kLog = 'L';
constexpr int kFile = 'F';
constexpr int kFileDifferential = 'G';

// Backups that start or finish in the same second come in the order the
// agent recorded them (catalogue id), never in the order an index yields.
constexpr const char* kNewestStartFirst = "startTime desc, sqlBackupSetId desc";
constexpr const char* kOldestStartFirst = "startTime asc, sqlBackupSetId asc";
constexpr const char* kLatestFinishFirst = "finishTime desc, sqlBackupSetId desc";
constexpr const char* kEarliestFinishFirst = "finishTime asc, sqlBackupSetId asc";
// For a row sought by its LSN: the plus keeps the planner from walking the
// finish-time index back to it on a catalogue without statistics.
constexpr const char* kLatestFinishFirstByLSN = "+finishTime desc, sqlBackupSetId desc";

inline bool isFull(int type) { return type == kFull || type == kSnapshot; }
inline bool isFileBackup(int type) { return type == kFile || type == kFileDifferential; }
inline unsigned long idOf(const SqlLSNs_t& row) { return kelsql::backup::column(row.sqlBackupSetId); }

// An LSN column's text as a literal: quotes doubled like any other text.
template <size_t N>
std::string lsn(const char (&field)[N]) {
    return kel::sql::quoted(kel::fieldText(field));
}
inline std::string lsn(const std::string& text) { return kel::sql::quoted(text); }
// A row's time as the literal it is stored as.
inline std::string when(const DB_DATETIME& date) { return kel::sql::dateLiteral(date); }

// Whether a recorded after b though both started in the same second.
inline bool laterSameStart(const SqlLSNs_t& a, const SqlLSNs_t& b) {
    // The ids first: most rows a walk meets were recorded before, and the
    // times' literals cost a formatting each.
    return idOf(a) > idOf(b) && when(a.startTime) == when(b.startTime);
}

inline unsigned long secondsOf(const DB_DATETIME& date) {
    return KelSQLDateAndTime::secondsOf(kelsql::backup::wireDate(date));
}

// A decimal size text; anything else counts 0.
inline uint64_t sizeOf(const char* text) { return std::strtoull(text, nullptr, 10); }

// One sqlLSNs cursor in the context's transaction when one is started,
// closed when it goes. An empty result opens as success; fetch then ends.
class LsnCursor {
public:
    explicit LsnCursor(KelSQLClassProperties& ctx) : record_(kelsql::backup::transactionOf(ctx)) {}
    ~LsnCursor() { record_.closeCursor(); }
    LsnCursor(const LsnCursor&) = delete;
    LsnCursor& operator=(const LsnCursor&) = delete;

    int open(const std::string& where, const char* order) {
        record_.setWhere("%s", where.c_str());
        record_.setOrderBy(order);
        const int rc = record_.openCursor();
        return rc == kDBNoRow ? kDBOk : rc;
    }
    // 0 a row, 100 the end, else an error.
    int fetch() { return record_.fetchCursor(true); }
    void close() { record_.closeCursor(); }
    // The first row only.
    int one(const std::string& where, const char* order) {
        record_.setWhere("%s", where.c_str());
        record_.setOrderBy(order);
        return record_.getOneRow(&record_, false, -1, 0);
    }
    const SqlLSNs_t& row() { return *record_.getDataPtr(); }
    SqlLSNs& record() { return record_; }

private:
    SqlLSNs record_;
};

// 0x1E000033 with the table's description and the database's text.
inline bool lsnError(KelLastError& err, LsnCursor& cursor, long long code) {
    err.setNumber(kErrRowOperation);
    err.addArgument(cursor.record().getpDescribe());
    err.addArgument(cursor.record().getErrorStr(static_cast<int>(code)));
    return false;
}

// 0x1E000033 for a chain the catalogue does not hold: the signature and why.
inline bool chainError(KelLastError& err, const char* signature, const std::string& why) {
    err.setNumber(kErrRowOperation);
    err.addArgument(signature);
    err.addArgument(why);
    return false;
}

}  // namespace kelsql::chain
