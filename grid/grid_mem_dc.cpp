#include "grid/grid_mem_dc.h"

CaMemDC::CaMemDC(CDC* target) : m_pDC(target), m_bMemDC(target && !target->IsPrinting()) {
    if (!target) return;
    if (m_bMemDC) {
        target->GetClipBox(&m_rect);
        CreateCompatibleDC(target);
        m_bitmap.CreateCompatibleBitmap(target, m_rect.Width(), m_rect.Height());
        m_oldBitmap = SelectObject(&m_bitmap);
        SetWindowOrg(m_rect.left, m_rect.top);
        FillSolidRect(&m_rect, target->GetBkColor());
    } else {
        m_bPrinting = target->m_bPrinting;
        m_hDC = target->m_hDC;
        m_hAttribDC = target->m_hAttribDC;
        m_ownsContext = false;
    }
}

CaMemDC::~CaMemDC() {
    if (!m_pDC) return;
    if (m_bMemDC) {
        m_pDC->BitBlt(m_rect.left, m_rect.top, m_rect.Width(), m_rect.Height(), this, m_rect.left, m_rect.top,
                      SRCCOPY);
        SelectObject(m_oldBitmap);
    } else {
        m_hDC = m_hAttribDC = nullptr;
    }
    m_bitmap.DeleteObject();
}
