// Test entry point: the window layer on Qt's offscreen platform, so no display is needed.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/runtime/app.h"

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::testing::InitGoogleTest(&argc, argv);
    platform::StartGui(argc, argv);
    const int result = RUN_ALL_TESTS();
    platform::StopGui();
    return result;
}
