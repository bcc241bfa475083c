#include "Db/KelDBRowBase.h"

#include <cstring>
#include <mutex>

#include "platform/util/KelLocks.h"

namespace {

KelSimpleDBSem g_columnVecSem(1);
// KelSimpleDBSem does not throw: a semaphore that could not be made (or a
// wait that failed) must still leave the build guarded.
std::mutex g_fallback;

KelDBDataTypeBase* makeValue(const char* token) {
    switch (token[0]) {
    case 'i': return new KelDB_int();
    case 'b': case 'x': return new KelDB_int64();
    case 't': return new KelDB_datetime();
    default: return new KelDB_string();  // sN, uN, u
    }
}

}  // namespace

KelSimpleDBSem* KelDBRowBase::s_semColumnVec = &g_columnVecSem;

KelDBRowBase::KelDBRowBase() : m_ownSem(new KelSimpleDBSem(1)) {}

KelDBRowBase::~KelDBRowBase() {
    for (KelDBDataTypeBase* value : m_values) delete value;
    delete m_ownSem;
}

void KelDBRowBase::lock() {
    m_heldSem = s_semColumnVec && s_semColumnVec->valid() && s_semColumnVec->wait() == 0;
    if (!m_heldSem) g_fallback.lock();
}

void KelDBRowBase::unLock() {
    if (m_heldSem) s_semColumnVec->release(1);
    else g_fallback.unlock();
    m_heldSem = false;
}

std::string KelDBRowBase::getColumnName(int const& i) { return std::string(getColumnName_t2(i)); }

std::vector<KelDBDataTypeBase*> KelDBRowBase::getData() { return m_values; }

std::string KelDBRowBase::fillForTime(char const* types) {
    std::string out = types ? types : "";
    for (char& c : out)
        if (c == 'x') c = 'b';
    return out;
}

void KelDBRowBase::makeValues(const DBColumnLayout& layout) {
    m_layout = &layout;
    for (int i = 0; i < layout.columnCount; ++i) {
        KelDBDataTypeBase*& slot = m_columnMap[layout.columns[i].name];
        if (!slot) slot = makeValue(layout.columns[i].token);
        m_values.push_back(slot);
    }
}

std::string KelDBRowBase::typeString(const DBColumnLayout& layout) {
    std::string out;
    for (int i = 0; i < layout.columnCount; ++i) {
        out += layout.columns[i].token;
        out += '|';
    }
    return out;
}

KelDBRowBase::ForeignKeyMap KelDBRowBase::foreignKeyMap(const KelDBFamily& family) {
    ForeignKeyMap map;
    // One inner map per remote table: keys to one table accumulate.
    for (int k = 0; k < family.foreignKeyCount; ++k) {
        const KelDBForeignKey& fk = family.foreignKeys[k];
        map[fk.remoteTable][fk.localColumn] = fk.remoteColumn;
    }
    return map;
}

int KelDBRowBase::indexOf(const std::vector<std::string>& names, const std::string& name) {
    if (name.empty()) return -1;
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) return int(i);
    return -1;
}

std::string KelDBRowBase::primaryWhere() const {
    std::string out;
    for (size_t k = 0; k < m_primaryKeys.size(); ++k) {
        out += m_primaryKeys[k] + " = ?";
        // Written as the schema has always written it: no blank before AND
        // ("id = ?AND tesselId = ?"), which SQL reads the same.
        if (k + 1 < m_primaryKeys.size()) out += "AND ";
    }
    return out;
}

std::vector<KelDBDataTypeBase*> KelDBRowBase::primaryData() {
    std::vector<KelDBDataTypeBase*> out;
    for (const std::string& key : m_primaryKeys) {
        auto it = m_columnMap.find(key);
        out.push_back(it == m_columnMap.end() ? nullptr : it->second);
    }
    return out;
}

void KelDBRowBase::populate(void* row, unsigned long size) {
    if (!row || !m_layout) return;
    const char* base = static_cast<const char*>(row);
    for (int i = 0; i < m_layout->columnCount && size_t(i) < m_values.size(); ++i) {
        const DBColumn& column = m_layout->columns[i];
        KelDBDataTypeBase* value = m_values[size_t(i)];
        if (column.offset + column.size > size) break;
        const char* field = base + column.offset;
        bool null = false;
        switch (column.token[0]) {
        case 't': {
            const DB_DATETIME& date = *reinterpret_cast<const DB_DATETIME*>(field);
            null = date.isCleared();
            // The leading 16 bytes are the ODBC timestamp.
            if (!null) value->setData(field, 0, int(sizeof(KELTIMESTAMP_STRUCT)), false);
            break;
        }
        case 'u':
            if (column.token[1] == '\0') {
                const char* text = *reinterpret_cast<char* const*>(field);
                null = text == nullptr;
                if (!null) value->setData(text, 0, int(std::strlen(text)), false);
                break;
            }
            [[fallthrough]];
        case 's':
            value->setData(field, 0, int(strnlen(field, column.size)), false);
            break;
        default:
            value->setData(field, 0, int(column.size), false);
            break;
        }
        value->setInternalNull(null);
        if (!null) value->setUpdated(Updated);
    }
}
