// Dialog data exchange: what a dialog's DoDataExchange calls to move values
// between its members and its controls (UpdateData), and to bind a control of
// its template to a member object.
#pragma once

#include "platform/window/dialog.h"

// Text of control `id` into `value` (saving) or `value` into the control.
// Nothing happens when the dialog has no such control.
void DDX_Text(CDataExchange* dx, int id, CString& value);

// Binds control `id` of the template to `control`: the first exchange makes the
// member take over the template's window (CWnd::SubclassWindow); later ones do
// nothing. Nothing happens when the dialog has no such control.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);

namespace platform {
// Makes dialog templates create the standard controls for their classes:
// "Button" (a push button, or a group box with BS_GROUPBOX), "Edit", "Static",
// "ComboBox" and "SysIPAddress32". Classes without a factory get a plain window.
void RegisterStandardControlClasses();
}  // namespace platform
