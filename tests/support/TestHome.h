// A fresh platform home in a temporary folder for each test, removed
// afterwards, holding an installation key; times run in UTC.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace kel::test {

class TestHome {
public:
    TestHome();
    ~TestHome();
    TestHome(const TestHome&) = delete;
    TestHome& operator=(const TestHome&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& relative) const { return path_ + "/" + relative; }

private:
    std::string path_;
};

// Reads a whole file; empty when it does not exist.
std::string readFile(const std::string& path);

class HomeTest : public ::testing::Test {
protected:
    TestHome home_;
};

}  // namespace kel::test
