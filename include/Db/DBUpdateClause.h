// Builds the SET list of an UPDATE column by column: "name = value" items
// joined by ", ". Text values go in as kel::sql::quoted literals, so the
// catalogue stores the whole text. The list is run literally by rowUpdate,
// never read as a format.
#pragma once

#include <string>

#include "platform/db/KelDBDataType.h"

using tagTIMESTAMP_STRUCT = KELTIMESTAMP_STRUCT;

class DBUpdateClause {
public:
    DBUpdateClause() = default;
    virtual ~DBUpdateClause() = default;

    void clearUpdateClause();
    const std::string& getUpdateClause() const { return m_clause; }

    // The value first, the column name second. Numbers are written as signed
    // 32-bit values (4294967295 gives -1).
    void setColumn(unsigned long value, std::string const& name);
    void setColumn(std::string const& value, std::string const& name);
    // The column set to NULL.
    void setNullColumn(std::string const& name);
    // As setColumn, but nothing for 0 or the empty text.
    void updateColumn(unsigned long value, std::string const& name);
    void updateColumn(std::string const& value, std::string const& name);
    // A time in seconds since 1970 as an ODBC timestamp literal in local
    // time; nothing for 0.
    void updateODBCDateColumn(unsigned long time, std::string const& name);
    void convertTimeToTimeStamp(unsigned long time, tagTIMESTAMP_STRUCT& ts) const;

private:
    void add(std::string const& name, std::string const& value);

    std::string m_clause;
};
