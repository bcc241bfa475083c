#include "platform/appmgr/KelSimOS.h"

using namespace kel::appmgr;

int KelSimSystemOS::lookupSystemOS(unsigned long osId, DBtran* tran) {
    static const char* const kSignature = "KelSimSystemOS::lookupSystemOS()";
    KelLastError& error = os_.error_;
    error.clear();
    os_.id_ = 0;
    os_.name_.clear();
    // 0 names a row of its own, so the usual id check does not apply.
    if (osId > 0x7FFFFFFFUL) return appFail(error, kAppErrSystemOS, kSignature, std::to_string(osId));
    sqlite3* db = connection_.db(tran, error, kSignature);
    if (!db) return static_cast<int>(error.number());
    AppStatement statement(db, "SELECT id, name FROM APP_SystemOS WHERE id = ?");
    int rc = statement.bind(static_cast<long long>(osId)).step();
    if (rc == 100) return appFail(error, kAppErrSystemOS, kSignature, std::to_string(osId));
    if (rc != 0) return appDbFail(error, kSignature, statement);
    os_.id_ = static_cast<unsigned long>(statement.integer(0));
    os_.name_ = statement.text(1);
    return 0;
}
