// The catalogue context: built once by a caller and passed by reference to
// every catalogue object and message it uses. It says on which side the caller
// runs (agent or Ostrel), which machine is in focus, and holds what those
// operations share: the error record, the message log, the platform objects,
// the network session, the local catalogue transaction and the clustered
// status of the client.
//
// Ownership: the context owns its platform objects, its log, its own session
// (when it was lent none) and its transaction. After `a = b` the two contexts
// are two views of one session and one transaction: both are held by shared
// ownership, so whichever view goes last ends them (rolls back a started
// transaction, disconnects the session) and releases them, once. A lent
// session stays the lender's; the context only disconnects it. Credentials
// and the data source are values: an assignment copies them (the data
// source focuses a platform object of its own).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "KelSQL/KelSQLMessageLog.h"
#include "KelSQL/KelSQLServerDSN.h"
#include "KelSQL/KelSQLUserAndPassword.h"
#include "platform/db/DBtable.h"
#include "platform/events/KelLastError.h"
#include "platform/info/KelPlatformInfo.h"
#include "platform/net/CKelNetwork.h"

enum KelSQLConstructorType {
    KelSQLClientSide = 1,  // agent side: operations go to the Ostrel
    KelSQLServerSide = 2,  // Ostrel side: operations run on the catalogue
};

// Local transaction status; the network transaction's states take the same values.
enum KelSQLTransactionStatus : uint32_t {
    KelSQLTranNone = 1,
    KelSQLTranStarted = 2,
    KelSQLTranCommitted = 3,
    KelSQLTranRolledBack = 4,
    KelSQLTranFailed = 5,
};

enum KelSQLClusteredStatus : uint32_t {
    KelSQLClusteredUnknown = 1,
    KelSQLClusteredOff = 2,
    KelSQLClusteredOn = 3,
};

class KelNetSQLDBTransaction;
class KelNetSQLSecurity;
class KelNetSQLNTSecurity;

class KelSQLClassProperties {
public:
    // On the platform's current focus; always initialised. session may be null.
    explicit KelSQLClassProperties(KelSQLConstructorType type, CKelNetwork* session = nullptr);
    // Focused on a client or virtual machine; an empty name is the first form.
    KelSQLClassProperties(const std::string& focus, KelSQLConstructorType type, CKelNetwork* session = nullptr);
    ~KelSQLClassProperties();
    KelSQLClassProperties(const KelSQLClassProperties&) = delete;
    // Makes this context a second view of other (its session and transaction).
    KelSQLClassProperties& operator=(KelSQLClassProperties& other);

    bool setFocus(const std::string& name);
    void initialize(KelSQLConstructorType type);

    bool isClientOperations() const { return type_ == KelSQLClientSide && agentActive_; }
    bool isServerOperations() const { return type_ == KelSQLServerSide && ostrelValid_; }
    bool isInitialized() const { return initialized_; }
    KelSQLConstructorType constructorType() const { return type_; }
    void setMssqlActiveFlag() { agentActive_ = true; }
    const std::string& virtualMachine() const { return focus_; }
    const std::string& getFocus() const { return focus_; }

    KelLastError& getLastError() { return error_; }
    KelSQLMessageLog& log() { return log_; }
    KelPI_PlatformBase* getPlatformBase() { return &base_; }
    KelPI_Ostrel& getOstrel() { return ostrel_; }
    KelPI_MSSqlAgent& getMSSqlAgent() { return agent_; }

    CKelNetwork* getSqlSession() { return session_.get(); }
    CKelNetwork* sqlSession() { return session_.get(); }

    // Local catalogue transaction.
    bool startTransaction();
    bool commitTransaction();
    bool rollBackTransaction();
    bool isTransactionStarted() const { return tran_->status == KelSQLTranStarted; }
    uint32_t getTransactionStatus() const { return tran_->status; }
    DBtran* getDBTransaction() { return tran_->tran.get(); }

    // The agent host that Ostrel-to-agent messages of this context go to.
    const std::string& remoteSqlHostName() const { return remoteSqlHost_; }
    void setRemoteSqlHostName(const std::string& host) { remoteSqlHost_ = host; }
    std::string& setRemoteSqlHostName() { return remoteSqlHost_; }

    // The SQL login of the instance in work (empty at construction) and its
    // data source on the focus machine (unset at construction).
    KelSQLUserAndPassword& getSQLUserAndPassword() { return credentials_; }
    KelSQLServerDSN& getSQLDSN() { return dsn_; }

    bool isClientClustered() const { return clustered_ == KelSQLClusteredOn; }
    void setClientClusteredStatusUnknown() { clustered_ = KelSQLClusteredUnknown; }
    void setClientClusteredStatusOn() { clustered_ = KelSQLClusteredOn; }
    void setClientClusteredStatusOff() { clustered_ = KelSQLClusteredOff; }
    uint32_t clientClusteredStatus() const { return clustered_; }

    // Agent side: asks the Ostrel whether an instance's client is clustered
    // and keeps the answer (isClientClustered()).
    bool getClientClusteredStatus(unsigned long sqlServerId);
    bool getClientClusteredStatus(const std::string& clientName, const std::string& sqlServerName);
    // Ostrel side: tells the agent at remoteSqlHostName() the clustered status.
    bool setRemoteClientClusteredStatus(unsigned long sqlServerId);
    bool setRemoteClientClusteredStatus(bool clustered);
    bool setRemoteClientClusteredStatusOn() { return setRemoteClientClusteredStatus(true); }
    bool setRemoteClientClusteredStatusOff() { return setRemoteClientClusteredStatus(false); }

    // The owned messages: null until the context is initialised (and in a
    // context whose focus failed), rebuilt on every initialisation.
    KelNetSQLDBTransaction* getNetworkDBTransaction() { return netTran_.get(); }
    KelNetSQLDBTransaction* networkDBTransaction() { return netTran_.get(); }
    KelNetSQLSecurity* getRemoteSecurity() { return security_.get(); }
    KelNetSQLNTSecurity* getNTSecurity() { return ntSecurity_.get(); }

private:
    // Shared by every view of one transaction (see the class comment).
    struct Transaction {
        std::unique_ptr<DBtran> tran;
        uint32_t status = KelSQLTranNone;
    };

    bool endTransaction(bool commit);
    void rebuildOwnedMessages();
    void releaseOwnedMessages();
    // Ends this view's transaction and session when it is their last view.
    void releaseTransaction();
    void releaseSession();

    KelSQLConstructorType type_;
    KelLastError error_;
    KelSQLMessageLog log_;
    KelPI_PlatformBase base_;
    KelPI_Ostrel ostrel_;
    KelPI_Farrow farrow_;
    KelPI_MSSqlAgent agent_;
    bool agentActive_ = false;
    bool ostrelValid_ = false;
    std::string focus_;
    bool initialized_ = false;
    uint32_t clustered_ = KelSQLClusteredUnknown;
    // The session in use: the own one (owning) or the lent one (not owning).
    std::shared_ptr<CKelNetwork> session_;
    // The session this context made, held for its whole life: messages built
    // on it before an assignment keep using it (null when one was lent).
    std::shared_ptr<CKelNetwork> ownSession_;
    std::shared_ptr<Transaction> tran_;
    std::string remoteSqlHost_;
    KelSQLUserAndPassword credentials_;
    KelSQLServerDSN dsn_;
    std::unique_ptr<KelNetSQLDBTransaction> netTran_;
    std::unique_ptr<KelNetSQLSecurity> security_;
    std::unique_ptr<KelNetSQLNTSecurity> ntSecurity_;
};
