#include "Db/DBUpdateClause.h"

#include <cstdint>
#include <ctime>

#include "KelSQL/KelSQLErrorStatus.h"
#include "platform/db/SqlText.h"
#include "platform/events/KelLastError.h"

void DBUpdateClause::clearUpdateClause() {
    m_clause.clear();
    m_refusedColumn.clear();
}

bool DBUpdateClause::clauseFits(KelLastError& err, const char* signature) const {
    if (!clauseRefused()) return true;
    return textFits(err, m_refusedText, m_refusedWidth, m_refusedColumn.c_str(), signature);
}

size_t DBUpdateClause::textWidth(std::string const& name) const {
    if (!m_layout) return 0;
    for (int i = 0; i < m_layout->columnCount; ++i) {
        const DBColumn& c = m_layout->columns[i];
        // "sN" and "uN" are fields of N bytes; an unsized "u" is owned and unbounded.
        if (name == c.name) return (c.token[0] == 's' || c.token[0] == 'u') && c.token[1] != '\0' ? c.size : 0;
    }
    return 0;
}

void DBUpdateClause::add(std::string const& name, std::string const& value) {
    if (!m_clause.empty()) m_clause += ", ";
    m_clause += name;
    m_clause += " = ";
    m_clause += value;
}

void DBUpdateClause::setColumn(unsigned long value, std::string const& name) {
    add(name, std::to_string(int32_t(uint32_t(value))));
}

void DBUpdateClause::setColumn(std::string const& value, std::string const& name) {
    const size_t width = textWidth(name);
    if (width != 0 && value.size() >= width) {
        if (!clauseRefused()) {
            m_refusedColumn = name;
            m_refusedText = value;
            m_refusedWidth = width;
        }
        return;
    }
    add(name, kel::sql::quoted(value));
}

void DBUpdateClause::setNullColumn(std::string const& name) { add(name, "NULL"); }

void DBUpdateClause::updateColumn(unsigned long value, std::string const& name) {
    if (value != 0) setColumn(value, name);
}

void DBUpdateClause::updateColumn(std::string const& value, std::string const& name) {
    if (!value.empty()) setColumn(value, name);
}

void DBUpdateClause::updateODBCDateColumn(unsigned long time, std::string const& name) {
    if (time == 0) return;
    tagTIMESTAMP_STRUCT ts;
    convertTimeToTimeStamp(time, ts);
    // A time that cannot be broken down would give the all-zero literal,
    // which the catalogue refuses.
    if (ts.year == 0) return;
    add(name, kel::sql::timestampLiteral(ts));
}

void DBUpdateClause::convertTimeToTimeStamp(unsigned long time, tagTIMESTAMP_STRUCT& ts) const {
    ts = tagTIMESTAMP_STRUCT();
    if (time == 0) return;
    std::time_t t = std::time_t(time);
    std::tm tm{};
    // A time localtime_r cannot break down stays the zero timestamp.
    if (!localtime_r(&t, &tm)) return;
    ts.year = int16_t(tm.tm_year + 1900);
    ts.month = uint16_t(tm.tm_mon + 1);
    ts.day = uint16_t(tm.tm_mday);
    ts.hour = uint16_t(tm.tm_hour);
    ts.minute = uint16_t(tm.tm_min);
    ts.second = uint16_t(tm.tm_sec);
    ts.fraction = 0;
}
