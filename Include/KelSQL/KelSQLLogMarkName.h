// One named transaction-log mark of a database: a row of table
// sqlLogMarkNames, kept so that a database can be restored to (or to just
// before) the mark. Agents record marks and ask for a database's newest one
// by request; the Ostrel also asks whether a database has marks and removes
// them with their backups or their database. Marks are not kept for
// SQL Server 7 instances.
//
// The context is borrowed and outlives the object.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "KelSQL/KelNetSQLLogMarkName.h"
#include "KelSQL/KelSQLDateAndTime.h"

struct SqlLogMarkNames_t;

// One row of a log-mark report; sequence is its place in the report as
// fetched, from 1.
struct KelSQL_LogMark_t {
    uint64_t id = 0;
    uint64_t sqlDatabaseId = 0;
    int64_t markTime = 0;  // seconds since 1970
    std::string name;
    std::string description;
    std::string lsn;
    uint64_t sequence = 0;
};

class KelSQLLogMarkName : public KelNetSQLLogMarkName {
public:
    static constexpr size_t kNameMax = 64;
    static constexpr size_t kLSNMax = 32;
    static constexpr size_t kDescriptionMax = 255;

    // serverObject: built by the message handler to answer a request.
    KelSQLLogMarkName(KelSQLClassProperties& context, bool serverObject);
    KelSQLLogMarkName(const KelSQLLogMarkName&) = delete;
    KelSQLLogMarkName& operator=(const KelSQLLogMarkName&) = delete;

    void initializeSQLObject();

    // Ostrel, started transaction: the record as a new row, read back.
    bool insert();
    // Agent: the record to the Ostrel (DBCode 2).
    bool networkUpdate();
    // Agent: the newest mark of the database into the record (DBCode 1); an
    // empty record when it has none.
    bool getLastLogMarkUpdate(unsigned long tesselId, unsigned long sqlDatabaseId);
    // Ostrel: whether the database has a mark; false only when the catalogue
    // failed.
    bool query(unsigned long tesselId, unsigned long sqlDatabaseId, bool& found);
    // Ostrel: one mark by id.
    bool query(unsigned long sqlLogMarkNamesId);
    // Ostrel, started transaction: every mark of a database; the marks whose
    // LSN lies in [firstLSN, lastLSN] compared as numbers. Nothing to delete
    // is success; on SQL Server 7 nothing is deleted.
    bool removeDatabase(unsigned long tesselId, unsigned long sqlDatabaseId);
    bool removeLSNRange(unsigned long tesselId, unsigned long sqlDatabaseId, const std::string& firstLSN,
                        const std::string& lastLSN);
    bool updateLogMarks(unsigned long, unsigned long, const std::string&, const std::string&) { return true; }
    // Ostrel reports; each clears list first. Times are seconds since 1970,
    // 0 no bound; beforeBrowseTime is the upper bound of a restore window,
    // afterBrowseTime the lower. Without a lower bound the window starts at
    // the finish of the full a restore up to beforeBrowseTime would start
    // from (none: 0x1E0000CE). A failure part-way leaves what was fetched.
    bool databaseLogMarksReport(unsigned long tesselId, unsigned long sqlDatabaseId,
                                std::vector<KelSQL_LogMark_t>& list);
    bool serverLogMarksReport(unsigned long tesselId, unsigned long sqlServerId, std::vector<KelSQL_LogMark_t>& list);
    bool getLogMarksForDatabaseRestore(unsigned long tesselId, unsigned long sqlDatabaseId,
                                       std::vector<KelSQL_LogMark_t>& list, unsigned long beforeBrowseTime,
                                       unsigned long afterBrowseTime);
    // The restore-window marks of the first database that every other one
    // has too (same name, same time).
    bool getCommonDatabaseLogMarks(unsigned long tesselId, unsigned long sqlServerId,
                                   const std::vector<unsigned long>& sqlDatabaseIdList, unsigned long beforeBrowseTime,
                                   std::vector<KelSQL_LogMark_t>& list);

    // The handler's DBCode 1 and 2 (server object only).
    bool query(const KelNetSQLLogMarkName_t& request, KelNetSQLLogMarkName_t& response);
    bool insert(const KelNetSQLLogMarkName_t& request, KelNetSQLLogMarkName_t& response);

    unsigned long sqlId() const { return id_; }
    unsigned long tesselId() const { return tesselId_; }
    unsigned long sqlDatabaseId() const { return sqlDatabaseId_; }
    const std::string& name() const { return name_; }
    const std::string& lsn() const { return lsn_; }
    const std::string& description() const { return description_; }
    KelSQLDateAndTime& markTime() { return markTime_; }
    void setTesselId(unsigned long id) { tesselId_ = id; }
    void setSqlDatabaseId(unsigned long id) { sqlDatabaseId_ = id; }
    void setName(const std::string& name) { name_ = name; }
    void setLSN(const std::string& lsn) { lsn_ = lsn; }
    void setDescription(const std::string& text) { description_ = text; }
    bool isLoaded() const { return loaded_; }
    long long sqlCode() const { return sqlCode_; }

    [[nodiscard]] bool copyToNetwork(KelNetSQLLogMarkName_t& rec);
    void copyFromNetwork(const KelNetSQLLogMarkName_t& rec);
    [[nodiscard]] bool copyToSql(SqlLogMarkNames_t& row);
    void copyFromSql(const SqlLogMarkNames_t& row);

private:
    bool fail(uint64_t number, const char* signature);
    // Whether the database's instance is SQL Server 7; an unknown database
    // or instance is not.
    bool isSql7(unsigned long sqlDatabaseId);
    bool isSql7Instance(unsigned long sqlServerId);
    bool serverQuery(unsigned long sqlDatabaseId);
    bool serverRemove(unsigned long sqlDatabaseId);
    // The checks a report opens with; id names a database, or an instance
    // when idName is "sqlServerId", whose instance decides on SQL Server 7.
    bool reportOpening(unsigned long tesselId, const char* idName, unsigned long id, bool idFirst,
                       const char* signature);
    template <class Record>
    bool fetchReport(Record& record, std::vector<KelSQL_LogMark_t>& list, const char* signature);

    KelSQLClassProperties& context_;
    bool serverObject_;
    bool loaded_ = false;
    long long sqlCode_ = 0;
    std::string where_;
    unsigned long id_ = 0;
    unsigned long tesselId_ = 0;
    unsigned long sqlDatabaseId_ = 0;
    std::string name_;
    std::string lsn_;
    std::string description_;
    KelSQLDateAndTime markTime_;
};
