#include "platform/stdctrl/tooltip.h"

#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <algorithm>

#include "platform/window/wnd_impl.h"

namespace {
// Internal: the pointer left the window in wParam, or pressed a button on it.
constexpr UINT kToolWindowLeft = WM_USER + 0x7F0;
}  // namespace

// Hides the tip when the pointer leaves a tool's window or presses a button there.
class LeaveFilter : public QObject {
public:
    explicit LeaveFilter(CToolTipCtrl* owner) : m_owner(owner) {}

protected:
    bool eventFilter(QObject* obj, QEvent* e) override {
        switch (e->type()) {
        case QEvent::Leave:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::Hide: {
            if (WindowImpl* impl = WindowImpl::FromWidget(obj))
                m_owner->SendMessage(kToolWindowLeft, WPARAM(impl->handle), 0);
            break;
        }
        default:
            break;
        }
        return false;
    }

private:
    CToolTipCtrl* m_owner;
};

CToolTipCtrl::CToolTipCtrl() = default;

CToolTipCtrl::~CToolTipCtrl() {
    delete m_showTimer;
    delete m_popTimer;
    delete m_filter;
    m_showTimer = m_popTimer = nullptr;
    m_filter = nullptr;
    if (m_hWnd) DestroyWindow();
}

BOOL CToolTipCtrl::Create(CWnd* parent, DWORD style) {
    // The popup is a top-level window of its own; its parent (which may have no
    // window yet) only owns it.
    CWnd* owner = parent && parent->m_hWnd ? parent : nullptr;
    if (!CreateEx(0, u"tooltips_class32", u"", WS_POPUP | style, CRect(0, 0, 0, 0), owner, 0)) return FALSE;
    m_showTimer = new QTimer;
    m_showTimer->setSingleShot(true);
    m_showTimer->setTimerType(Qt::PreciseTimer);
    QObject::connect(m_showTimer, &QTimer::timeout, [this] { Show(); });
    m_popTimer = new QTimer;
    m_popTimer->setSingleShot(true);
    QObject::connect(m_popTimer, &QTimer::timeout, [this] { Hide(); });
    m_filter = new LeaveFilter(this);
    return TRUE;
}

QWidget* CToolTipCtrl::CreateWidget(QWidget*, bool) {
    auto* label = new QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    label->setAttribute(Qt::WA_ShowWithoutActivating);
    label->setFocusPolicy(Qt::NoFocus);
    label->setMargin(3);
    const COLORREF back = GetSysColor(COLOR_INFOBK), text = GetSysColor(COLOR_INFOTEXT);
    label->setStyleSheet(QString("QLabel { background-color: rgb(%1,%2,%3); color: rgb(%4,%5,%6); "
                                 "border: 1px solid rgb(118,118,118); }")
                             .arg(GetRValue(back)).arg(GetGValue(back)).arg(GetBValue(back))
                             .arg(GetRValue(text)).arg(GetGValue(text)).arg(GetBValue(text)));
    return label;
}

CToolTipCtrl::Tool* CToolTipCtrl::Find(HWND hwnd, UINT_PTR id) {
    for (Tool& t : m_tools)
        if (t.info.hwnd == hwnd && t.info.uId == id) return &t;
    return nullptr;
}

const CToolTipCtrl::Tool* CToolTipCtrl::Find(HWND hwnd, UINT_PTR id) const {
    for (const Tool& t : m_tools)
        if (t.info.hwnd == hwnd && t.info.uId == id) return &t;
    return nullptr;
}

void CToolTipCtrl::Watch(HWND hwnd) {
    if (!m_filter || std::find(m_watched.begin(), m_watched.end(), hwnd) != m_watched.end()) return;
    WindowImpl* impl = WindowImpl::FromHandle(hwnd);
    if (!impl || !impl->widget) return;
    impl->widget->installEventFilter(m_filter);
    m_watched.push_back(hwnd);
}

void CToolTipCtrl::Activate(BOOL activate) { SendMessage(TTM_ACTIVATE, WPARAM(activate), 0); }

BOOL CToolTipCtrl::AddTool(CWnd* wnd, LPCTSTR text, LPCRECT rect, UINT_PTR id) {
    if (!wnd || !wnd->m_hWnd) return FALSE;
    TOOLINFO info;
    info.hwnd = wnd->m_hWnd;
    info.uId = id;
    if (rect) info.rect = *rect;
    info.text = text ? text : u"";
    return BOOL(SendMessage(TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)));
}

void CToolTipCtrl::DelTool(CWnd* wnd, UINT_PTR id) {
    if (!wnd) return;
    TOOLINFO info;
    info.hwnd = wnd->m_hWnd;
    info.uId = id;
    SendMessage(TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void CToolTipCtrl::SetToolRect(CWnd* wnd, UINT_PTR id, LPCRECT rect) {
    if (!wnd || !rect) return;
    TOOLINFO info;
    info.hwnd = wnd->m_hWnd;
    info.uId = id;
    info.rect = *rect;
    SendMessage(TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&info));
}

void CToolTipCtrl::UpdateTipText(LPCTSTR text, CWnd* wnd, UINT_PTR id) {
    if (!wnd) return;
    TOOLINFO info;
    info.hwnd = wnd->m_hWnd;
    info.uId = id;
    info.text = text ? text : u"";
    SendMessage(TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
}

int CToolTipCtrl::GetToolCount() const {
    return int(WindowImpl::Dispatch(m_hWnd, TTM_GETTOOLCOUNT, 0, 0));
}

BOOL CToolTipCtrl::GetToolInfo(TOOLINFO& info, CWnd* wnd, UINT_PTR id) const {
    info.hwnd = wnd ? wnd->m_hWnd : nullptr;
    info.uId = id;
    return BOOL(WindowImpl::Dispatch(m_hWnd, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&info)));
}

void CToolTipCtrl::RelayEvent(MSG* msg) { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg)); }

void CToolTipCtrl::Pop() { SendMessage(TTM_POP, 0, 0); }

void CToolTipCtrl::SetDelayTime(WPARAM kind, int ms) { SendMessage(TTM_SETDELAYTIME, kind, MAKELPARAM(ms, 0)); }

BOOL CToolTipCtrl::IsTipShown(HWND* hwnd, UINT_PTR* id) const {
    if (hwnd) *hwnd = m_shown ? m_pendingWnd : nullptr;
    if (id) *id = m_shown ? m_pendingId : 0;
    return m_shown;
}

void CToolTipCtrl::Show() {
    if (!m_active || !m_pending || !m_hWnd) return;
    const Tool* tool = Find(m_pendingWnd, m_pendingId);
    auto* label = qobject_cast<QLabel*>(Widget());
    if (!tool || !label || !IsWindow(m_pendingWnd) || tool->info.text.empty()) return;
    label->setText(QString::fromUtf16(tool->info.text.data(), qsizetype(tool->info.text.size())));
    label->adjustSize();
    label->move(m_at.x, m_at.y + 20);
    label->show();
    m_shown = true;
    if (m_popTimer && m_autoPopMs > 0) m_popTimer->start(m_autoPopMs);
}

void CToolTipCtrl::Hide() {
    if (m_showTimer) m_showTimer->stop();
    if (m_popTimer) m_popTimer->stop();
    m_pending = false;
    m_shown = false;
    if (QWidget* w = Widget()) w->hide();
}

LRESULT CToolTipCtrl::ClassWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case TTM_ACTIVATE:
        m_active = wParam != 0;
        if (!m_active) Hide();
        return 0;
    case TTM_ADDTOOLW: {
        const auto* info = reinterpret_cast<const TOOLINFO*>(lParam);
        if (!info || !IsWindow(info->hwnd)) return FALSE;
        if (Tool* t = Find(info->hwnd, info->uId)) t->info = *info;
        else m_tools.push_back(Tool{*info});
        Watch(info->hwnd);
        return TRUE;
    }
    case TTM_DELTOOLW: {
        const auto* info = reinterpret_cast<const TOOLINFO*>(lParam);
        if (!info) return 0;
        if (m_pendingWnd == info->hwnd && m_pendingId == info->uId) Hide();
        m_tools.erase(std::remove_if(m_tools.begin(), m_tools.end(),
                                     [&](const Tool& t) { return t.info.hwnd == info->hwnd && t.info.uId == info->uId; }),
                      m_tools.end());
        return 0;
    }
    case TTM_NEWTOOLRECTW: {
        const auto* info = reinterpret_cast<const TOOLINFO*>(lParam);
        if (!info) return 0;
        if (Tool* t = Find(info->hwnd, info->uId)) t->info.rect = info->rect;
        return 0;
    }
    case TTM_UPDATETIPTEXTW: {
        const auto* info = reinterpret_cast<const TOOLINFO*>(lParam);
        if (!info) return 0;
        if (Tool* t = Find(info->hwnd, info->uId)) {
            t->info.text = info->text;
            if (m_shown && m_pendingWnd == info->hwnd && m_pendingId == info->uId) Show();
        }
        return 0;
    }
    case TTM_GETTOOLCOUNT:
        return LRESULT(m_tools.size());
    case TTM_GETTOOLINFOW: {
        auto* info = reinterpret_cast<TOOLINFO*>(lParam);
        if (!info) return FALSE;
        const Tool* t = Find(info->hwnd, info->uId);
        if (!t) return FALSE;
        *info = t->info;
        return TRUE;
    }
    case TTM_SETDELAYTIME: {
        const int ms = int(short(LOWORD(UINT_PTR(lParam))));
        if (wParam == TTDT_INITIAL || wParam == TTDT_AUTOMATIC) m_initialMs = ms < 0 ? 500 : ms;
        if (wParam == TTDT_AUTOPOP || wParam == TTDT_AUTOMATIC)
            m_autoPopMs = ms < 0 ? 5000 : (wParam == TTDT_AUTOMATIC ? ms * 10 : ms);
        return 0;
    }
    case TTM_POP:
        Hide();
        return 0;
    case kToolWindowLeft:
        if (m_pending && HWND(wParam) == m_pendingWnd) Hide();
        return 0;
    case TTM_RELAYEVENT: {
        const auto* msg = reinterpret_cast<const MSG*>(lParam);
        if (!msg || !m_active) return 0;
        if (msg->message == WM_MOUSEMOVE) {
            const POINT p{GET_X_LPARAM(msg->lParam), GET_Y_LPARAM(msg->lParam)};
            const Tool* under = nullptr;
            for (const Tool& t : m_tools)
                if (t.info.hwnd == msg->hwnd && CRect(t.info.rect).PtInRect(p)) {
                    under = &t;
                    break;
                }
            m_at = msg->pt;
            if (!under) {
                Hide();
            } else if (!(m_pending && m_pendingWnd == under->info.hwnd && m_pendingId == under->info.uId)) {
                Hide();
                m_pending = true;
                m_pendingWnd = under->info.hwnd;
                m_pendingId = under->info.uId;
                if (m_showTimer) m_showTimer->start(std::max(1, m_initialMs));
            }
        } else if (msg->message >= WM_LBUTTONDOWN && msg->message <= WM_MBUTTONDBLCLK) {
            Hide();
        }
        return 0;
    }
    default:
        return CWnd::ClassWindowProc(message, wParam, lParam);
    }
}
