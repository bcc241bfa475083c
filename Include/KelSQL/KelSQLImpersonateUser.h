// Running as another account is not offered on this platform: every
// operation answers false and changes nothing.
#pragma once

#include <string>

class KelSQLImpersonateUser {
public:
    KelSQLImpersonateUser() = default;
    ~KelSQLImpersonateUser() { revertToSelf(); }
    KelSQLImpersonateUser(const KelSQLImpersonateUser&) = delete;
    KelSQLImpersonateUser& operator=(const KelSQLImpersonateUser&) = delete;

    bool revertToSelf() { return false; }
    bool impersonateUser(const std::string&, const std::string&) { return false; }
    bool impersonateUser(const std::string&, const std::string&, const std::string&) { return false; }
};
