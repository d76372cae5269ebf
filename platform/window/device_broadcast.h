// Device-change broadcasts: WM_DEVICECHANGE to every top-level window when a
// serial port or a network interface arrives or goes away. wParam is the event
// (DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE), lParam points to a record that
// begins with DEV_BROADCAST_HDR; the record lives only during the call.
//
// The layer watches the devices (platform/device_sources.h) from the first
// StartDeviceBroadcasts on: a program that never asks never opens the sources.
#pragma once

#include <string_view>
#include <vector>

#include "platform/window/wnd.h"

constexpr WPARAM DBT_DEVICEARRIVAL = 0x8000;
constexpr WPARAM DBT_DEVICEQUERYREMOVE = 0x8001;
constexpr WPARAM DBT_DEVICEQUERYREMOVEFAILED = 0x8002;
constexpr WPARAM DBT_DEVICEREMOVEPENDING = 0x8003;
constexpr WPARAM DBT_DEVICEREMOVECOMPLETE = 0x8004;

constexpr DWORD DBT_DEVTYP_OEM = 0;
constexpr DWORD DBT_DEVTYP_VOLUME = 2;
constexpr DWORD DBT_DEVTYP_PORT = 3;
constexpr DWORD DBT_DEVTYP_NET = 4;
constexpr DWORD DBT_DEVTYP_DEVICEINTERFACE = 5;

struct DEV_BROADCAST_HDR {
    DWORD dbch_size;  // the whole record's size in bytes
    DWORD dbch_devicetype;
    DWORD dbch_reserved;
};

// A port: the header, then the port's name as zero-terminated UTF-16 text.
struct DEV_BROADCAST_PORT_W {
    DWORD dbcp_size;
    DWORD dbcp_devicetype;
    DWORD dbcp_reserved;
    WCHAR dbcp_name[1];
};

struct DEV_BROADCAST_NET {
    DWORD dbcn_size;
    DWORD dbcn_devicetype;
    DWORD dbcn_reserved;
    DWORD dbcn_resource;
    DWORD dbcn_flags;
};

namespace platform {

// Which sources could be opened.
struct DeviceWatch {
    bool ports = false;
    bool network = false;
};
// Starts watching (once; later calls report the same); nothing fails loudly.
DeviceWatch StartDeviceBroadcasts();
void StopDeviceBroadcasts();

// Sends WM_DEVICECHANGE (event, record) to every top-level window at once.
void BroadcastDeviceChange(WPARAM event, const DEV_BROADCAST_HDR* record);

// A port record for `name`, in storage of whole DWORDs; the record starts at data().
std::vector<DWORD> MakePortBroadcast(std::u16string_view name);
DEV_BROADCAST_NET MakeNetBroadcast();

// The name of a port record: read only within dbcp_size and up to its first
// zero; empty when the record is too short to hold a name.
std::u16string PortBroadcastName(const DEV_BROADCAST_HDR* record);

}  // namespace platform
