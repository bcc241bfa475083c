// The media set a backup was written to: its id, its stream count and the
// tape-format major version. A plain value owned by its backup set record,
// stored in the backup set's mediaSetId and streams columns; not a message.
//
// The context is borrowed and outlives the value.
#pragma once

#include <cstdint>

#include "platform/events/KelLastError.h"

class KelSQLClassProperties;

class KelSQLMediaSet {
public:
    explicit KelSQLMediaSet(KelSQLClassProperties& context);
    KelSQLMediaSet(const KelSQLMediaSet&) = delete;
    KelSQLMediaSet& operator=(const KelSQLMediaSet&) = delete;

    void initializeSQLObject();
    // Agent side: true, and nothing is loaded; refused elsewhere (0x1E000034).
    bool query(uint64_t mediaSetId);

    uint64_t id() const { return id_; }
    uint64_t streams() const { return streams_; }
    uint64_t mtfMajor() const { return mtfMajor_; }
    void setId(uint64_t id) { id_ = id; }
    void setStreams(uint64_t streams) { streams_ = streams; }
    void setMtfMajor(uint64_t major) { mtfMajor_ = major; }
    long long sqlCode() const { return sqlCode_; }
    bool isLoaded() const { return loaded_; }
    KelLastError& getLastError() { return error_; }

private:
    KelSQLClassProperties& context_;
    long long sqlCode_ = 0;
    bool loaded_ = false;
    KelLastError error_;
    uint64_t id_ = 0;
    uint64_t streams_ = 0;
    uint64_t mtfMajor_ = 0;
};
