// The IP address control: four number fields of 0 to 255 separated by dots.
//
// Addresses go in and out in host order: the first field is the highest byte
// (MAKEIPADDRESS). A field may be blank; a blank field reads as 0, and
// IPM_GETADDRESS answers how many fields are not blank.
//
// Typing: digits fill a field; a third digit moves to the next field with its
// text selected; "." moves to the next field only from a field that holds
// digits outside its selection; Backspace at a field's start goes back to the
// previous field's end. Entering a field by a click or Tab selects its text, so
// typing replaces it. A number above 255 becomes 255, selected, and the caret
// stays in that field. The control is one tab stop (its first field).
#pragma once

#include "platform/window/wnd.h"

constexpr UINT IPM_CLEARADDRESS = 0x0464;  // WM_USER + 100
constexpr UINT IPM_SETADDRESS = 0x0465;    // lParam: the address, host order
constexpr UINT IPM_GETADDRESS = 0x0466;    // lParam: DWORD* that receives it; returns the non-blank fields
constexpr UINT IPM_SETFOCUS = 0x0468;      // wParam: the field
constexpr UINT IPM_ISBLANK = 0x0469;

constexpr UINT IPN_FIELDCHANGED = UINT(-860);

constexpr DWORD MAKEIPADDRESS(BYTE b1, BYTE b2, BYTE b3, BYTE b4) {
    return (DWORD(b1) << 24) | (DWORD(b2) << 16) | (DWORD(b3) << 8) | DWORD(b4);
}
constexpr BYTE FIRST_IPADDRESS(DWORD a) { return BYTE(a >> 24); }
constexpr BYTE SECOND_IPADDRESS(DWORD a) { return BYTE(a >> 16); }
constexpr BYTE THIRD_IPADDRESS(DWORD a) { return BYTE(a >> 8); }
constexpr BYTE FOURTH_IPADDRESS(DWORD a) { return BYTE(a); }

class CIPAddressCtrl : public CWnd {
public:
    CIPAddressCtrl();
    ~CIPAddressCtrl() override;

    void SetAddress(DWORD hostOrder) { SendMessage(IPM_SETADDRESS, 0, LPARAM(hostOrder)); }
    void SetAddress(BYTE b1, BYTE b2, BYTE b3, BYTE b4) { SetAddress(MAKEIPADDRESS(b1, b2, b3, b4)); }
    // The number of non-blank fields; `hostOrder` takes the address (blank fields 0).
    int GetAddress(DWORD& hostOrder) {
        return int(SendMessage(IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&hostOrder)));
    }
    void ClearAddress() { SendMessage(IPM_CLEARADDRESS); }
    BOOL IsBlank() { return BOOL(SendMessage(IPM_ISBLANK)); }
    // Puts the focus in field 0 to 3 and selects its text.
    void SetFieldFocus(WORD field) { SendMessage(IPM_SETFOCUS, field); }

protected:
    QWidget* CreateWidget(QWidget* parentWidget, bool topLevel) override;
    LRESULT ClassWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

namespace platform {
// Makes dialog templates create CIPAddressCtrl for "SysIPAddress32" items.
void RegisterIpAddressClass();
}  // namespace platform
