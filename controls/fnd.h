// The numeric display: a dark bevelled panel on which a number, a time of day
// or one of the fixed words is drawn right-aligned, character by character, in
// the font family its owner supplies; each closed figure of the glyphs glows on
// its own (a radial fill from the lit to the unlit colour, optionally with a
// halo), and a small unit text may stand in the lower right corner.
//
// The owner creates the window (a visible static child with an empty text),
// calls Init, then writes the fields below directly (value, marks, colours,
// family, geometry fractions) and invalidates the window, or, after a new
// value, calls InvalidateValue, which invalidates only the characters that
// changed. Painting goes through a memory context of the painted part copied
// to the screen in one step, so changing values never flicker; the glowing
// fills of characters shown before are drawn from what all numeric displays
// keep (glyph_fills.h). Timer 102 toggles a blink phase; nothing in the program starts it.
// m_dwFlags comes from CBlinkDisplay.
#pragma once

#include <utility>
#include <vector>

#include "platform/base/kept_lru.h"
#include "platform/gdi/dc.h"
#include "platform/graphics/graphics.h"
#include "platform/window/wnd.h"

// What the numeric and the matrix display share: bit 0x1 of m_dwFlags (created)
// lets them paint, else the window's default painting runs; bit 0x2 (blink
// off-phase) makes the paint draw nothing; timer 102 toggles that bit and
// redraws at once, and every timer then gets the default handling.
class CBlinkDisplay : public CWnd {
public:
    static constexpr DWORD kCreated = 0x1;
    static constexpr DWORD kBlinkOff = 0x2;
    static constexpr UINT_PTR kBlinkTimer = 102;

    ~CBlinkDisplay() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    DWORD m_dwFlags = 0;

protected:
    // Paints when created; a paint context is opened even in the off-phase.
    virtual void OnPaint() = 0;
    virtual void OnTimer(UINT_PTR id);
};

class CFnd : public CBlinkDisplay {
public:
    // Bits of m_dwFlags besides kCreated (set by Init) and kBlinkOff.
    static constexpr DWORD kTime = 0x4;       // the text is a time made from m_dValue (seconds)
    static constexpr DWORD kHalo = 0x8;       // each figure also gets a halo in m_crDim
    static constexpr DWORD kOwnText = 0x10;   // m_strValueText is shown unchanged
    static constexpr DWORD kError = 0x20;     // "ERROR"
    static constexpr DWORD kOver = 0x40;      // "OVER"
    static constexpr DWORD kNoValue = 0x80;   // "-----"

    CFnd();
    ~CFnd() override;

    // Decimals (used clamped to 0..5), the halo bit from bit 0 of `bHalo`, black
    // colours, no unit, the default geometry; marks the display created. No redraw.
    void Init(BOOL bHalo, int nDecimals);
    // Lit colour `c`; the unlit colour is `c` with each channel 64 lower (not below 0).
    void SetColor(COLORREF c);
    void SetUnit(CString text);
    void SetValueText(CString text);

    // The text the display shows now: the marks in their order of priority, the
    // time or number text, or the owner's text. Clamps and stores m_nDecimals.
    CString DisplayText();
    // Invalidates what a new value changes on the screen. When only the text
    // differs from the last paint (same size, colours, halo, blink phase,
    // unit, geometry, family, text length and fitted size), that is the
    // characters whose outlines differ, old and new, with their halo; anything
    // else invalidates all of the display. Several calls before a paint add up.
    void InvalidateValue();
    // The time text of `seconds` in the format selected by `format` ('m', 'S',
    // 'M', 'H'; any other letter as 'S'). A value that is not a number gives
    // "-----", one whose hours do not fit an int "OVER".
    static CString TimeText(double seconds, char format);

    RECT m_rcClient{};
    COLORREF m_crBack = 0;
    COLORREF m_crDim = 0;
    COLORREF m_crLit = 0;
    int m_nDecimals = 0;
    char m_cTimeFormat = 'S';
    double m_dValue = 0.0;
    float m_fShiftX = 0.0f;   // shift of the text's right edge, fraction of the width (added)
    float m_fCenterY = 0.55f; // vertical centre of the text, fraction of the height
    CString m_strValueText;
    gfx::FontFamily* m_pFamily = nullptr;  // not owned
    double m_dTextSize = 1.0;  // starting character size, fraction of the height
    CString m_strUnit;

protected:
    void OnPaint() override;

private:
    // The glyphs of `text` right to left from `right`, each character on its
    // own room of half an em (separators of a number four fifths of one);
    // `starts` takes where each character's points begin.
    void LayOutText(const CString& text, float em, float right, float y, const gfx::StringFormat& format,
                    gfx::GraphicsPath* path, std::vector<size_t>* starts) const;
    // The text's glyph outlines at the size that fits, from `start` down. The
    // displays share the fits last made, so a value shown again, here or on a
    // display of the same size, is not laid out again.
    struct TextFit {
        float em = 0;
        gfx::GraphicsPath path;
        std::vector<size_t> starts;  // the first point of each character, in the path's order
        bool drawable = false;       // the outlines lie where the fills can reach (within 2^30 pixels)
    };
    struct TextFitKey {
        CString text;
        float right, y, start;
        std::u16string family;  // the face drawn with, empty for none
        bool familyAvailable;
        float left;
        bool ownText;
        bool operator==(const TextFitKey&) const = default;
    };
    const TextFit& FitText(const CString& text, float right, float y, float start, const gfx::StringFormat& format);
    // The fit of `text` on a client area of `w` x `h` pixels, as the paint lays it out.
    const TextFit& FitOnClient(const CString& text, int w, int h);
    static platform::KeptLru<TextFitKey, TextFit>& Fits();

public:
    // How many fits all displays keep at most.
    static constexpr size_t kKeptFits = 256;
    static void ForgetFits();

private:
    // The unit text's outline, kept for the text and the place it was made for.
    const gfx::GraphicsPath& UnitPath(float right, float bottom, float size);
    struct UnitOutline {
        CString text;
        float right = 0, bottom = 0, size = 0;
        bool made = false;
        gfx::GraphicsPath path;
        CRect reach;  // the pixels its fill may change
    } m_unit;

    // Everything besides the text's characters that decides the picture.
    struct Look {
        int width = 0, height = 0;
        DWORD flags = 0;  // the bits that change more than the text
        COLORREF back = 0, dim = 0, lit = 0;
        float shiftX = 0, centerY = 0;
        double textSize = 0;
        const gfx::FontFamily* family = nullptr;
        bool familyAvailable = false;
        CString unit;
        bool operator==(const Look&) const = default;
    };
    Look CurrentLook(int w, int h) const;
    // The outline points [first, second) of the fit's character `i` (counted from the right).
    static std::pair<size_t, size_t> CharacterPoints(const TextFit& fit, size_t i);
    // What the window shows since the last paint; `valid` only while all of it
    // shows one text in one look (a partial paint of a change nobody announced
    // through InvalidateValue leaves it unknown).
    struct Painted {
        bool valid = false;
        Look look;
        CString text;
        bool glyphs = false;  // the characters were filled (else the panel and unit only)
        TextFit fit;
    } m_painted;
    void RememberPainted(bool whole, const Look& look, const CString& text, const TextFit* fit);
    CString m_announced;  // the last text InvalidateValue invalidated a part for
    bool m_hasAnnounced = false;
};

// The glyph outlines of `path` filled figure by figure: each closed figure
// (inner contours included) first gets a halo in `dim` when `halo` is set, then
// a radial fill from `lit` at its centre to `dim` at its outline. Shared by the
// numeric and the matrix display.
void FillFiguresGlowing(gfx::Graphics* g, const gfx::GraphicsPath& path, COLORREF lit, COLORREF dim, bool halo);

// The panel of the numeric and matrix displays: `rc` filled with `back`, and a
// one-pixel bevel with top and left in `back` + 70, bottom and right in
// `back` + 120 per channel (capped at 255).
void DrawDisplayPanel(CDC* dc, const RECT& rc, COLORREF back);
