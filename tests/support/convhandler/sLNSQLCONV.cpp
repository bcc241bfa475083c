// Loaded into an agent host's dispatcher by a probe addressed to it
// ("sLNSQLCONV", entry point "sLPSQLCONVMSG"): from then on that host's agent
// answers the two conversion questions as the file agent-conversion under
// the platform home says ("converted level eventId failNumber"), and writes
// what the rules question carried to agent-conversion-request
// ("client|server|database|level|lastBackupSetId|referenceFields").
#include <fstream>

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLBackupConversions.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "platform/util/KelHome.h"
#include "support/ProbeMessages.h"

namespace {

struct Script {
    unsigned long long converted = 0, level = 0, eventId = 0, fail = 0;
    Script() {
        std::ifstream in(kel::homePath("agent-conversion"));
        in >> converted >> level >> eventId >> fail;
    }
    // The status block of the answer; false when the script says fail.
    bool status(KelLastError& err, KelNetSQLOPStatus_t* s) const {
        if (fail) {
            err.setNumber(fail);
            err.addArgument("agent");
        }
        populateSQLOperationStatus(s, fail == 0, err);
        return fail == 0;
    }
};

class ScriptedRules : public KelNetSQLBackupConversionRules {
public:
    using KelNetSQLBackupConversionRules::KelNetSQLBackupConversionRules;
    bool buildReply() override {
        Response* rsp = responseMessage(true);
        const Request* req = requestMessage(false);
        if (!rsp || !req) return false;
        std::string client = "?", server = "?", database = "?";
        const bool texts = decodeRequestTexts(client, server, database);
        std::ofstream(kel::homePath("agent-conversion-request"))
            << (texts ? "" : "undecoded:") << client << "|" << server << "|" << database << "|" << req->bkupLevel
            << "|" << req->lastBackupSetId << "|" << (req->clientName | req->serverName | req->databaseName);
        const Script script;
        rsp->bkupTypeConverted = static_cast<uint32_t>(script.converted);
        rsp->bkupLevel = script.level;
        rsp->eventId = script.eventId;
        return script.status(getLastError(), &rsp->status);
    }
};

class ScriptedOlderAgent : public KelSQLBackupConversions {
public:
    using KelSQLBackupConversions::KelSQLBackupConversions;
    bool buildReply() override {
        Response* rsp = responseMessage(true);
        if (!rsp) return false;
        const Script script;
        rsp->bkupTypeConverted = static_cast<uint32_t>(script.converted);
        rsp->bkupLevel = script.level;
        return script.status(getLastError(), &rsp->status);
    }
};

// Takes the two types over from the catalogue's own answering classes.
template <class M>
struct Replaced {
    Replaced() {
        kelsql::unregisterMessageClass(M::kRequestType);
        registration = std::make_unique<kelsql::MessageRegistration<M, kelsql::AnswerSide::Agent>>();
    }
    std::unique_ptr<kelsql::MessageRegistration<M, kelsql::AnswerSide::Agent>> registration;
};

const kelsql::MessageRegistration<kel::probe::Probe, kelsql::AnswerSide::Both> probe;
const Replaced<ScriptedRules> rules;
const Replaced<ScriptedOlderAgent> older;

}  // namespace

extern "C" unsigned long long sLPSQLCONVMSG(void* session, unsigned long long messageId, unsigned long long family,
                                            unsigned long long type, const char* request,
                                            unsigned long requestLength, const char*, unsigned long) {
    return kelsql::answerRequest(session, messageId, family, type, request, requestLength);
}

extern "C" const char* const kelHandlerEntryPoints[] = {"sLPSQLCONVMSG", nullptr};
