// The keyboard filter of the windows that must not close on Enter or Escape
// (the main window, the configuration dialog, the calendar popup): both keys
// become Tab, so the dialog's own key handling moves the focus instead of
// running OK or Cancel. A window calls it from PreTranslateMessage before the
// dialog's translation.
#pragma once

#include "platform/window/wnd.h"

// Changes a WM_KEYDOWN of VK_RETURN or VK_ESCAPE into VK_TAB in place; every
// other message passes unchanged. Returns whether the message was changed.
bool EnterEscapeToTab(MSG* msg);
