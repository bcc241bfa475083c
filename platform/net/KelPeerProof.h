// The proof that both ends of a connection hold the installation key, and the
// tag that authenticates every frame after it. Nothing here travels that the
// key could be found from: each end sends a fresh random challenge and a
// keyed MAC over both challenges, and the frame keys are derived from the
// same two challenges, so a recorded exchange is worth nothing on another
// connection. The exchange is written down byte by byte in the README.
//
//   initiator -> responder  hello      "KELA" 02 offer 00 00, Ni (32)
//   responder -> initiator  challenge  "KELA" 02 choice 00 00, Nr (32), Pr (32)
//   initiator -> responder  proof      Pi (32)
//   then each frame, either way: the frame's bytes, then its tag (16)
//
// The primitives are libsodium's: key derivation and keyed BLAKE2b for the
// proof; for the frames' tags (the frame as the additional data, nothing
// encrypted) AES-256-GCM where both ends' processors have the instructions
// for it (the offer and the choice, which the proofs cover), else
// ChaCha20-Poly1305; and the constant-time checks. This header includes none
// of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kel::net {

inline constexpr size_t kProofKeyBytes = 32;
inline constexpr size_t kChallengeBytes = 32;
inline constexpr size_t kProofBytes = 32;  // a proof's MAC
inline constexpr size_t kTagBytes = 16;    // a frame's tag
inline constexpr size_t kHelloBytes = 8 + kChallengeBytes;
inline constexpr size_t kChallengeReplyBytes = 8 + kChallengeBytes + kProofBytes;
inline constexpr unsigned char kProofVersion = 2;

// How a connection's frames are tagged: the hello's offer byte carries
// kTagAesGcm when the initiator can use it, the challenge's choice byte the
// one the responder chose.
inline constexpr unsigned char kTagChaChaPoly = 0;
inline constexpr unsigned char kTagAesGcm = 1;

// Whether this machine tags with AES-256-GCM: its processor has the AES and
// carry-less multiply instructions.
bool aesTagsAvailable();

// The key the proof and the frame keys are derived from: a subkey of the
// installation key, so that a MAC made here is never a MAC of the cipher's.
class ProofKey {
public:
    ProofKey();
    ~ProofKey();
    ProofKey(const ProofKey& other);
    ProofKey& operator=(const ProofKey& other);

    // Reads the installation key of the current platform home; never makes
    // one. False with why naming the file when it is missing or unreadable.
    bool load(std::string& why);
    // From an installation key's raw bytes (kProofKeyBytes of them).
    void derive(const unsigned char* installationKey);
    bool loaded() const { return loaded_; }
    const unsigned char* bytes() const { return bytes_; }
    // A short text two machines can compare to see that they hold the same
    // key, from which the key cannot be found.
    std::string fingerprint() const;

private:
    unsigned char bytes_[kProofKeyBytes];
    bool loaded_ = false;
};

// The keys and sequence numbers of one proven connection's frames.
struct FrameKeys {
    unsigned char send[kProofKeyBytes];
    unsigned char receive[kProofKeyBytes];
    // AES-256-GCM's expanded keys, when the connection tags with it.
    alignas(16) unsigned char sendState[512];
    alignas(16) unsigned char receiveState[512];
    uint64_t sendSequence = 0;
    uint64_t receiveSequence = 0;
    unsigned char suite = kTagChaChaPoly;
    bool ready = false;

    FrameKeys();
    ~FrameKeys() { wipe(); }
    FrameKeys(const FrameKeys&) = delete;
    FrameKeys& operator=(const FrameKeys&) = delete;
    void wipe();
};

// One contiguous piece of a frame, for tags over a frame kept in parts.
struct FramePiece {
    const void* data;
    size_t size;
};

// The tag of the next frame sent (advancing sendSequence) or expected
// (checked in constant time, advancing receiveSequence only on a match).
void tagSentFrame(FrameKeys& keys, const FramePiece* pieces, size_t count, unsigned char* tag);
bool checkReceivedFrame(FrameKeys& keys, const FramePiece* pieces, size_t count, const unsigned char* tag);

// The initiator's two steps: the hello it opens with, then its answer to the
// responder's challenge. answer() is false, nothing written, when the
// responder's proof is not a proof of the same key.
class ProofInitiator {
public:
    // offerAes: whether the hello offers AES-256-GCM tags.
    explicit ProofInitiator(const ProofKey& key, bool offerAes = aesTagsAvailable());
    ~ProofInitiator();
    ProofInitiator(const ProofInitiator&) = delete;
    ProofInitiator& operator=(const ProofInitiator&) = delete;
    void hello(unsigned char* out);
    bool answer(const unsigned char* challenge, unsigned char* proof, FrameKeys& keys);

private:
    const ProofKey& key_;
    const bool offerAes_;
    unsigned char mine_[kChallengeBytes];
};

// The responder's two steps: its challenge for a hello (false for anything
// that is not one), then the check of the initiator's proof.
class ProofResponder {
public:
    // acceptAes: whether an offer of AES-256-GCM tags is taken.
    explicit ProofResponder(const ProofKey& key, bool acceptAes = aesTagsAvailable());
    ~ProofResponder();
    ProofResponder(const ProofResponder&) = delete;
    ProofResponder& operator=(const ProofResponder&) = delete;
    bool challenge(const unsigned char* hello, unsigned char* out);
    bool check(const unsigned char* proof, FrameKeys& keys);

private:
    const ProofKey& key_;
    const bool acceptAes_;
    unsigned char theirs_[kChallengeBytes];
    unsigned char mine_[kChallengeBytes];
    unsigned char suites_[2] = {0, 0};  // the offer and the choice
    bool challenged_ = false;
};

}  // namespace kel::net
