#include "KelSQL/KelNetSQLFrame.h"

#include "KelSQL/KelSQLClassProperties.h"
#include "platform/util/BoundedCopy.h"

KelNetSQLFrame::KelNetSQLFrame(KelSQLClassProperties& context, bool terminate)
    : KelNetMessage(context.getPlatformBase(), context.getSqlSession(), terminate), context_(&context) {}

KelNetSQLFrame::KelNetSQLFrame(KelSQLClassProperties& context, unsigned long long messageId)
    : KelNetMessage(context.getSqlSession(), messageId), context_(&context) {}

KelNetSQLFrame& KelNetSQLFrame::operator=(const KelNetSQLFrame& other) {
    if (this == &other) return *this;
    KelNetMessage::operator=(other);
    requestValid_ = other.requestValid_;
    return *this;
}

bool KelNetSQLFrame::setupFrame(unsigned long long requestTypeNumber, unsigned long long responseTypeNumber,
                                size_t requestSize, size_t responseSize, bool terminate) {
    messageFamily = kelsql::kMessageFamily;
    requestType = requestTypeNumber;
    responseType = responseTypeNumber;
    setDLLName(kelsql::kHandlerLibrary);
    setDLLEntryPointName(kelsql::kHandlerEntryPoint);
    terminate ? enableTermination() : disableTermination();
    bool ok = setupSendData(initiatorMode() ? requestSize : responseSize);
    // The receive buffer always holds one whole record of the other end, and
    // a record of any other size is refused when it arrives.
    requestValid_ = setupReceiveData(initiatorMode() ? responseSize : requestSize);
    return classInitialized() && ok && requestValid_;
}

bool KelNetSQLFrame::copyRecord(char* record, bool request, const char* className) {
    char* buffer = request ? getRequestMessage() : getResponseMessage();
    if (!record || !buffer) {
        error_.setNumber(kelsql::kErrNoBuffer);
        error_.addArgument(std::string(className) + (request ? "::setRequestMessage" : "::setResponseMessage"));
        error_.addArgument(request ? "request" : "response");
        return false;
    }
    if (record != buffer) std::memmove(buffer, record, request ? getRequestMessageLength() : getResponseMessageLength());
    return true;
}

bool KelNetSQLFrame::refuse(const char* function, unsigned long long code) {
    error_.setNumber(kelsql::kErrRequestRefused);
    error_.addArgument(function);
    error_.addArgument(code);
    return false;
}

bool KelNetSQLFrame::fail(uint64_t number, const char* function) {
    error_.setNumber(number);
    error_.addArgument(function);
    return false;
}

bool KelNetSQLFrame::addressDataAgent(const std::string& host, const char* function) {
    if (setRemoteDataAgent(host)) return true;
    fail(kelsql::kErrAgentAddress, function);
    error_.addArgument(host);
    return false;
}

bool KelNetSQLFrame::prepareAgentLookup(const std::string& clientName, size_t clientField,
                                        const std::string& serverName, size_t serverField, const char* function) {
    if (!context_->isClientOperations()) return fail(kelsql::kErrAgentSideOnly, function);
    if (!stringEmpty(error_, clientName, "clientName", function) ||
        !stringEmpty(error_, serverName, "serverName", function) ||
        !textFits(error_, clientName, clientField, "clientName", function) ||
        !textFits(error_, serverName, serverField, "serverName", function))
        return false;
    return setRemoteOstrel();
}

bool KelNetSQLFrame::addressRemoteHost(const std::string& hostName, const char* signature) {
    if (!hostName.empty()) context_->setRemoteSqlHostName(hostName);
    const std::string& host = context_->remoteSqlHostName();
    if (!stringEmpty(error_, host, "hostName", signature)) return false;
    return addressDataAgent(host, signature);
}

KelNetSQLOPStatus_t* KelNetSQLFrame::responseStatus() {
    if (getResponseMessageLength() < sizeof(KelNetSQLOPStatus_t)) return nullptr;
    return reinterpret_cast<KelNetSQLOPStatus_t*>(getResponseMessage());
}

bool KelNetSQLFrame::exchange(KelLastError& err) {
    if (!initiate()) {
        err = getLastError();
        return false;
    }
    KelNetSQLOPStatus_t* status = responseStatus();
    if (!status) {
        err = getLastError();
        return false;
    }
    return operationStatus(*status, err);
}

void KelNetSQLFrame::dumpHeader(const char* fn, const char* recordName) {
    sqlDumpLine(fn, "1   %s:%s", recordName, " ");
}

void KelNetSQLFrame::dumpInnerHeader(const char* fn, const char* recordName) {
    sqlDumpLine(fn, "2    %s:%s", recordName, " ");
}

void KelNetSQLFrame::dumpNumber(const char* fn, const char* name, long long value) {
    sqlDumpLine(fn, "        %s = %d", name, static_cast<int>(value));
}

void KelNetSQLFrame::dumpHex(const char* fn, const char* name, unsigned long long value) {
    sqlDumpLine(fn, "        %s = 0x%08X", name, static_cast<unsigned>(value));
}

void KelNetSQLFrame::dumpText(const char* fn, const char* name, const char* value) {
    sqlDumpLine(fn, "        %s = %s", name, value ? value : "");
}

void KelNetSQLFrame::dumpText(const char* fn, const char* name, const char* field, size_t size) {
    dumpText(fn, name, kel::fieldText(field, size).c_str());
}
