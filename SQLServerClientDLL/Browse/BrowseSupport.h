// What the point-in-time browses share: the read-only transaction each level
// holds while it runs, the moment its coverage queries ask about, the
// archive manager's tomb-stone limit, the catalogue error they raise and the
// latest-backup-set collapse. Internal to the catalogue library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "KelSQL/KelSQLDateAndTime.h"
#include "platform/db/DBtable.h"
#include "platform/events/KelLastError.h"

namespace kelsql::browse {

// A transaction of the browse's own: read only, never written, rolled back
// when the browse returns. Each level holds one while the levels below it
// open theirs.
class BrowseTransaction {
public:
    BrowseTransaction() : tran_(false) {
        tran_.setIsolationType(4);
        code_ = tran_.startTran();
    }
    // False with 0x1E000033 in err when the transaction could not start.
    bool started(KelLastError& err);
    DBtran* get() { return &tran_; }

private:
    DBtran tran_;
    int code_ = 0;
};

// The moment a browse asks about: its stored time, or now when that is 0;
// the date literal is that moment converted through the client's time zone
// when it can be, else the moment itself.
class BrowseMoment {
public:
    BrowseMoment(const KelSQLDateAndTime& browseTime, SIM_TimeZoneInfo_t* timeZone);
    const char* literal() const { return literal_.c_str(); }
    int unixTime() const { return static_cast<int>(query_.time()); }

private:
    KelSQLDateAndTime query_;
    KelSQLDateAndTime zoned_;
    std::string literal_;
};

// The archive manager's include-aged-data setting: archive sets tomb-stoned
// beyond it do not count.
int tombstoneLimit();

// 0x1E000033 with the record's description and the database's error text.
void catalogueError(KelLastError& err, DBtable& record, long long code);

// Catalogue columns are 32-bit: ids read back unsigned.
inline uint64_t column(int32_t value) { return static_cast<uint32_t>(value); }

// Of the entries that take part and share a key, those whose value is below
// the largest of that key go; entries that do not take part always stay.
// Which entries stay, in list order.
std::vector<bool> keepLatest(const std::vector<uint64_t>& keys, const std::vector<uint64_t>& values,
                             const std::vector<bool>& takesPart);

// Removes from list the entries keep says to drop.
template <class T>
void eraseDropped(std::vector<T>& list, const std::vector<bool>& keep) {
    size_t out = 0;
    for (size_t i = 0; i < list.size(); ++i)
        if (i >= keep.size() || keep[i]) {
            if (out != i) list[out] = list[i];
            ++out;
        }
    list.resize(out);
}

}  // namespace kelsql::browse
