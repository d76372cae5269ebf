#include "platform/ole/droptarget.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <unordered_map>

#include "platform/window/wnd_impl.h"

namespace {

std::unordered_map<HWND, COleDropTarget*>& Targets() {
    static std::unordered_map<HWND, COleDropTarget*> targets;
    return targets;
}

bool g_dragRunning = false;

DWORD KeyStateOf(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods) {
    DWORD k = 0;
    if (buttons & Qt::LeftButton) k |= MK_LBUTTON;
    if (buttons & Qt::RightButton) k |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton) k |= MK_MBUTTON;
    if (mods & Qt::ShiftModifier) k |= MK_SHIFT;
    if (mods & Qt::ControlModifier) k |= MK_CONTROL;
    return k;
}

// The drag in progress: takes every mouse and key event of the application.
class DragLoop : public QObject {
public:
    DragLoop(COleDataObject* data, DROPEFFECT allowed) : m_data(data), m_allowed(allowed) {}

    DROPEFFECT Run() {
        qApp->installEventFilter(this);
        m_loop.exec();
        qApp->removeEventFilter(this);
        return m_result;
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        switch (e->type()) {
        case QEvent::MouseMove: {
            auto* me = static_cast<QMouseEvent*>(e);
            m_buttons = me->buttons();
            m_mods = me->modifiers();
            me->accept();
            MoveTo(me->globalPosition().toPoint());
            return true;
        }
        case QEvent::MouseButtonRelease: {
            auto* me = static_cast<QMouseEvent*>(e);
            m_mods = me->modifiers();
            m_buttons = me->buttons();
            me->accept();
            if (me->button() == Qt::LeftButton) {
                const QPoint at = me->globalPosition().toPoint();
                if (TargetWindowAt(at) != m_over) MoveTo(at);
                m_pos = at;
                Drop();
            }
            return true;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
            return true;
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            auto* ke = static_cast<QKeyEvent*>(e);
            if (e->type() == QEvent::KeyPress && ke->key() == Qt::Key_Escape) {
                Cancel();
                return true;
            }
            const Qt::KeyboardModifiers mods = ke->modifiers();
            if (mods != m_mods) {
                m_mods = mods;
                Over();
            }
            return true;
        }
        case QEvent::ShortcutOverride:
            return true;
        default:
            return false;
        }
    }

private:
    // The registered window under a screen point: the window there or the
    // nearest of its parents with a target.
    static HWND TargetWindowAt(QPoint global) {
        QWidget* w = QApplication::widgetAt(global);
        WindowImpl* impl = nullptr;
        for (QObject* o = w; o && !impl; o = o->parent()) impl = WindowImpl::FromWidget(o);
        for (; impl; impl = WindowImpl::FromHandle(impl->parent)) {
            if (Targets().count(impl->handle)) return impl->handle;
            if (impl->topLevel) break;
        }
        return nullptr;
    }

    CPoint ClientPoint(HWND h) const {
        POINT p{m_pos.x(), m_pos.y()};
        if (CWnd* w = CWnd::FromHandle(h)) w->ScreenToClient(&p);
        return CPoint(p);
    }

    COleDropTarget* Current() const {
        auto it = Targets().find(m_over);
        return it == Targets().end() ? nullptr : it->second;
    }

    void MoveTo(QPoint global) {
        m_pos = global;
        const HWND now = TargetWindowAt(global);
        if (now != m_over) {
            Leave();
            m_over = now;
            if (COleDropTarget* t = Current()) {
                m_effect = t->OnDragEnter(CWnd::FromHandle(m_over), m_data, KeyState(), ClientPoint(m_over)) & m_allowed;
            }
            return;
        }
        Over();
    }

    void Over() {
        COleDropTarget* t = Current();
        if (!t) return;
        CWnd* wnd = CWnd::FromHandle(m_over);
        const CPoint p = ClientPoint(m_over);
        DROPEFFECT e = t->OnDragScroll(wnd, KeyState(), p);
        if (!(e & DROPEFFECT_SCROLL)) {
            if (!(t = Current())) return;
            e = t->OnDragOver(wnd, m_data, KeyState(), p);
        }
        m_effect = e & (m_allowed | DROPEFFECT_SCROLL);
    }

    void Leave() {
        if (COleDropTarget* t = Current()) t->OnDragLeave(CWnd::FromHandle(m_over));
        m_over = nullptr;
        m_effect = DROPEFFECT_NONE;
    }

    void Drop() {
        COleDropTarget* t = Current();
        const DROPEFFECT effect = m_effect & m_allowed;
        if (!t || effect == DROPEFFECT_NONE) {
            Leave();
            m_result = DROPEFFECT_NONE;
        } else {
            CWnd* wnd = CWnd::FromHandle(m_over);
            const CPoint p = ClientPoint(m_over);
            DROPEFFECT done = t->OnDropEx(wnd, m_data, effect, m_allowed, p);
            if (done == DROPEFFECT(-1)) {
                if ((t = Current())) done = t->OnDrop(wnd, m_data, effect, p) ? effect : DROPEFFECT_NONE;
                else done = DROPEFFECT_NONE;
            }
            m_result = done & m_allowed;
            m_over = nullptr;
        }
        m_loop.quit();
    }

    void Cancel() {
        Leave();
        m_result = DROPEFFECT_NONE;
        m_loop.quit();
    }

    DWORD KeyState() const { return KeyStateOf(m_buttons, m_mods); }

    COleDataObject* m_data;
    DROPEFFECT m_allowed;
    QEventLoop m_loop;
    HWND m_over = nullptr;
    QPoint m_pos;
    Qt::MouseButtons m_buttons = Qt::LeftButton;
    Qt::KeyboardModifiers m_mods;
    DROPEFFECT m_effect = DROPEFFECT_NONE;
    DROPEFFECT m_result = DROPEFFECT_NONE;
};

}  // namespace

COleDropTarget::COleDropTarget() = default;

COleDropTarget::~COleDropTarget() { COleDropTarget::Revoke(); }

BOOL COleDropTarget::Register(CWnd* wnd) {
    if (m_hWnd || !wnd || !IsWindow(wnd->m_hWnd)) return FALSE;
    if (Targets().count(wnd->m_hWnd)) return FALSE;
    Targets()[wnd->m_hWnd] = this;
    m_hWnd = wnd->m_hWnd;
    return TRUE;
}

void COleDropTarget::Revoke() {
    if (!m_hWnd) return;
    auto it = Targets().find(m_hWnd);
    if (it != Targets().end() && it->second == this) Targets().erase(it);
    m_hWnd = nullptr;
}

COleDropTarget* COleDropTarget::FromWindow(HWND hwnd) {
    auto it = Targets().find(hwnd);
    return it == Targets().end() || !IsWindow(hwnd) ? nullptr : it->second;
}

DROPEFFECT COleDropTarget::OnDragEnter(CWnd*, COleDataObject*, DWORD, CPoint) { return DROPEFFECT_NONE; }
DROPEFFECT COleDropTarget::OnDragOver(CWnd*, COleDataObject*, DWORD, CPoint) { return DROPEFFECT_NONE; }
void COleDropTarget::OnDragLeave(CWnd*) {}
DROPEFFECT COleDropTarget::OnDragScroll(CWnd*, DWORD, CPoint) { return DROPEFFECT_NONE; }
DROPEFFECT COleDropTarget::OnDropEx(CWnd*, COleDataObject*, DROPEFFECT, DROPEFFECT, CPoint) {
    return DROPEFFECT(-1);
}
BOOL COleDropTarget::OnDrop(CWnd*, COleDataObject*, DROPEFFECT, CPoint) { return FALSE; }

DROPEFFECT DoDragLoop(COleDataObject* data, DROPEFFECT allowed) {
    if (g_dragRunning || !qApp) return DROPEFFECT_NONE;
    g_dragRunning = true;
    if (CWnd::GetCapture()) ReleaseCapture();
    DragLoop loop(data, allowed);
    const DROPEFFECT result = loop.Run();
    g_dragRunning = false;
    return result;
}

bool IsDragLoopRunning() { return g_dragRunning; }
