// Table archGroup: archive groups of the media management, read only here.
// The row owns its unsized description text.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct ArchGroup_t {
    int32_t id = 0;
    int32_t defaultCopy = 0;
    char name[577] = {};
    char* description = nullptr;
    int32_t maxStreams = 0;
    int32_t type = 0;
    int32_t incrSP = 0;
    int32_t origTesseltesselID = 0;
    int32_t origTesselarchGroupId = 0;
    int32_t defaultSnapCopy = 0;
    int32_t SIBlockSizeKB = 0;
    int32_t AuxCopyAlertGB = 0;
    int32_t AuxCopyAlertDays = 0;
    int32_t flags = 0;
    char mediaPassword[2049] = {};
    int32_t TimeZoneType = 0;
    char TimeZone[256] = {};
    int32_t SubclientExtensionTimeStamp = 0;
    char SubclientExtensionTimeStampEncrypted[2049] = {};
    int32_t logSP = 0;

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
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, id, "i"),
        KEL_DB_COLUMN(Row, defaultCopy, "i"),
        KEL_DB_COLUMN(Row, name, "u577"),
        KEL_DB_COLUMN(Row, description, "u"),
        KEL_DB_COLUMN(Row, maxStreams, "i"),
        KEL_DB_COLUMN(Row, type, "i"),
        KEL_DB_COLUMN(Row, incrSP, "i"),
        KEL_DB_COLUMN(Row, origTesseltesselID, "i"),
        KEL_DB_COLUMN(Row, origTesselarchGroupId, "i"),
        KEL_DB_COLUMN(Row, defaultSnapCopy, "i"),
        KEL_DB_COLUMN(Row, SIBlockSizeKB, "i"),
        KEL_DB_COLUMN(Row, AuxCopyAlertGB, "i"),
        KEL_DB_COLUMN(Row, AuxCopyAlertDays, "i"),
        KEL_DB_COLUMN(Row, flags, "i"),
        KEL_DB_COLUMN(Row, mediaPassword, "s2049"),
        KEL_DB_COLUMN(Row, TimeZoneType, "i"),
        KEL_DB_COLUMN(Row, TimeZone, "s256"),
        KEL_DB_COLUMN(Row, SubclientExtensionTimeStamp, "i"),
        KEL_DB_COLUMN(Row, SubclientExtensionTimeStampEncrypted, "s2049"),
        KEL_DB_COLUMN(Row, logSP, "i"),
    };
    static constexpr const char* keys[] = {"id"};
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(ArchGroup, 0, "id");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY_NOFK(archGroup, ArchGroup, "1.49.66.4", 663);
};
KEL_DB_CHECK_FAMILY(ArchGroupDesc);

class ArchGroup_t2 : public KelDBSchema<ArchGroupDesc> {};

class ArchGroup : public KelDBRecord<ArchGroupDesc, ArchGroup_t2> {
public:
    using KelDBRecord::KelDBRecord;
};
