// The abstract grid cell: state bits, merge bookkeeping, drawing, measuring and
// printing of one cell of the grid. Attributes that a cell does not set for
// itself (format, margin, font, colours) come from one of the grid's four
// default cells, chosen by the cell's fixed-row and fixed-column bits.
#pragma once

#include "grid/cell_id.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/gdi.h"
#include "platform/base/object.h"
#include "platform/window/wnd.h"

class CGridCtrlBase;
class CGridDefaultCell;

// The grey that a colour's text prints as on a two-colour printer: its
// brightness (0.3 red + 0.59 green + 0.11 blue) in all three channels.
COLORREF PrintGrey(COLORREF colour);

class CGridCellBase : public CObject {
    DECLARE_DYNAMIC(CGridCellBase)
public:
    CGridCellBase();
    ~CGridCellBase() override;

    // ---- attributes ----
    virtual void SetText(LPCTSTR text) = 0;
    virtual void SetImage(int image) = 0;
    virtual void SetData(LPARAM data) = 0;
    virtual void SetState(DWORD state) { m_nState = state; }
    virtual void SetFormat(DWORD format) = 0;
    virtual void SetTextClr(COLORREF colour) = 0;
    virtual void SetBackClr(COLORREF colour) = 0;
    virtual void SetFont(const LOGFONTW* font) = 0;
    virtual void SetMargin(UINT margin) = 0;
    virtual void SetGrid(CGridCtrlBase* grid) = 0;
    virtual void SetCoords(int row, int col) = 0;

    virtual LPCTSTR GetText() const = 0;
    virtual LPCTSTR GetTipText() const { return GetText(); }
    virtual int GetImage() const = 0;
    virtual LPARAM GetData() const = 0;
    virtual DWORD GetState() const { return m_nState; }
    virtual DWORD GetFormat() const = 0;
    virtual COLORREF GetTextClr() const = 0;
    virtual COLORREF GetBackClr() const = 0;
    virtual const LOGFONTW* GetFont() const = 0;
    virtual CFont* GetFontObject() const = 0;
    virtual CGridCtrlBase* GetGrid() const = 0;
    virtual CWnd* GetEditWnd() const = 0;
    virtual UINT GetMargin() const = 0;

    // The grid's default cell for this cell's fixed-row and fixed-column bits;
    // null without a grid.
    virtual CGridDefaultCell* GetDefaultCell() const;

    virtual BOOL IsDefaultFont() const = 0;
    virtual BOOL IsEditing() const = 0;
    virtual BOOL IsFocused() const { return GetState() & CIS_FOCUSED; }
    virtual BOOL IsFixed() const { return GetState() & CIS_FIXED; }
    virtual BOOL IsFixedCol() const { return GetState() & CIS_FIXEDCOL; }
    virtual BOOL IsFixedRow() const { return GetState() & CIS_FIXEDROW; }
    virtual BOOL IsSelected() const { return GetState() & CIS_SELECTED; }
    virtual BOOL IsReadOnly() const { return GetState() & CIS_READONLY; }
    virtual BOOL IsModified() const { return GetState() & CIS_MODIFIED; }
    virtual BOOL IsDropHighlighted() const { return GetState() & CIS_DROPHILITED; }

    // ---- copying and resetting ----
    // Copies every attribute of `source` through the setters (nothing when it is
    // this cell).
    virtual void Assign(const CGridCellBase& source);
    // Back to the constructed values (the edge style stays).
    virtual void Reset();

    // ---- drawing and measuring ----
    // Draws the cell in `rect` (inclusive right and bottom); `erase` fills the
    // background (a cell with its own back colour is always filled). FALSE when
    // the cell has no grid or default cell, there is no context, or the
    // rectangle is empty.
    virtual BOOL Draw(CDC* pDC, int row, int col, CRect rect, BOOL erase = TRUE);
    virtual BOOL GetTextRect(LPRECT rect);
    virtual BOOL GetTipTextRect(LPRECT rect) { return GetTextRect(rect); }
    virtual CSize GetTextExtent(LPCTSTR text, CDC* pDC = nullptr);
    virtual CSize GetCellExtent(CDC* pDC);

    // ---- editing ----
    virtual BOOL Edit(int /*row*/, int /*col*/, CRect /*rect*/, CPoint /*point*/, UINT /*id*/, UINT /*ch*/) { return FALSE; }
    virtual BOOL ValidateEdit(LPCTSTR /*text*/) { return TRUE; }
    virtual void EndEdit() {}

    // ---- printing ----
    virtual BOOL PrintCell(CDC* pDC, int row, int col, CRect rect);

    // ---- events from the grid ----
    virtual void OnEndEdit() {}
    virtual void OnMouseEnter() {}
    virtual void OnMouseOver() {}
    virtual void OnMouseLeave() {}
    // Points are relative to the cell's top-left.
    virtual void OnClick(CPoint /*point*/) {}
    virtual void OnClickDown(CPoint /*point*/) {}
    virtual void OnRClick(CPoint /*point*/) {}
    virtual void OnDblClick(CPoint /*point*/) {}
    virtual BOOL OnSetCursor();

    // ---- merging and hiding ----
    virtual BOOL IsShown() const { return !m_bHide; }
    virtual CellRange GetMergeRange() const { return m_MergeRange; }
    virtual BOOL IsCovered() const { return m_bMergeWithOthers; }
    virtual CCellID GetMergeOwner() const { return m_MergeCellID; }
    virtual void SetMergeOwner(CCellID owner) {
        m_MergeCellID = owner;
        m_bMergeWithOthers = owner.row != -1;
    }
    // The block this cell heads; whether it is hidden.
    void SetMergeRange(const CellRange& range) { m_MergeRange = range; }
    void SetShown(BOOL shown) { m_bHide = !shown; }
    // How a fixed cell draws its edges (TRUE: 3-D lines, FALSE: a flat frame in
    // `border`); the grid sets both before it draws the cell.
    void SetEdgeStyle(BOOL edge, COLORREF border) {
        m_bCellEdge = edge;
        m_crBorder = border;
    }
    BOOL GetEdgeStyle() const { return m_bCellEdge; }

protected:
    // The image of the grid's image list that this cell shows: its rectangle,
    // or FALSE when there is none.
    BOOL GetImageRect(RECT* rect) const;
    // Draws a fixed cell's edges in `rect` (Draw's step for headers).
    void DrawFixedEdges(CDC* pDC, CRect& rect, BOOL highlighted);

    DWORD m_nState = 0;
    CellRange m_MergeRange;
    bool m_bMergeWithOthers = false;
    CCellID m_MergeCellID;
    bool m_bHide = false;
    BOOL m_bCellEdge = TRUE;
    COLORREF m_crBorder = RGB(192, 192, 192);
};
