#include "platform/net/KelPeerProof.h"

#include <cstring>
#include <sodium.h>
#include <vector>

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
static_assert(kTagBytes == crypto_aead_aes256gcm_ABYTES, "AES tag size");
static_assert(kProofKeyBytes == crypto_aead_aes256gcm_KEYBYTES, "AES frame key size");
static_assert(crypto_aead_aes256gcm_NPUBBYTES == crypto_aead_chacha20poly1305_ietf_NPUBBYTES, "nonce size");
static_assert(sizeof(crypto_aead_aes256gcm_state) == sizeof(FrameKeys::sendState) &&
                  alignof(crypto_aead_aes256gcm_state) <= 16,
              "AES state room");

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

// label || Ni || Nr || offer || choice under the proof key: the proofs and
// the frame keys cover which tags the two ends agreed on.
void labelled(const ProofKey& key, const char* label, const unsigned char* initiator, const unsigned char* responder,
              const unsigned char* suites, unsigned char* out) {
    const FramePiece pieces[] = {{initiator, kChallengeBytes}, {responder, kChallengeBytes}, {suites, 2}};
    mac(key.bytes(), FramePiece{label, std::strlen(label)}, pieces, 3, out);
}

crypto_aead_aes256gcm_state* aesState(unsigned char* room) {
    return reinterpret_cast<crypto_aead_aes256gcm_state*>(room);
}

void deriveFrameKeys(const ProofKey& key, const unsigned char* initiator, const unsigned char* responder,
                     const unsigned char* suites, bool asInitiator, FrameKeys& keys) {
    keys.wipe();
    unsigned char* fromInitiator = asInitiator ? keys.send : keys.receive;
    unsigned char* fromResponder = asInitiator ? keys.receive : keys.send;
    labelled(key, kInitiatorFrames, initiator, responder, suites, fromInitiator);
    labelled(key, kResponderFrames, initiator, responder, suites, fromResponder);
    keys.suite = suites[1];
    if (keys.suite == kTagAesGcm) {
        crypto_aead_aes256gcm_beforenm(aesState(keys.sendState), keys.send);
        crypto_aead_aes256gcm_beforenm(aesState(keys.receiveState), keys.receive);
    }
    keys.ready = true;
}

// The 8 bytes that open a hello (suite: the offer) or a challenge (suite:
// the choice).
void header(unsigned char* out, unsigned char suite) {
    std::memcpy(out, kMagic, sizeof(kMagic));
    out[4] = kProofVersion;
    out[5] = suite;
    out[6] = out[7] = 0;
}

bool headerOk(const unsigned char* in, unsigned char& suite) {
    if (std::memcmp(in, kMagic, sizeof(kMagic)) != 0 || in[4] != kProofVersion || in[6] != 0 || in[7] != 0 ||
        in[5] > kTagAesGcm)
        return false;
    suite = in[5];
    return true;
}

// A frame's tag is AES-256-GCM's or ChaCha20-Poly1305's, with the frame as
// the additional data and nothing to encrypt; the nonce is the frame's
// sequence number (8 bytes little-endian, then 4 zero bytes), never repeated
// under one key. The frame must be one run of bytes: pieces are joined first,
// into scratch.
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

bool aesTagsAvailable() {
    static const bool available = sodiumReady() && crypto_aead_aes256gcm_is_available() == 1;
    return available;
}

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
    if (!sodiumReady()) {
        why = "the cipher library cannot start";
        return false;
    }
    unsigned char key[KelPassword::kKeyBytes];
    KelPassword::KeyFile found = KelPassword::readKey(key);
    if (found != KelPassword::KeyFile::kFound) {
        why = KelPassword::keyFileProblem(found);
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
    if (suite == kTagAesGcm) {
        sodium_memzero(sendState, sizeof(sendState));
        sodium_memzero(receiveState, sizeof(receiveState));
    }
    sendSequence = receiveSequence = 0;
    suite = kTagChaChaPoly;
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
    if (keys.suite == kTagAesGcm)
        crypto_aead_aes256gcm_encrypt_detached_afternm(none, tag, &tagLength, nullptr, 0, frame, size, nullptr, nonce,
                                                       aesState(keys.sendState));
    else
        crypto_aead_chacha20poly1305_ietf_encrypt_detached(none, tag, &tagLength, nullptr, 0, frame, size, nullptr,
                                                           nonce, keys.send);
}

bool checkReceivedFrame(FrameKeys& keys, const FramePiece* pieces, size_t count, const unsigned char* tag) {
    if (!keys.ready) return false;
    size_t size = 0;
    std::vector<unsigned char> scratch;
    const unsigned char* frame = joined(pieces, count, scratch, size);
    unsigned char nonce[crypto_aead_chacha20poly1305_ietf_NPUBBYTES];
    nonceOf(keys.receiveSequence, nonce);
    const unsigned char none[1] = {0};  // the empty message's place
    const bool match =
        (keys.suite == kTagAesGcm
             ? crypto_aead_aes256gcm_decrypt_detached_afternm(nullptr, nullptr, none, 0, tag, frame, size, nonce,
                                                              aesState(keys.receiveState))
             : crypto_aead_chacha20poly1305_ietf_decrypt_detached(nullptr, nullptr, none, 0, tag, frame, size, nonce,
                                                                  keys.receive)) == 0;
    if (match) ++keys.receiveSequence;
    return match;
}

ProofInitiator::ProofInitiator(const ProofKey& key, bool offerAes)
    : key_(key), offerAes_(offerAes && aesTagsAvailable()) {
    std::memset(mine_, 0, sizeof(mine_));
}

ProofInitiator::~ProofInitiator() { sodium_memzero(mine_, sizeof(mine_)); }

void ProofInitiator::hello(unsigned char* out) {
    sodiumReady();
    randombytes_buf(mine_, sizeof(mine_));
    header(out, offerAes_ ? kTagAesGcm : kTagChaChaPoly);
    std::memcpy(out + 8, mine_, sizeof(mine_));
}

bool ProofInitiator::answer(const unsigned char* challenge, unsigned char* proof, FrameKeys& keys) {
    keys.wipe();
    unsigned char choice = 0;
    if (!key_.loaded() || !headerOk(challenge, choice)) return false;
    if (choice == kTagAesGcm && !offerAes_) return false;  // not what was offered
    const unsigned char suites[2] = {offerAes_ ? kTagAesGcm : kTagChaChaPoly, choice};
    const unsigned char* theirs = challenge + 8;
    unsigned char expected[kProofBytes];
    labelled(key_, kResponderProof, mine_, theirs, suites, expected);
    if (crypto_verify_32(expected, challenge + 8 + kChallengeBytes) != 0) return false;
    labelled(key_, kInitiatorProof, mine_, theirs, suites, proof);
    deriveFrameKeys(key_, mine_, theirs, suites, true, keys);
    return true;
}

ProofResponder::ProofResponder(const ProofKey& key, bool acceptAes)
    : key_(key), acceptAes_(acceptAes && aesTagsAvailable()) {
    std::memset(theirs_, 0, sizeof(theirs_));
    std::memset(mine_, 0, sizeof(mine_));
}

ProofResponder::~ProofResponder() {
    sodium_memzero(theirs_, sizeof(theirs_));
    sodium_memzero(mine_, sizeof(mine_));
}

bool ProofResponder::challenge(const unsigned char* hello, unsigned char* out) {
    challenged_ = false;
    unsigned char offer = 0;
    if (!key_.loaded() || !headerOk(hello, offer)) return false;
    sodiumReady();
    suites_[0] = offer;
    suites_[1] = offer == kTagAesGcm && acceptAes_ ? kTagAesGcm : kTagChaChaPoly;
    std::memcpy(theirs_, hello + 8, sizeof(theirs_));
    randombytes_buf(mine_, sizeof(mine_));
    header(out, suites_[1]);
    std::memcpy(out + 8, mine_, sizeof(mine_));
    labelled(key_, kResponderProof, theirs_, mine_, suites_, out + 8 + kChallengeBytes);
    challenged_ = true;
    return true;
}

bool ProofResponder::check(const unsigned char* proof, FrameKeys& keys) {
    keys.wipe();
    if (!challenged_) return false;
    unsigned char expected[kProofBytes];
    labelled(key_, kInitiatorProof, theirs_, mine_, suites_, expected);
    // One proof per challenge: a second try on the same connection gets no
    // second chance at the same nonces.
    challenged_ = false;
    if (crypto_verify_32(expected, proof) != 0) return false;
    deriveFrameKeys(key_, theirs_, mine_, suites_, false, keys);
    return true;
}

}  // namespace kel::net
