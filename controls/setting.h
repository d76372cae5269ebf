// The value-entry popup: one right-aligned edit field in a small tool window
// placed at an anchor rectangle on the screen. The caller sets the value with
// SetValue, runs the popup modally and reads m_strValue after IDOK: the text as
// typed, unconverted. Enter is OK and Escape is Cancel (the buttons of the
// popup template are hidden).
#pragma once

#include "platform/window/dialog.h"
#include "platform/stdctrl/edit.h"

class CSetting : public CDialog {
public:
    static constexpr UINT kEditId = 3000;

    CSetting();
    ~CSetting() override;

    // Called before DoModal. `anchor` in screen coordinates; the field starts
    // with `value` formatted with `decimals` and no thousands grouping;
    // `keepSize` FALSE stretches the popup over the anchor; a non-empty
    // `caption` replaces the computed "High"/"Low".
    void SetValue(const RECT& anchor, int decimals, CString caption, BOOL keepSize, double value);

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    CEdit* m_pEdit = nullptr;
    CString m_strCaption;
    CString m_strValue;
    CRect m_rcAnchor;
    CRect m_rcWindow;
    int m_nDecimals = 0;
    double m_dValue = 0.0;
    BOOL m_bKeepSize = FALSE;
};
