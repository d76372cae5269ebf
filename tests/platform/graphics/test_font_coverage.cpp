// Which characters a family draws with its own glyphs.
#include <gtest/gtest.h>

#include "platform/graphics/font_coverage.h"
#include "tests/support/test_font.h"

using namespace gfx;

TEST(FontCoverage, OnlyTheFamilysOwnGlyphsCount) {
    const std::vector<unsigned char> bytes = MakeTestFont("Coverage Test", StandardTestGlyphs());
    PrivateFontCollection collection;
    ASSERT_EQ(collection.AddMemoryFont(bytes.data(), int(bytes.size())), Ok);
    FontFamily family;
    int found = 0;
    collection.GetFamilies(1, &family, &found);
    ASSERT_EQ(found, 1);
    const std::pair<char32_t, bool> cases[] = {
        {U'O', true}, {U'B', true}, {16, true}, {U'A', false}, {U'€', false}, {0xD800, false}, {0x110000, false},
    };
    for (auto [code, has] : cases) EXPECT_EQ(FamilyHasGlyph(&family, code), has) << unsigned(code);
    FontFamily missing(u"No Such Family Anywhere");
    EXPECT_FALSE(FamilyHasGlyph(&missing, U'A'));
    EXPECT_FALSE(FamilyHasGlyph(nullptr, U'A'));
}
