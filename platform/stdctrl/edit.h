// The edit control: a single-line text field.
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/window/wnd.h"

// Notification codes (HIWORD of WM_COMMAND's wParam; lParam is the edit's handle).
constexpr UINT EN_SETFOCUS = 0x0100;
constexpr UINT EN_KILLFOCUS = 0x0200;
constexpr UINT EN_CHANGE = 0x0300;
constexpr UINT EN_UPDATE = 0x0400;
constexpr UINT EN_MAXTEXT = 0x0501;

constexpr UINT EM_GETSEL = 0x00B0;
constexpr UINT EM_SETSEL = 0x00B1;
constexpr UINT EM_SCROLLCARET = 0x00B7;
constexpr UINT EM_REPLACESEL = 0x00C2;
constexpr UINT EM_LIMITTEXT = 0x00C5;
constexpr UINT EM_SETREADONLY = 0x00CF;
constexpr UINT WM_CUT = 0x0300;
constexpr UINT WM_COPY = 0x0301;
constexpr UINT WM_PASTE = 0x0302;
constexpr UINT WM_CLEAR = 0x0303;
constexpr UINT WM_UNDO = 0x0304;

constexpr UINT DLGC_HASSETSEL = 0x0008;

class CEdit : public CWnd {
public:
    CEdit();
    ~CEdit() override;

    // Selects characters start..end (end -1: to the end; start -1: no selection).
    // `noScroll` is accepted and ignored: the edit keeps the caret in view.
    void SetSel(int start, int end, BOOL noScroll = FALSE);
    void GetSel(int& start, int& end) const;
    void ReplaceSel(LPCTSTR text, BOOL canUndo = FALSE);
    void SetLimitText(UINT maxChars);
    void LimitText(int maxChars = 0) { SetLimitText(UINT(maxChars)); }
    BOOL SetReadOnly(BOOL readOnly = TRUE);
    void Cut();
    void Copy();
    void Paste();
    void Clear();

protected:
    QWidget* CreateWidget(QWidget* parentWidget, bool topLevel) override;
    LRESULT ClassWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    friend class NativeLineEdit;
    void Notify(UINT code);
    // The keyboard event being delivered: the field's own handling of a key that
    // types nothing runs only when the window let WM_KEYDOWN through to this
    // procedure; typed characters are typed by WM_CHAR's handling here.
    bool m_inKey = false;
    bool m_keyDownDefault = false;
    bool m_settingText = false;
    HFONT m_font = nullptr;  // the font given by WM_SETFONT, null: the control's own
};
