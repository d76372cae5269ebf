#include "app/relay_protocol.h"

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
    if (m_count - from > kHeaderLength) return false;
    for (int k = from; k < m_count; ++k)
        if (m_bytes[k] != static_cast<unsigned char>(kReplyHeader[k - from])) return false;
    return true;
}

ReplyStream::Step ReplyStream::Take(unsigned char byte, bool inTail, bool* started) {
    if (m_count < kHeaderLength) {
        if (byte == static_cast<unsigned char>(kReplyHeader[m_count])) {
            if (m_count == 0 && started) *started = true;
            m_bytes[m_count++] = byte;
            return Step::Taken;
        }
        // The header is broken: an "R" may begin the next reply.
        if (byte == static_cast<unsigned char>(kReplyHeader[0])) {
            m_bytes[0] = byte;
            m_count = 1;
            return Step::Taken;
        }
        m_count = 0;
        return inTail ? Step::Ignored : Step::Junk;
    }
    m_bytes[m_count++] = byte;
    // A whole header among the value bytes: what came before it was a fragment.
    const int headerAt = m_count - kHeaderLength;
    if (headerAt >= kHeaderLength && MayBeginHeader(headerAt)) {
        std::memmove(m_bytes, m_bytes + headerAt, kHeaderLength);
        m_count = kHeaderLength;
        return Step::Taken;
    }
    if (m_count < kLength) return Step::Taken;
    // Held while its end could begin a header that the next bytes complete.
    for (int from = kLength - kHeaderLength + 1; from < kLength; ++from)
        if (MayBeginHeader(from)) return Step::Taken;
    return Step::Completed;
}

ReplyStream::Fed ReplyStream::Feed(const CString& text, InstrumentReading* reading, bool* started) {
    if (started) *started = false;
    if (text.empty()) return Fed::Nothing;
    bool replied = false;
    bool inTail = false;  // after a reply in this read: a broken header is a tail, not junk
    for (const char16_t unit : text) {
        switch (Take(static_cast<unsigned char>(unit & 0xFFu), inTail, started)) {
        case Step::Taken:
            continue;
        case Step::Junk:
            return Fed::Junk;
        case Step::Ignored:
            return Fed::Reply;  // only a tail is ever ignored
        case Step::Completed:
            break;
        }
        replied = true;
        if (reading) {
            reading->direction = FloatOfBytes(m_bytes + 5);
            reading->speed = FloatOfBytes(m_bytes + 9);
        }
        // The bytes that were held after it begin the tail.
        unsigned char after[kHeaderLength - 1];
        const int extra = m_count - kLength;
        std::memcpy(after, m_bytes + kLength, std::size_t(extra));
        m_count = 0;
        inTail = true;
        for (int k = 0; k < extra; ++k)
            if (Take(after[k], true, started) == Step::Ignored) return Fed::Reply;
    }
    return replied ? Fed::Reply : Fed::Part;
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
        const bool pair = name[i] >= 0xD800 && name[i] <= 0xDBFF && i + 1 < name.size() && name[i + 1] >= 0xDC00 &&
                          name[i + 1] <= 0xDFFF;
        const std::size_t units = pair ? 2 : 1;
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
