#include "grid/grid_drop_target.h"

#include "grid/grid_ctrl_base.h"

namespace {
bool g_registering = false;

HWND HandleOf(const CWnd* wnd) { return wnd ? wnd->GetSafeHwnd() : nullptr; }
}  // namespace

CGridDropTarget::CGridDropTarget() = default;

CGridDropTarget::~CGridDropTarget() { CGridDropTarget::Revoke(); }

BOOL CGridDropTarget::Register(CGridCtrlBase* grid) {
    if (g_registering) return FALSE;
    g_registering = true;
    if (grid) {
        m_pGridCtrl = grid;
        m_bRegistered = COleDropTarget::Register(grid);
    }
    g_registering = false;
    return m_bRegistered;
}

void CGridDropTarget::Revoke() {
    m_bRegistered = FALSE;
    COleDropTarget::Revoke();
}

CGridCtrlBase* CGridDropTarget::GridFor(CWnd* wnd) const {
    return HandleOf(wnd) == HandleOf(m_pGridCtrl) ? m_pGridCtrl : nullptr;
}

DROPEFFECT CGridDropTarget::OnDragEnter(CWnd* wnd, COleDataObject* data, DWORD keyState, CPoint point) {
    CGridCtrlBase* grid = GridFor(wnd);
    return grid ? grid->OnDragEnter(data, keyState, point) : DROPEFFECT_NONE;
}

DROPEFFECT CGridDropTarget::OnDragOver(CWnd* wnd, COleDataObject* data, DWORD keyState, CPoint point) {
    CGridCtrlBase* grid = GridFor(wnd);
    return grid ? grid->OnDragOver(data, keyState, point) : DROPEFFECT_NONE;
}

void CGridDropTarget::OnDragLeave(CWnd* wnd) {
    if (CGridCtrlBase* grid = GridFor(wnd)) grid->OnDragLeave();
}

BOOL CGridDropTarget::OnDrop(CWnd* wnd, COleDataObject* data, DROPEFFECT dropEffect, CPoint point) {
    CGridCtrlBase* grid = GridFor(wnd);
    return grid ? grid->OnDrop(data, dropEffect, point) : FALSE;
}

DROPEFFECT CGridDropTarget::OnDragScroll(CWnd*, DWORD keyState, CPoint) {
    return (keyState & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
}
