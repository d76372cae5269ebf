// scratch
#include <gtest/gtest.h>
#include <unistd.h>
#include "tests/display/relay_fixture.h"
#include "tests/support/pixel_harness.h"
using namespace display_test;

TEST(Scratch, Resize) {
    const std::vector<std::string> steady{"--values", "250,15.3"};
    XDisplay x(1280, 1024, false);
    START_X(x);
    Relay relay(x, RelaySettings(), steady);
    auto main = relay.WaitLaidOut();
    ASSERT_TRUE(main);
    ::usleep(3000000);
    SaveTestImage(x.Shot(), "before");
    x.ConfigureClient(main->id, QRect(0, 0, 960, 640));
    ::usleep(3000000);
    SaveTestImage(x.Shot(), "after");
    XDisplay y(960, 640, false);
    START_X(y);
    Relay ref(y, RelaySettings(), steady);
    ASSERT_TRUE(ref.WaitLaidOut());
    ::usleep(3000000);
    SaveTestImage(y.Shot(), "ref");
}
