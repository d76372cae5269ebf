// Keep-awake over the session bus: against a private bus daemon with the
// screensaver and power-management inhibitors played by the test, and without
// any bus at all.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QThread>

#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "platform/runtime/app.h"
#include "platform/system/keep_awake.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace {

// One inhibitor service: records every call and answers Inhibit with its cookie.
class FakeInhibitor : public QDBusVirtualObject {
public:
    explicit FakeInhibitor(unsigned cookie) : m_cookie(cookie) {}
    struct Call {
        std::string member;
        std::vector<std::string> args;
    };
    std::vector<Call> Calls() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_calls;
    }
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        Call call{message.member().toStdString(), {}};
        for (const QVariant& a : message.arguments()) call.args.push_back(a.toString().toStdString());
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_calls.push_back(call);
        }
        QDBusMessage reply = message.createReply();
        if (call.member == "Inhibit") reply << m_cookie;
        connection.send(reply);
        return true;
    }

private:
    unsigned m_cookie;
    mutable std::mutex m_mutex;
    std::vector<Call> m_calls;
};

// A private session bus for this process (a dbus-daemon started by the test).
class PrivateBus {
public:
    PrivateBus() : m_daemon("/usr/bin/dbus-daemon", {"--session", "--nofork", "--print-address=1"}, m_dir.path()) {
        WaitFor([&] { return m_daemon.Stdout().find('\n') != std::string::npos; }, 10000);
        const std::string out = m_daemon.Stdout();
        address = out.substr(0, out.find('\n'));
    }
    std::string address;

private:
    TempDir m_dir;
    ChildProcess m_daemon;
};

}  // namespace

TEST(KeepAwake, InhibitsScreensaverAndSleepOnTheSessionBusAndReleasesThem) {
    PrivateBus bus;
    ASSERT_FALSE(bus.address.empty());
    ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.address.c_str(), 1);

    // The services answer from a thread of their own, as another process would.
    QThread serviceThread;
    serviceThread.start();
    QDBusConnection services = QDBusConnection::connectToBus(QString::fromStdString(bus.address), "services");
    ASSERT_TRUE(services.isConnected());
    FakeInhibitor screenSaver(7), sleep(9);
    screenSaver.moveToThread(&serviceThread);
    sleep.moveToThread(&serviceThread);
    ASSERT_TRUE(services.registerVirtualObject("/org/freedesktop/ScreenSaver", &screenSaver));
    ASSERT_TRUE(services.registerVirtualObject("/org/freedesktop/PowerManagement/Inhibit", &sleep));
    ASSERT_TRUE(services.registerService("org.freedesktop.ScreenSaver"));
    ASSERT_TRUE(services.registerService("org.freedesktop.PowerManagement"));

    // What the main window asks at set-up.
    EXPECT_EQ(SetThreadExecutionState(ES_CONTINUOUS | ES_AWAYMODE_REQUIRED | ES_DISPLAY_REQUIRED | ES_SYSTEM_REQUIRED),
              ES_CONTINUOUS);
    platform::KeepAwakeStatus state = platform::KeepAwakeState();
    EXPECT_TRUE(state.sessionBus);
    EXPECT_EQ(state.screenSaverCookie, 7u);
    EXPECT_EQ(state.sleepCookie, 9u);
    ASSERT_EQ(screenSaver.Calls().size(), 1u);
    EXPECT_EQ(screenSaver.Calls()[0].member, "Inhibit");
    ASSERT_EQ(screenSaver.Calls()[0].args.size(), 2u);
    EXPECT_FALSE(screenSaver.Calls()[0].args[1].empty());  // a reason is given
    ASSERT_EQ(sleep.Calls().size(), 1u);
    EXPECT_EQ(sleep.Calls()[0].member, "Inhibit");

    // Asking again holds what is held: no second inhibitor.
    SetThreadExecutionState(ES_CONTINUOUS | ES_DISPLAY_REQUIRED | ES_SYSTEM_REQUIRED);
    EXPECT_EQ(screenSaver.Calls().size(), 1u);
    EXPECT_EQ(sleep.Calls().size(), 1u);

    // A one-time call only tells the screensaver of activity.
    SetThreadExecutionState(ES_DISPLAY_REQUIRED);
    EXPECT_TRUE(platform::PumpUntil([&] { return screenSaver.Calls().size() == 2; }, 3000));
    EXPECT_EQ(screenSaver.Calls().back().member, "SimulateActivity");

    // Continuous with nothing required releases both, with their cookies.
    EXPECT_EQ(SetThreadExecutionState(ES_CONTINUOUS), ES_CONTINUOUS | ES_DISPLAY_REQUIRED | ES_SYSTEM_REQUIRED);
    ASSERT_EQ(screenSaver.Calls().size(), 3u);
    EXPECT_EQ(screenSaver.Calls()[2].member, "UnInhibit");
    EXPECT_EQ(screenSaver.Calls()[2].args, std::vector<std::string>{"7"});
    ASSERT_EQ(sleep.Calls().size(), 2u);
    EXPECT_EQ(sleep.Calls()[1].member, "UnInhibit");
    EXPECT_EQ(sleep.Calls()[1].args, std::vector<std::string>{"9"});
    state = platform::KeepAwakeState();
    EXPECT_EQ(state.screenSaverCookie, 0u);
    EXPECT_EQ(state.sleepCookie, 0u);

    services.unregisterObject("/org/freedesktop/ScreenSaver");
    services.unregisterObject("/org/freedesktop/PowerManagement/Inhibit");
    QDBusConnection::disconnectFromBus("services");
    serviceThread.quit();
    serviceThread.wait();
}

TEST(KeepAwake, ABusWithoutTheServicesInhibitsNothing) {
    PrivateBus bus;
    ASSERT_FALSE(bus.address.empty());
    ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.address.c_str(), 1);
    SetThreadExecutionState(ES_CONTINUOUS | ES_DISPLAY_REQUIRED | ES_SYSTEM_REQUIRED);
    const platform::KeepAwakeStatus state = platform::KeepAwakeState();
    EXPECT_TRUE(state.sessionBus);
    EXPECT_EQ(state.screenSaverCookie, 0u);
    EXPECT_EQ(state.sleepCookie, 0u);
}

TEST(KeepAwake, WithoutASessionBusNothingHappens) {
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/rerovora-no-bus", 1);
    EXPECT_EQ(SetThreadExecutionState(ES_CONTINUOUS | ES_DISPLAY_REQUIRED | ES_SYSTEM_REQUIRED), ES_CONTINUOUS);
    const platform::KeepAwakeStatus state = platform::KeepAwakeState();
    EXPECT_FALSE(state.sessionBus);
    EXPECT_EQ(state.screenSaverCookie, 0u);
    EXPECT_EQ(state.sleepCookie, 0u);
}
