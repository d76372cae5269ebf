// IPv4 address texts and byte orders, as Windows Sockets offers them. Addresses
// in a DWORD are in network byte order (the first number of the dotted text in
// the lowest byte) unless a name says host order.
#pragma once

#include <string>

#include "platform/base/types.h"

constexpr DWORD INADDR_NONE = 0xFFFFFFFF;

// Host order to network order and back (this machine is little-endian).
DWORD htonl(DWORD hostOrder);
DWORD ntohl(DWORD networkOrder);
WORD htons(WORD hostOrder);
WORD ntohs(WORD networkOrder);

// The address of a text in the classic forms "a.b.c.d", "a.b.c", "a.b" and "a"
// (each part decimal, octal with a leading 0 or hexadecimal with 0x; the last
// part fills the remaining bytes), with nothing but blanks after it; INADDR_NONE
// when the text is none of these (null, empty, letters, a part too large).
DWORD inet_addr(const char* text);

// The dotted text "a.b.c.d" of an address in network order.
std::string inet_ntoa(DWORD networkOrder);

namespace platform {
// Strict reading of an operator's entry: exactly four decimal parts of 0 to 255
// separated by dots, with no blanks, signs or leading zeros beyond one digit "0".
// Returns false (and leaves `address` alone) for anything else.
bool ParseDottedIpv4(const std::string& text, DWORD* address);
}  // namespace platform
