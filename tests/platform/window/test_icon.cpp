// Icons from the program's resources, shown by a top-level window.
#include <gtest/gtest.h>

#include <QIcon>
#include <QWidget>

#include "platform/system/resources.h"
#include "platform/window/icon.h"
#include "platform/window/wnd.h"
#include "res/resources.h"
#include "tests/support/recording_wnd.h"

TEST(Icon, LoadedOnceFromTheResourcesAndShownByTheWindow) {
    res::RegisterResources();
    const HICON icon = LoadIconW(nullptr, res::IDR_MAINFRAME_ICON);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(LoadIconW(nullptr, res::IDR_MAINFRAME_ICON), icon);
    EXPECT_EQ(LoadIconW(nullptr, 4242), nullptr);
    // A resource whose bytes are no image gives no icon.
    static const unsigned char junk[] = {1, 2, 3, 4};
    {
        platform::ScopedResourceOverride broken("ICON", 4243, platform::AsResourceBytes(junk, sizeof junk));
        EXPECT_EQ(LoadIconW(nullptr, 4243), nullptr);
    }

    MessageLog log;
    RecordingWnd w("top", &log);
    ASSERT_TRUE(w.CreateEx(0, nullptr, u"icon", WS_POPUP | WS_CAPTION, CRect(0, 0, 100, 100), nullptr, 0));
    EXPECT_TRUE(w.Widget()->windowIcon().isNull());
    EXPECT_EQ(w.SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon)), 0);
    EXPECT_EQ(w.SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon)), 0);
    EXPECT_FALSE(w.Widget()->windowIcon().isNull());
    EXPECT_EQ(w.SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon)), reinterpret_cast<LRESULT>(icon));
}
