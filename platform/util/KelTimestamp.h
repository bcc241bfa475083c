// The ODBC calendar timestamp, kept here so that neither the platform nor the
// library needs ODBC headers. A default-built value is all zero: no time.
#pragma once

#include <cstddef>
#include <cstdint>

struct TIMESTAMP_STRUCT {
    int16_t year = 0;
    uint16_t month = 0;
    uint16_t day = 0;
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    uint32_t fraction = 0;
};
static_assert(sizeof(TIMESTAMP_STRUCT) == 16, "ODBC timestamp layout");
static_assert(offsetof(TIMESTAMP_STRUCT, month) == 2 && offsetof(TIMESTAMP_STRUCT, second) == 10 &&
                  offsetof(TIMESTAMP_STRUCT, fraction) == 12,
              "ODBC timestamp layout");
