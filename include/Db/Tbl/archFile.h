// Table archFile: archive files of the media management, read only here;
// keyed by id and Tessel.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

#define KEL_ARCHFILE_COLUMNS(X) \
    X(INT, id)                  \
    X(UTEXT, name, 8193)        \
    X(INT, tesselId)            \
    X(INT, archGroupId)         \
    X(TEXT, objName1, 2049)     \
    X(INT, flags)               \
    X(INT, appId)               \
    X(INT, fileType)            \
    X(INT, cTime)               \
    X(INT, jobId)               \
    X(INT, backupLevel)         \
    X(INT, isValid)             \
    X(INT, cloudId)             \
    X(INT, contentIndexTime)    \
    X(INT, nPushedItems)

struct ArchFile_t {
    KEL_ARCHFILE_COLUMNS(KEL_DB_FIELD)
};

struct ArchFileDesc {
    using Row = ArchFile_t;
    static constexpr DBColumn columns[] = {KEL_ARCHFILE_COLUMNS(KEL_DB_TABLE_COLUMN)};
    static constexpr const char* keys[] = {"id", "tesselId"};
    static constexpr KelDBForeignKey foreignKeys[] = {
        {"archGroupId", "archGroup", "id"},
    };
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(ArchFile, 0, "id, tesselId");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY(archFile, ArchFile, "1.55.192.4", 610);
};
KEL_DB_TABLE_RECORD(ArchFile, ArchFileDesc);
