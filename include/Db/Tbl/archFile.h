// Table archFile: archive files of the media management, read only here;
// keyed by id and Tessel.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct ArchFile_t {
    int32_t id = 0;
    char name[8193] = {};
    int32_t tesselId = 0;
    int32_t archGroupId = 0;
    char objName1[2049] = {};
    int32_t flags = 0;
    int32_t appId = 0;
    int32_t fileType = 0;
    int32_t cTime = 0;
    int32_t jobId = 0;
    int32_t backupLevel = 0;
    int32_t isValid = 0;
    int32_t cloudId = 0;
    int32_t contentIndexTime = 0;
    int32_t nPushedItems = 0;
};

struct ArchFileDesc {
    using Row = ArchFile_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, id, "i"),
        KEL_DB_COLUMN(Row, name, "u8193"),
        KEL_DB_COLUMN(Row, tesselId, "i"),
        KEL_DB_COLUMN(Row, archGroupId, "i"),
        KEL_DB_COLUMN(Row, objName1, "s2049"),
        KEL_DB_COLUMN(Row, flags, "i"),
        KEL_DB_COLUMN(Row, appId, "i"),
        KEL_DB_COLUMN(Row, fileType, "i"),
        KEL_DB_COLUMN(Row, cTime, "i"),
        KEL_DB_COLUMN(Row, jobId, "i"),
        KEL_DB_COLUMN(Row, backupLevel, "i"),
        KEL_DB_COLUMN(Row, isValid, "i"),
        KEL_DB_COLUMN(Row, cloudId, "i"),
        KEL_DB_COLUMN(Row, contentIndexTime, "i"),
        KEL_DB_COLUMN(Row, nPushedItems, "i"),
    };
    static constexpr const char* keys[] = {"id", "tesselId"};
    static constexpr KelDBForeignKey foreignKeys[] = {
        {"archGroupId", "archGroup", "id"},
    };
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(ArchFile, 0, "id, tesselId");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY(archFile, ArchFile, "1.55.192.4", 610);
};
KEL_DB_CHECK_FAMILY(ArchFileDesc);

class ArchFile_t2 : public KelDBSchema<ArchFileDesc> {};

class ArchFile : public KelDBRecord<ArchFileDesc, ArchFile_t2> {
public:
    using KelDBRecord::KelDBRecord;
};
