// Test entry point: the window layer on Qt's offscreen platform, so no display
// is needed. Every test process (ctest runs each test case as one) has a
// network of its own when run as root, so the loopback ports its peers and
// simulators take (the instruments' fixed port among them) are its own; a
// folder for locks of its own, so the single-instance lock of the programs it
// starts is its own; and a runtime folder of its own for Qt's session files:
// two test runs on one machine never meet.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "platform/runtime/app.h"
#include "tests/support/namespaces.h"
#include "tests/support/temp_dir.h"

int main(int argc, char** argv) {
    // First, while the process has one thread: threads keep the network they began in.
    if (::geteuid() == 0) {
        std::string why;
        if (!EnterOwnNetworkNamespace(&why))
            std::fprintf(stderr, "tests: no network namespace of their own (%s); loopback is the machine's\n",
                         why.c_str());
    }
    {
        std::string why;
        if (!EnterOwnLockFolder(&why))
            std::fprintf(stderr, "tests: no folder for locks of their own (%s); the programs they start meet the "
                                 "user's own instance lock\n",
                         why.c_str());
    }
    TempDir runtime;  // made 0700, this user's
    ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::testing::InitGoogleTest(&argc, argv);
    platform::StartGui(argc, argv);
    const int result = RUN_ALL_TESTS();
    platform::StopGui();
    return result;
}
