// The push button: a standard control that reports a click to its parent as
// WM_COMMAND (its id and BN_CLICKED, its handle in lParam). Dialog templates
// make one for every item of class "Button".
#pragma once

#include "platform/window/wnd.h"

constexpr UINT BN_CLICKED = 0;
constexpr UINT BM_CLICK = 0x00F5;

class CButton : public CWnd {
public:
    CButton();
    ~CButton() override;

    // Clicks the button as the mouse would (the parent hears BN_CLICKED).
    void Click() { SendMessage(BM_CLICK); }

protected:
    QWidget* CreateWidget(QWidget* parentWidget, bool topLevel) override;
    LRESULT ClassWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void NotifyClicked();
};

namespace platform {
// Makes dialog templates create CButton for their "Button" items.
void RegisterButtonClass();
}  // namespace platform
