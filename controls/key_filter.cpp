#include "controls/key_filter.h"

bool EnterEscapeToTab(MSG* msg) {
    if (!msg || msg->message != WM_KEYDOWN) return false;
    if (msg->wParam != VK_RETURN && msg->wParam != VK_ESCAPE) return false;
    msg->wParam = VK_TAB;
    return true;
}
