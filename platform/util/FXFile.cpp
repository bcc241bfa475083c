#include "platform/util/FXFile.h"

#include <sys/stat.h>

#include "platform/util/KelHome.h"

bool FXFile::CreateFoldersIteratively(const std::string& path) {
    return kel::makeFolders(path);
}

bool FXFile::Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}
