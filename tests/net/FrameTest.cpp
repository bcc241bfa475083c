#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/net/KelFrame.h"
#include "platform/util/BoundedCopy.h"

using namespace kel::net;

namespace {

std::vector<char> sampleFrame() {
    FrameHeader h = makeHeader(kFrameRequest);
    h.family = 0x1E000000;
    h.type = 0x1E000009;
    h.messageId = 77;
    kel::copyWholeField(h.dllName, "sLNSQL");
    kel::copyWholeField(h.entryPoint, "sLPSQLMSG");
    std::string record(560, 'r'), payload(33, 'p');
    return encodeFrame(h, record.data(), record.size(), payload.data(), payload.size());
}

}  // namespace

TEST(FrameTest, RoundTripKeepsHeaderRecordAndPayload) {
    std::vector<char> bytes = sampleFrame();
    ASSERT_EQ(bytes.size(), sizeof(FrameHeader) + 560 + 33);
    Frame f;
    ASSERT_EQ(parseFrame(bytes.data(), bytes.size(), f), FrameStatus::kOk);
    EXPECT_EQ(f.header.type, 0x1E000009u);
    EXPECT_EQ(f.header.messageId, 77u);
    EXPECT_EQ(kel::fieldText(f.header.entryPoint), "sLPSQLMSG");
    EXPECT_EQ(std::string(f.record.begin(), f.record.end()), std::string(560, 'r'));
    EXPECT_EQ(std::string(f.payload.begin(), f.payload.end()), std::string(33, 'p'));
}

TEST(FrameTest, EveryShortenedFrameIsTruncatedAndALongerOneRefused) {
    std::vector<char> bytes = sampleFrame();
    Frame f;
    for (size_t n = 0; n < bytes.size(); ++n) {
        // A copy of exactly n bytes, so a read past it would show under ASan.
        std::vector<char> cut(bytes.begin(), bytes.begin() + n);
        ASSERT_EQ(parseFrame(cut.data(), cut.size(), f), FrameStatus::kTruncated) << n;
    }
    bytes.push_back('x');
    EXPECT_EQ(parseFrame(bytes.data(), bytes.size(), f), FrameStatus::kBadLength);
}

TEST(FrameTest, HeaderFaultsAreNamedAndNeverEncoded) {
    Frame f;
    auto check = [&](void (*spoil)(FrameHeader&), FrameStatus expected) {
        std::vector<char> bytes = sampleFrame();
        spoil(*reinterpret_cast<FrameHeader*>(bytes.data()));
        EXPECT_EQ(parseFrame(bytes.data(), bytes.size(), f), expected);
    };
    check([](FrameHeader& h) { h.magic ^= 1; }, FrameStatus::kBadMagic);
    check([](FrameHeader& h) { h.version = 2; }, FrameStatus::kBadVersion);
    check([](FrameHeader& h) { h.kind = 9; }, FrameStatus::kBadKind);
    check([](FrameHeader& h) { h.recordLength = kMaxRecordLength + 1; }, FrameStatus::kBadLength);
    check([](FrameHeader& h) { h.payloadLength = 0xFFFFFFFFu; }, FrameStatus::kBadLength);
    check([](FrameHeader& h) { std::memset(h.entryPoint, 'e', sizeof(h.entryPoint)); }, FrameStatus::kBadName);
    // The encoder refuses what the reader would refuse.
    EXPECT_TRUE(encodeFrame(makeHeader(kFrameResponse), nullptr, kMaxRecordLength + 1, nullptr, 0).empty());
    EXPECT_TRUE(encodeFrame(makeHeader(kFrameResponse), nullptr, 10, nullptr, 0).empty());
}
