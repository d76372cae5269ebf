// The state of a command's menu item or button, asked for before it is shown:
// an update handler enables or disables it.
#pragma once

#include "platform/base/types.h"

class CCmdUI {
public:
    explicit CCmdUI(UINT id = 0) : m_nID(id) {}
    virtual ~CCmdUI() = default;
    virtual void Enable(BOOL on = TRUE) { m_bEnabled = on; }

    UINT m_nID;
    BOOL m_bEnabled = TRUE;
};
