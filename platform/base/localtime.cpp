#include "platform/base/localtime.h"

#include <ctime>

void GetLocalTime(SYSTEMTIME* st) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    std::tm tm{};
    const time_t seconds = now.tv_sec;
    ::localtime_r(&seconds, &tm);
    st->wYear = WORD(tm.tm_year + 1900);
    st->wMonth = WORD(tm.tm_mon + 1);
    st->wDayOfWeek = WORD(tm.tm_wday);
    st->wDay = WORD(tm.tm_mday);
    st->wHour = WORD(tm.tm_hour);
    st->wMinute = WORD(tm.tm_min);
    // A leap second (60) is shown as the last second of its minute.
    st->wSecond = WORD(tm.tm_sec > 59 ? 59 : tm.tm_sec);
    st->wMilliseconds = WORD(now.tv_nsec / 1000000);
}
