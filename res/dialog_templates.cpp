#include "res/resources.h"

#include "platform/window/button.h"
#include "platform/window/dialog.h"

namespace res {

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
    platform::RegisterButtonClass();
}

void RegisterResources() {
    RegisterDialogTemplates();
    RegisterBinaryResources();
}

}  // namespace res
