#include "platform/base/wformat.h"

#include <algorithm>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <locale.h>

#include "platform/base/codepage.h"

namespace platform {

namespace {

// Runs `f` with the thread's numeric conventions set to the C locale.
template <class F>
auto InCLocale(F f) {
    static locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    const locale_t previous = c ? uselocale(c) : locale_t(0);
    auto result = f();
    if (c) uselocale(previous);
    return result;
}

// Reads the digits at `p` as a width or precision, saturating at the field limit.
int ReadCount(const char16_t*& p) {
    int n = 0;
    while (*p >= u'0' && *p <= u'9') n = std::min(kFormatFieldLimit, n * 10 + (*p++ - u'0'));
    return n;
}

void AppendPadded(std::u16string& out, const std::u16string& text, int width, bool left) {
    const int pad = width > int(text.size()) ? width - int(text.size()) : 0;
    if (!left) out.append(size_t(pad), u' ');
    out += text;
    if (left) out.append(size_t(pad), u' ');
}

}  // namespace

std::size_t FormatNarrowV(char* buffer, std::size_t count, const char* format, va_list args) {
    if (!buffer || count == 0) return 0;
    buffer[0] = 0;
    if (!format) return 0;
    va_list copy;
    va_copy(copy, args);
    const int n = InCLocale([&] { return std::vsnprintf(buffer, count, format, copy); });
    va_end(copy);
    if (n < 0) {
        buffer[0] = 0;
        return 0;
    }
    return std::strlen(buffer);
}

std::string FormatNarrow(const char* format, ...) {
    if (!format) return std::string();
    va_list ap;
    va_start(ap, format);
    va_list copy;
    va_copy(copy, ap);
    const int n = InCLocale([&] { return std::vsnprintf(nullptr, 0, format, copy); });
    va_end(copy);
    std::string out;
    if (n > 0) {
        out.resize(std::size_t(n) + 1);
        InCLocale([&] { return std::vsnprintf(out.data(), out.size(), format, ap); });
        out.resize(std::size_t(n));
    }
    va_end(ap);
    return out;
}

std::u16string FormatWideV(const char16_t* format, va_list args) {
    std::u16string out;
    if (!format) return out;
    va_list ap;
    va_copy(ap, args);
    for (const char16_t* p = format; *p; ++p) {
        if (*p != u'%') {
            out.push_back(*p);
            continue;
        }
        const char16_t* start = p;
        ++p;
        if (*p == u'%') {
            out.push_back(u'%');
            continue;
        }
        std::string flags;
        while (*p == u'-' || *p == u'+' || *p == u' ' || *p == u'#' || *p == u'0') flags.push_back(char(*p++));
        int width = -1;
        if (*p == u'*') {
            const int given = va_arg(ap, int);
            if (given < 0) flags.push_back('-');
            // |INT_MIN| is no int: every negative width is left-justified and saturated.
            width = given < 0 ? (given < -kFormatFieldLimit ? kFormatFieldLimit : -given)
                              : std::min(given, kFormatFieldLimit);
            ++p;
        } else if (*p >= u'0' && *p <= u'9') {
            width = ReadCount(p);
        }
        int precision = -1;
        if (*p == u'.') {
            ++p;
            if (*p == u'*') {
                const int given = va_arg(ap, int);
                precision = given < 0 ? -1 : std::min(given, kFormatFieldLimit);
                ++p;
            } else {
                precision = ReadCount(p);
            }
        }
        enum { kNone, kShort, kChar, kLong, kLongLong, kSize, kLongDouble, kWide } length = kNone;
        if (p[0] == u'I' && p[1] == u'6' && p[2] == u'4') { length = kLongLong; p += 3; }
        else if (p[0] == u'I' && p[1] == u'3' && p[2] == u'2') { p += 3; }
        else if (p[0] == u'I') { length = kSize; ++p; }
        else if (p[0] == u'h' && p[1] == u'h') { length = kChar; p += 2; }
        else if (p[0] == u'h') { length = kShort; ++p; }
        else if (p[0] == u'l' && p[1] == u'l') { length = kLongLong; p += 2; }
        else if (p[0] == u'l') { length = kLong; ++p; }
        else if (p[0] == u'w') { length = kWide; ++p; }
        else if (p[0] == u'z' || p[0] == u'j' || p[0] == u't') { length = kSize; ++p; }
        else if (p[0] == u'L') { length = kLongDouble; ++p; }
        const char16_t conv = *p;
        const bool left = flags.find('-') != std::string::npos;
        std::string directive = "%" + flags;
        if (width >= 0) directive += std::to_string(width);
        if (precision >= 0) directive += "." + std::to_string(precision);
        // One conversion through the C library, never cut: a short one is
        // written once; a longer one is measured and written again.
        auto narrow = [&](auto value, const char* mod) {
            const std::string s = directive + mod + char(conv);
            char shortText[64];
            std::string longText;
            const int n = InCLocale([&] {
                const int length = std::snprintf(shortText, sizeof shortText, s.c_str(), value);
                if (length >= int(sizeof shortText)) {
                    longText.resize(std::size_t(length) + 1);
                    std::snprintf(longText.data(), longText.size(), s.c_str(), value);
                }
                return length;
            });
            if (n <= 0) return;
            const char* text = n < int(sizeof shortText) ? shortText : longText.data();
            for (int i = 0; i < n; ++i) out.push_back(char16_t(static_cast<unsigned char>(text[i])));
        };
        switch (conv) {
        case u'd':
        case u'i': {
            long long v = 0;
            if (length == kLongLong) v = va_arg(ap, long long);
            else if (length == kLong) v = va_arg(ap, long);
            else if (length == kSize) v = va_arg(ap, std::ptrdiff_t);
            else v = va_arg(ap, int);
            if (length == kShort) v = short(v);
            if (length == kChar) v = static_cast<signed char>(v);
            narrow(v, "ll");
            break;
        }
        case u'u':
        case u'o':
        case u'x':
        case u'X': {
            unsigned long long v = 0;
            if (length == kLongLong) v = va_arg(ap, unsigned long long);
            else if (length == kLong) v = va_arg(ap, unsigned long);
            else if (length == kSize) v = va_arg(ap, std::size_t);
            else v = va_arg(ap, unsigned int);
            if (length == kShort) v = static_cast<unsigned short>(v);
            if (length == kChar) v = static_cast<unsigned char>(v);
            narrow(v, "ll");
            break;
        }
        case u'e':
        case u'E':
        case u'f':
        case u'F':
        case u'g':
        case u'G':
        case u'a':
        case u'A':
            if (length == kLongDouble) narrow(va_arg(ap, long double), "L");
            else narrow(va_arg(ap, double), "");
            break;
        case u'p': narrow(va_arg(ap, void*), ""); break;
        case u'c':
        case u'C': {
            const int v = va_arg(ap, int);
            const bool eight = conv == u'C' ? length != kLong && length != kWide : length == kShort || length == kChar;
            std::u16string ch;
            if (eight) {
                const char c = char(v);
                ch = AnsiToWide(std::string_view(&c, 1));
            } else {
                ch.push_back(char16_t(v));
            }
            AppendPadded(out, ch, width, left);
            break;
        }
        case u's':
        case u'S': {
            const bool eight = conv == u'S' ? length != kLong && length != kWide : length == kShort || length == kChar;
            std::u16string text;
            if (eight) {
                const char* s = va_arg(ap, const char*);
                if (!s) text = u"(null)";
                else {
                    size_t n = 0;
                    while (s[n] && (precision < 0 || n < size_t(precision))) ++n;
                    text = AnsiToWide(std::string_view(s, n));
                }
            } else {
                const char16_t* s = va_arg(ap, const char16_t*);
                if (!s) text = u"(null)";
                else {
                    size_t n = 0;
                    while (s[n] && (precision < 0 || n < size_t(precision))) ++n;
                    text.assign(s, n);
                }
            }
            if (precision >= 0 && text.size() > size_t(precision)) text.resize(size_t(precision));
            AppendPadded(out, text, width, left);
            break;
        }
        case u'n': (void)va_arg(ap, void*); break;
        default:
            // Not a conversion: the text stays as it was written.
            out.append(start, size_t(p - start) + (*p ? 1 : 0));
            if (!*p) --p;
            break;
        }
        if (!*p) break;
    }
    va_end(ap);
    return out;
}

std::size_t FormatWideV(char16_t* buffer, std::size_t count, const char16_t* format, va_list args) {
    if (!buffer || count == 0) return 0;
    va_list copy;
    va_copy(copy, args);
    std::u16string text = FormatWideV(format, copy);
    va_end(copy);
    if (text.size() > count - 1) {
        text.resize(count - 1);
        // Never leave half of a surrogate pair at the cut.
        if (!text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF) text.pop_back();
    }
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = 0;
    return text.size();
}

std::u16string FormatWide(const char16_t* format, ...) {
    va_list ap;
    va_start(ap, format);
    std::u16string s = FormatWideV(format, ap);
    va_end(ap);
    return s;
}

}  // namespace platform
