#include "platform/stdctrl/progress_ctrl.h"

#include <QProgressBar>
#include <algorithm>

#include "platform/window/wnd_impl.h"

CProgressCtrl::CProgressCtrl() = default;

CProgressCtrl::~CProgressCtrl() {
    if (m_hWnd) DestroyWindow();
}

QWidget* CProgressCtrl::CreateWidget(QWidget* parentWidget, bool) {
    auto* bar = new QProgressBar(parentWidget);
    bar->setTextVisible(false);
    bar->setRange(m_low, m_high);
    bar->setValue(m_pos);
    return bar;
}

void CProgressCtrl::Show() {
    if (auto* bar = qobject_cast<QProgressBar*>(Widget())) {
        bar->setRange(m_low, std::max(m_low, m_high));
        bar->setValue(m_pos);
    }
}

void CProgressCtrl::GetRange(int& lower, int& upper) const {
    lower = int(WindowImpl::Dispatch(m_hWnd, PBM_GETRANGE, TRUE, 0));
    upper = int(WindowImpl::Dispatch(m_hWnd, PBM_GETRANGE, FALSE, 0));
}

int CProgressCtrl::GetPos() const { return int(WindowImpl::Dispatch(m_hWnd, PBM_GETPOS, 0, 0)); }

LRESULT CProgressCtrl::ClassWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    auto clamp = [this](int p) { return std::clamp(p, m_low, std::max(m_low, m_high)); };
    switch (message) {
    case PBM_SETRANGE: {
        const LRESULT old = MAKELPARAM(m_low, m_high);
        m_low = short(LOWORD(UINT_PTR(lParam)));
        m_high = short(HIWORD(UINT_PTR(lParam)));
        m_pos = clamp(m_pos);
        Show();
        return old;
    }
    case PBM_SETPOS: {
        const int old = m_pos;
        m_pos = clamp(int(wParam));
        Show();
        return old;
    }
    case PBM_DELTAPOS: {
        const int old = m_pos;
        m_pos = clamp(m_pos + int(wParam));
        Show();
        return old;
    }
    case PBM_SETSTEP: {
        const int old = m_step;
        m_step = int(wParam);
        return old;
    }
    case PBM_STEPIT: {
        // Stepping past the end starts again from the low end.
        const int old = m_pos;
        m_pos += m_step;
        if (m_pos > m_high) m_pos = m_low + (m_pos - m_high);
        m_pos = clamp(m_pos);
        Show();
        return old;
    }
    case PBM_GETRANGE:
        return wParam ? m_low : m_high;
    case PBM_GETPOS:
        return m_pos;
    default:
        return CWnd::ClassWindowProc(message, wParam, lParam);
    }
}
