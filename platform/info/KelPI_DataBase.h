// The database information of a machine: the agent's own database, the ODBC
// data source registered for each SQL Server instance and the list of
// instances that have one. Kept in the machine registry; the calls return
// non-zero on success and leave the store's own result in getRegError()
// (kRegNoEntry when the entry does not exist) and the error in getLastError().
#pragma once

#include <string>
#include <vector>

#include "platform/info/KelPlatformInfoStore.h"

class KelPI_DataBase : public KelPI_Base {
public:
    static constexpr int kRegSuccess = 0;
    static constexpr int kRegFailed = -1;
    static constexpr int kRegBadArgument = -2;
    static constexpr int kRegNoEntry = -3;
    static constexpr int kRegMoreData = 234;

    using KelPI_Base::setFocus;
    int setFocus(const char* machine);
    // Follows the process focus again.
    void setToDefaultFocus();

    // Non-zero when the machine has no agent database.
    int invalidDataBase();
    // Creates the agent database name (the two options are kept as given).
    int create(const char* option1, const char* option2, const char* name);
    // The agent database's instance text; null when there is none.
    const char* getInstance();

    // The data source of an instance (instance names compare without regard
    // to case). *capacity is the buffer's size on entry, the length on return.
    int getSqlServerODBCDSN(const char* instance, char* buffer, int* capacity);
    int setSqlServerODBCDSN(const char* instance, const char* dataSourceName);
    int deleteSqlServerODBCDSN(const char* instance);
    // The version text registered for an instance, as getSqlServerODBCDSN.
    int getSqlServerVersion(const char* instance, char* buffer, int* capacity);
    int setSqlServerVersion(const char* instance, const char* version);

    // The instance list: NUL-terminated names ended by an empty name. *size is
    // the buffer's size on entry and the bytes used on return; a list that
    // does not fit is refused with kRegMoreData and the size it needs.
    int getDSNList(char* buffer, int* size);
    // Reads at most size bytes of buffer, up to the first empty name.
    int setDSNList(const char* buffer, int size);

    // The Ostrel's catalogue connection and its SQL login, as its installer
    // recorded them ([Database] sCONNECTION, sSQLUSER, sSQLPASSWORD); empty
    // when not recorded.
    std::string getConnection() const;
    std::string GetSqlUserName() const;
    std::string GetSqlPassword() const;
    bool setCatalogueLogin(const std::string& connection, const std::string& user, const std::string& password);

    int getRegError() const { return regError_; }

    // The names of a list buffer, read within size bytes.
    static std::vector<std::string> splitList(const char* buffer, size_t size);
    // The bytes a list of names takes, its final empty name included.
    static size_t listSize(const std::vector<std::string>& names);
    // Writes names as a list into buffer; false (buffer untouched) when the
    // list and its final empty name need more than capacity bytes.
    static bool joinList(const std::vector<std::string>& names, char* buffer, size_t capacity,
                         size_t* used);

private:
    int fail(int regError, uint64_t number, const char* function, const std::string& detail);
    int succeed();
    int readValue(const char* function, const char* section, const char* instance, char* buffer,
                  int* capacity);
    int writeValue(const char* function, const char* section, const char* instance,
                   const char* value);

    int regError_ = kRegSuccess;
    std::string instance_;
};

namespace kel {

// Registry sections of the database information.
inline constexpr const char* kSectionDataSources = "ODBC Data Sources";
inline constexpr const char* kSectionDataSourceList = "ODBC Instances";
inline constexpr const char* kSectionSqlVersions = "SQL Server Versions";
inline constexpr const char* kKeyInstance = "sINSTANCE";
inline constexpr const char* kKeyCreateOption1 = "sOPTION1";
inline constexpr const char* kKeyCreateOption2 = "sOPTION2";
inline constexpr const char* kKeyConnection = "sCONNECTION";
inline constexpr const char* kKeySqlUser = "sSQLUSER";
inline constexpr const char* kKeySqlPassword = "sSQLPASSWORD";

}  // namespace kel
