// libFuzzer target for the frame reader: the bytes are read as one whole frame
// and as a stream of frames on a session, the way the dispatcher reads them.
//
//   CC=clang CXX=clang++ cmake -S . -B build/fuzz -DKEL_FUZZ=ON -DKEL_TESTS=OFF
//   cmake --build build/fuzz --target frame_fuzz -j8
//   build/fuzz/fuzz/frame_fuzz -max_total_time=60 -max_len=8192
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "FuzzHome.h"
#include "platform/net/CKelNetwork.h"
#include "platform/net/KelFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kel::net::Frame frame;
    if (kel::net::parseFrame(data, size, frame) == kel::net::FrameStatus::kOk) {
        // A frame that parses must encode back to the same bytes.
        std::vector<char> again = kel::net::encodeFrame(frame.header, frame.record.data(), frame.record.size(),
                                                         frame.payload.data(), frame.payload.size());
        if (again.size() != size || std::memcmp(again.data(), data, size) != 0) __builtin_trap();
    }

    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return 0;
    CKelNetwork session;
    session.attach(fds[0], "fuzz");
    kel::net::FrameKeys keys;
    if (!kel::fuzz::proveHostSession(session, fds[1], keys)) __builtin_trap();
    // The bytes come as a proven peer's frame would, tagged: what the reader
    // meets past the tag check is the fuzzer's.
    std::vector<char> bytes(data, data + size);
    bytes.resize(size + kel::net::kTagBytes);
    const kel::net::FramePiece whole{data, size};
    kel::net::tagSentFrame(keys, &whole, 1, reinterpret_cast<unsigned char*>(bytes.data() + size));
    if (write(fds[1], bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
        close(fds[1]);
        return 0;
    }
    close(fds[1]);
    session.setTimeout(50);
    KelLastError error;
    while (session.receiveFrame(frame, error, 50)) {
    }
    return 0;
}
