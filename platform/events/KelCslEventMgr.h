// The platform's event manager as the installer tools use it: a log file of
// their own under the platform home's logs folder.
#pragma once

#include <mutex>
#include <string>

class KelCslEventMgr {
public:
    KelCslEventMgr() = default;
    ~KelCslEventMgr();
    KelCslEventMgr(const KelCslEventMgr&) = delete;
    KelCslEventMgr& operator=(const KelCslEventMgr&) = delete;

    // Opens logs/<fileName> (folder null: the home's logs folder) for
    // appending; 0 when the file is ready, an errno value otherwise.
    int setEventInfo(const char* folder, const char* fileName);
    // Writes one time-stamped entry: the three leading texts, the text, then
    // the character code end (10 ends the line).
    void logIt(const char* source, const char* category, const char* detail, const char* text, int end);
    void close();
    const std::string& path() const { return path_; }

private:
    std::mutex mutex_;
    int fd_ = -1;
    std::string path_;
};
