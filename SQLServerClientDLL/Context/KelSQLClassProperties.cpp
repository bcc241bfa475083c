#include "KelSQL/KelSQLClassProperties.h"

#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelNetSQLNTSecurity.h"
#include "KelSQL/KelNetSQLSecurity.h"
#include "KelSQL/KelSQLErrors.h"

namespace {

// A lent session is shared among the views of this context but never deleted.
std::shared_ptr<CKelNetwork> sessionFor(CKelNetwork* lent) {
    if (lent) return std::shared_ptr<CKelNetwork>(lent, [](CKelNetwork*) {});
    return std::make_shared<CKelNetwork>();
}

}  // namespace

KelSQLClassProperties::KelSQLClassProperties(KelSQLConstructorType type, CKelNetwork* session)
    : KelSQLClassProperties(std::string(), type, session) {}

KelSQLClassProperties::KelSQLClassProperties(const std::string& focus, KelSQLConstructorType type,
                                             CKelNetwork* session)
    : type_(type), session_(sessionFor(session)), tran_(std::make_shared<Transaction>()) {
    if (!session) ownSession_ = session_;
    if (!focus.empty()) {
        setFocus(focus);
        return;
    }
    initialize(type);
    initialized_ = true;
}

KelSQLClassProperties::~KelSQLClassProperties() {
    releaseOwnedMessages();
    releaseTransaction();
    releaseSession();
    ownSession_.reset();
}

void KelSQLClassProperties::releaseTransaction() {
    if (tran_.use_count() == 1 && tran_->status == KelSQLTranStarted) {
        log_.debug3("KelSQLClassProperties::~KelSQLClassProperties()", "Automatically rolling back database transaction!");
        rollBackTransaction();
    }
    tran_.reset();
}

void KelSQLClassProperties::releaseSession() {
    // The last view ends the session, also one that the caller lent; this
    // context's own hold on the session it made is not a view.
    const long views = session_.use_count() - (session_ == ownSession_ ? 1 : 0);
    if (views == 1 && session_->IsConnected()) {
        log_.debug3("KelSQLClassProperties::~KelSQLClassProperties()", "Automatically disconnecting session!");
        bool flag = false;
        session_->Disconnect(120, flag);
    }
    session_.reset();
}

bool KelSQLClassProperties::setFocus(const std::string& name) {
    if (name.empty()) {
        error_.setNumber(kelsql::kErrInvalidArgument);
        error_.addArgument("KelSQLClassProperties::setFocus(name)");
        return false;
    }
    initialized_ = false;
    focus_ = name;
    KelPI_Base* objects[] = {&ostrel_, &farrow_, &base_, &agent_};
    for (KelPI_Base* object : objects) {
        if (object->setFocus(name) == 0) {
            error_.setNumber(object->getLastError().number());
            // Messages built for the previous focus must not outlive it.
            releaseOwnedMessages();
            return false;
        }
    }
    initialized_ = true;
    initialize(type_);
    return true;
}

void KelSQLClassProperties::initialize(KelSQLConstructorType type) {
    type_ = type;
    agentActive_ = false;
    ostrelValid_ = !ostrel_.invalidKelPlatform();
    if (type == KelSQLClientSide) {
        agentActive_ = agent_.isAgentInstallActive(KelPI_Focus::getFocusClientName(true)) != 0;
        base_ = farrow_;
    } else {
        base_ = ostrel_;
    }
    remoteSqlHost_.clear();
    rebuildOwnedMessages();
}

void KelSQLClassProperties::releaseOwnedMessages() {
    netTran_.reset();
    security_.reset();
    ntSecurity_.reset();
}

void KelSQLClassProperties::rebuildOwnedMessages() {
    releaseOwnedMessages();
    netTran_ = std::make_unique<KelNetSQLDBTransaction>(*this, false);
    security_ = std::make_unique<KelNetSQLSecurity>(*this, false);
    ntSecurity_ = std::make_unique<KelNetSQLNTSecurity>(*this, false);
}

KelSQLClassProperties& KelSQLClassProperties::operator=(KelSQLClassProperties& other) {
    if (this == &other) return *this;
    if (other.focus_.empty()) {
        focus_.clear();
        initialize(other.type_);
        initialized_ = true;
    } else {
        type_ = other.type_;
        setFocus(other.focus_);
    }
    error_ = other.error_;
    // This view's own session and transaction end here unless another view
    // still holds them; from now on both contexts hold other's.
    std::shared_ptr<CKelNetwork> session = other.session_;
    std::shared_ptr<Transaction> tran = other.tran_;
    // The owned messages were built on the session this view gives up.
    releaseOwnedMessages();
    releaseTransaction();
    releaseSession();
    // The shared session is not reset: closing it would end the peer's
    // session, and with it an open network transaction there.
    session_ = std::move(session);
    tran_ = std::move(tran);
    remoteSqlHost_ = other.remoteSqlHost_;
    credentials_ = other.credentials_;
    dsn_ = other.dsn_;
    if (initialized_) {
        // The owned messages are rebuilt on this context and the shared
        // session, then take over other's (each keeps this context).
        rebuildOwnedMessages();
        if (other.netTran_) *netTran_ = *other.netTran_;
        if (other.security_) *security_ = *other.security_;
        if (other.ntSecurity_) *ntSecurity_ = *other.ntSecurity_;
    }
    return *this;
}

bool KelSQLClassProperties::startTransaction() {
    if (!initialized_) return false;
    Transaction& t = *tran_;
    if (t.tran && t.tran->isStarted()) return true;
    t.tran = std::make_unique<DBtran>(false);
    t.tran->setWriterWaitLimit(ostrel_.getWriterStallLimitMs());
    int rc = t.tran->startTran();
    if (rc != 0) {
        error_.setNumber(rc == kDBErrBusy ? kelsql::kErrTranBusy : kelsql::kErrTranStart);
        error_.addArgument("KelSQLClassProperties::startTransaction");
        // Whom it waited behind, and for how long.
        if (rc == kDBErrBusy) error_.addArgument(t.tran->getErrorStr(rc));
        t.status = KelSQLTranFailed;
        log_.debug("KelSQLClassProperties::startTransaction", "%s", t.tran->getErrorStr(rc));
        t.tran.reset();
        return false;
    }
    t.status = KelSQLTranStarted;
    log_.debug3("KelSQLClassProperties::startTransaction", "Database transaction started!");
    return true;
}

bool KelSQLClassProperties::commitTransaction() { return endTransaction(true); }
bool KelSQLClassProperties::rollBackTransaction() { return endTransaction(false); }

bool KelSQLClassProperties::endTransaction(bool commit) {
    if (!initialized_) return false;
    const char* function = commit ? "KelSQLClassProperties::commitTransaction" : "KelSQLClassProperties::rollBackTransaction";
    Transaction& t = *tran_;
    if (!t.tran || !t.tran->isStarted()) {
        error_.setNumber(kelsql::kErrTranNotStarted);
        error_.addArgument(function);
        t.status = KelSQLTranFailed;
        return false;
    }
    int rc = commit ? t.tran->commitTran(false) : t.tran->rollbackTran();
    // Whatever the outcome, this transaction is over: a new one can start.
    t.tran.reset();
    if (rc != 0) {
        error_.setNumber(commit ? kelsql::kErrTranCommit : kelsql::kErrTranRollback);
        error_.addArgument(function);
        t.status = KelSQLTranFailed;
        return false;
    }
    t.status = commit ? KelSQLTranCommitted : KelSQLTranRolledBack;
    log_.debug3(function, "%s", commit ? "Database transaction committed!" : "Database transaction rolled back!");
    return true;
}
