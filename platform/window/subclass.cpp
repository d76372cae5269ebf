// Taking over a child window by another window object.
#include <QApplication>
#include <QWidget>
#include <algorithm>

#include "platform/window/wnd.h"
#include "platform/window/wnd_impl.h"

BOOL CWnd::SubclassWindow(HWND hwnd) {
    WindowImpl* old = WindowImpl::FromHandle(hwnd);
    if (m_hWnd || !old || old->topLevel || !old->wnd || old->wnd == this) return FALSE;
    CWnd* parent = old->wnd->GetParent();
    if (!parent) return FALSE;

    RECT rc{};
    old->wnd->GetWindowRect(&rc);
    parent->ScreenToClient(&rc);
    const DWORD style = old->style;
    const DWORD exStyle = old->exStyle;
    const UINT id = old->id;
    const std::u16string text = old->text;
    const bool enabled = !old->widget || old->widget->isEnabled();
    const bool visible = old->widget && old->widget->isVisibleTo(parent->Widget());

    // Where the old window stands among its siblings and in the tab order.
    std::vector<HWND>& siblings = parent->m_impl->children;
    const auto at = std::find(siblings.begin(), siblings.end(), hwnd);
    const size_t index = size_t(at - siblings.begin());
    QWidget* previousInChain = old->widget ? old->widget->previousInFocusChain() : nullptr;
    if (previousInChain && old->widget && old->widget->isAncestorOf(previousInChain)) previousInChain = nullptr;

    old->wnd->DestroyWindow();
    if (!CreateEx(exStyle, nullptr, text.c_str(), (style & ~WS_VISIBLE) | WS_CHILD, rc, parent, id))
        return FALSE;

    // Back into the old window's place.
    auto mine = std::find(siblings.begin(), siblings.end(), m_hWnd);
    if (mine != siblings.end() && index < siblings.size()) {
        siblings.erase(mine);
        siblings.insert(siblings.begin() + std::ptrdiff_t(std::min(index, siblings.size())), m_hWnd);
    }
    QWidget* w = Widget();
    if (w) {
        if (index + 1 < siblings.size()) {
            if (WindowImpl* next = WindowImpl::FromHandle(siblings[index + 1]); next && next->widget)
                w->stackUnder(next->widget);
        }
        if (previousInChain && previousInChain->window() == w->window()) QWidget::setTabOrder(previousInChain, w);
        w->setEnabled(enabled);
    }
    if (visible || (style & WS_VISIBLE)) ShowWindow(SW_SHOW);
    return TRUE;
}

CWnd* CWnd::GetActiveWindow() {
    QWidget* w = QApplication::activeModalWidget();
    if (!w) w = QApplication::activeWindow();
    WindowImpl* impl = w ? WindowImpl::FromWidget(w) : nullptr;
    return impl ? impl->wnd : nullptr;
}
