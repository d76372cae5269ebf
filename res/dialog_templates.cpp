#include "res/resources.h"

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
}

void RegisterResources() {
    RegisterDialogTemplates();
    RegisterBinaryResources();
}

}  // namespace res
