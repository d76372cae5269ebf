#include "platform/gdi/buffered_dc.h"

CBufferedDC::CBufferedDC(CDC* target) : m_pDC(target) {
    if (!target) return;
    m_bMemDC = !target->IsPrinting();
    if (m_bMemDC) return;
    // Printing: this object is another name for the target.
    m_bPrinting = target->m_bPrinting;
    m_hDC = target->m_hDC;
    m_hAttribDC = target->m_hAttribDC;
    m_ownsContext = false;
}

void CBufferedDC::BeginBuffer(const CRect& logical, int deviceWidth, int deviceHeight) {
    if (!m_pDC || !m_bMemDC) return;
    m_rect = logical;
    CreateCompatibleDC(m_pDC);
    m_bitmap.CreateCompatibleBitmap(m_pDC, deviceWidth, deviceHeight);
    m_oldBitmap = SelectObject(&m_bitmap);
}

CBufferedDC::~CBufferedDC() {
    if (!m_pDC) return;
    if (m_bMemDC) {
        if (m_oldBitmap) {
            m_pDC->BitBlt(m_rect.left, m_rect.top, m_rect.Width(), m_rect.Height(), this, m_rect.left, m_rect.top,
                          SRCCOPY);
            SelectObject(m_oldBitmap);
        }
    } else {
        m_hDC = m_hAttribDC = nullptr;
    }
}
