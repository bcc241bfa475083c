// The live handler library: loaded into an agent host's dispatcher by a probe
// addressed to it ("sLNSQLLIVE", entry point "sLPSQLLIVEMSG"), it installs
// the tests' live SQL Server there and answers the probe through the
// catalogue's answering side.
#include <memory>

#include "KelSQL/KelNetSQLRegistry.h"
#include "support/LiveInstance.h"
#include "support/ProbeMessages.h"

namespace {

const kelsql::MessageRegistration<kel::probe::Probe, kelsql::AnswerSide::Both> probe;

struct Installed {
    Installed() { kel::live::installLiveSqlServer(std::make_unique<kel::test::ServedLiveSqlServer>()); }
    // The reader's code goes with this library: it must not outlive it.
    ~Installed() { kel::live::installLiveSqlServer(nullptr); }
} installed;

}  // namespace

extern "C" unsigned long long sLPSQLLIVEMSG(void* session, unsigned long long messageId, unsigned long long family,
                                            unsigned long long type, const char* request,
                                            unsigned long requestLength, const char*, unsigned long) {
    return kelsql::answerRequest(session, messageId, family, type, request, requestLength);
}

extern "C" const char* const kelHandlerEntryPoints[] = {"sLPSQLLIVEMSG", nullptr};
