// The information box: the program's product name with its file version, and
// its copyright text, read from the program's own version block and painted on
// white, with an OK button below. The main window opens it modally on F1.
// Enter and Escape close it (OK and Cancel of the dialog).
#pragma once

#include "platform/gdi/dc.h"
#include "platform/window/dialog.h"

class CInfoDlg : public CDialog {
public:
    CInfoDlg();
    ~CInfoDlg() override;

    BOOL OnInitDialog() override;
    // Paints the whole box (white, picture, the two version lines); returns FALSE.
    virtual BOOL OnEraseBkgnd(CDC* dc);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    CRect m_rcWindow;
    int m_nPngId = -1;       // a "PNG" resource shown above the texts; -1: none
    BOOL m_bCaption = TRUE;  // caption bar, system menu, tool window
};
