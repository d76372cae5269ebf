#include "platform/window/tool_popup.h"

#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QWindow>

#include "platform/gdi/dc.h"
#include "platform/window/wnd_impl.h"

namespace {

// Shows the window's kept picture; paints only when the program asks, and then
// over the picture instead of a fresh background.
class ToolPopupWidget : public WndWidget {
public:
    ToolPopupWidget(WindowImpl* impl, CToolPopup* owner)
        : WndWidget(impl, nullptr, true), m_owner(owner) {
        // A tooltip-type window: window systems (and Qt's offscreen platform) never
        // activate one when it is shown or clicked.
        setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                       Qt::WindowDoesNotAcceptFocus);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setFocusPolicy(Qt::NoFocus);
        impl->ownPicture = true;
    }

    // A modal window keeps Qt's input from every window it does not own. The
    // popup lies over a window of the program and takes the pointer for it, so
    // it is shown as the modal window's own, which leaves its input to it.
    void setVisible(bool visible) override {
        if (visible) {
            if (!windowHandle()) createWinId();
            QWindow* modal = QGuiApplication::modalWindow();
            if (QWindow* self = windowHandle()) {
                self->setTransientParent(modal != self ? modal : nullptr);
                self->installEventFilter(this);
            }
        }
        WndWidget::setVisible(visible);
    }

protected:
    // A popup that hides at a press (a tip passing the press on) is gone
    // before the release: Qt drops a release whose window no longer shows,
    // and the window system may still hand it to the popup. The release goes
    // on, through the layer, to the window that holds the mouse now or to the
    // one under the pointer.
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == windowHandle() && e->type() == QEvent::MouseButtonRelease && !isVisible()) {
            event(e);
            return true;
        }
        return WndWidget::eventFilter(watched, e);
    }

    void paintEvent(QPaintEvent*) override {
        if (!impl) return;
        const HWND h = impl->handle;
        if (impl->surface.size() != size()) m_owner->SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(width(), height()));
        WindowImpl* self = WindowImpl::FromHandle(h);
        if (!self || self->inPaint) return;
        self->inPaint = true;
        self->erasePending = false;
        WindowImpl::Dispatch(h, WM_PAINT, 0, 0);
        self = WindowImpl::FromHandle(h);
        if (!self) return;
        self->inPaint = false;
        QPainter painter(this);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QPoint(0, 0), self->surface);
    }

private:
    CToolPopup* m_owner;
};

}  // namespace

CToolPopup::CToolPopup() = default;

CToolPopup::~CToolPopup() {
    if (m_hWnd) DestroyWindow();
}

QWidget* CToolPopup::CreateWidget(QWidget* parentWidget, bool topLevel) {
    WindowImpl* impl = WindowImpl::FromHandle(m_hWnd);
    if (!topLevel || !impl) return CWnd::CreateWidget(parentWidget, topLevel);
    return new ToolPopupWidget(impl, this);
}

void CToolPopup::EraseNow() {
    WindowImpl* impl = WindowImpl::FromHandle(m_hWnd);
    if (!impl || !impl->widget) return;
    CRect rc;
    GetClientRect(&rc);
    {
        CClientDC dc(this);  // brings the picture to the window's size
        dc.FillSolidRect(&rc, GetSysColor(COLOR_INFOBK));
    }
    if ((impl = WindowImpl::FromHandle(m_hWnd))) {
        impl->eraseRequested = false;
        impl->erasePending = false;
    }
}

LRESULT CToolPopup::ClassWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        EraseNow();
        return 0;
    case WM_SHOWWINDOW:
        if (wParam) EraseNow();
        return 0;
    case WM_ERASEBKGND: {
        auto* dc = reinterpret_cast<CDC*>(wParam);
        if (!dc) return 0;
        CRect rc;
        GetClientRect(&rc);
        dc->FillSolidRect(&rc, GetSysColor(COLOR_INFOBK));
        return 1;
    }
    default:
        return CWnd::ClassWindowProc(message, wParam, lParam);
    }
}
