// The composite indicator: one measured value with its title and unit. It
// paints a rounded, gradient-filled frame, the title, optionally its own value
// text and the unit, and optionally a small check box (the toggle area), over a
// copy of its parent's background. The value itself shows in a numeric display
// (or, in display mode 1, a matrix display) that sits over the value area; a
// hidden drop-down list holds preset values.
//
// The owner creates the window (a visible static child) and calls Init; it may
// then change the public fields (colours, fractions, radius, option bits) and
// invalidate the indicator. Clicks go to the owner (or, without one, the
// parent) as WM_INDICATOR_NOTIFY: wParam the indicator's id, lParam an
// IndicatorNotifyCode. With the colour option a click on the value area opens
// the colour dialog; with the value-entry option, the value-entry popup.
#pragma once

#include "platform/gdi/dc.h"
#include "platform/gdi/gdi.h"
#include "platform/graphics/graphics.h"
#include "platform/window/wnd.h"

class CFnd;
class CLcd;
class CComboBox;

constexpr UINT WM_INDICATOR_NOTIFY = WM_USER + 102;

// lParam of WM_INDICATOR_NOTIFY.
enum IndicatorNotifyCode : LPARAM {
    INDICATOR_NOTIFY_TOGGLE_OFF = 0,   // the toggle box was clicked; now off
    INDICATOR_NOTIFY_TOGGLE_ON = 1,    // the toggle box was clicked; now on
    INDICATOR_NOTIFY_COLOUR = 5,       // a colour was chosen in the colour dialog
    INDICATOR_NOTIFY_VALUE_CLICK = 15, // the value area was clicked (no entry, no colour choice)
    INDICATOR_NOTIFY_VALUE_ENTERED = 16,
    INDICATOR_NOTIFY_TITLE_CLICK = 20, // the title area was clicked (no colour choice)
    INDICATOR_NOTIFY_DBLCLK = 30,
    INDICATOR_NOTIFY_PRESET = 100,     // the preset list's selection changed
};

class CIndicator : public CWnd {
public:
    // Bits of m_dwFlags.
    static constexpr DWORD kCreated = 0x1;
    static constexpr DWORD kBackStale = 0x2;
    static constexpr DWORD kColourChoice = 0x4;
    static constexpr DWORD kValueEntry = 0x8;
    static constexpr DWORD kOwnValue = 0x10;
    static constexpr DWORD kValueBox = 0x20;
    static constexpr DWORD kStacked = 0x80;
    static constexpr DWORD kLastFlag = 0x100;
    static constexpr DWORD kTitleShadow = 0x200;
    static constexpr DWORD kCentredWithUnit = 0x400;
    static constexpr DWORD kCentred = 0x800;
    static constexpr DWORD kUnitRight = 0x1000;
    static constexpr DWORD kToggleArea = 0x2000;
    static constexpr DWORD kToggleOn = 0x4000;

    static constexpr UINT kComboId = 1004;

    CIndicator();
    ~CIndicator() override;

    // Options, texts, sizes and colours; the numeric display (id + 2), the
    // hidden matrix display (id + 3) and the hidden preset list (id 1004, 55
    // entries "10.0" to "37.0", the first selected). A second Init makes the
    // children anew.
    void Init(CString title, CString unit, int stacked, int toggleArea, int halo, int decimals, int lastFlag);
    // The value text's colour; both displays light in it (each channel + 128)
    // and dim in it (each channel - 64) on black. Nothing is repainted.
    void SetColor(COLORREF colour);
    // v x m_dScale to the numeric display, repainted; as text to the displays
    // with their own-text option and to the indicator's own value text.
    void SetValue(double v);
    // Takes a copy of what lies under the control from `dc` when the copy is stale.
    void CopyBackground(CDC* dc);
    void DrawItem(CDC* dc, gfx::Graphics* target);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    RECT m_rcClient{};
    COLORREF m_crColor = 0xFFFFFF;
    COLORREF m_crBorder = 0;
    COLORREF m_crValueBack = 0;
    gfx::FontFamily* m_IconFontFamily = nullptr;  // glyph of the toggle box; not owned
    DWORD m_dwFlags = kBackStale;
    CDC m_dcBack;
    CBitmap m_bmpBack;
    CBitmap* m_pOldBitmap = nullptr;
    CFnd* m_pFnd = nullptr;
    CLcd* m_pLcd = nullptr;
    int m_nDisplayMode = 0;  // 0 the numeric display shows, 1 the matrix display
    int m_nRadius = 5;
    int m_nFrameWidth = 1;
    COLORREF* m_pColorTarget = nullptr;  // also receives a colour chosen in the dialog
    CString m_strFaceName = u"굴림체";
    CString m_strValue;
    float m_fTitleOffset = 0.0f;
    float m_fValueOffset = 0.0f;
    COLORREF m_crDisabledTop = 0xC1D0D4;
    COLORREF m_crDisabledBottom = 0x737C7F;
    double m_dTitleSize = 0.3333;
    double m_dValueSize = 1.0;
    double m_dUnitSize = 0.3333;
    double m_dTitleWidth = 0.39;
    double m_dValueWidth = 0.4;
    double m_dTitleHeight = 1.0;
    CString m_strUnit;
    COLORREF m_crTitle = 0xFFFFFF;
    COLORREF m_crTop = 0x4C3F38;
    COLORREF m_crBottom = 0x82614F;
    COLORREF m_crUnit = 0xFFFFFF;
    RECT m_rcTitle{};
    RECT m_rcValue{};
    RECT m_rcUnit{};
    double m_dScale = 1.0;
    double m_dListMin = 10.0;
    double m_dListMax = 37.0;
    CComboBox* m_pCombo = nullptr;
    COLORREF m_crCheck = 0;
    COLORREF m_crCheckBox = 0xFFFFFF;
    COLORREF m_crCheckFrame = 0;
    int m_nCheckGlyph = 0x76;
    float m_fCheckScale = 1.0f;
    int m_nCheckPlace = 1;  // 0 top left of the title area, 1 top right
    RECT m_rcCheck{};

protected:
    void PreSubclassWindow() override;

private:
    void DestroyChildren();
    void MarkBackgroundStale();
    void SetChildColours(COLORREF lit, COLORREF dim, COLORREF back);
    void OnPaint();
    void OnSize();
    void OnShowWindow(BOOL show);
    void OnEnable(BOOL enable);
    void OnLButtonDown(WPARAM wParam, LPARAM lParam);
    void EnterValue();
    void ChooseColour();
    LRESULT Notify(LPARAM code);
    void DrawTitle(gfx::Graphics* g, int W, int H);
    void DrawOwnValue(gfx::Graphics* g, int W, int H);
    void DrawUnit(gfx::Graphics* g, int W, int H);
    void DrawToggle(gfx::Graphics* g);
    void ReportMissingFamily();
    bool m_bFamilyReported = false;
};

// Reads a value typed by the user: a decimal number (sign, digits, point,
// exponent), blanks around it allowed. False for anything else, also for an
// empty text and for values beyond the range of a double.
bool ParseTypedNumber(const CString& text, double* value);
