#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "platform/util/KelHome.h"
#include "platform/util/KelPassword.h"
#include "support/TestHome.h"

namespace {

class KelPasswordTest : public kel::test::HomeTest {
protected:
    std::string seal(const char* plain) {
        char out[2048];
        size_t capacity = sizeof(out);
        EXPECT_TRUE(cipher_.encrypt(plain, out, &capacity)) << plain;
        EXPECT_EQ(capacity, std::strlen(out));
        return out;
    }
    bool open(const std::string& in, std::string& plain, size_t capacity = 512) {
        std::vector<char> out(capacity ? capacity : 1, 'x');
        size_t cap = capacity;
        if (!cipher_.decrypt(in.c_str(), out.data(), &cap)) return false;
        plain.assign(out.data(), cap);
        return true;
    }
    std::string keyPath() const { return home_.file("keys/password.key"); }

    KelPassword cipher_;
};

TEST_F(KelPasswordTest, FreshNoncePerCall) {
    std::string a = seal("same text");
    std::string b = seal("same text");
    EXPECT_NE(a, b);
    std::string plain;
    ASSERT_TRUE(open(a, plain));
    EXPECT_EQ(plain, "same text");
    ASSERT_TRUE(open(b, plain));
    EXPECT_EQ(plain, "same text");
}

TEST_F(KelPasswordTest, KeyFileIsPrivate) {
    ASSERT_EQ(unlink(keyPath().c_str()), 0);
    ASSERT_TRUE(KelPassword::makeKey());
    struct stat st;
    ASSERT_EQ(stat(keyPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(st.st_size, 32);
}

TEST_F(KelPasswordTest, TamperedOrMalformedTextFails) {
    std::string sealed = seal("secret password");
    std::string plain = "untouched";
    for (size_t i = 0; i < sealed.size(); i += 7) {
        std::string bad = sealed;
        bad[i] = bad[i] == 'A' ? 'B' : 'A';
        EXPECT_FALSE(open(bad, plain)) << i;
    }
    EXPECT_FALSE(open(sealed.substr(0, sealed.size() - 4), plain));
    EXPECT_FALSE(open(sealed + "AAAA", plain));
    EXPECT_FALSE(open("not base64 at all!", plain));
    EXPECT_FALSE(open("", plain));
    EXPECT_FALSE(open("AAAA", plain));
}

TEST_F(KelPasswordTest, CapacityBoundsBothDirections) {
    const std::string text(100, 'p');
    size_t need = KelPassword::encryptedLength(text.size());
    std::vector<char> out(need + 1);
    size_t capacity = need;  // no room for the NUL
    EXPECT_FALSE(cipher_.encrypt(text.c_str(), out.data(), &capacity));
    capacity = need + 1;
    ASSERT_TRUE(cipher_.encrypt(text.c_str(), out.data(), &capacity));
    EXPECT_EQ(capacity, need);

    std::string plain;
    EXPECT_FALSE(open(out.data(), plain, 100));
    ASSERT_TRUE(open(out.data(), plain, 101));
    EXPECT_EQ(plain, text);
    EXPECT_FALSE(cipher_.decrypt(out.data(), nullptr, &capacity));
    EXPECT_FALSE(cipher_.encrypt(nullptr, out.data(), &capacity));
}

TEST_F(KelPasswordTest, DamagedKeyIsNeitherUsedNorReplaced) {
    ASSERT_EQ(unlink(keyPath().c_str()), 0);
    int fd = ::open(keyPath().c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "short", 5), 5);
    close(fd);
    char out[2048];
    size_t capacity = sizeof(out);
    EXPECT_FALSE(cipher_.encrypt("x", out, &capacity));
    EXPECT_FALSE(KelPassword::makeKey());
    EXPECT_EQ(kel::test::readFile(keyPath()), "short");
    EXPECT_NE(KelPassword::keyProblem().find(keyPath() + " cannot be read"), std::string::npos);
}

// Installers started at once on one machine.
TEST_F(KelPasswordTest, ProcessesStartingAtOnceAgreeOnOneKey) {
    ASSERT_EQ(unlink(keyPath().c_str()), 0);
    constexpr int kChildren = 6;
    int go[2], results[2];
    ASSERT_EQ(pipe(go), 0);
    ASSERT_EQ(pipe(results), 0);
    std::vector<pid_t> children;
    for (int i = 0; i < kChildren; ++i) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(go[1]);
            char byte;
            if (read(go[0], &byte, 1) != 0) _exit(2);  // wait for the start
            KelPassword cipher;
            char out[256];
            size_t capacity = sizeof(out) - 1;
            if (!KelPassword::makeKey() || !cipher.encrypt("shared", out, &capacity)) _exit(1);
            out[capacity] = '\n';
            // Short lines: one write each never interleaves on a pipe.
            _exit(write(results[1], out, capacity + 1) == static_cast<ssize_t>(capacity + 1) ? 0 : 1);
        }
        children.push_back(pid);
    }
    close(go[0]);
    close(go[1]);  // releases every child at once
    close(results[1]);
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::string all;
    char buf[512];
    ssize_t n;
    while ((n = read(results[0], buf, sizeof(buf))) > 0) all.append(buf, static_cast<size_t>(n));
    close(results[0]);

    int lines = 0;
    size_t start = 0;
    for (size_t nl; (nl = all.find('\n', start)) != std::string::npos; start = nl + 1, ++lines) {
        std::string plain;
        ASSERT_TRUE(open(all.substr(start, nl - start), plain));
        EXPECT_EQ(plain, "shared");
    }
    EXPECT_EQ(lines, kChildren);
}

}  // namespace
