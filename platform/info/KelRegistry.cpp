#include "platform/info/KelRegistry.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/info/KelPI_DataBase.h"
#include "platform/info/KelPlatformInfo.h"
#include "platform/util/KelHome.h"
#include "platform/util/KelPassword.h"

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

// Secrets are stored sealed with the installation's key and read back open;
// callers see plain values only. A value without the prefix is a plain one
// from an older file: it is read as it stands and sealed on the next write.
constexpr const char kSealedPrefix[] = "sealed:";
constexpr size_t kSealedPrefixLength = sizeof(kSealedPrefix) - 1;

bool isSecret(const std::string& section, const std::string& key) {
    return section == kel::kSectionDatabase && key == kel::kKeySqlPassword;
}

bool isSealed(const std::string& value) { return value.compare(0, kSealedPrefixLength, kSealedPrefix) == 0; }

// A sealed value that does not open (another installation's key) stays as
// stored, so that a rewrite keeps it rather than sealing it twice.
std::string openSecret(const std::string& stored) {
    if (!isSealed(stored)) return stored;
    std::vector<char> plain(stored.size() + 1);
    size_t capacity = plain.size();
    KelPassword cipher;
    if (!cipher.decrypt(stored.c_str() + kSealedPrefixLength, plain.data(), &capacity)) return stored;
    return std::string(plain.data(), capacity);
}

bool sealSecret(const std::string& plain, std::string& stored) {
    if (plain.empty() || isSealed(plain)) {
        stored = plain;
        return true;
    }
    std::vector<char> sealed(KelPassword::encryptedLength(plain.size()) + 1);
    size_t capacity = sealed.size();
    KelPassword cipher;
    if (!cipher.encrypt(plain.c_str(), sealed.data(), &capacity)) return false;
    stored = kSealedPrefix + std::string(sealed.data(), capacity);
    return true;
}

void parseDocument(std::istream& in, Document& doc) {
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
        std::string key = trim(t.substr(0, eq));
        std::string value = trim(t.substr(eq + 1));
        if (isSecret(doc.back().name, key)) value = openSecret(value);
        doc.back().entries.emplace_back(std::move(key), std::move(value));
    }
}

bool readDocument(const std::string& path, Document& doc) {
    std::ifstream in(path);
    if (!in) return false;
    parseDocument(in, doc);
    return true;
}

// Reading a machine's file costs an open, two reads and a parse, and a
// dispatcher reads the debug level twice for every request it answers. So a
// thread keeps the files it read and uses one again while stat shows the same
// file (device, inode, size, times) that had not changed for a second before
// it was read: any later write then carries a later time, however coarse the
// file system's clock.
struct Snapshot {
    struct stat file;
    bool settled;
    std::shared_ptr<const Document> doc;
};

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

bool before(const timespec& t, const timespec& limit) {
    return t.tv_sec < limit.tv_sec || (t.tv_sec == limit.tv_sec && t.tv_nsec <= limit.tv_nsec);
}

// The machine's file as it stands; null when it cannot be read.
std::shared_ptr<const Document> currentDocument(const std::string& path) {
    thread_local std::unordered_map<std::string, Snapshot> kept;
    struct stat now;
    if (::stat(path.c_str(), &now) != 0) {
        kept.erase(path);
        return nullptr;
    }
    auto found = kept.find(path);
    if (found != kept.end() && found->second.settled && sameFile(found->second.file, now)) return found->second.doc;

    timespec readAt{};
    clock_gettime(CLOCK_REALTIME, &readAt);
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    Snapshot snap{};
    std::string text;
    char buf[8192];
    ssize_t n = 0;
    bool ok = fstat(fd, &snap.file) == 0;
    while (ok && (n = ::read(fd, buf, sizeof buf)) != 0) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        else text.append(buf, size_t(n));
    }
    ::close(fd);
    if (!ok) return nullptr;
    auto doc = std::make_shared<Document>();
    std::istringstream in(text);
    parseDocument(in, *doc);
    readAt.tv_sec -= 1;
    snap.settled = before(snap.file.st_mtim, readAt) && before(snap.file.st_ctim, readAt);
    snap.doc = doc;
    if (kept.size() >= 16) kept.clear();  // a thread reads few machines' files
    kept[path] = snap;
    return doc;
}

const Section* findSection(const Document& doc, const std::string& name) {
    for (const Section& s : doc)
        if (s.name == name) return &s;
    return nullptr;
}

bool writeAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

bool writeDocument(const std::string& path, const Document& doc) {
    std::ostringstream out;
    for (const Section& s : doc) {
        if (!s.name.empty()) out << '[' << s.name << "]\n";
        for (const auto& e : s.entries) {
            std::string value = e.second;
            if (isSecret(s.name, e.first) && !sealSecret(e.second, value)) return false;
            out << e.first << " = " << value << '\n';
        }
        out << '\n';
    }
    // The file holds the catalogue login: its owner alone reads it, whatever
    // the umask, and the replacement is never readable by others either.
    std::string tmp = path + ".tmp" + std::to_string(getpid());
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool ok = fchmod(fd, 0600) == 0 && writeAll(fd, out.str());
    ok = ::close(fd) == 0 && ok;
    if (!ok || std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        return false;
    }
    return true;
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
        fd_ = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
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
    const std::string folder = kel::homePath("registry");
    if (!kel::makePrivateFolder(folder)) return false;
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
    std::shared_ptr<const Document> doc = currentDocument(filePath(machine));
    if (!doc) return fallback;
    if (const Section* s = findSection(*doc, section))
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
    if (!validMachineName(machine)) return {};
    std::shared_ptr<const Document> doc = currentDocument(filePath(machine));
    if (!doc) return {};
    const Section* s = findSection(*doc, section);
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
    std::vector<std::string> names;
    if (!validMachineName(machine)) return names;
    std::shared_ptr<const Document> doc = currentDocument(filePath(machine));
    if (!doc) return names;
    for (const Section& s : *doc)
        if (!s.name.empty()) names.push_back(s.name);
    return names;
}
