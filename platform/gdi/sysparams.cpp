#include "platform/gdi/sysparams.h"

#include <QGuiApplication>
#include <QStyleHints>

#include "platform/gdi/gdi_impl.h"
#include "platform/base/sysmetrics.h"

namespace {

LOGFONTW UiFont(LONG height, LONG weight) {
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfCharSet = DEFAULT_CHARSET;
    // The dialog face: it carries the Korean texts as well as the Latin ones.
    platform::detail::SetFace(lf, u"MS Shell Dlg");
    return lf;
}

}  // namespace

BOOL SystemParametersInfoW(UINT action, UINT param, void* out, UINT) {
    if (!out) return FALSE;
    switch (action) {
    case SPI_GETNONCLIENTMETRICS: {
        auto* m = static_cast<NONCLIENTMETRICSW*>(out);
        if (param != sizeof(NONCLIENTMETRICSW) || m->cbSize != sizeof(NONCLIENTMETRICSW)) return FALSE;
        NONCLIENTMETRICSW filled;
        filled.iBorderWidth = 1;
        filled.iScrollWidth = GetSystemMetrics(SM_CXVSCROLL);
        filled.iScrollHeight = GetSystemMetrics(SM_CYHSCROLL);
        filled.iCaptionWidth = GetSystemMetrics(SM_CYCAPTION);
        filled.iCaptionHeight = GetSystemMetrics(SM_CYCAPTION);
        filled.lfCaptionFont = UiFont(-12, FW_NORMAL);
        filled.iSmCaptionWidth = 17;
        filled.iSmCaptionHeight = 17;
        filled.lfSmCaptionFont = UiFont(-12, FW_NORMAL);
        filled.iMenuWidth = 19;
        filled.iMenuHeight = 19;
        filled.lfMenuFont = UiFont(-12, FW_NORMAL);
        filled.lfStatusFont = UiFont(-12, FW_NORMAL);
        filled.lfMessageFont = UiFont(-12, FW_NORMAL);
        *m = filled;
        return TRUE;
    }
    case SPI_GETWHEELSCROLLLINES: {
        int lines = 3;
        if (qGuiApp) lines = QGuiApplication::styleHints()->wheelScrollLines();
        *static_cast<UINT*>(out) = lines > 0 ? UINT(lines) : 3u;
        return TRUE;
    }
    default:
        return FALSE;
    }
}
