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

std::string FormatServerRecord(const SYSTEMTIME& now, const ConfigData& cfg, const RecordStack* stacks, int count) {
    CString record = platform::FormatWide(u"{%04d%02d%02d%02d%02d%02d", int(now.wYear), int(now.wMonth), int(now.wDay),
                                          int(now.wHour), int(now.wMinute), int(now.wSecond));
    for (int i = 0; i < count && i < kMaxStacks; ++i) {
        const StackInfo& s = cfg.aStacks[i];
        const CString name = AnsiFieldToWide(s.szName, sizeof s.szName);
        record += u'^';
        record += name;
        if (stacks[i].noReply)
            record += u"^err^err";
        else
            record += platform::FormatWide(u"^%3.1f^%1.0f", double(stacks[i].speed), double(stacks[i].direction));
    }
    record += u"}\n";
    return WideToAnsi(record);
}

UINT SendPeriodMs(int seconds) {
    if (seconds <= 0) seconds = kDefaultSendPeriod;
    if (seconds > kMaxSendPeriod) seconds = kMaxSendPeriod;
    return UINT(seconds) * 1000u;
}
