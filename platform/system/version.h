// The program's version block: named values queried by path, as the Windows
// version resource is.
//
// Paths are "\VarFileInfo\Translation" (binary: pairs of 16-bit language id and
// code page, little-endian) and "\StringFileInfo\<lang><codepage>\<Name>" (text),
// matched without regard to letter case.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/base/types.h"

namespace platform {

class VersionBlock {
public:
    void SetBinary(std::u16string_view path, std::vector<std::uint8_t> bytes);
    void SetText(std::u16string_view path, std::u16string_view text);
    // On success points `data` at the value: the bytes of a binary value, with
    // `length` in bytes, or the zero-terminated UTF-16 text, with `length` in
    // characters including the terminator. The pointer lives as long as the block.
    bool Query(std::u16string_view path, const void** data, UINT* length) const;

private:
    struct Value {
        std::vector<std::uint8_t> bytes;
        std::u16string text;
        bool isText = false;
    };
    std::map<std::u16string, Value> m_values;  // keyed by the path in lower case
};

}  // namespace platform

// Looks `subBlock` up in `block` (a platform::VersionBlock).
// Returns FALSE when the block is null or has no such value.
BOOL VerQueryValueW(const void* block, LPCWSTR subBlock, void** buffer, UINT* length);

// The user's language as a Windows language id (0x0412 Korean, 0x0409 English
// (United States), ...), from the locale the environment names for messages
// (LC_ALL, LC_MESSAGES, LANG); 0x0409 when it names none or one not known here.
WORD GetUserDefaultLangID();
