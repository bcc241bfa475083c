// The shared Tessel with its clients "alpha" (a network host name, OS 7)
// and "beta" (none).
#pragma once

#include <string>

#include "platform/appmgr/ApplicationId.h"
#include "platform/appmgr/ClientApplicationList.h"
#include "platform/appmgr/KelClient.h"
#include "support/TesselFixture.h"

namespace kel::test {

class AppMgrTest : public TesselTest {
protected:
    // A row's name, or why there is none.
    template <class T>
    static std::string nameOf(T&& row) {
        std::string name;
        const int rc = row.getName(name);
        return rc == 0 ? name : "error " + std::to_string(rc);
    }
    template <class T>
    static std::string nameOf(T* row) {
        return row ? nameOf(*row) : "<null>";
    }
    static std::vector<std::string> texts(std::initializer_list<unsigned long> ids) {
        std::vector<std::string> out;
        for (unsigned long id : ids) out.push_back(std::to_string(id));
        return out;
    }
};

}  // namespace kel::test
