#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <locale.h>
#include <map>
#include <memory>
#include <unistd.h>

#include "platform/base/codepage.h"
#include "platform/base/types.h"
#include "tests/support/made_locale.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

// glibc's newlocale() does not free the search path it builds from LOCPATH, once
// per locale object made (the layer makes one per environment, these tests one
// per test); only these tests set LOCPATH, so the leak sanitizer overlooks it.
extern "C" const char* __lsan_default_suppressions() { return "leak:argz_add_sep\n"; }

namespace {

// Korean locales are generated into a private folder, so the tests need only the
// locale sources, not locales installed on the machine.
class CodePageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<TempDir>();
        ::setenv("LOCPATH", s_dir->path().c_str(), 1);
    }
    static void TearDownTestSuite() {
        ::unsetenv("LOCPATH");
        s_dir.reset();
    }
    // Generates ko_KR.<charset> on first use; false when that is not possible here.
    static bool Made(const char* charset) {
        const auto it = s_made.find(charset);
        if (it != s_made.end()) return it->second;
        return s_made[charset] = MakeLocale("ko_KR", charset, s_dir->path());
    }

    // Makes `name` the calling thread's locale for the test's duration.
    bool UseLocale(const char* name) {
        m_locale = ::newlocale(LC_CTYPE_MASK, name, locale_t(nullptr));
        if (!m_locale) return false;
        m_previous = ::uselocale(m_locale);
        return true;
    }
    void TearDown() override {
        if (m_locale) {
            ::uselocale(m_previous);
            ::freelocale(m_locale);
        }
    }

    static inline std::unique_ptr<TempDir> s_dir;
    static inline std::map<std::string, bool> s_made;
    locale_t m_locale = nullptr;
    locale_t m_previous = nullptr;
};

#define REQUIRE_LOCALE(charset) \
    if (!Made(charset) || !UseLocale("ko_KR." charset)) GTEST_SKIP() << CannotMakeLocale("ko_KR." charset)

const std::u16string kKorean = u"풍속 측정 QC1101 돋움체";

}  // namespace

TEST_F(CodePageTest, KoreanRoundTripsThroughUtf8) {
    REQUIRE_LOCALE("UTF-8");
    EXPECT_EQ(platform::AnsiCharset(), "UTF-8");
    const std::string ansi = WideToAnsi(kKorean);
    EXPECT_EQ(ansi, Utf16ToUtf8(kKorean));
    EXPECT_EQ(AnsiToWide(ansi), kKorean);
}

TEST_F(CodePageTest, KoreanRoundTripsThroughEucKr) {
    REQUIRE_LOCALE("EUC-KR");
    EXPECT_EQ(platform::AnsiCharset(), "EUC-KR");
    EXPECT_EQ(WideToAnsi(u"한국"), "\xC7\xD1\xB1\xB9");
    const std::string ansi = WideToAnsi(kKorean);
    EXPECT_EQ(ansi.find('?'), std::string::npos);
    EXPECT_EQ(AnsiToWide(ansi), kKorean);
}

TEST_F(CodePageTest, EnvironmentLocaleIsUsedThoughTheProcessLocaleIsUtf8) {
    if (!Made("EUC-KR")) GTEST_SKIP() << CannotMakeLocale("ko_KR.EUC-KR");
    const ScopedEnv env("LC_ALL", "ko_KR.EUC-KR");
    EXPECT_EQ(platform::AnsiCharset(), "EUC-KR");
    EXPECT_EQ(WideToAnsi(u"한국"), "\xC7\xD1\xB1\xB9");
}

namespace {

long ResidentKiB() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace

// A site runs the whole program under a Korean locale (not one thread), from
// locale files of its own (LOCPATH): a million round trips of a stack name keep
// resident memory flat. The sanitizer build's allocator holds freed memory back,
// so there only the conversions are checked, and the leak checker looks on.
TEST_F(CodePageTest, AMillionConversionsUnderTheProcessLocaleKeepMemoryFlat) {
    if (!Made("EUC-KR")) GTEST_SKIP() << CannotMakeLocale("ko_KR.EUC-KR");
    const ScopedEnv env("LC_ALL", "ko_KR.EUC-KR");
#if defined(__SANITIZE_ADDRESS__)
    constexpr int kRounds = 2000;
    constexpr bool kMeasured = false;
#else
    constexpr int kRounds = 1000000;
    constexpr bool kMeasured = true;
#endif
    const std::u16string name = u"풍속 QC1101";
    const std::string ansi = "\xC7\xB3\xBC\xD3 QC1101";
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(AnsiToWide(WideToAnsi(name)), name);
    const long before = ResidentKiB();
    int wrong = 0;
    for (int i = 0; i < kRounds; ++i) {
        wrong += WideToAnsi(name) != ansi;
        wrong += AnsiToWide(ansi) != name;
    }
    const long grown = ResidentKiB() - before;
    EXPECT_EQ(wrong, 0);
    if (kMeasured) {
        EXPECT_LT(grown, 4096) << "resident memory grew by " << grown << " KiB";
    }
}

TEST_F(CodePageTest, PlainCLocaleKeepsAsciiOnly) {
    ASSERT_TRUE(UseLocale("C"));
    EXPECT_EQ(WideToAnsi(u"가A"), "?A");
    EXPECT_EQ(AnsiToWide("\xB0\xA1" "A"), u"??A");
}

TEST_F(CodePageTest, UnconvertibleAndInvalidTextBecomesQuestionMarks) {
    REQUIRE_LOCALE("EUC-KR");
    EXPECT_EQ(WideToAnsi(u"A\U0001F600B"), "A?B");  // a surrogate pair is one character
    const char16_t lone[] = {u'A', 0xD800, u'B', 0};
    EXPECT_EQ(WideToAnsi(lone), "A?B");
    EXPECT_EQ(AnsiToWide("A\xFF" "B"), u"A?B");
}

TEST_F(CodePageTest, FieldsAreCutAtCharacterBoundaries) {
    REQUIRE_LOCALE("UTF-8");
    char buf[12];
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(WideToAnsiField(u"가나다", buf, 8), 6u);  // 9 bytes do not fit in 7
    EXPECT_EQ(std::string(buf, 8), std::string("\xEA\xB0\x80\xEB\x82\x98\0\0", 8));
    EXPECT_EQ(buf[8], '#');  // nothing written past the field

    EXPECT_EQ(WideToAnsiField(u"가나다", buf, 10), 9u);  // exactly fits with its terminator
    EXPECT_EQ(buf[9], '\0');
    EXPECT_EQ(WideToAnsiField(u"가", buf, 3), 0u);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(WideToAnsiField(u"QC1101XYZ", buf, 5), 4u);  // plain ASCII is cut the same way
    EXPECT_EQ(std::string(buf, 6), std::string("QC11\0\x98", 6));  // and nothing past the field
    buf[0] = '#';
    EXPECT_EQ(WideToAnsiField(u"가", buf, 0), 0u);
    EXPECT_EQ(buf[0], '#');
}

TEST_F(CodePageTest, EucKrFieldsKeepWholeCharacters) {
    REQUIRE_LOCALE("EUC-KR");
    char field[4];
    EXPECT_EQ(WideToAnsiField(u"A가나", field, sizeof field), 3u);
    EXPECT_EQ(std::string(field, 3), "A\xB0\xA1");
    EXPECT_EQ(WideToAnsiField(u"AB가", field, sizeof field), 2u);  // never half of 가
    EXPECT_EQ(std::string(field, 3), std::string("AB\0", 3));
    EXPECT_EQ(AnsiFieldToWide(field, sizeof field), u"AB");
}

TEST_F(CodePageTest, FieldWithoutTerminatorIsReadToItsEndOnly) {
    REQUIRE_LOCALE("UTF-8");
    // The field is the whole allocation: reading one byte past it is a fault.
    auto field = std::make_unique<char[]>(6);
    std::memcpy(field.get(), "\xEA\xB0\x80" "ABC", 6);
    EXPECT_EQ(AnsiFieldToWide(field.get(), 6), u"가ABC");

    const char withTail[] = "QC1101\0garbage";
    EXPECT_EQ(AnsiFieldToWide(withTail, sizeof withTail), u"QC1101");
}

namespace {

// One text in the code page and in UTF-16, and which way the table holds.
struct Cp949Case {
    const char* what;
    std::string ansi;
    std::u16string wide;
    bool both = true;  // false: only the code page's bytes read as `wide`
};

const Cp949Case kCp949[] = {
    {"ASCII with the record's separators", "{QC1101^3.5}\n", u"{QC1101^3.5}\n"},
    {"EUC-KR's syllables", "\xC7\xD1\xB1\xB9", u"한국"},
    {"syllables code page 949 adds", "\xC1\x64\x8C\x63\x94\xEE QC", u"햏똠뷁 QC"},
    {"the user-defined area", "\xC9\xA1\xC9\xFE\xFE\xA1\xFE\xFE", u"\uE000\uE05D\uE05E\uE0BB"},
    {"bytes that are never a character", "A\x80" "B\xFF", u"A?B?", false},
    {"a lead byte at the end", "A\xC1", u"A?", false},
    {"a lead byte before a separator", "\xC1^QC", u"?^QC", false},
    {"a pair that makes no character", "\xA2\xE8" "A", u"?A", false},
};

}  // namespace

// Under either name of the Korean character set the texts convert as code
// page 949, both ways, so a Windows site's names come back byte for byte.
TEST_F(CodePageTest, KoreanLocalesConvertAsCodePage949) {
    for (const char* charset : {"EUC-KR", "CP949"}) {
        if (!Made(charset)) GTEST_SKIP() << CannotMakeLocale(std::string("ko_KR.") + charset);
        const locale_t korean = ::newlocale(LC_CTYPE_MASK, (std::string("ko_KR.") + charset).c_str(), nullptr);
        ASSERT_TRUE(korean);
        const locale_t previous = ::uselocale(korean);
        for (const Cp949Case& c : kCp949) {
            EXPECT_EQ(AnsiToWide(c.ansi), c.wide) << charset << ": " << c.what;
            if (c.both) {
                EXPECT_EQ(WideToAnsi(c.wide), c.ansi) << charset << ": " << c.what;
            }
        }
        EXPECT_EQ(WideToAnsi(u"A\U0001F600\uE0BC"), "A??") << charset;
        // Every pair of bytes that is a character comes back as it was: the
        // 17,048 of Microsoft's table and the 188 of the user-defined area.
        int characters = 0, changed = 0;
        for (int lead = 0x81; lead <= 0xFE; ++lead)
            for (int trail = 0x41; trail <= 0xFE; ++trail) {
                const std::string pair{char(lead), char(trail)};
                const std::u16string wide = AnsiToWide(pair);
                if (wide == u"?" || wide.size() != 1) continue;
                ++characters;
                changed += WideToAnsi(wide) != pair;
            }
        EXPECT_EQ(characters, 17048 + 188) << charset;
        EXPECT_EQ(changed, 0) << charset;
        ::uselocale(previous);
        ::freelocale(korean);
    }
}

TEST_F(CodePageTest, KoreanFieldsKeepWholeCharactersOfCodePage949) {
    REQUIRE_LOCALE("EUC-KR");
    char field[4];
    EXPECT_EQ(WideToAnsiField(u"A햏\uE000", field, sizeof field), 3u);  // never half of U+E000
    EXPECT_EQ(std::string(field, 4), std::string("A\xC1\x64\0", 4));
}
