// The keyboard: virtual keys, PreTranslateMessage before delivery, and F1 help.
#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <vector>

#include <QGuiApplication>

#include "platform/window/wnd.h"
#include "platform/window/wnd_impl.h"

namespace {

// Virtual keys that only the layer names.
constexpr UINT kVkCancel = 0x03, kVkClear = 0x0C, kVkPause = 0x13, kVkCapital = 0x14, kVkSelect = 0x29,
               kVkExecute = 0x2B, kVkSnapshot = 0x2C, kVkHelp = 0x2F, kVkLWin = 0x5B, kVkRWin = 0x5C,
               kVkApps = 0x5D, kVkSleep = 0x5F, kVkNumpad0 = 0x60, kVkMultiply = 0x6A, kVkSubtract = 0x6D,
               kVkDecimal = 0x6E, kVkDivide = 0x6F, kVkNumLock = 0x90, kVkScroll = 0x91, kVkVolumeMute = 0xAD,
               kVkVolumeDown = 0xAE, kVkVolumeUp = 0xAF, kVkMediaNext = 0xB0, kVkMediaPrev = 0xB1,
               kVkMediaStop = 0xB2, kVkMediaPlay = 0xB3, kVkOem1 = 0xBA, kVkOemPlus = 0xBB, kVkOemComma = 0xBC,
               kVkOemMinus = 0xBD, kVkOemPeriod = 0xBE, kVkOem2 = 0xBF, kVkOem3 = 0xC0, kVkOem4 = 0xDB,
               kVkOem5 = 0xDC, kVkOem6 = 0xDD, kVkOem7 = 0xDE;

struct KeyPair {
    int qt;
    UINT vk;
};

// Keys that type no character of their own, and the keys of a US keyboard's
// main block, named by the key whatever Shift makes of it ("!" is the 1 key,
// "." the period key, not Delete).
const KeyPair kKeys[] = {
    {Qt::Key_Backspace, VK_BACK},    {Qt::Key_Tab, VK_TAB},           {Qt::Key_Backtab, VK_TAB},
    {Qt::Key_Return, VK_RETURN},     {Qt::Key_Enter, VK_RETURN},      {Qt::Key_Shift, VK_SHIFT},
    {Qt::Key_Control, VK_CONTROL},   {Qt::Key_Alt, VK_MENU},          {Qt::Key_AltGr, VK_MENU},
    {Qt::Key_Escape, VK_ESCAPE},     {Qt::Key_Space, VK_SPACE},       {Qt::Key_PageUp, VK_PRIOR},
    {Qt::Key_PageDown, VK_NEXT},     {Qt::Key_End, VK_END},           {Qt::Key_Home, VK_HOME},
    {Qt::Key_Left, VK_LEFT},         {Qt::Key_Up, VK_UP},             {Qt::Key_Right, VK_RIGHT},
    {Qt::Key_Down, VK_DOWN},         {Qt::Key_Insert, VK_INSERT},     {Qt::Key_Delete, VK_DELETE},
    {Qt::Key_Cancel, kVkCancel},     {Qt::Key_Clear, kVkClear},       {Qt::Key_Pause, kVkPause},
    {Qt::Key_CapsLock, kVkCapital},  {Qt::Key_Select, kVkSelect},     {Qt::Key_Execute, kVkExecute},
    {Qt::Key_Print, kVkSnapshot},    {Qt::Key_SysReq, kVkSnapshot},   {Qt::Key_Help, kVkHelp},
    {Qt::Key_Meta, kVkLWin},         {Qt::Key_Super_L, kVkLWin},      {Qt::Key_Super_R, kVkRWin},
    {Qt::Key_Menu, kVkApps},         {Qt::Key_Sleep, kVkSleep},       {Qt::Key_NumLock, kVkNumLock},
    {Qt::Key_ScrollLock, kVkScroll}, {Qt::Key_VolumeMute, kVkVolumeMute}, {Qt::Key_VolumeDown, kVkVolumeDown},
    {Qt::Key_VolumeUp, kVkVolumeUp}, {Qt::Key_MediaNext, kVkMediaNext}, {Qt::Key_MediaPrevious, kVkMediaPrev},
    {Qt::Key_MediaStop, kVkMediaStop}, {Qt::Key_MediaPlay, kVkMediaPlay}, {Qt::Key_MediaTogglePlayPause, kVkMediaPlay},
    {Qt::Key_ParenRight, '0'},       {Qt::Key_Exclam, '1'},           {Qt::Key_At, '2'},
    {Qt::Key_NumberSign, '3'},       {Qt::Key_Dollar, '4'},           {Qt::Key_Percent, '5'},
    {Qt::Key_AsciiCircum, '6'},      {Qt::Key_Ampersand, '7'},        {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'},        {Qt::Key_Semicolon, kVkOem1},    {Qt::Key_Colon, kVkOem1},
    {Qt::Key_Equal, kVkOemPlus},     {Qt::Key_Plus, kVkOemPlus},      {Qt::Key_Comma, kVkOemComma},
    {Qt::Key_Less, kVkOemComma},     {Qt::Key_Minus, kVkOemMinus},    {Qt::Key_Underscore, kVkOemMinus},
    {Qt::Key_Period, kVkOemPeriod},  {Qt::Key_Greater, kVkOemPeriod}, {Qt::Key_Slash, kVkOem2},
    {Qt::Key_Question, kVkOem2},     {Qt::Key_QuoteLeft, kVkOem3},    {Qt::Key_AsciiTilde, kVkOem3},
    {Qt::Key_BracketLeft, kVkOem4},  {Qt::Key_BraceLeft, kVkOem4},    {Qt::Key_Backslash, kVkOem5},
    {Qt::Key_Bar, kVkOem5},          {Qt::Key_BracketRight, kVkOem6}, {Qt::Key_BraceRight, kVkOem6},
    {Qt::Key_Apostrophe, kVkOem7},   {Qt::Key_QuoteDbl, kVkOem7},
};

// The numeric keypad's keys with Num Lock on (off, they are the cursor keys
// above, and Qt names them so).
const KeyPair kKeypad[] = {
    {Qt::Key_Asterisk, kVkMultiply}, {Qt::Key_Plus, VK_ADD},      {Qt::Key_Minus, kVkSubtract},
    {Qt::Key_Period, kVkDecimal},    {Qt::Key_Comma, kVkDecimal}, {Qt::Key_Slash, kVkDivide},
};

// Keys whose character Windows makes itself, whatever the keyboard's text.
constexpr char16_t kNone = 0xFFFF;
struct ControlChar {
    int qt;
    char16_t plain, withCtrl, withCtrlShift;
};
const ControlChar kControlChars[] = {
    {Qt::Key_Backspace, 0x08, 0x7F, kNone},
    {Qt::Key_Tab, 0x09, kNone, kNone},
    {Qt::Key_Backtab, 0x09, kNone, kNone},
    {Qt::Key_Return, 0x0D, 0x0A, kNone},
    {Qt::Key_Enter, 0x0D, 0x0A, kNone},
    {Qt::Key_Escape, 0x1B, 0x1B, kNone},
    {Qt::Key_Space, 0x20, 0x20, kNone},
};
// Ctrl with these keys of the main block types the control characters that
// are not Ctrl+letter; with any other key but a letter Ctrl types nothing.
const KeyPair kCtrlPunctuation[] = {
    {Qt::Key_BracketLeft, 0x1B}, {Qt::Key_Backslash, 0x1C}, {Qt::Key_BracketRight, 0x1D},
    {Qt::Key_At, 0x00},          {Qt::Key_AsciiCircum, 0x1E}, {Qt::Key_Underscore, 0x1F},
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

UINT VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers mods) {
    if (mods & Qt::KeypadModifier) {
        if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return kVkNumpad0 + UINT(qtKey - Qt::Key_0);
        for (const KeyPair& k : kKeypad)
            if (k.qt == qtKey) return k.vk;
    }
    for (const KeyPair& k : kKeys)
        if (k.qt == qtKey) return k.vk;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return VK_F1 + UINT(qtKey - Qt::Key_F1);
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z))
        return UINT(qtKey);
    return 0;
}

UINT VirtualKeyFromQt(const QKeyEvent& e) { return VirtualKeyFromQt(e.key(), e.modifiers()); }

QString CharactersFromQt(const QKeyEvent& e) {
    const Qt::KeyboardModifiers mods = e.modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    const bool shift = mods & Qt::ShiftModifier;
    // Ctrl and Alt together type nothing on a keyboard without AltGr (where X
    // has an AltGr, its characters come without either).
    if (ctrl && (mods & Qt::AltModifier)) return QString();
    const int key = e.key();
    for (const ControlChar& c : kControlChars) {
        if (c.qt != key) continue;
        const char16_t typed = !ctrl ? c.plain : shift ? c.withCtrlShift : c.withCtrl;
        return typed == kNone ? QString() : QString(QChar(typed));
    }
    // Delete, the cursor and function keys, the modifiers, dead keys: nothing.
    if (key >= Qt::Key_Escape || key == Qt::Key_unknown) return QString();
    if (ctrl) {
        if (mods & Qt::KeypadModifier) return QString();
        if (key >= Qt::Key_A && key <= Qt::Key_Z) return QString(QChar(char16_t(key - Qt::Key_A + 1)));
        for (const KeyPair& k : kCtrlPunctuation)
            if (k.qt == key) return QString(QChar(char16_t(k.vk)));
        return QString();
    }
    // The keyboard's own text, without the control characters X adds.
    QString typed;
    for (QChar c : e.text())
        if (c.unicode() >= 0x20 && c.unicode() != 0x7F) typed += c;
    return typed;
}

int QtKeyFromVirtualKey(UINT vk) {
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) return int(vk);
    if (vk >= kVkNumpad0 && vk <= kVkNumpad0 + 9) return Qt::Key_0 + int(vk - kVkNumpad0);
    for (const KeyPair& k : kKeypad)
        if (k.vk == vk) return k.qt;
    for (const KeyPair& k : kKeys)
        if (k.vk == vk) return k.qt;
    if (vk >= VK_F1 && vk < VK_F1 + 24) return Qt::Key_F1 + int(vk - VK_F1);
    return int(vk);
}

namespace platform::detail {

bool PreTranslateKey(QObject* obj, QKeyEvent* ke) {
    if (g_synthesizing || !obj || !obj->isWidgetType()) return false;
    // Alt+F4 closes the top-level window it is typed in, any window, a box of
    // Qt's own too, as the system's default handling does: it is closed as by
    // its close box. A window manager that binds the key takes it before it
    // gets here; without one it comes to the program.
    if (ke->key() == Qt::Key_F4 && (ke->modifiers() & ~Qt::KeypadModifier) == Qt::AltModifier) {
        if (!ke->isAutoRepeat()) {
            const QPointer<QWidget> top = static_cast<QWidget*>(obj)->window();
            QTimer::singleShot(0, top, [top] {
                if (top) top->close();
            });
        }
        return true;
    }
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

    const UINT vk = VirtualKeyFromQt(*ke);
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
    if (const QString typed = CharactersFromQt(*ke); system && !typed.isEmpty()) {
        MSG sysChar = msg;
        sysChar.message = WM_SYSCHAR;
        sysChar.wParam = typed[0].unicode();
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
