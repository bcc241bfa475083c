// Table archGroup: archive groups of the media management, read only here.
// The row owns its unsized description text.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

#define KEL_ARCHGROUP_COLUMNS(X)                        \
    X(INT, id)                                          \
    X(INT, defaultCopy)                                 \
    X(UTEXT, name, 577)                                 \
    X(OWNED, description)                               \
    X(INT, maxStreams)                                  \
    X(INT, type)                                        \
    X(INT, incrSP)                                      \
    X(INT, origTesseltesselID)                          \
    X(INT, origTesselarchGroupId)                       \
    X(INT, defaultSnapCopy)                             \
    X(INT, SIBlockSizeKB)                               \
    X(INT, AuxCopyAlertGB)                              \
    X(INT, AuxCopyAlertDays)                            \
    X(INT, flags)                                       \
    X(TEXT, mediaPassword, 2049)                        \
    X(INT, TimeZoneType)                                \
    X(TEXT, TimeZone, 256)                              \
    X(INT, SubclientExtensionTimeStamp)                 \
    X(TEXT, SubclientExtensionTimeStampEncrypted, 2049) \
    X(INT, logSP)

struct ArchGroup_t {
    KEL_ARCHGROUP_COLUMNS(KEL_DB_FIELD)

    ArchGroup_t() = default;
    ArchGroup_t(const ArchGroup_t&) = delete;
    ArchGroup_t& operator=(const ArchGroup_t&) = delete;
    ~ArchGroup_t() {
        delete[] description;
        description = nullptr;
    }
};

struct ArchGroupDesc {
    using Row = ArchGroup_t;
    static constexpr DBColumn columns[] = {KEL_ARCHGROUP_COLUMNS(KEL_DB_TABLE_COLUMN)};
    static constexpr const char* keys[] = {"id"};
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(ArchGroup, 0, "id");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY_NOFK(archGroup, ArchGroup, "1.49.66.4", 663);
};
KEL_DB_TABLE_RECORD(ArchGroup, ArchGroupDesc);
