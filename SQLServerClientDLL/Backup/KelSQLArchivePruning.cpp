// The archive-pruning object and the cycles of one database's history.
#include "KelSQL/KelSQLArchivePruning.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "ChainRows.h"
#include "Db/Cursor/sqlDatabaseHistory.h"
#include "Db/Tbl/sqlArchiveSet.h"
#include "Db/Tbl/sqlBackupSet.h"
#include "Db/Tbl/sqlVersion.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLLSN.h"

using kelsql::backup::column;
using kelsql::chain::idOf;
using kelsql::chain::secondsOf;

namespace {

const char* const kCyclesFn =
    "KelSQLArchivePruning::createDatabaseCycles(cycles, dateTime, tesselId, archiveGroupId, archiveFileId)";

// An LSN as compareLSN reads it, so that equal numbers give equal keys.
std::string_view lsnKey(const char* text) {
    while (*text == ' ') ++text;
    while (*text == '0') ++text;
    const char* end = text;
    while (*end >= '0' && *end <= '9') ++end;
    return std::string_view(text, static_cast<size_t>(end - text));
}

}  // namespace

KelSQLArchivePruning::KelSQLArchivePruning(KelSQLClassProperties& context)
    : context_(context), lsn_(std::make_unique<KelSQLLSN>(context, false)) {
    initializeSQLObject();
}

KelSQLArchivePruning::~KelSQLArchivePruning() = default;

void KelSQLArchivePruning::initializeSQLObject() {
    archiveLoaded_ = cyclesCreated_ = false;
    tesselId_ = archiveGroup_ = archiveFile_ = id_ = sqlBackupSetId_ = mediaSetId_ = sequenceNumber_ = 0;
    sqlDatabaseId_ = 0;
    isFullBackup_ = isFullFileBackup_ = false;
}

bool KelSQLArchivePruning::fail(uint64_t number, const char* signature) {
    error_.setNumber(number);
    error_.addArgument(signature);
    return false;
}

bool KelSQLArchivePruning::copyError(KelLastError& from) {
    error_ = from;
    return false;
}

bool KelSQLArchivePruning::printBackupSetList(const char* label, std::vector<unsigned long>* ids) {
    if (ids)
        for (unsigned long id : *ids) context_.log().debug2(label, "  %d", static_cast<int>(id));
    return false;
}

void KelSQLArchivePruning::copyFromSql(const SqlArchiveSet_t& row) {
    // Each column sign-extended, as the archive manager's ids are.
    auto wide = [](int32_t v) { return static_cast<uint64_t>(static_cast<int64_t>(v)); };
    tesselId_ = wide(row.tesselId);
    archiveGroup_ = wide(row.archiveGroup);
    archiveFile_ = wide(row.archiveFile);
    id_ = wide(row.id);
    sqlBackupSetId_ = wide(row.sqlBackupSetId);
    mediaSetId_ = wide(row.mediaSetId);
    sequenceNumber_ = wide(row.sequenceNumber);
    archiveLoaded_ = true;
}

bool KelSQLArchivePruning::queryArchiveSet(uint64_t tesselId, uint64_t archiveGroupId, uint64_t archiveFileId) {
    static const char* kFn = "KelSQLArchivePruning::queryArchiveSet(tesselId, archiveGroupId, archiveFileId)";
    // A refused id is no verdict on the archive: an earlier "not found" must
    // not stand for it.
    archiveNotFound_ = false;
    if (!idNotSet(error_, static_cast<unsigned long>(tesselId), "tesselId", kFn) ||
        !idNotSet(error_, static_cast<unsigned long>(archiveGroupId), "archiveGroupId", kFn) ||
        !idNotSet(error_, static_cast<unsigned long>(archiveFileId), "archiveFileId", kFn))
        return false;
    // The current archive only: the cycles stay for the next batch.
    const bool cycles = cyclesCreated_;
    initializeSQLObject();
    cyclesCreated_ = cycles;
    SqlArchiveSet record(kelsql::backup::transactionOf(context_));
    record.setWhere("tesselId = %d and archiveGroup = %d and archiveFile = %d", static_cast<int>(tesselId),
                    static_cast<int>(archiveGroupId), static_cast<int>(archiveFileId));
    dbStatus_ = record.getOneRow(&record, false, -1, 0);
    if (dbStatus_ == 0) {
        copyFromSql(*record.getDataPtr());
        return true;
    }
    archiveNotFound_ = dbStatus_ == kDBNoRow;
    error_.setNumber(kelsql::kErrRowOperation);
    error_.addArgument(record.getpDescribe());
    error_.addArgument(record.getErrorStr(static_cast<int>(dbStatus_)));
    return false;
}

bool KelSQLArchivePruning::query(uint64_t tesselId, uint64_t archiveGroupId, uint64_t archiveFileId) {
    if (!queryArchiveSet(tesselId, archiveGroupId, archiveFileId)) return false;
    if (!lsn_->query(static_cast<unsigned long>(sqlBackupSetId_))) return copyError(lsn_->getLastError());
    sqlDatabaseId_ = lsn_->sqlDatabaseId();
    isFullBackup_ = lsn_->isBackupTypeDatabase();
    isFullFileBackup_ = lsn_->isBackupTypeFileGroup();
    return true;
}

// ---- cycles

bool KelSQLArchivePruning::createDatabaseCycles(uint64_t cycles, uint64_t dateTime, uint64_t tesselId,
                                                uint64_t archiveGroupId, uint64_t archiveFileId) {
    // The history and every chain of it from one snapshot, on one connection
    // (one page cache) instead of one per cursor.
    kelsql::record::ReadSnapshot snapshot(context_);
    if (tesselId != 0 || archiveGroupId != 0 || archiveFileId != 0) {
        if (!query(tesselId, archiveGroupId, archiveFileId)) return false;
    }
    if (!idNotSet(error_, static_cast<unsigned long>(sqlDatabaseId_), "sqlDatabaseId", kCyclesFn)) return false;
    if (!isFullBackup_) {
        error_.setNumber(kelsql::kErrPruneNotFull);
        error_.addArgument(static_cast<unsigned long>(tesselId_));
        error_.addArgument(static_cast<unsigned long>(archiveGroup_));
        error_.addArgument(static_cast<unsigned long>(archiveFile_));
        return false;
    }
    history_.clear();
    fullRows_.clear();
    lsnKeys_.clear();
    lastKey_ = nullptr;
    fulls_.clear();
    candidates_.clear();
    kept_.clear();
    prunableFulls_.clear();
    cyclesCreated_ = false;
    if (!readHistory(kCyclesFn)) return false;
    if (!formCycles()) return false;
    keepByCount(cycles);
    if (candidates_.empty()) return true;
    if (dateTime != 0) keepByRetention(dateTime);
    if (candidates_.empty()) return true;
    return listPrunableFulls();
}

// The fulls whole (few, from the type index), then every set by its id,
// type and key from the history index alone: the pages of the other
// databases' rows, which lie among this one's, are never read.
bool KelSQLArchivePruning::readHistory(const char*) {
    const int database = static_cast<int>(sqlDatabaseId_);
    kelsql::chain::LsnCursor fulls(context_);
    int rc = fulls.open(kel::sql::format("sqlDatabaseId = %d and backupType = %d", database, kelsql::chain::kFull),
                        kelsql::chain::kNewestStartFirst);
    while (rc == 0 && (rc = fulls.fetch()) == 0) fullRows_.push_back(fulls.row());
    if (rc != kDBNoRow) return kelsql::chain::lsnError(error_, fulls, rc);
    fulls.close();
    SqlDatabaseHistory rows(kelsql::backup::transactionOf(context_));
    rc = rows.setValues(database);
    if (rc == 0) rc = rows.openCursor();
    // Both reads share one order, so the fulls come up as they were read.
    size_t nextFull = 0;
    while (rc == 0 && (rc = rows.fetchCursor(true)) == 0) {
        const SqlDatabaseHistory_t& x = *rows.getDataPtr();
        HistoryRow h{static_cast<uint32_t>(x.sqlBackupSetId), x.backupType, 0, -1};
        if (x.backupType == kelsql::chain::kFull) {
            if (nextFull == fullRows_.size() || idOf(fullRows_[nextFull]) != h.id)
                return kelsql::chain::chainError(error_, kCyclesFn,
                                                 "the history of the database changed while it was read");
            h.full = static_cast<int32_t>(nextFull++);
        } else {
            h.key = keyOf(lsnKey(x.fullBackupLSN));
        }
        history_.push_back(h);
    }
    if (rc != kDBNoRow) return kelsql::backup::rowError(error_, kCyclesFn, rows, rc);
    if (nextFull != fullRows_.size())
        return kelsql::chain::chainError(error_, kCyclesFn, "the history of the database changed while it was read");
    return true;
}

uint32_t KelSQLArchivePruning::keyOf(std::string_view lsn) {
    // Most sets share the key of the set before them.
    if (lastKey_ && lastKey_->first == lsn) return lastKey_->second;
    auto it = lsnKeys_.find(std::string(lsn));
    if (it == lsnKeys_.end()) it = lsnKeys_.emplace(std::string(lsn), static_cast<uint32_t>(lsnKeys_.size())).first;
    lastKey_ = &*it;
    return it->second;
}

bool KelSQLArchivePruning::sql7Flags(std::vector<char>& sql7) {
    DBtran* tran = kelsql::backup::transactionOf(context_);
    std::unordered_map<int32_t, int32_t> majors;
    SqlVersion versions(tran);
    int rc = versions.openCursor();
    while (rc == 0 && (rc = versions.fetchCursor(true)) == 0)
        majors[versions.getDataPtr()->id] = versions.getDataPtr()->major;
    if (rc != kDBNoRow) return kelsql::backup::rowError(error_, kCyclesFn, versions, rc);
    sql7.assign(history_.size(), 0);
    // Every set names its version row: when all of them are SQL Server 8
    // or 9, no set needs a look.
    bool others = false;
    for (const auto& v : majors) others |= v.second != 8 && v.second != 9;
    if (!others) return true;
    // Sets of SQL Server 8 and 9 are told apart on the index alone; only
    // the others are read.
    std::unordered_map<int32_t, int32_t> setMajor;
    SqlBackupSet sets(tran);
    sets.setWhere("sqlDatabaseId = %d and sqlVersionId not in (select id from sqlVersion where major in (8, 9))",
                  static_cast<int>(sqlDatabaseId_));
    rc = sets.openCursor();
    while (rc == 0 && (rc = sets.fetchCursor(true)) == 0) {
        auto v = majors.find(sets.getDataPtr()->sqlVersionId);
        setMajor[sets.getDataPtr()->id] = v == majors.end() ? 0 : v->second;
    }
    if (rc != kDBNoRow) return kelsql::backup::rowError(error_, kCyclesFn, sets, rc);
    for (size_t i = 0; i < history_.size(); ++i) {
        auto m = setMajor.find(static_cast<int32_t>(history_[i].id));
        if (m == setMajor.end()) continue;
        if (m->second == 7) {
            sql7[i] = 1;
            continue;
        }
        // The lookup itself says why: no version row, or one it does not know.
        if (!appType_.query(context_, history_[i].id)) return copyError(appType_.getLastError());
        sql7[i] = appType_.bsAppType7().isOn();
    }
    return true;
}

// Each pass takes the newest row left and removes its cycle: the rows based
// on its key up to the full that has that key, and that full. Every row has
// one key (a full its own LSN, any other row its full's), and the rows of a
// key are listed once in history order, so the history is walked in linear
// time.
bool KelSQLArchivePruning::formCycles() {
    std::vector<char> sql7;
    if (!sql7Flags(sql7)) return false;
    const size_t n = history_.size();
    std::vector<uint32_t> keyOf(n);
    for (size_t i = 0; i < n; ++i) {
        const HistoryRow& x = history_[i];
        if (x.full < 0) {
            keyOf[i] = x.key;
            continue;
        }
        const SqlLSNs_t& f = fullRows_[static_cast<size_t>(x.full)];
        keyOf[i] = this->keyOf(lsnKey(sql7[i] ? f.lastLSN : f.checkpointLSN));
    }
    const size_t keyCount = lsnKeys_.size();
    // Per key, its fulls and its other rows in history order: one array
    // each, a key's rows from first_[key] on, consumed from next_[key].
    struct Rows {
        std::vector<uint32_t> first, next, rows;
        void index(const std::vector<uint32_t>& keyOf, size_t keyCount, const std::vector<char>& member) {
            first.assign(keyCount + 1, 0);
            for (size_t i = 0; i < keyOf.size(); ++i)
                if (member[i]) ++first[keyOf[i] + 1];
            for (size_t k = 0; k < keyCount; ++k) first[k + 1] += first[k];
            next.assign(first.begin(), first.end() - 1);
            rows.resize(first[keyCount]);
            for (size_t i = 0; i < keyOf.size(); ++i)
                if (member[i]) rows[next[keyOf[i]]++] = static_cast<uint32_t>(i);
            next.assign(first.begin(), first.end() - 1);
        }
        bool empty(uint32_t key) const { return next[key] == first[key + 1]; }
        uint32_t front(uint32_t key) const { return rows[next[key]]; }
    };
    std::vector<char> isFull(n);
    for (size_t i = 0; i < n; ++i) isFull[i] = history_[i].type == kelsql::chain::kFull;
    Rows fullOf, basedOn;
    fullOf.index(keyOf, keyCount, isFull);
    for (char& f : isFull) f = !f;
    basedOn.index(keyOf, keyCount, isFull);
    std::vector<char> alive(n, 1);
    std::unordered_map<uint64_t, size_t> position;
    fulls_.reserve(fullOf.rows.size());
    for (size_t front = 0;; ++front) {
        while (front < n && !alive[front]) ++front;
        if (front == n) break;
        const HistoryRow& r = history_[front];
        const uint32_t key = keyOf[front];
        // A file or file-group backup has no database chain: its cycle goes
        // without a full counted, which can only keep more.
        if (!kelsql::chain::isFileBackup(r.type)) {
            auto count = [&](const HistoryRow& x) {
                context_.log().debug3(kCyclesFn, "list cycles sql bs = %d  bt = %d", static_cast<int>(x.id),
                                      static_cast<int>(x.type));
                if (x.type == kelsql::chain::kFull) fulls_.push_back(&fullRows_[static_cast<size_t>(x.full)]);
            };
            if (kelsql::chain::isFull(r.type)) {
                count(r);
            } else {
                KelSQLDatabaseLSNList list(context_, false);
                const bool formed = list.query(r.id);
                if (!formed && list.chainBroken()) {
                    // A set no server could restore (an orphaned
                    // differential, a log past a gap) needs nothing and
                    // heads no cycle: it neither keeps nor shields the
                    // fulls around it, and the next set takes its turn.
                    context_.log().debug3(kCyclesFn, "no restore chain for sql bs = %d", static_cast<int>(r.id));
                    alive[front] = 0;
                    continue;
                }
                if (!formed || list.getBSIdList()->empty()) return copyError(list.getLastError());
                if (position.empty()) {
                    position.reserve(n);
                    for (size_t i = 0; i < n; ++i) position.emplace(history_[i].id, i);
                }
                const std::vector<uint64_t>& chain = *list.getBSIdList();
                for (auto id = chain.rbegin(); id != chain.rend(); ++id) {
                    auto at = position.find(*id);
                    if (at != position.end() && alive[at->second]) count(history_[at->second]);
                }
            }
        }
        const size_t end = fullOf.empty(key) ? n : fullOf.front(key);
        while (!basedOn.empty(key) && basedOn.front(key) < end) {
            alive[basedOn.front(key)] = 0;
            ++basedOn.next[key];
        }
        if (end < n) {
            alive[end] = 0;
            ++fullOf.next[key];
        }
    }
    return true;
}

void KelSQLArchivePruning::keepByCount(uint64_t cycles) {
    candidates_.swap(fulls_);
    context_.log().debug3(kCyclesFn, "number of cycles to keep = %d", static_cast<int>(cycles));
    if (cycles == 0 || candidates_.empty()) return;
    size_t n = 0;
    unsigned long oldest = 0;
    do {
        const SqlLSNs_t& c = *candidates_[n++];
        context_.log().debug3(kCyclesFn, "cycle = %d  full sql bs = %d", static_cast<int>(n),
                              static_cast<int>(idOf(c)));
        const unsigned long start = secondsOf(c.startTime);
        if (n == 1 || start < oldest) oldest = start;
        kept_.push_back(&c);
    } while (n != cycles && n < candidates_.size());
    // A full started after the oldest kept one stays, whatever order its
    // cycle was found in.
    std::vector<const SqlLSNs_t*> left;
    for (size_t i = n; i < candidates_.size(); ++i)
        (secondsOf(candidates_[i]->startTime) > oldest ? kept_ : left).push_back(candidates_[i]);
    candidates_.swap(left);
}

void KelSQLArchivePruning::keepByRetention(uint64_t dateTime) {
    KelSQLDateAndTime t(static_cast<unsigned long>(dateTime));
    context_.log().debug3(kCyclesFn, "Retension Time = %s", t.formatMMDDYYYYHHMMSS().c_str());
    unsigned long limit = static_cast<unsigned long>(dateTime);
    bool found = false;
    size_t n = 0;
    // Newer fulls stay, and so does the first that finished by the time.
    while (n < candidates_.size() && !found) {
        const SqlLSNs_t& c = *candidates_[n++];
        const unsigned long finish = secondsOf(c.finishTime);
        if (c.backupType == kelsql::chain::kFull && finish <= limit) {
            limit = finish;
            found = true;
        }
        kept_.push_back(&c);
    }
    std::vector<const SqlLSNs_t*> left;
    for (size_t i = n; i < candidates_.size(); ++i)
        (secondsOf(candidates_[i]->finishTime) > limit ? kept_ : left).push_back(candidates_[i]);
    candidates_.swap(left);
}

// The archive files of every set of the database in one read, in the order
// a restore description lists them (archive set id): the same entries as a
// description per prunable full, without a round of reads for each.
bool KelSQLArchivePruning::listPrunableFulls() {
    std::vector<uint64_t> wanted;
    wanted.reserve(candidates_.size());
    for (const SqlLSNs_t* p : candidates_) wanted.push_back(idOf(*p));
    std::sort(wanted.begin(), wanted.end());
    if (wanted.empty()) return cyclesCreated_ = true;
    SqlArchiveSet archives(kelsql::backup::transactionOf(context_));
    // Sets that lie close together in id order (a database backed up alone,
    // or most of its history) are read as one range of the set index, at
    // most twice the rows wanted; sets spread among other databases' are
    // looked up one by one, from the fulls of the history read.
    if (wanted.back() - wanted.front() < 2 * wanted.size())
        archives.setWhere("sqlBackupSetId between %d and %d", static_cast<int>(wanted.front()),
                          static_cast<int>(wanted.back()));
    else
        archives.setWhere(
            "sqlBackupSetId in (select sqlBackupSetId from sqlLSNs where sqlDatabaseId = %d and backupType = %d)",
            static_cast<int>(sqlDatabaseId_), kelsql::chain::kFull);
    // No ORDER BY: it would walk the whole table in id order; the rows are
    // put in set and id order below.
    std::vector<SqlArchiveSet_t> rows;
    int rc = archives.openCursor();
    while (rc == 0 && (rc = archives.fetchCursor(true)) == 0) {
        if (std::binary_search(wanted.begin(), wanted.end(), column(archives.getDataPtr()->sqlBackupSetId)))
            rows.push_back(*archives.getDataPtr());
    }
    archives.closeCursor();
    if (rc != kDBNoRow) return kelsql::backup::rowError(error_, kCyclesFn, archives, rc);
    auto setOf = [](const SqlArchiveSet_t& a) { return column(a.sqlBackupSetId); };
    std::sort(rows.begin(), rows.end(), [&](const SqlArchiveSet_t& a, const SqlArchiveSet_t& b) {
        return setOf(a) != setOf(b) ? setOf(a) < setOf(b) : a.id < b.id;
    });
    prunableFulls_.reserve(rows.size());
    for (const SqlLSNs_t* full : candidates_) {
        const uint64_t set = idOf(*full);
        auto first = std::lower_bound(rows.begin(), rows.end(), set,
                                      [&](const SqlArchiveSet_t& a, uint64_t id) { return setOf(a) < id; });
        auto last = first;
        while (last != rows.end() && setOf(*last) == set) ++last;
        // A description's Tessel is that of its last archive row.
        const uint64_t tessel = first == last ? 0 : column((last - 1)->tesselId);
        for (auto a = first; a != last; ++a) {
            KelSQLFullArchiveMapping_t entry;
            entry.tesselId = tessel;
            entry.archiveGroupId = column(a->archiveGroup);
            entry.archiveFileId = column(a->archiveFile);
            entry.sqlBackupSetId = set;
            entry.isPrunable = true;
            prunableFulls_.push_back(entry);
            context_.log().debug3(kCyclesFn, "Prunable full bs = %d  ag = %d  af = %d", static_cast<int>(set),
                                  a->archiveGroup, a->archiveFile);
        }
    }
    cyclesCreated_ = true;
    return true;
}
