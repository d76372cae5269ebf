#include "platform/window/dialog.h"

#include <QApplication>
#include <QEventLoop>
#include <QFont>
#include <QFontMetrics>
#include <QWidget>
#include <algorithm>
#include <map>

#include "platform/base/numeric.h"
#include "platform/system/fonts.h"
#include "platform/window/wnd_impl.h"

namespace {

std::map<UINT, DialogTemplate>& Templates() {
    static std::map<UINT, DialogTemplate> templates;
    return templates;
}

struct ControlClass {
    platform::ControlFactory make;
    platform::ControlPlacement place;
};

std::map<std::u16string, ControlClass>& Factories() {
    static std::map<std::u16string, ControlClass> factories;
    return factories;
}

}  // namespace

namespace platform {

void RegisterDialogTemplate(DialogTemplate tmpl) {
    const UINT id = tmpl.id;
    Templates()[id] = std::move(tmpl);
}

const DialogTemplate* FindDialogTemplate(UINT id) {
    auto it = Templates().find(id);
    return it == Templates().end() ? nullptr : &it->second;
}

void RegisterControlClass(const std::u16string& className, ControlFactory factory, ControlPlacement place) {
    Factories()[className] = ControlClass{std::move(factory), std::move(place)};
}

SIZE DialogBaseUnits(const std::u16string& fontFace, int pointSize) {
    if (pointSize <= 0) pointSize = 9;
    // A template without a face of its own is laid out in the application's font.
    QFont font = QApplication::font();
    if (!fontFace.empty()) {
        const std::u16string face = ResolveFaceName(fontFace);
        font = QFont(QString::fromUtf16(face.data(), qsizetype(face.size())));
    }
    // Points on a screen of 96 pixels per inch, as the templates were drawn.
    font.setPixelSize(MulDiv(pointSize, 96, 72));
    const QFontMetrics fm(font);
    // Across: half the alphabet's mean letter, rounded; down: the line height.
    const int letters =
        fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    SIZE units{(letters / 26 + 1) / 2, fm.height()};
    // The Korean dialog face (MS Shell Dlg is drawn in 굴림 on a Korean system)
    // has wider Latin letters than the gothic that stands in for it here: at
    // 9 points its unit is 8 pixels across, the width the configuration
    // dialog's table was laid out for (its last column is what the grid's 166
    // units leave beside 264 pixels of columns, scroll bar and frame, and it
    // holds the header "풍향 표시"). Only the across unit differs; the line
    // height is the stand-in's, whose text the controls show.
    if (IsKoreanDialogFace(fontFace)) units.cx = std::max<LONG>(units.cx, MulDiv(pointSize, 8, 9));
    return units;
}

}  // namespace platform

CDialog::CDialog() = default;

CDialog::CDialog(UINT templateId, CWnd* parent) : m_templateId(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog() {
    if (m_hWnd) DestroyWindow();
    m_templateControls.clear();
}

BOOL CDialog::CreateFromTemplate(CWnd* parent) {
    const DialogTemplate* tmpl = platform::FindDialogTemplate(m_templateId);
    if (!tmpl || m_hWnd) return FALSE;
    const SIZE base = platform::DialogBaseUnits(tmpl->fontFace, tmpl->pointSize);
    auto px = [&](int dlu) { return dlu * base.cx / 4; };
    auto py = [&](int dlu) { return dlu * base.cy / 8; };
    const DWORD style = (tmpl->style & ~(WS_VISIBLE | WS_CHILD)) | WS_POPUP;
    const RECT rc{px(tmpl->x), py(tmpl->y), px(tmpl->x + tmpl->cx), py(tmpl->y + tmpl->cy)};
    if (!CreateEx(tmpl->exStyle, nullptr, tmpl->caption.c_str(), style, rc, parent, 0)) return FALSE;
    for (const DialogItemTemplate& item : tmpl->items) {
        std::unique_ptr<CWnd> control;
        auto f = Factories().find(item.className);
        if (f != Factories().end()) control = f->second.make(item);
        if (!control) control = std::make_unique<CWnd>();
        const RECT irc{px(item.x), py(item.y), px(item.x + item.cx), py(item.y + item.cy)};
        if (control->CreateEx(item.exStyle, item.className.c_str(), item.text.c_str(),
                              item.style | WS_CHILD, irc, this, item.id)) {
            if (f != Factories().end() && f->second.place) f->second.place(*control, irc);
            m_templateControls.push_back(std::move(control));
        }
    }
    if (tmpl->style & DS_CENTER) CenterWindow(parent);
    return TRUE;
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
    m_templateId = templateId;
    m_pParentWnd = parent;
    if (!CreateFromTemplate(parent)) return FALSE;
    const HWND h = m_hWnd;
    SendMessage(WM_INITDIALOG, 0, 0);
    if (!IsWindow(h)) return FALSE;
    const DialogTemplate* tmpl = platform::FindDialogTemplate(m_templateId);
    if (tmpl && (tmpl->style & WS_VISIBLE)) ShowWindow(SW_SHOW);
    return TRUE;
}

INT_PTR CDialog::DoModal() {
    // The windows the dialog stands over take no input while it is open: one
    // of them that holds the mouse lets it go (and hears so), as a window the
    // system disables for a modal loop does.
    if (CWnd::GetCapture()) ReleaseCapture();
    // A dialog given no parent is owned by the window it was opened from, so
    // that it stays above it.
    CWnd* owner = m_pParentWnd ? m_pParentWnd : CWnd::FromHandle(platform::detail::DefaultOwner());
    if (!CreateFromTemplate(owner)) return -1;
    const HWND h = m_hWnd;
    m_ended = false;
    m_result = 0;
    SendMessage(WM_INITDIALOG, 0, 0);
    if (!m_ended && IsWindow(h)) {
        QWidget* w = Widget();
        w->setWindowModality(Qt::ApplicationModal);
        // Over its owner the dialog stays in sight: nothing to minimize or
        // maximize it with, unless its style asks for those boxes.
        if (owner && w->isHidden() && !(GetStyle() & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)))
            platform::detail::MarkAsBox(w);
        // Wherever its set-up put it, it opens wholly on its owner's screen.
        if (w->isHidden()) platform::detail::KeepInWorkArea(h);
        if (w->isHidden()) ShowWindow(SW_SHOW);
        w->activateWindow();
        QEventLoop loop;
        m_loop = &loop;
        m_loopRunning = true;
        if (!m_ended) loop.exec(QEventLoop::DialogExec);
        m_loopRunning = false;
        m_loop = nullptr;
    }
    if (IsWindow(h)) DestroyWindow();
    m_templateControls.clear();
    return m_result;
}

void CDialog::EndDialog(int result) {
    m_result = result;
    m_ended = true;
    if (QWidget* w = Widget()) w->hide();
    if (m_loop) static_cast<QEventLoop*>(m_loop)->exit(0);
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx;
    dx.m_bSaveAndValidate = saveAndValidate;
    dx.m_pDlgWnd = this;
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        if (HIWORD(wParam) == 0 && LOWORD(wParam) == IDOK) {
            OnOK();
            return 0;
        }
        if (HIWORD(wParam) == 0 && LOWORD(wParam) == IDCANCEL) {
            OnCancel();
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    case WM_NEXTDLGCTL:
        // lParam set: wParam names the control; else wParam 0 is the next tab
        // stop and any other value the previous one.
        if (LOWORD(lParam)) {
            if (CWnd* control = CWnd::FromHandle(reinterpret_cast<HWND>(wParam))) control->SetFocus();
        } else {
            platform::detail::MoveFocusInside(Widget(), wParam == 0);
        }
        return 0;
    case WM_CLOSE:
        // The close box is the dialog's Cancel.
        return CDialog::WindowProc(WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    default:
        return CWnd::WindowProc(message, wParam, lParam);
    }
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
    if (!msg || msg->message != WM_KEYDOWN || !m_hWnd) return FALSE;
    const UINT vk = UINT(msg->wParam);
    if (vk != VK_TAB && vk != VK_RETURN && vk != VK_ESCAPE) return FALSE;
    const LRESULT code = msg->hwnd ? SendMessageW(msg->hwnd, WM_GETDLGCODE, msg->wParam, 0) : 0;
    if (!m_hWnd) return FALSE;
    if (code & DLGC_WANTALLKEYS) return FALSE;
    switch (vk) {
    case VK_TAB:
        if (code & DLGC_WANTTAB) return FALSE;
        platform::detail::MoveFocusInside(Widget(), !(GetKeyState(VK_SHIFT) & 0x8000));
        return TRUE;
    case VK_RETURN:
        SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
        return TRUE;
    case VK_ESCAPE:
        SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
        return TRUE;
    default:
        return FALSE;
    }
}
