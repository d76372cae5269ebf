// The standard text cell and the default-attribute cell.
//
// CGridCell keeps its own text, data and image, and optional format, colours,
// font and margin; an attribute left at its marker (format and margin
// 0xFFFFFFFF, colours CLR_DEFAULT, no font record) is taken from the grid's
// default cell when used. CGridDefaultCell is such an attribute source: it also
// owns a font object made from its font and the default column width and row
// height measured with it, and it is always read-only.
#pragma once

#include <memory>

#include "grid/grid_cell_base.h"
#include "platform/gdi/imagelist.h"

constexpr DWORD kCellFormatDefault = 0xFFFFFFFF;
constexpr UINT kCellMarginDefault = 0xFFFFFFFF;

class CGridCell : public CGridCellBase {
    DECLARE_DYNCREATE(CGridCell)
public:
    CGridCell();
    ~CGridCell() override;

    void SetText(LPCTSTR text) override { m_strText = text ? text : u""; }
    void SetImage(int image) override { m_nImage = image; }
    void SetData(LPARAM data) override { m_lParam = data; }
    void SetFormat(DWORD format) override { m_nFormat = format; }
    void SetTextClr(COLORREF colour) override { m_crFgClr = colour; }
    void SetBackClr(COLORREF colour) override { m_crBkClr = colour; }
    // Null: follow the default cell's font again; otherwise a copy of the record.
    void SetFont(const LOGFONTW* font) override;
    void SetMargin(UINT margin) override { m_nMargin = margin; }
    void SetGrid(CGridCtrlBase* grid) override { m_pGrid = grid; }
    void SetCoords(int, int) override {}

    LPCTSTR GetText() const override { return m_strText.c_str(); }
    int GetImage() const override { return m_nImage; }
    LPARAM GetData() const override { return m_lParam; }
    DWORD GetFormat() const override;
    COLORREF GetTextClr() const override { return m_crFgClr; }
    COLORREF GetBackClr() const override { return m_crBkClr; }
    const LOGFONTW* GetFont() const override;
    // With a font of its own: the one font object that every such cell shares,
    // made anew from this cell's font at each call (a pointer got earlier then
    // stands for the newer font).
    CFont* GetFontObject() const override;
    CGridCtrlBase* GetGrid() const override { return m_pGrid; }
    // The open in-place edit, or null (also when it has gone away by itself).
    CWnd* GetEditWnd() const override;
    UINT GetMargin() const override;

    BOOL IsDefaultFont() const override { return m_plfFont == nullptr; }
    BOOL IsEditing() const override { return m_bEditing; }

    void Reset() override;

    // Whether this cell holds nothing but what a new one holds, apart from its
    // grid, state and a format of its own (a cell the grid may keep in brief).
    bool HoldsOnlyFormat() const;

    // Opens an in-place edit over the cell, or passes `ch` on to the one open.
    BOOL Edit(int row, int col, CRect rect, CPoint point, UINT id, UINT ch) override;
    // Tells the open in-place edit to end (nothing when it has gone).
    void EndEdit() override;
    void OnEndEdit() override;

protected:
    CString m_strText;
    LPARAM m_lParam = 0;
    int m_nImage = -1;
    DWORD m_nFormat = kCellFormatDefault;
    COLORREF m_crFgClr = CLR_DEFAULT;
    COLORREF m_crBkClr = CLR_DEFAULT;
    std::unique_ptr<LOGFONTW> m_plfFont;
    UINT m_nMargin = kCellMarginDefault;
    BOOL m_bEditing = FALSE;
    CGridCtrlBase* m_pGrid = nullptr;
    // The edit box deletes itself when it closes: it is kept by handle, which
    // never names another window once it is gone.
    HWND m_hEditWnd = nullptr;
};

class CGridDefaultCell : public CGridCell {
    DECLARE_DYNCREATE(CGridDefaultCell)
public:
    // Format 0x8824, default colours, and the system's message-box font.
    CGridDefaultCell();
    ~CGridDefaultCell() override;

    void SetData(LPARAM) override {}
    void SetState(DWORD) override {}
    DWORD GetState() const override { return CGridCell::GetState() | CIS_READONLY; }
    // Null changes nothing; otherwise the font object is made anew and the
    // margin, width and height are measured with it.
    void SetFont(const LOGFONTW* font) override;
    const LOGFONTW* GetFont() const override { return m_plfFont.get(); }
    CFont* GetFontObject() const override;

    virtual DWORD GetStyle() const { return m_dwStyle; }
    virtual void SetStyle(DWORD style) { m_dwStyle = style; }
    virtual int GetWidth() const { return m_Size.cx; }
    virtual int GetHeight() const { return m_Size.cy; }
    virtual void SetWidth(int width) { m_Size.cx = width; }
    virtual void SetHeight(int height) { m_Size.cy = height; }

protected:
    CSize m_Size{30, 10};
    mutable CFont m_Font;
    DWORD m_dwStyle = 0;
};
