// The shared Tessel with alpha's SQL Server 2005 instance "ALPHA\SQL1" in the
// application manager. Ostrel-side contexts run on the catalogue here;
// agent-side ones send to a real dispatcher on loopback when the test starts
// one.
#pragma once

#include <string>

#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLServer.h"
#include "platform/util/BoundedCopy.h"
#include "support/TesselFixture.h"

namespace kel::test {

template <class Base>
class InstanceOn : public Base {
protected:
    static constexpr const char* kClient = "alpha";
    static constexpr const char* kInstance = "ALPHA\\SQL1";

    void SetUp() override {
        Base::SetUp();
        instance_ = this->instance(this->alpha_, 70, kInstance);
    }

    // A catalogue row written the way the Ostrel's registration does.
    unsigned long registerLocally(KelSQLClassProperties& ostrel, const std::string& name, unsigned long major,
                                  unsigned long minor, unsigned long build) {
        ostrel.getSQLUserAndPassword().setSqlUser("sa");
        ostrel.getSQLUserAndPassword().setSqlPassword("secret");
        EXPECT_TRUE(ostrel.startTransaction());
        KelSQLServer server(ostrel, true);
        KelNetSQLServerReq_t req{};
        KelNetSQLServerRsp_t rsp{};
        req.DBCode = KelNetSQLServerInsert;
        kel::copyField(req.Server.ClientName, std::string(kClient));
        kel::copyField(req.Server.ServerName, name);
        req.Server.ServerMajor = major;
        req.Server.ServerMinor = minor;
        req.Server.ServerBuild = build;
        req.Server.AddTime = 1000;
        EXPECT_TRUE(server.insert(&req, &rsp)) << server.getLastError().formatLastErrorMessage();
        EXPECT_TRUE(ostrel.commitTransaction());
        return static_cast<unsigned long>(rsp.Server.SqlServerId);
    }

    unsigned long instance_ = 0;
};

using InstanceTest = InstanceOn<TesselTest>;
using InstanceDispatcherTest = InstanceOn<TesselDispatcherTest>;

}  // namespace kel::test
