#include "platform/system/keep_awake.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QString>

namespace {

// One inhibitor service of the session: Inhibit(application, reason) -> cookie,
// UnInhibit(cookie).
struct Inhibitor {
    const char* service;
    const char* path;
    const char* interface;
};

constexpr Inhibitor kScreenSaver{"org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
                                 "org.freedesktop.ScreenSaver"};
constexpr Inhibitor kSleep{"org.freedesktop.PowerManagement", "/org/freedesktop/PowerManagement/Inhibit",
                           "org.freedesktop.PowerManagement.Inhibit"};

// A service that does not answer must not hold up the program's start.
constexpr int kCallTimeoutMs = 2000;

EXECUTION_STATE g_state = ES_CONTINUOUS;
platform::KeepAwakeStatus g_status;

QString ApplicationName() {
    const QString name = QCoreApplication::instance() ? QCoreApplication::applicationName() : QString();
    return name.isEmpty() ? QStringLiteral("rerovora") : name;
}

bool SessionBus(QDBusConnection* bus) {
    *bus = QDBusConnection::sessionBus();
    g_status.sessionBus = bus->isConnected();
    return g_status.sessionBus;
}

bool HasService(QDBusConnection& bus, const Inhibitor& who) {
    QDBusConnectionInterface* names = bus.interface();
    return names && names->isServiceRegistered(QString::fromLatin1(who.service)).value();
}

unsigned Inhibit(QDBusConnection& bus, const Inhibitor& who) {
    if (!HasService(bus, who)) return 0;
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(who.service), QString::fromLatin1(who.path),
                                                       QString::fromLatin1(who.interface), QStringLiteral("Inhibit"));
    call << ApplicationName() << QStringLiteral("relaying wind measurements unattended");
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return 0;
    return reply.arguments().first().toUInt();
}

void UnInhibit(QDBusConnection& bus, const Inhibitor& who, unsigned* cookie) {
    if (!*cookie) return;
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(who.service), QString::fromLatin1(who.path),
                                                       QString::fromLatin1(who.interface), QStringLiteral("UnInhibit"));
    call << *cookie;
    bus.call(call, QDBus::Block, kCallTimeoutMs);
    *cookie = 0;
}

void SimulateActivity(QDBusConnection& bus) {
    if (!HasService(bus, kScreenSaver)) return;
    QDBusMessage call =
        QDBusMessage::createMethodCall(QString::fromLatin1(kScreenSaver.service), QString::fromLatin1(kScreenSaver.path),
                                       QString::fromLatin1(kScreenSaver.interface), QStringLiteral("SimulateActivity"));
    bus.call(call, QDBus::NoBlock);
}

}  // namespace

EXECUTION_STATE SetThreadExecutionState(EXECUTION_STATE flags) {
    const EXECUTION_STATE previous = g_state;
    QDBusConnection bus(QString{});
    const bool haveBus = SessionBus(&bus);
    if (!(flags & ES_CONTINUOUS)) {
        if (haveBus && (flags & ES_DISPLAY_REQUIRED)) SimulateActivity(bus);
        return previous;
    }
    g_state = flags;
    if (!haveBus) return previous;

    const bool display = flags & ES_DISPLAY_REQUIRED;
    const bool system = flags & (ES_SYSTEM_REQUIRED | ES_AWAYMODE_REQUIRED);
    if (display && !g_status.screenSaverCookie) g_status.screenSaverCookie = Inhibit(bus, kScreenSaver);
    if (!display) UnInhibit(bus, kScreenSaver, &g_status.screenSaverCookie);
    if (system && !g_status.sleepCookie) g_status.sleepCookie = Inhibit(bus, kSleep);
    if (!system) UnInhibit(bus, kSleep, &g_status.sleepCookie);
    return previous;
}

namespace platform {

KeepAwakeStatus KeepAwakeState() { return g_status; }

}  // namespace platform
