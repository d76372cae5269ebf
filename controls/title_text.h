// The title label: the main window's title line. A larger text label that
// always fits its text to its width, and can carry up to ten icons at each end
// (PNG images from the program's resources, or glyphs of the HMI icon font
// drawn as shaded symbols), a logo image at each end, a smaller suffix after
// the title and a free-standing sub-text.
//
// It shares the text label's flag bits, fields, Init, SetText, Reposition,
// double click and in-place edit. A press reports TEXT_NOTIFY_TITLE_PRESS, or
// 10 + i / 20 + i on left / right icon i (10 also on the left logo); never 0.
#pragma once

#include "controls/face_style.h"
#include "controls/quor_text.h"

class CQuorTitleText : public CQuorText {
public:
    // Bits of m_dwFlags beyond the text label's.
    static constexpr DWORD kSubTextBox = 0x800;
    static constexpr DWORD kRaisedText = 0x1000;
    static constexpr DWORD kBackFill = 0x2000;

    static constexpr int kIcons = 10;

    CQuorTitleText();
    ~CQuorTitleText() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Draws the glyph icons of both groups and records where they went.
    void DrawHMIIcon(gfx::Graphics* g);

    CString m_strSuffix;     // drawn after the title when not empty
    COLORREF m_crBackFill = 0;  // replaces the parent's background (kBackFill)

    // PNG icons; an id of -1 is no icon. Light 1.0 draws an icon unchanged,
    // other values raise each colour channel by light x 255.
    RECT m_rcPngLeft[kIcons] = {};
    RECT m_rcPngRight[kIcons] = {};
    int m_nPngLeft[kIcons];
    int m_nPngRight[kIcons];
    float m_fPngLeftLight[kIcons];
    float m_fPngLeftSize[kIcons];  // icon height, fraction of the client height
    float m_fPngRightLight[kIcons];
    float m_fPngRightSize[kIcons];

    // Glyph icons: the code is the glyph and its face-style record; -1 is no icon.
    RECT m_rcGlyphLeft[kIcons] = {};
    RECT m_rcGlyphRight[kIcons] = {};
    int m_nGlyphLeft[kIcons];
    int m_nGlyphRight[kIcons];
    int m_nGlyphLeftBorder[kIcons] = {};  // outer border width (low byte)
    int m_nGlyphRightBorder[kIcons] = {};
    float m_fGlyphLeftAngle[kIcons];
    float m_fGlyphLeftSize[kIcons];  // fraction of the client height
    float m_fGlyphLeftDx[kIcons];    // shifts, fractions of the icon's size
    float m_fGlyphLeftDy[kIcons];
    float m_fGlyphRightAngle[kIcons];
    float m_fGlyphRightSize[kIcons];
    float m_fGlyphRightDx[kIcons];
    float m_fGlyphRightDy[kIcons];
    COLORREF m_crGlyphLeft[kIcons];
    COLORREF m_crGlyphRight[kIcons];

    gfx::FontFamily* m_IconFontFamily = nullptr;  // the HMI icon family, not owned
    BOOL m_bGlyphLeftOwnStyle[kIcons] = {};
    BOOL m_bGlyphRightOwnStyle[kIcons] = {};
    FaceStyle m_styleGlyphLeft[kIcons] = {};
    FaceStyle m_styleGlyphRight[kIcons] = {};

    CString m_strLogoLeft;  // image files drawn at the ends; empty: none
    CString m_strLogoRight;
    CString m_strSubText;   // drawn when not empty
    COLORREF m_crSubText = 0;
    COLORREF m_crSubTextBox = 0;
    float m_fSubTextSize = 0.2f;  // size and centre, fractions of the client height
    float m_fSubTextX = 0.0f;
    float m_fSubTextY = 0.0f;

protected:
    const char* InitName() const override { return "CQuorTitleText::Init"; }
    // The suffix follows the title and the size fits it: a new title repaints all.
    bool TextChangesOnlyItsArea() const override { return false; }
    float TextAnchorY(int h) const override;
    // Always fitted to the label (FitTextSize from the height times the scale),
    // then shrunk further until the text ends where neither its reflection nor
    // its own lowest parts reach into the box's bottom or its frame.
    float TextSize(const gfx::StringFormat* format, gfx::PointF at, int h) const override;
    // The suffix, sub-text, icons and logos.
    void DrawOverText(gfx::Graphics* g, gfx::GraphicsPath* text, float textSize, int w, int h) override;
    LPARAM PressCode(CPoint pt) override;
    void PrepareBackground(CDC* paintDC) override;

private:
    // `size` lowered by the fitting's steps of 0.1 until the text laid out at
    // `at` ends above the lowest line it may reach in a label `h` high.
    float ClearOfTheBottom(const gfx::StringFormat* format, gfx::PointF at, int h, float size) const;
    void DrawSuffix(gfx::Graphics* g, gfx::GraphicsPath* title, float fittedSize, int w, int h);
    void DrawSubText(gfx::Graphics* g, int h);
    void DrawPngIcons(gfx::Graphics* g, int h);
    void DrawLogos(gfx::Graphics* g, int h);
    // Asks (once per label) for the missing-family message outside painting.
    void ReportMissingFamily();
    bool m_bFamilyReported = false;
};
