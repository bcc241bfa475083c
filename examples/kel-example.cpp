// The end-to-end example: what a user of the catalogue library sees when it
// runs. It sets up this machine as an agent whose Ostrel is a dispatcher on a
// loopback port over a fresh catalogue, shows that peers without the
// installation key are refused, then drives a catalogue transaction
// on the Ostrel from an agent-side context, registers a client and finds it
// again, records the SQL Server version of a backup in the Ostrel's version
// catalogue, registers an instance, has the agent read a database of it and
// find its application id and register its file group and file, records a
// backup of that database that the Ostrel reads back with the backup's file
// and media family, lists the backup's files from the Ostrel, stores a
// restore task of that backup and reads it back, also through the job
// manager, lists the client's configured instances and browses what the
// catalogue holds of the client now; at last the Ostrel configures an
// instance of this machine and has it register a database through the
// machine's agent host. It grows with the library.
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <netinet/in.h>
#include <poll.h>
#include <chrono>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <vector>
#include <unistd.h>

#include "Db/Tbl/sqlArchiveSet.h"
#include "Db/Tbl/sqlBackupSet.h"
#include "Db/Tbl/sqlFile.h"
#include "Db/Tbl/sqlFileGroup.h"
#include "KelSQL/KelNetSQLBackupFileExist.h"
#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelSQLApplication.h"
#include "KelSQL/KelSQLAppId.h"
#include "KelSQL/KelSQLAppTypeBrowse.h"
#include "KelSQL/KelSQLArchivePruning.h"
#include "KelSQL/KelSQLBackupFile.h"
#include "KelSQL/KelSQLBackupConversions.h"
#include "KelSQL/KelSQLBackupFileInfo.h"
#include "KelSQL/KelSQLBackupRules.h"
#include "KelSQL/KelSQLBackupSet.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLDatabase.h"
#include "KelSQL/KelSQLDatabaseLSNList.h"
#include "KelSQL/KelSQLDatabaseReports.h"
#include "KelSQL/KelSQLDateAndTime.h"
#include "KelSQL/KelSQLFileGroup.h"
#include "KelSQL/KelSQLFileSubClient.h"
#include "KelSQL/KelSQLFileSubClientConfig.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLLookups.h"
#include "KelSQL/KelSQLMediaFamily.h"
#include "KelSQL/KelSQLMessageLog.h"
#include "KelSQL/KelSQLDeletionCheck.h"
#include "KelSQL/KelSQLFileRename.h"
#include "KelSQL/KelSQLLogMarkName.h"
#include "KelSQL/KelSQLRestoreData.h"
#include "KelSQL/KelSQLRestoreTask.h"
#include "KelSQL/KelNetSQLSecurity.h"
#include "KelSQL/KelSQLRemovalEntryPoints.h"
#include "KelSQL/KelSQLServer.h"
#include "KelSQL/KelSQLServerConfig.h"
#include "KelSQL/KelSQLVersion.h"
#include "platform/appmgr/ApplicationId.h"
#include "platform/appmgr/KelAppAdmin.h"
#include "platform/appmgr/KelClient.h"
#include "platform/events/KelDebug.h"
#include "platform/info/KelPI_DataBase.h"
#include "platform/info/KelPlatformInfo.h"
#include "platform/info/KelRegistry.h"
#include "platform/jobmgr/KelJobMgr.h"
#include "platform/net/CKelNetwork.h"
#include "platform/net/KelDispatcherProcess.h"
#include "platform/net/KelPeerProof.h"
#include "platform/util/BoundedCopy.h"
#include "platform/util/KelHome.h"
#include "platform/util/KelPassword.h"

namespace {

constexpr const char* kOstrelHost = "OSTREL";
constexpr unsigned long kTesselId = 1;

bool fail(const char* what, KelLastError& err) {
    std::fprintf(stderr, "kel-example: %s failed: 0x%08llX %s\n", what, static_cast<unsigned long long>(err.number()),
                 err.formatLastErrorMessage().c_str());
    return false;
}

// The machine's registry: its Ostrel, the Tessel, an active SQL agent.
bool configure(const std::string& machine) {
    if (!KelRegistry::createMachine(machine)) return false;
    KelPI_Keld keld;
    KelPI_Ostrel ostrel;
    KelPI_MSSqlAgent agent;
    if (!keld.setFocus(machine) || !ostrel.setFocus(machine) || !agent.setFocus(machine)) return false;
    return keld.setSql(0x2)  // level 2 detail: debug2 and debug3 lines, no debug1
           && ostrel.setOstrelHostName(kOstrelHost) && ostrel.setTesselId(kTesselId) &&
           agent.setAgentInstallActive(true);
}

// A fresh catalogue: the Ostrel creates it with the schema on first use.
void removeCatalogue() {
    for (const char* suffix : {"", "-wal", "-shm"}) unlink(kel::homePath(std::string("catalogue.db") + suffix).c_str());
}

// A time as the wire carries it: local calendar fields.
KelNetSQLDateTime_t wireTime(long seconds) {
    KelSQLDateAndTime t;
    t.setTime(seconds);
    const TIMESTAMP_STRUCT& ts = t.timeStamp();
    KelNetSQLDateTime_t w;
    w.Year = ts.year;
    w.Month = ts.month;
    w.Day = ts.day;
    w.Hour = ts.hour;
    w.Minute = ts.minute;
    w.Second = ts.second;
    return w;
}

bool step(KelNetSQLDBTransaction& t, const char* name, bool (KelNetSQLDBTransaction::*op)()) {
    if (!(t.*op)()) return fail(name, t.getLastError());
    std::printf("%-8s -> %s\n", name, KelNetSQLDBTransaction::stateName(t.lastKnownState()));
    return true;
}

bool status(KelNetSQLDBTransaction& t) {
    KelNetSQLDBTransState state = 0;
    if (!t.getTransactionStatus(&state)) return fail("STATUS", t.getLastError());
    std::printf("%-8s -> %s\n", "STATUS", KelNetSQLDBTransaction::stateName(state));
    return true;
}

// The installation key every host and caller of this home proves itself
// with (made by the installation: kel-key create).
bool installationKey() {
    kel::net::ProofKey key;
    std::string why;
    if (!key.load(why)) {
        std::fprintf(stderr, "kel-example: %s\n", why.c_str());
        return false;
    }
    std::printf("installation key fingerprint %s\n", key.fingerprint().c_str());
    return true;
}

// An agent machine before the Ostrel's key is copied to it (a home of its
// own beside this one): sealing its login is refused, naming the key's file,
// and no key of the machine's own appears; once kel-key import has taken the
// Ostrel's key, the same login is sealed.
bool sealingWaitsForTheKey() {
    const std::string ostrelHome = kel::homeDirectory();
    const std::string ostrelKey = kel::homePath(KelPassword::keyRelativePath());
    const std::string agentHome = ostrelHome + "/agent-before-import";
    std::error_code ec;
    std::filesystem::remove_all(agentHome, ec);
    if (!std::filesystem::create_directories(agentHome, ec)) return false;
    setenv("KEL_HOME", agentHome.c_str(), 1);
    KelLastError err;
    char field[kelsql::kCredentialField] = "";
    const bool refused = !kelsql::fillCredentialField(err, field, "sa", "secret", kelsql::kErrEncrypt, "seal the login");
    const bool noKeyMade = access(kel::homePath(KelPassword::keyRelativePath()).c_str(), F_OK) != 0;
    const std::string keyTool =
        std::filesystem::path(KelDispatcherProcess::defaultProgram()).parent_path().string() + "/kel-key";
    const bool imported = std::system((keyTool + " import '" + ostrelKey + "' >/dev/null").c_str()) == 0;
    KelLastError after;
    const bool sealed = kelsql::fillCredentialField(after, field, "sa", "secret", kelsql::kErrEncrypt, "seal the login");
    setenv("KEL_HOME", ostrelHome.c_str(), 1);
    std::filesystem::remove_all(agentHome, ec);
    if (!refused || !noKeyMade) {
        std::fprintf(stderr, "kel-example: a login was sealed, or a key made, before the key was imported\n");
        return false;
    }
    std::printf("an agent machine seals its login before the Ostrel's key is imported -> refused: 0x%08llX %s\n",
                static_cast<unsigned long long>(err.number()), err.formatLastErrorMessage().c_str());
    if (!imported) {
        std::fprintf(stderr, "kel-example: kel-key import of the Ostrel's key failed\n");
        return false;
    }
    if (!sealed) return fail("sealing the login after kel-key import", after);
    std::printf("after kel-key import of the Ostrel's key -> the login is sealed (%zu characters)\n",
                std::strlen(field));
    return true;
}

// Whether the host on fd closed the connection without sending a byte.
bool closedUnanswered(int fd) {
    pollfd p{fd, POLLIN, 0};
    char byte;
    return poll(&p, 1, 5000) > 0 && ::recv(fd, &byte, 1, 0) <= 0;
}

// Strangers on the network: a program that sends the Ostrel a STATUS frame
// without the proof, and one that proves a key of its own, are closed out
// before any request runs. A peer that proves the key and then sends a
// header that is not a frame is closed out too: nothing in such bytes can
// be authenticated, so nothing answers them.
bool strangersAreRefused(int port) {
    kel::net::Socket skipper = kel::net::loopbackConnection(port);
    kel::net::FrameHeader h = kel::net::makeHeader(kel::net::kFrameRequest);
    h.family = 0x1E000000;
    h.type = 0x1E000009;
    const uint32_t statusCode = KelNetSQLDBTransStatus;
    std::vector<char> frame = kel::net::encodeFrame(h, &statusCode, sizeof(statusCode), nullptr, 0);
    if (!skipper.valid() || ::send(skipper.fd(), frame.data(), frame.size(), MSG_NOSIGNAL) < 0 ||
        !closedUnanswered(skipper.fd())) {
        std::fprintf(stderr, "kel-example: a peer without the proof was answered\n");
        return false;
    }
    std::printf("a peer without the proof -> closed, nothing answered\n");
    unsigned char foreign[32];
    for (unsigned i = 0; i < sizeof(foreign); ++i) foreign[i] = static_cast<unsigned char>(i * 37 + 11);
    kel::net::ProofKey strangerKey;
    strangerKey.derive(foreign);
    kel::net::Socket stranger = kel::net::loopbackConnection(port);
    kel::net::FrameKeys keys;
    std::string why;
    if (!stranger.valid() || kel::net::proveSocket(stranger.fd(), strangerKey, kel::net::ProofRole::kInitiator, 5000,
                                                   keys, why)) {
        std::fprintf(stderr, "kel-example: a peer with another key was taken\n");
        return false;
    }
    std::printf("a peer with another key -> refused: %s\n", why.c_str());

    kel::net::ProofKey homeKey;
    kel::net::Socket garbler = kel::net::loopbackConnection(port);
    const std::string notAFrame(sizeof(kel::net::FrameHeader), 'x');
    if (!homeKey.load(why) || !garbler.valid() ||
        !kel::net::proveSocket(garbler.fd(), homeKey, kel::net::ProofRole::kInitiator, 5000, keys, why) ||
        ::send(garbler.fd(), notAFrame.data(), notAFrame.size(), MSG_NOSIGNAL) < 0 ||
        !closedUnanswered(garbler.fd())) {
        std::fprintf(stderr, "kel-example: a header that is not a frame was answered\n");
        return false;
    }
    std::printf("a proven peer that sends a header that is not a frame -> closed, nothing answered\n");
    return true;
}

// A backup window opens: agents connect to the Ostrel all at once, each
// proving the key and asking for its transaction's status. The Ostrel
// takes every connection in at once; none waits for its kernel to try
// again.
bool agentsConnectAtOnce() {
    using Clock = std::chrono::steady_clock;
    constexpr int kAgents = 250;
    std::atomic<int> ready{0}, answered{0};
    std::atomic<bool> go{false};
    std::vector<double> tookMs(kAgents, 0);
    std::vector<std::thread> agents;
    for (int i = 0; i < kAgents; ++i) {
        agents.emplace_back([&, i] {
            KelSQLClassProperties agent(KelSQLClientSide);
            KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
            ++ready;
            while (!go) std::this_thread::yield();
            const Clock::time_point asked = Clock::now();
            KelNetSQLDBTransState state = 0;
            if (!t || !t->getTransactionStatus(&state)) return;
            tookMs[i] = std::chrono::duration<double, std::milli>(Clock::now() - asked).count();
            ++answered;
        });
    }
    while (ready < kAgents) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    go = true;
    for (std::thread& a : agents) a.join();
    const double slowest = *std::max_element(tookMs.begin(), tookMs.end());
    std::printf("%d agents connect at once, each proving the key and asking STATUS -> %d answered, the slowest in "
                "%.0f ms\n",
                kAgents, answered.load(), slowest);
    return answered == kAgents;
}

// Two agents at once: the second one's START waits in line while the first
// holds the catalogue's writer, and has it as soon as the first commits.
bool writersTakeTurns() {
    using Clock = std::chrono::steady_clock;
    KelSQLClassProperties first(KelSQLClientSide), second(KelSQLClientSide);
    KelNetSQLDBTransaction* a = first.getNetworkDBTransaction();
    KelNetSQLDBTransaction* b = second.getNetworkDBTransaction();
    if (!a->startTransaction()) return fail("first agent's START", a->getLastError());
    bool started = false;
    Clock::time_point granted;
    const Clock::time_point asked = Clock::now();
    std::thread waiter([&] {
        started = b->startTransaction();
        granted = Clock::now();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const Clock::time_point committed = Clock::now();
    const bool firstCommitted = a->commitTransaction();
    waiter.join();
    if (!firstCommitted) return fail("first agent's COMMIT", a->getLastError());
    if (!started) return fail("second agent's START", b->getLastError());
    if (!b->commitTransaction()) return fail("second agent's COMMIT", b->getLastError());
    auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
    std::printf("a second agent's START waited %.0f ms in line and had the writer %.1f ms after the first's COMMIT\n",
                ms(granted - asked), ms(granted - committed));
    return granted >= committed;
}

// The agent's side: a network transaction on the Ostrel's catalogue.
bool runAgent() {
    KelSQLClassProperties agent(KelSQLClientSide);
    if (!agent.isClientOperations()) return fail("agent-side context", agent.getLastError());
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    std::printf("agent context on %s, Ostrel %s, Tessel %lu\n", KelPI_Focus::getFocus().c_str(),
                agent.getPlatformBase()->getOstrelHostName().c_str(), agent.getOstrel().getTesselId());
    if (!status(*t) || !step(*t, "START", &KelNetSQLDBTransaction::startTransaction) || !status(*t) ||
        !step(*t, "COMMIT", &KelNetSQLDBTransaction::commitTransaction))
        return false;
    // Nothing is open now: the Ostrel refuses a second commit and says why.
    if (t->commitTransaction()) {
        std::fprintf(stderr, "kel-example: a second COMMIT was accepted\n");
        return false;
    }
    KelLastError& err = t->getLastError();
    std::printf("%-8s -> refused: 0x%08llX %s\n", "COMMIT", static_cast<unsigned long long>(err.number()),
                err.formatLastErrorMessage().c_str());
    return status(*t);
}

}  // namespace

// Registers a client with one SQL Server instance in the application manager
// and finds it again by name, as the Ostrel does before it talks to an agent.
static bool registerClient(unsigned long& client, unsigned long& instance) {
    kel::appmgr::Admin admin;
    unsigned long tessel = 0;
    if (admin.createTessel("example", tessel) || admin.createClient(tessel, "client1", "client1.local", client) ||
        admin.createInstance(client, 16, "SQL1", instance)) {
        std::fprintf(stderr, "kel-example: registration failed: %s\n",
                     admin.getLastError().formatLastErrorMessage().c_str());
        return false;
    }
    KelLastError err;
    std::string host;
    unsigned long found = 0;
    if (!getClientHostname(err, tessel, std::string("CLIENT1"), host)) return fail("client host lookup", err);
    if (!getInstanceByName(tessel, err, "client1", "sql1", &found)) return fail("instance lookup", err);
    std::printf("client1 (id %lu) is reached at %s; instance SQL1 has id %lu\n", client, host.c_str(), found);
    unsigned long unknown = 0;
    if (getSqlClientId(tessel, err, "client2", unknown))
        return fail("lookup of an unknown client", err);
    std::printf("client2 is unknown: 0x%08llX\n", static_cast<unsigned long long>(err.number()));
    return found == instance;
}

// The Ostrel's side: a backup's SQL Server version gets its catalogue row
// once; asking again finds the same row. The version is written on the
// Ostrel in its own transaction: no request carries a version on its own.
static bool recordVersion() {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    if (!ostrel.isServerOperations()) return fail("Ostrel-side context", ostrel.getLastError());
    if (!ostrel.startTransaction()) return fail("START", ostrel.getLastError());
    KelSQLVersion version(ostrel), again(ostrel), tape(ostrel);
    version.setSQLVersion(8, 0, 2039, 0);
    again.setSQLVersion(8, 0, 2039, 0);
    tape.setMTFVersion(8, 0, 2039, 0);
    if (!getSQLVersionId(version)) return fail("version row", version.getLastError());
    if (!getSQLVersionId(again)) return fail("version row", again.getLastError());
    if (!getSQLVersionId(tape)) return fail("version row", tape.getLastError());
    if (!ostrel.commitTransaction()) return fail("COMMIT", ostrel.getLastError());
    std::printf("SQL Server 8.0.2039 is version row %llu (found again: %llu), tape format 8.0.2039 is row %llu\n",
                static_cast<unsigned long long>(version.sqlId()), static_cast<unsigned long long>(again.sqlId()),
                static_cast<unsigned long long>(tape.sqlId()));
    return version.sqlId() == again.sqlId() && version.sqlId() != tape.sqlId();
}

// The agent registers its instance with the Ostrel inside a network
// transaction, having handed over the SQL login for the session first; the
// Ostrel then reads the row back from its own catalogue.
static bool registerInstance(unsigned long instanceId) {
    KelSQLClassProperties agent(KelSQLClientSide);
    agent.getSQLUserAndPassword().setSqlUser("sa");
    agent.getSQLUserAndPassword().setSqlPassword("example");
    if (!agent.getRemoteSecurity()->update(std::string("client1"), std::string("SQL1")))
        return fail("security update", agent.getRemoteSecurity()->getLastError());
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    if (!t->startTransaction()) return fail("START", t->getLastError());
    KelSQLServer server(agent, false);
    server.setClientName("client1");
    server.setSqlServerName("SQL1");
    server.setSQLVersion(8, 0, 760, 0);
    if (!server.config("sa", "example", kel::homeDirectory(), "MSSQLServer")) {
        t->rollbackTransaction();
        return fail("instance registration", server.getLastError());
    }
    if (!t->commitTransaction()) return fail("COMMIT", t->getLastError());
    std::printf("agent registered %s of client1 as instance %lu (version row %llu)\n", server.sqlServerName().c_str(),
                server.sqlId(), static_cast<unsigned long long>(server.getSQLVersion().sqlId()));

    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLServer stored(ostrel, false);
    if (!stored.query(instanceId)) return fail("instance lookup", stored.getLastError());
    std::printf("Ostrel reads instance %lu: %s, SQL Server %llu.%llu.%llu (application type %lu), login %s, "
                "undo path %s\n",
                stored.sqlId(), stored.sqlServerName().c_str(),
                static_cast<unsigned long long>(stored.getSQLVersion().major()),
                static_cast<unsigned long long>(stored.getSQLVersion().minor()),
                static_cast<unsigned long long>(stored.getSQLVersion().build()), stored.sqlAppType().sqlAppType(),
                stored.sa().c_str(), stored.undoFilePath().c_str());
    return stored.sqlId() == instanceId;
}

// The instance's database "pubs": an application id in the application
// manager, then the agent registers the database with the Ostrel in a
// network transaction (the Ostrel stores it under the application id it
// looks up, with the log's pseudo file group). The agent then reads the row
// from the Ostrel and asks for the database's application id.
static bool readDatabase(unsigned long client, unsigned long instanceId, unsigned long& backupSetId) {
    kel::appmgr::Admin admin;
    unsigned long appId = 0;
    if (admin.createApplication(client, 16, "SQL1", "pubs", "default", appId)) {
        std::fprintf(stderr, "kel-example: application id failed: %s\n",
                     admin.getLastError().formatLastErrorMessage().c_str());
        return false;
    }
    ApplicationId registered(std::to_string(appId));
    backupSetId = registered.getBackupSet() ? registered.getBackupSet()->getId() : 0;
    std::printf("application id %lu registers pubs of SQL1 as backup set %lu\n", appId, backupSetId);

    {
        KelSQLClassProperties agent(KelSQLClientSide);
        KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
        if (!t->startTransaction()) return fail("START", t->getLastError());
        KelSQLDatabase pubs(agent, false);
        pubs.setDatabaseName("pubs");
        pubs.setSqlServerName("SQL1");
        pubs.setClientName("client1");
        pubs.setId(5);
        // An id that is not the instance the names give is refused, with
        // nothing written and the transaction still usable.
        const unsigned long otherInstance = instanceId + 100;
        if (pubs.config(otherInstance, 1)) {
            std::fprintf(stderr, "kel-example: a registration under instance %lu was stored\n", otherInstance);
            return false;
        }
        std::printf("registration of client1/SQL1/pubs under instance %lu -> refused: 0x%08llX %s\n", otherInstance,
                    static_cast<unsigned long long>(pubs.getLastError().number()),
                    pubs.getLastError().formatLastErrorMessage().c_str());
        if (!pubs.config(instanceId, 1)) {
            t->rollbackTransaction();
            return fail("database registration", pubs.getLastError());
        }
        if (!t->commitTransaction()) return fail("COMMIT", t->getLastError());
        std::printf("agent registered database pubs as %lu, application number %lu\n", pubs.sqlId(),
                    pubs.applicationNumber());
    }

    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLDatabase database(agent, false);
    if (!database.query(backupSetId, nullptr)) return fail("database read", database.getLastError());
    std::printf("agent reads database %lu: %s of %s, instance %lu, allow flags 0x%lX (next full %s), streams %lld\n",
                database.sqlId(), database.databaseName().c_str(), database.sqlServerName().c_str(),
                database.sqlServerId(), database.allowFlags(), database.isNextFullOn() ? "on" : "off",
                static_cast<long long>(database.getStreams().streams()));

    KelSQLAppId lookup(agent, false);
    lookup.setClientName("client1");
    lookup.setServerName("SQL1");
    lookup.setDatabaseName("PUBS");
    lookup.setSubClientName("default");
    if (!lookup.setApplicationType(16)) return fail("application type", lookup.getLastError());
    KelNetSQLAppIdReqV3_t* req = lookup.requestMessage(true);
    if (!lookup.copyToRequest(*req)) return fail("application id request", lookup.getLastError());
    req->DBCode = KelNetSQLAppIdLookup;
    if (!lookup.networkQuery()) return fail("application id lookup", lookup.getLastError());
    std::printf("application id of client1/SQL1/PUBS/default: %lu (instance %lu, backup set %lu, client %lu)\n",
                lookup.applicationId(), lookup.instanceId(), lookup.backupSetId(), lookup.clientId());
    return database.sqlId() == backupSetId && lookup.applicationId() == appId;
}

// The agent registers the database's file group "PRIMARY" and its data file
// with the Ostrel in one network transaction, then reads both back.
static bool registerFiles(unsigned long database) {
    KelSQLClassProperties agent(KelSQLClientSide);
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    if (!t->startTransaction()) return fail("START", t->getLastError());
    const std::string pubs = "pubs";
    KelSQLFileGroup group(agent, false);
    group.initializeSQLObject(true);
    group.setFileGroupName("PRIMARY");
    group.setId(1);
    KelSQLFile file(agent, false);
    file.initializeSQLObject(true);
    file.setId(1);
    file.setLogicalName("pubs_data");
    file.setPhysicalName("C:\\MSSQL\\Data\\pubs.mdf");
    file.setSize(1280);
    if (!group.config(database, &pubs)) {
        t->rollbackTransaction();
        return fail("file group registration", group.getLastError());
    }
    if (!file.config(group.sqlId())) {
        t->rollbackTransaction();
        return fail("file registration", file.getLastError());
    }
    if (!t->commitTransaction()) return fail("COMMIT", t->getLastError());

    KelSQLFileGroup groupBack(agent, false);
    if (!groupBack.query(database, std::string("primary"))) return fail("file group read", groupBack.getLastError());
    std::printf("agent reads file group %lu: %s (SQL Server id %lu) of database %lu, added %s\n",
                groupBack.sqlId(), groupBack.fileGroupName().c_str(), groupBack.id(), groupBack.sqlDatabaseId(),
                groupBack.getAddTime().odbcDateFormat(false));
    KelSQLFile fileBack(agent, false);
    if (!fileBack.query(groupBack.sqlId(), std::string("PUBS_DATA"))) return fail("file read", fileBack.getLastError());
    std::printf("agent reads file %lu: %s at %s, size %lu, in file group %lu\n", fileBack.sqlId(),
                fileBack.logicalName().c_str(), fileBack.physicalName().c_str(), fileBack.size(),
                fileBack.sqlFileGroupId());
    return groupBack.sqlId() == group.sqlId() && fileBack.sqlId() == file.sqlId();
}

// The Ostrel lists the database's file groups; the agent asks for a
// differential next backup through the allow-flag message.
static bool showDatabase(unsigned long database) {
    KelSQLClassProperties agent(KelSQLClientSide);
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    if (!t->startTransaction()) return fail("START", t->getLastError());
    KelSQLDatabase flags(agent, false);
    if (!flags.updateFlag(database, KelSQL_AllowNextDiff, 1, 0)) {
        t->rollbackTransaction();
        return fail("allow flag", flags.getLastError());
    }
    if (!t->commitTransaction()) return fail("COMMIT", t->getLastError());

    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLDatabase stored(ostrel, false);
    if (!stored.query(database, nullptr)) return fail("database read", stored.getLastError());
    std::vector<KelSQLFileGroup_t>* groups = stored.getConfiguredFGs(true, database);
    if (!groups) return fail("file-group list", stored.getLastError());
    std::string names;
    for (const KelSQLFileGroup_t& g : *groups) names += (names.empty() ? "" : ", ") + g.name;
    std::printf("Ostrel lists database %lu (%s) with file groups %s; allow flags 0x%lX (next differential %s)\n",
                stored.sqlId(), stored.databaseName().c_str(), names.c_str(), stored.allowFlags(),
                stored.isNextDiffOn() ? "on" : "off");
    return groups->size() == 2 && stored.isNextDiffOn();
}

// The agent asks the Ostrel what of the database has gone from its live
// instance; the Ostrel probes the client's agent host, whose reader on this
// platform reads nothing and so reports everything present.
static bool detectRemovals(unsigned long instance, unsigned long database) {
    KelDispatcherProcess agentHost;
    agentHost.setAgentSide(true);
    if (!agentHost.start("client1.local")) {
        std::fprintf(stderr, "kel-example: cannot start the agent host client1.local\n");
        return false;
    }
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLDatabaseDeletionCheck check(agent, false);
    const bool ran = check.removalUpdate(kTesselId, "client1", instance, database);
    const bool stopped = agentHost.stop();
    if (!ran) return fail("removal detection", check.getLastError());
    std::printf("removal detection of database %lu on client1.local: %s stamped\n", database,
                check.removalUpdate() ? "something" : "nothing");
    return stopped && !check.removalUpdate();
}

// The agent records a finished full backup of the database inside a network
// transaction: the backup set (its versions resolved on the Ostrel), its LSN
// row and its media set. The Ostrel then reads it back by name.
static bool recordBackup(unsigned long sqlDatabaseId, unsigned long& backupSetId) {
    KelSQLClassProperties agent(KelSQLClientSide);
    const long finish = KelSQLDateAndTime().setCurrent();
    KelNetSQLBackupSet2_t record{};
    KelNetSQLBackupSet_t& r = record.BackupSet;
    r.BackupSetId = 1;
    // A text that does not fit its field is refused, never cut.
    if (!kel::copyField(r.Name, std::string("pubs full 1")) ||
        !kel::copyField(r.Description, std::string("nightly full backup")) ||
        !kel::copyField(r.UserName, std::string("sa")) || !kel::copyField(r.BackupSize, std::string("2097152")))
        return false;
    r.SqlVersion.Major = 8;
    r.SqlVersion.Build = 760;
    r.MtfVersion.Major = 1;
    r.SeltraStartTime = static_cast<uint64_t>(finish - 60);
    r.SeltraFinishTime = static_cast<uint64_t>(finish);
    r.MediaSetId = 7;
    r.Streams = 2;
    r.JobId = 0x100000001ull;
    KelSQLBackupSet set(agent, false);
    set.copyFromNetwork(record);
    KelSQLLSN& lsn = set.getLSN();
    lsn.setBackupType(KelSQLBackupTypeDatabase);
    lsn.setFirst("15000000040000037");
    lsn.setLast("15000000042000001");
    lsn.setCheckpoint("15000000040000037");
    lsn.setDatabase("0");
    const KelNetSQLDateTime_t started = wireTime(finish - 60), finished = wireTime(finish);
    lsn.setStartTime(&started);
    lsn.setFinishTime(&finished);

    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    if (!t->startTransaction()) return fail("START", t->getLastError());
    // An LSN one character over its field is refused before the set is sent;
    // the mended set goes in the same transaction.
    lsn.setLast(std::string(KelSQLLSN::kLSNMax + 1, '9'));
    if (set.insert(agent.getOstrel().getTesselId(), sqlDatabaseId)) {
        std::fprintf(stderr, "kel-example: a backup set with an over-long LSN was recorded\n");
        return false;
    }
    std::printf("backup set with a last LSN of %zu digits -> refused: 0x%08llX %s\n", KelSQLLSN::kLSNMax + 1,
                static_cast<unsigned long long>(set.getLastError().number()),
                set.getLastError().formatLastErrorMessage().c_str());
    lsn.setLast("15000000042000001");
    if (!set.insert(agent.getOstrel().getTesselId(), sqlDatabaseId)) {
        t->rollbackTransaction();
        return fail("backup set insert", set.getLastError());
    }
    if (!t->commitTransaction()) return fail("COMMIT", t->getLastError());
    std::printf("agent recorded backup set %lu \"%s\" of database %lu: version rows %llu and %llu, LSNs %s to %s, "
                "media set %llu with %llu streams\n",
                set.sqlId(), set.name().c_str(), sqlDatabaseId,
                static_cast<unsigned long long>(set.sqlVersion().sqlId()),
                static_cast<unsigned long long>(set.mtfVersion().sqlId()), lsn.first().c_str(), lsn.last().c_str(),
                static_cast<unsigned long long>(set.getMediaSet().id()),
                static_cast<unsigned long long>(set.getMediaSet().streams()));

    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLBackupSet stored(ostrel, false);
    if (!stored.query(sqlDatabaseId, std::string("pubs full 1"))) return fail("backup set read", stored.getLastError());
    const KelSQLLSN& storedLsn = stored.getLSN();
    std::printf("Ostrel reads backup set %lu by name: SQL Server %llu.%llu.%llu, job 0x%llX, type %c, LSNs %s to %s "
                "(first %s last), %llu streams\n",
                stored.sqlId(), static_cast<unsigned long long>((stored.sqlVersion().major)()),
                static_cast<unsigned long long>((stored.sqlVersion().minor)()),
                static_cast<unsigned long long>(stored.sqlVersion().build()),
                static_cast<unsigned long long>(stored.jobId()), static_cast<char>(storedLsn.backupType()),
                storedLsn.first().c_str(), storedLsn.last().c_str(),
                compareLSN(storedLsn.first().c_str(), storedLsn.last().c_str()) < 0 ? "before" : "not before",
                static_cast<unsigned long long>(stored.getMediaSet().streams()));
    backupSetId = stored.sqlId();
    return stored.sqlId() == set.sqlId() && stored.jobId() == 0x100000001ull;
}

// One backup the agent records in its open network transaction.
struct BackupSpec {
    const char* name;
    uint64_t type;
    const char* first;
    const char* last;
    const char* checkpoint;
    const char* full;
    long start;  // seconds after the base; finishes a minute later
};

static bool recordSet(KelSQLClassProperties& agent, unsigned long sqlDatabaseId, const BackupSpec& s, long base,
                      unsigned long& id) {
    KelNetSQLBackupSet2_t record{};
    KelNetSQLBackupSet_t& r = record.BackupSet;
    if (!kel::copyField(r.Name, std::string(s.name)) || !kel::copyField(r.BackupSize, std::string("1048576")))
        return false;
    r.SqlVersion.Major = 8;
    r.MtfVersion.Major = 1;
    r.SeltraStartTime = static_cast<uint64_t>(base + s.start);
    r.SeltraFinishTime = static_cast<uint64_t>(base + s.start + 60);
    KelSQLBackupSet set(agent, false);
    set.copyFromNetwork(record);
    KelSQLLSN& lsn = set.getLSN();
    lsn.setBackupType(s.type);
    lsn.setFirst(s.first);
    lsn.setLast(s.last);
    lsn.setCheckpoint(s.checkpoint);
    lsn.setDatabase(s.full);
    const KelNetSQLDateTime_t start = wireTime(base + s.start), finish = wireTime(base + s.start + 60);
    lsn.setStartTime(&start);
    lsn.setFinishTime(&finish);
    if (!set.insert(agent.getOstrel().getTesselId(), sqlDatabaseId)) return fail("backup set insert", set.getLastError());
    std::printf("agent recorded %c backup set %lu \"%s\"\n", static_cast<char>(s.type), set.sqlId(), s.name);
    id = set.sqlId();
    return true;
}

// The agent records a full, a differential and two logs of the database, then
// asks the Ostrel which backups restore it to a point in time between the logs.
static bool restoreChain(unsigned long sqlDatabaseId) {
    KelSQLClassProperties agent(KelSQLClientSide);
    const long base = KelSQLDateAndTime().setCurrent() - 7200;
    const BackupSpec sets[] = {
        {"pubs chain full", KelSQLBackupTypeDatabase, "15000000050000001", "15000000052000001", "15000000051000001",
         "15000000040000037", 0},
        {"pubs chain differential", KelSQLBackupTypeDifferential, "15000000053000001", "15000000054000001",
         "15000000053500001", "15000000051000001", 600},
        {"pubs chain log 1", KelSQLBackupTypeLog, "15000000052000001", "15000000055000001", "15000000053500001",
         "15000000051000001", 1200},
        {"pubs chain log 2", KelSQLBackupTypeLog, "15000000055000001", "15000000056000001", "15000000053500001",
         "15000000051000001", 1800},
    };
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    if (!t->startTransaction()) return fail("START", t->getLastError());
    for (const auto& s : sets) {
        unsigned long id = 0;
        if (!recordSet(agent, sqlDatabaseId, s, base, id)) {
            t->rollbackTransaction();
            return false;
        }
    }
    if (!t->commitTransaction()) return fail("COMMIT", t->getLastError());
    KelSQLDatabaseLSNList chain(agent, false);
    KelSQLDateAndTime between(static_cast<unsigned long>(base + 1500));
    if (!chain.query(nullptr, sqlDatabaseId, between.time(), KelSQLTimeTypePointInTime))
        return fail("restore chain", chain.getLastError());
    std::printf("Ostrel's chain to %s (between the logs):", between.stopAt().c_str());
    for (uint64_t id : *chain.getBSIdList()) std::printf(" %llu", static_cast<unsigned long long>(id));
    std::printf(", %llu bytes to read\n", chain.restoreByteSize());
    // The full, the differential and both logs: the restore stops inside
    // the second.
    return chain.getBSIdList()->size() == 4;
}

// The Ostrel reports the database's backup chains: from the newest log back
// through the chain's full to the first full, whose checkpoint the chain's
// full names; nothing is left inactive.
static bool chainReports(unsigned long sqlDatabaseId) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLDatabaseReports reports(ostrel);
    if (!reports.createChainReports(sqlDatabaseId)) return fail("chain reports", reports.getLastError());
    for (const auto* list : {&reports.activeLSNChain(sqlDatabaseId), &reports.inactiveLSNChain()}) {
        std::printf("Ostrel's %s chain:", list == &reports.inactiveLSNChain() ? "inactive" : "active");
        for (const auto& r : *list)
            std::printf(" %llu (%c)", static_cast<unsigned long long>(r.sqlBackupSetId), static_cast<char>(r.backupType));
        std::printf("\n");
    }
    const auto& active = reports.activeLSNChain(sqlDatabaseId);
    return active.size() == 5 && active.front().backupType == KelSQLBackupTypeLog && reports.inactiveLSNChain().empty();
}

// The agent records a full and three logs of the database, the first two
// started in the same second; the Ostrel's chains take them in the order the
// agent recorded them, to a point in time after the third log began and to
// the second log itself.
static bool sameSecondChain(unsigned long sqlDatabaseId) {
    KelSQLClassProperties agent(KelSQLClientSide);
    const long base = KelSQLDateAndTime().setCurrent() - 3600;
    const BackupSpec sets[] = {
        {"pubs second full", KelSQLBackupTypeDatabase, "16000000010000001", "16000000020000001", "16000000010000001",
         "15000000051000001", 0},
        {"pubs same-second log A", KelSQLBackupTypeLog, "16000000015000001", "16000000030000001", "16000000010000001",
         "16000000010000001", 600},
        {"pubs same-second log B", KelSQLBackupTypeLog, "16000000030000001", "16000000040000001", "16000000010000001",
         "16000000010000001", 600},
        {"pubs log C", KelSQLBackupTypeLog, "16000000040000001", "16000000050000001", "16000000010000001",
         "16000000010000001", 1200},
    };
    unsigned long ids[4] = {};
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    if (!t->startTransaction()) return fail("START", t->getLastError());
    for (size_t i = 0; i < 4; ++i) {
        if (!recordSet(agent, sqlDatabaseId, sets[i], base, ids[i])) {
            t->rollbackTransaction();
            return false;
        }
    }
    if (!t->commitTransaction()) return fail("COMMIT", t->getLastError());
    KelSQLDatabaseLSNList toPoint(agent, false), toB(agent, false);
    KelSQLDateAndTime between(static_cast<unsigned long>(base + 900));
    if (!toPoint.query(nullptr, sqlDatabaseId, between.time(), KelSQLTimeTypePointInTime))
        return fail("same-second chain", toPoint.getLastError());
    if (!toB.query(ids[2])) return fail("chain of log B", toB.getLastError());
    std::printf("Ostrel's chain to %s (logs A and B began in one second):", between.stopAt().c_str());
    for (uint64_t id : *toPoint.getBSIdList()) std::printf(" %llu", static_cast<unsigned long long>(id));
    std::printf("\nOstrel's chain of log B:");
    for (uint64_t id : *toB.getBSIdList()) std::printf(" %llu", static_cast<unsigned long long>(id));
    std::printf("\n");
    const std::vector<uint64_t> all(ids, ids + 4), upToB(ids, ids + 3);
    return *toPoint.getBSIdList() == all && *toB.getBSIdList() == upToB;
}

// The Ostrel lists the client's instances configured in its catalogue (the
// example runs no agent host that could list those installed on the client).
static bool listInstances(unsigned long client) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLApplication application(ostrel);
    std::vector<KelSQL_SqlIdName_t> instances;
    if (!application.getConfiguredSQLServersWithinClient(ostrel.getOstrel().getTesselId(), client, instances))
        return fail("instance list", application.getLastError());
    std::printf("client1 has %zu configured instance(s):", instances.size());
    for (const KelSQL_SqlIdName_t& i : instances) std::printf(" %s (id %lu)", i.name.c_str(), i.sqlId);
    std::printf("\n");
    return !instances.empty();
}

// The Ostrel stores a restore task of pubs to its backup set; the agent reads
// it back in the newest message version, and again through the job manager's
// restore task id, which its library translates on the Ostrel.
static bool restoreTask(unsigned long instanceId, unsigned long databaseId, unsigned long backupSetId,
                        unsigned long& taskId) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    ostrel.getSQLUserAndPassword().setSqlUser("restorer");
    ostrel.getSQLUserAndPassword().setSqlPassword("restore-pw");
    if (!ostrel.startTransaction()) return fail("START", ostrel.getLastError());
    KelSQLRestoreTask task(ostrel, false);
    task.setSqlServerId(instanceId);
    task.setSqlDatabaseId(databaseId);
    task.setDatabaseName("pubs");
    if (!task.setRestoreTypeDBBackupSet(backupSetId) || !task.setRestoreFlags(0x40) || !task.insert())
        return fail("restore task", task.getLastError());
    if (!ostrel.commitTransaction()) return fail("COMMIT", ostrel.getLastError());
    std::printf("Ostrel stores restore task %lu: backup set %lu of database %lu, standby\n", task.sqlRestoreTaskId(),
                backupSetId, databaseId);

    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLRestoreTask read(agent, false, kelsql::kRestoreTaskV3);
    if (!read.querySqlRestoreTask(task.sqlRestoreTaskId())) return fail("restore task read", read.getLastError());
    std::printf("agent reads restore task %lu (version 3): type %u, backup set %lu, %s of %s, flags 0x%llX%s\n",
                read.sqlRestoreTaskId(), read.restoreType(), read.sqlBackupSetId(), read.databaseName().c_str(),
                read.serverName().c_str(), static_cast<unsigned long long>(read.restoreFlags()),
                read.isStandBy() ? " (standby)" : "");

    kel::jobmgr::RestoreTaskEntry entry;
    entry.tesselId = kTesselId;
    entry.jobId = 4711;
    entry.guiSequenceNumber = 1;
    entry.sqlRestoreTaskId = task.sqlRestoreTaskId();
    entry.userId = 2;
    entry.userName = "operator";
    uint64_t jobTask = 0;
    KelLastError err;
    if (kel::jobmgr::registerRestoreTask(entry, jobTask, err)) return fail("job manager's restore task", err);
    KelSQLRestoreTask byJob(agent, false);
    if (!byJob.query(static_cast<unsigned long>(jobTask))) return fail("job manager lookup", byJob.getLastError());
    std::printf("job manager's restore task %llu: job %llu of %s names restore task %lu (%s, type %u)\n",
                static_cast<unsigned long long>(jobTask), static_cast<unsigned long long>(byJob.JobId()),
                byJob.UserName().c_str(), byJob.sqlRestoreTaskId(), byJob.databaseName().c_str(),
                byJob.restoreType());
    taskId = task.sqlRestoreTaskId();
    return read.sqlBackupSetId() == backupSetId && byJob.sqlRestoreTaskId() == task.sqlRestoreTaskId();
}

// The agent records the backup's data file and its one stream in a network
// transaction (the Ostrel finds the file's group itself), asks whether the
// file is recorded, and lists the backup's files from the Ostrel.
static bool recordFiles(unsigned long sqlBackupSetId) {
    KelSQLClassProperties agent(KelSQLClientSide);
    const unsigned long tessel = agent.getOstrel().getTesselId();
    KelNetSQLBackupFile_t fileRecord{};
    if (!kel::copyField(fileRecord.LogicalName, std::string("pubs_data")) ||
        !kel::copyField(fileRecord.PhysicalName, std::string("C:\\MSSQL\\Data\\pubs.mdf")) ||
        !kel::copyField(fileRecord.PhysicalDrive, std::string("C:\\")))
        return false;
    fileRecord.Number = 1;
    fileRecord.PageSize = 8192;
    fileRecord.PageCount = 256;
    fileRecord.Type = 'D';
    KelSQLBackupFile file(agent, false);
    file.restore(&fileRecord);
    KelNetSQLMediaFamily_t familyRecord{};
    familyRecord.MediaSetId = 7;
    familyRecord.SequenceNumber = 1;
    familyRecord.ArchiveFile.GroupNumber = 3;
    familyRecord.ArchiveFile.FileNumber = 11;
    KelSQLMediaFamily family(agent, false);
    family.restore(&familyRecord);

    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    if (!t->startTransaction()) return fail("START", t->getLastError());
    if (!file.insert(tessel, sqlBackupSetId)) {
        t->rollbackTransaction();
        return fail("backup file insert", file.getLastError());
    }
    if (!family.insert(tessel, sqlBackupSetId)) {
        t->rollbackTransaction();
        return fail("media family insert", family.getLastError());
    }
    if (!t->commitTransaction()) return fail("COMMIT", t->getLastError());
    std::printf("agent recorded backup file %llu \"%s\" in file group %llu and media family %llu (stream %llu in "
                "archive group %llu, file %llu)\n",
                static_cast<unsigned long long>(file.sqlId()), file.logicalName().c_str(),
                static_cast<unsigned long long>(file.sqlFileGroupId()),
                static_cast<unsigned long long>(family.sqlId()),
                static_cast<unsigned long long>(family.sequenceNumber()),
                static_cast<unsigned long long>(family.archiveGroupNumber()),
                static_cast<unsigned long long>(family.archiveFileNumber()));

    KelNetSQLBackupFileExist exist(agent, false);
    if (!exist.networkQuery(tessel, sqlBackupSetId, "pubs_data")) return fail("backup file check", exist.getLastError());
    std::printf("Ostrel answers the check for \"pubs_data\" with %u (found)\n", exist.responseMessage(false)->FileStatus);

    KelSQLBackupFileInfo info(agent, false);
    if (!info.networkQuery(tessel, sqlBackupSetId)) return fail("backup file list", info.getLastError());
    const KelNetSQLBkpFileInfoRsp_t* list = info.responseMessage(false);
    std::printf("Ostrel lists %u file(s) of backup set %lu\n", list->Count, sqlBackupSetId);
    for (uint32_t i = 0; i < list->Count; ++i) {
        const KelNetSQLBackupFileInfo_t& e = list->Entries[i];
        std::printf("  file %llu: %s at %s (drive %s), number %llu, %llu pages of %llu bytes, type %c, group %llu\n",
                    static_cast<unsigned long long>(e.SqlBackupFileId), e.LogicalName, e.PhysicalName,
                    e.PhysicalDrive, static_cast<unsigned long long>(e.Number),
                    static_cast<unsigned long long>(e.PageCount), static_cast<unsigned long long>(e.PageSize),
                    static_cast<char>(e.Type), static_cast<unsigned long long>(e.SqlFileGroupId));
    }
    return exist.responseMessage(false)->FileStatus == KelNetSQLBackupFileExistFound && list->Count == 1 &&
           list->Entries[0].SqlFileGroupId == file.sqlFileGroupId();
}

// The Ostrel gives the restore task an item (the database) with a file
// relocation, which the agent reads back by id; then the Ostrel force-deletes
// the database's history in one transaction: its restore tasks with their
// items and relocations, its backup sets with their rows, and its log marks.
static bool removeHistory(unsigned long databaseId, unsigned long backupSetId, unsigned long taskId) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    if (!ostrel.startTransaction()) return fail("START", ostrel.getLastError());
    KelSQLFileRename rename(ostrel, false);
    rename.setRestoreTaskId(taskId);
    rename.setLogicalName("pubs_data");
    rename.setPhysicalName("D:\\Restored\\pubs.mdf");
    KelSQLRestoreData item(ostrel, false);
    item.setRestoreTaskId(taskId);
    item.setDataSqlId(databaseId);
    item.setSqlName("pubs");
    KelSQLRestoreTask task(ostrel, false);
    bool ok = rename.insert();
    if (!ok) fail("file relocation", rename.getLastError());
    item.setSqlFileRenameId(rename.sqlId());
    if (ok && !(ok = item.insert())) fail("restore data", item.getLastError());
    task.setSqlRestoreDataId(item.sqlId());
    if (ok && !(ok = task.update(taskId))) fail("restore task update", task.getLastError());
    if (!ok || !ostrel.commitTransaction()) {
        ostrel.rollBackTransaction();
        return false;
    }
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLRestoreData read(agent, false);
    if (!read.query(item.sqlId())) return fail("restore data read", read.getLastError());
    std::printf("agent reads restore data %lu of task %lu: %s (id %lu), relocation %lu to %s\n", read.sqlId(),
                read.restoreTaskId(), read.sqlName().c_str(), read.dataSqlId(), read.sqlFileRenameId(),
                rename.physicalName().c_str());

    if (!ostrel.startTransaction()) return fail("START", ostrel.getLastError());
    KelSQLBackupSet sets(ostrel, false);
    KelSQLLogMarkName marks(ostrel, false);
    if (!task.databaseForceDelete(databaseId)) ok = fail("restore task deletion", task.getLastError());
    else if (!sets.databaseForceDelete(databaseId)) ok = fail("backup set deletion", sets.getLastError());
    else if (!marks.removeDatabase(ostrel.getOstrel().getTesselId(), databaseId))
        ok = fail("log mark deletion", marks.getLastError());
    if (!ok) {
        ostrel.rollBackTransaction();
        return false;
    }
    if (!ostrel.commitTransaction()) return fail("COMMIT", ostrel.getLastError());
    KelSQLRestoreData gone(ostrel, false);
    KelSQLBackupSet goneSet(ostrel, false);
    const bool removed =
        !gone.query(item.sqlId()) && !task.querySqlRestoreTask(taskId) && !goneSet.query(backupSetId);
    std::printf("Ostrel force-deleted the history of database %lu: restore task, data, relocation and backup set %lu "
                "%s\n", databaseId, backupSetId, removed ? "gone" : "still there");
    return removed;
}

// Two cycles of the database (a full with its log, twice), each backup on
// an archive file of its own. The archive manager asks which files may go
// when one cycle is kept, and takes the backup sets on them out of the
// catalogue.
static bool pruneArchives(unsigned long sqlDatabaseId) {
    KelSQLClassProperties agent(KelSQLClientSide), ostrel(KelSQLServerSide);
    const long base = KelSQLDateAndTime().setCurrent() - 3600;
    const BackupSpec sets[] = {
        {"pubs old full", KelSQLBackupTypeDatabase, "16000000010000001", "16000000012000001", "16000000011000001",
         "16000000001000001", 0},
        {"pubs old log", KelSQLBackupTypeLog, "16000000012000001", "16000000013000001", "16000000011000001",
         "16000000011000001", 600},
        {"pubs new full", KelSQLBackupTypeDatabase, "16000000020000001", "16000000022000001", "16000000021000001",
         "16000000011000001", 1200},
        {"pubs new log", KelSQLBackupTypeLog, "16000000022000001", "16000000023000001", "16000000021000001",
         "16000000021000001", 1800},
    };
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    if (!t->startTransaction()) return fail("START", t->getLastError());
    std::vector<unsigned long> ids;
    for (const auto& s : sets) {
        ids.push_back(0);
        if (!recordSet(agent, sqlDatabaseId, s, base, ids.back())) {
            t->rollbackTransaction();
            return false;
        }
    }
    if (!t->commitTransaction()) return fail("COMMIT", t->getLastError());
    // The media manager's side: backup i lies on archive file 9001 + i.
    if (!ostrel.startTransaction()) return fail("START", ostrel.getLastError());
    std::vector<KelSQLFullArchiveMapping_t> batch;
    for (size_t i = 0; i < ids.size(); ++i) {
        SqlArchiveSet record(ostrel.getDBTransaction());
        SqlArchiveSet_t& row = *record.getDataPtr();
        row.tesselId = static_cast<int32_t>(kTesselId);
        row.sqlBackupSetId = static_cast<int32_t>(ids[i]);
        row.sequenceNumber = 1;
        row.archiveGroup = 1;
        row.archiveFile = static_cast<int32_t>(9001 + i);
        if (int rc = record.rowInsert(true)) {
            std::fprintf(stderr, "kel-example: archive set failed: %s\n", record.getErrorStr(rc));
            return false;
        }
        KelSQLFullArchiveMapping_t e;
        e.tesselId = kTesselId;
        e.archiveGroupId = 1;
        e.archiveFileId = 9001 + i;
        batch.push_back(e);
    }
    if (!ostrel.commitTransaction()) return fail("COMMIT", ostrel.getLastError());
    // The batch ends with the newest full: the cycles are read from there.
    std::swap(batch[2], batch[3]);

    KelSQLArchivePruning pruning(ostrel);
    bool prunable = false;
    if (!pruning.pruneArchiveFiles(prunable, 1, 0, batch)) return fail("archive pruning", pruning.getLastError());
    if (!ostrel.startTransaction()) return fail("START", ostrel.getLastError());
    KelSQLBackupSet remover(ostrel, false);
    size_t gone = 0;
    for (const KelSQLFullArchiveMapping_t& e : batch) {
        std::printf("archive file %llu (backup set %llu): %s\n", static_cast<unsigned long long>(e.archiveFileId),
                    static_cast<unsigned long long>(e.sqlBackupSetId), e.isPrunable ? "may go" : "kept");
        if (!e.isPrunable) continue;
        if (!remover.remove(static_cast<unsigned long>(e.sqlBackupSetId))) {
            ostrel.rollBackTransaction();
            return fail("backup set removal", remover.getLastError());
        }
    }
    if (!ostrel.commitTransaction()) return fail("COMMIT", ostrel.getLastError());
    for (const KelSQLFullArchiveMapping_t& e : batch) {
        KelSQLBackupSet check(ostrel, false);
        const bool present = check.query(static_cast<unsigned long>(e.sqlBackupSetId));
        if (e.isPrunable && !present) ++gone;
        if (e.isPrunable == present) return false;
    }
    std::printf("the backup sets of the %zu pruned archive files left the catalogue\n", gone);
    // The older cycle goes, the newer stays.
    return gone == 2;
}

// The Ostrel browses client1 as the catalogue holds it now, down to the
// files: the instance, the database with its full backup, its file group and
// its file, each covered by backup data.
static bool browseClient(unsigned long client) {
    KelSQLAppTypeBrowse browse;
    std::vector<KelSQLServerBrowse>* servers = browse.getServerList(nullptr, kTesselId, client, 0);
    if (!servers) return fail("client browse", browse.getLastError());
    std::printf("browse of %s (%s): %zu instance(s) with backup data\n", browse.clientName().c_str(),
                browse.appTypeName().c_str(), servers->size());
    size_t files = 0;
    for (KelSQLServerBrowse& server : *servers) {
        std::printf("  instance %s\n", server.serverName().c_str());
        for (KelSQLDatabaseBrowse& db : server.databaseList()) {
            std::vector<KelSQLFileGroupBrowse>* groups = db.getFileGroupList(nullptr, 0, 0);
            if (!groups) return fail("database browse", db.getLastError());
            std::printf("    database %s (id %lu)\n", db.databaseName().c_str(), db.sqlDatabaseId());
            for (KelSQLFileGroupBrowse& group : *groups) {
                std::vector<KelSQLFileBrowse>* list = group.getFileList(nullptr, 0, 0);
                if (!list) return fail("file group browse", group.getLastError());
                std::printf("      file group %s (SQL Server id %llu)\n", group.fileGroupName().c_str(),
                            static_cast<unsigned long long>(group.localFgId()));
                for (KelSQLFileBrowse& file : *list)
                    std::printf("        file %s at %s, size %llu%s\n", file.logicalName().c_str(),
                                file.physicalName().c_str(), static_cast<unsigned long long>(file.size()),
                                file.backupDataExist() ? ", backed up" : "");
                files += list->size();
            }
        }
    }
    return browse.backupDataExist() && files == 1;
}

// The Ostrel makes a file-group subclient of the database from its layout
// (the application id comes with it) and reads the layout back with the
// member marked.
static bool makeFileSubclient(unsigned long databaseId) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLFileSubClientConfig config(ostrel);
    KelSQLDatabaseLayout layout;
    if (!config.getDatabaseLayout(databaseId, layout)) return fail("database layout", config.getLastError());
    for (KelSQLDatabaseFileGroup& node : layout.fileGroupList())
        if (node.fileGroupName() == "PRIMARY")
            KelSQLDatabaseLayoutFlagsInternal(node.layoutFlags()).updateFlagsOn(KelSQLDatabaseLayoutFlags::kAddOperation);
    if (!ostrel.startTransaction()) return fail("START", ostrel.getLastError());
    if (!config.createFileSubClientLayout("client1", kTesselId, 1, layout, "primary files")) {
        ostrel.rollBackTransaction();
        return fail("file subclient", config.getLastError());
    }
    if (!ostrel.commitTransaction()) return fail("COMMIT", ostrel.getLastError());
    const unsigned long sub = config.subClient().sqlId();
    if (!config.getFileSubClientLayout(sub, layout)) return fail("subclient layout", config.getLastError());
    const KelSQLDatabaseFileGroup& group = layout.fileGroupList().back();
    std::printf("Ostrel made file subclient %lu \"%s\" (application id %lu) of database %s: file group %s is %s\n",
                sub, config.subClient().subClientName().c_str(), config.subClient().applicationNumber(),
                layout.databaseName().c_str(), group.fileGroupName().c_str(),
                group.layoutFlags().isConfigured() ? "a whole-group member" : "not a member");

    return group.layoutFlags().isConfigured();
}

// The agent's own creation path: the client is this machine, and the Ostrel
// creates the application id of a system database of one of its instances
// (no catalogue row needed for it). The agent install must be active for the
// Ostrel's client too.
static bool agentCreatesApplicationId(const std::string& machine) {
    kel::appmgr::Admin admin;
    unsigned long own = 0;
    if (!configure(kOstrelHost) || admin.createClient(kTesselId, machine, "", own)) {
        std::fprintf(stderr, "kel-example: cannot register %s as a client\n", machine.c_str());
        return false;
    }
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLAppId appId(agent, false);
    if (!appId.setApplicationType(16)) return fail("application type", appId.getLastError());
    if (!appId.create("", "SQL9", "model", 2, 0, 0, ""))
        return fail("agent-side application id creation", appId.getLastError());
    std::printf("agent created application id %lu for %s/SQL9/model/default (client %lu)\n", appId.applicationId(),
                machine.c_str(), appId.clientId());
    return appId.clientId() == own && appId.applicationId() != 0;
}

// The instance is found missing on its client: the stamp reaches its one
// database. Then the Ostrel's maintenance removes that database, the
// instance's last, and the instance goes from the catalogue with it.
static bool removeInstance(const std::string& machine, unsigned long client, unsigned long instance) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLServer server(ostrel, false);
    if (!server.query(instance)) return fail("instance lookup", server.getLastError());
    const std::vector<KelSQLDatabase_t>* listed = server.getConfiguredDBs(true, instance);
    if (!listed) return fail("configured databases", server.getLastError());
    if (listed->size() != 1) return false;
    const unsigned long database = listed->front().sqlId;
    server.getRemovalTime().setTime(static_cast<long>(time(nullptr)));
    if (!ostrel.startTransaction() || !server.updateRemovalTime() || !ostrel.commitTransaction())
        return fail("instance removal time", server.getLastError());
    KelSQLDatabase db(ostrel, false);
    if (!db.query(database, nullptr)) return fail("database lookup", db.getLastError());
    std::printf("instance %s found missing: its database %s is stamped too (%s)\n", server.sqlServerName().c_str(),
                db.databaseName().c_str(), db.getRemovalTime().time() != 0 ? "yes" : "no");
    KelLastError err;
    if (!sqlAppIdBackupSetDelete(machine, kTesselId, client, instance, database, err))
        return fail("backup set removal", err);
    KelSQLServer gone(ostrel, false);
    const bool still = gone.query(instance);
    std::printf("its last database removed by the Ostrel's maintenance: the instance row is %s\n",
                still ? "still there" : "gone");
    return !still && gone.sqlCode() == 100 && db.getRemovalTime().time() != 0;
}

// The Ostrel marks every database of the instance for a full next backup and
// decides the level of a log-without-truncation job: the catalogue refresh
// with the agent fails (no agent host runs), which that level survives, and
// the next-full rule converts it to full (or refuses it where automatic
// conversion is off).
static bool convertLevel(unsigned long client, unsigned long instance, unsigned long sqlDatabaseId) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelLastError err;
    if (!sqlServerEnableNextFullBackup(ostrel, err, kTesselId, instance)) return fail("next full", err);
    KelSQLDatabase db(ostrel, false);
    if (!db.query(sqlDatabaseId, nullptr)) return fail("database", db.getLastError());
    KelBkpLevel level = KelBkpLevelLogNoTruncate;
    std::string message;
    const int result = getBackupConversion(KelPI_Focus::getFocus().c_str(), kTesselId, client, instance,
                                           db.applicationNumber(), level, message, 1);
    if (result == 1) {
        std::printf("backup level: a log without truncation runs as level %d\n", static_cast<int>(level));
        return level == KelBkpLevelFull;
    }
    std::printf("backup level: the job is refused: %s\n", message.c_str());
    return message.find("automatic conversion is off") != std::string::npos;
}

// The Ostrel configures an instance of this machine through the machine's
// agent host: the administrator's login, undo path and storage policy go to
// the agent host, which installs the instance in the catalogue through a
// transaction of its own with the Ostrel. The catalogue then holds them.
static bool configureInstanceFromOstrel(const std::string& machine) {
    KelPI_DataBase dataSource;
    KelLastError err;
    unsigned long client = 0;
    if (!dataSource.setFocus(machine.c_str()) || !dataSource.setSqlServerODBCDSN("SQL9", "SQL9_SQLDrover") ||
        !dataSource.setSqlServerVersion("SQL9", "8.00.2039") || !getSqlClientId(kTesselId, err, machine, client))
        return fail("the instance's data source", err);
    const std::string host = machine + ".agent";
    kel::appmgr::Admin admin;
    KelDispatcherProcess agentHost;
    agentHost.setAgentSide(true);
    if (admin.setNetworkHostname(client, host) || !agentHost.start(host)) {
        std::fprintf(stderr, "kel-example: cannot start the agent host %s\n", host.c_str());
        return false;
    }
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLServerConfig config(ostrel, false);
    config.setTesselId(kTesselId);
    config.setClientId(client);
    config.setArchiveGroupId(3);
    config.setSqlServerName("SQL9");
    config.setUndoFilePath(kel::homeDirectory());
    const bool configured = config.verifySQLUser("sa", "admin's") && config.config();
    const bool stopped = agentHost.stop();
    if (!configured) return fail("instance configuration from the Ostrel", config.getLastError());
    if (!stopped) return false;

    KelSQLServer stored(ostrel, false);
    if (!stored.query(machine, "SQL9")) return fail("instance lookup", stored.getLastError());
    KelSQLAppId master(ostrel, false);
    master.setClientName(machine);
    master.setServerName("SQL9");
    master.setDatabaseName("master");
    master.setSubClientName("default");
    if (!master.setApplicationType(16) || !master.lookup()) return fail("master's application id", master.getLastError());
    unsigned long policy = 0;
    ApplicationId(std::to_string(master.applicationId())).getDataArchiveGroup(policy);
    std::printf("Ostrel configured %s/SQL9 through its agent host: instance %lu, SQL Server %llu, login %s, "
                "undo path %s, storage policy %lu\n",
                machine.c_str(), stored.sqlId(), static_cast<unsigned long long>(stored.getSQLVersion().major()),
                stored.sa().c_str(), stored.undoFilePath().c_str(), policy);
    return stored.sa() == "sa" && stored.saPassword() == "admin's" && policy == 3;
}

// The Ostrel has the agent host register a database of that instance: the
// agent host registers it through the Ostrel in a transaction of its own,
// and the Ostrel's call returns once the row is there.
static bool registerDatabaseFromOstrel(const std::string& machine) {
    const std::string host = machine + ".agent";
    KelDispatcherProcess agentHost;
    agentHost.setAgentSide(true);
    if (!agentHost.start(host)) {
        std::fprintf(stderr, "kel-example: cannot start the agent host %s\n", host.c_str());
        return false;
    }
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLDatabase db(ostrel, false);
    const bool registered = db.config(machine, "SQL9", "sales", 3);
    const bool stopped = agentHost.stop();
    if (!registered) return fail("database registration from the Ostrel", db.getLastError());
    if (!stopped) return false;
    KelSQLDatabase stored(ostrel, false);
    if (!stored.query(machine, "SQL9", "sales")) return fail("database lookup", stored.getLastError());
    const std::vector<KelSQLFileGroup_t>* groups = stored.getConfiguredFGs(true, stored.sqlId());
    if (!groups) return fail("file groups", stored.getLastError());
    std::string names;
    for (const KelSQLFileGroup_t& g : *groups) names += (names.empty() ? "" : ", ") + g.name;
    std::printf("Ostrel had %s register SQL9/sales: database %lu of instance %lu, application %lu, file groups: %s\n",
                machine.c_str(), stored.sqlId(), stored.sqlServerId(), stored.applicationNumber(), names.c_str());
    return stored.applicationNumber() != 0 && groups->size() == 1;
}

int main() {
    std::string machine = KelPI_Focus::getFocus();
    if (!configure(machine)) {
        std::fprintf(stderr, "kel-example: cannot write the registry of %s under %s\n", machine.c_str(),
                     kel::homeDirectory().c_str());
        return 1;
    }
    KelSQLMessageLog log;
    KelSQLDateAndTime now;
    now.setCurrent();
    log.debug("main()", "catalogue example starting at %s", now.odbcDateFormat(false));
    std::printf("machine %s, SQL debug level 0x%llx\n", machine.c_str(),
                static_cast<unsigned long long>(sqlDebugLevel()));

    if (!installationKey() || !sealingWaitsForTheKey()) return 1;
    removeCatalogue();
    KelDispatcherProcess ostrel;
    if (!ostrel.start(kOstrelHost)) {
        std::fprintf(stderr, "kel-example: cannot start %s\n", KelDispatcherProcess::defaultProgram().c_str());
        return 1;
    }
    std::printf("Ostrel %s answering on 127.0.0.1:%d\n", kOstrelHost, ostrel.port());
    unsigned long client = 0, instance = 0, database = 0, backupSet = 0, task = 0;
    bool ok = strangersAreRefused(ostrel.port()) && agentsConnectAtOnce() && runAgent() && writersTakeTurns() && registerClient(client, instance) && recordVersion() && registerInstance(instance) &&
              readDatabase(client, instance, database) && registerFiles(database) && showDatabase(database) &&
              detectRemovals(instance, database) &&
              recordBackup(database, backupSet) && recordFiles(backupSet) &&
              restoreTask(instance, database, backupSet, task) && restoreChain(database) && chainReports(database) &&
              sameSecondChain(database) &&
              listInstances(client) && browseClient(client) && removeHistory(database, backupSet, task) &&
              pruneArchives(database) && convertLevel(client, instance, database) && makeFileSubclient(database) &&
              removeInstance(machine, client, instance) && agentCreatesApplicationId(machine) &&
              configureInstanceFromOstrel(machine) && registerDatabaseFromOstrel(machine);
    if (!ostrel.stop()) {
        std::fprintf(stderr, "kel-example: the Ostrel's dispatcher did not stop cleanly\n");
        ok = false;
    }
    std::printf("log written to %s\n", KelDebug::logFilePath().c_str());
    return ok ? 0 : 1;
}
