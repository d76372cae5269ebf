// The fills the display controls repeat on every paint: a path gradient on each
// figure of a segment-font glyph, the halo behind it, a text outline fitted into
// its label, a whole numeric-display paint at the main window's sizes, the
// numeric display control's own paint with its glyph outlines and fitting, and
// the main window's twelve numeric displays showing changing wind speeds.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "controls/draw_helpers.h"
#include "controls/fnd.h"
#include "controls/glyph_fills.h"
#include "controls/hmi_fonts.h"
#include "controls/indicator.h"
#include "controls/path_helpers.h"
#include "controls/quor_text.h"
#include "controls/title_text.h"
#include "platform/base/wformat.h"
#include "platform/runtime/app.h"
#include "res/resources.h"
#include "platform/gdi/dc.h"
#include "platform/graphics/graphics.h"

using namespace gfx;

namespace {

// The closed figures of a text outline, one path each.
std::vector<GraphicsPath> Figures(const GraphicsPath& outline) {
    std::vector<GraphicsPath> out;
    PathData d;
    outline.GetPathData(&d);
    for (INT i = 0; i < d.Count; ++i) {
        const BYTE type = d.Types[size_t(i)] & PathPointTypePathTypeMask;
        if (type == PathPointTypeStart) {
            out.emplace_back();
            out.back().AddLine(d.Points[size_t(i)], d.Points[size_t(i)]);
        } else if (type == PathPointTypeBezier && i + 2 < d.Count) {
            out.back().AddBezier(d.Points[size_t(i) - 1], d.Points[size_t(i)], d.Points[size_t(i) + 1],
                                 d.Points[size_t(i) + 2]);
            i += 2;
        } else {
            out.back().AddLine(d.Points[size_t(i) - 1], d.Points[size_t(i)]);
        }
        if (d.Types[size_t(i)] & PathPointTypeCloseSubpath) out.back().CloseFigure();
    }
    return out;
}

// The program's own fonts, loaded once in main.
HmiFontSet* g_fonts = nullptr;

std::vector<GraphicsPath> SegmentDigits(const char16_t* text, float em, float right, float centreY) {
    const FontFamily& family = g_fonts->m_segmentFamily;
    StringFormat format;
    format.SetAlignment(StringAlignmentFar);
    format.SetLineAlignment(StringAlignmentCenter);
    GraphicsPath outline;
    outline.AddString(text, -1, &family, FontStyleItalic, em, PointF(right, centreY), &format);
    return Figures(outline);
}

struct Target {
    Bitmap bitmap;
    Graphics g;
    Target(int w, int h) : bitmap(w, h, PixelFormat32bppARGB), g(&bitmap) {
        g.SetSmoothingMode(SmoothingModeAntiAlias);
        g.Clear(Color(255, 0, 0, 0));
    }
};

// Fills the figures of a segment "8" at an em of range(0), one per iteration.
template <class Fill>
void FillSegmentFigures(benchmark::State& state, Fill fill) {
    const float em = float(state.range(0));
    const auto figures = SegmentDigits(u"8", em, em * 1.2f, em * 0.6f);
    if (figures.empty()) {
        state.SkipWithError("the segment font is not loaded");
        return;
    }
    Target t(int(em * 1.4f), int(em * 1.3f));
    size_t k = 0;
    for (auto _ : state) {
        GraphicsPath figure = figures[k++ % figures.size()];
        fill(&t.g, &figure);
    }
    t.g.Flush();
    state.counters["figures"] = double(figures.size());
}

void BM_PathGradientOnGlyphFigure(benchmark::State& state) {
    FillSegmentFigures(state, [](Graphics* g, GraphicsPath* f) { FillPathRadial(g, f, RGB(255, 80, 80), RGB(128, 0, 0)); });
}
BENCHMARK(BM_PathGradientOnGlyphFigure)->Arg(40)->Arg(70)->Arg(120)->Unit(benchmark::kMicrosecond);

void BM_GlowOnGlyphFigure(benchmark::State& state) {
    FillSegmentFigures(state, [](Graphics* g, GraphicsPath* f) { FillPathGlow(g, f, RGB(0, 0, 128)); });
}
BENCHMARK(BM_GlowOnGlyphFigure)->Arg(40)->Arg(70)->Arg(120)->Unit(benchmark::kMicrosecond);

// range(0): label width; the title fits at 1000, needs many steps at 300.
void BM_FittedTextPath(benchmark::State& state) {
    const int width = int(state.range(0)), height = 60;
    StringFormat format;
    format.SetAlignment(StringAlignmentCenter);
    format.SetLineAlignment(StringAlignmentCenter);
    const CString title = u"ZEL 굴뚝 풍향 풍속 모니터링 시스템";
    GraphicsPath path;
    float fitted = 0;
    for (auto _ : state) {
        AddFittedTextPath(&path, FontStyleBold, 0, 0, width, height, title, u"돋움체", height * 0.8f,
                          PointF(width * 0.5f, height * 0.6f), &format, u"", PointF());
        benchmark::DoNotOptimize(path.GetPointCount());
    }
    fitted = FitTextSize(FontStyleBold, &format, 0, 0, width, height, title, u"돋움체", height * 0.8f,
                         PointF(width * 0.5f, height * 0.6f));
    state.counters["size"] = fitted;
}
BENCHMARK(BM_FittedTextPath)->Arg(1000)->Arg(300)->Unit(benchmark::kMicrosecond);

// One numeric-display paint: panel, bevel, four digits figure by figure with
// halo and radial fill, through the double-buffering context.
void BM_NumericDisplayPaint(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    CDC screen;
    screen.CreateCompatibleDC(nullptr);
    CBitmap surface;
    surface.CreateCompatibleBitmap(&screen, w, h);
    screen.SelectObject(&surface);
    const auto figures = SegmentDigits(u"12.8", float(h), float(w), h * 0.55f);
    for (auto _ : state) {
        const CRect area(0, 0, w, h);
        _CQuorMemDC mem(&screen, &area);
        mem.FillSolidRect(&area, RGB(0, 0, 0));
        mem.Draw3dRect(&area, OffsetColor(0, 70), OffsetColor(0, 120));
        Graphics g(&mem);
        g.SetSmoothingMode(SmoothingModeAntiAlias);
        for (const GraphicsPath& f : figures) {
            GraphicsPath figure = f;
            FillPathGlow(&g, &figure, RGB(0, 0, 128));
            FillPathRadial(&g, &figure, RGB(255, 80, 80), RGB(128, 0, 0));
        }
    }
    state.counters["figures"] = double(figures.size());
}
BENCHMARK(BM_NumericDisplayPaint)->Args({160, 48})->Args({240, 80})->Unit(benchmark::kMicrosecond);

// The numeric display control itself painting a new value each time, glyph
// outlines and the fitting to its width included: range(0) x range(1) pixels;
// range(2) 1 shows values too wide for it (they shrink). Fifty values in turn,
// more than the display keeps fitted.
void BM_NumericDisplayControl(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    CWnd top;
    top.CreateEx(0, nullptr, u"bench", WS_POPUP, CRect(0, 0, w + 20, h + 20), nullptr, 0);
    CFnd fnd;
    fnd.Create(nullptr, u"", WS_CHILD | WS_VISIBLE | SS_CENTER, CRect(10, 10, 10 + w, 10 + h), &top, 1);
    fnd.Init(TRUE, 1);
    fnd.m_pFamily = &g_fonts->m_segmentFamily;
    fnd.SetColor(RGB(255, 80, 80));
    fnd.SetUnit(u"m/s");
    fnd.m_fShiftX = -0.12f;
    const double scale = state.range(2) ? 1.0e7 : 1.0;
    int k = 0;
    for (auto _ : state) {
        fnd.m_dValue = (1.0 + double(k++ % 50) * 0.7) * scale;
        fnd.Invalidate();
        fnd.SendMessage(WM_PAINT);
    }
}
BENCHMARK(BM_NumericDisplayControl)
    ->Args({320, 80, 0})
    ->Args({420, 100, 0})
    ->Args({420, 100, 1})
    ->Unit(benchmark::kMicrosecond);

// The main window's twelve numeric displays (415 x 101, white, the unit beside
// them) while the wind changes on every reply: each iteration one display in
// turn shows its next value, a walk of tenths between 0 and 30 m/s, and paints.
// range(0) 1 draws the halo as well.
void BM_TwelveDisplaysChangingValues(benchmark::State& state) {
    constexpr int kDisplays = 12, w = 415, h = 101;
    CWnd top;
    top.CreateEx(0, nullptr, u"bench", WS_POPUP, CRect(0, 0, w + 20, kDisplays * (h + 4) + 20), nullptr, 0);
    std::vector<std::unique_ptr<CFnd>> displays;
    std::vector<double> values;
    for (int i = 0; i < kDisplays; ++i) {
        auto fnd = std::make_unique<CFnd>();
        fnd->Create(nullptr, u"", WS_CHILD | WS_VISIBLE | SS_CENTER, CRect(10, 10 + i * (h + 4), 10 + w, 10 + i * (h + 4) + h),
                    &top, UINT(1 + i));
        fnd->Init(state.range(0) ? TRUE : FALSE, 1);
        fnd->m_pFamily = &g_fonts->m_segmentFamily;
        fnd->SetColor(RGB(255, 255, 255));
        fnd->SetUnit(u"m/s");
        fnd->m_dTextSize = 0.9;
        fnd->m_fShiftX = -0.25f;
        displays.push_back(std::move(fnd));
        values.push_back(2.0 + i * 1.7);
    }
    GlyphFills& kept = GlyphFills::Shared();
    kept.Clear();
    const size_t hits = kept.Hits(), misses = kept.Misses();
    std::uint32_t seed = 12345;
    auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 16; };
    int k = 0;
    for (auto _ : state) {
        const int i = k++ % kDisplays;
        const int step = int(next() % 11) - 5;  // -0.5 .. +0.5 m/s
        values[size_t(i)] = std::clamp(values[size_t(i)] + step * 0.1, 0.0, 30.0);
        displays[size_t(i)]->m_dValue = values[size_t(i)];
        displays[size_t(i)]->Invalidate();
        displays[size_t(i)]->SendMessage(WM_PAINT);
    }
    // What the displays keep of their glyph fills, and how often a paint found them kept.
    const double found = double(kept.Hits() - hits), made = double(kept.Misses() - misses);
    state.counters["kept_kB"] = double(kept.Bytes()) / 1024.0;
    state.counters["kept_share"] = found / std::max(1.0, found + made);
}
BENCHMARK(BM_TwelveDisplaysChangingValues)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A stack's indicator as the stack panel sets it up (range(0) x range(1)
// pixels, white, the unit beside the value), shown and painted once, given a
// new wind speed each time as a reply brings it and painted into what the
// screen shows: a walk of tenths up from 12.3 m/s, so mostly one digit changes.
void BM_IndicatorValueByOneDigit(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    CWnd top;
    top.CreateEx(0, nullptr, u"bench", WS_POPUP, CRect(0, 0, w + 20, h + 20), nullptr, 0);
    CIndicator ind;
    ind.CreateEx(0, u"STATIC", u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(0, 0, 0, 0), &top, 1);
    ind.Init(u"", u"", 1, 0, 0, 1, 1);
    CFnd* fnd = ind.m_pFnd;
    fnd->m_dwFlags |= CFnd::kCreated;
    fnd->m_pFamily = &g_fonts->m_segmentFamily;
    // (The value display's place in the indicator, as in the stack panel.)
    ind.m_dTitleHeight = 0.35;
    ind.m_dTitleWidth = 0.01;
    ind.m_dValueWidth = 0.99;
    ind.m_nRadius = 0;
    ind.SetColor(0xFFFFFF);
    fnd->m_dTextSize = 0.9;
    fnd->m_fShiftX = -0.25f;
    fnd->m_fCenterY = 0.5f;
    fnd->SetUnit(u"m/s");
    ind.SetWindowText(u"STACK 1");
    ind.MoveWindow(10, 10, w, h, TRUE);
    top.ShowWindow(SW_SHOW);
    ind.SetValue(12.3);
    platform::PumpEvents(50);  // shown and painted once, as on the screen
    int k = 0;
    for (auto _ : state) {
        ind.SetValue(12.3 + double(k++ % 100) * 0.1);
        fnd->UpdateWindow();
    }
    CRect client;
    fnd->GetClientRect(&client);
    state.counters["display_w"] = client.Width();
    state.counters["display_h"] = client.Height();
}
BENCHMARK(BM_IndicatorValueByOneDigit)->Args({420, 160})->Unit(benchmark::kMicrosecond);

// One label paint as the title line draws it: background copy, rounded box with
// a vertical gradient and frame, fitted bold text with a gradient fill and an
// outline, its mirrored reflection, all off-screen and drawn in one step.
void BM_TitleLabelPaint(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    Bitmap background(w, h, PixelFormat32bppARGB);
    Bitmap screen(w, h, PixelFormat32bppARGB);
    Graphics target(&screen);
    StringFormat format;
    format.SetAlignment(StringAlignmentCenter);
    format.SetLineAlignment(StringAlignmentCenter);
    const CString title = u"ZEL 굴뚝 풍향 풍속 모니터링";
    for (auto _ : state) {
        Bitmap off(w, h, PixelFormat32bppARGB);
        Graphics g(&off);
        g.SetSmoothingMode(SmoothingModeAntiAlias);
        g.SetSmoothingMode(SmoothingModeHighQuality);
        g.DrawImage(&background, 0, 0);
        GraphicsPath box;
        AddRoundRectPath(7, &box, 0, 0, w - 1, h - 1);
        LinearGradientBrush face(Rect(0, 0, w, h), Color(ColorToArgb(255, 0x4C3F38)), Color(ColorToArgb(255, 0x82614F)),
                                 LinearGradientModeVertical);
        g.FillPath(&face, &box);
        Pen frame(Color(ColorToArgb(255, 0xBC7200)), 1.0f);
        g.DrawPath(&frame, &box);
        const float x = w * 0.5f, y = h / 10 + h * 0.5f;
        const float size =
            FitTextSize(FontStyleBold, &format, 0, 0, w, h, title, u"돋움체", h * 0.8f, PointF(x, y));
        GraphicsPath text;
        const FontFamily family(u"돋움체");
        text.AddString(title.c_str(), -1, &family, FontStyleBold, size, PointF(x, y), &format);
        LinearGradientBrush fill(Rect(0, 0, w, h), Color(0xFFFFFFFFu), Color(ColorToArgb(255, 0x000080)),
                                 LinearGradientModeVertical);
        g.FillPath(&fill, &text);
        Pen outline(Color(ColorToArgb(255, 0x4080FF)), 1.0f);
        g.DrawPath(&outline, &text);
        const float t = h * 0.8f + 10.0f;
        g.TranslateTransform(0, t);
        g.ScaleTransform(1, -1);
        g.TranslateTransform(0, -t);
        LinearGradientBrush mirror(Rect(0, int(t), w, h / 2), Color(0xFF000000u), Color(ColorToArgb(255, 0x08CC08)),
                                   LinearGradientModeVertical);
        g.FillPath(&mirror, &text);
        g.ResetTransform();
        target.DrawImage(&off, 0, 0);
    }
    target.Flush();
}
BENCHMARK(BM_TitleLabelPaint)->Args({600, 50})->Args({1200, 70})->Unit(benchmark::kMicrosecond);

// The lamp's body: an ellipse path gradient (Qt's focal gradient).
void BM_EllipseGradient(benchmark::State& state) {
    Target t(40, 40);
    GraphicsPath body;
    body.AddEllipse(3.0f, 7.0f, 30.0f, 30.0f);
    for (auto _ : state) {
        PathGradientBrush brush(&body);
        brush.SetCenterPoint(PointF(13, 17));
        brush.SetCenterColor(Color(ColorToArgb(255, 0xBCBCFF)));
        Color rim(ColorToArgb(255, 0x0000FF));
        INT n = 1;
        brush.SetSurroundColors(&rim, &n);
        t.g.FillPath(&brush, &body);
    }
    t.g.Flush();
}
BENCHMARK(BM_EllipseGradient)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    platform::StartGui(argc, argv);
    // The segment and icon faces the controls draw with are the program's own.
    res::RegisterBinaryResources();
    auto fonts = std::make_unique<HmiFontSet>();
    fonts->LoadPrivateFonts();
    g_fonts = fonts.get();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fonts.reset();
    platform::StopGui();
    return 0;
}

namespace {

// The direction label as a stack shows it (420 x 105, framed black box, white
// text) painting each of `texts` in turn: the whole paint of the control, from
// SetText to its pixels, on a window shown and painted once.
void PaintDirections(benchmark::State& state, const std::vector<CString>& texts) {
    const int w = int(state.range(0)), h = int(state.range(1));
    CWnd top;
    top.CreateEx(0, nullptr, u"bench", WS_POPUP, CRect(0, 0, w + 20, h + 20), nullptr, 0);
    CQuorText label;
    label.CreateEx(0, u"STATIC", u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(0, 0, 0, 0), &top, 1);
    label.Init(0x00FFFF, 0x4080FF, 0, 2);
    label.m_crText = 0xFFFFFF;
    label.m_crTextOutline = 0x000000;
    label.m_dwFlags |= CQuorText::kFrame;
    label.m_crBox = 0x000000;
    label.m_crFrame = 0x808080;
    label.m_fTextScale = 0.7f;
    label.Reposition(CRect(10, 10, 10 + w, 10 + h));
    top.ShowWindow(SW_SHOW);
    platform::PumpEvents(50);  // shown and painted once, as on the screen
    size_t k = 0;
    for (auto _ : state) label.SetText(texts[k++ % texts.size()]);
}

// New directions as the relay's replies bring them, one to three digits.
void BM_DirectionLabelPaint(benchmark::State& state) {
    std::vector<CString> texts;
    for (int d = 0; d < 360; d += 7) texts.push_back(platform::FormatWide(u"   %1.0f\u00B0", double(d)));
    PaintDirections(state, texts);
}
BENCHMARK(BM_DirectionLabelPaint)->Args({420, 105})->Unit(benchmark::kMicrosecond);

// A wind turning slowly: three digits, of which only the last one or two change.
void BM_DirectionLabelDigits(benchmark::State& state) {
    std::vector<CString> texts;
    for (int d = 250; d < 290; ++d) texts.push_back(platform::FormatWide(u"   %1.0f\u00B0", double(d)));
    PaintDirections(state, texts);
}
BENCHMARK(BM_DirectionLabelDigits)->Args({420, 105})->Unit(benchmark::kMicrosecond);

// The main window's title (1014 x 70 on a 1280-pixel screen, set up as the
// main window sets it up) given a new text and painted whole: ASCII texts
// (0) or Korean ones (1), whose size is also kept clear of the frame and of
// the text's reflection.
void BM_TitleTextChange(benchmark::State& state) {
    const int w = 1014, h = 70;
    CWnd top;
    top.CreateEx(0, nullptr, u"bench", WS_POPUP, CRect(0, 0, w + 20, h + 20), nullptr, 0);
    CQuorTitleText title;
    title.Create(nullptr, u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | SS_CENTER, CRect(0, 0, 0, 0), &top, 1);
    title.Init(0x00FFFF, 0x4080FF, 7, 2);
    title.m_IconFontFamily = &g_fonts->m_iconFamily;
    title.m_dwFlags |= CQuorText::kReflection | CQuorText::kTextOutline | CQuorText::kTextGradient | CQuorText::kFrame;
    title.m_crTextTop = 0xFFFFFF;
    title.m_crTextBottom = 0x000080;
    title.m_nFillMode = 1;
    title.m_crBox = 0x000000;
    title.m_crFrame = 0xBC7200;
    title.m_crFill1 = 0x4C3F38;
    title.m_crFill2 = 0x82614F;
    title.Reposition(CRect(10, 10, 10 + w, 10 + h));
    top.ShowWindow(SW_SHOW);
    platform::PumpEvents(50);  // shown and painted once, as on the screen
    const std::vector<CString> texts = state.range(0) == 0
                                           ? std::vector<CString>{u"ZEL REROVORA", u"WIND RELAY TEST", u"STACK 12"}
                                           : std::vector<CString>{u"바람 감시 한글", u"굴뚝 풍향 풍속", u"풍속 감시"};
    size_t k = 0;
    for (auto _ : state) title.SetText(texts[k++ % texts.size()]);
}
BENCHMARK(BM_TitleTextChange)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
