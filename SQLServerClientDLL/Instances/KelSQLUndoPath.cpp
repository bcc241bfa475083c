// The undo file path of an instance and its free space.
#include <cstring>

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelNetSQLVerifyUndoPath.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLServer.h"
#include "platform/util/BoundedCopy.h"
#include "platform/util/KelDirectory.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLVerifyUndoPath, kelsql::AnswerSide::Agent> registered;

// The request's field and the undoFile column hold 1024 characters: a longer
// path would be measured or stored as another, shorter directory.
constexpr size_t kUndoPathMax = sizeof(KelNetSQLVerifyUndoPath_t::Path);

// A longer path is refused as too long (0x1E000037 naming the field) before
// it is measured or sent.
bool undoPathFits(KelLastError& error, const std::string& path, const char* signature) {
    return textFits(error, path, kUndoPathMax + 1, "undoFilePath", signature);
}

// 0x1E000060 carries the number the record held before.
bool undoPathRefused(KelLastError& error) {
    const uint64_t before = error.number();
    error.setNumber(kelsql::kErrUndoPath);
    error.addArgument(before);
    return false;
}

}  // namespace

void KelNetSQLVerifyUndoPath::printSQLVerifyUndoPath(const KelNetSQLVerifyUndoPath_t* r) {
    if (!r || !sqlLogLevel(4)) return;
    const char* fn = "KelNetSQLVerifyUndoPath::printSQLVerifyUndoPath";
    sqlDumpLine(fn, "2    %s:%s", "KelNetSqlVerifyUndoPath", " ");
    sqlDumpLine(fn, "        %s = %lld", "FreeSpace", static_cast<long long>(r->FreeSpace));
    dumpText(fn, "Path", r->Path, sizeof r->Path);
}

bool KelNetSQLVerifyUndoPath::networkQuery(KelNetSQLVerifyUndoPath_t& request, KelNetSQLVerifyUndoPath_t& response) {
    KelNetSQLVerifyUndoPath_t* req = requestMessage(true);
    if (!req) return false;
    *req = request;
    if (!exchange(getLastError())) return false;
    response = responseMessage(false)->Record;
    return true;
}

// Runs on the agent host, whichever side its context is.
bool KelNetSQLVerifyUndoPath::answer(KelNetSQLVerifyUndoPath_t& req, KelNetSQLVerifyUndoPathRsp_t& rsp) {
    KelSQLServer server(context(), true);
    if (!server.validateUndoPath(kel::fieldText(req.Path))) {
        getLastError() = server.getLastError();
        return false;
    }
    rsp.Record = req;
    rsp.Record.FreeSpace = server.undoFilePathFreeSpace();
    return true;
}

bool KelSQLServer::validateUndoPath(const std::string& path) {
    if (!undoPathFits(getLastError(), path, "KelSQLServer::validateUndoPath(undoFilePath)")) return false;
    uint64_t available = 0, total = 0, unitSize = 0;
    if (KelDirectory::getFreeSpace(path, available, total, unitSize) != 0) return undoPathRefused(getLastError());
    undoFilePath_ = path;
    undoFreeSpace_ = available * unitSize;
    return true;
}

bool KelSQLServer::verifyUndoFilePath() {
    if (!stringEmpty(getLastError(), undoFilePath_, "undoFilePath", "KelSQLServer::verifyUndoFilePath()")) return false;
    const std::string path = undoFilePath_;
    return verifyUndoFilePath(path);
}

bool KelSQLServer::verifyUndoFilePath(const std::string& path) {
    static const char* kFn = "KelSQLServer::verifyUndoFilePath(undoFilePath)";
    if (!stringEmpty(getLastError(), path, "undoFilePath", kFn) || !undoPathFits(getLastError(), path, kFn))
        return false;
    KelNetSQLVerifyUndoPath message(context_, false);
    KelNetSQLVerifyUndoPath_t request, response;
    // A path of exactly 1024 characters fills the field without its NUL; the
    // record is zeroed, so a shorter one stays terminated.
    std::memcpy(request.Path, path.data(), path.size());
    message.setRemoteDataAgent(context_.remoteSqlHostName());
    undoFreeSpace_ = ~uint64_t{0};
    if (!message.networkQuery(request, response)) return copyError(message.getLastError());
    undoFilePath_ = path;
    undoFreeSpace_ = response.FreeSpace;
    return true;
}

bool KelSQLServer::setUndoFilePath(const std::string& path) {
    return verifyUndoFilePath(path) && updateUndoFilePath();
}
