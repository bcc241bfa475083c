// The base of every request/response message. One object is one end of an
// exchange: built with a platform base it initiates (sends the request and
// receives the response packets), built with a message id it answers the
// request in hand on its session (sends one or more response packets).
//
// The object owns its buffers and, when it was given no session, its own
// session; a lent session stays the lender's.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/events/KelLastError.h"
#include "platform/info/KelPlatformInfo.h"
#include "platform/net/CKelNetwork.h"

// Remote platform types a message can be addressed to.
enum KelNetRemoteType {
    KelNetRemoteNone = 0,
    KelNetRemoteOstrel = 1,
    KelNetRemoteDataAgent = 4,
};

class KelNetMessage {
public:
    KelNetMessage(KelPI_PlatformBase* base, CKelNetwork* session, bool terminate);
    KelNetMessage(CKelNetwork* session, unsigned long long messageId);
    virtual ~KelNetMessage();
    KelNetMessage(const KelNetMessage& other);
    KelNetMessage& operator=(const KelNetMessage& other);

    unsigned long long messageFamily = 0;
    unsigned long long requestType = 0;
    unsigned long long responseType = 0;

    // The nine operations every message class overrides in this order.
    virtual bool setRequestMessage(char* record);
    virtual bool setResponseMessage(char* record);
    virtual void printRequestMessage(char* record);
    virtual void printResponseMessage(char* record);
    virtual bool buildReply();
    virtual bool initialize(bool terminate);
    virtual bool initiate();
    virtual bool reply();
    virtual bool messageOperations();

    void setDLLName(const std::string& name);
    void setDLLEntryPointName(const std::string& name);
    const std::string& getDLLName() const { return dllName_; }
    const std::string& getDLLEntryPointName() const { return entryName_; }
    void enableTermination() { terminate_ = true; }
    void disableTermination() { terminate_ = false; }
    bool terminationEnabled() const { return terminate_; }

    bool setupSendData(size_t size);
    // Prepares the receive buffer. With expected > 0 a received record must
    // have exactly that size, and the buffer always holds that many bytes.
    // On the answering end it takes the request in hand from the session.
    bool setupReceiveData(size_t expected = 0);
    // Lets a received record be shorter than expected, down to shortest
    // bytes (a list packet that carries only its items): the buffer still
    // holds the expected size, zeros after what came; receivedLength() says
    // how much came.
    void acceptShorterResponse(size_t shortest) { shortestReceive_ = shortest; }
    size_t receivedLength() const { return receivedLength_; }
    char* getRequestMessage();
    char* getResponseMessage();
    size_t getRequestMessageLength() const;
    size_t getResponseMessageLength() const;
    // Data carried after the record: what the next frame sent will carry,
    // and what the last frame received carried.
    void setSendPayload(const void* data, size_t size);
    const std::vector<char>& getReceivedPayload() const { return receivePayload_; }

    bool classInitialized();
    bool isClassInitialized() const { return initialized_; }

    bool setRemotePlatform(const std::string& host, int type);
    bool setRemoteDataAgent(const std::string& host) { return setRemotePlatform(host, KelNetRemoteDataAgent); }
    bool setRemoteOstrel(const std::string& host) { return setRemotePlatform(host, KelNetRemoteOstrel); }
    bool setRemoteOstrel();
    std::string getRemoteHostName() const;
    int getRemotePlatformType() const { return remoteType_; }

    bool initiatorMode() const { return initiator_; }
    unsigned long long getMessageId() const { return messageId_; }

    // One request out (connecting first), one response packet in.
    bool send();
    bool receive();
    // After receive(): the responder said further packets follow.
    bool moreFollows() const { return moreFollows_; }
    // One response packet out; all but a list's last say more follows.
    bool sendReply() { return sendReply(false); }
    bool sendReply(bool moreFollows);

    bool connectionNeeded() const;
    bool disconnect();
    KelLastError& getLastError() { return error_; }
    CKelNetwork* getSession() { return session(); }

protected:
    KelLastError error_;

private:
    CKelNetwork* session();
    bool fail(uint64_t number, const char* function, const std::string& detail);
    void endExchange();
    // Connects (keeping an open connection) and sends the request frame.
    bool transmit(const std::string& host);
    // The connection this request was to reuse is closed, or the send on it
    // failed: the request never reached the host whole. Drop the connection
    // and send on a new one, unless a network transaction was lost with it.
    bool sendOnNewConnection(const char* function, const KelLastError& before);

    bool initiator_ = true;
    bool terminate_ = false;
    bool initialized_ = false;
    bool hasBase_ = false;
    KelPI_PlatformBase base_;
    CKelNetwork* lent_ = nullptr;
    std::unique_ptr<CKelNetwork> own_;
    unsigned long long messageId_ = 0;
    std::string dllName_;
    std::string entryName_;
    std::string remoteHost_;
    mutable std::string ostrelHost_;  // read once per message: a registry read per send is costly
    int remoteType_ = KelNetRemoteNone;
    std::vector<char> send_;
    std::vector<char> receive_;
    size_t expectedReceive_ = 0;
    size_t shortestReceive_ = 0;
    size_t receivedLength_ = 0;
    std::vector<char> sendPayload_;
    std::vector<char> receivePayload_;
    kel::net::Frame incoming_;  // the frame being received, its buffer kept between exchanges
    uint32_t packetIndex_ = 0;
    bool moreFollows_ = false;
};
