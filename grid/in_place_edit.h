// The single-line edit box that a text cell opens over itself for editing. It
// starts from the cell's text or from the key that started the edit, widens
// while the text grows (up to the grid's right edge), and ends on Tab, Enter,
// Escape (which restores the old text), focus loss, or an arrow or page key
// when those end the edit. The end is reported once, as GRIDN_ENDLABELEDIT with
// the final text and the ending key, to the owner (or parent); then the box
// destroys its window and deletes itself.
#pragma once

#include "grid/cell_id.h"
#include "platform/stdctrl/edit.h"

class CInPlaceEdit : public CEdit {
public:
    // Creates the box at once, as a child of `parent` at `rect`. `style` is the
    // alignment (ES_LEFT, ES_CENTER or ES_RIGHT); `firstChar` is the key that
    // started the edit (VK_LBUTTON for a mouse click, VK_PROCESSKEY for an input
    // method's composition, which the box then takes over).
    CInPlaceEdit(CWnd* parent, CRect& rect, DWORD style, UINT id, int row, int col, CString initText,
                 UINT firstChar);
    ~CInPlaceEdit() override;

    // Reports the end and closes the box (nothing when an end is under way).
    void EndEdit();
    // The cell the box edits: the one its end names.
    CCellID GetCellID() const { return CCellID(m_nRow, m_nColumn); }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    void PostNcDestroy() override;

private:
    void OnKeyDown(UINT key, LPARAM lParam);
    void OnChar(UINT ch, LPARAM lParam);
    // Widens the box when its text no longer fits.
    void Grow();

    int m_nRow;
    int m_nColumn;
    CString m_sInitText;
    UINT m_nLastChar = 0;
    BOOL m_bExitOnArrows;
    CRect m_Rect;
};
