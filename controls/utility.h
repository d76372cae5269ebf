// Operating-system services that the windows need: a file test, displays and
// screenshots, images from the program's resources, and texts of the program's
// version block.
#pragma once

#include "platform/graphics/graphics.h"
#include "platform/base/types.h"

class CUtility {
public:
    // Value names of the version block, by key.
    enum VersionKey {
        kFileVersion = 0,
        kInternalName = 1,
        kLegalCopyright = 2,
        kOriginalFilename = 3,
        kProductVersion = 4,
        kProductName = 5,
        kCompanyName = 6,
    };

    CUtility() = default;
    virtual ~CUtility() = default;

    // TRUE when a directory entry matches `path`; '*' and '?' are wildcards and a
    // directory counts.
    BOOL FileExists(const CString& path) const;
    // (0, 0, width, height) of the display's current mode; (0, 0, 0, 0) when there
    // is no such display.
    void GetMonitorRect(int displayIndex, RECT* rect) const;
    // Saves the display's area of the desktop (where it lies, at its size) as a
    // PNG file at `path`. Silent: on any failure no file is written.
    void CaptureScreen(const CString& path, int displayIndex) const;
    // A new image decoded from the PNG resource `id`; the caller deletes it
    // (the free LoadPngResource of hmi_fonts.h). The image keeps its own
    // pixels, so it stays whole after a second load or after this object is
    // gone. A missing resource or bytes that are no image give an image whose
    // status is an error and that draws nothing.
    gfx::Image* LoadPngResource(UINT id) const;
    // One value of the version block (keys above); empty text when the key is
    // outside 0 to 6 or the value cannot be read.
    CString GetVersionString(int key) const;
};
