// Asks a machine for the version of its copy of this library. This platform
// cannot tell its own version: every answer is the not-supported failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "KelSQL/KelNetSQLFrame.h"
#include "KelSQL/KelSQLClassProperties.h"

struct KelNetSQLDLLVersion_t {
    uint32_t Type;  // the kind of version answered
    uint32_t Padding;
    KelNetSQLMSVersion_t DLLVersion;
};
struct KelNetSQLDLLVersionReq_t {
    uint32_t RequestCode;  // always 1
    uint32_t Padding;
    KelNetSQLDLLVersion_t Version;  // all zero
};
struct KelNetSQLDLLVersionRsp_t {
    KelNetSQLOPStatus_t Status;
    KelNetSQLDLLVersion_t Version;
};
static_assert(sizeof(KelNetSQLDLLVersion_t) == 40, "KelNetSQLDLLVersion_t size");
static_assert(offsetof(KelNetSQLDLLVersion_t, DLLVersion) == 8, "KelNetSQLDLLVersion_t offsets");
static_assert(sizeof(KelNetSQLDLLVersionReq_t) == 48, "KelNetSQLDLLVersionReq_t size");
static_assert(offsetof(KelNetSQLDLLVersionReq_t, Version) == 8, "KelNetSQLDLLVersionReq_t offsets");
static_assert(sizeof(KelNetSQLDLLVersionRsp_t) == 600, "KelNetSQLDLLVersionRsp_t size");
static_assert(offsetof(KelNetSQLDLLVersionRsp_t, Version) == 560 &&
                  offsetof(KelNetSQLDLLVersionRsp_t, Version.DLLVersion.SqlVersionId) == 568 &&
                  offsetof(KelNetSQLDLLVersionRsp_t, Version.DLLVersion.Major) == 576 &&
                  offsetof(KelNetSQLDLLVersionRsp_t, Version.DLLVersion.Minor) == 584 &&
                  offsetof(KelNetSQLDLLVersionRsp_t, Version.DLLVersion.Build) == 592,
              "KelNetSQLDLLVersionRsp_t offsets");

class KelNetSQLDLLVersion : public KelNetSQLMessage<KelNetSQLDLLVersion, KelNetSQLDLLVersionReq_t,
                                                    KelNetSQLDLLVersionRsp_t, 0x1E000015, 0x1E000016> {
public:
    static constexpr const char* kClassName = "KelNetSQLDLLVersion";
    static constexpr const char* kRequestName = "KelNetSQLDLLVersionReq";
    static constexpr const char* kResponseName = "KelNetSQLDLLVersionRsp";

    KelNetSQLDLLVersion(KelSQLClassProperties& ctx, bool terminate);
    KelNetSQLDLLVersion(KelSQLClassProperties& ctx, unsigned long long messageId, char* request);
    ~KelNetSQLDLLVersion() override = default;

    // Asks the agent on hostName (empty: the context's remote host).
    bool getRemoteSQLDLLVersion(std::string hostName);
    // Asks over the context's own session without addressing a host.
    bool getRemoteSQLDLLVersion();
    // The last answer; its SqlVersionId is always 0.
    const KelNetSQLMSVersion_t& getSQLDLLVersion() const { return version_; }
    uint32_t getSQLDLLVersionType() const { return versionType_; }

    // The local reading of the library's version: not supported here (logs
    // and fails with 0x1E0000FF).
    bool getSQLDLLVersionInformation();
    void printSQLDLLVersion(KelNetSQLDLLVersion_t* version);

    bool answer(KelNetSQLDLLVersionReq_t& req, KelNetSQLDLLVersionRsp_t& rsp);
    void dumpRequest(const char* fn, const KelNetSQLDLLVersionReq_t& req);
    void dumpResponse(const char* fn, const KelNetSQLDLLVersionRsp_t& rsp);

private:
    bool ask();

    KelNetSQLMSVersion_t version_;
    uint32_t versionType_ = 0;
};

// The installer's entry point: the library version of the agent on hostName
// (asked from the Ostrel's side), or, without a host name, of the machine the
// focus's agent context reaches. 0 on success; else the error number, which
// sqlFormatLastError then describes. Outputs change only on success.
unsigned long sqlDLLVersion(unsigned long* major, unsigned long* minor, unsigned long* build, char const* hostName,
                            char const* focus);
