// The network form of a catalogue transaction: a caller that cannot reach the
// catalogue database starts, commits, rolls back or asks the state of the
// transaction that the answering side holds for its session, and sets,
// releases or undoes savepoints inside it (writes that stand or fall
// together while the transaction goes on).
#pragma once

#include <cstddef>
#include <cstdint>

#include "KelSQL/KelNetSQLFrame.h"
#include "KelSQL/KelSQLClassProperties.h"

enum KelNetSQLDBTransCode : uint32_t {
    KelNetSQLDBTransStatus = 1,
    KelNetSQLDBTransStart = 2,
    KelNetSQLDBTransCommit = 3,
    KelNetSQLDBTransRollback = 4,
    KelNetSQLDBTransSavepoint = 5,
    KelNetSQLDBTransRelease = 6,  // keeps what was written since the savepoint
    KelNetSQLDBTransUndo = 7,     // takes it back; the transaction goes on
};

// The context's transaction status values.
using KelNetSQLDBTransState = uint32_t;

struct KelNetSQLDBTransactionReq_t {
    uint32_t TransactionCode;
};
struct KelNetSQLDBTransactionRsp_t {
    KelNetSQLOPStatus_t Status;
    uint32_t TransactionState;
};
static_assert(sizeof(KelNetSQLDBTransactionReq_t) == 4, "KelNetSQLDBTransactionReq_t size");
static_assert(sizeof(KelNetSQLDBTransactionRsp_t) == 568, "KelNetSQLDBTransactionRsp_t size");
static_assert(offsetof(KelNetSQLDBTransactionRsp_t, TransactionState) == 560, "KelNetSQLDBTransactionRsp_t offsets");

class KelNetSQLDBTransaction
    : public KelNetSQLMessage<KelNetSQLDBTransaction, KelNetSQLDBTransactionReq_t, KelNetSQLDBTransactionRsp_t,
                              0x1E000009, 0x1E00000A> {
public:
    static constexpr const char* kClassName = "KelNetSQLDBTransaction";
    static constexpr const char* kRequestName = "KelNet SQLDBTransactionReq";
    static constexpr const char* kResponseName = "KelNet SQLDBTransactionRsp";

    // Termination is always off: the transaction lives as long as the session.
    KelNetSQLDBTransaction(KelSQLClassProperties& ctx, bool terminate);
    KelNetSQLDBTransaction(KelSQLClassProperties& ctx, unsigned long long messageId, char* request);
    // Copies the message and the state; the context stays this message's own.
    KelNetSQLDBTransaction& operator=(const KelNetSQLDBTransaction& other);

    bool initialize(bool terminate) override;

    bool startTransaction();
    bool commitTransaction();
    bool rollbackTransaction();
    bool getTransactionStatus(KelNetSQLDBTransState* state);
    // Savepoints in the started transaction, innermost first; the peer
    // refuses them without one (0x1E000041).
    bool setSavepoint();
    bool releaseSavepoint();
    bool undoSavepoint();
    bool isTransactionStarted() const { return state_ == KelSQLTranStarted; }
    // Answering side: the context's status when it is 1 to 5, else 5 and false.
    bool getTransactionState(KelNetSQLDBTransState* state);
    // Ostrel side: addresses the message to the agent host of a client.
    bool setupRemoteDataAgentTransaction(const std::string& clientName);

    void takeState(const KelNetSQLDBTransaction& other) { state_ = other.state_; }
    KelNetSQLDBTransState lastKnownState() const { return state_; }
    // The names the dumps print ("START", "Rolled Back", ...).
    static const char* codeName(uint32_t code);
    static const char* stateName(uint32_t state);

    bool answer(KelNetSQLDBTransactionReq_t& req, KelNetSQLDBTransactionRsp_t& rsp);
    void dumpRequest(const char* fn, const KelNetSQLDBTransactionReq_t& req);
    void dumpResponse(const char* fn, const KelNetSQLDBTransactionRsp_t& rsp);

private:
    bool send(uint32_t code);

    KelNetSQLDBTransState state_ = KelSQLTranNone;
};
