// The parsed values of a backup or restore job's command line, each with a
// "given" flag. Setters take an option's text, return false for a text they
// refuse and then leave value and flag as they were; the validate checks say
// whether a complete set was given for a job kind.
#pragma once

#include <cstdint>
#include <string>

#include "KelSQL/KelSQLUserAndPassword.h"

class KelSQLCmdArgs {
public:
    enum BackupType : uint32_t { kFull = 1, kLog = 2, kDifferential = 3 };

    KelSQLCmdArgs() = default;

    bool setJobId(const std::string& text);
    bool setJobId(unsigned long long jobId);
    // "first:second"; an empty first part gives 0.
    bool setApplicationNumber(const std::string& text);
    bool setApplicationNumber(unsigned long first, unsigned long second);
    bool setPercentage(const std::string& text);
    bool setVirtualMachine(const std::string& text);
    // "full", "log" or "diff", without regard to case.
    bool setBackupTypeInteractive(const std::string& text);
    // By the first character, with case: D full, L log, I differential.
    bool setBackupType(const std::string& text);
    bool setSqlServerInstance(const std::string& text);
    bool setSqlDatabaseName(const std::string& text);
    // Always taken, the empty text included.
    bool setBackupDescription(const std::string& text);
    // The database owner's login in the network credential form.
    bool setDBO(const std::string& text);
    bool setRestoreTaskId(const std::string& text);
    void setCommandLine(const std::string& text) { commandLine_ = text + " -O "; }
    void setDatabaseBackupOn() { databaseBackup_ = true; }
    // A job that must be a full backup remembers the type it was asked for.
    void databaseBackupTypeOverride();

    bool validateBackupOptions() const;
    bool validateInteractiveBackupOptions() const;
    bool validateRestoreOptions() const;

    const std::string& commandLine() const { return commandLine_; }
    bool isDatabaseBackup() const { return databaseBackup_; }
    unsigned long long jobId() const { return jobId_; }
    bool isJobIdGiven() const { return jobIdGiven_; }
    unsigned long long applicationNumberFirst() const { return appNumberFirst_; }
    unsigned long long applicationNumberSecond() const { return appNumberSecond_; }
    bool isApplicationNumberGiven() const { return appNumberGiven_; }
    int percentage() const { return percentage_; }
    bool isPercentageGiven() const { return percentageGiven_; }
    uint32_t backupType() const { return backupType_; }
    uint32_t savedBackupType() const { return savedBackupType_; }
    bool isBackupTypeGiven() const { return backupTypeGiven_; }
    bool isBackupTypeOverridden() const { return backupTypeOverridden_; }
    const std::string& description() const { return description_; }
    bool isDescriptionGiven() const { return descriptionGiven_; }
    const KelSQLUserAndPassword& dbo() const { return dbo_; }
    bool isDBOGiven() const { return dboGiven_; }
    const std::string& virtualMachine() const { return virtualMachine_; }
    bool isVirtualMachineGiven() const { return virtualMachineGiven_; }
    bool isInteractiveBackupTypeGiven() const { return interactiveTypeGiven_; }
    const std::string& sqlServerInstance() const { return instance_; }
    bool isInstanceGiven() const { return instanceGiven_; }
    const std::string& sqlDatabaseName() const { return databaseName_; }
    bool isDatabaseNameGiven() const { return databaseNameGiven_; }
    unsigned long long restoreTaskId() const { return restoreTaskId_; }
    bool isRestoreTaskIdGiven() const { return restoreTaskIdGiven_; }

private:
    // Kept for the class's layout: no option sets them and nothing reads them.
    [[maybe_unused]] bool flag1_ = false;
    [[maybe_unused]] bool flag2_ = false;
    std::string commandLine_;
    bool databaseBackup_ = true;
    bool jobIdGiven_ = false;
    unsigned long long jobId_ = 0;
    bool appNumberGiven_ = false;
    unsigned long long appNumberSecond_ = 0;
    unsigned long long appNumberFirst_ = 0;
    bool percentageGiven_ = false;
    int32_t percentage_ = 0;
    bool backupTypeGiven_ = false;
    bool backupTypeOverridden_ = false;
    uint32_t backupType_ = 0;
    uint32_t savedBackupType_ = 0;
    bool descriptionGiven_ = false;
    std::string description_;
    // No option sets these either; the restore check requires them unset.
    bool further1_ = false;
    bool further2_ = false;
    KelSQLUserAndPassword dbo_;
    bool dboGiven_ = false;
    std::string virtualMachine_;
    bool virtualMachineGiven_ = false;
    bool interactiveTypeGiven_ = false;
    std::string instance_;
    bool instanceGiven_ = false;
    std::string databaseName_;
    bool databaseNameGiven_ = false;
    unsigned long long restoreTaskId_ = 0;
    bool restoreTaskIdGiven_ = false;
};
