#include "platform/base/sysmetrics.h"

#include <QGuiApplication>
#include <QScreen>
#include <chrono>

int GetSystemMetrics(int index) {
    QScreen* screen = QGuiApplication::primaryScreen();
    switch (index) {
    case SM_CXSCREEN: return screen ? screen->geometry().width() : 0;
    case SM_CYSCREEN: return screen ? screen->geometry().height() : 0;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL: return 17;
    case SM_CYCAPTION: return 23;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXICON:
    case SM_CYICON: return 32;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return 4;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    // The fixed (dialog) border of a Windows window at 96 dpi, and the padding
    // every framed window has besides its border.
    case SM_CXFIXEDFRAME:
    case SM_CYFIXEDFRAME: return 3;
    case SM_CXPADDEDBORDER: return 4;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    default: return 0;
    }
}

namespace {
// Colours set at run time, by index; kNoOverride where the theme's stands.
constexpr int kSysColourCount = 31;
constexpr COLORREF kNoOverride = 0xFFFFFFFF;
COLORREF g_overrides[kSysColourCount] = {
    kNoOverride, kNoOverride, kNoOverride, kNoOverride, kNoOverride, kNoOverride, kNoOverride, kNoOverride,
    kNoOverride, kNoOverride, kNoOverride, kNoOverride, kNoOverride, kNoOverride, kNoOverride, kNoOverride,
    kNoOverride, kNoOverride, kNoOverride, kNoOverride, kNoOverride, kNoOverride, kNoOverride, kNoOverride,
    kNoOverride, kNoOverride, kNoOverride, kNoOverride, kNoOverride, kNoOverride, kNoOverride};
}  // namespace

BOOL SetSysColorValues(int count, const int* indexes, const COLORREF* colours) {
    if (count <= 0 || !indexes || !colours) return FALSE;
    for (int i = 0; i < count; ++i)
        if (indexes[i] >= 0 && indexes[i] < kSysColourCount) g_overrides[indexes[i]] = colours[i] & 0x00FFFFFF;
    return TRUE;
}

COLORREF GetSysColor(int index) {
    if (index >= 0 && index < kSysColourCount && g_overrides[index] != kNoOverride) return g_overrides[index];
    // The classic light theme's colours: the program paints most of its own surfaces.
    switch (index) {
    case COLOR_WINDOW: return RGB(255, 255, 255);
    case COLOR_WINDOWTEXT: return RGB(0, 0, 0);
    case COLOR_HIGHLIGHT: return RGB(0, 120, 215);
    case COLOR_HIGHLIGHTTEXT: return RGB(255, 255, 255);
    case COLOR_BTNFACE: return RGB(240, 240, 240);
    case COLOR_BTNSHADOW: return RGB(160, 160, 160);
    case COLOR_GRAYTEXT: return RGB(109, 109, 109);
    case COLOR_BTNTEXT: return RGB(0, 0, 0);
    case COLOR_BTNHIGHLIGHT: return RGB(255, 255, 255);
    case COLOR_3DDKSHADOW: return RGB(105, 105, 105);
    case COLOR_3DLIGHT: return RGB(227, 227, 227);
    case COLOR_INFOTEXT: return RGB(0, 0, 0);
    case COLOR_INFOBK: return RGB(255, 255, 225);
    default: return RGB(0, 0, 0);
    }
}

DWORD GetTickCount() {
    using namespace std::chrono;
    return DWORD(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
