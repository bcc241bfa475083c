#include "platform/live/NoLiveSqlServer.h"

namespace kel::live {

bool NoLiveSqlServer::database(const LiveTarget&, const std::string&, LiveDatabase&, bool&, KelLastError&) {
    return true;
}
bool NoLiveSqlServer::fileGroup(const LiveTarget&, const std::string&, const std::string&, LiveFileGroup&, bool&,
                                KelLastError&) {
    return true;
}
bool NoLiveSqlServer::file(const LiveTarget&, const std::string&, const std::string&, const std::string&, LiveFile&,
                           bool&, KelLastError&) {
    return true;
}
bool NoLiveSqlServer::databaseNames(const LiveTarget&, std::vector<std::string>&, KelLastError&) { return true; }
bool NoLiveSqlServer::fileGroupNames(const LiveTarget&, const std::string&, std::vector<std::string>&,
                                     KelLastError&) {
    return true;
}
bool NoLiveSqlServer::fileNames(const LiveTarget&, const std::string&, const std::string&,
                                std::vector<std::string>&, KelLastError&) {
    return true;
}
bool NoLiveSqlServer::property(const LiveTarget&, const std::string&, const std::string&, std::string&,
                               KelLastError&) {
    return true;
}
bool NoLiveSqlServer::option(const LiveTarget&, const std::string&, const std::string&, bool&, KelLastError&) {
    return true;
}
bool NoLiveSqlServer::serviceState(const LiveTarget&, unsigned long&, KelLastError&) { return true; }
bool NoLiveSqlServer::controlService(const LiveTarget&, bool, KelLastError&) { return true; }
bool NoLiveSqlServer::instanceNames(const std::string&, std::vector<std::string>&, KelLastError&) { return true; }

}  // namespace kel::live
