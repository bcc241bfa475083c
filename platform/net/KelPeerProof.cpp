#include "platform/net/KelPeerProof.h"

#include <cstring>
#include <sodium.h>
#include <vector>

#include "platform/util/KelHome.h"
#include "platform/util/KelPassword.h"

namespace kel::net {

namespace {

static_assert(kProofKeyBytes >= crypto_generichash_KEYBYTES_MIN && kProofKeyBytes <= crypto_generichash_KEYBYTES_MAX,
              "proof key size");
static_assert(kProofBytes >= crypto_generichash_BYTES_MIN && kProofBytes <= crypto_generichash_BYTES_MAX,
              "proof size");
static_assert(kProofBytes == kProofKeyBytes, "frame keys are proof MACs");
static_assert(kTagBytes == crypto_aead_chacha20poly1305_ietf_ABYTES, "tag size");
static_assert(kProofKeyBytes == crypto_aead_chacha20poly1305_ietf_KEYBYTES, "frame key size");
static_assert(kProofKeyBytes == crypto_kdf_KEYBYTES, "derived key size");
static_assert(KelPassword::kKeyBytes == crypto_kdf_KEYBYTES, "installation key size");

constexpr unsigned char kMagic[4] = {'K', 'E', 'L', 'A'};
constexpr char kKdfContext[crypto_kdf_CONTEXTBYTES] = {'K', 'E', 'L', 'P', 'R', 'O', 'O', 'F'};
constexpr uint64_t kKdfSubkeyId = 1;

// The labels keep each MAC made with the proof key apart from the others.
constexpr const char* kResponderProof = "KELA responder proof";
constexpr const char* kInitiatorProof = "KELA initiator proof";
constexpr const char* kInitiatorFrames = "KELA initiator frames";
constexpr const char* kResponderFrames = "KELA responder frames";

bool sodiumReady() {
    static const bool ready = sodium_init() >= 0;
    return ready;
}

// Keyed BLAKE2b-256 over a prefix and the pieces in order: the MAC of the
// proof, and the frame keys.
void mac(const unsigned char* key, const FramePiece& prefix, const FramePiece* pieces, size_t count,
         unsigned char* out) {
    crypto_generichash_state state;
    crypto_generichash_init(&state, key, kProofKeyBytes, kProofBytes);
    crypto_generichash_update(&state, static_cast<const unsigned char*>(prefix.data), prefix.size);
    for (size_t i = 0; i < count; ++i)
        if (pieces[i].size)
            crypto_generichash_update(&state, static_cast<const unsigned char*>(pieces[i].data), pieces[i].size);
    crypto_generichash_final(&state, out, kProofBytes);
    sodium_memzero(&state, sizeof(state));
}

// label || Ni || Nr under the proof key.
void labelled(const ProofKey& key, const char* label, const unsigned char* initiator, const unsigned char* responder,
              unsigned char* out) {
    const FramePiece nonces[] = {{initiator, kChallengeBytes}, {responder, kChallengeBytes}};
    mac(key.bytes(), FramePiece{label, std::strlen(label)}, nonces, 2, out);
}

void deriveFrameKeys(const ProofKey& key, const unsigned char* initiator, const unsigned char* responder,
                     bool asInitiator, FrameKeys& keys) {
    keys.wipe();
    unsigned char* fromInitiator = asInitiator ? keys.send : keys.receive;
    unsigned char* fromResponder = asInitiator ? keys.receive : keys.send;
    labelled(key, kInitiatorFrames, initiator, responder, fromInitiator);
    labelled(key, kResponderFrames, initiator, responder, fromResponder);
    keys.ready = true;
}

void header(unsigned char* out) {
    std::memcpy(out, kMagic, sizeof(kMagic));
    out[4] = kProofVersion;
    out[5] = out[6] = out[7] = 0;
}

bool headerOk(const unsigned char* in) {
    unsigned char expected[8];
    header(expected);
    return std::memcmp(in, expected, sizeof(expected)) == 0;
}

// A frame's tag is ChaCha20-Poly1305's, with the frame as the additional
// data and nothing to encrypt; the nonce is the frame's sequence number (8
// bytes little-endian, then 4 zero bytes), never repeated under one key. The
// frame must be one run of bytes: pieces are joined first, into scratch.
const unsigned char* joined(const FramePiece* pieces, size_t count, std::vector<unsigned char>& scratch,
                            size_t& size) {
    if (count == 1) {
        size = pieces[0].size;
        return static_cast<const unsigned char*>(pieces[0].data);
    }
    size_t total = 0;
    for (size_t i = 0; i < count; ++i) total += pieces[i].size;
    scratch.reserve(total);
    for (size_t i = 0; i < count; ++i) {
        const auto* bytes = static_cast<const unsigned char*>(pieces[i].data);
        scratch.insert(scratch.end(), bytes, bytes + pieces[i].size);
    }
    size = scratch.size();
    return scratch.data();
}

void nonceOf(uint64_t sequence, unsigned char* nonce) {
    std::memset(nonce, 0, crypto_aead_chacha20poly1305_ietf_NPUBBYTES);
    for (int i = 0; i < 8; ++i) nonce[i] = static_cast<unsigned char>(sequence >> (8 * i));
}

}  // namespace

ProofKey::ProofKey() { std::memset(bytes_, 0, sizeof(bytes_)); }

ProofKey::~ProofKey() { sodium_memzero(bytes_, sizeof(bytes_)); }

ProofKey::ProofKey(const ProofKey& other) : loaded_(other.loaded_) { std::memcpy(bytes_, other.bytes_, sizeof(bytes_)); }

ProofKey& ProofKey::operator=(const ProofKey& other) {
    std::memcpy(bytes_, other.bytes_, sizeof(bytes_));
    loaded_ = other.loaded_;
    return *this;
}

bool ProofKey::load(std::string& why) {
    loaded_ = false;
    const std::string path = kel::homePath(KelPassword::keyRelativePath());
    if (!sodiumReady()) {
        why = "the cipher library cannot start";
        return false;
    }
    unsigned char key[KelPassword::kKeyBytes];
    KelPassword::KeyFile found = KelPassword::readKey(key);
    if (found != KelPassword::KeyFile::kFound) {
        why = found == KelPassword::KeyFile::kMissing
                  ? "no installation key " + path + " (create it with kel-key create, or copy the Ostrel's)"
                  : "the installation key " + path + " cannot be read or is not 32 bytes";
        return false;
    }
    derive(key);
    sodium_memzero(key, sizeof(key));
    return true;
}

void ProofKey::derive(const unsigned char* installationKey) {
    sodiumReady();
    crypto_kdf_derive_from_key(bytes_, sizeof(bytes_), kKdfSubkeyId, kKdfContext, installationKey);
    loaded_ = true;
}

std::string ProofKey::fingerprint() const {
    static const char* kLabel = "KELA fingerprint";
    unsigned char digest[16];
    crypto_generichash(digest, sizeof(digest), reinterpret_cast<const unsigned char*>(kLabel), std::strlen(kLabel),
                       bytes_, sizeof(bytes_));
    char hex[sizeof(digest) * 2 + 1];
    sodium_bin2hex(hex, sizeof(hex), digest, sizeof(digest));
    return hex;
}

FrameKeys::FrameKeys() { wipe(); }

void FrameKeys::wipe() {
    sodium_memzero(send, sizeof(send));
    sodium_memzero(receive, sizeof(receive));
    sendSequence = receiveSequence = 0;
    ready = false;
}

void tagSentFrame(FrameKeys& keys, const FramePiece* pieces, size_t count, unsigned char* tag) {
    size_t size = 0;
    std::vector<unsigned char> scratch;
    const unsigned char* frame = joined(pieces, count, scratch, size);
    unsigned char nonce[crypto_aead_chacha20poly1305_ietf_NPUBBYTES];
    nonceOf(keys.sendSequence++, nonce);
    unsigned long long tagLength = 0;
    unsigned char none[1];  // the empty message's place: nothing is written there
    crypto_aead_chacha20poly1305_ietf_encrypt_detached(none, tag, &tagLength, nullptr, 0, frame, size, nullptr, nonce,
                                                       keys.send);
}

bool checkReceivedFrame(FrameKeys& keys, const FramePiece* pieces, size_t count, const unsigned char* tag) {
    if (!keys.ready) return false;
    size_t size = 0;
    std::vector<unsigned char> scratch;
    const unsigned char* frame = joined(pieces, count, scratch, size);
    unsigned char nonce[crypto_aead_chacha20poly1305_ietf_NPUBBYTES];
    nonceOf(keys.receiveSequence, nonce);
    const unsigned char none[1] = {0};  // the empty message's place
    const bool match = crypto_aead_chacha20poly1305_ietf_decrypt_detached(nullptr, nullptr, none, 0, tag, frame, size,
                                                                           nonce, keys.receive) == 0;
    if (match) ++keys.receiveSequence;
    return match;
}

ProofInitiator::ProofInitiator(const ProofKey& key) : key_(key) { std::memset(mine_, 0, sizeof(mine_)); }

ProofInitiator::~ProofInitiator() { sodium_memzero(mine_, sizeof(mine_)); }

void ProofInitiator::hello(unsigned char* out) {
    sodiumReady();
    randombytes_buf(mine_, sizeof(mine_));
    header(out);
    std::memcpy(out + 8, mine_, sizeof(mine_));
}

bool ProofInitiator::answer(const unsigned char* challenge, unsigned char* proof, FrameKeys& keys) {
    keys.wipe();
    if (!key_.loaded() || !headerOk(challenge)) return false;
    const unsigned char* theirs = challenge + 8;
    unsigned char expected[kProofBytes];
    labelled(key_, kResponderProof, mine_, theirs, expected);
    if (crypto_verify_32(expected, challenge + 8 + kChallengeBytes) != 0) return false;
    labelled(key_, kInitiatorProof, mine_, theirs, proof);
    deriveFrameKeys(key_, mine_, theirs, true, keys);
    return true;
}

ProofResponder::ProofResponder(const ProofKey& key) : key_(key) {
    std::memset(theirs_, 0, sizeof(theirs_));
    std::memset(mine_, 0, sizeof(mine_));
}

ProofResponder::~ProofResponder() {
    sodium_memzero(theirs_, sizeof(theirs_));
    sodium_memzero(mine_, sizeof(mine_));
}

bool ProofResponder::challenge(const unsigned char* hello, unsigned char* out) {
    challenged_ = false;
    if (!key_.loaded() || !headerOk(hello)) return false;
    sodiumReady();
    std::memcpy(theirs_, hello + 8, sizeof(theirs_));
    randombytes_buf(mine_, sizeof(mine_));
    header(out);
    std::memcpy(out + 8, mine_, sizeof(mine_));
    labelled(key_, kResponderProof, theirs_, mine_, out + 8 + kChallengeBytes);
    challenged_ = true;
    return true;
}

bool ProofResponder::check(const unsigned char* proof, FrameKeys& keys) {
    keys.wipe();
    if (!challenged_) return false;
    unsigned char expected[kProofBytes];
    labelled(key_, kInitiatorProof, theirs_, mine_, expected);
    // One proof per challenge: a second try on the same connection gets no
    // second chance at the same nonces.
    challenged_ = false;
    if (crypto_verify_32(expected, proof) != 0) return false;
    deriveFrameKeys(key_, theirs_, mine_, false, keys);
    return true;
}

}  // namespace kel::net
