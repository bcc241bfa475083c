// The platform home: the one folder under which the platform keeps its
// registry, catalogue, keys, logs and run-time libraries.
#pragma once

#include <string>

namespace kel {

// $KEL_HOME, else "./kel-home" under the working folder. Read on every call so
// that tests can point a process at a fresh home.
std::string homeDirectory();

// homeDirectory() joined with a relative path ("logs", "registry/x.ini").
std::string homePath(const std::string& relative);

// Creates the folder and its parents; true when it exists afterwards.
bool makeFolders(const std::string& path);
// As makeFolders, and the folder itself is its owner's alone (0700): it
// holds what other users of the machine must not read.
bool makePrivateFolder(const std::string& path);

// The folder of the running program's file; empty when unknown.
std::string programFolder();

// The short name of the running program, used for its log file.
std::string programName();

}  // namespace kel
