// The program's binary resources: registry, test overrides, and what the
// program registers at start-up.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "platform/system/resources.h"
#include "res/resources.h"

namespace {

constexpr UINT kTestId = 64001;  // an id the program does not use

platform::ResourceBytes Bytes(const char* text) {
    return {reinterpret_cast<const std::byte*>(text), std::strlen(text)};
}

std::string Text(platform::ResourceBytes bytes) {
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

}  // namespace

TEST(Resources, RegisteredBytesAreFoundByTypeAndIdAndCanBeReplacedOrRemoved) {
    EXPECT_FALSE(platform::FindResource("BINARY", kTestId));

    platform::RegisterResource("BINARY", kTestId, Bytes("first"));
    platform::RegisterResource("PNG", kTestId, Bytes("image"));
    ASSERT_TRUE(platform::FindResource("BINARY", kTestId));
    EXPECT_EQ(Text(*platform::FindResource("BINARY", kTestId)), "first");
    // The type is part of the key, and is matched without regard to case.
    EXPECT_EQ(Text(*platform::FindResource("png", kTestId)), "image");
    EXPECT_FALSE(platform::FindResource("BINARY", kTestId + 1));

    platform::RegisterResource("binary", kTestId, Bytes("second"));
    EXPECT_EQ(Text(*platform::FindResource("BINARY", kTestId)), "second");

    EXPECT_TRUE(platform::RemoveResource("BINARY", kTestId));
    EXPECT_FALSE(platform::RemoveResource("BINARY", kTestId));
    EXPECT_FALSE(platform::FindResource("BINARY", kTestId));
    EXPECT_TRUE(platform::FindResource("PNG", kTestId));
    platform::RemoveResource("PNG", kTestId);
}

TEST(Resources, AnEmptyResourceIsPresentButEmpty) {
    platform::RegisterResource("BINARY", kTestId, {});
    const auto found = platform::FindResource("BINARY", kTestId);
    ASSERT_TRUE(found);
    EXPECT_TRUE(found->empty());
    platform::RemoveResource("BINARY", kTestId);
}

TEST(Resources, AnOverrideReplacesOrHidesAResourceAndRestoresItAfterwards) {
    platform::RegisterResource("BINARY", kTestId, Bytes("original"));
    {
        platform::ScopedResourceOverride corrupt("BINARY", kTestId, Bytes("corrupt"));
        EXPECT_EQ(Text(*platform::FindResource("BINARY", kTestId)), "corrupt");
        {
            platform::ScopedResourceOverride missing("BINARY", kTestId, std::nullopt);
            EXPECT_FALSE(platform::FindResource("BINARY", kTestId));
        }
        EXPECT_EQ(Text(*platform::FindResource("BINARY", kTestId)), "corrupt");
    }
    EXPECT_EQ(Text(*platform::FindResource("BINARY", kTestId)), "original");
    platform::RemoveResource("BINARY", kTestId);

    // Overriding a resource that did not exist leaves none behind.
    {
        platform::ScopedResourceOverride added("PNG", kTestId, Bytes("x"));
        EXPECT_TRUE(platform::FindResource("PNG", kTestId));
    }
    EXPECT_FALSE(platform::FindResource("PNG", kTestId));
}

TEST(Resources, TheProgramRegistersItsFourFontFilesAndItsIcon) {
    res::RegisterResources();
    constexpr std::array<unsigned char, 4> kTrueType{0x00, 0x01, 0x00, 0x00};
    for (UINT id : {res::IDR_FONT_SEGMENT, res::IDR_FONT_MATRIX_LCD, res::IDR_FONT_ROUND_LCD,
                    res::IDR_FONT_HMI_ICONS}) {
        const auto font = platform::FindResource(res::kBinaryResource, id);
        ASSERT_TRUE(font) << "font resource " << id;
        ASSERT_GT(font->size(), 1000u) << "font resource " << id;
        EXPECT_EQ(std::memcmp(font->data(), kTrueType.data(), kTrueType.size()), 0)
            << "font resource " << id << " is not a TrueType file";
    }
    const auto icon = platform::FindResource(res::kIconResource, res::IDR_MAINFRAME_ICON);
    ASSERT_TRUE(icon);
    ASSERT_GT(icon->size(), 8u);
    EXPECT_EQ(std::memcmp(icon->data(), "\x89PNG\r\n\x1a\n", 8), 0);
}
