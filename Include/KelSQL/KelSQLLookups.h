// Lookups outside the catalogue that the catalogue classes share: a client's
// id or network host name in a Tessel and an instance's id, through the
// platform's application manager; the agent host that a context's
// Ostrel-to-agent messages go to; and a few small utilities. Every function
// reports through the caller's error record.
#pragma once

#include <cstdint>
#include <string>

#include "platform/events/KelLastError.h"

class DBtable;
class DBtran;
class KelSQLClassProperties;

// clientId = the client's id (0 first). Unknown client: 0x1E000003.
bool getSqlClientId(unsigned long tesselId, KelLastError& err, const std::string& clientName,
                    unsigned long& clientId);
// *instanceId = the id of the client's instance of that name, under any SQL
// Server application type (0 first). Null instanceId: 0x1E000037; unknown
// client: 0x1E000003; no such instance: 0x1E00003A. Read in tran when given
// (an instance its caller registered in that transaction is found).
bool getInstanceByName(unsigned long tesselId, KelLastError& err, const std::string& clientName,
                       const std::string& instanceName, unsigned long* instanceId, DBtran* tran = nullptr);
// A client's network host name, by name or by id in the Tessel. Unknown
// client or no host: 0x1E000003.
bool getClientHostname(KelLastError& err, unsigned long tesselId, const std::string& clientName, std::string& host);
bool getClientHostname(KelLastError& err, unsigned long tesselId, unsigned long clientId, std::string& host);
bool getSqlClientHostnameGivenClientId(KelLastError& err, unsigned long tesselId, unsigned long clientId,
                                       std::string& host, std::string& clientName);
bool getSqlClientHostnameGivenClientId(KelLastError& err, unsigned long tesselId, unsigned long clientId,
                                       std::string& host);
// Host and name of the client that owns an instance; a failing step's own
// number becomes err's.
bool getClientHostnameFromSqlServerId(KelLastError& err, unsigned long sqlServerId, std::string& host,
                                      std::string& clientName);
// Host of the client that owns an instance. Any failure: 0x1E000003.
bool getClientHostnameFromInstance(KelLastError& err, unsigned long instanceId, std::string& host);
// Ostrel side: points the context's agent-bound messages at the client's
// host. With no client name, succeeds only when a host is set already (err
// then keeps the missing-name record).
bool getClientHostnameForLocalTessel(KelLastError& err, KelSQLClassProperties& properties,
                                     const std::string& clientName, const char* clientFieldName);
// Before an Ostrel-side caller waits for an agent host that writes into the
// catalogue in a transaction of its own: a caller holding a catalogue or a
// network transaction would hold the writer that transaction needs, so it is
// refused at once with 0x1E0000B0 instead of both waiting out the lock.
bool catalogueWriterFree(KelSQLClassProperties& properties, KelLastError& err, const char* signature);
// Points a record object at the right SQL Server: on the Ostrel its own
// catalogue login, elsewhere the context's data source and credentials. No
// SQL user in the context: 0x1E000046.
bool setupClientSQLConnectivity(KelLastError& err, KelSQLClassProperties& properties, DBtable& table);

// out = in without the punctuation a path must not carry; true when out is
// not empty.
bool sqlRemoveInvalidPathCharacters(const std::string& in, std::string& out);
// Creates path and every missing parent; on failure errorCode = the system's code.
bool createRecursiveDirectory(const char* path, uint32_t& errorCode);
// Neither has an effect on this platform.
bool sqlConfigurationEventMessage(const std::string& text1, const std::string& text2, bool flag);
bool sqlLogVersionInfo(KelSQLClassProperties& properties, const char* text1, const char* text2, const char* text3,
                       const char* text4);
