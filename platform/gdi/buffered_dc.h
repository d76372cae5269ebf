// A context that paints off-screen for a target context: the deriving class
// makes the bitmap of the area it paints (BeginBuffer), draws into it, and the
// area is copied to the target in one step when the object goes. On a printing
// target there is no bitmap: the object draws on the target's own pixels.
#pragma once

#include "platform/gdi/dc.h"

class CBufferedDC : public CDC {
public:
    ~CBufferedDC() override;
    CBufferedDC(const CBufferedDC&) = delete;
    CBufferedDC& operator=(const CBufferedDC&) = delete;

    // The part of the target that is painted, in the target's logical
    // coordinates (set by BeginBuffer, or by the deriving class).
    const CRect& GetArea() const { return m_rect; }
    // Whether drawing goes into a bitmap (FALSE: straight onto the target).
    BOOL IsMemory() const { return m_bMemDC; }

protected:
    // Paints for `target` (null: paints nothing and copies nothing). A printing
    // target is shared at once; any other waits for BeginBuffer.
    explicit CBufferedDC(CDC* target);
    // Selects a bitmap of `deviceWidth` x `deviceHeight` pixels for the area
    // `logical` (stored as the area) of a non-printing target; the deriving class
    // then sets its mapping so that the area's corner lands on the bitmap's.
    void BeginBuffer(const CRect& logical, int deviceWidth, int deviceHeight);

    CBitmap m_bitmap;
    CBitmap* m_oldBitmap = nullptr;
    CDC* m_pDC = nullptr;
    CRect m_rect;
    BOOL m_bMemDC = FALSE;
};
