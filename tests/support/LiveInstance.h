// A live SQL Server for tests, served through the agent's live-reader seam:
// database "fgN" has N file groups named by fileGroupName(i), every tenth
// name 128 characters long. The live handler library installs it in an
// agent host's dispatcher; tests may install it in their own process.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/live/KelLiveSqlServer.h"

namespace kel::test {

inline std::string fileGroupName(size_t i) {
    std::string name = "FG" + std::to_string(1000 + i);
    if (i % 10 == 0) name.resize(128, 'x');
    return name;
}

// The file groups of database "fgN"; none for any other name.
inline std::vector<std::string> liveFileGroups(const std::string& database) {
    std::vector<std::string> names;
    if (database.rfind("fg", 0) != 0) return names;
    const size_t n = std::strtoul(database.c_str() + 2, nullptr, 10);
    for (size_t i = 0; i < n && i < 1000; ++i) names.push_back(fileGroupName(i));
    return names;
}

class ServedLiveSqlServer : public kel::live::LiveSqlServer {
public:
    using Target = kel::live::LiveTarget;
    bool database(const Target&, const std::string&, kel::live::LiveDatabase&, bool&, KelLastError&) override {
        return true;
    }
    bool fileGroup(const Target&, const std::string&, const std::string&, kel::live::LiveFileGroup&, bool&,
                   KelLastError&) override {
        return true;
    }
    bool file(const Target&, const std::string&, const std::string&, const std::string&, kel::live::LiveFile&, bool&,
              KelLastError&) override {
        return true;
    }
    bool databaseNames(const Target&, std::vector<std::string>&, KelLastError&) override { return true; }
    bool fileGroupNames(const Target&, const std::string& database, std::vector<std::string>& names,
                        KelLastError&) override {
        for (std::string& n : liveFileGroups(database)) names.push_back(std::move(n));
        return true;
    }
    bool fileNames(const Target&, const std::string&, const std::string&, std::vector<std::string>&,
                   KelLastError&) override {
        return true;
    }
    bool property(const Target&, const std::string&, const std::string&, std::string&, KelLastError&) override {
        return true;
    }
    bool option(const Target&, const std::string&, const std::string&, bool&, KelLastError&) override { return true; }
    bool serviceState(const Target&, unsigned long&, KelLastError&) override { return true; }
    bool controlService(const Target&, bool, KelLastError&) override { return true; }
    bool instanceNames(const std::string&, std::vector<std::string>&, KelLastError&) override { return true; }
};

// The served instance with files: each file group has one data file named
// after it, the transaction log ("DatabaseLogs") the one logFile names.
class FilesLiveSqlServer : public ServedLiveSqlServer {
public:
    std::string logFile = "log";

    bool fileNames(const Target&, const std::string&, const std::string& group, std::vector<std::string>& names,
                   KelLastError&) override {
        names.push_back(group == "DatabaseLogs" ? logFile : group.substr(0, 6) + "_data");
        return true;
    }
    bool file(const Target&, const std::string&, const std::string&, const std::string& name, kel::live::LiveFile& out,
              bool& found, KelLastError&) override {
        out.fileId = name.size();
        out.physicalName = "D:\\data\\" + name + ".mdf";
        found = true;
        return true;
    }
};

}  // namespace kel::test
