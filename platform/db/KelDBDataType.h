// Typed column values: one object holds one value of one column with a null
// flag, an update status and a text form. Schema rows hold one per column;
// procedure records bind 32-bit values as arguments.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/util/KelTimestamp.h"

enum UpdatedStatus { NotUpdated = 0, Updated = 1 };

// The column value of a date-time column: the ODBC timestamp, zeroed when built.
using KELTIMESTAMP_STRUCT = TIMESTAMP_STRUCT;

// The printf formats of the integer values; the template takes their address,
// as in KelDBPrimitiveType<int, &KelDB_int_format, 1>.
extern const char* const KelDB_int_format;
extern const char* const KelDB___int64_format;

class KelDBDataTypeBase {
public:
    KelDBDataTypeBase() = default;
    virtual bool setData(const char* data, int offset, int length, bool) = 0;
    virtual void clearMemoryOnNULL() {}
    virtual void setString() const = 0;
    virtual std::string getStr() const { return m_str; }
    virtual ~KelDBDataTypeBase() = default;
    virtual int getDataType() const = 0;
    virtual std::string toString(int) const;

    void setInternalNull(bool null) {
        if (null == m_null) return;
        m_flag = 0;
        m_null = null;
        if (null) clearMemoryOnNULL();
    }
    void setUpdated(UpdatedStatus status) { m_updated = status; }
    bool isNull() const { return m_null; }
    UpdatedStatus getUpdated() const { return m_updated; }

protected:
    bool m_null = true;
    UpdatedStatus m_updated = NotUpdated;
    // m_word1, m_str2, m_flag and m_word2 keep the value's layout; nothing reads them.
    uint64_t m_word1 = 0;
    mutable std::string m_str;
    std::string m_str2;
    char m_flag = 0;
    uint64_t m_word2 = 0;
};

template <typename T, const char* const* Format, int TypeId>
class KelDBPrimitiveType : public KelDBDataTypeBase {
public:
    KelDBPrimitiveType() = default;
    explicit KelDBPrimitiveType(T value) : m_value(value) {
        m_null = false;
        m_updated = Updated;
    }
    bool setData(const char* data, int offset, int length, bool) override {
        if (!data || offset < 0 || length < 0 || size_t(offset) + size_t(length) > sizeof(T)) return false;
        std::memcpy(reinterpret_cast<char*>(&m_value) + offset, data, size_t(length));
        m_flag = 0;
        return true;
    }
    void setString() const override {
        // What *Format prints, without a format the compiler cannot check.
        m_str = std::to_string(m_value);
    }
    int getDataType() const override { return TypeId; }
    static const char* getFormatString() { return *Format; }
    T value() const { return m_value; }
    void setValue(T value) {
        m_value = value;
        setInternalNull(false);
    }

private:
    T m_value{};
};

template <typename T, int TypeId>
class KelDBCompositeType : public KelDBDataTypeBase {
public:
    int getDataType() const override { return TypeId; }
    const T& value() const { return m_value; }
    T& value() { return m_value; }

protected:
    T m_value{};
};

class KelDB_string : public KelDBCompositeType<std::string, 6> {
public:
    // Takes length bytes (up to a NUL) as the text, replacing it from offset.
    bool setData(const char* data, int offset, int length, bool) override;
    void clearMemoryOnNULL() override { m_value.clear(); }
    void setString() const override { m_str = m_value; }
    std::string getStr() const override { return m_str; }
};

class KelDB_datetime : public KelDBCompositeType<KELTIMESTAMP_STRUCT, 5> {
public:
    // Copies the bytes of a KELTIMESTAMP_STRUCT (or of its leading part).
    bool setData(const char* data, int offset, int length, bool) override;
    // "YYYY-MM-DD HH:MM:SS", the catalogue's stored form; empty when null.
    void setString() const override;
    std::string getStr() const override { return m_str; }
};

using KelDB_int = KelDBPrimitiveType<int, &KelDB_int_format, 1>;
using KelDB_int64 = KelDBPrimitiveType<long long, &KelDB___int64_format, 4>;
