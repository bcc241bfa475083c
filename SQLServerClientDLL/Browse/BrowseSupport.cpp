#include "BrowseSupport.h"

#include "KelSQL/KelSQLErrors.h"
#include "platform/info/KelPlatformInfo.h"

namespace kelsql::browse {

bool BrowseTransaction::started(KelLastError& err) {
    if (code_ == 0) return true;
    catalogueError(err, tran_, code_);
    return false;
}

BrowseMoment::BrowseMoment(const KelSQLDateAndTime& browseTime, SIM_TimeZoneInfo_t* timeZone) {
    if (browseTime.time() != 0)
        query_.setTime(static_cast<long>(browseTime.time()));
    else
        query_.setCurrent();
    unsigned long zoned = 0;
    // Where the zone cannot be applied the queries ask about the moment as
    // it stands.
    if (timeZone && zoned_.recalculateWithTimeZone(query_.time(), timeZone, zoned))
        zoned_.setTime(static_cast<long>(zoned));
    else
        zoned_ = query_;
    literal_ = zoned_.odbcDateFormat(true);
}

int tombstoneLimit() {
    KelPI_Ostrel ostrel;
    return ostrel.getArMgrIncludeAgedData();
}

void catalogueError(KelLastError& err, DBtable& record, long long code) {
    err.setNumber(kErrRowOperation);
    err.addArgument(record.getpDescribe());
    err.addArgument(record.getErrorStr(static_cast<int>(code)));
}

std::vector<bool> keepLatest(const std::vector<uint64_t>& keys, const std::vector<uint64_t>& values,
                             const std::vector<bool>& takesPart) {
    const size_t n = keys.size();
    std::vector<bool> keep(n, true);
    for (size_t a = 0; a < n; ++a) {
        if (!takesPart[a]) continue;
        for (size_t b = 0; b < n && keep[a]; ++b)
            if (takesPart[b] && keys[b] == keys[a] && values[b] > values[a]) keep[a] = false;
    }
    return keep;
}

}  // namespace kelsql::browse
