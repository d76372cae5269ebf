// Input methods and the layer's windows (see ime.h).
//
// How Qt's input context for ibus works, which all of this follows: the
// platform asks the input context to filter each key press while the focus
// widget takes input methods (Qt asks the widget, Qt::ImEnabled, when it
// becomes the focus widget, and keeps the answer); the context hands the key
// to the ibus daemon and answers at once that it took it. What the engine
// makes of the key arrives later, as D-Bus signals: a preedit (the syllable
// being composed), a commit, or the key handed back, which the platform then
// delivers as a key event. Qt sends the preedits and commits to whatever has
// the focus when they arrive. There is one input context for the whole
// program, so one composition at a time. (A key read in the same batch of X
// events as the click that moves the focus is filtered as the focus before
// the click asks: the platform filters keys as it reads them and delivers
// the click after.)
//
// The layer's windows do not carry Qt::WA_InputMethodEnabled: with it, Qt
// commits and resets the input method whenever the focus leaves the window,
// which would end a composition the window hands on to the editor it opens.
// They answer Qt::ImEnabled themselves, and a composition left in one when
// the focus goes elsewhere is committed into it here.
#include <QApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QPointer>

#include "platform/window/ime.h"
#include "platform/window/wnd_impl.h"

namespace {

// The layer window a composition is under way in; it shows no preedit itself.
QPointer<WndWidget> g_composingWindow;
// A window is being told that a composition starts (it may hand it on).
bool g_handingOver = false;

bool TakesInputMethods(QObject* o) {
    QInputMethodQueryEvent query(Qt::ImEnabled);
    QCoreApplication::sendEvent(o, &query);
    return query.value(Qt::ImEnabled).toBool();
}

// Commits the composition `text` into `w` and resets the input method.
void CommitInto(QWidget* w, const QString& text) {
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QCoreApplication::sendEvent(w, &commit);
    QGuiApplication::inputMethod()->reset();
}

// Sees every input-method event before its widget does, and every focus loss.
//
// When the input method's composition is ended from the program's side (Qt
// commits the preedit into a text field the focus leaves, or whose caret the
// program moves, or a window of the layer loses the focus), the preedit is
// committed into its widget and the input method is reset; ibus then commits
// the preedit once more (the Hangul engine has its preedit committed on a
// reset), and that second commit reaches whatever has the focus by then: the
// next field, or the grid, which would open an editor with it. A commit of the text composed last that was committed
// already, with no preedit shown since, is that second commit: it is dropped.
// (An engine commits a composition once, after showing it.)
class InputMethodRouter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* obj, QEvent* e) override {
        if (e->type() == QEvent::InputMethod) return Repeated(static_cast<QInputMethodEvent*>(e));
        if (e->type() == QEvent::FocusOut) LeftComposing(obj, static_cast<QFocusEvent*>(e)->reason());
        return false;
    }

private:
    bool Repeated(QInputMethodEvent* e) {
        const QString commit = e->commitString();
        const QString preedit = e->preeditString();
        if (!commit.isEmpty() && preedit.isEmpty() && e->replacementLength() == 0 && !m_showing && m_committed &&
            commit == m_last) {
            m_last.clear();
            m_committed = false;
            e->accept();
            return true;
        }
        if (!commit.isEmpty() && commit == m_last) m_committed = true;
        m_showing = !preedit.isEmpty();
        if (m_showing) {
            m_last = preedit;
            m_committed = false;
        }
        return false;
    }

    // The focus leaves a layer window with a composition under way in it (not
    // one it hands on, nor for a popup, across which Qt keeps a composition).
    void LeftComposing(QObject* obj, Qt::FocusReason reason) {
        if (g_handingOver || !g_composingWindow || obj != g_composingWindow.data()) return;
        if (reason == Qt::PopupFocusReason || reason == Qt::MenuBarFocusReason) return;
        QPointer<WndWidget> window = g_composingWindow;
        g_composingWindow = nullptr;
        if (m_showing) CommitInto(window, m_last);
    }

    QString m_last;           // the last preedit shown
    bool m_committed = false;  // m_last was committed since it was shown
    bool m_showing = false;    // a preedit is shown now
};

}  // namespace

void platform::detail::RouteInputMethods() {
    static InputMethodRouter* router = [] {
        auto* r = new InputMethodRouter(qApp);
        qApp->installEventFilter(r);
        return r;
    }();
    (void)router;
}

QVariant WndWidget::inputMethodQuery(Qt::InputMethodQuery query) const {
    if (!impl) return QWidget::inputMethodQuery(query);
    const HWND h = impl->handle;
    switch (query) {
    case Qt::ImEnabled:
        return isEnabled() && (WindowImpl::Dispatch(h, WM_GETDLGCODE, 0, 0) & (DLGC_WANTCHARS | DLGC_WANTALLKEYS)) != 0;
    case Qt::ImCursorRectangle: {
        COMPOSITIONFORM form;
        if (!WindowImpl::Dispatch(h, WM_IME_REQUEST, IMR_COMPOSITIONWINDOW, reinterpret_cast<LPARAM>(&form)))
            break;
        const WindowImpl* self = WindowImpl::FromHandle(h);
        const QPoint origin = self ? self->ClientOrigin() : QPoint();
        if (form.dwStyle & CFS_RECT) {
            const RECT& r = form.rcArea;
            return QRect(QPoint(r.left, r.top) + origin, QSize(r.right - r.left, r.bottom - r.top));
        }
        return QRect(QPoint(form.ptCurrentPos.x, form.ptCurrentPos.y) + origin, QSize(1, 1));
    }
    default:
        break;
    }
    return QWidget::inputMethodQuery(query);
}

void WndWidget::inputMethodEvent(QInputMethodEvent* e) {
    e->accept();
    if (!impl) return;
    const HWND h = impl->handle;
    for (QChar c : e->commitString()) {
        if (!WindowImpl::FromHandle(h)) return;
        WindowImpl::Dispatch(h, c.unicode() < 0x80 ? WM_CHAR : WM_IME_CHAR, c.unicode(), 1);
    }
    QPointer<WndWidget> self(this);
    if (e->preeditString().isEmpty()) {
        if (g_composingWindow == self) g_composingWindow = nullptr;
        return;
    }
    if (g_composingWindow == self || !WindowImpl::FromHandle(h)) return;  // it goes on here
    // A composition starts here: the input method's windows go to the caret.
    g_composingWindow = self;
    QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle);
    g_handingOver = true;
    WindowImpl::Dispatch(h, WM_IME_STARTCOMPOSITION, 0, 0);
    g_handingOver = false;
    QWidget* focus = QApplication::focusWidget();
    if (!self || focus == self) return;
    // The window gave the focus away while it heard of the start: a window
    // that takes input methods goes on with the composition; else it ends here.
    if (g_composingWindow == self) g_composingWindow = nullptr;
    if (focus && TakesInputMethods(focus)) {
        QInputMethodEvent moved(e->preeditString(), e->attributes());
        QCoreApplication::sendEvent(focus, &moved);
    } else {
        CommitInto(self, e->preeditString());
    }
}
