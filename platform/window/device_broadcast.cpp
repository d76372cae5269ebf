#include "platform/window/device_broadcast.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>
#include <cstddef>
#include <cstring>
#include <memory>

#include "platform/system/device_sources.h"
#include "platform/window/wnd_impl.h"

namespace platform {

namespace {

struct Watcher {
    PortMonitor ports;
    LinkMonitor links;
    std::unique_ptr<QSocketNotifier> portNotifier;
    std::unique_ptr<QSocketNotifier> linkNotifier;
    DeviceWatch state;
    bool started = false;
};

Watcher& TheWatcher() {
    static Watcher watcher;
    return watcher;
}

void Deliver(const std::vector<DeviceEvent>& events) {
    for (const DeviceEvent& e : events) {
        const WPARAM event = e.arrived ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE;
        if (e.kind == DeviceEvent::kPort) {
            const std::vector<DWORD> record = MakePortBroadcast(Utf8ToUtf16(e.name));
            BroadcastDeviceChange(event, reinterpret_cast<const DEV_BROADCAST_HDR*>(record.data()));
        } else {
            const DEV_BROADCAST_NET record = MakeNetBroadcast();
            BroadcastDeviceChange(event, reinterpret_cast<const DEV_BROADCAST_HDR*>(&record));
        }
    }
}

}  // namespace

DeviceWatch StartDeviceBroadcasts() {
    Watcher& w = TheWatcher();
    if (w.started || !QCoreApplication::instance()) return w.state;
    w.started = true;
    if (w.ports.Open()) {
        w.state.ports = true;
        w.portNotifier = std::make_unique<QSocketNotifier>(w.ports.Fd(), QSocketNotifier::Read);
        QObject::connect(w.portNotifier.get(), &QSocketNotifier::activated, [] { Deliver(TheWatcher().ports.Read()); });
    }
    if (w.links.Open()) {
        w.state.network = true;
        w.linkNotifier = std::make_unique<QSocketNotifier>(w.links.Fd(), QSocketNotifier::Read);
        QObject::connect(w.linkNotifier.get(), &QSocketNotifier::activated, [] { Deliver(TheWatcher().links.Read()); });
    }
    return w.state;
}

void StopDeviceBroadcasts() {
    Watcher& w = TheWatcher();
    w.portNotifier.reset();
    w.linkNotifier.reset();
    w.ports.Close();
    w.links.Close();
    w.state = DeviceWatch{};
    w.started = false;
}

void BroadcastDeviceChange(WPARAM event, const DEV_BROADCAST_HDR* record) {
    if (!QCoreApplication::instance()) return;
    // Handles first: a window may go away while another handles the message.
    std::vector<HWND> targets;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        WindowImpl* impl = WindowImpl::FromWidget(widget);
        if (impl && impl->topLevel && !impl->destroying) targets.push_back(impl->handle);
    }
    for (HWND h : targets) SendMessageW(h, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(record));
}

std::vector<DWORD> MakePortBroadcast(std::u16string_view name) {
    const std::size_t bytes = offsetof(DEV_BROADCAST_PORT_W, dbcp_name) + (name.size() + 1) * sizeof(WCHAR);
    std::vector<DWORD> storage((bytes + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
    auto* port = reinterpret_cast<DEV_BROADCAST_PORT_W*>(storage.data());
    port->dbcp_size = DWORD(bytes);
    port->dbcp_devicetype = DBT_DEVTYP_PORT;
    std::memcpy(reinterpret_cast<std::byte*>(storage.data()) + offsetof(DEV_BROADCAST_PORT_W, dbcp_name), name.data(),
                name.size() * sizeof(WCHAR));
    return storage;
}

DEV_BROADCAST_NET MakeNetBroadcast() {
    DEV_BROADCAST_NET net{};
    net.dbcn_size = sizeof net;
    net.dbcn_devicetype = DBT_DEVTYP_NET;
    return net;
}

std::u16string PortBroadcastName(const DEV_BROADCAST_HDR* record) {
    constexpr std::size_t kNameAt = offsetof(DEV_BROADCAST_PORT_W, dbcp_name);
    if (!record || record->dbch_size < kNameAt + sizeof(WCHAR)) return {};
    const std::size_t room = (record->dbch_size - kNameAt) / sizeof(WCHAR);
    const auto* bytes = reinterpret_cast<const std::byte*>(record) + kNameAt;
    std::u16string name;
    for (std::size_t i = 0; i < room; ++i) {
        WCHAR c;
        std::memcpy(&c, bytes + i * sizeof(WCHAR), sizeof c);
        if (c == 0) break;
        name.push_back(c);
    }
    return name;
}

}  // namespace platform
