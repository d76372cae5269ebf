// The text label: box, frame, bevel, fills and text read back as pixels over a
// parent's background; presses, double clicks and the in-place edit.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <algorithm>
#include <memory>

#include "controls/draw_helpers.h"
#include "controls/led.h"
#include "controls/quor_text.h"
#include "controls/title_text.h"
#include "platform/runtime/app.h"
#include "tests/controls/control_scene.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/qt_helpers.h"

using control_test::BoxRecorder;
using control_test::Scene;

namespace {

constexpr COLORREF kBack = 0x4C3F38;
constexpr int kId = 20105;

struct LabelScene {
    Scene scene;
    CQuorText label;

    LabelScene(const CString& text, const CRect& rc, int sceneWidth = 320, int sceneHeight = 120)
        : scene(sceneWidth, sceneHeight, kBack) {
        EXPECT_TRUE(label.CreateEx(0, u"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(0, 0, 0, 0),
                                   &scene.top, kId));
        label.Init(0x00FFFF, 0x4080FF, 0, 2);
        label.Reposition(rc);
    }
    std::vector<LPARAM> Codes() const { return scene.Codes(WM_TEXT_NOTIFY, kId); }
};

// The pixels of the snapshot inside `rc` that are within `tolerance` of `colour`.
struct Extent {
    int count = 0;
    int minX = 1 << 30, maxX = -1, minY = 1 << 30, maxY = -1;
};
Extent PixelsOf(const Snapshot& snap, const CRect& rc, COLORREF colour, int tolerance) {
    Extent e;
    for (int y = rc.top; y < rc.bottom; ++y)
        for (int x = rc.left; x < rc.right; ++x)
            if (ChannelDistance(snap.Pixel(x, y), colour) <= tolerance) {
                ++e.count;
                e.minX = std::min(e.minX, x);
                e.maxX = std::max(e.maxX, x);
                e.minY = std::min(e.minY, y);
                e.maxY = std::max(e.maxY, y);
            }
    return e;
}

void DoubleClick(CWnd* wnd, int x, int y) {
    QWidget* w = wnd->Widget();
    const QPointF at(x, y);
    QMouseEvent e(QEvent::MouseButtonDblClick, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

}  // namespace

TEST(QuorText, RoundedCornersShowTheParentsBackground) {
    LabelScene s(u"", CRect(20, 20, 220, 80));
    s.label.m_nRadius = 12;
    s.label.m_crBox = 0x00A000;
    s.label.m_crFrame = 0x0000FF;
    s.label.m_dwFlags |= CQuorText::kFrame;
    s.label.Invalidate();
    auto snap = SnapWindow(&s.label);
    for (POINT corner : {POINT{0, 0}, POINT{1, 1}, POINT{199, 0}, POINT{0, 59}, POINT{198, 58}})
        EXPECT_TRUE(snap->Near(corner.x, corner.y, kBack, 0)) << corner.x << "," << corner.y;
    EXPECT_TRUE(snap->Near(100, 0, 0x0000FF, 2));
    EXPECT_TRUE(snap->Near(10, 30, 0x00A000, 0));
    // The parent as the screen shows it: the label's corner and its fill.
    auto whole = SnapWindow(&s.scene.top, "scene");
    EXPECT_TRUE(whole->Near(20, 20, kBack, 0));
    EXPECT_TRUE(whole->Near(30, 50, 0x00A000, 0));
}

TEST(QuorText, FillModesBevelAndGloss) {
    LabelScene s(u"", CRect(10, 10, 210, 110), 240, 130);
    const int w = 200, h = 100;
    // Three stops: grey at the top and bottom, white at 60 % of the height.
    s.label.m_nFillMode = 2;
    s.label.m_crFill1 = 0xFFFFFF;
    s.label.m_crFill2 = 0x808080;
    s.label.Invalidate();
    {
        auto snap = SnapWindow(&s.label, "three-stops");
        EXPECT_TRUE(snap->Near(5, 1, 0x808080, 4));
        EXPECT_TRUE(snap->Near(5, 60, 0xFFFFFF, 4));
        EXPECT_TRUE(snap->Near(5, 98, 0x808080, 8));
        EXPECT_TRUE(snap->Near(5, 30, 0xBFBFBF, 4));  // half way to the white
    }
    // Two colours from top to bottom.
    s.label.m_nFillMode = 1;
    s.label.m_crFill1 = 0x0000FF;
    s.label.m_crFill2 = 0xFF0000;
    s.label.Invalidate();
    {
        auto snap = SnapWindow(&s.label, "two-colours");
        EXPECT_TRUE(snap->Near(5, 1, 0x0000FF, 4));
        EXPECT_TRUE(snap->Near(5, 50, 0x7F007F, 4));
        EXPECT_TRUE(snap->Near(5, 98, 0xFF0000, 8));
    }
    // Any other mode leaves the box unfilled: the parent shows through.
    s.label.m_nFillMode = 7;
    s.label.Invalidate();
    EXPECT_TRUE(SnapWindow(&s.label, "unfilled")->Near(5, 50, kBack, 0));

    // Bevel: the box colour raised by 50 on the left and top, lowered on the right and bottom.
    s.label.m_nFillMode = 0;
    s.label.m_crBox = 0x406080;
    s.label.m_dwFlags |= CQuorText::kEdgeLines;
    s.label.Invalidate();
    {
        auto snap = SnapWindow(&s.label, "bevel");
        EXPECT_TRUE(snap->Near(w / 2, 0, 0x7092B2, 2));
        EXPECT_TRUE(snap->Near(0, h / 2, 0x7092B2, 2));
        EXPECT_TRUE(snap->Near(w / 2, h - 1, 0x0E2E4E, 2));
        EXPECT_TRUE(snap->Near(w - 1, h / 2, 0x0E2E4E, 2));
        EXPECT_TRUE(snap->Near(5, 50, 0x406080, 0));
    }
    // Gloss: white at its centre (w / 2, h / 20 + h / 16), fading to the box colour.
    s.label.m_dwFlags = (s.label.m_dwFlags & ~CQuorText::kEdgeLines) | CQuorText::kGloss;
    s.label.Invalidate();
    {
        auto snap = SnapWindow(&s.label, "gloss");
        EXPECT_TRUE(snap->Near(w / 2, 5 + 6, 0xFFFFFF, 12));
        EXPECT_TRUE(snap->Near(w / 2, 40, 0x406080, 0));
    }
}

TEST(QuorText, AlignmentPlacesTheText) {
    LabelScene s(u"WW", CRect(10, 10, 310, 50));
    s.label.m_crText = 0xFFFFFF;
    s.label.m_crBox = 0x000000;
    const CRect inside(0, 0, 300, 40);
    auto extentFor = [&](int align) {
        s.label.m_nAlign = align;
        s.label.Invalidate();
        auto snap = SnapWindow(&s.label, "align" + std::to_string(align));
        return PixelsOf(*snap, inside, 0xFFFFFF, 40);
    };
    const Extent left = extentFor(0), right = extentFor(2), centre = extentFor(1), both = extentFor(3);
    ASSERT_GT(left.count, 20);
    EXPECT_LT(left.minX, 10);
    EXPECT_GT(right.maxX, 290);
    EXPECT_NEAR((centre.minX + centre.maxX) / 2.0, 150, 3);
    // Bit 0x1 wins over 0x2.
    EXPECT_EQ(both.minX, centre.minX);
    EXPECT_EQ(both.maxX, centre.maxX);
}

TEST(QuorText, TextGradientOutlineAndReflection) {
    LabelScene s(u"HH", CRect(10, 10, 210, 90), 240, 110);
    s.label.m_crBox = 0x000000;
    s.label.m_dwFlags |= CQuorText::kTextGradient | CQuorText::kTextOutline;
    s.label.m_crTextTop = 0xFFFFFF;
    s.label.m_crTextBottom = 0xFFFFFF;
    s.label.m_crTextOutline = 0x00FF00;
    s.label.Invalidate();
    {
        // The gradient's colours fill the glyphs, a green line surrounds them.
        auto snap = SnapWindow(&s.label, "outline");
        EXPECT_GT(PixelsOf(*snap, CRect(0, 0, 200, 80), 0xFFFFFF, 10).count, 100);
        EXPECT_GT(PixelsOf(*snap, CRect(0, 0, 200, 80), 0x00FF00, 60).count, 20);
        EXPECT_EQ(PixelsOf(*snap, CRect(0, 0, 200, 80), 0x00FFFF, 10).count, 0);  // not m_crText
    }
    // With the text pulled up, its mirror image shows below it, black into green.
    s.label.m_dwFlags = (s.label.m_dwFlags & ~CQuorText::kTextOutline) | CQuorText::kReflection;
    s.label.m_fTextScale = 0.5f;
    s.label.m_fTextOffset = -0.3f;
    s.label.Invalidate();
    auto mirrored = SnapWindow(&s.label, "reflection");
    int greenish = 0;
    for (int y = 52; y < 80; ++y)
        for (int x = 0; x < 200; ++x) {
            const COLORREF c = mirrored->Pixel(x, y);
            greenish += GetGValue(c) > 60 && GetRValue(c) < 30 && GetBValue(c) < 30;
        }
    EXPECT_GT(greenish, 10);
}

TEST(QuorText, FormatCutsTextLongerThanItsBuffer) {
    LabelScene s(u"", CRect(10, 10, 110, 40));
    const std::u16string longText(3000, u'x');
    s.label.Format(u"%s-%d", longText.c_str(), 7);
    EXPECT_EQ(s.label.m_strText.size(), size_t(CQuorText::kFormatBufferSize - 1));
    EXPECT_EQ(s.label.GetWindowText(), s.label.m_strText);
    s.label.Format(u"%d m/s", 12);
    EXPECT_EQ(s.label.m_strText, u"12 m/s");
}

TEST(QuorText, InitReadsTheWindowTextAndMakesAHiddenEdit) {
    LabelScene s(u"caption", CRect(10, 10, 110, 40));
    EXPECT_EQ(s.label.m_strText, u"caption");
    ASSERT_NE(s.label.m_pEdit, nullptr);
    EXPECT_EQ(s.label.m_pEdit->GetParent(), &s.label);
    EXPECT_FALSE(s.label.m_pEdit->IsWindowVisible());
    EXPECT_EQ(s.label.m_pEdit->SendMessage(WM_GETFONT), reinterpret_cast<LRESULT>(HFONT(s.label.m_editFont)));
    EXPECT_EQ(s.label.GetStyle() & (SS_TYPEMASK | SS_NOTIFY), SS_OWNERDRAW | SS_NOTIFY);
}

TEST(QuorText, InitWithoutWindowShowsItsMessageAndGoesOn) {
    BoxRecorder boxes;
    CQuorText label;
    label.Init(0xFFFFFF, 0, 3, 1);
    CQuorTitleText title;
    title.Init(0x00FFFF, 0x4080FF, 7, 2);
    CLed lamp;
    lamp.Init(0);
    EXPECT_EQ(boxes.boxes, (std::vector<std::u16string>{u"Not Created Window! (CQuorText::Init)",
                                                         u"Not Created Window! (CQuorTitleText::Init)",
                                                         u"Not Created Window! (CLed::Init)"}));
    EXPECT_TRUE(label.m_dwFlags & CQuorText::kCreated);
    EXPECT_TRUE(title.m_dwFlags & CQuorText::kCreated);
    EXPECT_TRUE(lamp.m_dwFlags & CLed::kInitialised);
}

TEST(QuorText, RepositionTakesAFreshCopyOfTheBackground) {
    Scene scene(300, 80, 0xFFFFFF, 0x0000A0);
    CQuorText label;
    ASSERT_TRUE(label.Create(nullptr, u"", WS_CHILD | WS_VISIBLE, CRect(0, 0, 0, 0), &scene.top, kId));
    label.Init(0xFFFFFF, 0x000000, 10, 2);
    label.Reposition(CRect(10, 10, 110, 60));
    EXPECT_TRUE(SnapWindow(&label, "left")->Near(0, 0, 0xFFFFFF, 0));
    label.Reposition(CRect(180, 10, 280, 60));
    auto snap = SnapWindow(&label, "right");
    EXPECT_TRUE(snap->Near(0, 0, 0x0000A0, 0));
    EXPECT_TRUE(snap->Near(5, 25, 0x000000, 0));
}

TEST(QuorText, PressAndDoubleClickNotifyTheOwner) {
    LabelScene s(u"12", CRect(10, 10, 110, 40));
    MousePress(&s.label, 20, 10);
    MouseRelease(&s.label, 20, 10);
    EXPECT_EQ(s.Codes(), (std::vector<LPARAM>{0}));
    EXPECT_FALSE(s.label.m_dwFlags & CQuorText::kEditing);
    EXPECT_FALSE(s.label.m_pEdit->IsWindowVisible());
    // A double click arrives as a press and then the double click.
    MousePress(&s.label, 20, 10);
    MouseRelease(&s.label, 20, 10);
    DoubleClick(&s.label, 20, 10);
    EXPECT_EQ(s.Codes(), (std::vector<LPARAM>{0, 0, 2}));

    // With an owner set, the owner hears and the parent does not.
    MessageLog ownerLog;
    RecordingWnd owner("owner", &ownerLog);
    ASSERT_TRUE(owner.CreateEx(0, nullptr, u"owner", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0));
    owner.logOnly = {WM_TEXT_NOTIFY};
    ownerLog.clear();
    s.label.SetOwner(&owner);
    MousePress(&s.label, 20, 10);
    ASSERT_EQ(ownerLog.size(), 1u);
    EXPECT_EQ(ownerLog[0].wParam, WPARAM(kId));
    EXPECT_EQ(ownerLog[0].lParam, 0);
    EXPECT_EQ(s.Codes().size(), 3u);
}

TEST(QuorText, InPlaceEditCommitsItsTextOnFocusLoss) {
    LabelScene s(u"12.5", CRect(10, 10, 130, 50));
    MessageLog otherLog;
    RecordingWnd other("other", &otherLog);
    ASSERT_TRUE(other.Create(nullptr, u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(200, 10, 240, 40), &s.scene.top,
                             7));
    s.label.m_dwFlags |= CQuorText::kEditable;
    auto before = SnapWindow(&s.label, "before");

    MousePress(&s.label, 30, 20);
    MouseRelease(&s.label, 30, 20);
    // The edit is open over the whole label, with the text selected and the focus.
    EXPECT_TRUE(s.label.m_dwFlags & CQuorText::kEditing);
    ASSERT_TRUE(s.label.m_pEdit->IsWindowVisible());
    CRect rc;
    s.label.m_pEdit->GetWindowRect(&rc);
    s.label.ScreenToClient(&rc);
    EXPECT_EQ(rc, CRect(0, 0, 120, 40));
    EXPECT_EQ(s.label.m_pEdit->GetWindowText(), u"12.5");
    int a = -1, b = -1;
    s.label.m_pEdit->GetSel(a, b);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 4);
    EXPECT_EQ(CWnd::GetFocus(), s.label.m_pEdit);
    EXPECT_EQ(s.Codes(), (std::vector<LPARAM>{0}));

    // Typing replaces the selection; leaving the field commits it.
    PressKey(s.label.m_pEdit, Qt::Key_7);
    PressKey(s.label.m_pEdit, Qt::Key_8);
    other.SetFocus();
    EXPECT_EQ(s.Codes(), (std::vector<LPARAM>{0, 3}));
    EXPECT_FALSE(s.label.m_dwFlags & CQuorText::kEditing);
    EXPECT_FALSE(s.label.m_pEdit->IsWindowVisible());
    EXPECT_EQ(s.label.m_strText, u"78");
    EXPECT_EQ(s.label.GetWindowText(), u"78");
    // The label shows the new text at once.
    auto after = SnapWindow(&s.label, "after");
    int changed = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x) changed += before->Pixel(x, y) != after->Pixel(x, y);
    EXPECT_GT(changed, 30);

    // Opening and leaving without a change still ends with code 3.
    MousePress(&s.label, 30, 20);
    other.SetFocus();
    EXPECT_EQ(s.Codes(), (std::vector<LPARAM>{0, 3, 0, 3}));
    EXPECT_EQ(s.label.m_strText, u"78");
}

TEST(QuorText, ALabelDeletedWhileItsEditHasTheFocusReportsNothing) {
    Scene scene(200, 80, kBack);
    auto label = std::make_unique<CQuorText>();
    ASSERT_TRUE(label->Create(nullptr, u"5", WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(0, 0, 0, 0), &scene.top, kId));
    label->Init(0xFFFFFF, 0x000000, 4, 2);
    label->Reposition(CRect(10, 10, 110, 50));
    label->m_dwFlags |= CQuorText::kEditable;
    MousePress(label.get(), 20, 20);
    ASSERT_EQ(CWnd::GetFocus(), label->m_pEdit);
    label.reset();
    EXPECT_EQ(scene.Codes(WM_TEXT_NOTIFY, kId), (std::vector<LPARAM>{0}));
}
