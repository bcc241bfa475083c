// Record objects: one class Sql<X> per catalogue table, cursor or procedure,
// a DBtable over the family's row struct. Everything a record does beyond
// naming its family lives here once; a family's record class is
//   class SqlX : public KelDBRecord<SqlXDesc, SqlX_t2> { using KelDBRecord::KelDBRecord; };
#pragma once

#include <initializer_list>
#include <memory>

#include "Db/DBUpdateClause.h"
#include "Db/KelDBDateLiteral.h"
#include "Db/KelDBFamily.h"
#include "Db/KelDBRowBase.h"
#include "platform/db/DBtable.h"

// What does not depend on the row struct's type.
class KelDBRecordBase : public DBtable {
public:
    const char* getHeaderRevision() const { return m_family.revision; }
    const char* getProcedureCode() const { return m_procedureCode; }
    KelDBRowBase* getDataPtr_t2() override { return m_schema.get(); }
    // Loads the schema row (when there is one) from the row struct.
    void populate_t() override;
    const KelDBFamily& family() const { return m_family; }

    ~KelDBRecordBase() override;

protected:
    KelDBRecordBase(const KelDBFamily& family, DBtran* tran);

    // Construction steps 4 to 9, once the row struct exists.
    void finishConstruction(void* row, long long* indicators, KelDBRowBase* schema);

    // A procedure's arguments: bound as values with the new base on, else
    // formatted into the values text ("%d,%d,...").
    int setProcedureArguments(std::initializer_list<int> arguments);
    // Binds prepared argument values; the library owns them from here on.
    int bindProcedureValues(std::initializer_list<KelDBDataTypeBase*> values);

    // A cursor's batch, formatted into the query buffer: a plain printf
    // format, checked by the compiler against its arguments at every cursor
    // (texts and dates through kel::sql's literals). 0 like every other
    // success: the text's length is no result code (a length of 100 would
    // read as "no row").
    int formatBatch(const char* sql, ...) KEL_DB_PRINTF(2, 3);

    // The update objects' formatters, from the family's column table.
    enum ValuesMode { AllValues, ValuesWithoutIdentity, UpdateValues };
    void putRowValues(ValuesMode mode);
    void putPrimaryWhere();

private:
    const KelDBFamily& m_family;
    std::unique_ptr<KelDBRowBase> m_schema;
    char m_procedureCode[21] = {};
};

template <class Desc, class Schema>
class KelDBRecord : public KelDBRecordBase {
public:
    using Row = typename Desc::Row;

    explicit KelDBRecord(DBtran* tran) : KelDBRecordBase(Desc::family, tran) {
        finishConstruction(&m_row, m_indicators, DBtable::b_newDBBase == 1 ? new Schema() : nullptr);
    }

    Row* getDataPtr() { return &m_row; }

private:
    Row m_row;
    long long m_indicators[kelCount(Desc::columns)] = {};
};

// The update object Sql<X>Table of a table: the record and a SET-list
// builder, with INSERT, UPDATE and key formatters built from the family's
// column table (text values with their quotes doubled).
template <class Record>
class KelDBUpdateObject : public Record, public DBUpdateClause {
public:
    explicit KelDBUpdateObject(DBtran* tran) : Record(tran) { boundColumnsBy(this->family().layout); }

    // A SET list with a refused text is not run (clauseFits names it).
    using Record::rowUpdate;
    int rowUpdate(const char* setList) { return clauseRefused() ? kDBErrValue : Record::rowUpdate(setList); }

    void setInValues() override { this->putRowValues(KelDBRecordBase::AllValues); }
    void setInIdValues() override { this->putRowValues(KelDBRecordBase::ValuesWithoutIdentity); }
    void setUpdateValues() override { this->putRowValues(KelDBRecordBase::UpdateValues); }
    void setPrimaryWhere() override { this->putPrimaryWhere(); }
};
