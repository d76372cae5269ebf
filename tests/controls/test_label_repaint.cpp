// The text and title labels keep what does not change between their texts (the
// background with the box over it) and paint straight onto their window: a
// label that has shown many texts, moved, been resized and recoloured must look
// pixel for pixel like one that painted its last text fresh, and a repaint of a
// part of it like the same part of a whole paint.
#include <gtest/gtest.h>

#include <QBackingStore>
#include <QCoreApplication>
#include <QImage>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "controls/quor_text.h"
#include "controls/title_text.h"
#include "platform/runtime/app.h"
#include "tests/controls/control_scene.h"
#include "tests/support/colours.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/qt_helpers.h"

using control_test::ConfigureAsMainWindow;
using control_test::SameImages;
using control_test::Scene;
using control_test::SharedFonts;

namespace {

constexpr int kId = 20300;
// Two halves of different colours, so that a background copy taken at the
// wrong place or time shows.
constexpr COLORREF kLeft = colours::kSlate;
constexpr COLORREF kRight = 0x1080C0;
const CRect kFinal(20, 20, 440, 125);  // 420 x 105, as a stack's label
const CRect kFirst(60, 40, 300, 90);

struct LabelCase {
    const char* name;
    bool title;
    std::function<void(CQuorText&)> look;  // the flags and colours the case is about
};

// One label in a scene of its own, set up as the case says.
struct Labelled {
    Scene scene{460, 150, kLeft, kRight};
    std::unique_ptr<CQuorText> label;

    explicit Labelled(const LabelCase& c) {
        if (c.title) {
            auto title = std::make_unique<CQuorTitleText>();
            EXPECT_TRUE(title->Create(nullptr, u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | SS_CENTER, CRect(0, 0, 0, 0),
                                      &scene.top, kId));
            ConfigureAsMainWindow(*title, &SharedFonts().m_iconFamily);
            label = std::move(title);
        } else {
            label = std::make_unique<CQuorText>();
            EXPECT_TRUE(label->CreateEx(0, u"STATIC", u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(0, 0, 0, 0),
                                        &scene.top, kId));
            label->Init(colours::kYellow, 0x4080FF, 0, 2);
            label->m_crFill1 = 0x4C3F38;
            label->m_crFill2 = 0x82614F;
            label->m_crFrame = 0xBC7200;
            label->m_crTextTop = colours::kWhite;
            label->m_crTextBottom = 0x000080;
            label->m_crTextOutline = colours::kLime;
        }
        c.look(*label);
    }
    QImage Grab() { return GrabWindow(label.get()); }
    // The label's part of what the screen shows (the top-level window's
    // backing store), read without painting anything.
    QImage* Screen(QPoint* at) {
        QWidget* w = label->Widget();
        auto* store = w->backingStore() ? dynamic_cast<QImage*>(w->backingStore()->paintDevice()) : nullptr;
        *at = w->mapTo(w->window(), QPoint(0, 0));
        return store;
    }
    QImage Shown() {
        QPoint at;
        QImage* store = Screen(&at);
        if (!store) return QImage();
        return store->copy(QRect(at, label->Widget()->size())).convertToFormat(QImage::Format_ARGB32);
    }
    // Writes one pixel of the screen under the label, as a paint of something
    // else would leave it.
    void Mark(int x, int y, QRgb colour) {
        QPoint at;
        if (QImage* store = Screen(&at)) store->setPixel(at + QPoint(x, y), colour);
    }
    // Placed, shown and painted once, as on the screen.
    void Show() {
        label->Reposition(kFinal);
        platform::PumpEvents(5);
    }
};

// Paints everything kept pictures may leave behind: texts of every length, a
// move and a resize, other boxes shown with and without an erase; ends with the
// case's own box and the text "   88°".
void PaintHistory(CQuorText& label) {
    const COLORREF box = label.m_crBox, fill1 = label.m_crFill1;
    const int radius = label.m_nRadius;
    auto otherBox = [&](COLORREF colour, int extraRadius) {
        label.m_crBox = colour;
        label.m_crFill1 = colour ^ 0xFFFFFF;
        label.m_nRadius = radius + extraRadius;
    };
    otherBox(colours::kRed, 4);
    label.Reposition(kFirst);
    for (const char16_t* text : {u"   270°", u"WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW", u"", u"   3°"}) label.SetText(text);
    label.Reposition(kFinal);
    for (const char16_t* text : {u"   359°", u"풍향 12°", u"   1°"}) label.SetText(text);
    otherBox(colours::kGreen, 8);
    label.Invalidate(TRUE);
    label.UpdateWindow();
    // The case's own box, shown without an erase: the label asks for the
    // erasing repaint it needs by itself.
    label.m_crBox = box;
    label.m_crFill1 = fill1;
    label.m_nRadius = radius;
    label.Invalidate(FALSE);
    label.UpdateWindow();
    QCoreApplication::processEvents();
    label.SetText(u"   88°");
}

const std::vector<LabelCase>& Cases() {
    static const std::vector<LabelCase> cases = {
        {"solid-framed", false, [](CQuorText& l) { l.m_dwFlags |= CQuorText::kFrame; l.m_crBox = colours::kBlack; }},
        {"solid-rounded-left", false,
         [](CQuorText& l) {
             l.m_nRadius = 9;
             l.m_nAlign = 0;
             l.m_dwFlags |= CQuorText::kEdgeLines | CQuorText::kGloss | CQuorText::kTextOutline;
         }},
        {"gradient-right", false,
         [](CQuorText& l) {
             l.m_nFillMode = 1;
             l.m_nAlign = 2;
             l.m_dwFlags |= CQuorText::kTextGradient | CQuorText::kFrame | CQuorText::kGloss;
         }},
        {"three-stops-reflected", false,
         [](CQuorText& l) {
             l.m_nFillMode = 2;
             l.m_nRadius = 6;
             l.m_fTextScale = 0.5f;
             l.m_fTextOffset = -0.3f;
             l.m_dwFlags |= CQuorText::kReflection | CQuorText::kTextGradient | CQuorText::kEdgeLines;
         }},
        {"raised-into-the-gloss", false,
         [](CQuorText& l) {
             l.m_nAlign = 2;
             l.m_fTextScale = 0.5f;
             l.m_fTextOffset = -0.3f;
             l.m_dwFlags |= CQuorText::kGloss;
         }},
        {"unfilled-everything", false,
         [](CQuorText& l) {
             l.m_nFillMode = 3;
             l.m_nRadius = 12;
             l.m_dwFlags |= CQuorText::kFrame | CQuorText::kEdgeLines | CQuorText::kGloss | CQuorText::kReflection |
                            CQuorText::kTextOutline | CQuorText::kTextGradient | CQuorText::kEditable;
         }},
        {"title", true, [](CQuorText&) {}},
        {"title-suffix-subtext-icons", true,
         [](CQuorText& l) {
             auto& t = static_cast<CQuorTitleText&>(l);
             t.m_strSuffix = u"v2";
             t.m_strSubText = u"SUB";
             t.m_fSubTextX = 1.0f;
             t.m_fSubTextY = 0.3f;
             t.m_nFillMode = 2;
             t.m_dwFlags |= CQuorTitleText::kSubTextBox | CQuorTitleText::kRaisedText | CQuorTitleText::kBackFill;
             t.m_crBackFill = 0x203040;
             t.m_nGlyphLeft[0] = 16;
             t.m_nGlyphRight[0] = 17;
         }},
    };
    return cases;
}

}  // namespace

TEST(LabelRepaint, AfterManyTextsALabelLooksLikeOneThatPaintedItsLastTextFresh) {
    for (const LabelCase& c : Cases()) {
        Labelled used(c);
        PaintHistory(*used.label);
        control_test::ForgetKeptDrawing();
        Labelled fresh(c);
        fresh.label->Reposition(kFinal);
        fresh.label->SetText(u"   88°");
        const QImage a = used.Grab(), b = fresh.Grab();
        EXPECT_TRUE(SameImages(a, b, c.name));
        // The comparison sees the text: another one gives another picture.
        fresh.label->SetText(u"   89°");
        EXPECT_NE(fresh.Grab(), a) << c.name;
    }
}

// Labels share the outlines they lay out: a label that lays out its text at
// the place and height another one did, but larger, in another face or
// aligned otherwise, still draws its own.
TEST(LabelRepaint, ALabelLaidOutOtherwiseDoesNotTakeAnothersOutline) {
    const std::pair<const char*, std::function<void(CQuorText&)>> others[] = {
        {"larger", [](CQuorText& l) { l.m_fTextScale = 0.9f; }},
        {"face", [](CQuorText& l) { l.m_strFaceName = u"Sans"; }},
        {"right", [](CQuorText& l) { l.m_nAlign = 2; }},
    };
    const LabelCase& plain = Cases().front();
    auto draw = [&](const std::function<void(CQuorText&)>& look) {
        Labelled l(plain);
        if (look) look(*l.label);
        l.label->Reposition(kFinal);
        l.label->SetText(u"   88°");
        return l.Grab();
    };
    for (const auto& [name, look] : others) {
        draw(nullptr);
        const QImage shared = draw(look);
        control_test::ForgetKeptDrawing();
        EXPECT_TRUE(SameImages(shared, draw(look), name));
    }
}

TEST(LabelRepaint, APartRepaintedLooksLikeThatPartOfAWholePaint) {
    // Glyph edges cross the edges of the repainted part: their pixels come out
    // as in a whole paint.
    for (const LabelCase& c : Cases()) {
        Labelled l(c);
        l.label->Reposition(kFinal);
        l.label->SetText(u"   270°");
        const QImage whole = l.Grab();
        for (const CRect& part : {CRect(30, 10, 200, 60), CRect(181, 37, 243, 91), CRect(0, 50, 420, 53)}) {
            // Something else first, so that the part shows what its repaint did.
            l.label->SetText(u"   111°");
            l.label->m_strText = u"   270°";
            l.label->InvalidateRect(&part, FALSE);
            l.label->UpdateWindow();
            const QRect area(part.left, part.top, part.Width(), part.Height());
            EXPECT_TRUE(SameImages(l.Grab().copy(area), whole.copy(area), std::string(c.name) + "-part"));
        }
    }
}

namespace {

// The texts a label is given one after another; with `hidden`, all but the
// first while the label is hidden (they add up to one paint when it shows
// again); with `recolour`, the box and the text change colour before the last
// one, with no repaint asked for but the new text's.
struct TextSequence {
    const char* name;
    std::vector<const char16_t*> texts;
    bool hidden = false;
    bool recolour = false;
};

void Recolour(CQuorText& label) {
    label.m_crText = colours::kRed;
    label.m_crBox = colours::kBlue;
    label.m_crFill1 = colours::kBlue;
}

const std::vector<TextSequence>& Sequences() {
    static const std::vector<TextSequence> sequences = {
        {"digits", {u"   272°", u"   273°", u"   283°"}},
        {"lengths", {u"   3°", u"WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW", u"", u"풍향 12°", u"   88°", u"1"}},
        {"while-hidden", {u"   359°", u"   1°", u"WWWWWWWWWWWW", u"   27°"}, true},
        {"recoloured", {u"   120°", u"   121°"}, false, true},
    };
    return sequences;
}

}  // namespace

// What the screen shows after any run of texts is what a label that painted
// only the last one shows: a new text repaints where the old one was.
TEST(LabelRepaint, TheScreenAfterTextsShowsAFreshPaintOfTheLast) {
    for (const LabelCase& c : Cases())
        for (const TextSequence& seq : Sequences()) {
            const std::string tag = std::string(c.name) + "-" + seq.name;
            Labelled used(c);
            used.Show();
            for (size_t i = 0; i < seq.texts.size(); ++i) {
                if (seq.hidden && i == 1) used.label->ShowWindow(SW_HIDE);
                if (seq.recolour && i + 1 == seq.texts.size()) Recolour(*used.label);
                used.label->SetText(seq.texts[i]);
            }
            if (seq.hidden) {
                used.label->ShowWindow(SW_SHOW);
                used.label->UpdateWindow();
            }
            // Read before events run: Qt's next frame repaints what was updated.
            const QImage shown = used.Shown();
            ASSERT_FALSE(shown.isNull()) << tag;
            control_test::ForgetKeptDrawing();
            Labelled fresh(c);
            if (seq.recolour) Recolour(*fresh.label);
            fresh.Show();
            fresh.label->SetText(seq.texts.back());
            EXPECT_TRUE(SameImages(shown, fresh.Shown(), tag));
        }
}

TEST(LabelRepaint, ANewTextRepaintsOnlyWhereTheOldAndTheNewTextDraw) {
    constexpr QRgb kMarker = 0xFFFF00FF;
    struct Row {
        const char* look;
        bool recolour;
        bool markerStays;
    } rows[] = {
        {"solid-framed", false, true},
        {"three-stops-reflected", false, true},
        {"solid-framed", true, false},  // another colour: the whole label
        {"title", false, false},        // the title's size and suffix follow its text
    };
    for (const Row& row : rows) {
        const LabelCase& c = *std::find_if(Cases().begin(), Cases().end(),
                                           [&](const LabelCase& l) { return std::string(l.name) == row.look; });
        Labelled l(c);
        l.Show();
        l.label->SetText(u"   272°");
        // A corner inside the box, well away from both texts and the reflection.
        l.Mark(kFinal.Width() - 6, 6, kMarker);
        if (row.recolour) l.label->m_crText = colours::kRed;
        l.label->SetText(u"   273°");
        const QImage shown = l.Shown();
        ASSERT_FALSE(shown.isNull()) << row.look;
        EXPECT_EQ(shown.pixel(kFinal.Width() - 6, 6) == kMarker, row.markerStays) << row.look;
    }
}

// A new text that differs in one glyph repaints that glyph: a mark on the
// first glyph, which both texts share, stays, unless the label outlines its
// text (a pen is worked out over the part painted, so all of it is painted).
TEST(LabelRepaint, ANewTextLeavesTheGlyphsItSharesWithTheOldAlone) {
    constexpr QRgb kMarker = 0xFFFF00FF;
    const std::pair<const char*, bool> rows[] = {
        {"solid-framed", true}, {"gradient-right", true}, {"solid-rounded-left", false}};
    for (const auto& [look, markerStays] : rows) {
        const LabelCase& c = *std::find_if(Cases().begin(), Cases().end(),
                                           [look = look](const LabelCase& l) { return std::string(l.name) == look; });
        Labelled l(c);
        l.Show();
        l.label->SetText(u"   272°");
        // The first pixel of the first "2" along the text's middle row.
        const QImage before = l.Shown();
        ASSERT_FALSE(before.isNull()) << look;
        const int y = kFinal.Height() / 10 + kFinal.Height() / 2;
        int x = 12;
        while (x < before.width() && before.pixel(x, y) == before.pixel(11, y)) ++x;
        ASSERT_LT(x, before.width() - 60) << look;  // well before "2°"
        l.Mark(x, y, kMarker);
        l.label->SetText(u"   273°");
        EXPECT_EQ(l.Shown().pixel(x, y) == kMarker, markerStays) << look;
    }
}
