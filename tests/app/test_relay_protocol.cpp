// The instrument reply, the server record and the bound of the send period.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <clocale>
#include <locale.h>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "app/config_data.h"
#include "app/relay_protocol.h"
#include "tests/support/fake_instrument.h"
#include "tests/support/made_locale.h"
#include "tests/support/scoped_env.h"

namespace {

// The received text of raw bytes: one unit per byte, widened as a signed byte.
CString Received(const std::string& bytes) {
    CString text;
    for (unsigned char b : bytes) text.push_back(char16_t(b < 0x80 ? b : 0xFF00 + b));
    return text;
}

const std::string kReply270At3_5("\x52\x30\x30\x30\x3A\x00\x00\x87\x43\x00\x00\x60\x40", 13);

std::unique_ptr<ConfigData> Defaults() {
    auto cfg = std::make_unique<ConfigData>();
    FillConfigDefaults(*cfg);
    return cfg;
}

SYSTEMTIME At(int y, int mo, int d, int h, int mi, int s) {
    SYSTEMTIME t{};
    t.wYear = WORD(y);
    t.wMonth = WORD(mo);
    t.wDay = WORD(d);
    t.wHour = WORD(h);
    t.wMinute = WORD(mi);
    t.wSecond = WORD(s);
    return t;
}

}  // namespace

static float FloatAt(const std::string& bytes, std::size_t at) {
    float f;
    std::memcpy(&f, bytes.data() + at, 4);
    return f;
}

// One poll's reads, each read's kind, the values taken and what is left
// gathered: replies cut anywhere, bytes around them, replies that end like a
// header, and two replies that overlap.
TEST(InstrumentReply, StreamsOfReads) {
    using Fed = ReplyStream::Fed;
    const std::string a = InstrumentReply(100.0f, 33.0f), b = InstrumentReply(200.0f, 7.25f);
    const std::string fragment = InstrumentReply(25.0f, 99.0f).substr(0, 9);
    // Speeds whose last bytes could begin a header: "R0", "R", and 2e11 (b7 43 3a 52).
    const std::string endsR0 = "R000:" + std::string("\x00\x00\x34\x43\x11\x22R0", 8);
    const std::string endsR = "R000:" + std::string("\x00\x00\x34\x43\x11\x22\x33R", 8);
    const std::string ends2e11 = InstrumentReply(90.0f, FloatAt(std::string("\xb7\x43\x3a\x52", 4), 0));
    // A direction of "R000" whose speed begins with ":": a whole header among
    // the value bytes, and what follows it may or may not make a second reply.
    const std::string headerInside = "R000:R000:" + std::string("\x01\x02\x03", 3);
    constexpr float kNone = -7.0f;
    struct Case {
        const char* what;
        std::vector<std::string> reads;
        std::vector<Fed> fed;
        bool takeHeld;        // the owner's wait runs out after the reads
        float direction, speed;  // taken; kNone when no reply was
        int gathered;
        int lastStray;        // found by the last read (gathered bytes included)
    };
    const Case cases[] = {
        {"the 13-byte reply", {kReply270At3_5}, {Fed::Reply}, false, 270.0f, 3.5f, 0, 0},
        {"a line end in its read", {kReply270At3_5 + "\r\n"}, {Fed::Reply}, false, 270.0f, 3.5f, 0, 2},
        {"a line end in a later read", {kReply270At3_5, "\r\n"}, {Fed::Reply, Fed::Nothing}, false, 270.0f, 3.5f, 0, 2},
        {"a line end before it", {"\r\n" + kReply270At3_5}, {Fed::Reply}, false, 270.0f, 3.5f, 0, 2},
        {"the request echoed before it", {"R000?", a}, {Fed::Nothing, Fed::Reply}, false, 100, 33, 0, 0},
        {"the header alone", {"R000:"}, {Fed::Part}, false, kNone, kNone, 5, 0},
        {"twelve bytes", {kReply270At3_5.substr(0, 12)}, {Fed::Part}, false, kNone, kNone, 12, 0},
        {"a wrong header", {"R001:" + kReply270At3_5.substr(5)}, {Fed::Nothing}, false, kNone, kNone, 0, 13},
        {"lower case", {"r000:" + kReply270At3_5.substr(5)}, {Fed::Nothing}, false, kNone, kNone, 0, 13},
        {"a broken header, not an R", {"R0X"}, {Fed::Nothing}, false, kNone, kNone, 0, 3},
        {"nothing", {""}, {Fed::Nothing}, false, kNone, kNone, 0, 0},
        {"negative speed", {InstrumentReply(0.0f, -1.0f)}, {Fed::Reply}, false, 0.0f, -1.0f, 0, 0},
        {"cut 5 + 8", {a.substr(0, 5), a.substr(5)}, {Fed::Part, Fed::Reply}, false, 100, 33, 0, 0},
        {"cut 12 + 1", {a.substr(0, 12), a.substr(12)}, {Fed::Part, Fed::Reply}, false, 100, 33, 0, 0},
        {"cut 2 + 7 + 4", {a.substr(0, 2), a.substr(2, 7), a.substr(9)}, {Fed::Part, Fed::Part, Fed::Reply}, false,
         100, 33, 0, 0},
        {"a second reply answers no poll", {a + b}, {Fed::Reply}, false, 100, 33, 0, 13},
        {"a reply in a later read answers no poll", {a, b}, {Fed::Reply, Fed::Nothing}, false, 100, 33, 0, 13},
        {"a header begun and broken, then a reply", {"R00", b}, {Fed::Part, Fed::Reply}, false, 200, 7.25f, 0, 3},
        {"a stray R before a reply", {"R" + b}, {Fed::Reply}, false, 200, 7.25f, 0, 1},
        {"ending in R0, then a line end", {endsR0, "\r\n"}, {Fed::Part, Fed::Reply}, false, 180.0f,
         FloatAt(endsR0, 9), 0, 2},
        {"ending in R0, nothing after", {endsR0}, {Fed::Part}, true, 180.0f, FloatAt(endsR0, 9), 0, 0},
        {"a speed of 2e11, nothing after", {ends2e11}, {Fed::Part}, true, 90.0f, FloatAt(ends2e11, 9), 0, 0},
        {"ending in R, then a new reply", {endsR, b}, {Fed::Part, Fed::Reply}, false, 180.0f, FloatAt(endsR, 9), 0,
         13},
        {"a header among the values, nothing after", {headerInside}, {Fed::Part}, true, FloatAt(headerInside, 5),
         FloatAt(headerInside, 9), 0, 0},
        {"a header among the values, its reply broken off", {headerInside + "AB"}, {Fed::Part}, true,
         FloatAt(headerInside, 5), FloatAt(headerInside, 9), 0, 0},
        {"a header among the values, then five more bytes", {headerInside + "ABCDE"}, {Fed::Doubtful}, false, kNone,
         kNone, 0, 18},
        {"a fragment and a reply in one read", {fragment + b}, {Fed::Doubtful}, false, kNone, kNone, 0, 22},
        {"a fragment, then a reply", {fragment, b}, {Fed::Part, Fed::Doubtful}, false, kNone, kNone, 0, 22},
        {"value bytes like a header, then a reply", {a.substr(0, 9), "R000", ":", b.substr(5)},
         {Fed::Part, Fed::Part, Fed::Part, Fed::Doubtful}, false, kNone, kNone, 0, 22},
        {"after overlapping replies nothing more", {fragment + b, a}, {Fed::Doubtful, Fed::Nothing}, false, kNone,
         kNone, 0, 13},
        {"R000: over and over", {"R000:R000:R000:R000:R000:"}, {Fed::Doubtful}, false, kNone, kNone, 0, 25},
    };
    for (const Case& c : cases) {
        ReplyStream stream;
        InstrumentReading r{kNone, kNone};
        ASSERT_EQ(c.reads.size(), c.fed.size()) << c.what;
        for (std::size_t k = 0; k < c.reads.size(); ++k)
            EXPECT_EQ(stream.Feed(Received(c.reads[k]), &r), c.fed[k]) << c.what << ", read " << k;
        EXPECT_EQ(stream.Stray(), c.lastStray) << c.what;
        EXPECT_EQ(stream.Held(), c.takeHeld) << c.what;
        EXPECT_EQ(stream.TakeHeld(&r), c.takeHeld) << c.what;
        EXPECT_EQ(r.direction, c.direction) << c.what;
        EXPECT_EQ(r.speed, c.speed) << c.what;
        EXPECT_EQ(stream.Gathered(), c.gathered) << c.what;
        const bool doubtful = std::find(c.fed.begin(), c.fed.end(), Fed::Doubtful) != c.fed.end();
        EXPECT_EQ(stream.Done(), r.speed != kNone || doubtful) << c.what;
    }
}

// The poll's first header start is told apart from its further pieces and
// from broken headers' new starts, so a reply that trickles in, or a stream of
// stray "R"s, does not keep a stack's watchdog quiet; bytes from 0x80 up count
// by their low byte; the next poll starts afresh.
TEST(InstrumentReply, StartsUnitsAndReset) {
    ReplyStream stream;
    InstrumentReading r;
    for (std::size_t k = 0; k < kReply270At3_5.size(); ++k) {
        stream.Feed(Received(kReply270At3_5.substr(k, 1)), &r);
        EXPECT_EQ(stream.Started(), k == 0) << "byte " << k;
    }
    EXPECT_EQ(r.speed, 3.5f);
    stream.Reset();
    EXPECT_EQ(stream.Feed(Received("R"), &r), ReplyStream::Fed::Part);
    EXPECT_TRUE(stream.Started());
    EXPECT_EQ(stream.Feed(Received("R"), &r), ReplyStream::Fed::Part);
    EXPECT_FALSE(stream.Started());
    EXPECT_EQ(Received(kReply270At3_5)[7], char16_t(0xFF87));
    stream.Reset();
    EXPECT_EQ(stream.Gathered(), 0);
    InstrumentReading nan;
    ASSERT_EQ(stream.Feed(Received(std::string("R000:\x00\x00\xC0\x7F\x00\x00\x20\x41", 13)), &nan),
              ReplyStream::Fed::Reply);
    EXPECT_TRUE(stream.Started());
    EXPECT_TRUE(std::isnan(nan.direction));
    EXPECT_EQ(nan.speed, 10.0f);
}

TEST(ServerRecord, HeadStacksAndTail) {
    auto cfg = Defaults();
    RecordStack stacks[12];
    stacks[0] = {false, 3.5f, 270.0f};
    stacks[1] = {true, 9.9f, 9.9f};
    stacks[2] = {false, 0.04f, 359.6f};  // rounded by the formatting: 0.0 and 360
    stacks[3] = {false, -2.25f, 0.0f};
    const std::string r = FormatServerRecord(At(2026, 12, 6, 9, 5, 7), *cfg, stacks, 12);
    EXPECT_EQ(r.rfind("{20261206090507^QC1101^3.5^270^QC1102^err^err^QC1103^0.0^360^QC1104^-2.2^0^QC1105^0.0^0", 0), 0u)
        << r;
    const std::string tail = "^QC1112^0.0^0}\n";
    ASSERT_GT(r.size(), tail.size());
    EXPECT_EQ(r.substr(r.size() - tail.size()), tail);
    EXPECT_EQ(std::count(r.begin(), r.end(), '^'), 36);
}

TEST(ServerRecord, LongRecordsAreWhole) {
    auto cfg = Defaults();
    const std::string first = "A-B.C" + std::string(70, 'x');
    std::strcpy(cfg->aStacks[0].szName, first.c_str());
    // Twelve names of 79 bytes: about 1,100 bytes, more than the 1,023 a
    // fixed buffer would hold. The record is sent whole.
    for (int i = 1; i < 12; ++i) {
        std::memset(cfg->aStacks[i].szName, 'a' + i, 79);
        cfg->aStacks[i].szName[79] = '\0';
    }
    // A name without a terminator fills its whole field and stops there.
    std::memset(cfg->aStacks[11].szName, 'z', 80);
    RecordStack stacks[12] = {};
    const std::string r = FormatServerRecord(At(2026, 1, 2, 3, 4, 5), *cfg, stacks, 12);
    EXPECT_GT(r.size(), 1023u);
    EXPECT_EQ(r.rfind("{20260102030405^" + first + "^0.0^0^", 0), 0u);
    EXPECT_NE(r.find("^" + std::string(80, 'z') + "^0.0^0}\n"), std::string::npos);
    EXPECT_EQ(r.back(), '\n');
}

namespace {

// What is wrong with the shape of `record` for `stacks` stacks ("" when
// nothing): "{" and 14 digits, three fields per stack, "}" and a line feed,
// and no other brace or line feed anywhere.
std::string ShapeFault(const std::string& record, int stacks) {
    if (record.size() < 17 || record[0] != '{' || record.compare(record.size() - 2, 2, "}\n") != 0)
        return "not {...}\\n";
    if (std::count(record.begin(), record.end(), '{') != 1 || std::count(record.begin(), record.end(), '}') != 1)
        return "a brace inside";
    if (std::any_of(record.begin(), record.end() - 1, [](char c) {
            const auto b = static_cast<unsigned char>(c);
            return b < 0x20 || b == 0x7F;
        }))
        return "a control byte inside";
    if (!std::all_of(record.begin() + 1, record.begin() + 15, [](char c) { return c >= '0' && c <= '9'; }))
        return "not 14 digits of time";
    if (std::count(record.begin(), record.end(), '^') != 3 * stacks) return "not three fields per stack";
    return "";
}

// The name field of stack `i` in a record of the right shape.
std::string NameField(const std::string& record, int i) {
    std::size_t at = 0;
    for (int k = 0; k < 3 * i + 1; ++k) at = record.find('^', at) + 1;
    return record.substr(at, record.find('^', at) - at);
}

}  // namespace

// Names in the settings file that hold the record's marks or control
// characters are sent with each of them as "?": the record keeps its shape
// whatever the names hold (a name must not be able to forge a record line).
TEST(ServerRecord, HostileNamesKeepTheRecordsShape) {
    const struct {
        const char* name;      // bytes in the settings file
        const char* expected;  // as the record carries it
    } cases[] = {
        {"X}\n{20991231235959^EVIL^9.9^9}", "X???20991231235959?EVIL?9.9?9?"},
        {"A^B", "A?B"},
        {"{open", "?open"},
        {"close}", "close?"},
        {"tab\there", "tab?here"},
        {"cr\rlf\n", "cr?lf?"},
        {"\x01\x07\x1b\x1f", "????"},
        {"del\x7f", "del?"},
        {"^^^", "???"},
        {"", ""},
        {"QC 1101-a.b?", "QC 1101-a.b?"},
    };
    auto cfg = Defaults();
    const int count = int(std::size(cases));
    for (int i = 0; i < count; ++i) std::strcpy(cfg->aStacks[i].szName, cases[i].name);
    RecordStack stacks[12] = {};
    stacks[1].noReply = true;
    const std::string r = FormatServerRecord(At(2026, 12, 8, 10, 0, 0), *cfg, stacks, count);
    ASSERT_EQ(ShapeFault(r, count), "") << r;
    for (int i = 0; i < count; ++i) EXPECT_EQ(NameField(r, i), cases[i].expected) << "stack " << i;
    EXPECT_EQ(r.rfind("{20261208100000^X???20991231235959?EVIL?9.9?9?^0.0^0^A?B^err^err^?open^0.0^0", 0), 0u) << r;

    EXPECT_EQ(RecordMarkIn(u"QC1101 북쪽"), 0);
    for (const char16_t mark : {u'^', u'{', u'}', u'\0', u'\t', u'\n', u'\x1f', u'\x7f', u'\x85', u'\x9f'})
        EXPECT_EQ(RecordMarkIn(std::u16string(u"a") + mark + u"b"), mark) << int(mark);
}

// Under a character set whose characters' second bytes may be marks (Big5:
// 乞 is A4 5E, 廾 A4 7B, 弓 A4 7D), such a character is sent as "?"; the
// others, and Korean under EUC-KR, keep their bytes.
TEST(ServerRecord, ACharacterWhoseBytesHoldAMarkIsSentAsAStandIn) {
    const struct {
        const char* source;
        const char* charset;
        std::string name;      // in that character set
        std::string expected;  // in the record
    } cases[] = {
        {"zh_TW", "BIG5", "\xA4\x5E\xA4\x40", "?\xA4\x40"},                    // 乞一
        {"zh_TW", "BIG5", "a\xA4\x7B\xA4\x7D^", "a???"},                        // a廾弓^
        {"ko_KR", "EUC-KR", "\xB1\xBC\xB6\xD2^1", "\xB1\xBC\xB6\xD2?1"},  // 굴뚝^1
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.source) + "." + c.charset);
        MadeLocale made(c.source, c.charset);
        if (!made.ok()) GTEST_SKIP() << made.Why();
        const ScopedEnv path("LOCPATH", made.folder().c_str());
        const locale_t locale = ::newlocale(LC_CTYPE_MASK, made.name().c_str(), locale_t(nullptr));
        ASSERT_NE(locale, locale_t(nullptr));
        const locale_t previous = ::uselocale(locale);
        auto cfg = Defaults();
        std::strcpy(cfg->aStacks[0].szName, c.name.c_str());
        RecordStack stacks[1] = {};
        const std::string r = FormatServerRecord(At(2026, 12, 8, 10, 0, 0), *cfg, stacks, 1);
        ::uselocale(previous);
        ::freelocale(locale);
        EXPECT_EQ(ShapeFault(r, 1), "") << r;
        EXPECT_EQ(NameField(r, 0), c.expected) << r;
    }
}

TEST(ServerRecord, SendPeriodBound) {
    struct Case {
        int seconds;
        UINT ms;
    };
    const Case cases[] = {
        {30, 30000}, {1, 1000}, {0, 30000}, {-5, 30000}, {INT_MIN, 30000},
        {86400, 86400000}, {86401, 86400000}, {2147484, 86400000}, {INT_MAX, 86400000},
    };
    for (const Case& c : cases) EXPECT_EQ(SendPeriodMs(c.seconds), c.ms) << c.seconds;
}
