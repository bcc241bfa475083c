#include "KelSQL/KelNetSQLServerList.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLInstallerFunctions.h"
#include "KelSQL/KelSQLServerConfig.h"
#include "platform/util/BoundedCopy.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLServerList, kelsql::AnswerSide::Agent> registered;

// The installer's list owns its objects, allocated with malloc.
struct InstallerList {
    KelInstallSQLObjectList_t list{0, nullptr};
    ~InstallerList() { std::free(list.objects); }
};

}  // namespace

KelNetSQLServerList::KelNetSQLServerList(KelSQLClassProperties& ctx, bool terminate)
    : KelNetSQLListMessage(ctx, terminate) {
    disableTermination();
}

KelNetSQLServerList::KelNetSQLServerList(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
    : KelNetSQLListMessage(ctx, messageId, request) {}

// A list spans several packets: the connection stays open between them.
bool KelNetSQLServerList::initialize(bool) { return KelNetSQLListMessage::initialize(false); }

void KelNetSQLServerList::parseVersion(const char* text, KelNetSQLMSVersion_t& version) {
    version = KelNetSQLMSVersion_t();
    uint64_t* parts[] = {&version.Major, &version.Minor, &version.Build};
    size_t next = 0;
    const char* p = text;
    while (p && *p && next < 3) {
        const char* end = std::strchr(p, '.');
        const size_t length = end ? static_cast<size_t>(end - p) : std::strlen(p);
        if (length > 0) {
            uint64_t value = 0;
            for (size_t i = 0; i < length && std::isdigit(static_cast<unsigned char>(p[i])); ++i)
                value = value * 10 + static_cast<uint64_t>(p[i] - '0');
            *parts[next++] = value;
        }
        p = end ? end + 1 : nullptr;
    }
}

void KelNetSQLServerList::dumpResponse(const char* fn, const Response& rsp) {
    dumpNumber(fn, "TotalCount", static_cast<long long>(rsp.TotalCount));
    dumpNumber(fn, "Count", static_cast<long long>(rsp.Count));
    const uint64_t count = rsp.Count < kPerPacket ? rsp.Count : kPerPacket;
    for (uint64_t i = 0; i < count; ++i) {
        const KelNetSQLServerInfo_t& item = rsp.Items[i];
        dumpText(fn, "SqlServerName", item.SqlServerName, sizeof item.SqlServerName);
        dumpNumber(fn, "SqlServerMajor", static_cast<long long>(item.Version.Major));
        dumpNumber(fn, "SqlServerMinor", static_cast<long long>(item.Version.Minor));
        dumpNumber(fn, "SqlServerBuild", static_cast<long long>(item.Version.Build));
    }
}

bool KelNetSQLServerList::getSQLServerList(unsigned long tesselId, unsigned long clientId,
                                           const std::string& sqlHostName) {
    static const char* kFn = "KelNetSQLServerList::getSQLServerList(tesselId, clientId, sqlHostName)";
    KelLastError& err = getLastError();
    const std::string host = sqlHostName.empty() ? context().remoteSqlHostName() : sqlHostName;
    if (!stringEmpty(err, host, "sqlHostName", kFn) || !addressDataAgent(host, kFn)) return false;
    if (!idNotSet(err, tesselId, "tesselId", kFn) || !idNotSet(err, clientId, "clientId", kFn)) return false;
    if (!context().isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);

    // The configuration object is a message of its own: kept off the stack.
    auto config = std::make_unique<KelSQLServerConfig>(context(), false);
    config->setTesselId(tesselId);
    config->setClientId(clientId);
    if (!config->clustered()) {
        err = config->getLastError();
        return false;
    }
    KelNetSQLServerListReq* req = requestMessage(true);
    if (!req) return false;
    req->Clustered = config->isClustered() ? 1 : 0;
    if (!exchange(err)) return false;

    received_.clear();
    for (const KelNetSQLServerInfo_t& item : items()) {
        KelSQLServerUnconfigured_t instance;
        instance.name = kel::fieldText(item.SqlServerName);
        instance.description = kel::fieldText(item.Description);
        instance.version.setVersion(static_cast<unsigned long>(item.Version.Major),
                                    static_cast<unsigned long>(item.Version.Minor),
                                    static_cast<unsigned long>(item.Version.Build), 0);
        received_.push_back(std::move(instance));
    }
    return true;
}

bool KelNetSQLServerList::answer(KelNetSQLServerListReq& req, Response&) {
    // Only an agent host enumerates its own instances.
    if (!context().isClientOperations()) return refuse("KelNetSQLServerList::buildReply()", 0);
    InstallerList installed;
    if (sqlServerListV2(&installed.list, context().virtualMachine().c_str(), req.Clustered != 0) != 0) {
        sqlInstallLastError(KelSQL_InstallErrorGet, getLastError());
        return false;
    }
    for (unsigned long i = 0; i < installed.list.count && installed.list.objects; ++i) {
        const KelInstallSQLObject_t& object = installed.list.objects[i];
        KelNetSQLServerInfo_t item{};
        kel::copyWholeField(item.SqlServerName, object.name);
        kel::copyWholeField(item.Description, object.description);
        parseVersion(kel::fieldText(object.version).c_str(), item.Version);
        items().push_back(item);
    }
    return true;
}
