#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QWidget>

#include "controls/utility.h"
#include "platform/runtime/app.h"
#include "platform/system/display.h"
#include "platform/system/version.h"
#include "res/version_block.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace {

const char16_t* const kNames[] = {u"FileVersion",    u"InternalName", u"LegalCopyright", u"OriginalFilename",
                                  u"ProductVersion", u"ProductName",  u"CompanyName"};

// A block whose every value names itself, under the string table `table`.
platform::VersionBlock SelfNamingBlock(std::u16string_view table) {
    platform::VersionBlock block;
    for (const char16_t* name : kNames)
        block.SetText(u"\\StringFileInfo\\" + std::u16string(table) + u"\\" + name, u"value of " + std::u16string(name));
    return block;
}

}  // namespace

TEST(UtilityVersion, ProgramValuesForTheKeysTheWindowsUse) {
    CUtility util;
    EXPECT_EQ(util.GetVersionString(CUtility::kProductName), u"ZEL Rerovora");
    EXPECT_EQ(util.GetVersionString(CUtility::kLegalCopyright), u"Copyright (C) 2026 ZEL");
    const std::u16string version = util.GetVersionString(CUtility::kFileVersion);
    EXPECT_EQ(std::count(version.begin(), version.end(), u'.'), 3) << Utf16ToUtf8(version);
    EXPECT_EQ(util.GetVersionString(-1), u"");
    EXPECT_EQ(util.GetVersionString(7), u"");
}

TEST(UtilityVersion, EachKeyReadsItsValueThroughTheTranslation) {
    platform::VersionBlock block = SelfNamingBlock(u"040904e4");
    block.SetBinary(u"\\VarFileInfo\\Translation", {0x09, 0x04, 0xE4, 0x04});  // 0x0409, code page 1252
    res::ScopedVersionResource scope(&block);
    CUtility util;
    for (int key = 0; key <= 6; ++key)
        EXPECT_EQ(util.GetVersionString(key), u"value of " + std::u16string(kNames[key])) << key;
    EXPECT_EQ(util.GetVersionString(7), u"");
}

TEST(UtilityVersion, WithoutAFourByteTranslationTheUserLanguageAndUtf16AreUsed) {
    const ScopedEnv korean("LC_ALL", "ko_KR.UTF-8");
    platform::VersionBlock block = SelfNamingBlock(u"041204B0");
    CUtility util;
    {
        res::ScopedVersionResource scope(&block);  // no translation table at all
        EXPECT_EQ(util.GetVersionString(CUtility::kProductName), u"value of ProductName");
    }
    // Two translations (8 bytes): the first is not used either.
    block.SetBinary(u"\\VarFileInfo\\Translation", {0x09, 0x04, 0xB0, 0x04, 0x12, 0x04, 0xB0, 0x04});
    {
        res::ScopedVersionResource scope(&block);
        EXPECT_EQ(util.GetVersionString(CUtility::kCompanyName), u"value of CompanyName");
        const ScopedEnv english("LC_ALL", "en_US.UTF-8");  // now the table for 0409 is asked for
        EXPECT_EQ(util.GetVersionString(CUtility::kCompanyName), u"");
    }
    res::ScopedVersionResource none(nullptr);
    EXPECT_EQ(util.GetVersionString(CUtility::kProductName), u"");
}

TEST(UtilityDisplay, MonitorRectIsTheModeSizeAtTheOrigin) {
    CUtility util;
    platform::DisplayInfo info;
    ASSERT_TRUE(platform::GetDisplay(0, &info));
    CRect r(1, 2, 3, 4);
    util.GetMonitorRect(0, r);
    EXPECT_EQ(r, CRect(0, 0, info.modeWidth, info.modeHeight));

    r = CRect(1, 2, 3, 4);
    util.GetMonitorRect(platform::DisplayCount(), r);
    EXPECT_EQ(r, CRect(0, 0, 0, 0));
    r = CRect(1, 2, 3, 4);
    util.GetMonitorRect(-1, r);
    EXPECT_EQ(r, CRect(0, 0, 0, 0));
}

TEST(UtilityDisplay, CaptureWritesAPngOfTheWholeDisplayOrNothing) {
    platform::DisplayInfo info;
    ASSERT_TRUE(platform::GetDisplay(0, &info));
    QWidget window;
    window.setGeometry(info.desktopRect.left, info.desktopRect.top, info.modeWidth, info.modeHeight);
    window.setStyleSheet("background: #2040f0");
    window.show();
    platform::PumpEvents(50);

    TempDir dir;
    CUtility util;
    util.CaptureScreen(U16(dir / "20260101_120000.png"), 0);
    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString((dir / "20260101_120000.png").string())));
    EXPECT_EQ(image.width(), info.modeWidth);
    EXPECT_EQ(image.height(), info.modeHeight);
    EXPECT_EQ(image.pixelColor(image.width() / 2, image.height() / 2), QColor(0x20, 0x40, 0xf0));

    util.CaptureScreen(U16(dir / "past.png"), platform::DisplayCount());
    util.CaptureScreen(U16(dir / "Capture" / "no-folder.png"), 0);
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) files.push_back(e.path().filename());
    EXPECT_EQ(files, std::vector<std::string>{"20260101_120000.png"});
}

