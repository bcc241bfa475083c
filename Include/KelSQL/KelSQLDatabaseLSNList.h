// The restore-chain selector: for a backup set, a point in time, a discrete
// time or a browse time it finds every backup a restore needs (the full the
// chain starts from, at most one differential, the logs between) and gives
// their catalogue ids in restore order with the bytes to read. It is the
// restore-chain request too: on an agent that needs a connection the chain
// queries travel to the Ostrel, whose handler answers by restore type.
//
// Every walk over linked rows takes each backup set once and is bounded by
// the rows of the database; a chain that leads back to a set it holds ends
// with an error (0x1E000033).
//
// The context is borrowed and outlives the object; one thread uses it.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "KelSQL/KelNetSQLBSIdList.h"
#include "KelSQL/KelNetSQLRestoreTask.h"
#include "KelSQL/KelSQLDateAndTime.h"
#include "KelSQL/KelSQLLogicalDeletion.h"

class DBtran;
class KelSQLStepRestoreState;
struct SqlLSNs_t;
namespace kelsql::chain {
class ChainLinks;
}

enum KelSQLTimeType : uint32_t {
    KelSQLTimeTypeNone = 0,
    KelSQLTimeTypePointInTime = 1,
    KelSQLTimeTypeDiscreteTime = 2,
};

// One backup of a chain as the browse and step lists hold it.
struct KelSQLDBRestoreBackupSetItem_t {
    uint64_t sqlBackupSetId = 0;
    uint64_t backupSetId = 0;  // the agent's number of the set (KelSQLBackupSet::id())
    uint64_t finishTime = 0;   // seconds since 1970
    int64_t backupType = 0;    // the type letter's code
};

// The SQL Server major version a backup set was written with: flags 1, 2
// and 4 for 7, 8 and 9. A SQL Server 7 full is matched by its last LSN.
class KelSQLBackupSetAppType {
public:
    KelSQLBackupSetAppType();
    KelSQLBackupSetAppType(const KelSQLBackupSetAppType&) = delete;
    KelSQLBackupSetAppType& operator=(const KelSQLBackupSetAppType&) = delete;

    bool query(KelSQLClassProperties& context, unsigned long sqlBackupSetId);
    KelSQLBitFlag& bsAppType7() { return v7_; }
    KelLastError& getLastError() { return error_; }

private:
    unsigned long flags_ = 0;
    long long dbStatus_ = 0;
    KelSQLBitFlag v7_;
    KelSQLBitFlag v8_;
    KelSQLBitFlag v9_;
    KelLastError error_;
};

class KelSQLDatabaseLSNList : public KelNetSQLBSIdList {
public:
    // serverObject: built by the Ostrel's handler to answer a request; only
    // such an object dispatches one (query(req, rsp)).
    KelSQLDatabaseLSNList(KelSQLClassProperties& context, bool serverObject);
    KelSQLDatabaseLSNList(const KelSQLDatabaseLSNList&) = delete;
    KelSQLDatabaseLSNList& operator=(const KelSQLDatabaseLSNList&) = delete;

    // The chain of one backup set ('D', 'd', 'I' or 'L'): local on the
    // Ostrel or an agent without a connection, else by request (type 4).
    bool query(unsigned long sqlBackupSetId);
    // Point in time (1) or discrete time (2): the Ostrel picks the target by
    // time and chains it; an agent always asks the Ostrel.
    bool query(SIM_TimeZoneInfo_t* timeZone, unsigned long sqlDatabaseId, unsigned long time, KelSQLTimeType type);
    // Ostrel: the chain of the newest database backup finished by
    // browseTime (0: now) as browseItems(), newest first.
    bool query(SIM_TimeZoneInfo_t* timeZone, unsigned long sqlDatabaseId, unsigned long browseTime);
    // File (7), file-group (6) and their point-in-time (17) chains: the
    // requested file backup, a file differential, then the logs. time 0 is
    // no limit; checkNewest asks that the newest backup be a later log.
    bool query(unsigned long sqlBackupSetId, KelNetSQLRestoreType type, unsigned long sqlDatabaseId,
               unsigned long time, bool checkNewest);
    // Ostrel, handler object only: the chain the request's restore type
    // names, written into the response.
    bool query(KelNetSQLBSIdListReq_t* reqBSIds, KelNetSQLBSIdListRsp_t* rspBSIds);
    // Ostrel: a backup set and those that stand or fall with it, oldest
    // first; restoreByteSize is left alone.
    bool queryForJobBasedPruning(unsigned long sqlBackupSetId);

    // Ostrel: the next step of a database restored step by step, from the
    // state its agent reported, as stepItems(): for a standby database the
    // logs (or the one log) that follow the set restored last, for a loading
    // one the log-only step; any other state gives an empty list.
    bool query(unsigned long sqlDatabaseId, KelSQLStepRestoreState& state);
    // The log-only step of a loading database: the logs that cover the
    // reported LSN range and continue it, in catalogue order.
    bool query(unsigned long sqlDatabaseId, KelSQLStepRestoreState* state);
    // Ostrel: for a hot-standby server that restored the set of that agent
    // number (or name, when given), the catalogue set to restore next; flags
    // 1 up to date, 2 a full restore is needed.
    bool hotServerStandbyQuery(unsigned long sqlDatabaseId, unsigned long restoredBackupSetId,
                               unsigned long& currentSqlBackupSetId, unsigned long& nextSqlBackupSetId,
                               const std::string& restoredBackupSetName, unsigned long& flags);

    // Whether a full ('D' or 'd') of the database has fullBackupLSN as its
    // checkpoint LSN (its last LSN for SQL Server 7) and started by time.
    bool doesFullBackupChainExist(unsigned long sqlDatabaseId, KelSQLDateAndTime& time, std::string fullBackupLSN,
                                  bool sql7, DBtran* tran, bool& exists);
    bool getBackupsetSize(unsigned long sqlBackupSetId, unsigned long long& size);
    // The one backup set of a standby step ('F' and 'G' refused, 0x1E000057).
    bool setStepRestoreList(unsigned long sqlBackupSetId);
    // The log-only list between two LSNs (KelNetSQLTarnLogRestore::query).
    bool setTarnLogOnlyRestoreList(unsigned long sqlDatabaseId, unsigned long stopSqlBackupSetId,
                                   std::string firstLSN, std::string lastLSN, std::string extraLSN1,
                                   std::string extraLSN2, unsigned long pointInTime);

    // Ostrel: the full the newest backup finished by browseTime depends on,
    // and the log that ends a file or file-group restore to pit (0: now).
    // False without an error of their own when no row fits.
    bool getLSNRecordForLastFull(SIM_TimeZoneInfo_t* timeZone, unsigned long sqlDatabaseId,
                                 unsigned long browseTime, SqlLSNs_t& row);
    bool getLogLSNRecordForFFGPIT(SIM_TimeZoneInfo_t* timeZone, unsigned long sqlDatabaseId, unsigned long pit,
                                  SqlLSNs_t& row);

    // 0 when the list is empty.
    unsigned long lastSqlBackupSetId() const { return bsIdList_.empty() ? 0 : static_cast<unsigned long>(bsIdList_.back()); }
    std::vector<uint64_t>* getBSIdList() { return &bsIdList_; }
    const std::vector<KelSQLDBRestoreBackupSetItem_t>& browseItems() const { return browseItems_; }
    const std::vector<KelSQLDBRestoreBackupSetItem_t>& stepItems() const { return stepItems_; }
    unsigned long long restoreByteSize() const { return restoreByteSize_; }
    void setRestoreTimeType(KelSQLTimeType type) { restoreTimeType_ = type; }
    void setRestoreTime(KelSQLDateAndTime time) { restoreTime_ = time; }
    KelSQLTimeType restoreTimeType() const { return restoreTimeType_; }
    long long dbStatus() const { return dbStatus_; }
    // After a failed chain query: true when the catalogue holds no chain a
    // server could restore (no full, an LSN gap), false when reading it
    // failed.
    bool chainBroken() const { return chainBroken_; }

    // The agent's side of the request: send, status, copy the answer.
    bool networkQuery();
    // Refuses a TotalCount beyond the response's slots (0x1E000032).
    bool copyFromNetwork(KelNetSQLBSIdListRsp_t* rsp);
    // More than 1799 ids: 0x1E000051 and nothing written.
    bool copyToNetwork(KelNetSQLBSIdListRsp_t* rsp);

private:
    bool fail(uint64_t number, const char* signature);
    // A request of the given type from an agent; false when it is not one.
    bool sendRequest(uint32_t restoreType, unsigned long sqlBackupSetId, unsigned long sqlDatabaseId,
                     unsigned long time);
    bool sendsRequest() const;
    // The walk of a log or differential target (steps of query(id)).
    bool chainOf(const SqlLSNs_t& target);
    bool presentFullChain(const SqlLSNs_t& from, const SqlLSNs_t& limit, bool sql7, kelsql::chain::ChainLinks& w);
    bool differentialOf(const SqlLSNs_t& full, const SqlLSNs_t& r, bool sql7, kelsql::chain::ChainLinks& w);
    // doesFullBackupChainExist with the time as its literal; finishedBy is
    // added to the full's where text.
    bool fullPresent(unsigned long sqlDatabaseId, const std::string& time, const std::string& fullBackupLSN,
                     bool sql7, bool& exists, const std::string& finishedBy);
    // For a point in time, the condition that a full finished by the point;
    // else empty.
    std::string finishedBy();
    // A differential that finished after the point of a point-in-time query.
    bool finishedAfterPoint(const SqlLSNs_t& row) const;
    bool sumSizes();
    // The target a time picks, chained; T already in its final form.
    bool pointInTimeTarget(unsigned long sqlDatabaseId, KelSQLDateAndTime& when, KelSQLTimeType type);
    bool browseItemsOf(const char* signature);
    bool browseItemsOneByOne();
    // The checks both step queries open with; empties stepItems.
    bool stepEntry(unsigned long sqlDatabaseId, const KelSQLStepRestoreState& state);
    bool standbyStep(unsigned long sqlDatabaseId, const KelSQLStepRestoreState& state);
    bool appendStepItem(const SqlLSNs_t& row);
    // Every row of a cursor over sqlLSNs as a step item (one: the first only).
    bool stepItemsOf(const std::string& where, const char* order, bool one);
    // T of a time-based query: the client's time when the zone applies.
    static unsigned long clientTime(unsigned long time, SIM_TimeZoneInfo_t* timeZone);

    KelSQLClassProperties& context_;
    long long dbStatus_ = 0;
    bool chainBroken_ = false;
    bool serverObject_;
    KelSQLBackupSetAppType appType_;
    std::vector<uint64_t> bsIdList_;
    std::vector<KelSQLDBRestoreBackupSetItem_t> browseItems_;
    // While a browse forms its chain: the chain's items, oldest first, from
    // the rows the walk and the size read took anyway.
    bool itemsWanted_ = false;
    std::vector<KelSQLDBRestoreBackupSetItem_t> chainItems_;
    std::vector<KelSQLDBRestoreBackupSetItem_t> stepItems_;
    unsigned long long restoreByteSize_ = 0;
    KelSQLTimeType restoreTimeType_ = KelSQLTimeTypeNone;
    KelSQLDateAndTime restoreTime_;
};
