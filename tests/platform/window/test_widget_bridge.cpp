// Painting, geometry, keyboard and mouse of windows of the layer.
#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <functional>
#include <memory>

#include "platform/runtime/app.h"
#include "platform/gdi/dc.h"
#include "platform/graphics/graphics.h"
#include "platform/window/dialog.h"
#include "platform/window/window_dc.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/recording_wnd.h"

namespace {

constexpr COLORREF kParentColour = RGB(0x38, 0x3F, 0x4C);
constexpr COLORREF kChildColour = RGB(0xFF, 0x00, 0x00);

// A top-level window that erases itself in one colour, with a child that erases
// nothing and paints a square in its middle.
struct PaintScene {
    MessageLog log;
    RecordingWnd top{"top", &log};
    RecordingWnd child{"child", &log};
    int childPaints = 0;
    COLORREF square = kChildColour;

    PaintScene() {
        top.handlers[WM_ERASEBKGND] = [](WPARAM wp, LPARAM) -> LRESULT {
            auto* dc = reinterpret_cast<CDC*>(wp);
            dc->FillSolidRect(0, 0, 400, 300, kParentColour);
            return 1;
        };
        child.handlers[WM_ERASEBKGND] = [](WPARAM, LPARAM) -> LRESULT { return 1; };
        child.handlers[WM_PAINT] = [this](WPARAM, LPARAM) -> LRESULT {
            CPaintDC dc(&child);
            ++childPaints;
            dc.FillSolidRect(20, 10, 10, 10, square);
            return 0;
        };
        EXPECT_TRUE(top.CreateEx(0, nullptr, u"scene", WS_POPUP, CRect(0, 0, 400, 300), nullptr, 0));
        EXPECT_TRUE(child.Create(nullptr, u"", WS_CHILD | WS_VISIBLE, CRect(100, 50, 150, 80), &top, 10));
    }
};

}  // namespace

TEST(Painting, AChildStartsFromItsParentsOwnBackground) {
    PaintScene scene;
    const QImage image = GrabWindow(&scene.top);
    ASSERT_EQ(image.size(), QSize(400, 300));
    EXPECT_GE(scene.childPaints, 1);
    // The child's square, and around it the parent's colour where the child drew nothing.
    EXPECT_EQ(PixelAt(image, 125, 65), kChildColour);
    EXPECT_EQ(PixelAt(image, 101, 51), kParentColour);
    EXPECT_EQ(PixelAt(image, 148, 78), kParentColour);
    EXPECT_EQ(PixelAt(image, 10, 10), kParentColour);
}

TEST(Painting, PaintOutsideTheLoopUsesTheSameSurface) {
    // A paint message sent directly (as a forced redraw does) draws the same pixels.
    PaintScene scene;
    scene.child.SendMessage(WM_PAINT);
    const QImage image = GrabWindow(&scene.child);
    ASSERT_EQ(image.size(), QSize(50, 30));
    EXPECT_EQ(PixelAt(image, 25, 15), kChildColour);
    EXPECT_EQ(PixelAt(image, 2, 2), kParentColour);
}

// Counts the paints a widget gets from the toolkit (what reaches the screen).
class ScreenPaints : public QObject {
public:
    explicit ScreenPaints(QWidget* w) : m_widget(w) { w->installEventFilter(this); }
    ~ScreenPaints() override { m_widget->removeEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++count;
        return false;
    }
    int count = 0;

private:
    QWidget* m_widget;
};

TEST(Painting, RedrawNowPaintsAtOnceAndTheScreenTakesItWithTheNextFrame) {
    PaintScene scene;
    scene.top.ShowWindow(SW_SHOWNORMAL);
    platform::PumpEvents(50);
    ScreenPaints screen(scene.child.Widget());
    const int before = scene.childPaints;
    const COLORREF colours[3] = {RGB(0, 0, 255), RGB(0, 255, 0), RGB(255, 255, 0)};
    for (int k = 0; k < 3; ++k) {
        scene.square = colours[k];
        scene.child.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        // Painted when the call returns: a context on the window reads it.
        EXPECT_EQ(scene.childPaints, before + k + 1);
        CClientDC dc(&scene.child);
        EXPECT_EQ(dc.GetPixel(25, 15), colours[k]);
        EXPECT_EQ(dc.GetPixel(2, 2), kParentColour);
    }
    // Three redraws reach the screen as one paint that shows the last picture
    // without painting it again.
    EXPECT_EQ(screen.count, 0);
    platform::PumpEvents(50);
    EXPECT_EQ(screen.count, 1);
    EXPECT_EQ(scene.childPaints, before + 3);
    // Redraws of two parts, and of part of one of them again, before one
    // frame: the frame paints none of them again.
    for (const CRect& part : {CRect(0, 0, 20, 10), CRect(25, 12, 50, 30), CRect(5, 5, 10, 10)})
        scene.child.RedrawWindow(&part, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    platform::PumpEvents(50);
    EXPECT_EQ(scene.childPaints, before + 6);
    scene.childPaints -= 3;
    // An invalidation after all: the next frame paints again.
    scene.square = kChildColour;
    scene.child.Invalidate(FALSE);
    platform::PumpEvents(50);
    EXPECT_EQ(scene.childPaints, before + 4);
    const QImage image = GrabWindow(&scene.top);
    EXPECT_EQ(PixelAt(image, 125, 65), kChildColour);
    // With all children, they too are painted when the call returns.
    const int painted = scene.childPaints;
    scene.top.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    EXPECT_EQ(scene.childPaints, painted + 1);
}

TEST(Painting, RedrawNowRightAfterShowingPaintsEveryTime) {
    // Shown, and redrawn before Qt ever painted the window.
    PaintScene scene;
    scene.top.ShowWindow(SW_SHOWNORMAL);
    const COLORREF colours[3] = {RGB(0, 0, 255), RGB(0, 255, 0), RGB(255, 255, 0)};
    for (int k = 0; k < 3; ++k) {
        const int before = scene.childPaints;
        scene.square = colours[k];
        scene.child.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        EXPECT_EQ(scene.childPaints, before + 1) << k;
        CClientDC dc(&scene.child);
        EXPECT_EQ(dc.GetPixel(25, 15), colours[k]) << k;
    }
    platform::PumpEvents(50);
    EXPECT_EQ(PixelAt(GrabWindow(&scene.top), 125, 65), colours[2]);
}

TEST(Painting, AGrabLeavesWhatWaitsForTheScreenWaiting) {
    PaintScene scene;
    scene.top.ShowWindow(SW_SHOWNORMAL);
    platform::PumpEvents(50);
    scene.square = RGB(0, 0, 255);
    scene.child.Invalidate(TRUE);
    EXPECT_EQ(PixelAt(GrabWindow(&scene.top), 125, 65), RGB(0, 0, 255));  // drawn afresh for the grab
    const int before = scene.childPaints;
    scene.child.UpdateWindow();  // still waits on the screen: painted now
    EXPECT_EQ(scene.childPaints, before + 1);
    CClientDC dc(&scene.child);
    EXPECT_EQ(dc.GetPixel(25, 15), RGB(0, 0, 255));
}

// A parent that paints its whole area paints its children again at once, from
// its new background.
TEST(Painting, AParentPaintedNowTakesItsChildrenAlong) {
    PaintScene scene;
    scene.top.ShowWindow(SW_SHOWNORMAL);
    platform::PumpEvents(50);
    scene.square = RGB(0, 0, 255);
    scene.child.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    scene.square = RGB(255, 255, 0);
    const int before = scene.childPaints;
    scene.top.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_EQ(scene.childPaints, before + 1);
    {
        CClientDC dc(&scene.child);
        EXPECT_EQ(dc.GetPixel(25, 15), RGB(255, 255, 0));
        EXPECT_EQ(dc.GetPixel(2, 2), kParentColour);
    }
    platform::PumpEvents(50);
    const QImage image = GrabWindow(&scene.top);
    EXPECT_EQ(PixelAt(image, 125, 65), RGB(255, 255, 0));
    EXPECT_EQ(PixelAt(image, 101, 51), kParentColour);
}

// A child over a parent whose rows are not of one colour (stripes), repainted
// many times, moved, resized, and after its parent painted itself anew, always
// shows its parent's own pixels around its square, on the screen as in a
// fresh drawing.
TEST(Painting, AChildRepaintedOnTheScreenStartsFromItsParentsPixels) {
    PaintScene scene;
    int shift = 0;
    auto stripe = [&shift](int x) {
        const int s = (x + shift) / 4 * 4;
        return RGB(s % 256, 255 - s % 256, (s / 4) % 2 * 255);
    };
    scene.top.handlers[WM_ERASEBKGND] = [&](WPARAM wp, LPARAM) -> LRESULT {
        auto* dc = reinterpret_cast<CDC*>(wp);
        for (int x = 0; x < 400; ++x) dc->FillSolidRect(x, 0, 1, 300, stripe(x));
        return 1;
    };
    scene.top.ShowWindow(SW_SHOWNORMAL);
    platform::PumpEvents(50);
    const CRect places[3] = {CRect(100, 50, 150, 80), CRect(37, 121, 201, 163), CRect(37, 121, 101, 140)};
    for (const CRect& place : places) {
        scene.child.MoveWindow(&place, TRUE);
        platform::PumpEvents(20);
        for (int round = 0; round < 2; ++round) {
            if (round == 1) {
                // The parent paints itself anew, with its children.
                shift += 2;
                scene.top.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            }
            for (int k = 0; k < 5; ++k) {
                scene.square = RGB(40 * k, 255, 0);
                scene.child.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            }
            platform::PumpEvents(20);
            const QImage shown = OnScreen(&scene.top);
            ASSERT_FALSE(shown.isNull());
            SCOPED_TRACE(testing::Message() << place.left << "," << place.top << " round " << round);
            EXPECT_TRUE(shown == GrabWindow(&scene.top).convertToFormat(QImage::Format_RGB32));
            EXPECT_EQ(PixelAt(shown, place.left + 25, place.top + 15), RGB(160, 255, 0));
            for (int dx : {1, 2, 3, 5, 9, 14})
                EXPECT_EQ(PixelAt(shown, place.left + dx, place.top + 1), stripe(place.left + dx)) << dx;
        }
    }
}

// Whatever a child's paint does first, it finds its parent's pixels under it
// and leaves on the screen what a fresh drawing shows: nothing, copies over all
// or part of it, a read before the copy, copies through the graphics object, a
// blend over what lies there, fills of part of it, and a paint of part of it.
TEST(Painting, WhateverAChildDoesFirstItFindsItsParentsPixels) {
    constexpr COLORREF kCopied = RGB(0x20, 0x90, 0xE0);
    constexpr int kW = 50, kH = 30;
    PaintScene scene;
    int shift = 0;
    auto stripe = [&shift](int x) { return RGB((x + shift) * 7 % 256, 80, (x + shift) / 3 % 2 * 255); };
    scene.top.handlers[WM_ERASEBKGND] = [&](WPARAM wp, LPARAM) -> LRESULT {
        auto* dc = reinterpret_cast<CDC*>(wp);
        for (int x = 0; x < 400; ++x) dc->FillSolidRect(x, 0, 1, 300, stripe(x));
        return 1;
    };
    // A memory picture of kCopied, and one whose left half is transparent.
    CDC mem;
    CBitmap bitmap;
    {
        CClientDC screen(&scene.top);
        mem.CreateCompatibleDC(&screen);
        bitmap.CreateCompatibleBitmap(&screen, kW, kH);
    }
    CBitmap* old = mem.SelectObject(&bitmap);
    mem.FillSolidRect(0, 0, kW, kH, kCopied);
    gfx::Bitmap solid(kW, kH), halfClear(kW, kH);
    {
        gfx::Graphics(&solid).Clear(gfx::Color(255, 0x20, 0x90, 0xE0));
        gfx::Graphics g(&halfClear);
        const gfx::SolidBrush brush(gfx::Color(255, 0x20, 0x90, 0xE0));
        g.FillRectangle(&brush, kW / 2, 0, kW - kW / 2, kH);
    }
    COLORREF read = CLR_INVALID;
    struct Case {
        const char* name;
        std::function<void(CDC&)> paint;
        int copiedFrom, copiedTo;  // columns that show kCopied; the rest shows the parent
    };
    const Case cases[] = {
        {"nothing", [](CDC&) {}, 0, 0},
        {"copy over all", [&](CDC& dc) { dc.BitBlt(0, 0, kW, kH, &mem, 0, 0, SRCCOPY); }, 0, kW},
        {"copy over the left half", [&](CDC& dc) { dc.BitBlt(0, 0, kW / 2, kH, &mem, 0, 0, SRCCOPY); }, 0, kW / 2},
        {"read, then copy over all",
         [&](CDC& dc) {
             read = dc.GetPixel(3, 3);
             dc.BitBlt(0, 0, kW, kH, &mem, 0, 0, SRCCOPY);
         },
         0, kW},
        {"graphics copy over all",
         [&](CDC& dc) {
             gfx::Graphics g(&dc);
             g.SetCompositingMode(gfx::CompositingModeSourceCopy);
             g.DrawImage(&solid, 0, 0);
         },
         0, kW},
        {"graphics blend over all",
         [&](CDC& dc) {
             gfx::Graphics g(&dc);
             g.DrawImage(&halfClear, 0, 0);
         },
         kW / 2, kW},
        {"fill over the left half", [&](CDC& dc) { dc.FillSolidRect(0, 0, kW / 2, kH, kCopied); }, 0, kW / 2},
        {"antialiased fill over the right half",
         [&](CDC& dc) {
             gfx::Graphics g(&dc);
             g.SetSmoothingMode(gfx::SmoothingModeAntiAlias);
             const gfx::SolidBrush brush(gfx::Color(255, 0x20, 0x90, 0xE0));
             g.FillRectangle(&brush, kW / 2, 0, kW - kW / 2, kH);
         },
         kW / 2, kW},
    };
    scene.top.ShowWindow(SW_SHOWNORMAL);
    platform::PumpEvents(50);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        scene.child.handlers[WM_PAINT] = [&](WPARAM, LPARAM) -> LRESULT {
            CPaintDC dc(&scene.child);
            c.paint(dc);
            return 0;
        };
        for (int round = 0; round < 2; ++round) {
            // The second round: the parent's pixels changed under the child.
            if (round == 1) {
                shift += 5;
                scene.top.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            }
            read = CLR_INVALID;
            scene.child.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            platform::PumpEvents(20);
            const QImage shown = OnScreen(&scene.top);
            ASSERT_FALSE(shown.isNull());
            EXPECT_TRUE(shown == GrabWindow(&scene.top).convertToFormat(QImage::Format_RGB32)) << "round " << round;
            for (int x = 0; x < kW; x += 3) {
                const bool copied = x >= c.copiedFrom && x < c.copiedTo;
                EXPECT_EQ(PixelAt(shown, 100 + x, 60), copied ? kCopied : stripe(100 + x)) << "column " << x;
            }
            if (read != CLR_INVALID) { EXPECT_EQ(read, stripe(103)); }
        }
    }
    // A paint of part of the child copies over all of it: outside that part
    // the screen keeps what was there.
    scene.child.handlers[WM_PAINT] = [&](WPARAM, LPARAM) -> LRESULT {
        CPaintDC dc(&scene.child);
        dc.BitBlt(0, 0, kW, kH, &mem, 0, 0, SRCCOPY);
        return 0;
    };
    shift += 5;
    scene.top.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    platform::PumpEvents(20);
    mem.FillSolidRect(0, 0, kW, kH, RGB(0, 0, 0));
    const CRect part(10, 5, 20, 15);
    scene.child.RedrawWindow(&part, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    platform::PumpEvents(20);
    const QImage shown = OnScreen(&scene.top);
    EXPECT_EQ(PixelAt(shown, 115, 60), RGB(0, 0, 0));
    EXPECT_EQ(PixelAt(shown, 125, 60), kCopied);
    EXPECT_EQ(PixelAt(shown, 105, 52), kCopied);
    // A fill of all of it, painting two parts at once: the fill lands in both
    // parts, and between them the screen keeps what was there.
    scene.child.handlers[WM_PAINT] = [&](WPARAM, LPARAM) -> LRESULT {
        CPaintDC dc(&scene.child);
        dc.FillSolidRect(0, 0, kW, kH, RGB(0xFF, 0x40, 0));
        return 0;
    };
    const CRect parts[2] = {CRect(2, 2, 8, 28), CRect(30, 2, 40, 28)};
    for (const CRect& r : parts) scene.child.InvalidateRect(&r, FALSE);
    platform::PumpEvents(20);  // (the frame paints the region the two parts make)
    const QImage filled = OnScreen(&scene.top);
    for (int x : {2, 7, 30, 39}) EXPECT_EQ(PixelAt(filled, 100 + x, 60), RGB(0xFF, 0x40, 0)) << x;
    for (int x : {1, 8, 20, 29, 40}) EXPECT_EQ(PixelAt(filled, 100 + x, 60), PixelAt(shown, 100 + x, 60)) << x;
    mem.SelectObject(old);
}

TEST(Painting, DialogsEraseWithTheFaceColour) {
    DialogTemplate t;
    t.id = 9101;
    t.style = WS_POPUP;
    t.cx = 40;
    t.cy = 20;
    platform::RegisterDialogTemplate(t);
    class Dlg : public CDialog {
    public:
        Dlg() : CDialog(9101) {}
        QImage shot;
        BOOL OnInitDialog() override {
            CDialog::OnInitDialog();
            SetTimer(1, 10);
            return TRUE;
        }
        LRESULT WindowProc(UINT m, WPARAM w, LPARAM l) override {
            if (m == WM_TIMER) {
                shot = GrabWindow(this);
                EndDialog(IDOK);
                return 0;
            }
            return CDialog::WindowProc(m, w, l);
        }
    } dlg;
    dlg.DoModal();
    ASSERT_FALSE(dlg.shot.isNull());
    EXPECT_EQ(PixelAt(dlg.shot, 3, 3), GetSysColor(COLOR_BTNFACE));
}

TEST(Geometry, MoveWindowReportsSizeAndMoveAtOnceEvenWhenHidden) {
    MessageLog log;
    RecordingWnd top("top", &log), child("child", &log);
    ASSERT_TRUE(top.CreateEx(0, nullptr, u"", WS_POPUP, CRect(0, 0, 300, 200), nullptr, 0));
    ASSERT_TRUE(child.Create(nullptr, u"", WS_CHILD, CRect(0, 0, 0, 0), &top, 3));
    child.logOnly = {WM_SIZE, WM_MOVE};
    log.clear();
    child.MoveWindow(10, 20, 30, 40);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].message, UINT(WM_MOVE));
    EXPECT_EQ(log[0].lParam, MAKELPARAM(10, 20));
    EXPECT_EQ(log[1].message, UINT(WM_SIZE));
    EXPECT_EQ(log[1].lParam, MAKELPARAM(30, 40));
    // Moving to the same rectangle again reports nothing.
    child.MoveWindow(10, 20, 30, 40);
    EXPECT_EQ(log.size(), 2u);
    // Only a move: WM_MOVE without WM_SIZE.
    child.MoveWindow(CRect(15, 20, 45, 60));
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[2].message, UINT(WM_MOVE));

    CRect client;
    child.GetClientRect(&client);
    EXPECT_EQ(client, CRect(0, 0, 30, 40));
    CRect onScreen;
    child.GetWindowRect(&onScreen);
    top.ScreenToClient(&onScreen);
    EXPECT_EQ(onScreen, CRect(15, 20, 45, 60));
    CRect mapped(0, 0, 30, 40);
    child.MapWindowPoints(&top, &mapped);
    EXPECT_EQ(mapped, CRect(15, 20, 45, 60));
}

TEST(Geometry, StyleVisibilityAndEnabledState) {
    MessageLog log;
    RecordingWnd top("top", &log), child("child", &log);
    ASSERT_TRUE(top.CreateEx(0, nullptr, u"", WS_POPUP, CRect(0, 0, 100, 100), nullptr, 0));
    ASSERT_TRUE(child.Create(nullptr, u"text", WS_CHILD | WS_VISIBLE | SS_CENTER, CRect(0, 0, 10, 10), &top, 4));
    EXPECT_TRUE(child.GetStyle() & WS_VISIBLE);
    EXPECT_FALSE(child.IsWindowVisible());  // its top-level window is not shown yet
    top.ShowWindow(SW_SHOW);
    EXPECT_TRUE(child.IsWindowVisible());
    EXPECT_TRUE(child.ModifyStyle(0x3, SS_NOTIFY | 0x1));
    EXPECT_EQ(child.GetStyle() & 0x1FF, DWORD(SS_NOTIFY | SS_CENTER));
    EXPECT_EQ(child.GetWindowText(), u"text");
    child.SetWindowText(u"바람");
    EXPECT_EQ(child.GetWindowText(), u"바람");

    child.logOnly = {WM_ENABLE};
    log.clear();
    child.EnableWindow(FALSE);
    EXPECT_FALSE(child.IsWindowEnabled());
    EXPECT_TRUE(child.GetStyle() & WS_DISABLED);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].wParam, WPARAM(FALSE));
    // Disabling the parent leaves the child's own state alone.
    child.EnableWindow(TRUE);
    top.EnableWindow(FALSE);
    EXPECT_TRUE(child.IsWindowEnabled());
    top.EnableWindow(TRUE);
}

// ---------------------------------------------------------------------------
// Keyboard

namespace {

constexpr UINT kKeyDialogId = 9102;

void RegisterKeyDialog() {
    DialogTemplate t;
    t.id = kKeyDialogId;
    t.style = WS_POPUP | WS_CAPTION;
    t.cx = 100;
    t.cy = 60;
    platform::RegisterDialogTemplate(t);
}

// A dialog with two focusable child windows. With `enterIsTab` it turns Enter
// and Escape into Tab before the dialog's own key handling, as the main window does.
class KeyDialog : public CDialog {
public:
    explicit KeyDialog(bool enterIsTab) : CDialog(kKeyDialogId), m_enterIsTab(enterIsTab) {}
    MessageLog log;
    RecordingWnd first{"first", &log};
    RecordingWnd second{"second", &log};
    std::function<void(KeyDialog&)> script;
    std::vector<UINT> preTranslated;
    int helpCount = 0;

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        first.Create(nullptr, u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(0, 0, 20, 20), this, 1);
        second.Create(nullptr, u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(30, 0, 50, 20), this, 2);
        first.logOnly = second.logOnly = {WM_KEYDOWN, WM_CHAR, WM_SETFOCUS, WM_KILLFOCUS};
        SetTimer(1, 10);
        return TRUE;
    }
    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message == WM_KEYDOWN) {
            preTranslated.push_back(UINT(msg->wParam));
            if (m_enterIsTab && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE))
                msg->wParam = VK_TAB;
        }
        return CDialog::PreTranslateMessage(msg);
    }
    LRESULT WindowProc(UINT m, WPARAM w, LPARAM l) override {
        if (m == WM_TIMER && w == 1) {
            KillTimer(1);
            if (script) script(*this);
            return 0;
        }
        if (m == WM_HELP) {
            ++helpCount;
            return TRUE;
        }
        return CDialog::WindowProc(m, w, l);
    }

private:
    bool m_enterIsTab;
};

}  // namespace

TEST(Keyboard, EnterAndEscapeTurnedIntoTabMoveTheFocusAndNeverClose) {
    RegisterKeyDialog();
    KeyDialog dlg(true);
    CWnd* focusAfterEnter = nullptr;
    CWnd* focusAfterEscape = nullptr;
    dlg.script = [&](KeyDialog& d) {
        d.first.SetFocus();
        PressKey(&d, Qt::Key_Return);
        focusAfterEnter = CWnd::GetFocus();
        PressKey(&d, Qt::Key_Escape);
        focusAfterEscape = CWnd::GetFocus();
        PressKey(&d, Qt::Key_F1);
        d.SetTimer(2, 50);  // still open after the keys: end it
    };
    auto inner = dlg.script;
    int result = 0;
    dlg.script = [&](KeyDialog& d) {
        inner(d);
        result = 1;
        d.EndDialog(77);
    };
    EXPECT_EQ(dlg.DoModal(), 77);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(focusAfterEnter, &dlg.second);
    EXPECT_EQ(focusAfterEscape, &dlg.first);
    EXPECT_EQ(dlg.preTranslated, (std::vector<UINT>{VK_RETURN, VK_ESCAPE, VK_F1}));
    // The keys were taken before the focused window saw them.
    EXPECT_EQ(CountOf(dlg.log, WM_KEYDOWN), 0);
    // F1 from a child reached the dialog as WM_HELP.
    EXPECT_EQ(dlg.helpCount, 1);
}

TEST(Keyboard, PlainDialogEndsOnEnterAndOtherKeysReachTheFocusedWindow) {
    RegisterKeyDialog();
    KeyDialog dlg(false);
    dlg.script = [](KeyDialog& d) {
        d.second.SetFocus();
        PressKey(&d, Qt::Key_A);
        PressKey(&d, Qt::Key_Return);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    ASSERT_EQ(CountOf(dlg.log, WM_KEYDOWN, "second"), 1);
    EXPECT_EQ(CountOf(dlg.log, WM_CHAR, "second"), 1);
    for (const auto& m : dlg.log) {
        if (m.message == WM_KEYDOWN) {
            EXPECT_EQ(m.wParam, WPARAM('A'));
        }
    }

    KeyDialog esc(false);
    esc.script = [](KeyDialog& d) { PressKey(&d, Qt::Key_Escape); };
    EXPECT_EQ(esc.DoModal(), IDCANCEL);
}

// ---------------------------------------------------------------------------
// Mouse

TEST(Mouse, ButtonsMovesAndTrackedLeave) {
    MessageLog log;
    RecordingWnd top("top", &log), child("child", &log);
    ASSERT_TRUE(top.CreateEx(0, nullptr, u"", WS_POPUP, CRect(0, 0, 200, 200), nullptr, 0));
    ASSERT_TRUE(child.Create(nullptr, u"", WS_CHILD | WS_VISIBLE, CRect(50, 50, 150, 150), &top, 9));
    top.ShowWindow(SW_SHOW);
    child.logOnly = {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEMOVE, WM_MOUSELEAVE, WM_RBUTTONDOWN};
    log.clear();

    MousePress(&child, 5, 7);
    MouseRelease(&child, 6, 8);
    MousePress(&child, 1, 2, Qt::RightButton);
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].message, UINT(WM_LBUTTONDOWN));
    EXPECT_EQ(log[0].wParam & MK_LBUTTON, WPARAM(MK_LBUTTON));
    EXPECT_EQ(GET_X_LPARAM(log[0].lParam), 5);
    EXPECT_EQ(GET_Y_LPARAM(log[0].lParam), 7);
    EXPECT_EQ(log[1].message, UINT(WM_LBUTTONUP));
    EXPECT_EQ(log[2].message, UINT(WM_RBUTTONDOWN));

    // Leaving reports WM_MOUSELEAVE once, and only when asked for.
    log.clear();
    MouseLeave(&child);
    EXPECT_EQ(CountOf(log, WM_MOUSELEAVE), 0);
    MouseMove(&child, 10, 10);
    QApplication::processEvents();
    TRACKMOUSEEVENT tme;
    tme.dwFlags = TME_LEAVE;
    tme.hwndTrack = child.m_hWnd;
    ASSERT_TRUE(_TrackMouseEvent(&tme));
    MouseLeave(&child);
    MouseLeave(&child);
    platform::PumpEvents(20);
    EXPECT_EQ(CountOf(log, WM_MOUSELEAVE), 1);
}
