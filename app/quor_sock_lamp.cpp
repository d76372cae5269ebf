// The link's status lamp. Every use of CQuorSock::m_pLamp lives in this file; the
// link calls these only while m_bLampAttached is set.
#include "app/quor_sock.h"
#include "controls/led.h"

namespace {

// Control id of the status lamp (the main window's title label has the same id).
constexpr UINT kLampId = 10000;

}  // namespace

// A new lamp, child of pParent, captioned with `text`, with the inset the
// server lamp uses under its caption.
void CQuorSock::LampCreate(CWnd* pParent, LPCTSTR text) {
    m_pLamp = new CLed;
    m_pLamp->Create(nullptr, text, WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(0, 0, 0, 0), pParent, kLampId);
    m_pLamp->Init(GetSysColor(COLOR_BTNFACE));
    m_pLamp->SetCaption();
    m_pLamp->m_fLampScale = 0.5f;
}

// The lit colours change only on a lamp that was initialised.
void CQuorSock::LampSetOnColors(COLORREF edge, COLORREF center) {
    if (!m_pLamp || !(m_pLamp->m_dwFlags & CLed::kInitialised)) return;
    m_pLamp->m_crOnEdge = edge;
    m_pLamp->m_crOnCenter = center;
}

void CQuorSock::LampOn() {
    if (m_pLamp) m_pLamp->On();
}

void CQuorSock::LampRedrawNow() {
    if (m_pLamp) m_pLamp->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

// Data that keeps arriving keeps the lamp lit: a flash while it is lit in the
// same colours starts the flash period again, as CLed::Flash does, without
// painting the same pixels again for every read.
void CQuorSock::LampFlash(COLORREF edge, COLORREF center) {
    if (!m_pLamp) return;
    constexpr DWORD kLitInitialised = CLed::kLit | CLed::kInitialised;
    if ((m_pLamp->m_dwFlags & kLitInitialised) == kLitInitialised && m_pLamp->m_crOnEdge == edge &&
        m_pLamp->m_crOnCenter == center) {
        m_pLamp->SetTimer(CLed::kFlashTimer, m_pLamp->m_nFlashPeriod);
        return;
    }
    m_pLamp->Flash(edge, center);
}

void CQuorSock::LampDestroy() {
    if (!m_pLamp) return;
    m_pLamp->DestroyWindow();
    delete m_pLamp;
    m_pLamp = nullptr;
}
