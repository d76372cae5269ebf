// The grid's off-screen painting context: drawing goes into a bitmap the size of
// the target's clip box, in the target's own coordinates, and the bitmap is
// copied to the target in one step when this object is destroyed. A printer
// context is drawn on directly.
#pragma once

#include "platform/gdi/buffered_dc.h"

class CaMemDC : public CBufferedDC {
public:
    explicit CaMemDC(CDC* target);

    CaMemDC* operator->() { return this; }
    operator CaMemDC*() { return this; }
};
