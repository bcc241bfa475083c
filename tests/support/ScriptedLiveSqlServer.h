// A live SQL Server whose answers a test sets: the host's instances come
// from the file live/instances under the platform home ("name|version|
// description" a line, so that an agent host's dispatcher serves what the
// test wrote), database properties, flags and options from maps, and every
// read of a property is counted. A reader named in failProperty fails.
#pragma once

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/live/KelLiveSqlServer.h"
#include "platform/util/KelHome.h"

namespace kel::test {

inline std::string liveInstancesFile() { return kel::homePath("live-instances"); }

class ScriptedLiveSqlServer final : public kel::live::LiveSqlServer {
public:
    using Target = kel::live::LiveTarget;
    std::map<std::string, std::string> properties;
    std::map<std::string, bool> flags;
    std::map<std::string, bool> options;
    std::map<std::string, int> reads;
    std::string failProperty;
    bool exists = true;
    bool fullRequired = false;

    bool instances(const std::string&, bool, std::vector<kel::live::LiveInstance>& out, KelLastError&) override {
        std::ifstream in(liveInstancesFile());
        for (std::string line; std::getline(in, line);) {
            const size_t a = line.find('|'), b = line.find('|', a + 1);
            out.push_back({line.substr(0, a), line.substr(a + 1, b - a - 1), line.substr(b + 1)});
        }
        return true;
    }
    bool property(const Target&, const std::string&, const std::string& name, std::string& value,
                  KelLastError& err) override {
        ++reads[name];
        if (name == failProperty) return failed(err);
        auto it = properties.find(name);
        if (it != properties.end()) value = it->second;
        return true;
    }
    bool flagProperty(const Target&, const std::string&, const std::string& name, bool& set,
                      KelLastError& err) override {
        ++reads[name];
        if (name == failProperty) return failed(err);
        if (flags.count(name)) set = flags[name];
        return true;
    }
    bool option(const Target&, const std::string&, const std::string& name, bool& set, KelLastError& err) override {
        ++reads[name];
        if (name == failProperty) return failed(err);
        if (options.count(name)) set = options[name];
        return true;
    }
    bool database(const Target&, const std::string&, kel::live::LiveDatabase&, bool& found, KelLastError&) override {
        found = exists;
        return true;
    }
    bool fullBackupRequired(const Target&, const std::string&, bool& full, KelLastError&) override {
        if (fullRequired) full = true;
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
    bool fileGroupNames(const Target&, const std::string&, std::vector<std::string>&, KelLastError&) override {
        return true;
    }
    bool fileNames(const Target&, const std::string&, const std::string&, std::vector<std::string>&,
                   KelLastError&) override {
        return true;
    }
    bool serviceState(const Target&, unsigned long&, KelLastError&) override { return true; }
    bool controlService(const Target&, bool, KelLastError&) override { return true; }
    bool instanceNames(const std::string&, std::vector<std::string>&, KelLastError&) override { return true; }

private:
    static bool failed(KelLastError& err) {
        err.setNumber(0x1E0000F7);
        err.addArgument("ScriptedLiveSqlServer");
        return false;
    }
};

}  // namespace kel::test
