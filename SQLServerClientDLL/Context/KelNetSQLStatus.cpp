#include "KelSQL/KelNetSQLStatus.h"

#include "KelSQL/KelNetSQLRegistry.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLStatus, kelsql::AnswerSide::Both> registered;

}  // namespace

KelNetSQLStatus::KelNetSQLStatus(KelSQLClassProperties& ctx, bool) : KelNetSQLMessage(ctx, false) {}

KelNetSQLStatus::KelNetSQLStatus(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
    : KelNetSQLMessage(ctx, messageId, request) {}

bool KelNetSQLStatus::initialize(bool) { return KelNetSQLMessage::initialize(false); }

bool KelNetSQLStatus::connection() {
    if (!requestMessage(true)) return false;
    return exchange(getLastError());
}
