// What the backup-history records share inside the library: where an
// either-side operation runs, the transaction a record opens on, and the
// conversions between wire and row dates and 32-bit columns.
#pragma once

#include <cstdint>
#include <string>

#include "../Records/RecordPlace.h"
#include "KelSQL/KelNetSQLWire.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "../Records/FieldCopy.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "platform/db/DBtable.h"
#include "platform/events/KelLastError.h"

namespace kelsql::backup {

using record::column;
using record::placeOf;
using record::transactionOf;
using record::Where;

inline KelNetSQLDateTime_t wireDate(const DB_DATETIME& d) {
    KelNetSQLDateTime_t w;
    w.Year = d.year;
    w.Month = d.month;
    w.Day = d.day;
    w.Hour = d.hour;
    w.Minute = d.minute;
    w.Second = d.second;
    return w;
}

inline void storeDate(DB_DATETIME& d, const KelNetSQLDateTime_t& w) {
    d.clear();
    d.year = w.Year;
    d.month = w.Month;
    d.day = w.Day;
    d.hour = w.Hour;
    d.minute = w.Minute;
    d.second = w.Second;
}

// 0x1E000033 with signature, the record's description and the database's text.
inline bool rowError(KelLastError& err, const char* signature, DBtable& table, long long code) {
    err.setNumber(kErrRowOperation);
    err.addArgument(signature);
    err.addArgument(table.getpDescribe());
    err.addArgument(table.getErrorStr(static_cast<int>(code)));
    return false;
}

}  // namespace kelsql::backup
