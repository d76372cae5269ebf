// The combo box: a list of strings with one selected entry, shown as a field
// with a list that drops down (CBS_DROPDOWNLIST: the field shows the selected
// entry and cannot be typed in; CBS_DROPDOWN: the field can be edited).
//
// CBN_SELCHANGE (WM_COMMAND to the parent, lParam the box's handle) reports a
// selection changed by the user only; the program's own SetCurSel and list
// changes report nothing.
#pragma once

#include <string>

#include "platform/window/wnd.h"

constexpr int CB_OKAY = 0;
constexpr int CB_ERR = -1;
constexpr int CB_ERRSPACE = -2;

constexpr UINT CB_ADDSTRING = 0x0143;
constexpr UINT CB_DELETESTRING = 0x0144;
constexpr UINT CB_GETCOUNT = 0x0146;
constexpr UINT CB_GETCURSEL = 0x0147;
constexpr UINT CB_GETLBTEXT = 0x0148;  // lParam: std::u16string* that receives the text
constexpr UINT CB_GETLBTEXTLEN = 0x0149;
constexpr UINT CB_INSERTSTRING = 0x014A;
constexpr UINT CB_RESETCONTENT = 0x014B;
constexpr UINT CB_SETCURSEL = 0x014E;
constexpr UINT CB_SHOWDROPDOWN = 0x014F;
constexpr UINT CB_GETDROPPEDSTATE = 0x0157;
constexpr UINT CB_FINDSTRINGEXACT = 0x0158;

constexpr UINT CBN_SELCHANGE = 1;
constexpr UINT CBN_DROPDOWN = 7;
constexpr UINT CBN_CLOSEUP = 8;

constexpr DWORD CBS_SIMPLE = 0x0001;
constexpr DWORD CBS_DROPDOWN = 0x0002;
constexpr DWORD CBS_DROPDOWNLIST = 0x0003;
constexpr DWORD CBS_AUTOHSCROLL = 0x0040;
constexpr DWORD CBS_SORT = 0x0100;
constexpr DWORD CBS_HASSTRINGS = 0x0200;

class CComboBox : public CWnd {
public:
    CComboBox();
    ~CComboBox() override;

    using CWnd::Create;
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

    // Index of the new entry (sorted into place with CBS_SORT), CB_ERR without a window.
    int AddString(LPCTSTR text);
    // At `index` (-1: at the end); its index, or CB_ERR when the index is beyond the end.
    int InsertString(int index, LPCTSTR text);
    // Entries left, or CB_ERR for an index outside the list.
    int DeleteString(UINT index);
    void ResetContent();
    int GetCount() const;
    // The selected entry, CB_ERR when none is.
    int GetCurSel() const;
    // Selects entry `index` and returns it; -1 or an index outside the list
    // clears the selection and returns CB_ERR.
    int SetCurSel(int index);
    // The entry's text length, or CB_ERR for an index outside the list.
    int GetLBText(int index, std::u16string& text) const;
    int GetLBTextLen(int index) const;
    int FindStringExact(int startAfter, LPCTSTR text) const;
    void ShowDropDown(BOOL show = TRUE);
    BOOL GetDroppedState() const;

protected:
    QWidget* CreateWidget(QWidget* parentWidget, bool topLevel) override;
    LRESULT ClassWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    friend class NativeComboBox;
    void Notify(UINT code);
    int m_programChanges = 0;  // >0 while the program itself changes the list or selection
};
