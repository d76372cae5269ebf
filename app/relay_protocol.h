// The two wire formats of the relay: the instrument's reply to "R000?" and the
// text record sent to the data server every send period.
#pragma once

#include <string>

#include "app/config_data.h"
#include "platform/base/types.h"

// The request every instrument understands: five ASCII bytes, no terminator.
inline constexpr char kInstrumentRequest[] = "R000?";
inline constexpr int kInstrumentPort = 4000;

// What a received text holds. The text has one UTF-16 unit per received byte,
// whose low 8 bits are the byte.
enum class ReplyKind {
    Other,       // not "R000:" (also anything shorter than five units)
    HeaderOnly,  // "R000:" with fewer than 13 units: nothing to store
    Reading,     // "R000:" and two little-endian floats: direction, then speed
};

struct InstrumentReading {
    float direction = 0.0f;
    float speed = 0.0f;
};

// Reads the reply; the reading is filled only for ReplyKind::Reading. Bytes
// after the thirteenth are ignored; no value is checked.
ReplyKind ParseInstrumentReply(const CString& text, InstrumentReading* reading);

// One stack as the server record sees it.
struct RecordStack {
    bool noReply = false;  // "err" in place of speed and direction
    float speed = 0.0f;
    float direction = 0.0f;
};

// The record: "{YYYYMMDDhhmmss", then per stack "^name^speed^direction" (speed
// with one decimal, direction with none) or "^name^err^err", then "}\n". The
// names come from the settings (their ANSI bytes, through UTF-16 and back in
// the locale's character set) for stacks 0 to count - 1. The record is as long
// as its stacks make it: nothing is cut.
std::string FormatServerRecord(const SYSTEMTIME& now, const ConfigData& cfg, const RecordStack* stacks, int count);

// Bounds of the send period. A period of 0 or less (an unreadable settings
// file reads as all zeros) takes the default of 30 seconds rather than sending
// as fast as the timer allows; a period over a day is held at a day, which
// also keeps its milliseconds far from overflowing.
inline constexpr int kDefaultSendPeriod = 30;
inline constexpr int kMaxSendPeriod = 24 * 60 * 60;
// The period of the record timer, in milliseconds, for a period in seconds.
UINT SendPeriodMs(int seconds);
