// The operating systems of the platform, rows of APP_SystemOS, as a client's
// osId names them. Operations return 0 or an error number, also kept in
// getLastError().
#pragma once

#include <string>

#include "platform/appmgr/AppStore.h"
#include "platform/events/KelLastError.h"

class DBtran;

class KelSimOS {
public:
    unsigned long getOSId() const { return id_; }
    const std::string& getName() const { return name_; }
    const KelLastError& getLastError() const { return error_; }

private:
    friend class KelSimSystemOS;
    unsigned long id_ = 0;
    std::string name_;
    KelLastError error_;
};

class KelSimSystemOS {
public:
    // Loads the system of that id into os(); kAppErrSystemOS when none is.
    int lookupSystemOS(unsigned long osId, DBtran* tran = nullptr);
    KelSimOS& os() { return os_; }

private:
    KelSimOS os_;
    kel::appmgr::AppConnection connection_;
};
