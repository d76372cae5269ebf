// Where a dialog or a box opens: wholly inside the work area (the screen less
// its panels) of the screen its owner stands on, as the system the program
// comes from keeps its dialogs. A box centred on an owner near an edge is
// moved in from that edge, by as little as it takes.
#pragma once

#include "platform/base/types.h"

namespace platform {

// `window` (a window rectangle, its frame included) moved by as little as
// keeps it inside `area`. A window larger than the area across (down) keeps
// its left (top) edge on the area's, where its caption and first controls are.
RECT KeptInside(const RECT& window, const RECT& area);

}  // namespace platform
