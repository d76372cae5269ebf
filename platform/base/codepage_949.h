// Code page 949 (Unified Hangul Code), the character set of Korean Windows, for
// the code-page conversions (codepage.h) under a Korean locale: EUC-KR's
// characters, the 8,822 syllables EUC-KR lacks (lead bytes 81 to C6 with trail
// bytes 41 to 5A, 61 to 7A and 81 to FE; 햏 is C1 64), and the user-defined
// area (lead byte C9 or FE, trail A1 to FE), which Windows maps to the
// private-use characters U+E000 to U+E0BB in that order.
//
// The table is read once from the C library's CP949 converter (17,048 double
// bytes, as Microsoft's table), the user-defined area added. Each character is
// looked up on its own: glibc's converter steps over some unknown pairs
// without saying so, which would take the byte after them along.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform::detail {

// Whether `charset` (a locale's, as nl_langinfo names it) is Korean: EUC-KR, or
// code page 949 under one of its names (CP949, UHC).
bool IsKoreanCharset(std::string_view charset);

// Whether the C library has the CP949 table; without it the conversions fall
// back on the locale's own character set.
bool HaveCodePage949();

// Bytes that are not a character become '?': a lead byte and a trail byte
// that make no character are one '?'; a lead byte before anything else is
// one, and what follows it is read on its own (an ASCII separator after it
// stays a separator).
std::u16string Cp949ToWide(std::string_view text);
// Characters that code page 949 does not hold become '?' (a surrogate pair is
// one character). At most `limit` bytes, of whole characters.
std::string WideToCp949(std::u16string_view text, std::size_t limit);

}  // namespace platform::detail
