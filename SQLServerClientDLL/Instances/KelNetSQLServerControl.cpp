#include "KelSQL/KelNetSQLServerControl.h"

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLServerControl.h"
#include "platform/util/BoundedCopy.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLServerControl, kelsql::AnswerSide::Agent> registered;

}  // namespace

void KelNetSQLServerControl::dumpRequest(const char* fn, const KelNetSQLServerControlReq_t& req) {
    dumpNumber(fn, "Control", static_cast<long long>(req.Control));
    dumpText(fn, "ServerName", req.ServerName, sizeof req.ServerName);
    dumpText(fn, "ServiceName", req.ServiceName, sizeof req.ServiceName);
}

void KelNetSQLServerControl::dumpResponse(const char* fn, const KelNetSQLServerControlRsp_t& rsp) {
    dumpNumber(fn, "Status", static_cast<long long>(rsp.ServiceStatus));
}

bool KelNetSQLServerControl::networkQuery() { return exchange(getLastError()); }

// No side check: whoever runs the dispatcher of the instance's host answers.
bool KelNetSQLServerControl::answer(KelNetSQLServerControlReq_t& req, KelNetSQLServerControlRsp_t& rsp) {
    KelSQLServerControl control(kel::fieldText(req.ServiceName), context());
    control.setMSSQLServerName(kel::fieldText(req.ServerName));
    rsp.ServiceStatus = 0;
    switch (req.Control) {
    case KelNetSQLServerControlStatus:
        // An unreadable state is an answer too: 0, and the controller keeps why.
        rsp.ServiceStatus = static_cast<uint32_t>(control.mssqlServiceStatus());
        return true;
    case KelNetSQLServerControlStop:
    case KelNetSQLServerControlStart: {
        const bool done =
            req.Control == KelNetSQLServerControlStop ? control.stopMSSQLServer() : control.startMSSQLServer();
        if (!done) {
            getLastError() = control.getLastError();
            return false;
        }
        rsp.ServiceStatus = static_cast<uint32_t>(control.mssqlServiceStatus());
        return true;
    }
    default: return refuse("KelNetSQLServerControl::buildReply()", req.Control);
    }
}
