#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/base/hash.h"

// The published FNV-1a 64-bit values: a wrong seed or prime changes every one.
TEST(Hash, Fnv1aOfKnownTexts) {
    const struct {
        std::string text;
        std::uint64_t hash;
    } cases[] = {
        {"", 0xCBF29CE484222325ull},
        {"a", 0xAF63DC4C8601EC8Cull},
        {"foobar", 0x85944171F73967E8ull},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::HashBytes(platform::kHashSeed, c.text.data(), c.text.size()), c.hash) << c.text;
        // Hashing in pieces continues the same hash.
        const std::size_t half = c.text.size() / 2;
        const std::uint64_t front = platform::HashBytes(platform::kHashSeed, c.text.data(), half);
        EXPECT_EQ(platform::HashBytes(front, c.text.data() + half, c.text.size() - half), c.hash) << c.text;
    }
}
