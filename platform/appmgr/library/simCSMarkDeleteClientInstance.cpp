// The installation service's library: its one entry point.
#include "platform/appmgr/ApplicationId.h"
#include "platform/appmgr/KelAppAdmin.h"
#include "platform/appmgr/KelClient.h"
#include "platform/appmgr/SimCS.h"

extern "C" __attribute__((visibility("default"))) int simCSMarkDeleteClientInstance(
    unsigned long tesselId, unsigned long clientId, unsigned long appType, unsigned long instanceId, int flag,
    const char*, void*, int) {
    try {
        KelClient client(tesselId, clientId);
        if (int rc = client.lookup(nullptr)) return rc;
        Instance instance(instanceId);
        unsigned long owner = 0, type = 0;
        if (int rc = instance.getClientId(owner, nullptr)) return rc;
        if (int rc = instance.getAppType(type, nullptr)) return rc;
        if (owner != clientId || type != appType) return kel::appmgr::kAppErrInstance;
        kel::appmgr::Admin admin(nullptr);
        return admin.setInstanceDeleted(instanceId, flag == 0);
    } catch (...) {
        return kel::appmgr::kAppErrDatabase;
    }
}
