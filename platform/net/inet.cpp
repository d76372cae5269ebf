#include "platform/net/inet.h"

#include <cctype>
#include <cstdint>

DWORD htonl(DWORD v) { return __builtin_bswap32(v); }
DWORD ntohl(DWORD v) { return __builtin_bswap32(v); }
WORD htons(WORD v) { return WORD((v >> 8) | (v << 8)); }
WORD ntohs(WORD v) { return htons(v); }

namespace {

// One part of a classic address: decimal, 0-octal or 0x-hexadecimal; false when
// it has no digit, a digit outside its base, or exceeds 32 bits.
bool ReadPart(const char*& p, std::uint64_t& value) {
    int base = 10;
    if (*p == '0') {
        base = 8;
        if (p[1] == 'x' || p[1] == 'X') {
            base = 16;
            p += 2;
            if (!std::isxdigit(static_cast<unsigned char>(*p))) return false;
        }
    }
    if (!std::isxdigit(static_cast<unsigned char>(*p))) return false;
    value = 0;
    for (;; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (base == 16 && std::isxdigit(c)) digit = std::tolower(c) - 'a' + 10;
        else break;
        if (digit >= base) return false;
        value = value * std::uint64_t(base) + std::uint64_t(digit);
        if (value > 0xFFFFFFFFull) return false;
    }
    return true;
}

}  // namespace

DWORD inet_addr(const char* text) {
    if (!text) return INADDR_NONE;
    const char* p = text;
    std::uint64_t parts[4];
    int count = 0;
    for (;;) {
        if (count == 4 || !ReadPart(p, parts[count])) return INADDR_NONE;
        ++count;
        if (*p != '.') break;
        ++p;
    }
    while (*p == ' ' || *p == '\t') ++p;
    if (*p != '\0') return INADDR_NONE;
    std::uint64_t host = 0;
    switch (count) {
    case 1:
        host = parts[0];
        break;
    case 2:
        if (parts[0] > 0xFF || parts[1] > 0xFFFFFF) return INADDR_NONE;
        host = (parts[0] << 24) | parts[1];
        break;
    case 3:
        if (parts[0] > 0xFF || parts[1] > 0xFF || parts[2] > 0xFFFF) return INADDR_NONE;
        host = (parts[0] << 24) | (parts[1] << 16) | parts[2];
        break;
    default:
        for (int i = 0; i < 4; ++i)
            if (parts[i] > 0xFF) return INADDR_NONE;
        host = (parts[0] << 24) | (parts[1] << 16) | (parts[2] << 8) | parts[3];
        break;
    }
    return htonl(DWORD(host));
}

std::string inet_ntoa(DWORD networkOrder) {
    const DWORD h = ntohl(networkOrder);
    return std::to_string(h >> 24) + '.' + std::to_string((h >> 16) & 0xFF) + '.' +
           std::to_string((h >> 8) & 0xFF) + '.' + std::to_string(h & 0xFF);
}

namespace platform {

bool ParseDottedIpv4(const std::string& text, DWORD* address) {
    DWORD host = 0;
    size_t i = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (i >= text.size() || text[i] != '.') return false;
            ++i;
        }
        const size_t start = i;
        unsigned value = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - start < 3) {
            value = value * 10 + unsigned(text[i] - '0');
            ++i;
        }
        const size_t digits = i - start;
        if (digits == 0 || value > 255 || (digits > 1 && text[start] == '0')) return false;
        host = (host << 8) | value;
    }
    if (i != text.size()) return false;
    if (address) *address = htonl(host);
    return true;
}

}  // namespace platform
