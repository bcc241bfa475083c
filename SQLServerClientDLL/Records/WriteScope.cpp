#include "WriteScope.h"

#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelSQLErrors.h"

namespace kelsql {

bool savepointHere(KelSQLClassProperties& ctx, SavepointStep step, KelLastError& err, const char* signature) {
    if (!ctx.isTransactionStarted()) {
        err.setNumber(kErrTranRequired);
        err.addArgument(signature);
        return false;
    }
    DBtran* tran = ctx.getDBTransaction();
    const int rc = step == SavepointStep::Begin  ? tran->savepoint()
                   : step == SavepointStep::Keep ? tran->releaseSavepoint()
                                                 : tran->undoSavepoint();
    if (rc == 0) return true;
    err.setNumber(step == SavepointStep::Begin  ? kErrTranStart
                  : step == SavepointStep::Keep ? kErrTranCommit
                                                : kErrTranRollback);
    err.addArgument(signature);
    err.addArgument(tran->getErrorStr(rc));
    return false;
}

bool WriteScope::step(SavepointStep s, KelLastError& err, const char* signature) {
    if (place_ == Place::Here) return savepointHere(ctx_, s, err, signature);
    KelNetSQLDBTransaction* tran = ctx_.getNetworkDBTransaction();
    const bool ok = s == SavepointStep::Begin  ? tran->setSavepoint()
                    : s == SavepointStep::Keep ? tran->releaseSavepoint()
                                               : tran->undoSavepoint();
    if (!ok) err = tran->getLastError();
    return ok;
}

bool WriteScope::open(KelLastError& err, const char* signature) {
    KelNetSQLDBTransaction* remote = ctx_.getNetworkDBTransaction();
    if (ctx_.isTransactionStarted()) place_ = Place::Here;
    else if (ctx_.isClientOperations() && remote && remote->isTransactionStarted()) place_ = Place::Ostrel;
    else place_ = Place::None;
    if (place_ == Place::None || step(SavepointStep::Begin, err, signature)) return true;
    place_ = Place::None;
    return false;
}

bool WriteScope::keep(KelLastError& err, const char* signature) {
    if (place_ == Place::None) return true;
    // A savepoint that could not be released is undone at the end.
    if (!step(SavepointStep::Keep, err, signature)) return false;
    place_ = Place::None;
    return true;
}

WriteScope::~WriteScope() {
    if (place_ == Place::None) return;
    // The operation's own error is already its caller's: the undo's goes to the log.
    KelLastError err;
    if (!step(SavepointStep::Undo, err, "WriteScope::undo"))
        ctx_.log().debug("WriteScope::undo", "writes of a failed operation not undone: %s",
                         err.formatLastErrorMessage().c_str());
}

}  // namespace kelsql
