// The library side of the column value classes and the library's log line.
#include <cstdarg>
#include <cstdio>
#include <string>

#include "platform/db/KelDBDataType.h"
#include "platform/db/DBtable.h"
#include "platform/events/KelDebug.h"

const char* const KelDB_int_format = "%d";
const char* const KelDB___int64_format = "%lld";

std::string KelDBDataTypeBase::toString(int) const {
    if (m_null) return std::string();
    setString();
    return m_str;
}

bool KelDB_string::setData(const char* data, int offset, int length, bool) {
    if (!data || offset < 0 || length < 0) return false;
    size_t n = strnlen(data, size_t(length));
    if (m_value.size() > size_t(offset)) m_value.resize(size_t(offset));
    else m_value.append(size_t(offset) - m_value.size(), ' ');
    m_value.append(data, n);
    m_flag = 0;
    return true;
}

bool KelDB_datetime::setData(const char* data, int offset, int length, bool) {
    if (!data || offset < 0 || length < 0 || size_t(offset) + size_t(length) > sizeof(KELTIMESTAMP_STRUCT))
        return false;
    std::memcpy(reinterpret_cast<char*>(&m_value) + offset, data, size_t(length));
    m_flag = 0;
    return true;
}

void KelDB_datetime::setString() const {
    if (m_null) {
        m_str.clear();
        return;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u %02u:%02u:%02u", int(m_value.year), unsigned(m_value.month),
                  unsigned(m_value.day), unsigned(m_value.hour), unsigned(m_value.minute),
                  unsigned(m_value.second));
    m_str = buf;
}

void log_error(const char* file, int line, const char* format, ...) {
    va_list args;
    va_start(args, format);
    char message[1024] = "";
    if (format) std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    std::string text = std::string(file ? file : "?") + "(" + std::to_string(line) + "): " + message;
    KelDebug::Error("log_error", text.c_str());
}
