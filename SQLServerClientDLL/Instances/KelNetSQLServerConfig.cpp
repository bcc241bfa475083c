#include "KelSQL/KelNetSQLServerConfig.h"

#include <memory>

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLServerConfig.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLServerConfig, kelsql::AnswerSide::Agent> registered;

}  // namespace

void KelNetSQLServerConfig::dumpRequest(const char* fn, const KelNetSQLServerConfig_t& req) {
    dumpText(fn, "SQLServerName", req.SQLServerName, sizeof req.SQLServerName);
    dumpText(fn, "UndoFilePath", req.UndoFilePath, sizeof req.UndoFilePath);
    dumpNumber(fn, "ArchiveGroupId", static_cast<long long>(req.ArchiveGroupId));
    dumpNumber(fn, "Clustered", static_cast<long long>(req.Clustered));
}

bool KelNetSQLServerConfig::answer(KelNetSQLServerConfig_t& req, KelNetSQLServerConfigRsp_t&) {
    auto config = std::make_unique<KelSQLServerConfig>(context(), true);
    if (config->config(req)) return true;
    getLastError() = config->getLastError();
    return false;
}
