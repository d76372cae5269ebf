#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "platform/system/version.h"
#include "res/version_block.h"
#include "res/version_values.h"
#include "tests/support/scoped_env.h"

namespace {

std::u16string QueryText(const void* block, const char16_t* path) {
    void* p = nullptr;
    UINT len = 0;
    if (!VerQueryValueW(block, path, &p, &len)) return u"<none>";
    const std::u16string text(static_cast<const char16_t*>(p));
    EXPECT_EQ(len, text.size() + 1);
    return text;
}

}  // namespace

TEST(VersionBlock, ProgramBlockAnnouncesKoreanUtf16AndHoldsItsValues) {
    const void* block = res::FindVersionResource();
    ASSERT_NE(block, nullptr);
    void* p = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueW(block, u"\\VarFileInfo\\Translation", &p, &len));
    ASSERT_EQ(len, 4u);
    unsigned char t[4];
    std::memcpy(t, p, 4);
    EXPECT_EQ(t[0] | (t[1] << 8), 0x0412);
    EXPECT_EQ(t[2] | (t[3] << 8), 0x04B0);

    const std::string fileVersion = Utf16ToUtf8(QueryText(block, u"\\StringFileInfo\\041204B0\\FileVersion"));
    EXPECT_TRUE(std::regex_match(fileVersion, std::regex(R"(\d+\.\d+\.\d+\.\d+)"))) << fileVersion;
    EXPECT_EQ(fileVersion.rfind(REROVORA_PROJECT_VERSION, 0), 0u) << fileVersion;
    EXPECT_EQ(QueryText(block, u"\\StringFileInfo\\041204B0\\ProductVersion"), Utf8ToUtf16(fileVersion));
    EXPECT_EQ(QueryText(block, u"\\StringFileInfo\\041204B0\\ProductName"), u"ZEL Rerovora");
    EXPECT_EQ(QueryText(block, u"\\StringFileInfo\\041204B0\\LegalCopyright"), u"Copyright (C) 2026 ZEL");
    EXPECT_EQ(QueryText(block, u"\\StringFileInfo\\041204B0\\InternalName"), u"rerovora");
    EXPECT_EQ(QueryText(block, u"\\StringFileInfo\\041204B0\\OriginalFilename"), u"rerovora");
    EXPECT_EQ(QueryText(block, u"\\StringFileInfo\\041204B0\\CompanyName"), u"ZEL");
    // Names are matched regardless of case; unknown ones are not found.
    EXPECT_EQ(QueryText(block, u"\\stringfileinfo\\041204b0\\PRODUCTNAME"), u"ZEL Rerovora");
    EXPECT_EQ(QueryText(block, u"\\StringFileInfo\\040904B0\\ProductName"), u"<none>");
    EXPECT_FALSE(VerQueryValueW(nullptr, u"\\VarFileInfo\\Translation", &p, &len));
}

TEST(VersionBlock, UserLanguageComesFromTheEnvironmentLocale) {
    const ScopedEnv messages("LC_MESSAGES", nullptr);
    {
        const ScopedEnv all("LC_ALL", "ko_KR.EUC-KR");
        EXPECT_EQ(GetUserDefaultLangID(), 0x0412);
    }
    {
        const ScopedEnv all("LC_ALL", nullptr);
        const ScopedEnv lang("LANG", "en_GB.UTF-8");
        EXPECT_EQ(GetUserDefaultLangID(), 0x0809);
    }
    {
        const ScopedEnv all("LC_ALL", "C");
        EXPECT_EQ(GetUserDefaultLangID(), 0x0409);
    }
}
