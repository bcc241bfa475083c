#include "Db/DBUpdateClause.h"

#include <cstdint>
#include <cstdio>
#include <ctime>

DBUpdateClause::DBUpdateClause() : m_separator(", "), m_quotedOpening(" = '"), m_quote("'"), m_equals(" = ") {}

void DBUpdateClause::clearUpdateClause() {
    m_clause.clear();
    m_pending.clear();
}

void DBUpdateClause::add(std::string const& name, std::string const& fragment, std::string const& value) {
    m_clause += m_pending;
    m_clause += name;
    m_clause += fragment;
    m_clause += value;
    m_pending = m_separator;
}

void DBUpdateClause::setColumn(unsigned long value, std::string const& name) {
    std::snprintf(m_buffer, sizeof m_buffer, "%d", int32_t(uint32_t(value)));
    add(name, m_equals, m_buffer);
}

void DBUpdateClause::setColumn(std::string const& value, std::string const& name) {
    std::string quoted;
    quoted.reserve(value.size() + 1);
    for (char c : value) {
        quoted += c;
        if (c == '\'') quoted += '\'';
    }
    quoted += m_quote;
    add(name, m_quotedOpening, quoted);
}

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
    // localtime_r's fields are in range; the modulo only tells the compiler.
    std::snprintf(m_buffer, sizeof m_buffer, "{ts'%04u-%02u-%02u %02u:%02u:%02u'}", unsigned(ts.year) % 10000u,
                  ts.month % 100u, ts.day % 100u, ts.hour % 100u, ts.minute % 100u, ts.second % 100u);
    add(name, m_equals, m_buffer);
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
