#include "Db/KelDBRecord.h"

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
    if (m_family.procedureCode) kel::copyField(m_procedureCode, m_family.procedureCode);
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
    std::string format;  // the printf form the items follow, for the reserve
    std::string text;
    unsigned long reserve = 0;
    for (int i = 0; i < layout.columnCount; ++i) {
        const DBColumn& c = layout.columns[i];
        const char t = c.token[0];
        const bool isText = t == 's' || t == 'u';
        if (t == 't') reserve += 24;
        else if (!isText) reserve += 12;
        if (i == layout.identityColumn && mode != AllValues) continue;
        std::string piece = t == 't' ? "%p" : isText ? "'%s'" : (t == 'i' ? "%d" : "%lld");
        std::string item;
        if (t == 'i') {
            item = DBformatf("%d", fieldOf<int32_t>(m_row, c));
        } else if (t == 'b' || t == 'x') {
            item = DBformatf("%lld", (long long)fieldOf<int64_t>(m_row, c));
        } else if (t == 't') {
            item = DBformatf("%p", DBodbcDate(const_cast<DB_DATETIME*>(&fieldOf<DB_DATETIME>(m_row, c))));
        } else {
            const char* value = c.token[1] == '\0' ? fieldOf<char*>(m_row, c) : &fieldOf<char>(m_row, c);
            std::string whole = value ? (c.token[1] == '\0' ? std::string(value) : kel::fieldText(value, c.size))
                                      : std::string();
            reserve += (unsigned long)whole.size();
            item = DBformatf("'%s'", whole.c_str());
        }
        if (mode == UpdateValues) {
            piece = std::string(c.name) + "=" + piece;
            item = std::string(c.name) + "=" + item;
        }
        if (!text.empty()) {
            format += ", ";
            text += ", ";
        }
        format += piece;
        text += item;
    }
    valuesClauseCheck(reserve + (unsigned long)format.size());
    CallDBsprintf(getValuesBuffer(), getValuesBufferSize(), "%s", text.c_str());
}

void KelDBRecordBase::putPrimaryWhere() {
    const DBColumnLayout& layout = *m_layout;
    unsigned long reserve = 0;
    for (int k = 0; k < layout.keyCount; ++k) reserve += (unsigned long)std::strlen(layout.keyColumns[k]) + 3 + 12;
    whereClauseCheck(reserve);
    DBtable::setPrimaryWhere();
}
