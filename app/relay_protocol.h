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

// The reply to one poll, gathered from the reads that follow the poll however
// the 13 bytes are split between them, and whatever else an instrument or its
// gateway sends around them (line ends, echoes, junk). A value is only ever
// taken from one reply's own 13 bytes:
//   - Bytes before a whole header "R000:" are stray. A byte that breaks a
//     header begun makes what was gathered stray; an "R" begins a new header.
//   - A reply is its header and the eight bytes after it. A header that begins
//     among those eight bytes may be the start of a second reply (the first
//     was cut short) or mere value bytes: while it can still become a whole
//     reply the first is held. When it does, the two overlap and neither can
//     be told from the other: both are doubtful and neither is taken. When
//     its bytes break off, the first is taken. A held reply whose next bytes
//     do not come is taken by its owner (TakeHeld) after a short wait.
//   - Once a reply is taken (or found doubtful) the poll is answered: every
//     further byte is stray until Reset, which the next poll calls.
// Each read is given whole, as the received text; what it did comes back:
//   - Reply: the reply was taken (the reading holds it).
//   - Part: a reply is under way, or held.
//   - Doubtful: two replies overlapped; none was taken.
//   - Nothing: no byte of a reply (an empty read, or stray bytes only).
// Started() says whether the read began the poll's first header, Stray() how
// many bytes it found to be no part of the reply (those gathered in earlier
// reads included, so that every byte is counted once).
class ReplyStream {
public:
    static constexpr int kLength = 13;
    static constexpr int kHeaderLength = 5;
    enum class Fed { Nothing, Part, Reply, Doubtful };

    Fed Feed(const CString& text, InstrumentReading* reading);
    // Takes a held reply whose next bytes did not come; false when none is held.
    bool TakeHeld(InstrumentReading* reading);
    // A new poll (or a new connection): nothing gathered, nothing answered.
    void Reset();

    bool Held() const { return !m_done && m_count >= kLength; }
    // The poll is answered: a reply was taken or found doubtful.
    bool Done() const { return m_done; }
    bool Started() const { return m_started; }
    int Stray() const { return m_stray; }
    // Bytes gathered for the reply under way (a held reply's 13 and those after
    // it included).
    int Gathered() const { return m_count; }

private:
    enum class Step { Taken, Completed, Doubtful };
    Step Take(unsigned char byte);
    // True while the bytes gathered from `from` on could be the start of a header.
    bool MayBeginHeader(int from) const;
    void Complete(InstrumentReading* reading);

    // A reply's 13 bytes and, while it is held, the rest of a second reply that
    // begins among its value bytes.
    unsigned char m_bytes[2 * kLength - 1] = {};
    int m_count = 0;
    bool m_done = false;
    bool m_begun = false;    // a header has begun since the poll
    bool m_started = false;  // of the last read
    int m_stray = 0;         // of the last read
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
