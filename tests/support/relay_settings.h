// A settings file for the relay written by a test: twelve stacks on the
// instrument simulator's loopback addresses (127.0.0.1 to 127.0.0.12), the
// data-server sink on 127.0.0.1, and a short send period. Written by byte
// offsets, so the tests of the real program need nothing of app/.
#pragma once

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

struct RelaySettings {
    static constexpr std::size_t kSize = 428544;
    static constexpr std::size_t kStack0 = 1216;
    static constexpr std::size_t kStackSize = 4168;

    std::string title = "WIND RELAY TEST";
    std::string unit = "m/s";
    int stacks = 12;
    std::vector<std::string> names;      // default QC1101...
    std::vector<std::uint32_t> ips;      // host order; default 127.0.0.(i+1)
    std::vector<bool> showDirection;     // default: all set
    std::uint8_t gridX = 3, gridY = 2;
    std::uint32_t serverIp = 0x7F000001;  // host order
    int serverPort = 22700;
    int sendPeriod = 1;

    std::vector<unsigned char> Bytes() const {
        std::vector<unsigned char> b(kSize, 0);
        auto text = [&](std::size_t off, const std::string& s, std::size_t field) {
            std::memcpy(&b[off], s.data(), std::min(s.size(), field - 1));
        };
        auto i32 = [&](std::size_t off, std::uint32_t v) { std::memcpy(&b[off], &v, 4); };
        auto net = [&](std::size_t off, std::uint32_t hostOrder) {
            const unsigned char bytes[4] = {static_cast<unsigned char>(hostOrder >> 24),
                                            static_cast<unsigned char>(hostOrder >> 16),
                                            static_cast<unsigned char>(hostOrder >> 8),
                                            static_cast<unsigned char>(hostOrder)};
            std::memcpy(&b[off], bytes, 4);
        };
        text(0, "1.0", 40);
        text(40, title, 80);
        text(120, unit, 40);
        for (int i = 0; i < 100; ++i) {
            const std::size_t s = kStack0 + std::size_t(i) * kStackSize;
            net(s, std::size_t(i) < ips.size() ? ips[std::size_t(i)] : 0x7F000001u + std::uint32_t(i));
            text(s + 4, std::size_t(i) < names.size() ? names[std::size_t(i)] : "QC" + std::to_string(1101 + i), 80);
            b[s + 152] = (std::size_t(i) < showDirection.size() ? showDirection[std::size_t(i)] : true) ? 1 : 0;
        }
        i32(418016, std::uint32_t(stacks));
        b[424440] = gridX;
        b[424441] = gridY;
        net(424444, serverIp);
        i32(424448, std::uint32_t(serverPort));
        i32(424452, std::uint32_t(sendPeriod));
        return b;
    }

    void WriteTo(const std::filesystem::path& dir) const {
        const auto bytes = Bytes();
        WriteAllBytes(dir / "ZEL-Rerovora.cfg", bytes.data(), bytes.size());
    }
};

// One record line as the sink prints it: "YYYY-MM-DD HH:MM:SS.mmm {...}".
struct SinkRecord {
    std::string arrival;  // the sink's time stamp
    std::string record;   // from "{" to "}"
    std::vector<std::string> fields;  // split at "^": the head, then name, speed, direction per stack
};

inline std::vector<SinkRecord> ParseSinkOutput(const std::string& out) {
    std::vector<SinkRecord> records;
    std::size_t pos = 0;
    while (pos < out.size()) {
        std::size_t end = out.find('\n', pos);
        if (end == std::string::npos) break;  // a line still being written
        const std::string line = out.substr(pos, end - pos);
        pos = end + 1;
        const std::size_t brace = line.find('{');
        if (brace == std::string::npos) continue;
        SinkRecord r;
        r.arrival = line.substr(0, brace > 0 ? brace - 1 : 0);
        r.record = line.substr(brace);
        std::string body = r.record;
        std::size_t start = 0;
        for (;;) {
            const std::size_t caret = body.find('^', start);
            r.fields.push_back(body.substr(start, caret == std::string::npos ? std::string::npos : caret - start));
            if (caret == std::string::npos) break;
            start = caret + 1;
        }
        records.push_back(std::move(r));
    }
    return records;
}
