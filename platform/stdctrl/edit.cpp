#include "platform/stdctrl/edit.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <algorithm>

#include "platform/gdi/gdi_impl.h"
#include "platform/window/wnd_impl.h"

// Characters that the edit control types: the printable ones and Backspace.
// DEL (Ctrl+Backspace) is not one: it would put an invisible character into
// the text.
static bool Typed(char16_t c) { return c == 0x08 || (c >= 0x20 && c != 0x7F); }

// The Qt field behind an edit control: keys reach the window procedure first.
class NativeLineEdit : public QLineEdit {
public:
    NativeLineEdit(CEdit* owner, QWidget* parent) : QLineEdit(parent), m_owner(owner) {}

    void RunDefaultKey(QKeyEvent* e) { QLineEdit::keyPressEvent(e); }

protected:
    // Tab is a key like the others here: a dialog that moves the focus with it
    // has taken it before (unless the control asked for it).
    bool event(QEvent* e) override {
        if (e->type() == QEvent::KeyPress) {
            auto* ke = static_cast<QKeyEvent*>(e);
            if ((ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab) && WindowImpl::FromWidget(this)) {
                keyPressEvent(ke);
                return true;
            }
        }
        return QLineEdit::event(e);
    }

    void keyPressEvent(QKeyEvent* e) override {
        WindowImpl* impl = WindowImpl::FromWidget(this);
        if (!impl || impl->wnd != m_owner) {
            QLineEdit::keyPressEvent(e);
            return;
        }
        const HWND h = impl->handle;
        CEdit* edit = m_owner;
        const UINT vk = VirtualKeyFromQt(*e);
        const LPARAM lp = e->isAutoRepeat() ? (LPARAM(1) | (LPARAM(1) << 30)) : 1;
        const bool system = platform::detail::IsSystemKey(e->modifiers());
        edit->m_inKey = true;
        edit->m_keyDownDefault = vk == 0 && !system;
        if (vk) WindowImpl::Dispatch(h, system ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, system ? (lp | LPARAM(1) << 29) : lp);
        if (!IsWindow(h)) return;
        // Characters go out as WM_CHAR (Tab, Enter, Escape and Ctrl+letter too);
        // the default handling types the printable ones and Backspace at once. With
        // Alt held they are WM_SYSCHAR and type nothing. A key that types nothing
        // here (Ctrl+C, Ctrl+Backspace) gets the field's own handling.
        bool typing = false;
        for (QChar c : CharactersFromQt(*e)) {
            const char16_t u = c.unicode();
            if (Typed(u)) typing = true;
            WindowImpl::Dispatch(h, system ? WM_SYSCHAR : WM_CHAR, u, lp);
            if (!IsWindow(h)) return;
        }
        const bool runDefault = edit->m_keyDownDefault && !typing && !system;
        edit->m_inKey = false;
        if (runDefault) QLineEdit::keyPressEvent(e);
    }

    // Text an input method commits is typed through the window procedure, one
    // WM_IME_CHAR per unit (WM_CHAR below 0x80), as a Korean input method's
    // text reaches an edit control on Windows: a window that handles WM_CHAR
    // (an editor that widens with its text) sees it as it sees typed text.
    // The composition still under way shows in the field, at the caret.
    void inputMethodEvent(QInputMethodEvent* e) override {
        WindowImpl* impl = WindowImpl::FromWidget(this);
        if (!impl || impl->wnd != m_owner || e->commitString().isEmpty() || e->replacementLength() != 0) {
            QLineEdit::inputMethodEvent(e);
            return;
        }
        const HWND h = impl->handle;
        const QString commit = e->commitString(), preedit = e->preeditString();
        const QList<QInputMethodEvent::Attribute> attributes = e->attributes();
        e->accept();
        QInputMethodEvent ended;  // the composition shown so far goes
        QLineEdit::inputMethodEvent(&ended);
        for (QChar c : commit) {
            WindowImpl::Dispatch(h, c.unicode() < 0x80 ? WM_CHAR : WM_IME_CHAR, c.unicode(), 1);
            if (!IsWindow(h)) return;
        }
        if (preedit.isEmpty()) return;
        QInputMethodEvent next(preedit, attributes);
        QLineEdit::inputMethodEvent(&next);
    }

private:
    CEdit* m_owner;
};

CEdit::CEdit() = default;
CEdit::~CEdit() {
    if (m_hWnd) DestroyWindow();
}

QWidget* CEdit::CreateWidget(QWidget* parentWidget, bool) {
    auto* line = new NativeLineEdit(this, parentWidget);
    const DWORD style = GetStyle();
    switch (style & 0x3) {
    case ES_CENTER: line->setAlignment(Qt::AlignCenter); break;
    case ES_RIGHT: line->setAlignment(Qt::AlignRight | Qt::AlignVCenter); break;
    default: line->setAlignment(Qt::AlignLeft | Qt::AlignVCenter); break;
    }
    if (style & ES_PASSWORD) line->setEchoMode(QLineEdit::Password);
    if (style & ES_NUMBER)
        line->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), line));
    line->setFrame((style & WS_BORDER) || (GetExStyle() & WS_EX_CLIENTEDGE));
    const std::u16string initial = WindowImpl::FromHandle(m_hWnd) ? WindowImpl::FromHandle(m_hWnd)->text : std::u16string();
    line->setText(QString::fromUtf16(initial.data(), qsizetype(initial.size())));
    const HWND h = m_hWnd;
    QObject::connect(line, &QLineEdit::textChanged, line, [this, h](const QString&) {
        if (IsWindow(h)) Notify(EN_CHANGE);
    });
    return line;
}

void CEdit::Notify(UINT code) {
    CWnd* parent = GetParent();
    if (parent) parent->SendMessage(WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), int(code)),
                                    reinterpret_cast<LPARAM>(m_hWnd));
}

static QLineEdit* LineOf(const CWnd* w) { return qobject_cast<QLineEdit*>(w->Widget()); }

LRESULT CEdit::ClassWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    QLineEdit* line = LineOf(this);
    if (!line) return CWnd::ClassWindowProc(message, wParam, lParam);
    switch (message) {
    case WM_SETTEXT: {
        const auto* text = reinterpret_cast<const char16_t*>(lParam);
        const std::u16string s = text ? text : u"";
        line->setText(QString::fromUtf16(s.data(), qsizetype(s.size())));
        return TRUE;
    }
    case WM_GETTEXT: {
        if (!lParam) return 0;
        const QString t = line->text();
        *reinterpret_cast<std::u16string*>(lParam) =
            std::u16string(reinterpret_cast<const char16_t*>(t.utf16()), size_t(t.size()));
        return LRESULT(t.size());
    }
    case WM_KEYDOWN:
        if (m_inKey) m_keyDownDefault = true;
        return 0;
    case WM_IME_CHAR:
        // A character from an input method is typed as WM_CHAR, through the
        // window procedure, as the system's default handling does.
        return SendMessage(WM_CHAR, wParam, lParam);
    case WM_CHAR: {
        // A character typed or sent by the program.
        const char16_t c = char16_t(wParam);
        if (c == 0x08) line->backspace();
        else if (Typed(c)) line->insert(QString(QChar(c)));
        return 0;
    }
    case WM_SETFOCUS:
        Notify(EN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        Notify(EN_KILLFOCUS);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    case EM_SETSEL: {
        const int len = int(line->text().size());
        int start = int(wParam), end = int(lParam);
        if (start < 0) {
            line->deselect();
            return 0;
        }
        if (end < 0 || end > len) end = len;
        start = std::min(start, len);
        if (start == end) {
            line->deselect();
            line->setCursorPosition(end);
        } else {
            // The caret goes to the end given last, as the system's edit does.
            line->setSelection(start, end - start);
        }
        return 0;
    }
    case EM_GETSEL: {
        int start = line->selectionStart(), end = start + int(line->selectedText().size());
        if (start < 0) start = end = line->cursorPosition();
        if (wParam) *reinterpret_cast<DWORD*>(wParam) = DWORD(start);
        if (lParam) *reinterpret_cast<DWORD*>(lParam) = DWORD(end);
        return MAKELPARAM(start, end);
    }
    case WM_SETFONT: {
        // wParam: the font's handle (null: the control's own font); lParam: redraw now.
        const auto font = reinterpret_cast<HFONT>(wParam);
        const FontData* data = platform::detail::DataOf<FontData>(font);
        line->setFont(data ? data->Font() : QFont());
        m_font = data ? font : nullptr;
        if (LOWORD(UINT_PTR(lParam))) line->update();
        return 0;
    }
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(m_font);
    case EM_SCROLLCARET:
        return TRUE;
    case EM_REPLACESEL: {
        const auto* text = reinterpret_cast<const char16_t*>(lParam);
        line->insert(QString::fromUtf16(text ? text : u""));
        return 0;
    }
    case EM_LIMITTEXT:
        line->setMaxLength(wParam == 0 ? 0x7FFFFFFE : int(std::min<WPARAM>(wParam, 0x7FFFFFFE)));
        return 0;
    case EM_SETREADONLY:
        line->setReadOnly(wParam != 0);
        return TRUE;
    case WM_CUT: line->cut(); return 0;
    case WM_COPY: line->copy(); return 0;
    case WM_PASTE: line->paste(); return 0;
    case WM_CLEAR: line->del(); return 0;
    case WM_UNDO: line->undo(); return TRUE;
    default:
        return CWnd::ClassWindowProc(message, wParam, lParam);
    }
}

void CEdit::SetSel(int start, int end, BOOL) { SendMessage(EM_SETSEL, WPARAM(start), LPARAM(end)); }

void CEdit::GetSel(int& start, int& end) const {
    DWORD s = 0, e = 0;
    WindowImpl::Dispatch(m_hWnd, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
    start = int(s);
    end = int(e);
}

void CEdit::ReplaceSel(LPCTSTR text, BOOL canUndo) {
    SendMessage(EM_REPLACESEL, WPARAM(canUndo), reinterpret_cast<LPARAM>(text));
}

void CEdit::SetLimitText(UINT maxChars) { SendMessage(EM_LIMITTEXT, maxChars, 0); }
BOOL CEdit::SetReadOnly(BOOL readOnly) { return BOOL(SendMessage(EM_SETREADONLY, WPARAM(readOnly), 0)); }
void CEdit::Cut() { SendMessage(WM_CUT); }
void CEdit::Copy() { SendMessage(WM_COPY); }
void CEdit::Paste() { SendMessage(WM_PASTE); }
void CEdit::Clear() { SendMessage(WM_CLEAR); }
