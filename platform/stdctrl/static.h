// Static text and the group box.
//
// A static control shows its window text, placed by its SS_ style: left, centred
// or right, and vertically centred with SS_CENTERIMAGE. A group box (a "Button"
// of style BS_GROUPBOX in a template) draws an etched frame with its text in the
// top edge. Neither takes the focus or reports anything.
#pragma once

#include "platform/window/wnd.h"

// (The SS_ styles are in platform/base/types.h.)
constexpr DWORD SS_NOPREFIX = 0x0080;
constexpr DWORD BS_GROUPBOX = 0x0007;

class CStatic : public CWnd {
public:
    CStatic();
    ~CStatic() override;

protected:
    QWidget* CreateWidget(QWidget* parentWidget, bool topLevel) override;
    LRESULT ClassWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

class CGroupBox : public CWnd {
public:
    CGroupBox();
    ~CGroupBox() override;

protected:
    QWidget* CreateWidget(QWidget* parentWidget, bool topLevel) override;
    LRESULT ClassWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};
