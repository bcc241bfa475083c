#include "platform/info/KelRegistry.h"

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>

#include "platform/util/KelHome.h"

namespace {

struct Section {
    std::string name;
    KelRegistry::Entries entries;
};
using Document = std::vector<Section>;

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return "";
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

bool readDocument(const std::string& path, Document& doc) {
    std::ifstream in(path);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        std::string t = trim(line);
        if (t.empty() || t[0] == ';' || t[0] == '#') continue;
        if (t.front() == '[' && t.back() == ']') {
            doc.push_back({trim(t.substr(1, t.size() - 2)), {}});
            continue;
        }
        size_t eq = t.find('=');
        if (eq == std::string::npos) continue;
        if (doc.empty()) doc.push_back({"", {}});
        doc.back().entries.emplace_back(trim(t.substr(0, eq)), trim(t.substr(eq + 1)));
    }
    return true;
}

bool writeDocument(const std::string& path, const Document& doc) {
    std::ostringstream out;
    for (const Section& s : doc) {
        if (!s.name.empty()) out << '[' << s.name << "]\n";
        for (const auto& e : s.entries) out << e.first << " = " << e.second << '\n';
        out << '\n';
    }
    std::string tmp = path + ".tmp" + std::to_string(getpid());
    {
        std::ofstream f(tmp, std::ios::trunc);
        if (!f) return false;
        f << out.str();
        f.flush();
        if (!f) return false;
    }
    return std::rename(tmp.c_str(), path.c_str()) == 0;
}

Section* findSection(Document& doc, const std::string& name) {
    for (Section& s : doc)
        if (s.name == name) return &s;
    return nullptr;
}

// Serialises read-modify-write cycles of one machine's file across processes.
class FileLock {
public:
    explicit FileLock(const std::string& path) {
        fd_ = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ >= 0) flock(fd_, LOCK_EX);
    }
    ~FileLock() {
        if (fd_ >= 0) {
            flock(fd_, LOCK_UN);
            ::close(fd_);
        }
    }
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

template <typename Change>
bool modify(const std::string& machine, Change change) {
    if (!KelRegistry::validMachineName(machine)) return false;
    if (!kel::makeFolders(kel::homePath("registry"))) return false;
    std::string path = KelRegistry::filePath(machine);
    FileLock lock(path);
    if (!lock.held()) return false;
    Document doc;
    readDocument(path, doc);
    if (!change(doc)) return false;
    return writeDocument(path, doc);
}

}  // namespace

bool KelRegistry::validMachineName(const std::string& machine) {
    return !machine.empty() && machine.size() <= 255 && machine[0] != '.' &&
           machine.find('/') == std::string::npos && machine.find('\0') == std::string::npos;
}

std::string KelRegistry::filePath(const std::string& machine) {
    return kel::homePath("registry/" + machine + ".ini");
}

bool KelRegistry::machineExists(const std::string& machine) {
    if (!validMachineName(machine)) return false;
    return access(filePath(machine).c_str(), R_OK) == 0;
}

bool KelRegistry::createMachine(const std::string& machine) {
    return modify(machine, [](Document&) { return true; });
}

bool KelRegistry::removeMachine(const std::string& machine) {
    if (!validMachineName(machine)) return false;
    return std::remove(filePath(machine).c_str()) == 0;
}

std::string KelRegistry::get(const std::string& machine, const std::string& section,
                             const std::string& key, const std::string& fallback) {
    if (!validMachineName(machine)) return fallback;
    Document doc;
    if (!readDocument(filePath(machine), doc)) return fallback;
    if (Section* s = findSection(doc, section))
        for (const auto& e : s->entries)
            if (e.first == key) return e.second;
    return fallback;
}

bool KelRegistry::has(const std::string& machine, const std::string& section, const std::string& key) {
    static const std::string kMissing("\x01missing");
    return get(machine, section, key, kMissing) != kMissing;
}

bool KelRegistry::set(const std::string& machine, const std::string& section,
                      const std::string& key, const std::string& value) {
    if (key.empty() || key.find_first_of("=\n[") != std::string::npos ||
        value.find('\n') != std::string::npos)
        return false;
    return modify(machine, [&](Document& doc) {
        Section* s = findSection(doc, section);
        if (!s) {
            doc.push_back({section, {}});
            s = &doc.back();
        }
        for (auto& e : s->entries)
            if (e.first == key) {
                e.second = value;
                return true;
            }
        s->entries.emplace_back(key, value);
        return true;
    });
}

bool KelRegistry::remove(const std::string& machine, const std::string& section, const std::string& key) {
    bool found = false;
    bool ok = modify(machine, [&](Document& doc) {
        if (Section* s = findSection(doc, section))
            for (auto it = s->entries.begin(); it != s->entries.end(); ++it)
                if (it->first == key) {
                    s->entries.erase(it);
                    found = true;
                    break;
                }
        return found;
    });
    return ok && found;
}

KelRegistry::Entries KelRegistry::section(const std::string& machine, const std::string& section) {
    Document doc;
    if (!validMachineName(machine) || !readDocument(filePath(machine), doc)) return {};
    Section* s = findSection(doc, section);
    return s ? s->entries : Entries();
}

bool KelRegistry::removeSection(const std::string& machine, const std::string& section) {
    bool found = false;
    bool ok = modify(machine, [&](Document& doc) {
        for (auto it = doc.begin(); it != doc.end(); ++it)
            if (it->name == section) {
                doc.erase(it);
                found = true;
                break;
            }
        return found;
    });
    return ok && found;
}

std::vector<std::string> KelRegistry::sections(const std::string& machine) {
    Document doc;
    std::vector<std::string> names;
    if (!validMachineName(machine) || !readDocument(filePath(machine), doc)) return names;
    for (const Section& s : doc)
        if (!s.name.empty()) names.push_back(s.name);
    return names;
}
