// The grid's drop target: registered for the grid's window, it passes each drag
// event that concerns that window on to the grid's own drag operations, and
// answers DROPEFFECT_NONE (or does nothing) for any other window.
#pragma once

#include "platform/ole/droptarget.h"
#include "platform/base/object.h"

class CGridCtrlBase;

class CGridDropTarget : public COleDropTarget {
public:
    CGridDropTarget();
    ~CGridDropTarget() override;

    // Registers the grid's window; TRUE when registered. A nested call (from
    // inside a registration) does nothing.
    BOOL Register(CGridCtrlBase* grid);
    void Revoke() override;

    DROPEFFECT OnDragEnter(CWnd* wnd, COleDataObject* data, DWORD keyState, CPoint point) override;
    DROPEFFECT OnDragOver(CWnd* wnd, COleDataObject* data, DWORD keyState, CPoint point) override;
    void OnDragLeave(CWnd* wnd) override;
    BOOL OnDrop(CWnd* wnd, COleDataObject* data, DROPEFFECT dropEffect, CPoint point) override;
    // DROPEFFECT_COPY with Ctrl held, else DROPEFFECT_MOVE; it never scrolls.
    DROPEFFECT OnDragScroll(CWnd* wnd, DWORD keyState, CPoint point) override;

    CGridCtrlBase* m_pGridCtrl = nullptr;
    BOOL m_bRegistered = FALSE;

private:
    // The grid when `wnd` is the grid's window, else null.
    CGridCtrlBase* GridFor(CWnd* wnd) const;
};
