// Job-based pruning: whether a job's data may go, and which jobs hold the
// backups that stand or fall with a job's backup set.
#include "ChainRows.h"
#include "Db/Tbl/archFile.h"
#include "Db/Tbl/sqlArchiveSet.h"
#include "KelSQL/KelSQLArchivePruning.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLLSN.h"

using kelsql::backup::column;

namespace {

const char* const kPrunableFn = "KelSQLArchivePruning::isJobPrunable()";
const char* const kChainsFn = "KelSQLArchivePruning::formRestoreChains(jobId, tesselId, restoreChainList)";

// Jobs are recorded by the low half of their id.
long low(uint64_t jobId) { return static_cast<long>(static_cast<uint32_t>(jobId)); }
int lowColumn(uint64_t jobId) { return static_cast<int>(static_cast<uint32_t>(jobId)); }

}  // namespace

KelSQLArchivePruning::JobArchive KelSQLArchivePruning::jobArchive(uint64_t jobId, uint64_t& tesselId, bool fromFile,
                                                                  const char* signature) {
    ArchFile files(nullptr);
    files.setWhere(fromFile ? "jobId = %d and tesselId = %d and isValid = 1" : "jobId = %d and isValid = 1 and tesselId = %d",
                   lowColumn(jobId), static_cast<int>(tesselId));
    files.setOrderBy("id DESC");
    int rc = files.openCursor();
    if (rc != 0 && rc != kDBNoRow) {
        if (fromFile)
            context_.log().debug(signature, "Failed to get archive File info for jobid_h [%ld]: jobid_l [%ld].",
                                 static_cast<long>(jobId >> 32), low(jobId));
        else
            context_.log().debug(signature, "Failed to get archive File info for jobid [%ld].", low(jobId));
        return JobArchive::Failed;
    }
    if (rc == 0) rc = files.fetchCursor(true);
    files.closeCursor();
    if (rc != 0) return JobArchive::Failed;
    const ArchFile_t& f = *files.getDataPtr();
    const uint64_t file = column(f.id), group = column(f.archGroupId);
    if (fromFile) tesselId = column(f.tesselId);
    context_.log().debug3(signature, "This jobId belongs to archiveFile [%ld], archGroup [%ld], tesselId [%ld]",
                          static_cast<long>(file), static_cast<long>(group), static_cast<long>(tesselId));
    archiveNotFound_ = false;
    if (query(tesselId, group, file)) return JobArchive::Loaded;
    if (archiveNotFound_) return JobArchive::Unknown;
    context_.log().debug(signature, "Failed to get SQLArchBackupSet info for job [%ld].", low(jobId));
    return JobArchive::Failed;
}

bool KelSQLArchivePruning::archFileOf(uint64_t sqlBackupSetId, ArchFile_t& row, const char* signature) {
    SqlArchiveSet sets(nullptr);
    sets.setWhere("sqlBackupSetId = %d", static_cast<int>(sqlBackupSetId));
    int rc = sets.openCursor();
    if (rc == 0) rc = sets.fetchCursor(true);
    sets.closeCursor();
    if (rc != 0) return kelsql::backup::rowError(error_, signature, sets, rc);
    const SqlArchiveSet_t a = *sets.getDataPtr();
    context_.log().debug3(signature, "Getting jobId for archiveFileId [%d] belonging to backupset [%d]",
                          a.archiveFile, static_cast<int>(sqlBackupSetId));
    ArchFile files(nullptr);
    files.setWhere("id = %d and tesselId = %d", a.archiveFile, a.tesselId);
    rc = files.openCursor();
    if (rc == 0) rc = files.fetchCursor(true);
    files.closeCursor();
    if (rc != 0) {
        context_.log().debug(signature, "FAiled to get info from ArchiveManager for archiveFileId [%d]", a.archiveFile);
        return false;
    }
    row = *files.getDataPtr();
    return true;
}

bool KelSQLArchivePruning::fullChain(uint64_t jobId, KelSQLDatabaseLSNList& chain, const char* signature) {
    context_.log().debug3(signature, "Job [%d] was a FULL backup. Forming restore chain...", lowColumn(jobId));
    if (!appType_.query(context_, static_cast<unsigned long>(sqlBackupSetId_))) {
        context_.log().debug(signature, "Failed to lookup backupset informtion for ID [%ld]",
                             static_cast<long>(sqlBackupSetId_));
        return copyError(appType_.getLastError());
    }
    const std::string key = kelsql::chain::lsn(appType_.bsAppType7().isOn() ? lsn_->last() : lsn_->checkpoint());
    const int database = static_cast<int>(sqlDatabaseId_);
    std::string where = kel::sql::format("sqlDatabaseId = %d and fullBackupLSN = %s and backupType = %d", database,
                                         key.c_str(), kelsql::chain::kLog);
    // Each round looks at an older log only, so the search ends.
    for (;;) {
        kelsql::chain::LsnCursor logs(context_);
        int rc = logs.open(where, kelsql::chain::kNewestStartFirst);
        if (rc == 0) rc = logs.fetch();
        if (rc == kDBNoRow) break;
        if (rc != 0) {
            context_.log().debug(signature, "Failure getting log lsn for full database [%d].", database);
            return false;
        }
        const unsigned long log = kelsql::chain::idOf(logs.row());
        logs.close();
        // A log no server could restore needs the full no more than any
        // other backup: an older log decides.
        const bool formed = chain.query(log);
        if (!formed && !chain.chainBroken()) return copyError(chain.getLastError());
        if (formed && chain.getBSIdList()->empty()) {
            context_.log().debug(signature, "BackupSetList empty for full database [%d].", database);
            return false;
        }
        if (formed && sqlBackupSetId_ >= chain.getBSIdList()->front()) return true;
        chain.getBSIdList()->clear();
        where = kel::sql::format("sqlDatabaseId = %d and fullBackupLSN = %s and backupType = %d and sqlBackupSetId < %d",
                                 database, key.c_str(), kelsql::chain::kLog, static_cast<int>(log));
    }
    if (!chain.query(static_cast<unsigned long>(sqlBackupSetId_))) return copyError(chain.getLastError());
    return true;
}

bool KelSQLArchivePruning::isJobPrunable(uint64_t jobId, uint64_t tesselId, uint64_t dateTime, bool& prunable,
                                         uint64_t& blockingJobId, uint64_t& blockingTesselId) {
    if (!idNotSet(error_, static_cast<unsigned long>(jobId), "jobId", kPrunableFn) ||
        !idNotSet(error_, static_cast<unsigned long>(tesselId), "tesselId", kPrunableFn))
        return false;
    prunable = false;
    uint64_t tessel = tesselId;
    switch (jobArchive(jobId, tessel, false, kPrunableFn)) {
    case JobArchive::Failed: return false;
    case JobArchive::Unknown:
        context_.log().debug(kPrunableFn, "Archive File [%ld] for job [%ld] does not exist in sqlArchiveSet. PRUNE IT NOW.",
                             static_cast<long>(archiveFile_), static_cast<long>(jobId));
        prunable = true;
        return true;
    case JobArchive::Loaded: break;
    }
    if (!isFullBackup_ && !isFullFileBackup_) {
        context_.log().debug(kPrunableFn, "Job [%ld] is not a FULL backup.", low(jobId));
        blockingJobId = jobId;
        blockingTesselId = tesselId;
        return true;
    }
    KelSQLDatabaseLSNList chain(context_, false);
    if (isFullFileBackup_) {
        if (!chain.query(static_cast<unsigned long>(sqlBackupSetId_), KelNetSQLRestoreTypeFile,
                         static_cast<unsigned long>(sqlDatabaseId_), 0, false))
            return copyError(chain.getLastError());
    } else if (!fullChain(jobId, chain, kPrunableFn)) {
        return false;
    }
    if (chain.getBSIdList()->empty()) return copyError(chain.getLastError());
    context_.log().debug3(kPrunableFn, "Printing backupSetId list for job [%d].", lowColumn(jobId));
    context_.log().debug3(kPrunableFn, "Get a archiveFileId for these backupsets");
    const int32_t before = static_cast<int32_t>(dateTime);
    for (uint64_t b : *chain.getBSIdList()) {
        ArchFile_t r;
        if (!archFileOf(b, r, kPrunableFn)) return false;
        prunable = true;
        blockingJobId = column(r.jobId);
        blockingTesselId = column(r.tesselId);
        // Both as signed 32-bit times, as the archive manager keeps them.
        if (r.cTime < before) {
            context_.log().debug3(kPrunableFn, "Info: JobId [%ld] contains archiveFileId [%ld] belonging to backupset [%d]",
                                  static_cast<long>(r.jobId), static_cast<long>(r.id), static_cast<int>(b));
            continue;
        }
        prunable = false;
        return true;
    }
    return true;
}

bool KelSQLArchivePruning::formRestoreChains(uint64_t jobId, uint64_t tesselId,
                                             std::vector<KelSQLJobInfo_t>& restoreChainList) {
    if (!idNotSet(error_, static_cast<unsigned long>(jobId), "jobId", kChainsFn)) return false;
    uint64_t tessel = tesselId;
    switch (jobArchive(jobId, tessel, true, kChainsFn)) {
    case JobArchive::Failed: return false;
    case JobArchive::Unknown: {
        context_.log().debug(kChainsFn, "Archive File [%ld] for job [%ld] does not exist in sqlArchiveSet.",
                             static_cast<long>(archiveFile_), static_cast<long>(jobId));
        KelSQLJobInfo_t entry;
        entry.jobId = jobId;
        entry.tesselId = tesselId;
        restoreChainList.push_back(entry);
        return true;
    }
    case JobArchive::Loaded: break;
    }
    KelSQLDatabaseLSNList chain(context_, false);
    const bool ok = isFullFileBackup_ ? chain.query(static_cast<unsigned long>(sqlBackupSetId_), KelNetSQLRestoreTypeFile,
                                                    static_cast<unsigned long>(sqlDatabaseId_), 0, false)
                                      : chain.queryForJobBasedPruning(static_cast<unsigned long>(sqlBackupSetId_));
    if (!ok || chain.getBSIdList()->empty()) return copyError(chain.getLastError());
    context_.log().debug3(kChainsFn, "Printing backupSetId list for job [%d].", lowColumn(jobId));
    context_.log().debug3(kChainsFn, "Get a archiveFileId for these backupsets");
    for (uint64_t b : *chain.getBSIdList()) {
        ArchFile_t r;
        if (!archFileOf(b, r, kChainsFn)) return false;
        KelSQLJobInfo_t entry;
        entry.jobId = column(r.jobId);
        entry.tesselId = column(r.tesselId);
        entry.cTime = r.cTime;
        entry.backupLevel = r.backupLevel;
        restoreChainList.push_back(entry);
        context_.log().debug3(kChainsFn, "Info: JobId [%ld] contains archiveFileId [%ld] belonging to backupset [%d]",
                              static_cast<long>(r.jobId), static_cast<long>(r.id), static_cast<int>(b));
    }
    return true;
}
