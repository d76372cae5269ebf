// The grid window: a child window that owns a rectangular table of cell objects
// with fixed (header) rows at the top and fixed columns at the left, the row
// heights and column widths, four default cells for attributes that a cell does
// not set, the focus cell and the selection, the title tip and the drop target.
//
// Geometry is in client pixels; rectangles that the grid returns have inclusive
// right and bottom edges. A row or column of size 0 is hidden: it takes no
// pixels and is skipped by drawing and scrolling. Column widths are reached
// through the column order. The scroll bars scroll only the non-fixed rows and
// columns, by pixels. The grid reports to its owner (or parent) by WM_NOTIFY
// with the GRIDN_ and NM_ codes below.
#pragma once

#include <cstdint>
#include <vector>

#include "grid/cell_map.h"
#include "grid/grid_ctrl_base.h"
#include "grid/grid_drop_target.h"
#include "grid/grid_sums.h"
#include "grid/title_tip.h"
#include "platform/gdi/imagelist.h"
#include "platform/window/cmd_ui.h"
#include "platform/ole/oledata.h"

// Notification codes of the grid (WM_NOTIFY's code).
constexpr UINT NM_CLICK = UINT(-2);
constexpr UINT NM_DBLCLK = UINT(-3);
constexpr UINT NM_RCLICK = UINT(-5);
constexpr UINT NM_KILLFOCUS = UINT(-8);
constexpr UINT GRIDN_SELCHANGING = UINT(-100);
constexpr UINT GRIDN_SELCHANGED = UINT(-101);
constexpr UINT GRIDN_BEGINDRAG = UINT(-109);
constexpr UINT GRIDN_ODCACHEHINT = UINT(-113);
constexpr UINT GRIDN_BEGINLABELEDIT = UINT(-175);

// Commands the grid answers.
constexpr UINT ID_EDIT_COPY = 57634;
constexpr UINT ID_EDIT_CUT = 57635;
constexpr UINT ID_EDIT_PASTE = 57637;
constexpr UINT ID_EDIT_SELECT_ALL = 57642;

// Auto-size styles (bits): which rows a column's width is measured over.
constexpr int kAutoSizeFixedRows = 1;  // the fixed (header) rows
constexpr int kAutoSizeOtherRows = 2;  // the other rows
constexpr int kAutoSizeAllRows = kAutoSizeFixedRows | kAutoSizeOtherRows;

// Grid-line modes (bits): which lines between cells are drawn.
constexpr int kGridLinesNone = 0;
constexpr int kGridLinesHorizontal = 1;
constexpr int kGridLinesVertical = 2;
constexpr int kGridLinesBoth = kGridLinesHorizontal | kGridLinesVertical;

// The auto-scroll timer's id.
constexpr UINT_PTR kGridAutoScrollTimer = 513;
// The control id of a cell's in-place edit.
constexpr UINT kInPlaceEditId = 8;

// What every notification but the cache hint and the item exchanges carries.
struct GridNotifyInfo {
    NMHDR hdr;
    int iRow = -1;
    int iColumn = -1;
};

// GRIDN_ODCACHEHINT: the cells the grid is about to read (all -1 afterwards).
struct GridCacheHint {
    NMHDR hdr;
    CellRange range;
};

// Virtual-mode sorting: compares two rows' data.
using PFNLVCOMPARE = int (*)(LPARAM, LPARAM, LPARAM);


// A print job's page information (platform/gdi/printer_dc.h).
struct CPrintInfo;

class CGridCtrl : public CGridCtrlBase {
public:
    CGridCtrl();
    ~CGridCtrl() override;
    // Dynamic creation: a new grid made with the default constructor.
    static CGridCtrl* CreateObject() { return new CGridCtrl; }

    // The window class name: "GridCtrlWindow".
    static const char16_t* const kWindowClass;
    // Registers the grid's window class once; TRUE.
    static BOOL RegisterWindowClass();

    // A window that a dialog template made is bound to this object: it gets its
    // client edge and the title tip its parent.
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // ---- counts ----
    // Each returns TRUE also when nothing changes; a negative count is refused
    // (FALSE, nothing changes).
    BOOL SetRowCount(int nRows = 10);
    BOOL SetColumnCount(int nCols = 10);
    BOOL SetFixedRowCount(int nFixedRows = 1);
    BOOL SetFixedColumnCount(int nFixedCols = 1);

    // ---- cells ----
    virtual CGridCellBase* CreateCell(int nRow, int nCol);
    virtual void DestroyCell(int nRow, int nCol);
    // Empties the grid: no rows, no columns, no selection.
    void DeleteAllCells();
    // Virtual mode: renumbers the row order after a row was inserted (delta > 0)
    // or removed at nRow.
    virtual void ShiftRowOrder(int nRow, int nDelta);
    // Which class new cells are made of (null: CGridCell).
    void SetDefaultCellType(const CRuntimeClass* cls);

    // ---- items ----
    BOOL SetItem(const CellItem* pItem);
    BOOL SetItemText(int nRow, int nCol, LPCTSTR text);
    CString GetItemText(int nRow, int nCol) const;
    // Changes a cell's state and keeps the selected-cell map in step.
    BOOL SetItemState(int nRow, int nCol, UINT state);
    UINT GetItemState(int nRow, int nCol) const;
    BOOL IsCellEditable(const CCellID& cell) const;
    BOOL IsCellEditable(int nRow, int nCol) const { return IsCellEditable(CCellID(nRow, nCol)); }
    // Marks a cell (and the grid) modified; a change in the sort column ends the sort.
    void SetModified(int nRow = -1, int nCol = -1);
    BOOL GetModified() const { return m_bModified; }
    CCellID GetOwnerCellID(int nRow, int nCol) const;

    // ---- sizes ----
    int GetRowHeight(int nRow) const;
    int GetColumnWidth(int nCol) const;
    BOOL SetRowHeight(int nRow, int height);
    BOOL SetColumnWidth(int nCol, int width);
    int GetFixedRowHeight() const;
    int GetFixedColumnWidth() const;
    // Sums over all rows or columns, clamped to the int range.
    int GetVirtualHeight() const;
    int GetVirtualWidth() const;
    // Sums of the heights of rows [first, last) and the widths of columns
    // [first, last), in 64 bits.
    long long RowSpan(int first, int last) const;
    long long ColumnSpan(int first, int last) const;
    int GetMergedRowHeight(int nRow, int nCol) const;
    int GetMergedColumnWidth(int nRow, int nCol) const;
    BOOL AutoSizeColumn(int nCol, int nStyle = 0, BOOL bResetScroll = TRUE);
    BOOL AutoSizeRow(int nRow);
    void AutoSizeColumns();

    // ---- scrolling ----
    void ResetScrollBars();
    int GetScrollPosition(int nBar) const;
    void SetScrollPosition(int nBar, int nPos);
    void EnsureVisible(int nRow, int nCol);
    void EnsureVisible(const CCellID& cell) { EnsureVisible(cell.row, cell.col); }

    // ---- drawing and geometry ----
    virtual void OnDraw(CDC* pDC);
    void EraseBackground(CDC* pDC);
    void DrawCell(CDC* pDC, CRect rect, int nRow, int nCol);
    BOOL RepaintCell(int nRow, int nCol, CDC* pDC = nullptr);
    BOOL InvalidateCellRect(int nRow, int nCol);
    BOOL IsCellInGrid(const CCellID& cell) const;
    BOOL IsCellInGrid(int nRow, int nCol) const { return IsCellInGrid(CCellID(nRow, nCol)); }
    BOOL IsCellVisible(int nRow, int nCol);
    BOOL GetCellOrigin(int nRow, int nCol, LPPOINT p);
    BOOL GetCellRect(int nRow, int nCol, LPRECT pRect);
    BOOL GetCellRangeRect(const CellRange* range, LPRECT pRect);
    CCellID GetCellFromPt(CPoint pt, BOOL bAllowFixed = TRUE) override;
    CCellID GetTopLeftScrollCell();
    CellRange GetVisibleScrollRange(LPRECT pRect = nullptr);
    BOOL IsOverRowDivider(CPoint pt);
    BOOL IsOverColumnDivider(CPoint pt);
    CellRange GetSelectionBounds() const;
    void ResetSelectedRange();

    // ---- focus, selection and notifications ----
    CCellID SetFocusCell(CCellID cell);
    CCellID SetFocusCell(int nRow, int nCol) { return SetFocusCell(CCellID(nRow, nCol)); }
    void SetSelectedRange(int minRow, int minCol, int maxRow, int maxCol, BOOL forceRepaint = FALSE,
                          BOOL selectCells = TRUE);
    void SetSelectedRange(const CellRange& range, BOOL forceRepaint = FALSE, BOOL selectCells = TRUE) {
        SetSelectedRange(range.minRow, range.minCol, range.maxRow, range.maxCol, forceRepaint, selectCells);
    }
    void SelectAllCells();
    void SelectRows(BOOL forceRepaint, BOOL selectCells, CCellID cell);
    void SelectCells(BOOL forceRepaint, BOOL selectCells, CCellID cell);
    // Selection by the current mouse mode (1 to 4).
    void OnSelecting(const CCellID& cell);
    BOOL IsCellSelected(int nRow, int nCol) const override;
    BOOL IsCellSelected(const CCellID& cell) const { return IsCellSelected(cell.row, cell.col); }
    LRESULT SendMessageToParent(int nRow, int nCol, int code) const;
    LRESULT SendCacheHintToParent(const CellRange& range) const;
    // The number of selected cells.
    size_t GetSelectedCount() const { return m_mapSelected.size(); }
    virtual void OnEditSelectAll();
    BOOL CanSelectAll() const { return m_bSelectionEnabled; }

    // ---- editing (the mouse and keyboard start and end edits) ----
    virtual BOOL ValidateEdit(int nRow, int nCol, LPCTSTR text);
    virtual void EndEditing();
    // Opens the cell's editor (point: where it was clicked, or (-1, -1); ch: the
    // key that started the edit, VK_LBUTTON for a click).
    virtual void OnEditCell(int nRow, int nCol, CPoint point, UINT ch);
    // Takes the text an editor ended with.
    virtual void OnEndEditCell(int nRow, int nCol, CString text);
    // A point relative to the cell's top-left; (0, 0) when the cell has no origin.
    CPoint GetCellRelativePoint(int nRow, int nCol, CPoint point);
    // Clicks on header cells.
    virtual void OnFixedColumnClick(CCellID& cell);
    virtual void OnFixedRowClick(CCellID& cell);

    // ---- sorting (grid_ctrl_sort.cpp) ----
    // Redraws the old and new sort column's header.
    void SetSortColumn(int nCol);
    // Sorts the non-fixed rows by a column: with the owner's compare function
    // when set, else by text. FALSE when nothing could be sorted.
    BOOL SortItems(int nCol, BOOL bAscending);
    BOOL SortWithCompare(PFNLVCOMPARE pfnCompare, int nCol, BOOL bAscending);
    // Sorts rows [low, high] (high -1: the last row).
    BOOL SortRange(PFNLVCOMPARE pfnCompare, int nCol, BOOL bAscending, int low, int high);
    // Compares two cells' texts code unit by code unit.
    static int CompareByText(LPARAM cell1, LPARAM cell2, LPARAM unused);
    // Virtual mode, descending: the virtual compare function with its rows swapped.
    static bool CompareDescending(int row1, int row2);
    void SetCompareFunction(PFNLVCOMPARE pfnCompare) { m_pfnCompare = pfnCompare; }
    void SetVirtualCompare(bool (*pfnCompare)(int, int)) { m_pfnVirtualCompare = pfnCompare; }

    // ---- clipboard and drag and drop (grid_ctrl_clipboard.cpp) ----
    // Changes a cell's text as the user would, with the edit notifications.
    void SetCellTextByUser(int nRow, int nCol, LPCTSTR text);
    virtual void CutSelectedText();
    // The selection as tab-separated ANSI text, or null; the caller owns it.
    virtual COleDataSource* CopyTextFromGrid();
    virtual BOOL PasteTextToGrid(CCellID cell, COleDataObject* pDataObject, BOOL bSelectPastedCells = TRUE);
    virtual void OnBeginDrag();
    DROPEFFECT OnDragEnter(COleDataObject* pDataObject, DWORD dwKeyState, CPoint point) override;
    DROPEFFECT OnDragOver(COleDataObject* pDataObject, DWORD dwKeyState, CPoint point) override;
    void OnDragLeave() override;
    BOOL OnDrop(COleDataObject* pDataObject, DROPEFFECT dropEffect, CPoint point) override;
    virtual void OnEditCut();
    virtual void OnEditCopy();
    virtual void OnEditPaste();
    void OnUpdateEditCut(CCmdUI* pCmdUI);
    void OnUpdateEditCopy(CCmdUI* pCmdUI);
    void OnUpdateEditPaste(CCmdUI* pCmdUI);
    void OnUpdateEditSelectAll(CCmdUI* pCmdUI);
    // A picture of the focus cell for dragging; the caller owns it.
    virtual CImageList* CreateDragImage(CPoint* pHotSpot);
    // Invalidates the whole client area.
    void Refresh();

    // ---- mouse and keyboard (grid_ctrl_mouse.cpp, grid_ctrl_keys.cpp) ----
    void OnMouseMove(UINT nFlags, CPoint point);
    void OnLButtonDown(UINT nFlags, CPoint point);
    void OnLButtonUp(UINT nFlags, CPoint point);
    void OnLButtonDblClk(UINT nFlags, CPoint point);
    LRESULT OnRButtonUp(UINT nFlags, CPoint point);
    BOOL OnMouseWheel(UINT nFlags, short zDelta, CPoint pt);
    void OnEndInPlaceEdit(NMHDR* pNotifyStruct, LRESULT* pResult);
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    LRESULT OnImeChar(WPARAM wCharCode, LPARAM lParam);
    // An input method's composition starts on the grid; where its windows go.
    void OnImeStartComposition();
    LRESULT OnImeRequest(WPARAM request, LPARAM lParam);
    UINT OnGetDlgCode();
    void OnTimer(UINT_PTR nIDEvent);
    void OnCaptureChanged(CWnd* pWnd);
    void OnKillFocus(CWnd* pNewWnd);
    // The input messages above, and the edit commands; FALSE for any other message.
    BOOL HandleInputMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

    // ---- printing (grid_ctrl_print.cpp) ----
    // The printing protocol: begin measures and paginates, print draws page
    // pInfo->m_nCurPage, end cleans up. Null arguments do nothing.
    virtual void OnBeginPrinting(CDC* pDC, CPrintInfo* pInfo);
    virtual void OnPrint(CDC* pDC, CPrintInfo* pInfo);
    virtual void OnEndPrinting(CDC* pDC, CPrintInfo* pInfo);
    // The cells of `nRow` over columns [nFirstCol, nLastCol], from the left of
    // `rect` (its top and bottom are the row's), with their grid lines.
    virtual void PrintRowCells(CDC* pDC, int nRow, int nFirstCol, int nLastCol, CRect rect, BOOL firstPrintedRow);
    virtual void PrintFixedRows(CDC* pDC, CPrintInfo* pInfo);
    virtual void PrintHeader(CDC* pDC, CPrintInfo* pInfo);
    virtual void PrintFooter(CDC* pDC, CPrintInfo* pInfo);
    virtual void PrintFixedColumns(CDC* pDC, CPrintInfo* pInfo);

    // ---- message handlers ----
    void OnPaint();
    void OnHScroll(UINT nSBCode, UINT nPos);
    void OnVScroll(UINT nSBCode, UINT nPos);
    void OnSize(UINT nType, int cx, int cy);
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    void OnSysColorChange();
    LRESULT OnSetFont(WPARAM hFont, LPARAM lParam);
    LRESULT OnGetFont();

    // ---- fields (the owner writes the options directly) ----
    COLORREF m_crOutsideBack;
    COLORREF m_crTipBack = CLR_DEFAULT;
    COLORREF m_crTipText = CLR_DEFAULT;
    BOOL m_bModified = FALSE;
    BOOL m_bDragDropEnabled = FALSE;
    BOOL m_bListMode = FALSE;
    BOOL m_bSingleRowSelection = FALSE;
    BOOL m_bSingleColumnSelection = FALSE;
    BOOL m_bRedrawEnabled = TRUE;
    BOOL m_bSelectionEnabled = TRUE;
    BOOL m_bFixedColumnClickSelects = TRUE;
    BOOL m_bFixedRowClickSelects = TRUE;
    BOOL m_bFixedRowClickSorts = FALSE;
    BOOL m_bTabKeyHandled = TRUE;
    BOOL m_bDoubleBuffer = TRUE;
    BOOL m_bTitleTips = TRUE;
    int m_nScrollBarsShown = 0;  // 1: horizontal bar shown, 2: vertical bar shown
    BOOL m_bPrintOption = FALSE;  // TRUE: screen proportions, wide grids over several pages across
    // Printing state (set by OnBeginPrinting; sizes in the grid's units unless said).
    CFont m_PrinterFont;
    CSize m_CharSize{0, 0};          // average character of the print font on the printer
    CSize m_LogicalPageSize{0, 0};
    CSize m_PaperSize{0, 0};         // HORZRES, VERTRES of the printer
    int m_nPageBodyHeight = 0;       // left for the non-fixed rows
    int m_nPageBodyWidth = 0;        // left for the non-fixed columns
    int m_nPagesAcross = 1;
    int m_nPageCount = 1;            // 0: the printer's values leave nothing to print
    int m_nCurrPrintRow = 0;
    int m_nCurrPrintCol = 0;
    int m_nHeaderHeight = 2;         // character lines
    int m_nFooterHeight = 2;
    int m_nLeftMargin = 4;           // character widths
    int m_nRightMargin = 4;
    int m_nGap = 1;                  // character lines around the grid
    BOOL m_bResizeHiddenColumns = TRUE;
    BOOL m_bResizeHiddenRows = TRUE;
    BOOL m_bColumnsMayVanish = TRUE;
    BOOL m_bRowsMayVanish = TRUE;
    int m_nAutoSizeStyle = kAutoSizeAllRows;
    SizeArray m_arRowHeights;
    SizeArray m_arColumnWidths;  // indexed through m_vecColumnOrder
    int m_nVScrollMax = 0;
    int m_nHScrollMax = 0;
    const CRuntimeClass* m_pCellClass;
    CFont m_font;
    BOOL m_bLeftButtonDown = FALSE;
    BOOL m_bRightButtonDown = FALSE;
    CPoint m_ptLeftClickDown;
    CPoint m_ptLastMouse;
    int m_nMouseMode = 0;
    CCellID m_idLeftClickDown;
    CCellID m_idSelectionStart;
    CCellID m_idTopLeftCache;
    UINT_PTR m_nAutoScrollTimer = 0;
    int m_nAutoScrollInterval = 25;
    int m_nResizeCaptureRange = 3;
    BOOL m_bRowsResizable = TRUE;
    BOOL m_bColumnsResizable = TRUE;
    int m_nWheelLines = 3;  // -1: a page per notch
    CellMap m_mapSelected;
    CellMap m_mapPrevSelected;
    CTitleTip m_titleTip;
    CCellID m_idDropHighlight;
    CGridDropTarget m_dropTarget;
    PFNLVCOMPARE m_pfnCompare = nullptr;
    int m_nCurrentColumn = -1;
    bool m_bRowDragging = true;
    int m_nDraggedRow = -1;
    bool (*m_pfnVirtualCompare)(int, int) = nullptr;
    bool m_bColumnDragging = false;
    bool m_bTabMovesFocus = false;
    bool m_bFixedColumnsSelectable = false;

    // The key of a cell in the selected-cell maps.
    static std::uint64_t CellKey(int row, int col) { return CellMap::KeyOf(row, col); }

private:
    // Invalidates the whole window when it exists and redrawing is on.
    void InvalidateAll();
    // Sets the state bits of the cells of rows [r0, r1) and columns [c0, c1):
    // adds `add`, removes `remove`; `resetColours` sets both colours back to the
    // default.
    void ChangeStates(int r0, int r1, int c0, int c1, UINT add, UINT remove, bool resetColours);
    // The slot of a new cell at (nRow, nCol): an untouched cell (grid_row.h)
    // when the cell would be a plain cell holding nothing yet, else the object
    // CreateCell makes.
    CellSlot NewSlot(int nRow, int nCol);
    // Stores a cell's state, leaving the selected-cell map to the caller.
    BOOL StoreState(int nRow, int nCol, UINT state);
    // The state of the cell in a slot (0 without a cell).
    static UINT SlotState(const CellSlot& slot);
    // The cell object stored at (nRow, nCol); null for an untouched cell.
    CGridCellBase* StoredCell(int nRow, int nCol) const;
    // The cell at (nRow, nCol) if it can be editing: the stored object (an
    // untouched cell never is), or in virtual mode the owner's cell.
    CGridCellBase* EditableCell(int nRow, int nCol) const;
    // The rows [first, last] measured for a column's width.
    BOOL MeasureColumn(int nCol, int nStyle);
    // The logical width the printed footer's page number and date need side
    // by side, in the bold print font on pDC.
    int FooterTextsWidth(CDC* pDC) const;
    void HideTitleTip();
    // A scroll-bar message on either bar.
    void OnScroll(int bar, UINT code);
    // The quicksort of SortRange over rows [low, high]: keyAt(row) gives a
    // row's key, compare(a, b) orders two keys as the compare function does.
    template <typename KeyAt, typename Compare, typename SwapRows>
    void QuickSortRows(const Compare& compare, BOOL bAscending, int low, int high, const KeyAt& keyAt,
                       const SwapRows& swapRows);
    // A cell's origin in 64 bits (GetCellOrigin without the cut to int).
    bool CellOrigin(int nRow, int nCol, long long* x, long long* y);
    // The top-left cache's row, and where it starts in pixels past the fixed
    // rows: a line scroll from a row that starts at the position moves the
    // cache by a row instead of searching again.
    void KeepTopRow(int row, long long start);
    int m_nTopRowKept = -1;
    long long m_nTopRowStart = 0;
    // After a row (or column) moved from `from` to `to`, the selection maps, the
    // focus and the selection's start follow the cells that moved.
    void FollowMove(bool rows, int from, int to);
    // Ends the in-place edit open over the grid when its cell lies in `cells`,
    // which a change is about to move or remove: the text goes into the cell
    // it was typed for while that cell is still where the edit shows it, and
    // the cell is no longer marked as being edited. Every change that moves or
    // removes cells calls it first.
    void EndEditIn(const CellRange& cells);
    // How often a change moved or removed a cell while its edit's end was being
    // reported (an owner that changes the grid as it hears the end): the end
    // then writes nothing more to the place the cell had.
    unsigned m_nEditsOverrun = 0;
};
