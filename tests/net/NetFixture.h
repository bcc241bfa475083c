// A fresh platform home with a focus machine whose Ostrel is a real
// dispatcher on a loopback port, serving the test handler.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/info/KelPlatformInfo.h"
#include "platform/info/KelRegistry.h"
#include "platform/net/KelDispatcherProcess.h"
#include "platform/net/testhandler/TestMessages.h"
#include "platform/net/KelPI_Library.h"
#include "support/MachineSetup.h"
#include "support/TestHome.h"

namespace kel::test {

class DispatcherTest : public HomeTest {
protected:
    static constexpr const char* kMachine = "agent1";
    static constexpr const char* kOstrel = "OSTREL1";

    void SetUp() override {
        ASSERT_TRUE(KelRegistry::createMachine(kMachine));
        KelPI_Focus::setFocus(kMachine);
        ASSERT_TRUE(startHost(ostrel_, kOstrel));
        ASSERT_NE(base_.setFocus(kMachine), 0);
        ASSERT_TRUE(base_.setOstrelHostName(kOstrel));
    }
    void TearDown() override {
        session_.Reset();
        // A clean exit: every session ended and nothing leaked.
        EXPECT_TRUE(ostrel_.stop());
    }

    static bool waitForFile(const std::string& path, int ms = 5000) {
        for (int waited = 0; waited < ms; waited += 20) {
            if (!readFile(path).empty()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    KelDispatcherProcess ostrel_;
    KelPI_Farrow base_;
    CKelNetwork session_;
};

}  // namespace kel::test
