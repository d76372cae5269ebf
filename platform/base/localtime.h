// The local wall-clock time.
#pragma once

#include "platform/base/types.h"

// Fills `st` with the local date and time (time zone of the environment), with
// milliseconds; wDayOfWeek counts from Sunday = 0.
void GetLocalTime(SYSTEMTIME* st);
