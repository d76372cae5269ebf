// A top-level window for the display controls' tests: it erases its client
// area in one colour (or two halves of two colours), logs the notifications its
// controls send, and records message boxes instead of showing them.
#pragma once

#include <gtest/gtest.h>

#include <QWidget>
#include <vector>

#include "platform/app.h"
#include "platform/dc.h"
#include "tests/support/recording_wnd.h"

namespace control_test {

// Message boxes go to a list while an object lives.
class BoxRecorder {
public:
    BoxRecorder() {
        m_previous = platform::SetMessageBoxHandler([this](const platform::MessageBoxRequest& r) {
            boxes.push_back(r.text);
            return IDOK;
        });
    }
    ~BoxRecorder() { platform::SetMessageBoxHandler(m_previous); }
    std::vector<std::u16string> boxes;

private:
    platform::MessageBoxHandler m_previous;
};

struct Scene {
    MessageLog log;
    RecordingWnd top{"top", &log};
    COLORREF left;
    COLORREF right;
    int width;
    int height;

    // The left half of the client area in `leftColour`, the right half in `rightColour`.
    Scene(int w, int h, COLORREF leftColour, COLORREF rightColour)
        : left(leftColour), right(rightColour), width(w), height(h) {
        top.handlers[WM_ERASEBKGND] = [this](WPARAM wp, LPARAM) -> LRESULT {
            auto* dc = reinterpret_cast<CDC*>(wp);
            dc->FillSolidRect(0, 0, width / 2, height, left);
            dc->FillSolidRect(width / 2, 0, width - width / 2, height, right);
            return 1;
        };
        EXPECT_TRUE(top.CreateEx(0, nullptr, u"controls", WS_POPUP, CRect(0, 0, w, h), nullptr, 0));
        top.logOnly = {WM_USER + 100, WM_USER + 114};
        top.ShowWindow(SW_SHOW);
        top.Widget()->activateWindow();
    }
    Scene(int w, int h, COLORREF colour) : Scene(w, h, colour, colour) {}

    // The event codes (lParam) of `message` from control `id`, in order.
    std::vector<LPARAM> Codes(UINT message, int id) const {
        std::vector<LPARAM> out;
        for (const auto& m : log)
            if (m.message == message && int(m.wParam) == id) out.push_back(m.lParam);
        return out;
    }
};

}  // namespace control_test
