// The frame the small popups give themselves on the shared popup template,
// which has no caption: a caption bar with a system menu, as a tool window.
#pragma once

#include "platform/window/wnd.h"

void AddToolCaption(CWnd* popup);
