// Keeping the machine and its display awake while the program runs.
//
// On the desktop this is the session's screensaver inhibitor (the display) and
// its power-management inhibitor (sleep), both over the D-Bus session bus.
// Without a session bus, or without those services, nothing happens and the
// call still succeeds: an unattended relay keeps running either way.
#pragma once

#include "platform/base/types.h"

using EXECUTION_STATE = DWORD;

constexpr EXECUTION_STATE ES_SYSTEM_REQUIRED = 0x00000001;
constexpr EXECUTION_STATE ES_DISPLAY_REQUIRED = 0x00000002;
constexpr EXECUTION_STATE ES_USER_PRESENT = 0x00000004;
constexpr EXECUTION_STATE ES_AWAYMODE_REQUIRED = 0x00000040;
constexpr EXECUTION_STATE ES_CONTINUOUS = 0x80000000;

// With ES_CONTINUOUS the requirements in `flags` hold until the next call with
// ES_CONTINUOUS: ES_DISPLAY_REQUIRED inhibits the screensaver, ES_SYSTEM_REQUIRED
// or ES_AWAYMODE_REQUIRED inhibits sleep, and a requirement no longer asked for
// is released. Without ES_CONTINUOUS the call only resets the idle timers once
// (the screensaver is told of activity). Returns the previous continuous state.
// The inhibitors also end when the process ends (the bus drops them).
EXECUTION_STATE SetThreadExecutionState(EXECUTION_STATE flags);

namespace platform {

// What the keep-awake holds now, for tests and diagnostics.
struct KeepAwakeStatus {
    bool sessionBus = false;        // a session bus was reached
    unsigned screenSaverCookie = 0; // 0: the screensaver is not inhibited
    unsigned sleepCookie = 0;       // 0: sleep is not inhibited
};
KeepAwakeStatus KeepAwakeState();

}  // namespace platform
