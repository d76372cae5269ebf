#include "platform/base/codepage_949.h"

#include "platform/base/codepage.h"

#include <array>
#include <bit>
#include <cctype>
#include <iconv.h>
#include <memory>

namespace platform::detail {

namespace {

constexpr char16_t kUserDefinedFirst = 0xE000;
constexpr int kUserDefinedRow = 94;  // trail bytes A1 to FE

bool Lead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
bool Trail(unsigned char b) { return (b >= 0x41 && b <= 0x5A) || (b >= 0x61 && b <= 0x7A) || (b >= 0x81 && b <= 0xFE); }

struct Table {
    std::array<char16_t, 0x10000> toWide{};     // by lead << 8 | trail; 0: no character
    std::array<std::uint16_t, 0x10000> toAnsi{};  // by UTF-16 unit; 0: none
};

void Put(Table& t, unsigned lead, unsigned trail, char16_t unit) {
    const std::uint16_t pair = std::uint16_t(lead << 8 | trail);
    t.toWide[pair] = unit;
    if (!t.toAnsi[unit]) t.toAnsi[unit] = pair;
}

std::unique_ptr<Table> Read() {
    const char* utf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
    const iconv_t cv = ::iconv_open(utf16, "CP949");
    if (cv == reinterpret_cast<iconv_t>(-1)) return nullptr;
    auto t = std::make_unique<Table>();
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead)
        for (unsigned trail = 0x41; trail <= 0xFE; ++trail) {
            if (!Trail(static_cast<unsigned char>(trail))) continue;
            char in[2] = {char(lead), char(trail)};
            char16_t out[2] = {};
            char* ip = in;
            char* op = reinterpret_cast<char*>(out);
            std::size_t il = sizeof in, ol = sizeof out;
            ::iconv(cv, nullptr, nullptr, nullptr, nullptr);
            // One pair, one UTF-16 unit: anything else is no character of the table.
            if (::iconv(cv, &ip, &il, &op, &ol) != std::size_t(-1) && il == 0 && ol == sizeof out - 2 &&
                out[0] >= 0x80 && (out[0] < 0xD800 || out[0] > 0xDFFF))
                Put(*t, lead, trail, out[0]);
        }
    ::iconv_close(cv);
    for (int i = 0; i < 2 * kUserDefinedRow; ++i)
        Put(*t, i < kUserDefinedRow ? 0xC9 : 0xFE, 0xA1 + i % kUserDefinedRow, char16_t(kUserDefinedFirst + i));
    return t;
}

const Table* Get() {
    static const std::unique_ptr<Table> table = Read();
    return table.get();
}

}  // namespace

bool IsKoreanCharset(std::string_view charset) {
    std::string key;
    for (char c : charset)
        if (c != '-' && c != '_') key += char(std::toupper(static_cast<unsigned char>(c)));
    for (const char* korean : {"EUCKR", "CSEUCKR", "CP949", "UHC", "MSCP949", "WINDOWS949"})
        if (key == korean) return true;
    return false;
}

bool HaveCodePage949() { return Get() != nullptr; }

std::u16string Cp949ToWide(std::string_view text) {
    const Table& t = *Get();
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            out += char16_t(b);
            ++i;
        } else if (Lead(b) && i + 1 < text.size() && Trail(static_cast<unsigned char>(text[i + 1]))) {
            const char16_t unit = t.toWide[b << 8 | static_cast<unsigned char>(text[i + 1])];
            out += unit ? unit : u'?';
            i += 2;
        } else {
            out += u'?';
            ++i;
        }
    }
    return out;
}

std::string WideToCp949(std::u16string_view text, std::size_t limit) {
    const Table& t = *Get();
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const std::uint16_t pair = c < 0x80 ? c : t.toAnsi[c];
        const std::size_t size = pair > 0xFF ? 2 : 1;
        if (out.size() + size > limit) break;
        if (pair > 0xFF) {
            out += char(pair >> 8);
            out += char(pair & 0xFF);
        } else {
            out += c < 0x80 ? char(c) : '?';
        }
        // A whole surrogate pair is one character.
        i += UnitsOfCharacterAt(text, i) - 1;
    }
    return out;
}

}  // namespace platform::detail
