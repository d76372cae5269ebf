// The progress popup: a borderless popup holding one progress bar, and the
// program's listener for device-change broadcasts. A serial port or a network
// interface that arrives or goes away becomes a message to the popup's owner
// (or, without one, its parent), sent only when that window exists:
//   WM_PORT_CHANGE: wParam the port's number (PortNumberFromName), lParam 1 arrived, 0 removed;
//   WM_NET_CHANGE:  wParam 0, lParam 1 arrived, 0 removed.
// The main window creates it hidden at set-up; nothing moves its bar.
#pragma once

#include "platform/window/device_broadcast.h"
#include "platform/window/dialog.h"
#include "platform/stdctrl/progress_ctrl.h"

constexpr UINT WM_PORT_CHANGE = WM_USER + 116;
constexpr UINT WM_NET_CHANGE = WM_USER + 133;

// The number in a port's name: the text after its first three characters read
// as a decimal integer ("COM7" gives 7, "LPT1" 1); 0 for a name of three
// characters or less, or one whose rest does not begin with a number.
int PortNumberFromName(const CString& name);

class CProgress : public CDialog {
public:
    static constexpr UINT kBarId = 3000;

    CProgress();
    ~CProgress() override;

    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // WM_DEVICECHANGE: port and network arrivals and removals; returns 0.
    virtual LRESULT OnDeviceChange(WPARAM event, LPARAM data);

    CRect m_rcWindow;
    CProgressCtrl* m_pProgress = nullptr;
    CString m_strPortName;  // the last port that arrived or was removed
};
