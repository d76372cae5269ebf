#include "grid/grid_mem_dc.h"

CaMemDC::CaMemDC(CDC* target) : CBufferedDC(target) {
    if (!target || !m_bMemDC) return;  // printing: drawn straight onto the target
    CRect clip;
    target->GetClipBox(&clip);
    BeginBuffer(clip, clip.Width(), clip.Height());
    SetWindowOrg(m_rect.left, m_rect.top);
    FillSolidRect(&m_rect, target->GetBkColor());
}
