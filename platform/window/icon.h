// Icons: the program's icon resources, and the icon a top-level window shows
// (WM_SETICON, wParam ICON_BIG or ICON_SMALL, lParam the icon; the result is
// the icon it had).
#pragma once

#include "platform/base/types.h"

struct IconData;
using HICON = const IconData*;

constexpr WPARAM ICON_SMALL = 0;
constexpr WPARAM ICON_BIG = 1;

// The icon resource `id` of the program (type "ICON", PNG bytes); null when
// there is none or its bytes are no image. Loaded once; icons live as long as
// the program. The instance is accepted and ignored: resources are the program's.
HICON LoadIconW(void* instance, UINT id);
