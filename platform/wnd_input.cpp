#include "platform/wnd_input.h"

#include <QApplication>
#include <QCursor>
#include <QWidget>

#include "platform/wnd_impl.h"

namespace {
QPoint g_messagePos;
bool g_messagePosSet = false;
}  // namespace

HWND WindowFromPoint(POINT point) {
    const QPoint global(point.x, point.y);
    QWidget* w = QApplication::widgetAt(global);
    for (QObject* o = w; o; o = o->parent()) {
        if (WindowImpl* impl = WindowImpl::FromWidget(o)) return impl->handle;
    }
    return nullptr;
}

CWnd* WndFromPoint(POINT point) { return CWnd::FromHandle(WindowFromPoint(point)); }

DWORD GetMessagePos() {
    const QPoint p = g_messagePosSet ? g_messagePos : QCursor::pos();
    return DWORD(WORD(p.x())) | (DWORD(WORD(p.y())) << 16);
}

namespace platform::detail {

LRESULT DefaultHitTest(CWnd* wnd, LPARAM lParam) {
    if (!wnd || !wnd->GetSafeHwnd()) return HTNOWHERE;
    RECT r;
    wnd->GetWindowRect(&r);
    const CPoint p(lParam);
    return CRect(r).PtInRect(p) ? HTCLIENT : HTNOWHERE;
}

void SetMessagePos(int x, int y) {
    g_messagePos = QPoint(x, y);
    g_messagePosSet = true;
}

}  // namespace platform::detail
