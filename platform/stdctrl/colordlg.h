// The standard colour dialog: a modal dialog in which the user picks one
// colour. While it is open, timers, posted messages and sockets keep being
// handled.
#pragma once

#include "platform/window/wnd.h"

// Flags of the dialog.
constexpr DWORD CC_RGBINIT = 0x00000001;  // start from the given colour (else black)
constexpr DWORD CC_FULLOPEN = 0x00000002;
constexpr DWORD CC_PREVENTFULLOPEN = 0x00000004;
constexpr DWORD CC_ANYCOLOR = 0x00000100;

struct CHOOSECOLOR {
    HWND hwndOwner = nullptr;
    COLORREF rgbResult = 0;
    COLORREF* lpCustColors = nullptr;  // 16 custom colours, kept between runs when given
    DWORD Flags = 0;
};

class CColorDialog {
public:
    explicit CColorDialog(COLORREF initial = 0, DWORD flags = 0, CWnd* parent = nullptr);
    virtual ~CColorDialog();
    CColorDialog(const CColorDialog&) = delete;
    CColorDialog& operator=(const CColorDialog&) = delete;

    // IDOK with the picked colour in GetColor, or IDCANCEL (the colour stays).
    virtual INT_PTR DoModal();
    COLORREF GetColor() const { return m_cc.rgbResult; }
    void SetCurrentColor(COLORREF colour) { m_cc.rgbResult = colour; }

    CHOOSECOLOR m_cc;

private:
    CWnd* m_pParentWnd = nullptr;
};
