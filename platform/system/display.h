// Displays and screen capture.
#pragma once

#include <string>

#include "platform/base/types.h"

namespace platform {

struct DisplayInfo {
    std::u16string deviceName;  // the name the windowing system gives the display
    RECT desktopRect{};         // where the display lies on the desktop
    int modeWidth = 0;          // its current mode, in device pixels
    int modeHeight = 0;
};

// Displays are counted from 0, in the windowing system's order. No displays
// before the GUI has started.
int DisplayCount();
// FALSE when there is no display `index`.
bool GetDisplay(int index, DisplayInfo* info);

// Grabs `area` of the desktop (desktop coordinates; it must lie on one display)
// and saves it as a PNG file at `path`, replacing a file there in one step.
// FALSE, with no file written, when the area is empty or off every display, the
// grab yields nothing, or the file cannot be written.
bool CaptureDesktopToPng(const RECT& area, const std::u16string& path);

}  // namespace platform
