// The private font set loaded from the program's resources, and images from
// PNG resources (the free loader and the utility object's).
#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "controls/hmi_fonts.h"
#include "controls/utility.h"
#include "platform/runtime/app.h"
#include "platform/graphics/graphics.h"
#include "platform/system/resources.h"
#include "res/resources.h"
#include "tests/controls/control_scene.h"
#include "tests/support/pixel_harness.h"

using namespace gfx;

// The controls look their resources up under the program's own ids.
static_assert(hmi_resources::kSegmentFont == res::IDR_FONT_SEGMENT);
static_assert(hmi_resources::kMatrixLcdFont == res::IDR_FONT_MATRIX_LCD);
static_assert(hmi_resources::kRoundLcdFont == res::IDR_FONT_ROUND_LCD);
static_assert(hmi_resources::kIconFont == res::IDR_FONT_HMI_ICONS);

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

struct FontRow {
    UINT id;
    const char16_t* family;
    const char16_t* failure;
    FontFamily HmiFontSet::*member;
};

const FontRow kRows[] = {
    {150, u"Rerovora Segment", u"FND Font add fails", &HmiFontSet::m_segmentFamily},
    {190, u"DSEG14 Classic", u"Matrix LCD Font add fails", &HmiFontSet::m_matrixLcdFamily},
    {191, u"DSEG14 Modern", u"Round LCD Font add fails", &HmiFontSet::m_roundLcdFamily},
    {189, u"Rerovora HMI Icons", u"HMI Icon Font add fails", &HmiFontSet::m_iconFamily},
};

// Whether text in the family has an outline (it can be drawn).
bool Draws(const FontFamily& family, const char16_t* text) {
    GraphicsPath path;
    path.AddString(text, INT(std::char_traits<char16_t>::length(text)), &family, FontStyleRegular, 30.0f,
                   PointF(0, 0), nullptr);
    return path.GetPointCount() > 0;
}

QByteArray PngOf(int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

::testing::AssertionResult Untouched(const Snapshot& snap, COLORREF background) {
    for (int y = 0; y < snap.Image().height(); ++y)
        for (int x = 0; x < snap.Image().width(); ++x)
            if (snap.Pixel(x, y) != background) return ::testing::AssertionFailure() << "drawn at " << x << "," << y;
    return ::testing::AssertionSuccess();
}

platform::ResourceBytes Bytes(const QByteArray& data) {
    return {reinterpret_cast<const std::byte*>(data.constData()), std::size_t(data.size())};
}

class HmiFontsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { res::RegisterBinaryResources(); }
};

}  // namespace

// ---------------------------------------------------------------------------
// Fonts

TEST_F(HmiFontsTest, TheFourFontsLoadFromMemoryWithTheirFamiliesAndNoMessage) {
    control_test::BoxRecorder recorder;
    HmiFontSet fonts;
    for (const FontRow& row : kRows) EXPECT_FALSE((fonts.*row.member).IsAvailable()) << row.id;  // empty at first
    fonts.LoadPrivateFonts();
    EXPECT_TRUE(recorder.boxes.empty());
    for (const FontRow& row : kRows) {
        const FontFamily& family = fonts.*row.member;
        ASSERT_TRUE(family.IsAvailable()) << row.id;
        EXPECT_EQ(family.GetFamilyName(), row.family) << row.id;
    }
    EXPECT_EQ(fonts.m_segmentFonts.GetFamilyCount(), 1);
    EXPECT_EQ(fonts.m_iconFonts.GetFamilyCount(), 1);
    EXPECT_TRUE(Draws(fonts.m_segmentFamily, u"12.5"));
    EXPECT_TRUE(Draws(fonts.m_matrixLcdFamily, u"OVER"));

    // The icon font exists only inside its collection: no installed face of
    // that name, and the symbols draw from the set's family.
    EXPECT_FALSE(FontFamily(u"Rerovora HMI Icons").IsAvailable());
    EXPECT_TRUE(FontFamily(u"Rerovora HMI Icons", &fonts.m_iconFonts).IsAvailable());
    EXPECT_TRUE(Draws(fonts.m_iconFamily, u"\x10" u"\x12" u"d"));
}

TEST_F(HmiFontsTest, ARejectedFontShowsItsOwnMessageOnceAndTheOthersStillLoad) {
    const QByteArray garbage(4096, '\x5A');
    for (const FontRow& bad : kRows) {
        platform::ScopedResourceOverride corrupt(hmi_resources::kFontType, bad.id, Bytes(garbage));
        control_test::BoxRecorder recorder;
        HmiFontSet fonts;
        fonts.LoadPrivateFonts();
        ASSERT_EQ(recorder.boxes.size(), 1u) << bad.id;
        EXPECT_EQ(recorder.boxes[0], bad.failure) << bad.id;
        for (const FontRow& row : kRows) {
            const FontFamily& family = fonts.*row.member;
            if (row.id == bad.id) {
                EXPECT_FALSE(family.IsAvailable()) << row.id;
            } else {
                ASSERT_TRUE(family.IsAvailable()) << "with " << bad.id << " rejected: " << row.id;
                EXPECT_EQ(family.GetFamilyName(), row.family) << row.id;
            }
        }
    }
}

TEST_F(HmiFontsTest, AMissingIconFontIsSkippedSilentlyAndLeavesItsFamilyEmpty) {
    platform::ScopedResourceOverride missing(hmi_resources::kFontType, hmi_resources::kIconFont, std::nullopt);
    control_test::BoxRecorder recorder;
    HmiFontSet fonts;
    fonts.LoadPrivateFonts();
    EXPECT_TRUE(recorder.boxes.empty());
    EXPECT_FALSE(fonts.m_iconFamily.IsAvailable());
    EXPECT_EQ(fonts.m_iconFonts.GetFamilyCount(), 0);
    EXPECT_TRUE(fonts.m_segmentFamily.IsAvailable());
    EXPECT_TRUE(fonts.m_matrixLcdFamily.IsAvailable());
    EXPECT_TRUE(fonts.m_roundLcdFamily.IsAvailable());
    EXPECT_FALSE(Draws(fonts.m_iconFamily, u"d"));
}

// ---------------------------------------------------------------------------
// PNG resources

constexpr UINT kRedId = 9101, kBlueId = 9102, kMissingId = 9199;

TEST_F(HmiFontsTest, ImagesLoadedOneAfterAnotherBothStayWhole) {
    // The resource bytes live in buffers the test frees after loading: an image
    // that still read them would draw garbage (or trip the sanitizer).
    auto red = std::make_unique<QByteArray>(PngOf(6, 4, QColor(255, 0, 0)));
    auto blue = std::make_unique<QByteArray>(PngOf(5, 5, QColor(0, 0, 255)));
    std::optional<platform::ScopedResourceOverride> r, b;
    r.emplace(hmi_resources::kImageType, kRedId, Bytes(*red));
    b.emplace(hmi_resources::kImageType, kBlueId, Bytes(*blue));

    auto util = std::make_unique<CUtility>();
    std::unique_ptr<Image> first(util->LoadPngResource(kRedId));
    std::unique_ptr<Image> second(util->LoadPngResource(kBlueId));  // the first must survive this
    std::unique_ptr<Image> third(LoadPngResource(kRedId));          // the free loader
    ASSERT_TRUE(first && second && third);
    util.reset();  // images do not depend on the object that loaded them
    r.reset();
    b.reset();
    red->fill('\0');
    blue->fill('\0');
    red.reset();
    blue.reset();

    for (const auto* image : {first.get(), second.get(), third.get()}) EXPECT_EQ(image->GetLastStatus(), Ok);

    Canvas canvas(40, 20, kWhite);
    canvas.Graphics().DrawImage(first.get(), 2, 2);
    canvas.Graphics().DrawImage(second.get(), 14, 2);
    canvas.Graphics().DrawImage(third.get(), 26, 2);
    auto snap = canvas.Snap();
    EXPECT_TRUE(snap->Near(4, 3, RGB(255, 0, 0)));
    EXPECT_TRUE(snap->Near(16, 4, RGB(0, 0, 255)));
    EXPECT_TRUE(snap->Near(28, 3, RGB(255, 0, 0)));
    EXPECT_TRUE(snap->Near(4, 10, kWhite));   // below the 4-pixel-high image
    EXPECT_TRUE(snap->Near(21, 4, kWhite));   // right of the 5-pixel-wide one
}

TEST_F(HmiFontsTest, AMissingOrUndecodablePngGivesAnImageInErrorThatDrawsNothing) {
    const QByteArray notPng("this is not a picture");
    platform::ScopedResourceOverride junk(hmi_resources::kImageType, kBlueId, Bytes(notPng));
    CUtility util;
    Canvas canvas(20, 20, kWhite);
    std::vector<std::unique_ptr<Image>> images;
    images.emplace_back(util.LoadPngResource(kMissingId));
    images.emplace_back(util.LoadPngResource(kBlueId));
    images.emplace_back(LoadPngResource(kMissingId));
    images.emplace_back(LoadPngResource(kBlueId));
    for (const auto& image : images) {
        ASSERT_NE(image, nullptr);
        EXPECT_NE(image->GetLastStatus(), Ok);
        EXPECT_EQ(image->GetWidth(), 0u);
        canvas.Graphics().DrawImage(image.get(), 0, 0);
        canvas.Graphics().DrawImage(image.get(), 0, 0, 20, 20);
    }
    EXPECT_TRUE(Untouched(*canvas.Snap(), kWhite));
}
