// A child window that reaches past its parent shows only where it lies inside
// its parent (and inside its parent's parents): on the screen, in a grab, in a
// screen capture, through a context on the window, after a paint of part of it
// and after moves and resizes, the picture is the clipped drawing, pixel for
// pixel, and nothing of the child shows outside its parent.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/runtime/app.h"
#include "platform/system/display.h"
#include "platform/window/window_dc.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr COLORREF kTop = RGB(0x30, 0x40, 0x50);
constexpr COLORREF kMark = RGB(255, 255, 0);
constexpr COLORREF kScribble = RGB(255, 0, 255);
constexpr int kInset = 4;     // a child leaves this much of its parent's picture showing round its fill
constexpr int kMarkSide = 6;  // and draws a mark where it is told to
constexpr int kTopW = 300, kTopH = 200;

// Vertical stripes across the middle window's client area (shifted when it
// paints anew), so that a child that copies the wrong pixels of it shows.
COLORREF Stripe(int x, int shift) {
    const int s = x + shift;
    return RGB((s * 7) % 256, 90 + (s / 3) % 2 * 60, (s / 5) % 2 * 255);
}

// The top-level window (one colour), the middle window (stripes) and the
// children (they erase nothing: their parent's picture shows round a fill of
// their own colour and a mark).
class Pane : public CWnd {
public:
    enum Kind { Top, Striped, Child };
    Pane(Kind kind, COLORREF fill, const int* shift) : kind(kind), fill(fill), m_shift(shift) {}
    ~Pane() override {
        if (m_hWnd) DestroyWindow();
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        CRect client;
        GetClientRect(&client);
        if (message == WM_ERASEBKGND) {
            auto* dc = reinterpret_cast<CDC*>(wParam);
            if (kind == Top) dc->FillSolidRect(&client, kTop);
            if (kind == Striped)
                for (int x = 0; x < client.Width(); ++x) dc->FillSolidRect(x, 0, 1, client.Height(), Stripe(x, *m_shift));
            return 1;
        }
        if (message == WM_PAINT) {
            CPaintDC dc(this);
            if (kind == Child) {
                dc.FillSolidRect(kInset, kInset, client.Width() - 2 * kInset, client.Height() - 2 * kInset, fill);
                dc.FillSolidRect(mark.x, mark.y, kMarkSide, kMarkSide, kMark);
            }
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
    Kind kind;
    COLORREF fill;
    CPoint mark{2, 2};

private:
    const int* m_shift;
};

struct Layout {
    const char* name;
    CRect middle;  // in the top-level window
    CRect child;   // in the middle window
    CRect grand;   // in the child (empty: none)
    DWORD middleExStyle = 0;
};

void PrintTo(const Layout& l, std::ostream* os) { *os << l.name; }

struct ClipScene {
    int shift = 0;
    Pane top{Pane::Top, kTop, &shift};
    Pane middle{Pane::Striped, 0, &shift};
    Pane child{Pane::Child, RGB(220, 40, 40), &shift};
    Pane grand{Pane::Child, RGB(40, 200, 60), &shift};
    bool nested;

    explicit ClipScene(const Layout& l) : nested(!l.grand.IsRectEmpty()) {
        EXPECT_TRUE(top.CreateEx(0, nullptr, u"clip", WS_POPUP, CRect(0, 0, kTopW, kTopH), nullptr, 0));
        EXPECT_TRUE(middle.CreateEx(l.middleExStyle, nullptr, u"", WS_CHILD | WS_VISIBLE, l.middle, &top, 1));
        EXPECT_TRUE(child.Create(nullptr, u"", WS_CHILD | WS_VISIBLE, l.child, &middle, 2));
        if (nested) {
            EXPECT_TRUE(grand.Create(nullptr, u"", WS_CHILD | WS_VISIBLE, l.grand, &child, 3));
        }
        top.ShowWindow(SW_SHOWNORMAL);
        platform::PumpEvents(50);
    }

    // A window's client area in the top-level window's client coordinates.
    QRect InTop(const CWnd& w) const {
        CRect rc;
        w.GetClientRect(&rc);
        w.ClientToScreen(&rc);
        top.ScreenToClient(&rc);
        return QRect(rc.left, rc.top, rc.Width(), rc.Height());
    }
    // The part of the child that shows (top-level client coordinates).
    QRect ChildShown() const { return InTop(middle) & InTop(child) & QRect(0, 0, kTopW, kTopH); }
    // A child that lies inside its top-level window paints straight into what
    // the screen shows; one that reaches past it composes a picture of its
    // own, which the screen takes with its next frame.
    bool Direct() const { return QRect(0, 0, kTopW, kTopH).contains(InTop(child)); }
    void UntilShown() const {
        if (!Direct()) platform::PumpEvents(20);
    }

    // What a clipped drawing shows; `scribbled`: the child's part drawn over in
    // kScribble through a context on the child.
    QImage Expected(bool scribbled = false) const {
        QImage image(kTopW, kTopH, QImage::Format_RGB32);
        auto fill = [&image](const QRect& r, COLORREF c) {
            const QRect part = r & image.rect();
            for (int y = part.top(); y <= part.bottom(); ++y)
                for (int x = part.left(); x <= part.right(); ++x)
                    image.setPixel(x, y, qRgb(GetRValue(c), GetGValue(c), GetBValue(c)));
        };
        fill(image.rect(), kTop);
        QRect clip = InTop(middle);
        if (middle.GetExStyle() & WS_EX_CLIENTEDGE) {
            // A sunken edge round the middle window's client area.
            const QRect outer = clip.adjusted(-2, -2, 2, 2), inner = clip.adjusted(-1, -1, 1, 1);
            for (const QRect& r : {outer, inner}) {
                const bool o = r == outer;
                fill(QRect(r.left(), r.top(), r.width() - 1, 1), GetSysColor(o ? COLOR_BTNSHADOW : COLOR_3DDKSHADOW));
                fill(QRect(r.left(), r.top(), 1, r.height() - 1), GetSysColor(o ? COLOR_BTNSHADOW : COLOR_3DDKSHADOW));
                fill(QRect(r.left(), r.bottom(), r.width(), 1), GetSysColor(o ? COLOR_BTNHIGHLIGHT : COLOR_3DLIGHT));
                fill(QRect(r.right(), r.top(), 1, r.height()), GetSysColor(o ? COLOR_BTNHIGHLIGHT : COLOR_3DLIGHT));
            }
        }
        for (int x = 0; x < clip.width(); ++x) fill(QRect(clip.left() + x, clip.top(), 1, clip.height()) & clip, Stripe(x, shift));
        for (const Pane* p : {&child, &grand}) {
            if (p == &grand && !nested) break;
            const QRect r = InTop(*p);
            clip &= r;
            fill(r.adjusted(kInset, kInset, -kInset, -kInset) & clip, p->fill);
            fill(QRect(r.topLeft() + QPoint(p->mark.x, p->mark.y), QSize(kMarkSide, kMarkSide)) & clip, kMark);
        }
        if (scribbled) fill(ChildShown(), kScribble);
        return image;
    }

    // The top-level window as a capture of the desktop shows it.
    QImage Captured() const {
        TempDir dir;
        CRect rc(0, 0, kTopW, kTopH);
        top.ClientToScreen(&rc);
        QImage image;
        if (platform::CaptureDesktopToPng(rc, U16(dir / "capture.png")))
            image.load(QString::fromStdString((dir / "capture.png").string()), "PNG");
        return image;
    }
    void MarkAt(CPoint at) {
        CRect before(child.mark, CSize(kMarkSide, kMarkSide));
        child.mark = at;
        CRect after(at, CSize(kMarkSide, kMarkSide));
        child.InvalidateRect(&before, FALSE);
        child.InvalidateRect(&after, FALSE);
    }
};

// The one pixel check: a picture of the top-level window against the clipped drawing.
::testing::AssertionResult Shows(const QImage& got, const QImage& expected, const std::string& tag) {
    return SameImages(got.convertToFormat(QImage::Format_RGB32), expected, tag);
}

class ChildClipping : public ::testing::TestWithParam<Layout> {};

TEST_P(ChildClipping, ShowsTheClippedDrawingOnEveryPath) {
    const Layout& l = GetParam();
    ClipScene s(l);
    // First paint: screen, grab and capture.
    EXPECT_TRUE(Shows(OnScreen(&s.top), s.Expected(), "screen"));
    EXPECT_TRUE(Shows(GrabWindow(&s.top), s.Expected(), "grab"));
    EXPECT_TRUE(Shows(s.Captured(), s.Expected(), "capture"));

    // Redrawn now (straight into what the screen shows), then only the mark's
    // two places invalidated: each equals the drawing made from scratch.
    s.child.mark = CPoint(s.child.mark.x + 9, s.child.mark.y + 7);
    s.child.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    s.UntilShown();
    EXPECT_TRUE(Shows(OnScreen(&s.top), s.Expected(), "redrawn"));
    s.MarkAt(CPoint(1, 1));
    s.child.UpdateWindow();
    s.UntilShown();
    EXPECT_TRUE(Shows(OnScreen(&s.top), s.Expected(), "part"));
    platform::PumpEvents(20);
    EXPECT_TRUE(Shows(OnScreen(&s.top), s.Expected(), "part-frame"));
    EXPECT_TRUE(Shows(GrabWindow(&s.top), s.Expected(), "part-grab"));

    // The parent paints anew (new stripes): the child keeps its new background
    // and is painted from it again alone.
    s.shift += 3;
    s.middle.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    s.UntilShown();
    EXPECT_TRUE(Shows(OnScreen(&s.top), s.Expected(), "parent"));
    s.child.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    if (s.nested) s.grand.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    platform::PumpEvents(20);
    EXPECT_TRUE(Shows(OnScreen(&s.top), s.Expected(), "kept"));

    // A context on the child reads what the screen shows and draws only where
    // the child shows.
    {
        auto dc = std::make_unique<CClientDC>(&s.child);
        const QImage expected = s.Expected();
        const QRect shown = s.ChildShown(), client = s.InTop(s.child);
        int wrong = 0;
        for (int y = shown.top(); y <= shown.bottom(); ++y)
            for (int x = shown.left(); x <= shown.right(); ++x)
                wrong += dc->GetPixel(x - client.left(), y - client.top()) != PixelAt(expected, x, y);
        EXPECT_EQ(wrong, 0) << "pixels a context on the child reads otherwise than the screen shows";
        dc->FillSolidRect(0, 0, client.width(), client.height(), kScribble);
        dc.reset();
        s.UntilShown();
        EXPECT_TRUE(Shows(OnScreen(&s.top), s.Expected(true), "scribbled"));
        s.child.Invalidate(TRUE);
        platform::PumpEvents(20);
        EXPECT_TRUE(Shows(OnScreen(&s.top), s.Expected(), "scribble-painted-over"));
    }

    // Moved and resized, and its parent resized: still the clipped drawing.
    CRect moved = l.child;
    moved.OffsetRect(9, -7);
    moved.right += 5;
    moved.bottom += 5;
    s.child.MoveWindow(&moved, TRUE);
    platform::PumpEvents(20);
    EXPECT_TRUE(Shows(OnScreen(&s.top), s.Expected(), "moved"));
    EXPECT_TRUE(Shows(GrabWindow(&s.top), s.Expected(), "moved-grab"));
    CRect grown = l.middle;
    grown.right += 12;
    grown.bottom += 9;
    s.middle.MoveWindow(&grown, TRUE);
    platform::PumpEvents(20);
    EXPECT_TRUE(Shows(OnScreen(&s.top), s.Expected(), "parent-grown"));
    s.child.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    s.UntilShown();
    EXPECT_TRUE(Shows(OnScreen(&s.top), s.Expected(), "parent-grown-redrawn"));

    // A grab of the child alone shows all of it: its fill reaches its edges
    // less the inset, wherever its parent ends.
    const QImage alone = GrabWindow(&s.child);
    ASSERT_EQ(alone.size(), QSize(moved.Width(), moved.Height()));
    const QRect grand = s.nested ? s.InTop(s.grand).translated(-s.InTop(s.child).topLeft()) : QRect();
    int wrong = 0;
    for (int y = kInset; y < alone.height() - kInset; ++y)
        for (int x = kInset; x < alone.width() - kInset; ++x)
            if (!grand.contains(x, y) && !QRect(1, 1, kMarkSide, kMarkSide).contains(x, y))
                wrong += PixelAt(alone, x, y) != s.child.fill;
    EXPECT_EQ(wrong, 0) << "pixels of the child's fill missing from a grab of the child";
}

INSTANTIATE_TEST_SUITE_P(
    Geometries, ChildClipping,
    ::testing::Values(Layout{"FitsExactly", CRect(60, 50, 180, 130), CRect(0, 0, 120, 80), CRect()},
                      Layout{"Wider", CRect(60, 50, 180, 130), CRect(0, 20, 130, 50), CRect()},
                      Layout{"Taller", CRect(60, 50, 180, 130), CRect(20, 0, 50, 90), CRect()},
                      Layout{"NegativeX", CRect(60, 50, 180, 130), CRect(-15, 20, 25, 50), CRect()},
                      Layout{"NegativeY", CRect(60, 50, 180, 130), CRect(30, -12, 70, 18), CRect()},
                      Layout{"NegativeXAndY", CRect(60, 50, 180, 130), CRect(-10, -10, 30, 20), CRect()},
                      Layout{"FullyOutside", CRect(60, 50, 180, 130), CRect(130, 10, 170, 40), CRect()},
                      Layout{"GrandchildPastChildPastParent", CRect(60, 50, 180, 130), CRect(80, 40, 150, 100),
                             CRect(30, -10, 80, 30)},
                      Layout{"ParentPastTheTopLevel", CRect(240, 150, 360, 230), CRect(40, 20, 100, 70), CRect()},
                      Layout{"OverItsParentsEdge", CRect(60, 50, 180, 130), CRect(-8, -6, 40, 30), CRect(),
                             WS_EX_CLIENTEDGE}),
    [](const ::testing::TestParamInfo<Layout>& i) { return std::string(i.param.name); });

}  // namespace
