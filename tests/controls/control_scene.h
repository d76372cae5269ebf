// A top-level window for the display controls' tests: it erases its client
// area in one colour (or two halves of two colours), logs the notifications its
// controls send, and records message boxes instead of showing them. Also the
// private fonts loaded once for the tests that draw symbols, and the title
// label set up as the main window sets it up.
#pragma once

#include <gtest/gtest.h>

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "controls/fnd.h"
#include "controls/hmi_fonts.h"
#include "controls/title_text.h"
#include "platform/runtime/app.h"
#include "platform/system/resources.h"
#include "platform/gdi/dc.h"
#include "platform/graphics/graphics_impl.h"
#include "res/resources.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/recording_wnd.h"

namespace control_test {

// Drops the text outlines and fill coverage the controls share, so that the
// next paint makes all of them afresh: a fresh drawing to compare with.
inline void ForgetKeptDrawing() {
    CFnd::ForgetFits();
    CQuorText::ForgetLayouts();
    gfx::detail::ForgetKeptCoverage();
}

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

// A PNG image of one colour, registered as resource `id` while the object lives.
class PngResource {
public:
    PngResource(UINT id, int w, int h, QColor colour) {
        QImage image(w, h, QImage::Format_ARGB32);
        image.fill(colour);
        QBuffer buffer(&m_bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        m_override.emplace(hmi_resources::kImageType, id,
                           platform::ResourceBytes(reinterpret_cast<const std::byte*>(m_bytes.constData()),
                                                   size_t(m_bytes.size())));
    }

private:
    QByteArray m_bytes;
    std::optional<platform::ScopedResourceOverride> m_override;
};

// The program's resources registered and its private fonts loaded, once for
// the whole test program; never freed.
inline HmiFontSet& SharedFonts() {
    static HmiFontSet* fonts = [] {
        res::RegisterBinaryResources();
        auto* set = new HmiFontSet;
        set->LoadPrivateFonts();
        return set;
    }();
    return *fonts;
}

using ::SameImages;

// The title label as the main window sets it up, with `iconFamily` for its glyph icons.
inline void ConfigureAsMainWindow(CQuorTitleText& title, gfx::FontFamily* iconFamily) {
    title.Init(0x00FFFF, 0x4080FF, 7, 2);
    title.m_IconFontFamily = iconFamily;
    title.m_fTextScale = 0.8f;
    title.m_dwFlags |= CQuorText::kReflection | CQuorText::kTextOutline | CQuorText::kTextGradient | CQuorText::kFrame;
    title.m_crTextTop = 0xFFFFFF;
    title.m_crTextBottom = 0x000080;
    title.m_nFillMode = 1;
    title.m_crBox = 0x000000;
    title.m_crFrame = 0xBC7200;
    title.m_crFill1 = 0x4C3F38;
    title.m_crFill2 = 0x82614F;
}

}  // namespace control_test
