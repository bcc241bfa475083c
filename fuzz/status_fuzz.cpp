// libFuzzer target for the operation status block: the bytes are a peer's
// block, rebuilt into an error record, formatted, and written back into a
// block; a second round trip must give the same record.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "KelSQL/KelSQLErrorStatus.h"

namespace {

bool sameError(KelLastError& a, KelLastError& b) {
    if (a.number() != b.number() || a.severity() != b.severity() || a.argumentCount() != b.argumentCount())
        return false;
    a.resetGetNextArgument();
    b.resetGetNextArgument();
    for (int i = 0; i < a.argumentCount(); ++i) {
        const char* x = a.getNextArgument();
        const char* y = b.getNextArgument();
        if (!x || !y || std::strcmp(x, y) != 0) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    KelNetSQLOPStatus_t block;
    std::memcpy(static_cast<void*>(&block), data, std::min(size, sizeof(block)));

    KelLastError first;
    networkKelLastError(&block, &first);
    first.formatLastErrorMessage();
    KelLastError viaStatus;
    operationStatus(block, viaStatus);

    KelNetSQLOPStatus_t again;
    initializeSQLOperationStatus(&again);
    populateSQLOperationStatus(&again, false, first);
    KelLastError second;
    networkKelLastError(&again, &second);
    KelNetSQLOPStatus_t third;
    initializeSQLOperationStatus(&third);
    populateSQLOperationStatus(&third, false, second);
    KelLastError last;
    networkKelLastError(&third, &last);
    if (!sameError(second, last)) __builtin_trap();
    return 0;
}
