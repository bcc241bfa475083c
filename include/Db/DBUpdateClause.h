// Builds the SET list of an UPDATE column by column: "name = value" items
// joined by ", ". Text values go in as kel::sql::quoted literals, so the
// catalogue stores the whole text. The list is run literally by rowUpdate,
// never read as a format.
//
// Given its table's columns, the clause takes no text longer than its column:
// the first such text is left out and kept as refused, clauseFits reports it
// and the record's rowUpdate runs nothing while it stands, so a cut value is
// never stored and a caller cannot run the rest of the list without it.
#pragma once

#include <cstddef>
#include <string>

#include "platform/db/DBColumnLayout.h"
#include "platform/db/KelDBDataType.h"

class KelLastError;

using tagTIMESTAMP_STRUCT = KELTIMESTAMP_STRUCT;

class DBUpdateClause {
public:
    DBUpdateClause() = default;
    virtual ~DBUpdateClause() = default;

    // The table whose column widths bound the texts (none: unbounded).
    void boundColumnsBy(const DBColumnLayout* layout) { m_layout = layout; }

    // Also forgets a refused text.
    void clearUpdateClause();
    const std::string& getUpdateClause() const { return m_clause; }
    // A text was longer than its column.
    bool clauseRefused() const { return !m_refusedColumn.empty(); }
    // true, or 0x1E000037 naming the refused column as too long.
    bool clauseFits(KelLastError& err, const char* signature) const;

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
    // The width (NUL counted) of a sized text column; 0 for any other.
    size_t textWidth(std::string const& name) const;

    std::string m_clause;
    const DBColumnLayout* m_layout = nullptr;
    std::string m_refusedColumn;
    std::string m_refusedText;
    size_t m_refusedWidth = 0;
};
