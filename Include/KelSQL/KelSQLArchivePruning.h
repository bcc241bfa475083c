// What the Ostrel's archive manager asks of the catalogue when it ages
// archive files: which archive files of a database's SQL Server backups may
// go (by full-backup cycles kept by count and retention time), which jobs
// may go, and the removal of the backup history whose archive files or
// archive group are gone. Not a message: it reads and writes the catalogue
// directly and so runs on the Ostrel.
//
// The context is borrowed and outlives the object; one thread uses it. One
// object serves one database: the cycles computed by createDatabaseCycles
// stay in it, and pruneArchiveFiles reuses them on the same object.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "KelSQL/KelSQLDatabaseLSNList.h"
#include "platform/events/KelLastError.h"

class KelSQLClassProperties;
class KelSQLLSN;
struct ArchFile_t;
struct SqlArchiveSet_t;
struct SqlLSNs_t;

// One archive file as the archive manager and the catalogue exchange it.
struct KelSQLFullArchiveMapping_t {
    uint64_t tesselId = 0;
    uint64_t archiveGroupId = 0;
    uint64_t archiveFileId = 0;
    uint64_t backupType = 0;      // the archive manager's; logged only
    uint64_t sqlBackupSetId = 0;  // 0: the catalogue has no archive set for the file
    uint64_t reserved = 0;        // neither read nor written here
    alignas(8) bool isPrunable = false;
};
static_assert(sizeof(KelSQLFullArchiveMapping_t) == 56 && offsetof(KelSQLFullArchiveMapping_t, isPrunable) == 48,
              "KelSQLFullArchiveMapping_t layout");

// One job of a restore chain, from its newest valid archive file.
struct KelSQLJobInfo_t {
    uint64_t jobId = 0;
    uint64_t tesselId = 0;
    int64_t cTime = 0;  // seconds since 1970
    int64_t backupLevel = 0;
};
static_assert(sizeof(KelSQLJobInfo_t) == 32, "KelSQLJobInfo_t size");

class KelSQLArchivePruning {
public:
    explicit KelSQLArchivePruning(KelSQLClassProperties& context);
    ~KelSQLArchivePruning();
    KelSQLArchivePruning(const KelSQLArchivePruning&) = delete;
    KelSQLArchivePruning& operator=(const KelSQLArchivePruning&) = delete;

    // Forgets the current archive and the cycles (not archiveNotFound).
    void initializeSQLObject();
    KelLastError& getLastError() { return error_; }

    // The archive's sqlArchiveSet row; false with archiveNotFound when the
    // catalogue has none (0x1E000033 either way).
    bool queryArchiveSet(uint64_t tesselId, uint64_t archiveGroupId, uint64_t archiveFileId);
    void copyFromSql(const SqlArchiveSet_t& row);
    // The archive's row and the LSN record of its backup set.
    bool query(uint64_t tesselId, uint64_t archiveGroupId, uint64_t archiveFileId);

    // The fulls of the archive's database that neither the newest `cycles`
    // cycles nor the retention time dateTime (seconds since 1970; 0 none)
    // keep, with each of their archive files, in prunableFulls(). All three
    // ids 0: the archive loaded before. The archive must hold a full
    // (0x1E0000AD).
    bool createDatabaseCycles(uint64_t cycles, uint64_t dateTime, uint64_t tesselId, uint64_t archiveGroupId,
                              uint64_t archiveFileId);
    // Marks each entry of one database's batch: prunable when the catalogue
    // does not know its archive file, or when it holds a full that is not
    // kept or a backup based on one, and every backup based on that full
    // lies in the batch. prunable is cleared and left so.
    bool pruneArchiveFiles(bool& prunable, uint64_t cycles, uint64_t dateTime,
                           std::vector<KelSQLFullArchiveMapping_t>& archiveList);
    // Tomb-stones archive sets without a live copy, then removes every
    // backup set whose archive file has no copy at all, each in a
    // transaction of its own; stops at the first failure (that removal rolled
    // back, the earlier ones kept).
    bool removePrunedFiles();
    // In the caller's started transaction: removes every backup set recorded
    // on the archive group.
    bool deleteArchiveGroup(uint64_t tesselId, uint64_t archiveGroupId);

    // Whether every backup of the chain the job's full starts lies on archive
    // files created before dateTime (compared as signed 32-bit times); if
    // not, the job of the first one that does not. Jobs are found by the low
    // 32 bits of jobId.
    bool isJobPrunable(uint64_t jobId, uint64_t tesselId, uint64_t dateTime, bool& prunable,
                       uint64_t& blockingJobId, uint64_t& blockingTesselId);
    // Appends the jobs holding the backups that stand or fall with the
    // job's backup set.
    bool formRestoreChains(uint64_t jobId, uint64_t tesselId, std::vector<KelSQLJobInfo_t>& restoreChainList);

    bool printBackupSetList(const char* label, std::vector<unsigned long>* ids);

    unsigned long sqlBackupSetId() const { return static_cast<unsigned long>(sqlBackupSetId_); }
    bool isArchiveFileAFullBackup() const { return isFullBackup_; }
    bool isArchiveFileAFullFileBackup() const { return isFullFileBackup_; }
    bool archiveNotFound() const { return archiveNotFound_; }
    bool cyclesCreated() const { return cyclesCreated_; }
    const std::vector<KelSQLFullArchiveMapping_t>& prunableFulls() const { return prunableFulls_; }

private:
    bool fail(uint64_t number, const char* signature);
    bool copyError(KelLastError& from);
    // Steps of createDatabaseCycles.
    bool readHistory(const char* signature);
    // Whether each history row was written by SQL Server 7, read for the
    // whole history at once; a set of no known version fails as its lookup does.
    bool sql7Flags(std::vector<char>& sql7);
    bool formCycles();
    void keepByCount(uint64_t cycles);
    void keepByRetention(uint64_t dateTime);
    bool listPrunableFulls();
    // Steps of pruneArchiveFiles.
    bool markBackupSets(std::vector<KelSQLFullArchiveMapping_t>& archiveList);
    bool markDependants(const KelSQLFullArchiveMapping_t& full, std::vector<KelSQLFullArchiveMapping_t>& archiveList);
    // The jobs' first steps: the job's newest valid archive file loaded as
    // the current archive (tesselId: the caller's, or the file's when
    // fromFile); Unknown when the catalogue has no archive set for it.
    enum class JobArchive { Failed, Loaded, Unknown };
    JobArchive jobArchive(uint64_t jobId, uint64_t& tesselId, bool fromFile, const char* signature);
    // The chain a job's full starts: the newest log on it whose chain starts
    // at or before the full, else the full's own.
    bool fullChain(uint64_t jobId, KelSQLDatabaseLSNList& chain, const char* signature);
    // The archive file holding a backup set and its archFile row.
    bool archFileOf(uint64_t sqlBackupSetId, ArchFile_t& row, const char* signature);

    KelSQLClassProperties& context_;
    KelLastError error_;
    std::unique_ptr<KelSQLLSN> lsn_;
    long long dbStatus_ = 0;
    bool archiveLoaded_ = false;
    KelSQLBackupSetAppType appType_;
    uint64_t tesselId_ = 0;
    uint64_t archiveGroup_ = 0;
    uint64_t archiveFile_ = 0;
    bool archiveNotFound_ = false;
    uint64_t id_ = 0;
    uint64_t sqlBackupSetId_ = 0;
    uint64_t mediaSetId_ = 0;
    uint64_t sequenceNumber_ = 0;
    uint64_t sqlDatabaseId_ = 0;
    bool isFullBackup_ = false;
    bool isFullFileBackup_ = false;
    // The database's history as the cycles need it, newest first: each row
    // by its id, type and key (its full's LSN, interned in lsnKeys_); a
    // full's row whole in fullRows_, as the cycles hand fulls out. A
    // history of a hundred thousand rows takes a few bytes a row.
    struct HistoryRow {
        uint32_t id;
        int32_t type;
        uint32_t key;  // not set for a full: its key depends on its version
        int32_t full;  // its place in fullRows_; -1 when not a full
    };
    uint32_t keyOf(std::string_view lsn);
    std::vector<HistoryRow> history_;
    std::deque<SqlLSNs_t> fullRows_;
    std::unordered_map<std::string, uint32_t> lsnKeys_;
    const std::pair<const std::string, uint32_t>* lastKey_ = nullptr;  // the key keyOf gave last
    // Rows of fullRows_, which stay as read until the next cycles are formed.
    std::vector<const SqlLSNs_t*> fulls_;
    std::vector<const SqlLSNs_t*> candidates_;
    std::vector<const SqlLSNs_t*> kept_;
    std::vector<KelSQLFullArchiveMapping_t> prunableFulls_;
    bool cyclesCreated_ = false;
};
