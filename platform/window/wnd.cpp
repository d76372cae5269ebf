#include "platform/window/wnd.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>
#include <QWheelEvent>
#include <algorithm>
#include <chrono>
#include <climits>
#include <unordered_map>

#include "platform/gdi/dc.h"
#include "platform/gdi/dc_impl.h"
#include "platform/window/icon.h"
#include "platform/window/icon_impl.h"
#include "platform/window/wnd_impl.h"

namespace {
QSize ClampedSize(int w, int h) { return QSize(std::max(0, w), std::max(0, h)); }

// Whether the window is one of the layer's ordinary top-level windows (frames,
// dialogs, popups), not a tooltip or a tool popup that chose its own kind.
bool FramedTopLevel(const WindowImpl* impl) {
    return impl && impl->topLevel && impl->widget && !impl->native &&
           (impl->widget->windowType() == Qt::Window || impl->widget->windowType() == Qt::Dialog);
}

// Tells the window manager what a captioned window's style allows: minimize
// and maximize buttons only with their boxes, a dialog's kind for an owned
// window. Set before the window is first shown. Windows without a caption
// keep the platform's plain kind.
void ApplyWindowKind(WindowImpl* impl) {
    QWidget* w = impl->widget;
    const DWORD s = impl->style;
    Qt::WindowFlags f = (impl->owner ? Qt::Dialog : Qt::Window) | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (s & WS_SYSMENU) f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (s & WS_MINIMIZEBOX) f |= Qt::WindowMinimizeButtonHint;
    if (s & WS_MAXIMIZEBOX) f |= Qt::WindowMaximizeButtonHint;
    w->setWindowFlags(f);
}

// Lets the window take any size (before the layer itself gives it a new one).
void LiftSizeLimits(QWidget* w) {
    w->setMinimumSize(0, 0);
    w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

// A window without a sizing frame keeps the size the program gives it: the
// window manager is told that its smallest and largest sizes are that size.
void ApplySizeLimits(WindowImpl* impl) {
    if (!FramedTopLevel(impl)) return;
    QWidget* w = impl->widget;
    if (impl->style & WS_THICKFRAME) {
        LiftSizeLimits(w);
    } else {
        w->setMinimumSize(w->size());
        w->setMaximumSize(w->size());
    }
}

// The owner's window stays below an owned window (the window manager keeps a
// transient window above the one it is transient for).
void ApplyOwner(WindowImpl* impl) {
    WindowImpl* owner = WindowImpl::FromHandle(impl->owner);
    if (!owner || !owner->widget || !impl->widget) return;
    QWindow* ownerWindow = platform::detail::PlatformWindow(owner->widget);
    if (QWindow* win = platform::detail::PlatformWindow(impl->widget)) win->setTransientParent(ownerWindow);
}

QRect WorkArea(const QWidget* w) {
    const QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}
}  // namespace

QWindow* platform::detail::PlatformWindow(QWidget* top) {
    if (!top || !top->isWindow()) return nullptr;
    // The widget itself is made (not only its QWindow): a widget made later
    // would give its window its flags again, and its type with them.
    top->createWinId();
    return top->windowHandle();
}

// ---------------------------------------------------------------------------
// CWnd

CWnd::CWnd() = default;

CWnd::~CWnd() {
    if (m_impl && m_impl->destroying) {
        // Deleted by a handler while its window tree is being destroyed: the
        // destroy under way finishes the window without this object.
        m_impl->wnd = nullptr;
        m_impl = nullptr;
        m_hWnd = nullptr;
        return;
    }
    if (m_hWnd) CWnd::DestroyWindow();
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    WindowImpl* impl = WindowImpl::FromHandle(hwnd);
    return impl ? impl->wnd : nullptr;
}

QWidget* CWnd::Widget() const { return m_impl ? m_impl->widget.data() : nullptr; }

QWidget* CWnd::CreateWidget(QWidget* parentWidget, bool topLevel) {
    return new WndWidget(m_impl, parentWidget, topLevel);
}

BOOL CWnd::Create(LPCTSTR, LPCTSTR windowName, DWORD style, const RECT& rect, CWnd* parent,
                  UINT id) {
    return CreateEx(0, nullptr, windowName, style, rect, parent, id);
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCTSTR, LPCTSTR windowName, DWORD style, const RECT& rect,
                    CWnd* parent, UINT id) {
    if (m_hWnd || !QApplication::instance()) return FALSE;
    const bool child = (style & WS_CHILD) != 0;
    if (child && (!parent || !parent->m_hWnd)) return FALSE;

    auto* impl = new WindowImpl;
    impl->wnd = this;
    impl->Register();
    impl->style = style;
    impl->exStyle = exStyle;
    impl->id = child ? id : 0;
    impl->topLevel = !child;
    impl->text = windowName ? std::u16string(windowName) : std::u16string();
    if (parent && parent->m_hWnd) {
        if (child) {
            impl->parent = parent->m_hWnd;
            parent->m_impl->children.push_back(impl->handle);
        } else {
            impl->owner = parent->GetTopLevelParent() ? parent->GetTopLevelParent()->m_hWnd
                                                      : parent->m_hWnd;
        }
    }
    m_hWnd = impl->handle;
    m_impl = impl;

    impl->target = new MessageTarget(impl->handle);
    QWidget* parentWidget = child ? parent->Widget() : nullptr;
    QWidget* w = CreateWidget(parentWidget, !child);
    impl->widget = w;
    impl->native = dynamic_cast<WndWidget*>(w) == nullptr;
    impl->WatchWidget(w);
    w->setFocusPolicy((style & WS_TABSTOP) ? Qt::StrongFocus : (impl->native ? Qt::ClickFocus : Qt::NoFocus));
    if (!child) {
        if (FramedTopLevel(impl) && (style & WS_CAPTION) == WS_CAPTION) ApplyWindowKind(impl);
        w->setWindowTitle(QString::fromUtf16(impl->text.data(), qsizetype(impl->text.size())));
        w->setAttribute(Qt::WA_QuitOnClose, false);
    }
    CRect r(rect);
    if (child) {
        const QPoint at = ChildWidgetPos(impl->parent, QPoint(r.left, r.top));
        w->setGeometry(at.x(), at.y(), std::max(0, r.Width()), std::max(0, r.Height()));
    } else {
        // A top-level window is made with its client rectangle (a dialog
        // template gives the client area's size).
        w->setGeometry(r.left, r.top, std::max(0, r.Width()), std::max(0, r.Height()));
        ApplySizeLimits(impl);
        if (FramedTopLevel(impl)) ApplyOwner(impl);
    }
    impl->laidOrigin = impl->ClientOrigin();
    if (style & WS_DISABLED) w->setEnabled(false);

    PreSubclassWindow();
    if (!IsWindow(impl->handle)) return FALSE;
    WindowImpl::Dispatch(impl->handle, WM_CREATE, 0, 0);
    if (!IsWindow(impl->handle)) return FALSE;
    impl->ReportGeometry();
    if (!IsWindow(impl->handle)) return FALSE;
    if (style & WS_VISIBLE) ShowWindow((style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED : SW_SHOW);
    return TRUE;
}

BOOL CWnd::DestroyWindow() {
    if (!m_hWnd || !m_impl || m_impl->destroying) return FALSE;
    // Every window of the tree, parents before children.
    std::vector<HWND> order;
    std::vector<HWND> stack{m_hWnd};
    while (!stack.empty()) {
        HWND h = stack.back();
        stack.pop_back();
        WindowImpl* impl = WindowImpl::FromHandle(h);
        if (!impl || impl->destroying) continue;
        impl->destroying = true;
        order.push_back(h);
        for (auto it = impl->children.rbegin(); it != impl->children.rend(); ++it) stack.push_back(*it);
    }
    // Timers and hover tracking stop at once; queued messages are dropped with the target.
    for (HWND h : order) {
        WindowImpl* impl = WindowImpl::FromHandle(h);
        for (auto& [id, timer] : impl->timers) timer->stop();
        if (impl->hoverTimer) impl->hoverTimer->stop();
        if (impl->widget && QWidget::mouseGrabber() == impl->widget) impl->widget->releaseMouse();
    }
    QWidget* rootWidget = m_impl->widget;
    if (rootWidget) rootWidget->hide();
    for (HWND h : order) {
        if (WindowImpl* impl = WindowImpl::FromHandle(h); impl && impl->wnd)
            impl->wnd->WindowProc(WM_DESTROY, 0, 0);
    }
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        WindowImpl* impl = WindowImpl::FromHandle(*it);
        if (!impl) continue;
        if (impl->wnd) impl->wnd->WindowProc(WM_NCDESTROY, 0, 0);
        CWnd* wnd = impl->wnd;  // afresh: the handler may have deleted its object
        if (WindowImpl* p = WindowImpl::FromHandle(impl->parent)) {
            auto& c = p->children;
            c.erase(std::remove(c.begin(), c.end(), impl->handle), c.end());
        }
        impl->Unregister();
        impl->target->handle = nullptr;
        impl->target->deleteLater();
        if (impl->widget) {
            impl->UnwatchWidget();
            if (auto* ww = dynamic_cast<WndWidget*>(impl->widget.data())) ww->impl = nullptr;
        }
        if (wnd) {
            wnd->m_hWnd = nullptr;
            wnd->m_impl = nullptr;
        }
        delete impl;
        if (wnd) wnd->PostNcDestroy();
    }
    if (rootWidget) rootWidget->deleteLater();
    return TRUE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return ClassWindowProc(message, wParam, lParam);
}

LRESULT CWnd::ClassWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND: {
        if (!ErasesWithFaceColour() || !wParam) return 0;
        auto* dc = reinterpret_cast<CDC*>(wParam);
        CRect rc;
        GetClientRect(&rc);
        dc->FillSolidRect(&rc, GetSysColor(COLOR_BTNFACE));
        return 1;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(m_hWnd, &ps);
        EndPaint(m_hWnd, &ps);
        return 0;
    }
    case WM_CLOSE:
        DestroyWindow();
        return 0;
    case WM_NCHITTEST: {
        RECT r;
        GetWindowRect(&r);
        const CPoint at(lParam);
        if (!CRect(r).PtInRect(at)) return HTNOWHERE;
        // The client area, the scroll bars beside and below it, or the client edge.
        POINT p = at;
        ScreenToClient(&p);
        RECT client;
        GetClientRect(&client);
        if (CRect(client).PtInRect(p)) return HTCLIENT;
        if (IsScrollBarShown(SB_VERT) && p.x >= client.right && p.y >= 0 && p.y < client.bottom) return HTVSCROLL;
        if (IsScrollBarShown(SB_HORZ) && p.y >= client.bottom && p.x >= 0 && p.x < client.right) return HTHSCROLL;
        return HTBORDER;
    }
    case WM_SETCURSOR:
        // A child's parent may set the cursor first.
        if (m_impl && !m_impl->topLevel)
            if (CWnd* p = GetParent()) return p->SendMessage(WM_SETCURSOR, wParam, lParam);
        return FALSE;
    case WM_SYSCOLORCHANGE:
        // A top-level window passes the change on to every window inside it.
        if (m_impl && m_impl->topLevel) {
            std::vector<HWND> pending(m_impl->children.begin(), m_impl->children.end());
            while (!pending.empty()) {
                const HWND h = pending.back();
                pending.pop_back();
                WindowImpl* c = WindowImpl::FromHandle(h);
                if (!c) continue;
                pending.insert(pending.end(), c->children.begin(), c->children.end());
                WindowImpl::Dispatch(h, WM_SYSCOLORCHANGE, wParam, lParam);
            }
        }
        return 0;
    case WM_HELP:
        // Help goes up to the parent until a window handles it.
        if (CWnd* p = GetParent()) return p->SendMessage(WM_HELP, wParam, lParam);
        return 0;
    case WM_SETICON: {
        // The window shows one icon for both sizes; the previous one is the answer.
        if (!m_impl) return 0;
        const auto* icon = reinterpret_cast<HICON>(lParam);
        const HICON previous = wParam == ICON_SMALL ? m_impl->smallIcon : m_impl->bigIcon;
        (wParam == ICON_SMALL ? m_impl->smallIcon : m_impl->bigIcon) = icon;
        if (m_impl->topLevel && m_impl->widget && icon) m_impl->widget->setWindowIcon(icon->icon);
        return reinterpret_cast<LRESULT>(previous);
    }
    case WM_SETTEXT: {
        if (!m_impl) return FALSE;
        const auto* text = reinterpret_cast<const char16_t*>(lParam);
        m_impl->text = text ? std::u16string(text) : std::u16string();
        if (m_impl->topLevel && m_impl->widget)
            m_impl->widget->setWindowTitle(
                QString::fromUtf16(m_impl->text.data(), qsizetype(m_impl->text.size())));
        return TRUE;
    }
    case WM_GETTEXT: {
        // Internal form: lParam points to a std::u16string that receives the text.
        if (!m_impl || !lParam) return 0;
        *reinterpret_cast<std::u16string*>(lParam) = m_impl->text;
        return LRESULT(m_impl->text.size());
    }
    default:
        // Passed on by a window that had the mouse (a tip), a button reaches a
        // standard control as the control's own input.
        if (m_impl && m_impl->native) platform::detail::ButtonMessageToStandardControl(m_hWnd, message, wParam, lParam);
        return 0;
    }
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }
void CWnd::PreSubclassWindow() {}
void CWnd::PostNcDestroy() {}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return WindowImpl::Dispatch(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return PostMessageW(m_hWnd, message, wParam, lParam);
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapseMs, void*) {
    if (!m_impl || m_impl->destroying) return 0;
    const UINT ms = std::clamp<UINT>(elapseMs, 10u, 0x7FFFFFFFu);
    QTimer*& timer = m_impl->timers[id];
    if (!timer) {
        timer = new QTimer(m_impl->target);
        timer->setTimerType(Qt::PreciseTimer);
        const HWND h = m_hWnd;
        QObject::connect(timer, &QTimer::timeout, timer, [h, id] {
            platform::detail::NoteMessageTime();
            WindowImpl::Dispatch(h, WM_TIMER, id, 0);
        });
    }
    timer->start(int(ms));
    return id == 0 ? 1 : id;
}

BOOL CWnd::KillTimer(UINT_PTR id) {
    if (!m_impl) return FALSE;
    // The timer is kept, stopped, for the next SetTimer of the same id (a
    // window that polls sets and kills one many times a second).
    auto it = m_impl->timers.find(id);
    if (it == m_impl->timers.end() || !it->second->isActive()) return FALSE;
    it->second->stop();
    return TRUE;
}

int CWnd::GetDlgCtrlID() const { return m_impl ? int(m_impl->id) : 0; }

int CWnd::SetDlgCtrlID(int id) {
    if (!m_impl) return 0;
    const int old = int(m_impl->id);
    m_impl->id = UINT(id);
    return old;
}

CWnd* CWnd::GetParent() const {
    if (!m_impl) return nullptr;
    return FromHandle(m_impl->parent ? m_impl->parent : m_impl->owner);
}

CWnd* CWnd::GetOwner() const {
    if (!m_impl) return nullptr;
    return FromHandle(m_impl->owner ? m_impl->owner : m_impl->parent);
}

void CWnd::SetOwner(CWnd* owner) {
    if (m_impl) m_impl->owner = owner ? owner->m_hWnd : nullptr;
}

CWnd* CWnd::GetNotifyTarget() const {
    if (!m_impl) return nullptr;
    if (CWnd* o = FromHandle(m_impl->owner)) return o;
    return FromHandle(m_impl->parent);
}

CWnd* CWnd::GetDlgItem(int id) const {
    if (!m_impl) return nullptr;
    for (HWND c : m_impl->children) {
        WindowImpl* impl = WindowImpl::FromHandle(c);
        if (impl && int(impl->id) == id) return impl->wnd;
    }
    return nullptr;
}

CWnd* CWnd::GetTopLevelParent() const {
    if (!m_impl) return nullptr;
    const WindowImpl* impl = m_impl;
    while (impl && !impl->topLevel) impl = WindowImpl::FromHandle(impl->parent);
    return impl ? impl->wnd : nullptr;
}

std::vector<CWnd*> CWnd::GetChildren() const {
    std::vector<CWnd*> out;
    if (!m_impl) return out;
    for (HWND c : m_impl->children)
        if (CWnd* w = FromHandle(c)) out.push_back(w);
    return out;
}

DWORD CWnd::GetStyle() const {
    if (!m_impl) return 0;
    DWORD s = m_impl->style & ~(WS_VISIBLE | WS_DISABLED);
    if (m_impl->widget) {
        if (!m_impl->widget->isHidden()) s |= WS_VISIBLE;
        if (m_impl->widget->testAttribute(Qt::WA_ForceDisabled)) s |= WS_DISABLED;
        if (IsZoomed()) s |= WS_MAXIMIZE;
        if (IsIconic()) s |= WS_MINIMIZE;
    }
    return s;
}

DWORD CWnd::GetExStyle() const { return m_impl ? m_impl->exStyle : 0; }

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT) {
    if (!m_impl) return FALSE;
    const DWORD before = m_impl->style;
    m_impl->style = (m_impl->style & ~remove) | add;
    if (m_impl->widget && ((before ^ m_impl->style) & WS_TABSTOP) && !m_impl->native)
        m_impl->widget->setFocusPolicy((m_impl->style & WS_TABSTOP) ? Qt::StrongFocus : Qt::NoFocus);
    return before != m_impl->style;
}

BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT) {
    if (!m_impl) return FALSE;
    const DWORD before = m_impl->exStyle;
    m_impl->exStyle = (m_impl->exStyle & ~remove) | add;
    // The client edge takes its place out of the client area.
    if ((before ^ m_impl->exStyle) & WS_EX_CLIENTEDGE) m_impl->LayoutNonClient();
    return before != m_impl->exStyle;
}

BOOL CWnd::ShowWindow(int cmd) {
    if (!m_impl || !m_impl->widget) return FALSE;
    QWidget* w = m_impl->widget;
    const BOOL wasVisible = !w->isHidden();
    const HWND h = m_hWnd;
    // Without a window manager nobody answers a request to maximize, minimize or
    // restore: the layer sizes and places the window itself. Only those three
    // ask the X server; showing and hiding (tooltips, title tips) do not.
    const bool changesState = cmd == SW_MAXIMIZE || cmd == SW_MINIMIZE || cmd == SW_SHOWMINIMIZED ||
                              cmd == SW_RESTORE || cmd == SW_SHOWNORMAL;
    const bool bySelf = m_impl->topLevel && changesState && !platform::detail::WindowManagerRuns();
    using State = WindowImpl::ShowState;
    auto leaveNormal = [this, w](State to) {
        if (m_impl->layerState == State::Normal) m_impl->restoreGeometry = w->geometry();
        m_impl->layerState = to;
    };
    switch (cmd) {
    case SW_HIDE:
        if (wasVisible) {
            w->hide();
            WindowImpl::Dispatch(h, WM_SHOWWINDOW, FALSE, 0);
        }
        break;
    case SW_MAXIMIZE:  // also SW_SHOWMAXIMIZED
        if (!m_impl->topLevel) {
            w->show();
        } else if (bySelf) {
            leaveNormal(State::Maximized);
            LiftSizeLimits(w);
            w->setGeometry(WorkArea(w));
            w->show();
        } else {
            w->showMaximized();
        }
        break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
        if (!m_impl->topLevel) {
            w->show();
        } else if (bySelf) {
            // With no window manager there is no icon to shrink to: the window goes out of sight.
            leaveNormal(State::Minimized);
            w->hide();
        } else {
            w->showMinimized();
        }
        break;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
        if (!m_impl->topLevel) {
            w->show();
        } else if (bySelf) {
            if (m_impl->layerState != State::Normal) {
                m_impl->layerState = State::Normal;
                if (!m_impl->restoreGeometry.isNull()) w->setGeometry(m_impl->restoreGeometry);
                ApplySizeLimits(m_impl);
            }
            w->show();
        } else {
            w->showNormal();
        }
        break;
    default:
        // Shown again after the layer hid it as minimized.
        if (m_impl->layerState == State::Minimized) m_impl->layerState = State::Normal;
        w->show();
        break;
    }
    WindowImpl* impl = WindowImpl::FromHandle(h);
    if (!impl) return wasVisible;
    if (cmd != SW_HIDE && !wasVisible && !w->isHidden()) WindowImpl::Dispatch(h, WM_SHOWWINDOW, TRUE, 0);
    if ((impl = WindowImpl::FromHandle(h)) != nullptr) {
        if (impl->layerState == State::Minimized) {
            // Minimized: the window hears of it at once, as it does on the system.
            if (impl->reportedSize != QSize(0, 0)) {
                impl->reportedSize = QSize(0, 0);
                impl->reportedType = SIZE_MINIMIZED;
                WindowImpl::Dispatch(h, WM_SIZE, SIZE_MINIMIZED, 0);
            }
        } else {
            impl->ReportGeometry();
        }
    }
    return wasVisible;
}

BOOL CWnd::IsWindowVisible() const {
    return m_impl && m_impl->widget && m_impl->widget->isVisible();
}

BOOL CWnd::EnableWindow(BOOL enable) {
    if (!m_impl || !m_impl->widget) return FALSE;
    const BOOL wasDisabled = m_impl->widget->testAttribute(Qt::WA_ForceDisabled);
    if (bool(enable) == !wasDisabled) return wasDisabled;
    m_impl->widget->setEnabled(enable != FALSE);  // WM_ENABLE goes out from the change event
    return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const {
    return m_impl && m_impl->widget && !m_impl->widget->testAttribute(Qt::WA_ForceDisabled);
}

BOOL CWnd::IsIconic() const {
    if (!m_impl || !m_impl->widget) return FALSE;
    return m_impl->layerState == WindowImpl::ShowState::Minimized || m_impl->widget->isMinimized();
}

BOOL CWnd::IsZoomed() const {
    if (!m_impl || !m_impl->widget) return FALSE;
    return m_impl->layerState == WindowImpl::ShowState::Maximized || m_impl->widget->isMaximized();
}

void CWnd::SetWindowText(LPCTSTR text) {
    SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : u""));
}

std::u16string CWnd::GetWindowText() const {
    std::u16string text;
    WindowImpl::Dispatch(m_hWnd, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(&text));
    return text;
}

int CWnd::GetWindowTextLength() const { return int(GetWindowText().size()); }

void CWnd::GetWindowRect(LPRECT rect) const {
    if (!rect) return;
    *rect = RECT{};
    if (!m_impl || !m_impl->widget) return;
    QWidget* w = m_impl->widget;
    const QPoint tl = WidgetScreenPos(w);
    *rect = RECT{tl.x(), tl.y(), tl.x() + w->width(), tl.y() + w->height()};
    if (m_impl->topLevel) {
        const RECT f = WindowsFrameInsets();
        rect->left -= f.left;
        rect->top -= f.top;
        rect->right += f.right;
        rect->bottom += f.bottom;
    }
}

RECT CWnd::WindowsFrameInsets() const {
    if (!m_impl || !m_impl->widget || !m_impl->topLevel) return RECT{};
    // The frame that a Windows window of this style has around its client area.
    // It stands for whatever frame the window manager draws, or none: the
    // manager's decorations arrive late and differ from one desktop to the
    // next, while a layout measured from the window rectangle must come out
    // the same at every moment. Only a window with a caption has one; the
    // layer's popups (tooltips, title tips, lists) draw their borders themselves.
    if ((GetStyle() & WS_CAPTION) != WS_CAPTION) return RECT{};
    RECT r{};
    AdjustWindowRectEx(&r, GetStyle(), FALSE, GetExStyle());
    return RECT{-r.left, -r.top, r.right, r.bottom};
}

BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL, DWORD) {
    if (!rect) return FALSE;
    int border = 0;
    if (style & WS_THICKFRAME)
        border = GetSystemMetrics(SM_CXFRAME) + GetSystemMetrics(SM_CXPADDEDBORDER);
    else if (style & (WS_DLGFRAME | WS_BORDER))
        border = GetSystemMetrics(SM_CXFIXEDFRAME) + GetSystemMetrics(SM_CXPADDEDBORDER);
    const int caption = (style & WS_CAPTION) == WS_CAPTION ? GetSystemMetrics(SM_CYCAPTION) : 0;
    rect->left -= border;
    rect->top -= border + caption;
    rect->right += border;
    rect->bottom += border;
    return TRUE;
}

void CWnd::GetClientRect(LPRECT rect) const {
    if (!rect) return;
    *rect = RECT{};
    if (m_impl && m_impl->widget) {
        const QSize client = m_impl->ClientSize();
        *rect = RECT{0, 0, client.width(), client.height()};
    }
}

void CWnd::ClientToScreen(LPPOINT point) const {
    if (!point || !m_impl || !m_impl->widget) return;
    const QPoint g = WidgetScreenPos(m_impl->widget) + m_impl->ClientOrigin() + QPoint(point->x, point->y);
    *point = POINT{g.x(), g.y()};
}

void CWnd::ClientToScreen(LPRECT rect) const {
    if (!rect) return;
    POINT a{rect->left, rect->top}, b{rect->right, rect->bottom};
    ClientToScreen(&a);
    ClientToScreen(&b);
    *rect = RECT{a.x, a.y, b.x, b.y};
}

void CWnd::ScreenToClient(LPPOINT point) const {
    if (!point || !m_impl || !m_impl->widget) return;
    const QPoint c = QPoint(point->x, point->y) - WidgetScreenPos(m_impl->widget) - m_impl->ClientOrigin();
    *point = POINT{c.x(), c.y()};
}

void CWnd::ScreenToClient(LPRECT rect) const {
    if (!rect) return;
    POINT a{rect->left, rect->top}, b{rect->right, rect->bottom};
    ScreenToClient(&a);
    ScreenToClient(&b);
    *rect = RECT{a.x, a.y, b.x, b.y};
}

void CWnd::MapWindowPoints(CWnd* to, POINT* points, UINT count) const {
    for (UINT i = 0; i < count; ++i) {
        ClientToScreen(&points[i]);
        if (to) to->ScreenToClient(&points[i]);
    }
}

void CWnd::MapWindowPoints(CWnd* to, LPRECT rect) const {
    if (!rect) return;
    MapWindowPoints(to, reinterpret_cast<POINT*>(rect), 2);
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
    if (!m_impl || !m_impl->widget) return;
    const HWND h = m_hWnd;
    QWidget* w = m_impl->widget;
    if (m_impl->topLevel) {
        // (x, y, width, height) is the window rectangle, frame included.
        const RECT f = WindowsFrameInsets();
        LiftSizeLimits(w);
        w->setGeometry(QRect(QPoint(x + f.left, y + f.top),
                             ClampedSize(width - f.left - f.right, height - f.top - f.bottom)));
        ApplySizeLimits(m_impl);
        m_impl->layerState = WindowImpl::ShowState::Normal;
    } else {
        w->setGeometry(QRect(ChildWidgetPos(m_impl->parent, QPoint(x, y)), ClampedSize(width, height)));
    }
    // The window hears of its new place at once, visible or not.
    m_impl->ReportGeometry();
    if (WindowImpl* impl = WindowImpl::FromHandle(h); impl && repaint && impl->widget) {
        impl->eraseRequested = true;
        impl->widget->update();
    }
}

void CWnd::MoveWindow(LPCRECT rect, BOOL repaint) {
    if (!rect) return;
    MoveWindow(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, repaint);
}

BOOL CWnd::SetWindowPos(const CWnd*, int x, int y, int cx, int cy, UINT flags) {
    if (!m_impl || !m_impl->widget) return FALSE;
    QWidget* w = m_impl->widget;
    RECT window{};
    GetWindowRect(&window);
    const QPoint pos = (flags & SWP_NOMOVE) ? (m_impl->topLevel ? QPoint(window.left, window.top)
                                                                : ChildClientPos(m_impl->parent, w->pos()))
                                            : QPoint(x, y);
    const QSize size = (flags & SWP_NOSIZE) ? QSize(window.right - window.left, window.bottom - window.top)
                                            : ClampedSize(cx, cy);
    if (!(flags & SWP_NOMOVE) || !(flags & SWP_NOSIZE))
        MoveWindow(pos.x(), pos.y(), size.width(), size.height(), !(flags & SWP_NOREDRAW));
    if (flags & SWP_SHOWWINDOW) ShowWindow(SW_SHOW);
    if (flags & SWP_HIDEWINDOW) ShowWindow(SW_HIDE);
    return TRUE;
}

void CWnd::CenterWindow(CWnd* alternateOwner) {
    if (!m_impl || !m_impl->widget || !m_impl->topLevel) return;
    // Centred on the owner, moved in from an edge of the owner's screen where
    // that would put it past one.
    CWnd* over = alternateOwner ? alternateOwner : GetOwner();
    platform::detail::PlaceTopLevel(m_impl->widget, over ? over->Widget() : nullptr, m_impl->StyleFrame(), true);
    m_impl->ReportGeometry();
}

QMargins WindowImpl::StyleFrame() const {
    if (!wnd) return QMargins();
    const RECT f = wnd->WindowsFrameInsets();
    return QMargins(f.left, f.top, f.right, f.bottom);
}

void platform::detail::KeepInWorkArea(HWND h) {
    WindowImpl* impl = WindowImpl::FromHandle(h);
    if (!impl || !impl->widget || !impl->topLevel || !impl->wnd) return;
    const WindowImpl* owner = WindowImpl::FromHandle(impl->owner);
    PlaceTopLevel(impl->widget, owner ? owner->widget.data() : nullptr, impl->StyleFrame(), false);
    if (WindowImpl::FromHandle(h)) impl->ReportGeometry();
}

void CWnd::Invalidate(BOOL erase) { InvalidateRect(nullptr, erase); }

void CWnd::InvalidateRect(LPCRECT rect, BOOL erase) {
    if (!m_impl || !m_impl->widget) return;
    // What was painted ahead of the next frame stands, but for what is invalid again.
    if (rect) {
        const QRect r(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
        m_impl->paintedAhead -= r;
        m_impl->dirty |= r;
    } else {
        m_impl->paintedAhead = QRegion();
        m_impl->dirtyAll = true;
    }
    if (erase) m_impl->eraseRequested = true;
    if (rect) {
        const CRect r(*rect);
        m_impl->widget->update(QRect(QPoint(r.left, r.top) + m_impl->ClientOrigin(), QSize(r.Width(), r.Height())));
    } else {
        m_impl->widget->update();
    }
}


BOOL CWnd::RedrawWindow(LPCRECT rectUpdate, void*, UINT flags) {
    if (!m_impl || !m_impl->widget) return FALSE;
    if (flags & RDW_INVALIDATE) {
        if (flags & RDW_ERASE) m_impl->eraseRequested = true;
        InvalidateRect(rectUpdate, (flags & RDW_ERASE) ? TRUE : FALSE);
        if (flags & RDW_ALLCHILDREN) {
            for (CWnd* c : GetChildren()) c->RedrawWindow(nullptr, nullptr, flags & ~RDW_UPDATENOW);
        }
    }
    if ((flags & RDW_UPDATENOW) && !m_impl->inPaint) {
        // The window first, then its children from its new picture.
        const HWND self = m_hWnd;
        UpdateWindow();
        if ((flags & RDW_ALLCHILDREN) && IsWindow(self))
            for (CWnd* c : GetChildren()) c->RedrawWindow(nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
    return TRUE;
}

// The children of a window that painted a new picture of its own: each starts
// again from it with its next paint, and so do theirs.
static void RepaintChildrenAnew(QWidget* parent) {
    for (QObject* child : parent->children()) {
        WindowImpl* k = WindowImpl::FromWidget(child);
        if (!k || !k->wnd || k->widget != child || k->native || !k->widget->isVisible()) continue;
        k->under.Forget();
        k->wnd->Invalidate(TRUE);
        if (k->widget) RepaintChildrenAnew(k->widget);
    }
}

void CWnd::UpdateWindow() {
    if (!m_impl || !m_impl->widget || m_impl->inPaint) return;
    QWidget* w = m_impl->widget;
    if (platform::detail::PaintingDirectly() && w->isVisible()) {
        // Qt paints one window at a time: this one is painted after the one
        // being painted now (its parent paints its children again where it
        // painted under them).
        w->update();
        return;
    }
    if (m_impl->StoreAwaitsResize()) {
        // Qt paints all of the window into a new picture with its next frame.
        w->update();
        return;
    }
    if (m_impl->PaintsDirectly()) {
        // What waits to be painted is painted now into what the screen shows,
        // so a context on the window reads it when this returns; the screen
        // takes it with the next frame, together with whatever else changed
        // until then, instead of one transfer per call.
        // (An erase asked for covers what waits, not more.)
        const QRegion waiting = m_impl->Waiting().translated(m_impl->ClientOrigin());
        if (!waiting.isEmpty()) m_impl->PaintAhead(waiting);
        return;
    }
    if (w->isVisible()) {
        // The window paints now, so its picture (what its children and the
        // device contexts on it see) is current when this returns; the screen
        // takes it with the next frame, together with whatever else changed
        // until then, instead of one transfer per call.
        const HWND h = m_hWnd;
        m_impl->Compose();
        WindowImpl* impl = WindowImpl::FromHandle(h);
        if (!impl || !impl->widget) return;
        impl->composedAhead = true;
        impl->widget->update();
        // Its children start again from its new picture, as they do when it
        // paints straight into the screen's.
        RepaintChildrenAnew(impl->widget);
    }
}

CWnd* CWnd::SetFocus() {
    CWnd* previous = GetFocus();
    if (!m_impl || !m_impl->widget) return previous;
    QWidget* w = m_impl->widget;
    // Like the system, focusing a window activates its top-level window first, at
    // once, so the focus is there when the call returns.
    QWidget* top = w->window();
    if (top && top->isVisible() && !top->isActiveWindow()) {
        top->activateWindow();
        QApplication::setActiveWindow(top);
    }
    w->setFocus(Qt::OtherFocusReason);
    return previous;
}

CWnd* CWnd::GetFocus() {
    WindowImpl* impl = WindowImpl::FromWidget(QApplication::focusWidget());
    return impl ? impl->wnd : nullptr;
}

CWnd* CWnd::SetCapture() {
    CWnd* previous = GetCapture();
    if (!m_impl || !m_impl->widget || !m_impl->widget->isVisible() || previous == this) return previous;
    const HWND before = previous ? previous->m_hWnd : nullptr;
    if (previous && previous->Widget()) previous->Widget()->releaseMouse();
    m_impl->widget->grabMouse();
    // The window that had the mouse hears that it lost it.
    if (before) WindowImpl::Dispatch(before, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(m_hWnd));
    return previous;
}

CWnd* CWnd::GetCapture() {
    WindowImpl* impl = WindowImpl::FromWidget(QWidget::mouseGrabber());
    return impl ? impl->wnd : nullptr;
}

// ---------------------------------------------------------------------------
// Free functions

BOOL IsWindow(HWND hwnd) { return WindowImpl::FromHandle(hwnd) != nullptr; }

LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return WindowImpl::Dispatch(hwnd, message, wParam, lParam);
}

BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowImpl* impl = WindowImpl::FromHandle(hwnd);
    if (!impl || impl->destroying) return FALSE;
    impl->Post(message, wParam, lParam);
    return TRUE;
}



