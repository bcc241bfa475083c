// The catalogue's handler library: the dispatcher loads it for requests that
// name "sLNSQL" and calls "sLPSQLMSG", the one entry point it declares, with
// each request. Every message class of the catalogue library registers itself
// there, so this entry point only passes the request on.
#include "KelSQL/KelNetSQLRegistry.h"

extern "C" unsigned long long sLPSQLMSG(void* session, unsigned long long messageId, unsigned long long family,
                                        unsigned long long type, const char* request, unsigned long requestLength,
                                        const char*, unsigned long) {
    return kelsql::answerRequest(session, messageId, family, type, request, requestLength);
}

extern "C" const char* const kelHandlerEntryPoints[] = {"sLPSQLMSG", nullptr};
