// Paths between bytes and UTF-16: any bytes come back exactly, and any UTF-16
// text settles after one trip (its bytes come back the same).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/base/path_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (platform::PathToBytes(platform::PathFromBytes(bytes)) != bytes) std::abort();

    std::u16string text(size / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) text[i] = char16_t(data[2 * i] | (data[2 * i + 1] << 8));
    const std::string once = platform::PathToBytes(text);
    if (platform::PathToBytes(platform::PathFromBytes(once)) != once) std::abort();
    return 0;
}
