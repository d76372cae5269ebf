#include "app/relay_protocol.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/base/codepage.h"
#include "platform/base/wformat.h"

namespace {

constexpr char16_t kReplyHeader[] = u"R000:";

// The float whose four little-endian bytes start at `bytes`.
float FloatOfBytes(const unsigned char* bytes) {
    const std::uint32_t bits = std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 |
                               std::uint32_t(bytes[2]) << 16 | std::uint32_t(bytes[3]) << 24;
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace

bool ReplyStream::MayBeginHeader(int from) const {
    const int n = std::min(m_count - from, kHeaderLength);
    for (int k = 0; k < n; ++k)
        if (m_bytes[from + k] != static_cast<unsigned char>(kReplyHeader[k])) return false;
    return true;
}

void ReplyStream::Reset() {
    m_count = 0;
    m_done = false;
    m_begun = false;
}

ReplyStream::Step ReplyStream::Take(unsigned char byte) {
    if (m_count < kHeaderLength) {
        if (byte == static_cast<unsigned char>(kReplyHeader[m_count])) {
            if (m_count == 0 && !m_begun) m_begun = m_started = true;
            m_bytes[m_count++] = byte;
            return Step::Taken;
        }
        // The header is broken: what was gathered is stray, and an "R" may
        // begin the next header.
        m_stray += m_count;
        m_count = 0;
        if (byte == static_cast<unsigned char>(kReplyHeader[0])) {
            m_bytes[m_count++] = byte;
        } else {
            ++m_stray;
        }
        return Step::Taken;
    }
    m_bytes[m_count++] = byte;
    // A header among the value bytes that can still be one: a second reply
    // that overlaps this one, whole when it has its 13 bytes.
    bool overlapping = false;
    for (int from = kHeaderLength; from < kLength && from < m_count; ++from) {
        if (!MayBeginHeader(from)) continue;
        if (m_count - from >= kLength) return Step::Doubtful;
        overlapping = true;
    }
    return m_count >= kLength && !overlapping ? Step::Completed : Step::Taken;
}

void ReplyStream::Complete(InstrumentReading* reading) {
    if (reading) {
        reading->direction = FloatOfBytes(m_bytes + 5);
        reading->speed = FloatOfBytes(m_bytes + 9);
    }
    // What was held after the reply is not part of it.
    m_stray += m_count - kLength;
    m_count = 0;
    m_done = true;
}

bool ReplyStream::TakeHeld(InstrumentReading* reading) {
    if (!Held()) return false;
    m_stray = 0;
    Complete(reading);
    return true;
}

ReplyStream::Fed ReplyStream::Feed(const CString& text, InstrumentReading* reading) {
    m_started = false;
    m_stray = 0;
    if (m_done) {
        m_stray = int(text.size());
        return Fed::Nothing;
    }
    for (std::size_t k = 0; k < text.size(); ++k) {
        switch (Take(static_cast<unsigned char>(text[k] & 0xFFu))) {
        case Step::Taken:
            continue;
        case Step::Completed:
            Complete(reading);
            m_stray += int(text.size() - k - 1);
            return Fed::Reply;
        case Step::Doubtful:
            m_stray += m_count + int(text.size() - k - 1);
            m_count = 0;
            m_done = true;
            return Fed::Doubtful;
        }
    }
    return m_count > 0 ? Fed::Part : Fed::Nothing;
}

namespace {

bool IsRecordMark(char16_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == u'^' || c == u'{' || c == u'}';
}

// Whether `bytes` hold the byte of a mark or of an ASCII control character.
bool HoldsRecordMarkByte(std::string_view bytes) {
    for (const char b : bytes) {
        const auto byte = static_cast<unsigned char>(b);
        if (byte < 0x80 && IsRecordMark(char16_t(byte))) return true;
    }
    return false;
}

// A stack's name as the record carries it, in the locale's character set.
std::string RecordName(const StackInfo& stack) {
    std::u16string name = AnsiFieldToWide(stack.szName, sizeof stack.szName);
    for (char16_t& c : name)
        if (IsRecordMark(c)) c = char16_t(kNameStandIn);
    std::string bytes = WideToAnsi(name);
    if (!HoldsRecordMarkByte(bytes)) return bytes;
    // A character set whose characters' second bytes may be marks: such
    // characters go as the stand-in, one by one.
    bytes.clear();
    for (std::size_t i = 0; i < name.size();) {
        const std::size_t units = UnitsOfCharacterAt(name, i);
        const std::string one = WideToAnsi(std::u16string_view(name).substr(i, units));
        bytes += HoldsRecordMarkByte(one) ? std::string(1, kNameStandIn) : one;
        i += units;
    }
    return bytes;
}

}  // namespace

char16_t RecordMarkIn(std::u16string_view name) {
    for (const char16_t c : name)
        if (IsRecordMark(c)) return c;
    return 0;
}

std::string FormatServerRecord(const SYSTEMTIME& now, const ConfigData& cfg, const RecordStack* stacks, int count) {
    // Digits, marks and the names' bytes: the record is put together in the
    // locale's character set, each name converted on its own.
    std::string record = WideToAnsi(platform::FormatWide(u"{%04d%02d%02d%02d%02d%02d", int(now.wYear),
                                                         int(now.wMonth), int(now.wDay), int(now.wHour),
                                                         int(now.wMinute), int(now.wSecond)));
    for (int i = 0; i < count && i < kMaxStacks; ++i) {
        record += '^';
        record += RecordName(cfg.aStacks[i]);
        if (stacks[i].noReply)
            record += "^err^err";
        else
            record += WideToAnsi(
                platform::FormatWide(u"^%3.1f^%1.0f", double(stacks[i].speed), double(stacks[i].direction)));
    }
    record += "}\n";
    return record;
}

UINT SendPeriodMs(int seconds) {
    if (seconds <= 0) seconds = kDefaultSendPeriod;
    if (seconds > kMaxSendPeriod) seconds = kMaxSendPeriod;
    return UINT(seconds) * 1000u;
}
