// Paths between the file system's bytes and the program's UTF-16 text.
//
// The file system names files with bytes, read as UTF-8. A name whose bytes
// are not valid UTF-8 still has to reach the same file again, so the
// conversion is lossless for every byte string: each byte that is not part of
// a valid UTF-8 character becomes the lone unit U+DC00 + byte (0xDC80 to
// 0xDCFF), and going back such a unit becomes its byte again. Valid UTF-8
// never yields a lone surrogate, so nothing else maps to those units.
#pragma once

#include <string>
#include <string_view>

namespace platform {

std::u16string PathFromBytes(std::string_view bytes);
// The bytes of a path; a lone surrogate that stands for no byte becomes '?'.
std::string PathToBytes(std::u16string_view path);

}  // namespace platform
