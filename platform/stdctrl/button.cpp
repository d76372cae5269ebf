#include "platform/stdctrl/button.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include "platform/window/dialog.h"

#include "platform/window/wnd_impl.h"

namespace {

// The widget of a button: mouse messages meet PreTranslateMessage first.
class ButtonWidget : public WndWidget {
public:
    using WndWidget::WndWidget;

protected:
    bool event(QEvent* e) override {
        UINT message = 0;
        switch (e->type()) {
        case QEvent::MouseButtonPress: message = WM_LBUTTONDOWN; break;
        case QEvent::MouseButtonRelease: message = WM_LBUTTONUP; break;
        case QEvent::MouseButtonDblClick: message = WM_LBUTTONDBLCLK; break;
        case QEvent::MouseMove: message = WM_MOUSEMOVE; break;
        default: break;
        }
        if (!message || !impl) return WndWidget::event(e);
        if (message == WM_MOUSEMOVE) impl->movedSinceEnter = true;
        auto* me = static_cast<QMouseEvent*>(e);
        if (message != WM_MOUSEMOVE) {
            if (me->button() == Qt::RightButton) message += WM_RBUTTONDOWN - WM_LBUTTONDOWN;
            else if (me->button() == Qt::MiddleButton) message += WM_MBUTTONDOWN - WM_LBUTTONDOWN;
            else if (me->button() != Qt::LeftButton) return WndWidget::event(e);
        }
        const QPoint p = me->position().toPoint();
        const QPoint g = me->globalPosition().toPoint();
        WPARAM keys = 0;
        if (me->buttons() & Qt::LeftButton) keys |= MK_LBUTTON;
        if (me->buttons() & Qt::RightButton) keys |= MK_RBUTTON;
        if (me->buttons() & Qt::MiddleButton) keys |= MK_MBUTTON;
        if (me->modifiers() & Qt::ShiftModifier) keys |= MK_SHIFT;
        if (me->modifiers() & Qt::ControlModifier) keys |= MK_CONTROL;
        MSG msg;
        msg.hwnd = impl->handle;
        msg.message = message;
        msg.wParam = keys;
        msg.lParam = MAKELPARAM(p.x(), p.y());
        msg.time = GetTickCount();
        msg.pt = POINT{g.x(), g.y()};
        const MSG before = msg;
        const HWND self = impl->handle;
        // From the button up to its top-level window, each may take the message.
        for (HWND h = self; h;) {
            WindowImpl* w = WindowImpl::FromHandle(h);
            if (!w || !w->wnd) break;
            if (w->wnd->PreTranslateMessage(&msg)) return true;
            if (!IsWindow(self)) return true;
            if (w->topLevel) break;
            h = w->parent;
        }
        if (msg.message != before.message || msg.wParam != before.wParam || msg.lParam != before.lParam) {
            // Changed in place: the changed message is delivered instead.
            WindowImpl::Dispatch(self, msg.message, msg.wParam, msg.lParam);
            return true;
        }
        return WndWidget::event(e);
    }
};

constexpr const char* kFocusCues = "keyboardUsed";

// A push button that draws the focus mark as Windows does: one pixel on, one
// off, along a rectangle three pixels inside the button's edge, in the text's
// colour.
class PushButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* e) override {
        QPushButton::paintEvent(e);
        if (!hasFocus() || !platform::detail::FocusCuesShown(this)) return;
        const QRect r = rect().adjusted(3, 3, -4, -4);
        if (r.width() < 1 || r.height() < 1) return;
        QPainter p(this);
        p.setPen(palette().color(QPalette::ButtonText));
        // Every other pixel, counted around the rectangle from its top-left corner.
        int n = 0;
        auto dot = [&](int x, int y) {
            if (n++ % 2 == 0) p.drawPoint(x, y);
        };
        for (int x = r.left(); x < r.right(); ++x) dot(x, r.top());
        for (int y = r.top(); y < r.bottom(); ++y) dot(r.right(), y);
        for (int x = r.right(); x > r.left(); --x) dot(x, r.bottom());
        for (int y = r.bottom(); y > r.top(); --y) dot(r.left(), y);
    }
};

bool Inside(const CWnd* wnd, LPARAM lParam) {
    CRect rc;
    wnd->GetClientRect(&rc);
    return rc.PtInRect(CPoint(lParam));
}

}  // namespace

CButton::CButton() = default;

CButton::~CButton() {
    if (m_hWnd) DestroyWindow();
}

BOOL CButton::Create(LPCTSTR caption, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create(u"BUTTON", caption, style, rect, parent, id);
}

bool CButton::IsOwnerDrawn() const { return AlwaysOwnerDrawn() || (GetStyle() & BS_TYPEMASK) == BS_OWNERDRAW; }

QWidget* CButton::CreateWidget(QWidget* parentWidget, bool topLevel) {
    if (IsOwnerDrawn()) return new ButtonWidget(WindowImpl::FromHandle(m_hWnd), parentWidget, topLevel);
    auto* button = new PushButton(parentWidget);
    const WindowImpl* impl = WindowImpl::FromHandle(m_hWnd);
    const std::u16string text = impl ? impl->text : std::u16string();
    button->setText(QString::fromUtf16(text.data(), qsizetype(text.size())));
    button->setDefault((GetStyle() & 0xF) == BS_DEFPUSHBUTTON);
    button->setAutoDefault(false);
    const HWND h = m_hWnd;
    QObject::connect(button, &QPushButton::clicked, button, [this, h] {
        if (IsWindow(h)) NotifyClicked();
    });
    return button;
}

void CButton::NotifyClicked() {
    if (CWnd* parent = GetParent())
        parent->SendMessage(WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), int(BN_CLICKED)),
                            reinterpret_cast<LPARAM>(m_hWnd));
}

LRESULT CButton::StandardProc(UINT message, WPARAM wParam, LPARAM lParam) {
    auto* button = qobject_cast<QPushButton*>(Widget());
    if (!button) return CWnd::ClassWindowProc(message, wParam, lParam);
    switch (message) {
    case WM_SETTEXT: {
        const auto* text = reinterpret_cast<const char16_t*>(lParam);
        button->setText(QString::fromUtf16(text ? text : u""));
        return CWnd::ClassWindowProc(message, wParam, lParam);
    }
    case BM_CLICK:
        if (IsWindowEnabled()) NotifyClicked();
        return 0;
    case BM_GETSTATE:
        return LRESULT((button->isDown() ? BST_PUSHED : 0) | (button->hasFocus() ? BST_FOCUS : 0));
    case BM_SETSTATE:
        button->setDown(wParam != 0);
        return 0;
    default:
        return CWnd::ClassWindowProc(message, wParam, lParam);
    }
}

UINT CButton::GetState() const { return UINT(WindowImpl::Dispatch(m_hWnd, BM_GETSTATE, 0, 0)); }

void CButton::SetState(BOOL pushed) { SendMessage(BM_SETSTATE, WPARAM(pushed), 0); }

void CButton::DrawItem(LPDRAWITEMSTRUCT) {}

void CButton::SetPushed(bool pushed) {
    if (m_pushed == pushed) return;
    m_pushed = pushed;
    Invalidate(TRUE);
    UpdateWindow();
}

void CButton::Paint() {
    CPaintDC dc(this);
    if (!dc.GetSafeHdc()) return;
    DRAWITEMSTRUCT item;
    item.CtlType = ODT_BUTTON;
    item.CtlID = UINT(GetDlgCtrlID());
    item.itemAction = ODA_DRAWENTIRE;
    if (m_pushed) item.itemState |= ODS_SELECTED;
    if (!IsWindowEnabled()) item.itemState |= ODS_DISABLED;
    if (GetFocus() == this) item.itemState |= ODS_FOCUS;
    item.hwndItem = m_hWnd;
    item.hDC = &dc;
    GetClientRect(&item.rcItem);
    DrawItem(&item);
}

LRESULT CButton::ClassWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!dynamic_cast<ButtonWidget*>(Widget()))
        return StandardProc(message, wParam, lParam);
    const HWND self = m_hWnd;
    switch (message) {
    case WM_PAINT:
        Paint();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        // A second click of a double click pushes the button again.
        if (!IsWindowEnabled()) return 0;
        m_tracking = true;
        SetCapture();
        if (GetStyle() & WS_TABSTOP) SetFocus();
        if (!IsWindow(self)) return 0;
        SetPushed(true);
        return 0;
    case WM_MOUSEMOVE:
        if (m_tracking) SetPushed(Inside(this, lParam));
        return 0;
    case WM_LBUTTONUP: {
        if (!m_tracking) return 0;
        const bool click = Inside(this, lParam);
        m_tracking = false;
        if (GetCapture() == this) ReleaseCapture();
        if (!IsWindow(self)) return 0;
        SetPushed(false);
        if (click) NotifyClicked();
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (m_tracking) {
            m_tracking = false;
            SetPushed(false);
        }
        return 0;
    case WM_KEYDOWN:
        // The space bar pushes the focused button; its release clicks it.
        if (wParam == VK_SPACE && IsWindowEnabled() && !m_tracking) {
            m_spaceHeld = true;
            SetPushed(true);
        }
        return 0;
    case WM_KEYUP:
        if (wParam == VK_SPACE && m_spaceHeld) {
            m_spaceHeld = false;
            SetPushed(false);
            if (IsWindow(self)) NotifyClicked();
        }
        return 0;
    case BM_CLICK:
        if (IsWindowEnabled()) NotifyClicked();
        return 0;
    case BM_GETSTATE:
        return LRESULT((m_pushed ? BST_PUSHED : 0) | (GetFocus() == this ? BST_FOCUS : 0));
    case BM_SETSTATE:
        SetPushed(wParam != 0);
        return 0;
    case WM_KILLFOCUS:
        // The focus went elsewhere with the space bar held: no click.
        if (m_spaceHeld) {
            m_spaceHeld = false;
            SetPushed(false);
        }
        Invalidate(TRUE);
        return 0;
    case WM_ENABLE:
    case WM_SETFOCUS:
        Invalidate(TRUE);
        return 0;
    default:
        return CWnd::ClassWindowProc(message, wParam, lParam);
    }
}

namespace platform {

void RegisterButtonClass() {
    RegisterControlClass(u"Button", [](const DialogItemTemplate&) { return std::make_unique<CButton>(); });
}

namespace detail {

void KeyboardUsedIn(QWidget* widget) {
    QWidget* window = widget ? widget->window() : nullptr;
    if (!window || window->property(kFocusCues).toBool()) return;
    window->setProperty(kFocusCues, true);
    if (QWidget* focus = window->focusWidget()) focus->update();
}

bool FocusCuesShown(const QWidget* widget) {
    const QWidget* window = widget ? widget->window() : nullptr;
    return window && window->property(kFocusCues).toBool();
}

}  // namespace detail

}  // namespace platform
