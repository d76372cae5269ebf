// System metrics, system colours and the tick count: values the windows and the
// drawing code read, with the sizes and the classic light theme of the desktop the
// program was made for.
#pragma once

#include "platform/base/types.h"

// SM_* values; the screen's own size comes from the primary display (0 before the
// GUI has started).
int GetSystemMetrics(int index);
// COLOR_* values: the theme's, or what SetSysColors made of them.
COLORREF GetSysColor(int index);
// Replaces `count` system colours (the window layer's SetSysColors also tells
// every window); an index outside the table is skipped. FALSE without colours.
BOOL SetSysColorValues(int count, const int* indexes, const COLORREF* colours);
// Milliseconds of a monotonic clock (wraps after about 49.7 days).
DWORD GetTickCount();
