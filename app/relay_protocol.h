// The two wire formats of the relay: the instrument's reply to "R000?" and the
// text record sent to the data server every send period.
#pragma once

#include <string>
#include <string_view>

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
// reply are split between them, and whatever else an instrument or its gateway
// sends around them. A reply's values are only ever taken from one reply's own
// 13 bytes:
//   - The header "R000:" must come whole and in order. A byte that breaks it
//     drops what was gathered; when that byte is an "R", a new reply begins
//     with it, otherwise the read is junk.
//   - Any byte is a value byte, but a whole header that begins among a reply's
//     value bytes means that reply was a fragment: it is dropped and the new
//     header starts the next reply. A reply whose last bytes could be the
//     beginning of such a header is held until the next bytes tell.
//   - Bytes after a reply in the same read are kept when they begin a header
//     (a second reply, perhaps in pieces); otherwise they are a tail and the
//     rest of the read is ignored.
// Each read is given whole, as the received text; what it did comes back:
//   - Reply: it completed at least one reply (the reading holds the last).
//   - Part: it holds a piece of a reply not yet complete (or held);
//     `started` says whether a reply began with nothing gathered before it.
//   - Junk: a byte that can be no part of a reply. Whatever was gathered is
//     dropped and the rest of the read is not looked at.
//   - Nothing: an empty read.
class ReplyStream {
public:
    static constexpr int kLength = 13;
    static constexpr int kHeaderLength = 5;
    enum class Fed { Nothing, Part, Reply, Junk };

    Fed Feed(const CString& text, InstrumentReading* reading, bool* started = nullptr);
    // Forgets a reply begun (a new connection starts afresh).
    void Reset() { m_count = 0; }
    // Bytes gathered for the reply under way (a held reply's 13 and the few
    // after it included).
    int Gathered() const { return m_count; }

private:
    // What one byte did.
    enum class Step { Taken, Completed, Junk, Ignored };
    Step Take(unsigned char byte, bool inTail, bool* started);
    // True while the bytes from `from` to the end of what was gathered could
    // be the beginning of a header.
    bool MayBeginHeader(int from) const;

    // A reply's 13 bytes and, while it is held, up to four after them.
    unsigned char m_bytes[kLength + kHeaderLength - 1] = {};
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
//
// The record always has its shape: it starts with "{", its only "}" and its
// only line feed end it, and each stack is three fields. A name's characters
// that would break that (the marks "^", "{" and "}", and control characters;
// see RecordMarkIn) are sent as kNameStandIn, as is a character whose bytes
// in the locale's character set would hold such a byte.
std::string FormatServerRecord(const SYSTEMTIME& now, const ConfigData& cfg, const RecordStack* stacks, int count);

// What a name's character that the record cannot carry is sent as.
inline constexpr char kNameStandIn = '?';
// The first character of `name` that the record cannot carry as it is: "^",
// "{", "}", or a control character (U+0000 to U+001F, U+007F to U+009F);
// 0 when there is none.
char16_t RecordMarkIn(std::u16string_view name);

// Bounds of the send period. A period of 0 or less (an unreadable settings
// file reads as all zeros) takes the default of 30 seconds rather than sending
// as fast as the timer allows; a period over a day is held at a day, which
// also keeps its milliseconds far from overflowing.
inline constexpr int kDefaultSendPeriod = 30;
inline constexpr int kMaxSendPeriod = 24 * 60 * 60;
// The period of the record timer, in milliseconds, for a period in seconds.
UINT SendPeriodMs(int seconds);
