#include "app/relay_protocol.h"

#include <cstdint>
#include <cstring>

#include "platform/base/codepage.h"
#include "platform/base/wformat.h"

namespace {

constexpr int kReplyLength = 13;
constexpr char16_t kReplyHeader[] = u"R000:";

// The float whose four little-endian bytes are the low bytes of text[at..at+3].
float FloatAt(const CString& text, std::size_t at) {
    std::uint32_t bits = 0;
    for (int k = 3; k >= 0; --k) bits = (bits << 8) | (text[at + std::size_t(k)] & 0xFFu);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace

ReplyKind ParseInstrumentReply(const CString& text, InstrumentReading* reading) {
    if (text.size() < 5 || text.compare(0, 5, kReplyHeader) != 0) return ReplyKind::Other;
    if (text.size() < std::size_t(kReplyLength)) return ReplyKind::HeaderOnly;
    if (reading) {
        reading->direction = FloatAt(text, 5);
        reading->speed = FloatAt(text, 9);
    }
    return ReplyKind::Reading;
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
