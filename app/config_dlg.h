// The configuration dialog: the operator edits the title, the panel's grid of
// stacks, the speed unit, the data server's address, port and send period, and
// in a table each stack's name, address and whether its direction is shown.
//
// It works on its own copy of the settings (`m_config`): the owner fills it
// before DoModal and takes it back only after IDOK. OK refuses a port, send
// period or stack address that is not one, and a stack name holding a mark of
// the server record ("^", "{", "}") or a control character (a message box
// names it, quoting at most a line of what was entered, the field or cell is
// selected, and nothing is stored); blanks around a port, period or address
// are allowed at both ends. Enter and
// Escape move the focus, so only OK, Cancel and the close box end the dialog.
// F1 opens the calendar.
#pragma once

#include "app/config_data.h"
#include "controls/utility.h"
#include "grid/grid_ctrl.h"
#include "platform/stdctrl/combobox.h"
#include "platform/window/dialog.h"
#include "platform/stdctrl/ipaddress.h"

class CConfig : public CDialog {
public:
    // Columns of the table of stacks.
    static constexpr int kColStack = 0;
    static constexpr int kColName = 1;
    static constexpr int kColAddress = 2;
    static constexpr int kColShowDirection = 3;
    // Widths of columns 0 to 2; column 3 takes what the grid window has left.
    static constexpr int kFixedColumnsWidth = 264;

    CConfig();
    ~CConfig() override;

    ConfigData m_config;
    CUtility m_util;
    CString m_strTitle;
    CComboBox m_comboMaxNo;
    CComboBox m_comboX;
    CComboBox m_comboY;
    CString m_strUnit;
    CIPAddressCtrl m_ipServer;
    CString m_strPort;
    CString m_strPeriod;
    CGridCtrl m_grid;

    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    // The keyboard filter (Enter and Escape become Tab), then the dialog's keys.
    BOOL PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    void SetupGrid();
    void FillGrid();
    void ReadGrid();
    void OnSelchangeMaxNo();
    BOOL OnHelpInfo(HELPINFO* info);

    // Whole numbers the dialog accepts: decimal digits (blanks around them
    // allowed) of a value from `low` to `high`.
    static bool ParseWholeNumber(const CString& text, int low, int high, int* value);
    // A stack address the dialog accepts: four decimal parts of 0 to 255 with
    // dots between them, blanks around the whole allowed at either end;
    // `address` (network order) is left alone for anything else.
    static bool ParseStackAddress(const CString& text, DWORD* address);
    // An entry as a refusal quotes it: its first line, cut to at most
    // kQuotedMost characters with "…" where anything was left out.
    static constexpr size_t kQuotedMost = 60;
    static CString QuotedEntry(const CString& text);

private:
    // The first entry OK cannot store, selected and named in a message box;
    // false when there is one.
    bool ValidateEntries();
    // Focuses edit `id` with its whole text selected.
    void SelectEdit(int id);
};
