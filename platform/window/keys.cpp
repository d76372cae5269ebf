// The keyboard: virtual keys, PreTranslateMessage before delivery, and F1 help.
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <algorithm>
#include <vector>

#include <QGuiApplication>

#include "platform/window/wnd.h"
#include "platform/window/wnd_impl.h"

namespace {

struct KeyPair {
    int qt;
    UINT vk;
};

const KeyPair kKeys[] = {
    {Qt::Key_Backspace, VK_BACK}, {Qt::Key_Tab, VK_TAB},       {Qt::Key_Backtab, VK_TAB},
    {Qt::Key_Return, VK_RETURN},  {Qt::Key_Enter, VK_RETURN},  {Qt::Key_Shift, VK_SHIFT},
    {Qt::Key_Control, VK_CONTROL}, {Qt::Key_Alt, VK_MENU},     {Qt::Key_Escape, VK_ESCAPE},
    {Qt::Key_Space, VK_SPACE},    {Qt::Key_PageUp, VK_PRIOR},  {Qt::Key_PageDown, VK_NEXT},
    {Qt::Key_End, VK_END},        {Qt::Key_Home, VK_HOME},     {Qt::Key_Left, VK_LEFT},
    {Qt::Key_Up, VK_UP},          {Qt::Key_Right, VK_RIGHT},   {Qt::Key_Down, VK_DOWN},
    {Qt::Key_Insert, VK_INSERT},  {Qt::Key_Delete, VK_DELETE},
};

bool g_synthesizing = false;
Qt::KeyboardModifiers g_currentModifiers;

// Restores the remembered modifiers when a key's handling ends.
struct ModifierScope {
    Qt::KeyboardModifiers saved;
    explicit ModifierScope(Qt::KeyboardModifiers m) : saved(g_currentModifiers) { g_currentModifiers = m; }
    ~ModifierScope() { g_currentModifiers = saved; }
};

bool IsAncestorOf(const QObject* maybeAncestor, const QObject* obj) {
    for (const QObject* o = obj; o; o = o->parent())
        if (o == maybeAncestor) return true;
    return false;
}

}  // namespace

Qt::KeyboardModifiers CurrentKeyModifiers() { return g_currentModifiers; }

KeyModifierScope::KeyModifierScope(Qt::KeyboardModifiers mods) : m_saved(g_currentModifiers) {
    g_currentModifiers = mods;
}

KeyModifierScope::~KeyModifierScope() { g_currentModifiers = m_saved; }

UINT VirtualKeyFromQt(int qtKey, const QString&) {
    for (const KeyPair& k : kKeys)
        if (k.qt == qtKey) return k.vk;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return VK_F1 + UINT(qtKey - Qt::Key_F1);
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z))
        return UINT(qtKey);
    // Punctuation keys: report the character's code.
    if (qtKey > 0x20 && qtKey < 0x7F) return UINT(qtKey);
    return 0;
}

int QtKeyFromVirtualKey(UINT vk) {
    for (const KeyPair& k : kKeys)
        if (k.vk == vk) return k.qt;
    if (vk >= VK_F1 && vk < VK_F1 + 24) return Qt::Key_F1 + int(vk - VK_F1);
    return int(vk);
}

namespace platform::detail {

bool PreTranslateKey(QObject* obj, QKeyEvent* ke) {
    if (g_synthesizing || !obj || !obj->isWidgetType()) return false;
    const ModifierScope modifiers(ke->modifiers());

    // The window the key is meant for: the nearest window of the layer inside
    // the same top-level window. A window of Qt's own (a message box) takes its
    // keys itself, though its widget may hang below a window of the layer.
    WindowImpl* impl = nullptr;
    for (QObject* o = obj; o && !impl; o = o->parent()) {
        impl = WindowImpl::FromWidget(o);
        if (!impl && static_cast<QWidget*>(o)->isWindow()) return false;
    }
    if (!impl) return false;
    const HWND target = impl->handle;

    const UINT vk = VirtualKeyFromQt(ke->key(), ke->text());
    if (!vk) return false;
    const bool system = IsSystemKey(ke->modifiers());
    MSG msg;
    msg.hwnd = target;
    msg.message = system ? WM_SYSKEYDOWN : WM_KEYDOWN;
    msg.wParam = vk;
    msg.lParam = ke->isAutoRepeat() ? (LPARAM(1) | (LPARAM(1) << 30)) : 1;
    if (system) msg.lParam |= LPARAM(1) << 29;
    msg.time = GetTickCount();
    GetCursorPos(&msg.pt);

    // The window holding the capture sees the key first, then the target and its
    // parents up to the top-level window; each may take it.
    std::vector<HWND> chain;
    for (HWND h = target; h;) {
        WindowImpl* w = WindowImpl::FromHandle(h);
        if (!w || !w->wnd) break;
        chain.push_back(h);
        if (w->topLevel) break;
        h = w->parent;
    }
    if (CWnd* capture = CWnd::GetCapture();
        capture && std::find(chain.begin(), chain.end(), capture->GetSafeHwnd()) == chain.end())
        chain.insert(chain.begin(), capture->GetSafeHwnd());
    auto offer = [&chain](MSG& m) {
        for (HWND h : chain) {
            CWnd* w = CWnd::FromHandle(h);
            if (w && w->PreTranslateMessage(&m)) return true;
        }
        return false;
    };
    if (offer(msg)) return true;
    if (!IsWindow(target)) return true;
    // With Alt held, the typed character is offered as WM_SYSCHAR.
    if (system && !ke->text().isEmpty() && ke->text()[0].unicode() >= 0x20) {
        MSG sysChar = msg;
        sysChar.message = WM_SYSCHAR;
        sysChar.wParam = ke->text()[0].unicode();
        if (offer(sysChar)) return true;
        if (!IsWindow(target)) return true;
    }

    if (msg.wParam == VK_F1) {
        HELPINFO info;
        info.hItemHandle = target;
        info.iCtrlId = CWnd::FromHandle(target)->GetDlgCtrlID();
        GetCursorPos(&info.MousePos);
        SendMessageW(target, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
        return true;
    }
    if (msg.wParam != vk) {
        // A window changed the key in place: the changed key is delivered instead.
        const int qtKey = QtKeyFromVirtualKey(UINT(msg.wParam));
        QKeyEvent changed(QEvent::KeyPress, qtKey, ke->modifiers(),
                          msg.wParam == VK_TAB ? QString("\t") : QString());
        g_synthesizing = true;
        QApplication::sendEvent(obj, &changed);
        g_synthesizing = false;
        return true;
    }
    return false;
}

bool MoveFocusInside(QWidget* root, bool forward) {
    if (!root) return false;
    QWidget* current = QApplication::focusWidget();
    if (!current || !IsAncestorOf(root, current)) current = root;
    QWidget* w = current;
    for (int guard = 0; guard < 10000; ++guard) {
        w = forward ? w->nextInFocusChain() : w->previousInFocusChain();
        if (!w || w == current) return false;
        if (w != root && IsAncestorOf(root, w) && (w->focusPolicy() & Qt::TabFocus) &&
            w->isVisible() && w->isEnabled()) {
            w->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return false;
}

}  // namespace platform::detail

short GetKeyState(int virtualKey) {
    const Qt::KeyboardModifiers mods =
        QGuiApplication::queryKeyboardModifiers() | CurrentKeyModifiers();
    const Qt::MouseButtons buttons = QGuiApplication::mouseButtons();
    bool down = false;
    switch (UINT(virtualKey)) {
    case VK_SHIFT: down = mods & Qt::ShiftModifier; break;
    case VK_CONTROL: down = mods & Qt::ControlModifier; break;
    case VK_MENU: down = mods & Qt::AltModifier; break;
    case VK_LBUTTON: down = buttons & Qt::LeftButton; break;
    case VK_RBUTTON: down = buttons & Qt::RightButton; break;
    default: break;
    }
    return down ? short(0x8000) : short(0);
}
