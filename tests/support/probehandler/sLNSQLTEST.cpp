// The probe handler library: registers the test-only message classes with the
// catalogue's answering side and answers through it, sharing the session's
// answering context with the catalogue's own handler.
#include "KelSQL/KelNetSQLRegistry.h"
#include "support/ProbeMessages.h"

namespace {

const kelsql::MessageRegistration<kel::probe::Probe, kelsql::AnswerSide::Both> probe;
const kelsql::MessageRegistration<kel::probe::ProbeList, kelsql::AnswerSide::Both> list;
const kelsql::MessageRegistration<kel::probe::ProbeNameList, kelsql::AnswerSide::Both> names;

}  // namespace

extern "C" unsigned long long sLPSQLTESTMSG(void* session, unsigned long long messageId, unsigned long long family,
                                            unsigned long long type, const char* request,
                                            unsigned long requestLength, const char*, unsigned long) {
    return kelsql::answerRequest(session, messageId, family, type, request, requestLength);
}

extern "C" const char* const kelHandlerEntryPoints[] = {"sLPSQLTESTMSG", nullptr};
