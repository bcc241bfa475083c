#include "platform/live/KelLiveSqlServer.h"

#include <atomic>

#include "platform/live/NoLiveSqlServer.h"

namespace kel::live {

namespace {

NoLiveSqlServer& nothingRead() {
    static NoLiveSqlServer reader;
    return reader;
}

// The installed reader, owned here; null: the default.
std::unique_ptr<LiveSqlServer>& installed() {
    static std::unique_ptr<LiveSqlServer> reader;
    return reader;
}

std::atomic<LiveSqlServer*> current{nullptr};

}  // namespace

bool LiveSqlServer::instances(const std::string&, bool, std::vector<LiveInstance>&, KelLastError&) { return true; }

bool LiveSqlServer::flagProperty(const LiveTarget&, const std::string&, const std::string&, bool&, KelLastError&) {
    return true;
}

bool LiveSqlServer::fullBackupRequired(const LiveTarget&, const std::string&, bool&, KelLastError&) { return true; }

bool LiveSqlServer::rootDirectory(const LiveTarget&, std::string&, bool&, KelLastError&) { return true; }

bool LiveSqlServer::singleUserMode(const LiveTarget&, const std::string&, bool&, KelLastError&) { return true; }

bool LiveSqlServer::restoreState(const LiveTarget&, const std::string&, LiveRestoreState&, bool&, KelLastError&) {
    return true;
}

LiveSqlServer& liveSqlServer() {
    LiveSqlServer* reader = current.load(std::memory_order_acquire);
    return reader ? *reader : nothingRead();
}

std::unique_ptr<LiveSqlServer> installLiveSqlServer(std::unique_ptr<LiveSqlServer> reader) {
    current.store(reader.get(), std::memory_order_release);
    std::unique_ptr<LiveSqlServer> previous = std::move(installed());
    installed() = std::move(reader);
    return previous;
}

}  // namespace kel::live
