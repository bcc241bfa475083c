// A live SQL Server whose answers a test sets: the host's instances come
// from the file live-instances under the platform home ("name|version|
// description" a line, so that an agent host's dispatcher serves what the
// test wrote), its database names from live-databases (one a line);
// properties, yes/no properties and options from maps, each read counted;
// the reader named in failProperty fails. A database's
// step-restore state comes from the file live-restore-state ("key=value"
// lines; fail=N makes the read fail with N); no file, nothing read. The
// databases, file groups and files gone from the instance are the lines
// "database|fileGroup|file" of the file live-gone (a file by its logical name
// with the group empty); a line starting with "!" makes that lookup fail.
// The instance's service is the file live-service ("key=value" lines: state,
// singleUser, root; failControl=N makes a start or stop fail with N); a start
// writes state=2 there, a stop state=1.
#pragma once

#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/live/KelLiveSqlServer.h"
#include "platform/util/KelHome.h"

namespace kel::test {

inline std::string liveInstancesFile() { return kel::homePath("live-instances"); }
inline std::string liveRestoreStateFile() { return kel::homePath("live-restore-state"); }
inline std::string liveGoneFile() { return kel::homePath("live-gone"); }
// The live instance's database names, one a line.
inline std::string liveDatabasesFile() { return kel::homePath("live-databases"); }
inline std::string liveServiceFile() { return kel::homePath("live-service"); }

class ScriptedLiveSqlServer final : public kel::live::LiveSqlServer {
    using T = kel::live::LiveTarget;
    using S = std::string;
    using E = KelLastError;

public:
    std::map<S, S> properties;
    std::map<S, bool> flags, options;
    std::map<S, int> reads;
    S failProperty;
    bool exists = true, fullRequired = false;

    bool instances(const S&, bool, std::vector<kel::live::LiveInstance>& out, E&) override {
        std::ifstream in(liveInstancesFile());
        for (S line; std::getline(in, line);) {
            const size_t a = line.find('|'), b = line.find('|', a + 1);
            out.push_back({line.substr(0, a), line.substr(a + 1, b - a - 1), line.substr(b + 1)});
        }
        return true;
    }
    bool property(const T&, const S&, const S& n, S& value, E& e) override { return read(properties, n, value, e); }
    bool flagProperty(const T&, const S&, const S& n, bool& set, E& e) override { return read(flags, n, set, e); }
    bool option(const T&, const S&, const S& name, bool& set, E& err) override { return read(options, name, set, err); }
    bool database(const T&, const S& name, kel::live::LiveDatabase&, bool& found, E& err) override {
        found = exists;
        return gone(name + "||", found, err);
    }
    bool fullBackupRequired(const T&, const S&, bool& full, E&) override {
        full = full || fullRequired;
        return true;
    }
    bool restoreState(const T&, const S&, kel::live::LiveRestoreState& out, bool& read, E& err) override {
        std::ifstream in(liveRestoreStateFile());
        for (S line; std::getline(in, line);) {
            const size_t eq = line.find('=');
            const S key = line.substr(0, eq), value = line.substr(eq + 1);
            const unsigned long n = std::strtoul(value.c_str(), nullptr, 0);
            read = true;
            if (key == "fail") {
                err.setNumber(n);
                return false;
            }
            if (key == "status") out.status = n;
            if (key == "property") out.property = n;
            if (key == "backupSetId") out.backupSetId = n;
            if (key == "restoreDate") out.restoreDate = n;
            if (key == "stopAt") out.stopAt = n;
            if (key == "name") out.backupSetName = value;
            if (key == "logOnly") out.logOnly = n != 0;
            if (key == "first") out.firstLSN = value;
            if (key == "last") out.lastLSN = value;
        }
        return true;
    }
    bool fileGroup(const T&, const S& db, const S& name, kel::live::LiveFileGroup&, bool& found, E& err) override {
        return gone(db + "|" + name + "|", found, err);
    }
    bool file(const T&, const S& db, const S&, const S& name, kel::live::LiveFile&, bool& found, E& err) override {
        return gone(db + "||" + name, found, err);
    }
    bool databaseNames(const T&, std::vector<S>& names, E&) override {
        std::ifstream in(liveDatabasesFile());
        for (S line; std::getline(in, line);) names.push_back(line);
        return true;
    }
    bool fileGroupNames(const T&, const S&, std::vector<S>&, E&) override { return true; }
    bool fileNames(const T&, const S&, const S&, std::vector<S>&, E&) override { return true; }
    bool serviceState(const T&, unsigned long& state, E&) override {
        const std::map<S, S> service = serviceLines();
        if (service.count("state")) state = std::strtoul(service.at("state").c_str(), nullptr, 0);
        return true;
    }
    bool rootDirectory(const T&, S& directory, bool& found, E&) override {
        const std::map<S, S> service = serviceLines();
        found = service.count("root") != 0;
        if (found) directory = service.at("root");
        return true;
    }
    bool singleUserMode(const T&, const S& path, bool& singleUser, E&) override {
        const std::map<S, S> service = serviceLines();
        singleUser = service.count("singleUser") && service.at("singleUser") == path;
        return true;
    }
    bool controlService(const T&, bool start, E& err) override {
        std::map<S, S> service = serviceLines();
        if (service.count("failControl")) {
            err.setNumber(std::strtoul(service.at("failControl").c_str(), nullptr, 0));
            return false;
        }
        service["state"] = start ? "2" : "1";
        std::ofstream out(liveServiceFile());
        for (const auto& line : service) out << line.first << "=" << line.second << "\n";
        return true;
    }
    bool instanceNames(const S&, std::vector<S>&, E&) override { return true; }

private:
    static std::map<S, S> serviceLines() {
        std::map<S, S> lines;
        std::ifstream in(liveServiceFile());
        for (S line; std::getline(in, line);) {
            const size_t eq = line.find('=');
            if (eq != S::npos) lines[line.substr(0, eq)] = line.substr(eq + 1);
        }
        return lines;
    }
    bool gone(const S& key, bool& found, E& err) {
        std::ifstream in(liveGoneFile());
        for (S line; std::getline(in, line);) {
            if (line == "!" + key) {
                err.setNumber(0x1E0000F7);
                return false;
            }
            if (line == key) found = false;
        }
        return true;
    }
    // A name the map does not hold is not read: the output stays.
    template <typename V>
    bool read(std::map<S, V>& values, const S& name, V& out, E& err) {
        ++reads[name];
        if (name == failProperty) {
            err.setNumber(0x1E0000F7);
            return false;
        }
        if (values.count(name)) out = values[name];
        return true;
    }
};

}  // namespace kel::test
