// FNV-1a, the one hash of byte strings in the layer: keys of kept results, and
// names too long to be used whole.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// The 64-bit offset basis: the hash of no bytes.
constexpr std::uint64_t kHashSeed = 0xCBF29CE484222325ull;

// Continues the hash `h` over `size` bytes at `data`.
inline std::uint64_t HashBytes(std::uint64_t h, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) h = (h ^ bytes[i]) * 0x100000001B3ull;
    return h;
}

}  // namespace platform
