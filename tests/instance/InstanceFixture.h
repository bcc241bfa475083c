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
    // Catalogue rows of instances and of versions, "servers|versions".
    static std::string counts() {
        return text("SELECT (SELECT count(*) FROM sqlServer) || '|' || (SELECT count(*) FROM sqlVersion)");
    }

    unsigned long instance_ = 0;
};

using InstanceTest = InstanceOn<TesselTest>;
using InstanceDispatcherTest = InstanceOn<TesselDispatcherTest>;

}  // namespace kel::test
