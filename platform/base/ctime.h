// A point in time in whole seconds since 1970-01-01 00:00 UTC, read and made in
// local time (the time zone of the environment).
#pragma once

#include <ctime>

#include "platform/base/types.h"

class CTime {
public:
    CTime() = default;
    CTime(std::time_t t) : m_time(t) {}  // NOLINT: converts like the framework's
    // A local date and time; fields out of range are carried over (month 13 is
    // January of the next year).
    CTime(int year, int month, int day, int hour, int minute, int second);
    explicit CTime(const SYSTEMTIME& st);

    static CTime GetCurrentTime();

    std::time_t GetTime() const { return m_time; }
    int GetYear() const;
    int GetMonth() const;
    int GetDay() const;
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    // The local date and time; false when the value cannot be represented.
    bool GetAsSystemTime(SYSTEMTIME& st) const;

    bool operator==(const CTime& o) const { return m_time == o.m_time; }
    bool operator!=(const CTime& o) const { return m_time != o.m_time; }

private:
    std::tm Local() const;
    std::time_t m_time = 0;
};
