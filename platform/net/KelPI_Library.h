// Run-time loading of a library's entry point. Library names may be written
// the Windows way ("dir\Name.dll"); they map to "lib<Name>.so". With lookup on,
// the file is searched in $KEL_HOME/lib, then beside the running program; with
// it off, the (mapped) path is used as given.
#pragma once

#include <cstdint>
#include <string>

namespace kel {

inline constexpr uint64_t kErrLibraryNotFound = 0x0A000020;
inline constexpr uint64_t kErrEntryNotFound = 0x0A000021;

// "a\b\Name.dll" -> "a/b/libName.so"; names without ".dll" keep their file
// name unless they have no extension ("Name" -> "libName.so").
std::string linuxLibraryPath(const std::string& path);

}  // namespace kel

// The loader's focus machine and last error number.
class KelPI_EventManager {
public:
    int setFocus(const std::string& machine) {
        focus_ = machine;
        return 1;
    }
    const std::string& focus() const { return focus_; }
    uint64_t getLastError() const { return lastError_; }

protected:
    std::string focus_;
    uint64_t lastError_ = 0;
};

class KelPI_Library : public KelPI_EventManager {
public:
    KelPI_Library(const std::string& path, const std::string& entryName);
    ~KelPI_Library();
    KelPI_Library(const KelPI_Library&) = delete;
    KelPI_Library& operator=(const KelPI_Library&) = delete;

    void setLibraryLookupOff() { libraryLookup_ = false; }
    void setEntryLookupOff() { entryLookup_ = false; }

    // Loads the library on first use; the named entry, or null with the
    // reason in getLastError().
    void* getEntryPoint();
    // Loads the library on first use; name only when the library's own file
    // defines it (dlsym alone also finds what its dependencies export), else
    // null with kErrEntryNotFound.
    void* getOwnSymbol(const std::string& name);
    // The file that was loaded (empty before).
    const std::string& loadedPath() const { return loaded_; }

private:
    bool load();

    std::string path_;
    std::string entry_;
    std::string loaded_;
    bool libraryLookup_ = true;
    bool entryLookup_ = true;
    void* handle_ = nullptr;
};
