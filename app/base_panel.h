// The stack panel: the main window's child that shows every stack. Stack i has
// a composite indicator (its name as title, its wind speed with the unit) and
// below it a text label with the wind direction, laid out in a grid of X
// columns by Y rows from the settings. The panel keeps each stack's state,
// direction and speed, which the main window writes and the server record
// reads, and passes a click on a stack's indicator to its own owner (or
// parent) as WM_PANEL_NOTIFY: wParam the panel's id, lParam the stack index.
#pragma once

#include "app/config_data.h"
#include "platform/gdi/dc.h"
#include "platform/graphics/graphics.h"
#include "platform/window/wnd.h"

class CIndicator;
class CQuorText;

constexpr UINT WM_PANEL_NOTIFY = WM_USER + 128;

// Control ids: the panel, and stack i's indicator and label (both 20100 + i).
constexpr UINT IDC_STACK_PANEL = 10051;
constexpr UINT IDC_STACK_INDICATOR = 20100;

// A stack's state, as shown and as sent to the server.
enum StackState : int {
    STACK_NO_REPLY = 1,  // "-----" without unit, empty direction; "err" in the record
    STACK_VALUES = 2,    // the stored speed with the unit, and the direction when shown
};

// Where the panel puts stack i in a panel of `panel` (its own client
// coordinates) for a grid of `columns` x `rows`: the indicator in the upper two
// thirds of its cell, less a margin, and the label in the third below. False
// when the stack has no cell: index beyond the grid, or a grid without columns
// or rows (a grid byte of 0xFF gives zero, below that a negative count).
bool StackCellRects(const RECT& panel, int columns, int rows, int i, RECT* indicator, RECT* label);

class CBasePanel : public CWnd {
public:
    CBasePanel();
    ~CBasePanel() override;

    // Makes the widgets of stacks 0 to m_nStacks - 1, every stack showing values.
    void CreateStacks();
    // Takes the settings: widgets made anew when the stack count changed, every
    // indicator's title (the stack name) and unit, layout, every stack updated.
    void Rebuild(ConfigData* config);
    // Places every stack's widgets in the grid of the settings, then redraws the panel.
    void LayoutGrid();
    // Shows stack i in `state`; nothing for a stack without widgets or beyond the count.
    void UpdateStack(int i, int state);
    void UpdateAll();

    virtual BOOL OnEraseBkgnd(CDC* dc);
    BOOL PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    CIndicator* Indicator(int i) const { return i >= 0 && i < m_nStacks && m_ppIndicators ? m_ppIndicators[i] : nullptr; }
    CQuorText* Label(int i) const { return i >= 0 && i < m_nStacks && m_ppLabels ? m_ppLabels[i] : nullptr; }

    int m_bReady = 0;
    RECT m_rcPanel{};
    COLORREF m_crBack = 0;
    gfx::FontFamily* m_pSegmentFont = nullptr;  // not owned
    ConfigData* m_pConfig = nullptr;            // not owned
    CIndicator** m_ppIndicators = nullptr;
    RECT m_rcIndicator[kMaxStacks] = {};
    CQuorText** m_ppLabels = nullptr;
    RECT m_rcLabel[kMaxStacks] = {};
    int m_nStacks = 0;
    int m_nState[kMaxStacks] = {};
    float m_fDirection[kMaxStacks] = {};
    float m_fSpeed[kMaxStacks] = {};
    int m_bShowDir[kMaxStacks] = {};
    // The stack answered since it was made, laid out anew or marked as not
    // answering: only then do its values go to the server. Until then a stack
    // shown with values (the zeros it starts with) is sent as not answering.
    bool m_bAnswered[kMaxStacks] = {};

    // Whether the server record carries stack i's values ("err" otherwise).
    bool SendsValues(int i) const {
        return i >= 0 && i < kMaxStacks && m_nState[i] != STACK_NO_REPLY && m_bAnswered[i];
    }

private:
    // What each stack's widgets show now, so an update that changes nothing
    // paints nothing.
    int m_nShownState[kMaxStacks] = {};
    float m_fShownSpeed[kMaxStacks] = {};
    // Each stack's direction text, and the direction it was made from (a
    // stack answering the same direction is not formatted again).
    CString m_strDirectionText[kMaxStacks];
    float m_fDirectionOfText[kMaxStacks] = {};

    void DestroyStacks();
    // The settings' stack count, within the widgets' arrays; 0 without settings.
    int ConfiguredCount() const;
    CString SpeedUnit() const;
    void MeasurePanel();
    void OnSize(UINT type, int cx, int cy);
    LRESULT OnIndicatorNotify(WPARAM id, LPARAM event);
};
