#include "Db/DBUpdateClause.h"

#include <cstdint>
#include <ctime>

#include "platform/db/SqlText.h"

void DBUpdateClause::clearUpdateClause() { m_clause.clear(); }

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
