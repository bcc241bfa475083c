// The catalogue record of one restore task: a row of table sqlRestoreTask,
// naming the instance and database a restore job restores, how (the restore
// type and flags), to what (a backup set, a time or a log mark), with which
// SQL login, and the head of its restore data chain. Tasks chain through
// next into the restore task list of one job.
//
// Tasks are written on the Ostrel only; agents read them by id (in the
// object's message version), as a chain, or by the job manager's restore
// task id. The context is borrowed and outlives the object; the login the
// task carries is the context's (reading a task sets it there).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "KelSQL/KelNetSQLEvRestoreTask.h"
#include "KelSQL/KelNetSQLRestoreTask.h"
#include "KelSQL/KelNetSQLRestoreTaskList.h"
#include "KelSQL/KelSQLDateAndTime.h"

class KelSQLUserAndPassword;
class SqlRestoreTask;
struct SqlRestoreTask_t;

class KelSQLRestoreTask : public KelNetSQLRestoreTask {
public:
    // serverObject: built by the Ostrel's handler to answer a request.
    KelSQLRestoreTask(KelSQLClassProperties& context, bool serverObject,
                      unsigned long long requestType = kelsql::kRestoreTaskV3);
    ~KelSQLRestoreTask() override = default;
    KelSQLRestoreTask(const KelSQLRestoreTask&) = delete;
    KelSQLRestoreTask& operator=(const KelSQLRestoreTask&) = delete;

    // The record back to empty (the id stays), and the job manager's fields.
    void initializeSQLObject();
    void initializeSQLObjectERT();

    // Setters; false with the reason in getLastError(), the record unchanged.
    bool setRestoreType(uint32_t type);
    bool setRestoreFlags(uint64_t flags);
    bool setRestoreTypePointInTime(unsigned long time);
    bool setRestoreTypeDiscreteTime(unsigned long time);
    bool setRestoreTypeDBStepPointInTime(unsigned long time);
    bool setRestoreTypeFFGPointInTime(unsigned long time);
    bool setRestoreTime(unsigned long time);
    bool setRestoreTypeDBStepRestore(unsigned long sqlBackupSetId);
    bool setRestoreTypeDBBackupSet(unsigned long sqlBackupSetId);
    bool setRestoreTypeRecoverOnly();
    bool setRestoreTypeHotServer();
    // Ostrel side, not on SQL Server 7; the mark id is not kept.
    bool setRestoreTypeStopAtMark(unsigned long sqlLogMarkNamesId, unsigned long time);
    bool setRestoreTypeStopAtMark(const std::string& sqlLogMarkName, unsigned long time);
    bool setRestoreTypeStopBeforeMark(unsigned long sqlLogMarkNamesId, unsigned long time);
    bool setRestoreTypeStopBeforeMark(const std::string& sqlLogMarkName, unsigned long time);

    // Ostrel, in a started transaction: store the record as a new row, or
    // write its set fields into row sqlRestoreTaskId; either reads the row
    // back into the record.
    bool insert();
    bool update(unsigned long sqlRestoreTaskId);
    // One task by id (0: the record's), locally or from the Ostrel.
    bool querySqlRestoreTask(unsigned long sqlRestoreTaskId);
    // Agent: the task the job manager names for its restore task id (0: the
    // object's).
    bool query(unsigned long evRestoreTaskId);
    // Ostrel (or server object), in the caller's started transaction: the
    // task and every task chained after it, each with its restore data.
    // Tasks before it are not touched (nor relinked).
    bool remove(unsigned long sqlRestoreTaskId);
    // Ostrel, in the caller's started transaction: every task of a database
    // (or of an instance) with its restore data; the chains of other tasks
    // are linked around them.
    bool databaseForceDelete(unsigned long sqlDatabaseId);
    bool serverForceDelete(unsigned long sqlServerId);
    // The chain of tasks from an id, asked of the Ostrel from any side.
    bool queryRestoreTaskList(unsigned long sqlRestoreTaskId, std::vector<KelNetSQLRestoreTaskInfo_t>& list);

    // Answering operations (server object only).
    bool lookup(KelNetSQLRestoreTaskReq_t* req, KelNetSQLRestoreTask_t* rsp);
    bool lookup(KelNetSQLRestoreTaskReq_t* req, KelNetSQLRestoreTask2_t* rsp);
    bool lookup(KelNetSQLRestoreTaskReq_t* req, KelNetSQLRestoreTask3_t* rsp);
    bool lookup(KelNetSQLRestoreTaskListReq_t* req, KelNetSQLRestoreTaskListRsp_t* rsp);
    // Agent: the filled request out, the version's record back.
    bool networkQuery();

    // The texts are copied whole or refused (0x1E000037 naming the field).
    [[nodiscard]] bool copyToNetwork(KelNetSQLRestoreTask_t& rec);
    [[nodiscard]] bool copyToNetwork(KelNetSQLRestoreTask2_t& rec);
    [[nodiscard]] bool copyToNetwork(KelNetSQLRestoreTask3_t& rec);
    void copyFromNetwork(const KelNetSQLRestoreTask_t& rec);
    void copyFromNetwork(const KelNetSQLRestoreTask2_t& rec);
    void copyFromNetwork(const KelNetSQLRestoreTask3_t& rec);
    [[nodiscard]] bool copyToSql(SqlRestoreTask_t& row);
    bool copyFromSql(const SqlRestoreTask_t& row);

    bool isRestoreTypePointInTime() const { return restoreType_ == KelNetSQLRestoreTypePointInTime; }
    bool isRestoreTypeDiscreteTime() const { return restoreType_ == KelNetSQLRestoreTypeDiscreteTime; }
    bool isRestoreTypeDBStepRestore() const { return restoreType_ == KelNetSQLRestoreTypeDBStepRestore; }
    bool isRestoreTypeDBBackupSet() const { return restoreType_ == KelNetSQLRestoreTypeDBBackupSet; }
    bool isRestoreTypeFileGroup() const { return restoreType_ == KelNetSQLRestoreTypeFileGroup; }
    bool isRestoreTypeFile() const { return restoreType_ == KelNetSQLRestoreTypeFile; }
    bool isNoRecovery() const { return (restoreFlags_ & kelsql::kRestoreNoRecovery) != 0; }
    bool isStandBy() const { return (restoreFlags_ & kelsql::kRestoreStandBy) != 0; }

    // The record.
    unsigned long sqlRestoreTaskId() const { return sqlRestoreTaskId_; }
    uint32_t restoreType() const { return restoreType_; }
    unsigned long sqlBackupSetId() const { return sqlBackupSetId_; }
    KelSQLDateAndTime& restoreTime() { return restoreTime_; }
    unsigned long percentage() const { return percentage_; }
    uint64_t restoreFlags() const { return restoreFlags_; }
    unsigned long sqlDatabaseId() const { return sqlDatabaseId_; }
    unsigned long sqlServerId() const { return sqlServerId_; }
    unsigned long sqlRestoreDataId() const { return sqlRestoreDataId_; }
    unsigned long next() const { return next_; }
    unsigned long systemFlags() const { return systemFlags_; }
    unsigned long archiveCopyId() const { return archiveCopyId_; }
    const std::string& databaseName() const { return databaseName_; }
    const std::string& undoFile() const { return undoFile_; }
    const std::string& stopMarkName() const { return stopMarkName_; }
    const std::string& serverName() const { return serverName_; }
    void setSqlRestoreTaskId(unsigned long id) { sqlRestoreTaskId_ = id; }
    void setPercentage(unsigned long value) { percentage_ = value; }
    void setSqlDatabaseId(unsigned long id) { sqlDatabaseId_ = id; }
    void setSqlServerId(unsigned long id) { sqlServerId_ = id; }
    void setSqlRestoreDataId(unsigned long id) { sqlRestoreDataId_ = id; }
    void setNext(unsigned long id) { next_ = id; }
    void setSystemFlags(unsigned long flags) { systemFlags_ = flags; }
    void setArchiveCopyId(unsigned long id) { archiveCopyId_ = id; }
    void setDatabaseName(const std::string& name) { databaseName_ = name; }
    void setUndoFile(const std::string& path) { undoFile_ = path; }

    bool isLoaded() const { return loaded_; }
    bool serverObject() const { return serverObject_; }
    long long sqlCode() const { return sqlCode_; }

    // The job manager's answer.
    bool isJobManagerLoaded() const { return jobManagerLoaded_; }
    unsigned long evRestoreTaskId() const { return evRestoreTaskId_; }
    void setEvRestoreTaskId(unsigned long id) { evRestoreTaskId_ = id; }
    uint64_t TesselId() const { return tesselId_; }
    uint64_t JobId() const { return jobId_; }
    uint64_t GUISequenceNumber() const { return guiSequenceNumber_; }
    uint64_t UserId() const { return userId_; }
    const std::string& UserName() const { return userName_; }

private:
    bool fail(uint64_t number, const char* signature);
    bool copyError(KelLastError& from);
    bool catalogueError(const char* signature, SqlRestoreTask& record);
    // Ostrel side with a started transaction.
    bool writable(const char* signature);
    bool checkInsert(const char* signature);
    // The backup set a setter names must exist.
    bool backupSetExists(unsigned long sqlBackupSetId);
    bool markSetter(uint32_t type, const std::string& markName, unsigned long time, const char* signature);
    bool timeSetter(uint32_t type, unsigned long time, bool clearBackupSet, const char* signature);
    bool queryLocal(unsigned long sqlRestoreTaskId, const char* signature);
    // A subclient of the database asking for a full backup after a restore
    // turns the database's next-full flag on; nothing here fails the read.
    void nextFullAfterRestore();
    bool alwaysFullAfterRestore(unsigned long appType, bool& listed);
    void setDatabaseNextFull();
    bool forceDelete(const char* column, unsigned long id, const char* idName, const char* signature);
    template <class Rec>
    bool answerLookup(KelNetSQLRestoreTaskReq_t* req, Rec* rsp, const char* signature, int line);

    KelSQLClassProperties& context_;
    KelSQLUserAndPassword& credentials_;
    bool serverObject_;
    bool loaded_ = false;
    bool jobManagerLoaded_ = false;
    long long sqlCode_ = 0;
    std::string where_;

    unsigned long sqlRestoreTaskId_ = 0;
    uint32_t restoreType_ = 0;
    unsigned long sqlBackupSetId_ = 0;
    KelSQLDateAndTime restoreTime_;
    unsigned long percentage_ = 0;
    uint64_t restoreFlags_ = 0;
    unsigned long sqlDatabaseId_ = 0;
    unsigned long sqlServerId_ = 0;
    unsigned long sqlRestoreDataId_ = 0;
    unsigned long next_ = 0;
    unsigned long systemFlags_ = 0;
    unsigned long archiveCopyId_ = 0;
    std::string databaseName_;
    std::string undoFile_;
    std::string stopMarkName_;
    std::string serverName_;

    unsigned long evRestoreTaskId_ = 0;
    uint64_t tesselId_ = 0;
    uint64_t jobId_ = 0;
    uint64_t guiSequenceNumber_ = 0;
    uint64_t userId_ = 0;
    std::string userName_;
};
