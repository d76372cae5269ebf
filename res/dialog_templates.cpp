#include "res/resources.h"

#include "platform/stdctrl/button.h"
#include "platform/stdctrl/data_exchange.h"
#include "platform/window/dialog.h"

namespace res {

// The configuration dialog: settings, server, and the table of stacks (the grid
// window, which the dialog's grid object takes over). Rectangles in dialog units.
void RegisterConfigTemplate() {
    constexpr UINT kStatic = 0xFFFF;  // the id no code refers to
    DialogTemplate t;
    t.id = IDD_CONFIG;
    t.style = 0x80C808C0;  // popup, caption, system menu, modal frame, centred, own font
    t.cx = 180;
    t.cy = 366;
    t.caption = u"CONFIGURATION";
    t.fontFace = u"MS Shell Dlg";
    t.pointSize = 9;
    t.items = {
        {u"Button", u"Program Title", kStatic, 0x50000007, 0, 7, 7, 166, 30},
        {u"Edit", u"", IDC_CONFIG_TITLE, 0x50810001, 0, 14, 18, 153, 12},
        {u"Button", u"STACK Settings", kStatic, 0x50000007, 0, 7, 43, 166, 30},
        {u"Static", u"MAX. No.", kStatic, 0x50020202, 0, 12, 54, 33, 12},
        {u"ComboBox", u"", IDC_CONFIG_MAXNO, 0x50210003, 0, 47, 54, 37, 202},
        {u"Static", u"X", kStatic, 0x50020202, 0, 91, 54, 8, 12},
        {u"ComboBox", u"", IDC_CONFIG_X, 0x50210003, 0, 101, 54, 22, 202},
        {u"Static", u"Y", kStatic, 0x50020202, 0, 131, 54, 8, 12},
        {u"ComboBox", u"", IDC_CONFIG_Y, 0x50210003, 0, 141, 54, 22, 202},
        {u"Button", u"Environment Settings", kStatic, 0x50000007, 0, 7, 79, 166, 30},
        {u"Static", u"Speed Unit", kStatic, 0x50020202, 0, 53, 90, 41, 12},
        {u"Edit", u"", IDC_CONFIG_UNIT, 0x50810001, 0, 97, 90, 30, 12},
        {u"Button", u"Server Settings", kStatic, 0x50000007, 0, 7, 115, 166, 58},
        {u"Static", u"Server IP", kStatic, 0x50020201, 0, 22, 126, 81, 8},
        {u"Static", u"Port", kStatic, 0x50020201, 0, 113, 125, 40, 8},
        {u"SysIPAddress32", u"", IDC_CONFIG_SERVER_IP, 0x50010000, 0, 22, 136, 81, 12},
        {u"Edit", u"", IDC_CONFIG_PORT, 0x50810001, 0, 113, 136, 40, 12},
        {u"Static", u"전송 주기", kStatic, 0x50020202, 0, 49, 155, 41, 12},
        {u"Edit", u"", IDC_CONFIG_PERIOD, 0x50810001, 0, 92, 155, 21, 12},
        {u"Static", u"sec", kStatic, 0x50020200, 0, 115, 155, 16, 12},
        {u"GridCtrlWindow", u"Custom1", IDC_CONFIG_GRID, 0x50010000, 0, 7, 180, 166, 148},
        {u"Static", u"", IDC_CONFIG_VERSION, 0x50020202, 0, 62, 330, 111, 12},
        {u"Button", u"OK", IDOK, 0x50010001, 0, 16, 345, 52, 14},
        {u"Button", u"Cancel", IDCANCEL, 0x50010000, 0, 111, 345, 52, 14},
    };
    platform::RegisterDialogTemplate(std::move(t));
}

void RegisterDialogTemplates() {
    // The main window: no controls; everything on it is created at run time.
    DialogTemplate main;
    main.id = IDD_MAIN;
    main.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX |
                 WS_MAXIMIZEBOX | DS_CENTER | DS_SETFONT | WS_VISIBLE;
    main.cx = 458;
    main.cy = 288;
    main.caption = u"";
    main.fontFace = u"MS Shell Dlg";
    main.pointSize = 9;
    platform::RegisterDialogTemplate(std::move(main));

    // The small popups' common base: no caption, an OK and a Cancel button; each
    // popup sizes itself and places or hides the buttons when it opens.
    DialogTemplate popup;
    popup.id = IDD_POPUP;
    popup.style = WS_POPUP | DS_MODALFRAME | DS_SETFONT;
    popup.cx = 187;
    popup.cy = 94;
    popup.fontFace = u"MS Shell Dlg";
    popup.pointSize = 9;
    popup.items.push_back({u"Button", u"OK", IDOK, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0,
                           130, 7, 50, 14});
    popup.items.push_back({u"Button", u"Cancel", IDCANCEL, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0,
                           130, 24, 50, 14});
    platform::RegisterDialogTemplate(std::move(popup));
    RegisterConfigTemplate();
    platform::RegisterButtonClass();
    // After the button's own registration: group boxes are "Button" items too.
    platform::RegisterStandardControlClasses();
}

void RegisterResources() {
    RegisterDialogTemplates();
    RegisterBinaryResources();
}

}  // namespace res
