// The "ANSI code page": the 8-bit character set of the texts kept in the
// settings file and sent to the data server.
//
// It is the character set of the LC_CTYPE locale that the program was started
// under (LC_ALL, LC_CTYPE or LANG), for example EUC-KR under ko_KR.EUC-KR.
// The GUI toolkit switches the process's own LC_CTYPE to a UTF-8 locale at
// start-up, so the process locale is not asked; a thread that has installed a
// locale of its own with uselocale() uses that locale's character set instead.
//
// Under a Korean locale (a character set of EUC-KR, CP949 or UHC) texts are
// converted as Korean Windows converts its code page 949, of which EUC-KR is a
// subset: the syllables EUC-KR lacks (햏 is C1 64) and the user-defined area
// (lead byte C9 or FE, as U+E000 to U+E0BB) are kept too, so the bytes of a
// Windows site's texts come back unchanged from a round trip through UTF-16.
// A C library without a CP949 converter converts as its EUC-KR.
//
// Characters that the set cannot hold, and bytes that are not valid in it,
// become '?' (under code page 949 a lead byte and a trail byte that make no
// character are one '?'; a lead byte before anything else is one, and what
// follows it is read on its own).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// The character set's name as iconv knows it ("UTF-8", "EUC-KR", "ANSI_X3.4-1968").
std::string AnsiCharset();

}  // namespace platform

std::u16string AnsiToWide(std::string_view text);
std::string WideToAnsi(std::u16string_view text);

// Converts `text` into the fixed-size field `dst` of `fieldSize` bytes: at most
// fieldSize - 1 bytes of whole characters (a character that does not fit is left
// out with everything after it), then a terminator; the rest of the field is
// zeroed. Writes nothing when fieldSize is 0. Returns the bytes written before the
// terminator.
std::size_t WideToAnsiField(std::u16string_view text, char* dst, std::size_t fieldSize);

// Reads a text field of `fieldSize` bytes: up to its terminator, or the whole
// field when it holds none. Never reads past the field.
std::u16string AnsiFieldToWide(const char* field, std::size_t fieldSize);

// How many UTF-16 units the character at `at` of `text` takes: 2 for a whole
// surrogate pair, else 1.
inline std::size_t UnitsOfCharacterAt(std::u16string_view text, std::size_t at) {
    return text[at] >= 0xD800 && text[at] <= 0xDBFF && at + 1 < text.size() && text[at + 1] >= 0xDC00 &&
                   text[at + 1] <= 0xDFFF
               ? 2
               : 1;
}
