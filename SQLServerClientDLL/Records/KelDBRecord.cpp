#include "Db/KelDBRecord.h"

#include <cstdarg>
#include <cstdint>
#include <exception>
#include <string>

#include "platform/util/BoundedCopy.h"

KelDBRecordBase::KelDBRecordBase(const KelDBFamily& family, DBtran* tran)
    : DBtable(family.object, 0, tran), m_family(family) {}

KelDBRecordBase::~KelDBRecordBase() {
    if (m_family.layout->kind == DBKindTable) dataBindClear();
}

void KelDBRecordBase::finishConstruction(void* row, long long* indicators, KelDBRowBase* schema) {
    setLayout(m_family.layout, row);  // kind, select list, description, ORDER BY key
    dataBindClearFirstTime();
    setExtIndicatorArray(indicators);
    m_schema.reset(schema);
    // The family check bounds a code at 20 characters; one that slipped past
    // it would leave no code (no procedure runs) rather than a cut one.
    if (m_family.procedureCode && !kel::copyField(m_procedureCode, m_family.procedureCode)) m_procedureCode[0] = '\0';
    FXCriticalSectionGuard guard(DBCriticalSection);
    if (!m_tran) return;
    try {
        m_tran->addObject(this);
    } catch (...) {
        // The record stays usable without being listed.
        log_error(m_family.header, m_family.line, "%s Constructor [0x%08x], caught an exception",
                  m_family.stem, unsigned(uintptr_t(this)));
    }
}

void KelDBRecordBase::populate_t() {
    if (m_schema) m_schema->populate(m_row, (unsigned long)m_family.rowSize);
}

int KelDBRecordBase::setProcedureArguments(std::initializer_list<int> arguments) {
    if (b_newDBBase) {
        ClearBoundInputs();
        clearText(m_values);
        for (int a : arguments) BindInput(new KelDB_int(a));
        setInputsBound(1);
        return kDBOk;
    }
    ClearBoundInputs();
    std::string text;
    for (int a : arguments) {
        if (!text.empty()) text += ',';
        text += std::to_string(a);
    }
    // "%d" per argument, joined by commas, 12 bytes reserved for each.
    valuesClauseCheck((unsigned long)(arguments.size() * 2 + (arguments.size() ? arguments.size() - 1 : 0) +
                                      12 * arguments.size()));
    return CallDBsprintfWrapper("%s", text.c_str()) >= 0 ? kDBOk : kDBErrUsage;
}

int KelDBRecordBase::formatBatch(const char* sql, ...) {
    va_list args;
    va_start(args, sql);
    va_list again;
    va_copy(again, args);
    const bool shaped = setShapedBatch(sql, again);
    va_end(again);
    if (shaped) {
        va_end(args);
        return kDBOk;
    }
    std::string text = kel::sql::vformat(sql, args);
    va_end(args);
    querySizeCheck((unsigned long)text.size(), false);
    setBatchText(text);
    return kDBOk;
}

int KelDBRecordBase::bindProcedureValues(std::initializer_list<KelDBDataTypeBase*> values) {
    ClearBoundInputs();
    clearText(m_values);
    for (KelDBDataTypeBase* v : values) BindInput(v);
    setInputsBound(1);
    return kDBOk;
}

namespace {

template <typename T>
const T& fieldOf(const void* row, const DBColumn& column) {
    return *reinterpret_cast<const T*>(static_cast<const char*>(row) + column.offset);
}

}  // namespace

void KelDBRecordBase::putRowValues(ValuesMode mode) {
    const DBColumnLayout& layout = *m_layout;
    std::string text;
    for (int i = 0; i < layout.columnCount; ++i) {
        const DBColumn& c = layout.columns[i];
        if (i == layout.identityColumn && mode != AllValues) continue;
        const char t = c.token[0];
        std::string item;
        if (t == 'i') {
            item = std::to_string(fieldOf<int32_t>(m_row, c));
        } else if (t == 'b' || t == 'x') {
            item = std::to_string((long long)fieldOf<int64_t>(m_row, c));
        } else if (t == 't') {
            item = kel::sql::dateLiteral(fieldOf<DB_DATETIME>(m_row, c));
        } else {
            const char* value = c.token[1] == '\0' ? fieldOf<char*>(m_row, c) : &fieldOf<char>(m_row, c);
            item = kel::sql::quoted(value ? (c.token[1] == '\0' ? std::string(value) : kel::fieldText(value, c.size))
                                          : std::string());
        }
        if (!text.empty()) text += ", ";
        if (mode == UpdateValues) {
            text += c.name;
            text += '=';
        }
        text += item;
    }
    valuesClauseCheck((unsigned long)text.size());
    CallDBsprintf(getValuesBuffer(), getValuesBufferSize(), "%s", text.c_str());
}

void KelDBRecordBase::putPrimaryWhere() {
    const DBColumnLayout& layout = *m_layout;
    unsigned long reserve = 0;
    for (int k = 0; k < layout.keyCount; ++k) reserve += (unsigned long)std::strlen(layout.keyColumns[k]) + 3 + 12;
    whereClauseCheck(reserve);
    DBtable::setPrimaryWhere();
}
