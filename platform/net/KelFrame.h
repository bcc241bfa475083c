// The wire frame of the platform's messaging: a fixed header, the record byte
// for byte, then an optional trailing payload for data a record references
// outside itself. Requests and responses share the form; a list reply is a run
// of response frames of one message id, all but the last flagged "more".
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kel::net {

inline constexpr uint32_t kFrameMagic = 0x464C454B;  // "KELF" on the wire
inline constexpr uint16_t kFrameVersion = 1;
// Bounds a peer cannot exceed, and so what one session may buffer. The
// largest record of any message is a list packet or id list of under 15 KiB
// (longer lists travel as several packets) and trailing data is a few texts:
// 64 KiB each leaves four times the need.
inline constexpr uint32_t kMaxRecordLength = 64u << 10;
inline constexpr uint32_t kMaxPayloadLength = 64u << 10;

enum FrameKind : uint16_t {
    kFrameRequest = 1,
    kFrameResponse = 2,
    kFrameFailure = 3,  // the dispatcher's own answer when no handler answered
};

enum FrameFlag : uint32_t {
    kFlagTerminate = 0x1,    // the session ends after this exchange
    kFlagMoreFollows = 0x2,  // further response packets of this message follow
};

// Platform error numbers of the messaging layer.
inline constexpr uint64_t kErrNetConnect = 0x0A000030;
inline constexpr uint64_t kErrNetUnknownHost = 0x0A000031;
inline constexpr uint64_t kErrNetSend = 0x0A000032;
inline constexpr uint64_t kErrNetReceive = 0x0A000033;
inline constexpr uint64_t kErrNetTimeout = 0x0A000034;
inline constexpr uint64_t kErrNetBadFrame = 0x0A000035;
inline constexpr uint64_t kErrNetUnexpected = 0x0A000036;
inline constexpr uint64_t kErrNetHandler = 0x0A000037;
inline constexpr uint64_t kErrNetNotInitialized = 0x0A000038;
inline constexpr uint64_t kErrNetAddress = 0x0A000039;
// The peer ended the session while a network transaction was open on it.
inline constexpr uint64_t kErrNetSessionLost = 0x0A00003A;
// A session lent to the handler that answers a request on it was asked to
// connect, close or take a new state before the answer went out.
inline constexpr uint64_t kErrNetSessionAnswering = 0x0A00003B;
// The peer did not prove that it holds the installation key, or a frame
// failed its tag.
inline constexpr uint64_t kErrNetProof = 0x0A00003C;
// This home holds no installation key (or one that cannot be read).
inline constexpr uint64_t kErrNetNoKey = 0x0A00003D;

// True for a platform error number (a facility byte, a zero byte, a code):
// only such a number may leave in a failure frame, never an arbitrary value
// a handler returned.
constexpr bool isErrorNumber(uint64_t number) {
    return number <= 0x7FFFFFFFu && (number >> 24) != 0 && ((number >> 16) & 0xFF) == 0;
}

struct FrameHeader {
    uint32_t magic;
    uint16_t version;
    uint16_t kind;
    uint64_t family;
    uint64_t type;
    uint64_t messageId;
    uint32_t flags;
    uint32_t packetIndex;    // 0 for the request and the first response packet
    uint32_t recordLength;
    uint32_t payloadLength;
    uint64_t status;         // failure frames: the platform error number
    char dllName[64];        // handler library the dispatcher loads
    char entryPoint[64];     // its C entry point
};
static_assert(sizeof(FrameHeader) == 184, "frame header layout");
static_assert(offsetof(FrameHeader, family) == 8, "frame header layout");
static_assert(offsetof(FrameHeader, type) == 16, "frame header layout");
static_assert(offsetof(FrameHeader, messageId) == 24, "frame header layout");
static_assert(offsetof(FrameHeader, flags) == 32, "frame header layout");
static_assert(offsetof(FrameHeader, recordLength) == 40, "frame header layout");
static_assert(offsetof(FrameHeader, payloadLength) == 44, "frame header layout");
static_assert(offsetof(FrameHeader, status) == 48, "frame header layout");
static_assert(offsetof(FrameHeader, dllName) == 56, "frame header layout");
static_assert(offsetof(FrameHeader, entryPoint) == 120, "frame header layout");

enum class FrameStatus {
    kOk,
    kTruncated,       // fewer bytes than the header or its lengths announce
    kBadMagic,
    kBadVersion,
    kBadKind,
    kBadLength,       // a length over the bounds, or bytes beyond the frame
    kBadName,         // a name field without its terminator
    kBadTag,          // a whole frame whose tag does not match its bytes
};

const char* frameStatusText(FrameStatus status);

struct Frame {
    FrameHeader header{};
    std::vector<char> record;
    std::vector<char> payload;
};

// A header ready to fill: magic, version and kind set, everything else zero.
FrameHeader makeHeader(FrameKind kind);

// Checks a received header on its own (the record and payload still to come).
FrameStatus checkHeader(const FrameHeader& header);

// Reads one whole frame from data; size must be exactly the frame.
FrameStatus parseFrame(const void* data, size_t size, Frame& out);

// The frame as bytes: header (with the lengths set from the parts), record,
// payload. Lengths over the bounds give an empty result. room is capacity
// kept beyond the frame for what follows it (its tag), so that appending it
// copies nothing.
std::vector<char> encodeFrame(const FrameHeader& header, const void* record, size_t recordLength,
                              const void* payload, size_t payloadLength, size_t room = 0);
// The same into out, replacing what it held but keeping its room: a session
// that sends frame after frame need not allocate for each. False, out
// emptied, where encodeFrame gives an empty result.
bool encodeFrameInto(std::vector<char>& out, const FrameHeader& header, const void* record, size_t recordLength,
                     const void* payload, size_t payloadLength, size_t room = 0);

}  // namespace kel::net
