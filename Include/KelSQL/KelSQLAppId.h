// The application id under which the platform's application manager knows
// one database of an instance of a client, with one subclient: found here
// (lookup) or created (create), with the instance, backup set and client ids
// that go with it. The context is borrowed and outlives the object.
#pragma once

#include <string>

#include "KelSQL/KelNetSQLAppId.h"

class KelSQLAppId : public KelNetSQLAppId {
public:
    // replyMode: built by the message handler to answer a request.
    KelSQLAppId(KelSQLClassProperties& context, bool replyMode);

    void setClientName(const std::string& name) { clientName_ = name; }
    void setServerName(const std::string& name) { serverName_ = name; }
    void setDatabaseName(const std::string& name) { databaseName_ = name; }
    void setSubClientName(const std::string& name) { subClientName_ = name; }
    void setRelease(const std::string& release) { release_ = release; }
    void setArchiveGroupNameId(unsigned long id) { archiveGroupNameId_ = id; }
    void setLogArchiveGroupNameId(unsigned long id) { logArchiveGroupNameId_ = id; }
    void setSqlFileSubClientId(unsigned long id) { sqlFileSubClientId_ = id; }
    void setAssignSPFlag(unsigned long flag) { assignSPFlag_ = flag; }

    unsigned long instanceId() const { return instanceId_; }
    unsigned long backupSetId() const { return backupSetId_; }
    unsigned long applicationId() const { return applicationId_; }
    unsigned long clientId() const { return clientId_; }
    unsigned long applicationType() const { return applicationType_; }
    // The storage policies as a creation finally used them.
    unsigned long archiveGroupNameId() const { return archiveGroupNameId_; }
    unsigned long logArchiveGroupNameId() const { return logArchiveGroupNameId_; }

    void setSQL7MajorVersion() { majorVersion_ = 7; }
    void setSQL2000MajorVersion() { majorVersion_ = 8; }
    void setSQLYukonMajorVersion() { majorVersion_ = 9; }
    bool isSQL7MajorVersion() const { return majorVersion_ == 7; }
    bool isSQL2000MajorVersion() const { return majorVersion_ == 8; }
    bool isSQLYukonMajorVersion() const { return majorVersion_ == 9; }

    // 0: from the major version of the context's data source; 4, 16, 70:
    // that type. Anything else is refused (0x1E0000C0 / 0x1E0000C1) and
    // changes nothing.
    bool setApplicationType(unsigned long code);

    // Finds the application id in the application manager, where it is
    // called (no network path).
    bool lookup();
    // Ostrel (or reply mode): registers the database with the application
    // manager, and the instance itself for master (and msdb on the Ostrel's
    // own client); then assigns the storage policies of every application id
    // of the database. Work done before a failure stays done.
    bool create();
    // Loads the installation service's library and calls its entry, which
    // marks the instance deleted (flag 0) or brings it back (flag 1).
    bool loadSimCSMarkDeleteApplicationInstance(unsigned long tesselId, unsigned long clientId,
                                                unsigned long applicationType, unsigned long instanceId, int flag);
    // Answering operations (reply mode only).
    bool lookup(KelNetSQLAppIdReqV3_t* req, KelNetSQLAppIdRsp_t* rsp);
    bool update(KelNetSQLAppIdReqV3_t* req, KelNetSQLAppIdRsp_t* rsp);
    // Sends the filled request; the four ids of the answer.
    bool networkQuery();

    // From names. Ostrel side: asks the client's host (creation code 4, which
    // its handler refuses). Agent side: createApplicationId on this context.
    bool create(const std::string& clientName, const std::string& serverName, const std::string& databaseName,
                unsigned long archiveGroupNameId, unsigned long logArchiveGroupNameId, unsigned long assignSPFlag,
                const std::string& subClientName);
    // Reply mode only: createApplicationId from the request's fields; the
    // response is left as it is.
    bool create(KelNetSQLAppIdReqV3_t* req, KelNetSQLAppIdRsp_t* rsp);
    // Agent side: has the Ostrel create the application id of a database of
    // an instance of this machine's client (the client is the machine in
    // focus), on prop or on a fresh agent-side context of this object's
    // virtual machine. On success the four ids are this object's too.
    bool createApplicationId(KelSQLClassProperties* prop, const std::string& serverName,
                             const std::string& databaseName, unsigned long archiveGroupNameId,
                             unsigned long logArchiveGroupNameId, unsigned long assignSPFlag,
                             const std::string& subClientName);
    // Agent side: sends the object's fields to the Ostrel as a creation
    // (code 2) and takes the four ids of the answer.
    bool update();

    [[nodiscard]] bool copyToRequest(KelNetSQLAppIdReqV3_t& req);
    void copyFromRequest(const KelNetSQLAppIdReqV3_t& req);
    void copyToResponse(KelNetSQLAppIdRsp_t& rsp) const;
    void copyFromResponse(const KelNetSQLAppIdRsp_t& rsp);

private:
    friend class KelSQLAppIdCreation;
    bool fail(uint64_t number, const char* signature);
    bool requireReplyMode(const char* signature);
    // A peer's request in reply mode, its names each leaving room for the NUL
    // of its field; else 0x1E000037 naming the field.
    bool acceptRequest(const KelNetSQLAppIdReqV3_t& req, const char* signature);
    bool createOnClientHost(const char* signature);
    void takeIds(const KelSQLAppId& other);

    KelSQLClassProperties& context_;
    bool replyMode_;
    unsigned long majorVersion_ = 7;
    std::string clientName_;
    std::string serverName_;
    std::string databaseName_;
    std::string subClientName_;
    std::string release_;
    unsigned long applicationType_ = 4;
    unsigned long archiveGroupNameId_ = 0;
    unsigned long logArchiveGroupNameId_ = 0;
    unsigned long sqlFileSubClientId_ = 0;
    unsigned long assignSPFlag_ = 0;
    unsigned long instanceId_ = 0;
    unsigned long backupSetId_ = 0;
    unsigned long applicationId_ = 0;
    unsigned long clientId_ = 0;
};
