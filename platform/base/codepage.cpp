#include "platform/base/codepage.h"

#include "platform/base/codepage_949.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>
#include <limits>
#include <locale.h>
#include <mutex>
#include <unordered_map>

namespace {

constexpr const char* kUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(::iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) ::iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return m_cd; }

private:
    iconv_t m_cd;
};

// Bytes of input that one unconvertible unit takes, given the input left.
using SkipFn = std::size_t (*)(const char* in, std::size_t left);

// Runs the converter over `in`. An input unit that is invalid or has no
// counterpart becomes `replacement`. The output is cut to `limit` bytes, at a
// character boundary: iconv never writes part of a character.
std::string Convert(const Converter& cv, std::string_view in, SkipFn skip, std::string_view replacement,
                    std::size_t limit) {
    std::string out;
    char buf[1024];
    ::iconv(cv.get(), nullptr, nullptr, nullptr, nullptr);
    char* ip = const_cast<char*>(in.data());
    std::size_t il = in.size();
    while (il > 0) {
        const std::size_t room = limit - out.size();
        char* op = buf;
        std::size_t ol = std::min(sizeof buf, room);
        const std::size_t r = ::iconv(cv.get(), &ip, &il, &op, &ol);
        out.append(buf, std::size_t(op - buf));
        if (r != static_cast<std::size_t>(-1)) continue;
        if (errno == E2BIG) {
            if (room <= sizeof buf) return out;  // the next character does not fit the limit
            continue;
        }
        // EILSEQ (invalid or unconvertible) or EINVAL (cut short at the end).
        if (out.size() + replacement.size() > limit) return out;
        out += replacement;
        const std::size_t n = std::min(il, std::max<std::size_t>(1, skip(ip, il)));
        ip += n;
        il -= n;
        ::iconv(cv.get(), nullptr, nullptr, nullptr, nullptr);
    }
    char* op = buf;
    std::size_t ol = std::min(sizeof buf, limit - out.size());
    ::iconv(cv.get(), nullptr, nullptr, &op, &ol);
    out.append(buf, std::size_t(op - buf));
    return out;
}

std::size_t SkipOneByte(const char*, std::size_t) { return 1; }

// One UTF-16 unit, or two for a whole surrogate pair.
std::size_t SkipUtf16Char(const char* in, std::size_t left) {
    if (left < 2) return left;
    char16_t first;
    std::memcpy(&first, in, 2);
    if (first >= 0xD800 && first <= 0xDBFF && left >= 4) {
        char16_t second;
        std::memcpy(&second, in + 2, 2);
        if (second >= 0xDC00 && second <= 0xDFFF) return 4;
    }
    return 2;
}

std::string_view AsBytes(std::u16string_view s) {
    return {reinterpret_cast<const char*>(s.data()), s.size() * sizeof(char16_t)};
}

std::u16string FromUtf16Bytes(const std::string& bytes) {
    std::u16string out(bytes.size() / 2, u'\0');
    std::memcpy(out.data(), bytes.data(), out.size() * 2);
    return out;
}

// Every character set a locale can have keeps ASCII as it is: plain ASCII
// text needs no converter.
bool PlainAscii(std::u16string_view text) {
    return std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; });
}
bool PlainAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// A Korean locale converts as Korean Windows does, where the C library has the table.
bool CodePage949(const std::string& charset) {
    return platform::detail::IsKoreanCharset(charset) && platform::detail::HaveCodePage949();
}

std::string WideToAnsiLimited(std::u16string_view text, std::size_t limit) {
    if (PlainAscii(text)) return std::string(text.begin(), text.begin() + std::ptrdiff_t(std::min(text.size(), limit)));
    const std::string charset = platform::AnsiCharset();
    if (CodePage949(charset)) return platform::detail::WideToCp949(text, limit);
    const Converter cv(charset.c_str(), kUtf16);
    if (!cv.ok()) {
        // A character set iconv does not know: keep ASCII, replace the rest.
        std::string out;
        for (char16_t c : text) {
            if (out.size() >= limit) break;
            out += c < 0x80 ? char(c) : '?';
        }
        return out;
    }
    return Convert(cv, AsBytes(text), SkipUtf16Char, "?", limit);
}

}  // namespace

namespace platform {

std::string AnsiCharset() {
    const locale_t own = ::uselocale(locale_t(nullptr));
    if (own != LC_GLOBAL_LOCALE) return ::nl_langinfo_l(CODESET, own);
    // The locale the environment names. Making a locale object is costly, and with
    // LOCPATH set glibc keeps a little memory of every one made, so the answer is
    // kept per environment: a program that converts all day makes one.
    std::string key;
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG", "LOCPATH"}) {
        const char* value = std::getenv(name);
        key += value ? value : "";
        key += '\0';
    }
    static std::mutex mutex;
    static std::unordered_map<std::string, std::string> known;
    const std::lock_guard<std::mutex> hold(mutex);
    if (const auto it = known.find(key); it != known.end()) return it->second;
    if (const locale_t fromEnv = ::newlocale(LC_CTYPE_MASK, "", locale_t(nullptr))) {
        std::string charset = ::nl_langinfo_l(CODESET, fromEnv);
        ::freelocale(fromEnv);
        known.emplace(std::move(key), charset);
        return charset;
    }
    // The environment names a locale that is not installed (asked again next
    // time: it may be installed by then).
    return ::nl_langinfo(CODESET);
}

}  // namespace platform

std::u16string AnsiToWide(std::string_view text) {
    if (PlainAscii(text)) return std::u16string(text.begin(), text.end());
    const std::string charset = platform::AnsiCharset();
    if (CodePage949(charset)) return platform::detail::Cp949ToWide(text);
    const Converter cv(kUtf16, charset.c_str());
    if (!cv.ok()) {
        std::u16string out;
        for (char c : text) out += static_cast<unsigned char>(c) < 0x80 ? char16_t(c) : u'?';
        return out;
    }
    static constexpr char16_t kQuestion = u'?';
    const std::string_view replacement(reinterpret_cast<const char*>(&kQuestion), sizeof kQuestion);
    return FromUtf16Bytes(
        Convert(cv, text, SkipOneByte, replacement, std::numeric_limits<std::size_t>::max()));
}

std::string WideToAnsi(std::u16string_view text) {
    return WideToAnsiLimited(text, std::numeric_limits<std::size_t>::max());
}

std::size_t WideToAnsiField(std::u16string_view text, char* dst, std::size_t fieldSize) {
    if (fieldSize == 0) return 0;
    // A text stops at its first terminator, as in the field.
    if (const auto nul = text.find(u'\0'); nul != std::u16string_view::npos) text = text.substr(0, nul);
    const std::string bytes = WideToAnsiLimited(text, fieldSize - 1);
    std::memcpy(dst, bytes.data(), bytes.size());
    std::memset(dst + bytes.size(), 0, fieldSize - bytes.size());
    return bytes.size();
}

std::u16string AnsiFieldToWide(const char* field, std::size_t fieldSize) {
    return AnsiToWide(std::string_view(field, ::strnlen(field, fieldSize)));
}
