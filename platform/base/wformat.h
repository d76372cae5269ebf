// printf-style formatting of UTF-16 text, with the wide conventions the program's
// formats are written in: %s and %c take UTF-16 (char16_t) strings and
// characters, %hs / %S and %hc / %C take 8-bit ones (read as the ANSI code page),
// %ls / %ws are UTF-16 too; %I64d, %I32d and %Id are accepted. Numbers are always
// written in the C locale. %n writes nothing.
//
// Every conversion is formatted whole, however wide. A width or precision above
// kFormatFieldLimit (written out, or passed for '*', up to INT_MIN) saturates at
// it, so one conversion never makes more than that many units of padding, zeros
// or digits. A negative precision passed for '*' counts as none.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

namespace platform {

inline constexpr int kFormatFieldLimit = 1 << 20;

// Formats into `buffer` of `count` units (terminator included), cutting the text
// at the buffer's end; returns the units written before the terminator.
std::size_t FormatWideV(char16_t* buffer, std::size_t count, const char16_t* format, va_list args);
std::u16string FormatWideV(const char16_t* format, va_list args);
std::u16string FormatWide(const char16_t* format, ...);

// vsnprintf in the C locale: the text is cut at the buffer's end and always
// terminated; returns the bytes written before the terminator.
std::size_t FormatNarrowV(char* buffer, std::size_t count, const char* format, va_list args);
std::string FormatNarrow(const char* format, ...);

}  // namespace platform
