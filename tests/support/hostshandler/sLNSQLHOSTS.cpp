// Loaded into an agent host's dispatcher by a probe addressed to it
// ("sLNSQLHOSTS", entry point "sLPSQLHOSTSMSG"): installs the scripted live
// SQL Server there and answers the probe through the catalogue's answering side.
#include <memory>

#include "KelSQL/KelNetSQLRegistry.h"
#include "support/ProbeMessages.h"
#include "support/ScriptedLiveSqlServer.h"

namespace {

const kelsql::MessageRegistration<kel::probe::Probe, kelsql::AnswerSide::Both> probe;

struct Installed {
    Installed() { kel::live::installLiveSqlServer(std::make_unique<kel::test::ScriptedLiveSqlServer>()); }
    ~Installed() { kel::live::installLiveSqlServer(nullptr); }  // the reader's code goes with this library
} installed;

}  // namespace

extern "C" unsigned long long sLPSQLHOSTSMSG(void* session, unsigned long long messageId, unsigned long long family,
                                             unsigned long long type, const char* request,
                                             unsigned long requestLength, const char*, unsigned long) {
    return kelsql::answerRequest(session, messageId, family, type, request, requestLength);
}

extern "C" const char* const kelHandlerEntryPoints[] = {"sLPSQLHOSTSMSG", nullptr};
