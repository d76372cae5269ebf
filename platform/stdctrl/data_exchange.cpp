#include "platform/stdctrl/data_exchange.h"

#include "platform/stdctrl/button.h"
#include "platform/stdctrl/combobox.h"
#include "platform/stdctrl/edit.h"
#include "platform/stdctrl/ipaddress.h"
#include "platform/stdctrl/static.h"

#include <QWidget>

#include <algorithm>

void DDX_Text(CDataExchange* dx, int id, CString& value) {
    if (!dx || !dx->m_pDlgWnd) return;
    CWnd* control = dx->m_pDlgWnd->GetDlgItem(id);
    if (!control) return;
    if (dx->m_bSaveAndValidate) value = control->GetWindowText();
    else control->SetWindowText(value);
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
    if (!dx || !dx->m_pDlgWnd || control.GetSafeHwnd()) return;
    CWnd* item = dx->m_pDlgWnd->GetDlgItem(id);
    if (!item || item == &control) return;
    control.SubclassWindow(item->GetSafeHwnd());
}

namespace platform {

void RegisterStandardControlClasses() {
    RegisterControlClass(u"Button", [](const DialogItemTemplate& item) -> std::unique_ptr<CWnd> {
        if ((item.style & BS_TYPEMASK) == BS_GROUPBOX) return std::make_unique<CGroupBox>();
        return std::make_unique<CButton>();
    });
    RegisterControlClass(u"Edit", [](const DialogItemTemplate&) { return std::make_unique<CEdit>(); });
    RegisterControlClass(u"Static", [](const DialogItemTemplate&) { return std::make_unique<CStatic>(); });
    RegisterControlClass(
        u"ComboBox", [](const DialogItemTemplate&) { return std::make_unique<CComboBox>(); },
        [](CWnd& control, const RECT& rc) {
            // A combo box's template height is its dropped list's; the box is one field high.
            if (!control.Widget()) return;
            const int field = std::min(int(rc.bottom - rc.top), control.Widget()->sizeHint().height());
            control.MoveWindow(int(rc.left), int(rc.top), int(rc.right - rc.left), field, FALSE);
        });
    RegisterIpAddressClass();
}

}  // namespace platform
