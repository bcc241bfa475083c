// File-system helpers of the platform.
#pragma once

#include <string>

class FXFile {
public:
    // Creates a folder and every missing parent; true when it exists afterwards.
    static bool CreateFoldersIteratively(const std::string& path);
    static bool Exists(const std::string& path);
};
