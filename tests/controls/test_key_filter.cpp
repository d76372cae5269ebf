// The keyboard filter that turns Enter and Escape into Tab.
#include <gtest/gtest.h>

#include "controls/key_filter.h"

TEST(KeyFilter, EnterAndEscapeKeyDownsBecomeTabOthersPass) {
    struct Case {
        UINT message;
        WPARAM key;
        WPARAM after;
        bool changed;
    } cases[] = {
        {WM_KEYDOWN, VK_RETURN, VK_TAB, true}, {WM_KEYDOWN, VK_ESCAPE, VK_TAB, true},
        {WM_KEYDOWN, VK_SPACE, VK_SPACE, false}, {WM_KEYDOWN, VK_TAB, VK_TAB, false},
        {WM_KEYUP, VK_RETURN, VK_RETURN, false}, {WM_CHAR, 13, 13, false},
    };
    for (const Case& c : cases) {
        MSG msg;
        msg.message = c.message;
        msg.wParam = c.key;
        EXPECT_EQ(EnterEscapeToTab(&msg), c.changed) << c.message << " " << c.key;
        EXPECT_EQ(msg.wParam, c.after);
    }
    EXPECT_FALSE(EnterEscapeToTab(nullptr));
}
