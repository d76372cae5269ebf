// The text label: a one-line label drawn with antialiased paths over a copy of
// its parent's background: a rounded box (solid or gradient), an optional frame
// and bevel, and the text as a filled outline whose size follows the label's
// height. It can open an edit box over itself to change its text.
//
// The owner creates the window (a visible child), calls Init, then writes the
// fields and option bits it wants and invalidates the label. The label reports
// to its owner (or, without one, its parent) with WM_TEXT_NOTIFY:
// wParam = the label's control id, lParam = a TextNotifyCode.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

#include "platform/base/kept_lru.h"
#include "platform/gdi/dc.h"
#include "platform/stdctrl/edit.h"
#include "platform/gdi/gdi.h"
#include "platform/graphics/graphics.h"
#include "platform/window/wnd.h"

constexpr UINT WM_TEXT_NOTIFY = WM_USER + 114;

// lParam of WM_TEXT_NOTIFY.
enum TextNotifyCode : LPARAM {
    TEXT_NOTIFY_PRESS = 0,      // left button pressed (after the edit opened, when editable)
    TEXT_NOTIFY_TITLE_PRESS = 1,  // title label: pressed outside its icons and logo
    TEXT_NOTIFY_DBLCLK = 2,     // left button double click
    TEXT_NOTIFY_EDIT_END = 3,   // the in-place edit closed; the label holds its text
    TEXT_NOTIFY_LEFT_ICON = 10,   // title label: + index of a left icon (10 also the left logo)
    TEXT_NOTIFY_RIGHT_ICON = 20,  // title label: + index of a right icon
};

class CQuorText : public CWnd {
public:
    // Bits of m_dwFlags.
    static constexpr DWORD kCreated = 0x1;
    static constexpr DWORD kBackStale = 0x2;
    static constexpr DWORD kGloss = 0x4;
    static constexpr DWORD kReflection = 0x8;
    static constexpr DWORD kTextOutline = 0x10;
    static constexpr DWORD kTextGradient = 0x20;
    static constexpr DWORD kFrame = 0x40;
    static constexpr DWORD kEdgeLines = 0x80;
    static constexpr DWORD kEditing = 0x200;
    static constexpr DWORD kEditable = 0x400;

    // Control id of the in-place edit.
    static constexpr UINT kEditId = 2015;
    // Formatted texts are cut to this many units, terminator included.
    static constexpr int kFormatBufferSize = 1024;

    CQuorText();
    ~CQuorText() override;

    // Sets the colours, corner radius and frame width, makes the hidden in-place
    // edit and marks the label created; its text becomes the window's text.
    void Init(COLORREF crText, COLORREF crBox, int nRadius, int nFrameWidth);
    // printf-style text (%s takes UTF-16 strings), cut at 1,023 units; shown at once.
    void Format(const char16_t* format, ...);

    // Moves the label to `rc` and takes a fresh copy of what lies under it.
    virtual void Reposition(const RECT& rc);
    // Drops the background copy and invalidates the label: the next paint takes
    // a fresh copy of what lies under it.
    void MarkBackgroundStale();
    // Window text and drawn text; on the screen when the call returns. When
    // nothing but the text changed since the label was last painted whole,
    // only where the old and the new text draw is painted again.
    virtual void SetText(CString text);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    RECT m_rcClient{};
    DWORD m_dwFlags = kBackStale;
    CString m_strText;
    CString m_strFaceName = u"돋움체";
    int m_nAlign = 1;  // 0x1 centre, else 0x2 right, else left
    int m_nRadius = 0;
    int m_nFrameWidth = 2;
    float m_fTextOffset = 0.0f;  // vertical shift, fraction of the height
    COLORREF m_crText = 0;
    COLORREF m_crTextOutline = 0;
    COLORREF m_crTextTop = 0;
    COLORREF m_crTextBottom = 0;
    COLORREF m_crBox = 0;
    COLORREF m_crFrame = 0;
    int m_nFillMode = 0;  // 0 solid, 1 two-colour gradient, 2 three stops, else none
    COLORREF m_crFill1 = 0;
    COLORREF m_crFill2 = 0;
    float m_fTextScale = 0.8f;  // text size, fraction of the height
    CEdit* m_pEdit = nullptr;
    CFont m_editFont;

protected:
    void PreSubclassWindow() override;

    // The name Init shows in its message box when the window is missing.
    virtual const char* InitName() const { return "CQuorText::Init"; }
    // Paints the label on `g` (the paint context's graphics): background copy,
    // box, text with its gloss and reflection, then DrawOverText. Straight onto
    // `g` when the kept background covers the label and the whole label is
    // painted; otherwise through an off-screen bitmap of the client area.
    void Draw(gfx::Graphics* g);
    // The code a left-button press at `pt` reports.
    virtual LPARAM PressCode(CPoint pt);
    // Before the background is copied from the paint context.
    virtual void PrepareBackground(CDC* /*paintDC*/) {}

    // ---- drawing steps the title label changes ----
    // The anchor y of the text: a tenth of the height below the middle, plus the offset.
    virtual float TextAnchorY(int h) const;
    // The em size of the text anchored at `at` by `format`: the height times the scale.
    virtual float TextSize(const gfx::StringFormat* format, gfx::PointF at, int h) const;
    // Drawn last, over the text (outline `text`, em size `textSize`) and its reflection.
    virtual void DrawOverText(gfx::Graphics* /*g*/, gfx::GraphicsPath* /*text*/, float /*textSize*/, int /*w*/, int /*h*/) {}

    // Whether a new text changes only the pixels its own outline (and the old
    // one's) covers; the title label places more by its text.
    virtual bool TextChangesOnlyItsArea() const { return true; }

    // ---- drawing steps shared with the title label ----
    // The height the reflection turns the text over about.
    float ReflectionLine(int h) const;
    void AddTextPath(gfx::GraphicsPath* path, const CString& text, float emSize, gfx::PointF at,
                     const gfx::StringFormat* format) const;

private:
    void OnPaint();
    void OnSize();
    void OnLButtonDown(WPARAM wParam, LPARAM lParam);
    void OnEditKillFocus();
    void MakeEditFont(int height, int width);
    void DestroyEdit();
    // The rounded box with its fill, frame and bevel.
    void DrawBox(gfx::Graphics* g, int w, int h);
    // The horizontal alignment and anchor x of the text by m_nAlign.
    float AlignText(gfx::StringFormat* format, int w);
    // Fill (solid or gradient) and outline of the laid-out text's glyphs that
    // reach `painted`.
    void FillText(gfx::Graphics* g, const CRect& painted, int w, int h);
    void DrawGloss(gfx::Graphics* g, int w, int h);
    // The box of the gloss's ellipse.
    static gfx::Rect GlossEllipse(int w, int h);
    void DrawReflection(gfx::Graphics* g, const CRect& painted, int w, int h);

    // What decides the box's pixels: the fields DrawBox reads and the size.
    struct BoxLook {
        int w = 0, h = 0;
        int radius = 0, fillMode = 0, frameWidth = 0;
        DWORD flags = 0;  // kFrame and kEdgeLines
        COLORREF box = 0, fill1 = 0, fill2 = 0, frame = 0;
        bool operator==(const BoxLook&) const = default;
    };
    BoxLook CurrentBoxLook(int w, int h) const;

    // What decides the label's pixels besides its text: the box, the text's
    // colours, flags and placement, and which background copy is kept.
    struct Look {
        BoxLook box;
        DWORD flags = 0;  // kGloss, kReflection, kTextOutline and kTextGradient
        int align = 0;
        float textScale = 0.0f, textOffset = 0.0f;
        COLORREF text = 0, outline = 0, top = 0, bottom = 0;
        CString face;
        std::uint64_t background = 0;
        bool operator==(const Look&) const = default;
    };
    Look CurrentLook(int w, int h) const;

    // A glyph of the text's outline: the figures (points [begin, end)) whose
    // bounds meet, filled on their own, so that a new text repaints only the
    // glyphs that differ and the pixels of the others stay what they were.
    struct Glyph {
        size_t begin = 0, end = 0;
        gfx::RectF bounds;  // of its points, curves' control points included
    };
    static std::vector<Glyph> GlyphsOf(const gfx::GraphicsPath& path);

    // The outline of m_strText placed as the label's look says, and its em
    // size; laid out again only when the text or its placement changed.
    gfx::GraphicsPath* LayOutText(int w, int h, float* emSize);
    // The pixels a fill, outline and reflection of an outline with bounds `b`
    // may change, with a margin for their antialiased edges, inside the label.
    CRect ReachOf(const gfx::RectF& b, int w, int h) const;
    // The laid-out text's reach.
    CRect TextArea(int w, int h) const;
    // The area with all of the gloss where it reaches the gloss.
    CRect WithGloss(const CRect& area, int w, int h) const;
    // Where a new text has to be painted, when only the text changed since the
    // last whole paint; false when the whole label has to be.
    bool AreaOfNewText(CRect* area);

    struct TextLayout {
        bool valid = false;
        CString text, face;
        float emSize = 0.0f;
        gfx::PointF at;
        gfx::StringAlignment align = gfx::StringAlignmentNear;
        gfx::GraphicsPath path;
        gfx::RectF bounds;  // of the path
        std::vector<Glyph> glyphs;
    };
    TextLayout m_layout;
    // The reach of the glyphs `was` and the laid-out text do not share, each
    // drawn where the other draws none like it.
    CRect ChangedGlyphs(const TextLayout& was, int w, int h) const;
    // Whether every glyph of the laid-out text comes out the same whatever
    // part of it is painted, so that a paint may stop at any glyph's edge.
    bool GlyphsPaintAlike() const;
    // Fills (or, with `pen`, outlines) each glyph of the laid-out text that
    // reaches `painted` (label pixels, before `g`'s transform).
    void EachGlyph(gfx::Graphics* g, const gfx::Brush* brush, const gfx::Pen* pen, const CRect& painted, int w, int h);
    struct TextShape {
        gfx::GraphicsPath path;
        gfx::RectF bounds;
        std::vector<Glyph> glyphs;
    };
    // Text, face, size, where and how aligned.
    using LayoutKey = std::tuple<CString, CString, float, float, float, int>;
    static platform::KeptLru<LayoutKey, TextShape>& Layouts();

public:
    // How many text outlines all labels keep at most.
    static constexpr size_t kSharedLayouts = 384;
    static void ForgetLayouts();

private:
    // The look of the last whole paint, kept while later paints had the same.
    std::optional<Look> m_paintedLook;
    // Where the texts painted since the last whole paint may have left pixels.
    CRect m_rcTextShown;
    // The text the window shows, glyph for glyph, when `valid`: every paint
    // since the last whole one held where the glyphs changed.
    TextLayout m_shown;
    // Counts the background copies taken, so that a new one is told from the old.
    std::uint64_t m_backTaken = 0;

    // What lay under the label when the background was last taken (opaque, the
    // client area's size then), with the box of m_backLook drawn over it when
    // m_backHasBox; null before the first paint takes it.
    std::unique_ptr<gfx::Bitmap> m_pBack;
    // The same copy as runs of one colour along its rows, where that is
    // smaller (m_pBack is then dropped).
    gfx::RowRuns m_backRuns;
    // Whether the kept background covers `w` x `h` pixels.
    bool BackCovers(int w, int h) const;
    BoxLook m_backLook;
    bool m_backHasBox = false;  // set only while a copy (picture or runs) is kept
};
