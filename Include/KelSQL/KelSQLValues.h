// Small value types that catalogue objects carry: stream counts, a text in
// narrow and wide form, an operation status and a browse depth.
#pragma once

#include <cstdint>
#include <string>

#include "platform/events/KelLastError.h"

// Stream counts of a backup; maxStreams is never below streams and never
// lowered.
class KelSQLStreams {
public:
    KelSQLStreams();

    bool setStreams(int n);
    // Refuses (false, nothing changed) a value below the current maximum.
    bool setMaxStreams(int n);
    bool setLogStreams(int n);

    int64_t streams() const { return streams_; }
    int32_t maxStreams() const { return maxStreams_; }
    int64_t logStreams() const { return logStreams_; }

private:
    KelLastError error_;  // preset to "not loaded yet"; nothing reads it
    int64_t streams_ = 0;
    int32_t maxStreams_ = 0;
    int64_t logStreams_ = 0;
};

// A text kept as given and as wide characters.
class KelSQLWideString {
public:
    KelSQLWideString() { initialize(); }
    explicit KelSQLWideString(const std::string& text) { setWideString(text); }

    void initialize();
    void wideClear();
    // An empty text resets the value; always true.
    bool setWideString(const std::string& text);

    const std::string& text() const { return text_; }
    const std::wstring& wideText() const { return wide_; }
    bool isSet() const { return isSet_; }
    KelLastError& getLastError() { return error_; }

private:
    std::string text_;
    std::wstring wide_;
    uint64_t wideLength_ = 0;  // cleared with the wide text; nothing reads it
    KelLastError error_;
    bool isSet_ = false;
};

enum KelSQLOpStatus : uint32_t {
    KelSQLOpStatus_Success = 0,
    KelSQLOpStatus_Failure = 1,
};

class KelSQLOperationStatus {
public:
    KelSQLOperationStatus() { initialize(KelSQLOpStatus_Failure); }
    void initialize(KelSQLOpStatus status) { status_ = status; }
    KelSQLOpStatus status() const { return status_; }

private:
    KelSQLOpStatus status_;
};

enum KelSQL_SqlBrowseDepth : uint32_t {
    KelSQL_BrowseInstances = 1,
    KelSQL_BrowseDatabases = 2,
    KelSQL_BrowseFileGroups = 3,
    KelSQL_BrowseFiles = 4,
};

class KelSQLBrowseDepth {
public:
    KelSQL_SqlBrowseDepth browseDepth() const { return depth_; }
    // Stores any value; callers check the range where it matters.
    void setBrowseDepth(KelSQL_SqlBrowseDepth depth) { depth_ = depth; }

private:
    KelSQL_SqlBrowseDepth depth_ = KelSQL_BrowseFiles;
};
