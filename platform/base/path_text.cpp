#include "platform/base/path_text.h"

#include <cstdint>

namespace platform {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// The length of the valid UTF-8 character at `s[at]` and its code point; 0
// when the bytes there are not one (overlong forms and surrogates included).
std::size_t DecodeOne(std::string_view s, std::size_t at, char32_t* cp) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[at + k]); };
    const unsigned char b0 = byte(0);
    if (b0 < 0x80) {
        *cp = b0;
        return 1;
    }
    std::size_t n;
    char32_t c;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0) {
        n = 2, c = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        n = 3, c = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        n = 4, c = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (at + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((byte(k) & 0xC0) != 0x80) return 0;
        c = (c << 6) | (byte(k) & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    *cp = c;
    return n;
}

void AppendUtf8(std::string* out, char32_t c) {
    if (c < 0x80) {
        *out += char(c);
    } else if (c < 0x800) {
        *out += char(0xC0 | (c >> 6));
        *out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out += char(0xE0 | (c >> 12));
        *out += char(0x80 | ((c >> 6) & 0x3F));
        *out += char(0x80 | (c & 0x3F));
    } else {
        *out += char(0xF0 | (c >> 18));
        *out += char(0x80 | ((c >> 12) & 0x3F));
        *out += char(0x80 | ((c >> 6) & 0x3F));
        *out += char(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::u16string PathFromBytes(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size();) {
        char32_t c = 0;
        const std::size_t n = DecodeOne(bytes, at, &c);
        if (n == 0) {
            out += char16_t(kEscapeBase + static_cast<unsigned char>(bytes[at]));
            ++at;
            continue;
        }
        at += n;
        if (c >= 0x10000) {
            c -= 0x10000;
            out += char16_t(0xD800 + (c >> 10));
            out += char16_t(0xDC00 + (c & 0x3FF));
        } else {
            out += char16_t(c);
        }
    }
    return out;
}

std::string PathToBytes(std::u16string_view path) {
    std::string out;
    out.reserve(path.size());
    for (std::size_t i = 0; i < path.size(); ++i) {
        const char16_t u = path[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < path.size() && path[i + 1] >= 0xDC00 && path[i + 1] <= 0xDFFF) {
            AppendUtf8(&out, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(path[i + 1]) - 0xDC00));
            ++i;
        } else if (u >= 0xDC80 && u <= 0xDCFF) {
            out += char(u - kEscapeBase);
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            out += '?';
        } else {
            AppendUtf8(&out, u);
        }
    }
    return out;
}

}  // namespace platform
