// What this platform reads of a live SQL Server: nothing. Every reader
// succeeds and leaves its outputs as they were (found stays as the caller
// set it).
#pragma once

#include "platform/live/KelLiveSqlServer.h"

namespace kel::live {

class NoLiveSqlServer final : public LiveSqlServer {
public:
    bool database(const LiveTarget&, const std::string&, LiveDatabase&, bool&, KelLastError&) override;
    bool fileGroup(const LiveTarget&, const std::string&, const std::string&, LiveFileGroup&, bool&,
                   KelLastError&) override;
    bool file(const LiveTarget&, const std::string&, const std::string&, const std::string&, LiveFile&, bool&,
              KelLastError&) override;
    bool databaseNames(const LiveTarget&, std::vector<std::string>&, KelLastError&) override;
    bool fileGroupNames(const LiveTarget&, const std::string&, std::vector<std::string>&, KelLastError&) override;
    bool fileNames(const LiveTarget&, const std::string&, const std::string&, std::vector<std::string>&,
                   KelLastError&) override;
    bool property(const LiveTarget&, const std::string&, const std::string&, std::string&, KelLastError&) override;
    bool option(const LiveTarget&, const std::string&, const std::string&, bool&, KelLastError&) override;
    bool serviceState(const LiveTarget&, unsigned long&, KelLastError&) override;
    bool controlService(const LiveTarget&, bool, KelLastError&) override;
    bool instanceNames(const std::string&, std::vector<std::string>&, KelLastError&) override;
    bool readsLiveInstance() const override { return false; }
};

}  // namespace kel::live
