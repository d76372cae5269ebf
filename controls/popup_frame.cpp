#include "controls/popup_frame.h"

void AddToolCaption(CWnd* popup) {
    if (!popup) return;
    popup->ModifyStyle(0, WS_CAPTION | WS_SYSMENU);
    popup->ModifyStyleEx(0, WS_EX_TOOLWINDOW);
}
