// Paths between the file system's bytes and UTF-16: every byte string comes
// back exactly; valid UTF-8 reads as its characters.
#include <gtest/gtest.h>

#include <string>

#include "platform/base/path_text.h"

TEST(PathText, EveryShortByteStringComesBackExactly) {
    for (int a = 0; a < 256; ++a) {
        const std::string one(1, char(a));
        ASSERT_EQ(platform::PathToBytes(platform::PathFromBytes(one)), one) << a;
        for (int b = 0; b < 256; ++b) {
            for (const std::string& s : {one + char(b), "\xE2" + one + char(b), one + char(b) + "\x80\x80"})
                ASSERT_EQ(platform::PathToBytes(platform::PathFromBytes(s)), s) << a << " " << b;
        }
    }
}

TEST(PathText, ValidUtf8IsReadAsItsCharacters) {
    const struct {
        std::string bytes;
        std::u16string text;
    } cases[] = {
        {"/home/op/wind", u"/home/op/wind"},
        {"\xEB\xB0\x94\xEB\x9E\x8C", u"바람"},
        {"\xF0\x9F\x8C\xAC", u"\U0001F32C"},
        {"caf\xE9", u"caf\xDCE9"},           // a Latin-1 byte stands for itself
        {"\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},  // no surrogate from bytes
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::PathFromBytes(c.bytes), c.text);
        EXPECT_EQ(platform::PathToBytes(c.text), c.bytes);
    }
    EXPECT_EQ(platform::PathToBytes(u"a\xD800z"), "a?z") << "a lone surrogate that stands for no byte";
}
