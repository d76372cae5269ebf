// printf-style formatting of UTF-16 text with the wide conventions of the
// program's formats.
#include <gtest/gtest.h>

#include <cstdarg>
#include <climits>
#include <iterator>

#include "platform/base/wformat.h"

using platform::FormatWide;

namespace {
std::size_t IntoBuffer(char16_t* buffer, std::size_t count, const char16_t* format, ...) {
    va_list ap;
    va_start(ap, format);
    const std::size_t n = platform::FormatWideV(buffer, count, format, ap);
    va_end(ap);
    return n;
}
}  // namespace

TEST(WideFormat, StringsCharactersAndNumbers) {
    EXPECT_EQ(FormatWide(u"Not Created Window! (%s)", u"CLed::Init"), u"Not Created Window! (CLed::Init)");
    EXPECT_EQ(FormatWide(u"%hs|%S|%ls", "ab", "cd", u"풍속"), u"ab|cd|풍속");
    EXPECT_EQ(FormatWide(u"%c%C%hc", char16_t(u'가'), 'x', 'y'), u"가xy");
    EXPECT_EQ(FormatWide(u"[%5s][%-5s][%.2s]", u"ab", u"ab", u"abcd"), u"[   ab][ab   ][ab]");
    EXPECT_EQ(FormatWide(u"%d %05d %x %u %I64d %lld", -12, 42, 255u, 7u, 1LL << 40, -3LL),
              u"-12 00042 ff 7 1099511627776 -3");
    EXPECT_EQ(FormatWide(u"%3.1f %.0f %e", 12.25, 2.5, 1500.0), u"12.2 2 1.500000e+03");
    EXPECT_EQ(FormatWide(u"%*d|%-*d|", 4, 7, 3, 8), u"   7|8  |");
    EXPECT_EQ(FormatWide(u"100%% %s", static_cast<const char16_t*>(nullptr)), u"100% (null)");
    // Not a conversion: kept as written.
    EXPECT_EQ(FormatWide(u"%y and %"), u"%y and %");
}

TEST(WideFormat, ABufferCutsTheTextWithoutSplittingACharacter) {
    char16_t buffer[6];
    EXPECT_EQ(IntoBuffer(buffer, 6, u"%s", u"abcdefgh"), 5u);
    EXPECT_EQ(std::u16string(buffer), u"abcde");
    // U+1F600 is two units; a cut between them drops the half.
    const char16_t emoji[] = {u'a', u'b', u'c', u'd', 0xD83D, 0xDE00, 0};
    EXPECT_EQ(IntoBuffer(buffer, 6, u"%s", emoji), 4u);
    EXPECT_EQ(std::u16string(buffer), u"abcd");
    EXPECT_EQ(platform::FormatNarrow("%s-%d", "abc", 12), "abc-12");
}

// A conversion is formatted whole however wide; widths and precisions too large
// for the field limit (or for an int) saturate at it instead of overflowing.
TEST(WideFormat, LongFieldsAreWholeAndHugeOnesSaturate) {
    const std::size_t limit = platform::kFormatFieldLimit;
    const std::u16string wide = FormatWide(u"%600d|", 7);
    EXPECT_EQ(wide, std::u16string(599, u' ') + u"7|");
    EXPECT_EQ(FormatWide(u"%.600f", 1.0), u"1." + std::u16string(600, u'0'));
    EXPECT_EQ(FormatWide(u"%-600s|", u"ab"), u"ab" + std::u16string(598, u' ') + u"|");

    struct Case {
        std::u16string text;
        std::u16string expected;
    };
    const Case cases[] = {
        {FormatWide(u"%99999999999d|", 5), std::u16string(limit - 1, u' ') + u"5|"},
        {FormatWide(u"%.99999999999d|", 5), std::u16string(limit - 1, u'0') + u"5|"},
        {FormatWide(u"%*d|", INT_MIN, 5), u"5" + std::u16string(limit - 1, u' ') + u"|"},
        {FormatWide(u"%*d|", INT_MAX, 5), std::u16string(limit - 1, u' ') + u"5|"},
        {FormatWide(u"%99999999999s|", u"ab"), std::u16string(limit - 2, u' ') + u"ab|"},
        // A precision only cuts a string: a huge one cuts nothing.
        {FormatWide(u"%.99999999999s|", u"abc"), u"abc|"},
        // A negative precision counts as none.
        {FormatWide(u"%.*f|", -1, 2.5), u"2.500000|"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_TRUE(cases[i].text == cases[i].expected) << "case " << i;
}
