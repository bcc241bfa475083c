// The database messages: the wire record of one database of an instance, its
// request (an operation code and the record) and its response (the status
// block and the record), and the small message that changes one allow-flag
// bit. KelSQLDatabase is the catalogue object behind the first; the Ostrel
// answers it on a record built in reply mode.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KelSQL/KelNetSQLFrame.h"

struct KelNetSQLDatabase_t {
    uint64_t SqlDatabaseId;
    uint64_t TesselId;
    char DatabaseName[129];
    char ServerName[129];
    char ClientName[257];
    uint64_t SqlServerId;
    uint64_t ApplicationNumber;
    uint64_t DatabaseId;  // DBCode 8 requests: the catalogue id
    KelNetSQLDateTime_t CreationTime;
    uint64_t Streams;
    uint64_t MaxStreams;
    uint64_t LogStreams;
    uint64_t AllowFlags;  // DBCode 8 responses: 5 when a full backup is required
    uint64_t AddTime;
    uint64_t RemovalTime;  // 0 present, 0xFFFFFFFF back again
    uint64_t DeleteFlag;
    uint64_t ArchiveGroupNameId;
    uint64_t SystemFlags;
};

enum KelNetSQLDatabaseCode : uint32_t {
    KelNetSQLDatabaseLookup = 1,
    KelNetSQLDatabaseUpdate = 2,
    KelNetSQLDatabaseExtract = 3,
    KelNetSQLDatabaseConfig = 4,
    KelNetSQLDatabaseLogicalDeletion = 5,
    KelNetSQLDatabaseCompare = 8,
};

struct KelNetSQLDatabaseReq_t {
    uint32_t DBCode;
    KelNetSQLDatabase_t Database;
};
struct KelNetSQLDatabaseRsp_t {
    KelNetSQLOPStatus_t Status;
    KelNetSQLDatabase_t Database;
};

// One entry of an instance's database-name list.
struct KelNetSQLDatabaseInfo_t {
    char Name[129] = {};
};

static_assert(sizeof(KelNetSQLDatabase_t) == 656, "KelNetSQLDatabase_t size");
static_assert(offsetof(KelNetSQLDatabase_t, TesselId) == 8 && offsetof(KelNetSQLDatabase_t, DatabaseName) == 16 &&
                  offsetof(KelNetSQLDatabase_t, ServerName) == 145 &&
                  offsetof(KelNetSQLDatabase_t, ClientName) == 274 &&
                  offsetof(KelNetSQLDatabase_t, SqlServerId) == 536 &&
                  offsetof(KelNetSQLDatabase_t, ApplicationNumber) == 544 &&
                  offsetof(KelNetSQLDatabase_t, DatabaseId) == 552 &&
                  offsetof(KelNetSQLDatabase_t, CreationTime) == 560 &&
                  offsetof(KelNetSQLDatabase_t, Streams) == 584 && offsetof(KelNetSQLDatabase_t, MaxStreams) == 592 &&
                  offsetof(KelNetSQLDatabase_t, LogStreams) == 600 &&
                  offsetof(KelNetSQLDatabase_t, AllowFlags) == 608 &&
                  offsetof(KelNetSQLDatabase_t, AddTime) == 616 &&
                  offsetof(KelNetSQLDatabase_t, RemovalTime) == 624 &&
                  offsetof(KelNetSQLDatabase_t, DeleteFlag) == 632 &&
                  offsetof(KelNetSQLDatabase_t, ArchiveGroupNameId) == 640 &&
                  offsetof(KelNetSQLDatabase_t, SystemFlags) == 648,
              "KelNetSQLDatabase_t offsets");
static_assert(sizeof(KelNetSQLDatabaseReq_t) == 664 && offsetof(KelNetSQLDatabaseReq_t, Database) == 8,
              "KelNetSQLDatabaseReq_t layout");
static_assert(sizeof(KelNetSQLDatabaseRsp_t) == 1216 && offsetof(KelNetSQLDatabaseRsp_t, Database) == 560,
              "KelNetSQLDatabaseRsp_t layout");
static_assert(sizeof(KelNetSQLDatabaseInfo_t) == 129, "KelNetSQLDatabaseInfo_t size");

class KelNetSQLDatabase : public KelNetSQLMessage<KelNetSQLDatabase, KelNetSQLDatabaseReq_t, KelNetSQLDatabaseRsp_t,
                                                  0x1E000003, 0x1E000004> {
public:
    static constexpr const char* kClassName = "KelNetSQLDatabase";
    static constexpr const char* kRequestName = "KelNetDatabase Request";
    static constexpr const char* kResponseName = "KelNetDatabase Response";

    KelNetSQLDatabase(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLMessage(ctx, terminate) {}
    KelNetSQLDatabase(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLMessage(ctx, messageId, request) {}

    void printSQLDatabase(const KelNetSQLDatabase_t* record);
    // Answering side: runs the operation of the request's code on a
    // KelSQLDatabase in reply mode. The catalogue's codes are the Ostrel's,
    // the comparison with the live instance is the agent host's, and a
    // registration is answered on both (an agent host relays it).
    bool answer(KelNetSQLDatabaseReq_t& req, KelNetSQLDatabaseRsp_t& rsp);
    static kelsql::AnswerSide answerSide(const KelNetSQLDatabaseReq_t& req);
    void dumpRequest(const char* fn, const KelNetSQLDatabaseReq_t& req);
    void dumpResponse(const char* fn, const KelNetSQLDatabaseRsp_t& rsp);
};

// One change of one allow-flag bit of a database.
struct KelNetSQLDBFlagsReq_t {
    uint64_t sqlDatabaseId;
    uint64_t Flag;   // the bit number
    uint64_t State;  // 1 set, 0 clear
};
struct KelNetSQLDBFlagsRsp_t {
    KelNetSQLOPStatus_t Status;
};
static_assert(sizeof(KelNetSQLDBFlagsReq_t) == 24 && offsetof(KelNetSQLDBFlagsReq_t, Flag) == 8 &&
                  offsetof(KelNetSQLDBFlagsReq_t, State) == 16,
              "KelNetSQLDBFlagsReq_t layout");
static_assert(sizeof(KelNetSQLDBFlagsRsp_t) == 560, "KelNetSQLDBFlagsRsp_t size");

class KelNetSQLDBFlags : public KelNetSQLMessage<KelNetSQLDBFlags, KelNetSQLDBFlagsReq_t, KelNetSQLDBFlagsRsp_t,
                                                 0x1E00001F, 0x1E000020> {
public:
    static constexpr const char* kClassName = "KelNetSQLDBFlags";
    static constexpr const char* kRequestName = "KelNetSQLDBFlagsReq";
    static constexpr const char* kResponseName = "KelNetSQLDBFlagsRsp";

    KelNetSQLDBFlags(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLMessage(ctx, terminate) {}
    KelNetSQLDBFlags(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLMessage(ctx, messageId, request) {}

    // Sends the filled request; the status block's verdict, the sender's
    // error in getLastError() on failure.
    bool network();
    // Answering side (the Ostrel): the database's updateFlag.
    bool answer(KelNetSQLDBFlagsReq_t& req, KelNetSQLDBFlagsRsp_t& rsp);
    void dumpRequest(const char* fn, const KelNetSQLDBFlagsReq_t& req);
};
