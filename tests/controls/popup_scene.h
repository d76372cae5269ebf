// The small popups' tests share these: the popup template registered once, a
// modal run with a script inside its loop, and window rectangles.
#pragma once

#include <QTimer>
#include <functional>

#include "platform/window/dialog.h"
#include "res/resources.h"

namespace popup_test {

inline void RegisterPopupTemplate() {
    static const bool once = [] {
        res::RegisterResources();
        return true;
    }();
    (void)once;
}

// Runs the dialog modally with `script` running inside its loop; a popup that
// the script leaves open is ended with -5 after five seconds.
inline INT_PTR RunModal(CDialog& dlg, const std::function<void()>& script) {
    RegisterPopupTemplate();
    QTimer::singleShot(0, script);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&dlg] {
        if (dlg.m_hWnd) dlg.EndDialog(-5);
    });
    guard.start(5000);
    return dlg.DoModal();
}

inline CRect WindowRectOf(const CWnd* wnd) {
    CRect rc;
    wnd->GetWindowRect(&rc);
    return rc;
}

}  // namespace popup_test
