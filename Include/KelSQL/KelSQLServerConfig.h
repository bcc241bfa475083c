// An administrator on the Ostrel configures an instance of a client: the
// instance, its undo-file path, the archive group, whether the client is
// clustered, and the SQL and NT logins the agent is to use. This object
// collects and checks them and sends them to the agent on the client's host;
// built in reply mode by the agent's handler, it installs what it received.
//
// The context is borrowed and outlives the object.
#pragma once

#include <string>

#include "KelSQL/KelNetSQLServerConfig.h"

class KelSQLServerConfig : public KelNetSQLServerConfig {
public:
    KelSQLServerConfig(KelSQLClassProperties& context, bool replyMode);

    void setTesselId(unsigned long id) { tesselId_ = id; }
    void setClientId(unsigned long id) { clientId_ = id; }
    void setArchiveGroupId(unsigned long id) { archiveGroupId_ = id; }
    void setSqlServerName(const std::string& name) { sqlServerName_ = name; }
    void setUndoFilePath(const std::string& path) { undoFilePath_ = path; }
    bool isClustered() const { return clustered_; }
    void clusteredOn() { clustered_ = true; }
    void clusteredOff() { clustered_ = false; }

    // Ostrel side (0x1E000035 on an agent-side context).
    // Points the context at the client's host, tells it whether the client
    // is clustered and keeps the login.
    bool verifySQLUser(const std::string& sqlUser, const std::string& sqlPassword);
    // Has the client's agent check the NT login, and keeps it.
    bool verifyNTUser(const std::string& ntUser, const std::string& ntPassword);
    // Reads from the catalogue whether any instance of the client is clustered.
    bool clustered();
    // Hands the agent the SQL login, then sends the configuration; a text
    // or login the request cannot hold is refused before either goes.
    bool config();
    bool createDSN();
    bool networkQuery();

    // Agent side, reply mode only: installs a received configuration.
    bool config(KelNetSQLServerConfig_t& request);

private:
    bool requireOstrel(const char* signature);
    // Points the context at the client's host, dropping a session open to
    // another host.
    bool findHost(const char* signature);
    // The configuration into the request to the client's host.
    bool fillRequest();

    bool replyMode_;
    std::string sqlServerName_;
    std::string undoFilePath_;
    std::string sqlUser_;
    std::string sqlPassword_;
    std::string ntUser_;
    std::string ntPassword_;
    unsigned long tesselId_ = 0;
    unsigned long clientId_ = 0;
    unsigned long archiveGroupId_ = 0;
    bool clustered_ = false;
};
