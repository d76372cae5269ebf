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

ReplyStream::Fed ReplyStream::Feed(const CString& text, InstrumentReading* reading, bool* started) {
    if (started) *started = false;
    if (text.empty()) return Fed::Nothing;
    if (started) *started = m_count == 0;
    for (const char16_t unit : text) {
        const auto byte = static_cast<unsigned char>(unit & 0xFFu);
        if (m_count < 5 && byte != static_cast<unsigned char>(kReplyHeader[m_count])) {
            m_count = 0;
            return Fed::Junk;
        }
        m_bytes[m_count++] = byte;
        if (m_count < kLength) continue;
        m_count = 0;
        if (reading) {
            reading->direction = FloatOfBytes(m_bytes + 5);
            reading->speed = FloatOfBytes(m_bytes + 9);
        }
        return Fed::Reply;
    }
    return Fed::Part;
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
