// The server record of twelve stacks whose names and values come from the
// input: the first 12 × 9 bytes are each stack's state (not answering, or its
// speed and direction as two floats, NaN and infinities included), the rest
// are the names, 80 bytes each (whatever bytes, with or without a terminator).
// Whatever they hold, the record starts with "{" and 14 digits, holds three
// fields per stack, no other brace and no control byte, and ends with "}" and
// its one line feed.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/config_data.h"
#include "app/relay_protocol.h"

namespace {

void Check(bool holds) {
    if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ConfigData* cfg = [] {
        auto* c = new ConfigData;
        FillConfigDefaults(*c);
        return c;
    }();
    RecordStack stacks[kStackCount] = {};
    std::size_t at = 0;
    for (RecordStack& s : stacks) {
        if (at + 9 > size) break;
        s.noReply = data[at] & 1;
        std::memcpy(&s.speed, data + at + 1, 4);
        std::memcpy(&s.direction, data + at + 5, 4);
        at += 9;
    }
    for (int i = 0; i < kStackCount; ++i) {
        char* name = cfg->aStacks[i].szName;
        std::memset(name, 0, sizeof cfg->aStacks[i].szName);
        if (at < size) {
            const std::size_t n = std::min(sizeof cfg->aStacks[i].szName, size - at);
            std::memcpy(name, data + at, n);
            at += n;
        }
    }
    SYSTEMTIME now{};
    now.wYear = 2026;
    now.wMonth = 12;
    now.wDay = 8;
    const std::string r = FormatServerRecord(now, *cfg, stacks, kStackCount);
    Check(r.size() >= 17 && r.compare(0, 1, "{") == 0 && r.compare(r.size() - 2, 2, "}\n") == 0);
    for (std::size_t k = 1; k <= 14; ++k) Check(r[k] >= '0' && r[k] <= '9');
    int carets = 0;
    for (std::size_t k = 1; k + 2 < r.size(); ++k) {
        const auto b = static_cast<unsigned char>(r[k]);
        Check(b >= 0x20 && b != 0x7F && b != '{' && b != '}');
        carets += b == '^';
    }
    Check(carets == 3 * kStackCount);
    return 0;
}
