// Platform information over the machine registry: which machine a process is
// focused on, and the per-machine settings the catalogue library reads.
#pragma once

#include <cstdint>
#include <string>

#include "platform/events/KelLastError.h"

namespace kel {

// Registry sections and keys.
inline constexpr const char* kSectionPlatform = "Platform";
inline constexpr const char* kSectionDatabase = "Database";
inline constexpr const char* kSectionHosts = "Hosts";
inline constexpr const char* kKeySqlDebugLevel = "SqlDebugLevel";
inline constexpr const char* kKeyOstrelHost = "OstrelHost";
inline constexpr const char* kKeyOstrelClient = "OstrelClientName";
inline constexpr const char* kKeyOstrelPort = "OstrelPort";
inline constexpr const char* kKeyTesselId = "TesselId";
inline constexpr const char* kKeyArMgrIncludeAgedData = "ArMgrIncludeAgedData";
inline constexpr const char* kKeyAgentInstallActive = "SqlAgentInstallActive";
inline constexpr const char* kKeyVdiTimeout = "VDIGetCmdTimeOut";
inline constexpr const char* kKeyWriterStallLimit = "CatalogueWriterStallMs";

// Platform error numbers (the platform's own family, apart from the library's).
inline constexpr uint64_t kErrUnknownMachine = 0x0A000010;
inline constexpr uint64_t kErrRegistryWrite = 0x0A000011;
inline constexpr uint64_t kErrNoOstrel = 0x0A000012;
inline constexpr uint64_t kErrNoTessel = 0x0A000013;
inline constexpr uint64_t kErrAgentNotActive = 0x0A000014;

// Reads an unsigned registry number written in decimal or 0x hex; fallback
// when it is missing or not a number.
uint64_t registryNumber(const std::string& machine, const char* section, const char* key,
                        uint64_t fallback = 0);

// The "host = address:port" entry of a host in the machine's [Hosts] section
// (names compared without regard to case); false when there is none or it is
// malformed.
bool hostEntry(const std::string& machine, const std::string& host, std::string& address, uint16_t& port);

}  // namespace kel

// Base of the per-machine information objects: a focus machine and an error.
class KelPI_Base {
public:
    KelPI_Base() = default;
    virtual ~KelPI_Base() = default;

    // Non-zero on success; an unknown machine leaves kErrUnknownMachine in
    // getLastError() and the focus unchanged.
    int setFocus(const std::string& machine);
    const std::string& focus() const { return focus_; }
    // The machine the object reads: its own focus, else the process focus.
    std::string machine() const;
    KelLastError& getLastError() { return error_; }

    static std::string getHomeDirectory();

protected:
    bool setValue(const char* section, const char* key, const std::string& value);

    std::string focus_;
    KelLastError error_;
};

// The process-wide focus machine.
class KelPI_Focus {
public:
    // The current focus; before any setFocus, the local machine's name.
    static std::string getFocus();
    // Makes machine the focus; true when it has a registry.
    static bool setFocus(const std::string& machine);
    static std::string localMachineName();
    // The client the process is focused on. Machines are named by their
    // client names here, so this is the focus; the flag (ask for the
    // platform's own client name) changes nothing on this platform.
    static std::string getFocusClientName(bool platformName = true);
};

// Per-machine daemon settings: the SQL debug level.
class KelPI_Keld : public KelPI_Base {
public:
    // The SQL debug level bit mask of the machine in focus; 0 when unset. The
    // flag asks for a fresh read (every read is fresh here).
    uint64_t getSql(bool refresh = true);
    bool setSql(uint64_t level);
};

// What every machine's platform object knows: its focus (empty: the process's
// current focus) and where its Ostrel is. Copies carry the focus.
class KelPI_PlatformBase : public KelPI_Base {
public:
    // The Ostrel's host name, as the [Hosts] section names it; empty when
    // the machine has none configured.
    std::string getOstrelHostName() const;
    // The Ostrel's client name; the host name when none is set apart.
    std::string getOstrelClientName() const;
    // True when the Ostrel information cannot be used (no machine registry
    // or no Ostrel host).
    bool invalidKelPlatform() const;
    bool setOstrelHostName(const std::string& host);
};

// The central server's platform information.
class KelPI_Ostrel : public KelPI_PlatformBase {
public:
    // The Ostrel's port: [Platform] OstrelPort, else the port of its [Hosts]
    // entry; 0 when neither is known.
    uint16_t getOstrelPort() const;
    // The installation domain's id; 0 with kErrNoTessel in getLastError()
    // when it is not set.
    unsigned long getTesselId();
    bool setTesselId(unsigned long tesselId);
    // The archive manager's include-aged-data setting (0 when unset).
    int getArMgrIncludeAgedData() const;
    bool setArMgrIncludeAgedData(int value);
    // How long a START waits behind a transaction that holds the catalogue's
    // writer without ending, in milliseconds: 5000 unless set.
    int getWriterStallLimitMs() const;
    bool setWriterStallLimitMs(int milliseconds);
};

// The client machine's (agent side) platform information.
class KelPI_Farrow : public KelPI_PlatformBase {};

// The SQL Server agent install of a machine.
class KelPI_MSSqlAgent : public KelPI_PlatformBase {
public:
    // Non-zero when the SQL agent is installed and active on client (empty:
    // this object's machine); 0 with the reason in getLastError() otherwise.
    int isAgentInstallActive(const std::string& client);
    bool setAgentInstallActive(bool active);
    // The VDI command timeout in seconds (0 when unset).
    unsigned long vdiGetCmdTimeOut() const;
    bool setVDIGetCmdTimeOut(unsigned long seconds);
    // The agent's release: the version of the library this agent runs.
    static std::string getRelease();
};
