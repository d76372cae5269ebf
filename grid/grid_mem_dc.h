// The grid's off-screen painting context: drawing goes into a bitmap the size of
// the target's clip box, in the target's own coordinates, and the bitmap is
// copied to the target in one step when this object is destroyed. A printer
// context is drawn on directly.
#pragma once

#include "platform/gdi/dc.h"

class CaMemDC : public CDC {
public:
    explicit CaMemDC(CDC* target);
    ~CaMemDC() override;

    CaMemDC* operator->() { return this; }
    operator CaMemDC*() { return this; }

    // The part of the target that is painted (its clip box); empty when printing.
    const CRect& GetArea() const { return m_rect; }
    BOOL IsMemory() const { return m_bMemDC; }

private:
    CBitmap m_bitmap;
    CBitmap* m_oldBitmap = nullptr;
    CDC* m_pDC;
    CRect m_rect;
    BOOL m_bMemDC;
};
