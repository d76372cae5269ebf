#include "tests/support/qt_helpers.h"

#include <QAbstractButton>
#include <QBackingStore>
#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QWidget>

bool PressMessageBoxButton(int result) {
    QMessageBox::StandardButton wanted = QMessageBox::NoButton;
    switch (result) {
    case IDOK: wanted = QMessageBox::Ok; break;
    case IDCANCEL: wanted = QMessageBox::Cancel; break;
    case IDYES: wanted = QMessageBox::Yes; break;
    case IDNO: wanted = QMessageBox::No; break;
    default: return false;
    }
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box || !box->isVisible()) continue;
        if (QAbstractButton* b = box->button(wanted)) {
            b->click();
            return true;
        }
    }
    return false;
}

void PressKey(CWnd* wnd, int qtKey, Qt::KeyboardModifiers mods) {
    QWidget* w = wnd ? wnd->Widget() : nullptr;
    if (!w) return;
    QWidget* focus = QApplication::focusWidget();
    QWidget* target = (focus && w->window()->isAncestorOf(focus)) ? focus : w;
    QString text;
    if (qtKey == Qt::Key_Return) text = "\r";
    else if (qtKey == Qt::Key_Escape) text = QString(QChar(0x1B));
    else if (qtKey == Qt::Key_Tab) text = "\t";
    else if (qtKey >= 0x20 && qtKey < 0x7F) text = QString(QChar(qtKey));
    QKeyEvent press(QEvent::KeyPress, qtKey, mods, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, qtKey, mods, text);
    if (QWidget* still = QApplication::focusWidget() ? QApplication::focusWidget() : nullptr) {
        (void)still;
    }
    QApplication::sendEvent(target, &release);
}

void InputMethodSends(const QString& commit, const QString& preedit) {
    QWidget* focus = QApplication::focusWidget();
    if (!focus) return;
    QInputMethodEvent e(preedit, {});
    e.setCommitString(commit);
    QApplication::sendEvent(focus, &e);
}

QVariant InputMethodAsks(CWnd* wnd, Qt::InputMethodQuery query) {
    QInputMethodQueryEvent e(query);
    QApplication::sendEvent(wnd->Widget(), &e);
    return e.value(query);
}

static void SendMouse(CWnd* wnd, QEvent::Type type, int x, int y, Qt::MouseButton button,
                      Qt::MouseButtons buttons) {
    QWidget* w = wnd ? wnd->Widget() : nullptr;
    if (!w) return;
    // Client coordinates lie inside the window's client edge, if it has one.
    POINT screen{x, y};
    wnd->ClientToScreen(&screen);
    const QPointF global(screen.x, screen.y);
    const QPointF local = w->mapFromGlobal(global);
    QMouseEvent e(type, local, global, button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void MousePress(CWnd* wnd, int x, int y, Qt::MouseButton button) {
    SendMouse(wnd, QEvent::MouseButtonPress, x, y, button, button);
}

void MouseRelease(CWnd* wnd, int x, int y, Qt::MouseButton button) {
    SendMouse(wnd, QEvent::MouseButtonRelease, x, y, button, Qt::NoButton);
}

void MouseDoubleClick(CWnd* wnd, int x, int y) {
    SendMouse(wnd, QEvent::MouseButtonDblClick, x, y, Qt::LeftButton, Qt::LeftButton);
}

void MouseMove(CWnd* wnd, int x, int y) {
    SendMouse(wnd, QEvent::MouseMove, x, y, Qt::NoButton, Qt::NoButton);
}

void MouseLeave(CWnd* wnd) {
    QWidget* w = wnd ? wnd->Widget() : nullptr;
    if (!w) return;
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(w, &e);
}

QImage GrabWindow(CWnd* wnd) {
    QWidget* w = wnd ? wnd->Widget() : nullptr;
    if (!w) return QImage();
    return w->grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage OnScreen(CWnd* wnd) {
    QWidget* w = wnd ? wnd->Widget() : nullptr;
    auto* store = w && w->backingStore() ? dynamic_cast<QImage*>(w->backingStore()->paintDevice()) : nullptr;
    if (!store) return QImage();
    return store->copy(QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size())).convertToFormat(QImage::Format_RGB32);
}

COLORREF PixelAt(const QImage& image, int x, int y) {
    if (!image.rect().contains(x, y)) return 0xFFFFFFFF;
    const QRgb c = image.pixel(x, y);
    return RGB(BYTE(qRed(c)), BYTE(qGreen(c)), BYTE(qBlue(c)));
}

TimedSteps::TimedSteps(std::vector<std::function<void()>> steps, int intervalMs) : m_steps(std::move(steps)) {
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        if (m_next < m_steps.size()) m_steps[m_next++]();
        else m_timer.stop();
    });
    m_timer.start(intervalMs);
}

void SendMouseAt(CWnd* wnd, QEvent::Type type, int x, int y, Qt::MouseButtons buttons, Qt::KeyboardModifiers mods) {
    QWidget* w = wnd ? wnd->Widget() : nullptr;
    if (!w) return;
    const QPointF local(x, y);
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, local, w->mapToGlobal(local), button, buttons, mods);
    QApplication::sendEvent(w, &e);
}
