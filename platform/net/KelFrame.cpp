#include "platform/net/KelFrame.h"

#include <cstring>

namespace kel::net {

namespace {

bool terminated(const char* field, size_t size) { return std::memchr(field, '\0', size) != nullptr; }

}  // namespace

const char* frameStatusText(FrameStatus status) {
    switch (status) {
        case FrameStatus::kOk: return "ok";
        case FrameStatus::kTruncated: return "truncated frame";
        case FrameStatus::kBadMagic: return "bad magic";
        case FrameStatus::kBadVersion: return "unsupported frame version";
        case FrameStatus::kBadKind: return "unknown frame kind";
        case FrameStatus::kBadLength: return "frame length out of bounds";
        case FrameStatus::kBadName: return "unterminated handler name";
        case FrameStatus::kBadTag: return "a frame that failed its tag";
    }
    return "unknown frame status";
}

FrameHeader makeHeader(FrameKind kind) {
    FrameHeader h;
    std::memset(&h, 0, sizeof(h));
    h.magic = kFrameMagic;
    h.version = kFrameVersion;
    h.kind = kind;
    return h;
}

FrameStatus checkHeader(const FrameHeader& h) {
    if (h.magic != kFrameMagic) return FrameStatus::kBadMagic;
    if (h.version != kFrameVersion) return FrameStatus::kBadVersion;
    if (h.kind < kFrameRequest || h.kind > kFrameFailure) return FrameStatus::kBadKind;
    if (h.recordLength > kMaxRecordLength || h.payloadLength > kMaxPayloadLength)
        return FrameStatus::kBadLength;
    if (!terminated(h.dllName, sizeof(h.dllName)) || !terminated(h.entryPoint, sizeof(h.entryPoint)))
        return FrameStatus::kBadName;
    return FrameStatus::kOk;
}

FrameStatus parseFrame(const void* data, size_t size, Frame& out) {
    if (!data || size < sizeof(FrameHeader)) return FrameStatus::kTruncated;
    const char* bytes = static_cast<const char*>(data);
    std::memcpy(&out.header, bytes, sizeof(FrameHeader));
    FrameStatus status = checkHeader(out.header);
    if (status != FrameStatus::kOk) return status;
    // Both lengths are bounded above, so the sum cannot overflow size_t.
    size_t body = size_t{out.header.recordLength} + out.header.payloadLength;
    size_t rest = size - sizeof(FrameHeader);
    if (rest < body) return FrameStatus::kTruncated;
    if (rest > body) return FrameStatus::kBadLength;
    const char* record = bytes + sizeof(FrameHeader);
    out.record.assign(record, record + out.header.recordLength);
    const char* payload = record + out.header.recordLength;
    out.payload.assign(payload, payload + out.header.payloadLength);
    return FrameStatus::kOk;
}

bool encodeFrameInto(std::vector<char>& out, const FrameHeader& header, const void* record, size_t recordLength,
                     const void* payload, size_t payloadLength, size_t room) {
    out.clear();
    if (recordLength > kMaxRecordLength || payloadLength > kMaxPayloadLength) return false;
    if ((recordLength && !record) || (payloadLength && !payload)) return false;
    FrameHeader h = header;
    h.recordLength = static_cast<uint32_t>(recordLength);
    h.payloadLength = static_cast<uint32_t>(payloadLength);
    out.reserve(sizeof(h) + recordLength + payloadLength + room);
    const char* head = reinterpret_cast<const char*>(&h);
    out.insert(out.end(), head, head + sizeof(h));
    const char* r = static_cast<const char*>(record);
    if (recordLength) out.insert(out.end(), r, r + recordLength);
    const char* p = static_cast<const char*>(payload);
    if (payloadLength) out.insert(out.end(), p, p + payloadLength);
    return true;
}

std::vector<char> encodeFrame(const FrameHeader& header, const void* record, size_t recordLength,
                              const void* payload, size_t payloadLength, size_t room) {
    std::vector<char> out;
    encodeFrameInto(out, header, record, recordLength, payload, payloadLength, room);
    return out;
}

}  // namespace kel::net
