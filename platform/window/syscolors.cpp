// Changing the system colours at run time.
#include <QApplication>
#include <QWidget>

#include "platform/base/sysmetrics.h"
#include "platform/window/wnd.h"
#include "platform/window/wnd_impl.h"

BOOL SetSysColors(int count, const int* indexes, const COLORREF* colours) {
    if (!SetSysColorValues(count, indexes, colours)) return FALSE;
    std::vector<HWND> tops;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (WindowImpl* impl = WindowImpl::FromWidget(w); impl && impl->topLevel && impl->widget == w)
            tops.push_back(impl->handle);
    for (HWND h : tops) WindowImpl::Dispatch(h, WM_SYSCOLORCHANGE, 0, 0);
    return TRUE;
}
