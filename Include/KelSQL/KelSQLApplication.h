// The SQL Server instances of one client, for the Ostrel: those configured
// in the catalogue, all those on the client's host (asked of its agent), and
// those on the host that are not configured yet. No operation of the library
// calls it.
//
// The context is borrowed and outlives the object.
#pragma once

#include <memory>
#include <vector>

#include "KelSQL/KelNetSQLServerList.h"
#include "KelSQL/KelSQLServer.h"

class KelSQLApplication {
public:
    explicit KelSQLApplication(KelSQLClassProperties& context);
    ~KelSQLApplication();
    KelSQLApplication(const KelSQLApplication&) = delete;
    KelSQLApplication& operator=(const KelSQLApplication&) = delete;

    KelLastError& getLastError() { return error_; }

    bool getAllSQLServersWithinTessel(unsigned long tesselId, std::vector<KelSQL_SqlIdName_t>& list,
                                      unsigned long appType);
    // From the catalogue, in a transaction of its own; logically deleted
    // instances are left out. No rows leaves list as it was.
    bool getConfiguredSQLServersWithinClient(unsigned long tesselId, unsigned long clientId,
                                             std::vector<KelSQL_SqlIdName_t>& list);
    // Ostrel side: from the agent on the client's host.
    bool getAllSQLServersOnClient(unsigned long tesselId, unsigned long clientId,
                                  std::vector<KelSQLServerUnconfigured_t>& list);
    // The host's instances less the configured ones, names compared without
    // regard to case, each configured instance taking away one host entry.
    bool getUnconfiguredSQLServersForClient(unsigned long tesselId, unsigned long clientId,
                                            std::vector<KelSQLServerUnconfigured_t>& list);

private:
    KelLastError error_;
    KelSQLClassProperties& context_;
    std::unique_ptr<KelSQLServer> server_;
};
