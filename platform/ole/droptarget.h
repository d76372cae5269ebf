// Drag and drop between windows of the program: drop targets registered for
// windows, and the drag loop that carries a data object over them.
//
// A window takes drops once a COleDropTarget is registered for it. While a drag
// runs (DoDragLoop), the window under the pointer, or the nearest of its parents
// with a registered target, is the current target: it hears OnDragEnter when the
// pointer comes in, OnDragOver on every move and on every change of the Ctrl or
// Shift key, OnDragLeave when the pointer goes elsewhere or the drag is
// cancelled, and OnDrop when the left button is released over it with an effect
// other than DROPEFFECT_NONE. Points are in the target window's client
// coordinates; key states are MK_* bits.
#pragma once

#include "platform/base/types.h"
#include "platform/ole/oledata.h"
#include "platform/window/wnd.h"

class COleDropTarget {
public:
    COleDropTarget();
    // Revokes a live registration.
    virtual ~COleDropTarget();
    COleDropTarget(const COleDropTarget&) = delete;
    COleDropTarget& operator=(const COleDropTarget&) = delete;

    // Makes this the drop target of `wnd`'s window. FALSE when the window does
    // not exist, this target is registered already, or the window has another
    // target.
    BOOL Register(CWnd* wnd);
    // Ends the registration (nothing when there is none).
    virtual void Revoke();
    // The window registered for, or null.
    HWND GetRegisteredWindow() const { return m_hWnd; }

    // The answers of the target; by default nothing is accepted.
    virtual DROPEFFECT OnDragEnter(CWnd* wnd, COleDataObject* data, DWORD keyState, CPoint point);
    virtual DROPEFFECT OnDragOver(CWnd* wnd, COleDataObject* data, DWORD keyState, CPoint point);
    virtual void OnDragLeave(CWnd* wnd);
    // Asked before OnDragOver; an answer with DROPEFFECT_SCROLL is taken instead
    // of asking OnDragOver. By default: DROPEFFECT_NONE.
    virtual DROPEFFECT OnDragScroll(CWnd* wnd, DWORD keyState, CPoint point);
    // Asked first on a drop; (DROPEFFECT)-1 (the default) means "ask OnDrop".
    virtual DROPEFFECT OnDropEx(CWnd* wnd, COleDataObject* data, DROPEFFECT dropDefault,
                                DROPEFFECT dropList, CPoint point);
    virtual BOOL OnDrop(CWnd* wnd, COleDataObject* data, DROPEFFECT dropEffect, CPoint point);

    // The registered target of a window (null when none).
    static COleDropTarget* FromWindow(HWND hwnd);

private:
    HWND m_hWnd = nullptr;
};

// Runs a drag of `data` until the left button is released or Escape is pressed,
// handling the mouse and keyboard itself (a window holding the capture loses it
// first, with WM_CAPTURECHANGED). The effect each target answers is limited to
// `allowed`. Returns the effect of the drop, or DROPEFFECT_NONE when the drag was
// cancelled, ended over no target, or the target refused the drop. A drag that
// starts while another runs returns DROPEFFECT_NONE at once.
DROPEFFECT DoDragLoop(COleDataObject* data, DROPEFFECT allowed);
// Whether a drag loop is running.
bool IsDragLoopRunning();
