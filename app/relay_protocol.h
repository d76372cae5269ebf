// The two wire formats of the relay: the instrument's reply to "R000?" and the
// text record sent to the data server every send period.
#pragma once

#include <string>

#include "app/config_data.h"
#include "platform/base/types.h"

// The request every instrument understands: five ASCII bytes, no terminator.
inline constexpr char kInstrumentRequest[] = "R000?";
inline constexpr int kInstrumentPort = 4000;

// A reply's two values: "R000:", then the direction and the speed as
// little-endian 32-bit floats, taken as they come (no value is checked).
struct InstrumentReading {
    float direction = 0.0f;
    float speed = 0.0f;
};

// An instrument's replies gathered from its reads, however the 13 bytes of a
// reply are split between them. Each read is given whole, as the received text;
// what it did comes back:
//   - Reply: it completed a reply (the reading is filled). Bytes of the same
//     read after the reply's thirteenth are its tail and are ignored.
//   - Part: it holds the start or a further piece of a reply, not yet complete;
//     `started` says whether a new reply began with it.
//   - Junk: a byte that cannot be part of a reply (the header's bytes are
//     fixed; any byte is a value byte). Whatever was gathered is dropped.
//   - Nothing: an empty read.
class ReplyStream {
public:
    static constexpr int kLength = 13;
    enum class Fed { Nothing, Part, Reply, Junk };

    Fed Feed(const CString& text, InstrumentReading* reading, bool* started = nullptr);
    // Forgets a reply begun (a new connection starts afresh).
    void Reset() { m_count = 0; }
    // Bytes of the reply under way.
    int Gathered() const { return m_count; }

private:
    unsigned char m_bytes[kLength] = {};
    int m_count = 0;
};

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
