// The instrument reply, the server record and the bound of the send period.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "app/config_data.h"
#include "app/relay_protocol.h"

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

// One read on a fresh stream: what it is, and the values of a whole reply.
TEST(InstrumentReply, OneReadKindsAndValues) {
    using Fed = ReplyStream::Fed;
    struct Case {
        const char* what;
        std::string bytes;
        Fed fed;
        float direction, speed;
    };
    const Case cases[] = {
        {"the 13-byte reply", kReply270At3_5, Fed::Reply, 270.0f, 3.5f},
        {"a longer reply: its tail is ignored", kReply270At3_5 + "\r\nOK", Fed::Reply, 270.0f, 3.5f},
        {"the header alone", "R000:", Fed::Part, 0, 0},
        {"twelve bytes", kReply270At3_5.substr(0, 12), Fed::Part, 0, 0},
        {"part of the header", "R00", Fed::Part, 0, 0},
        {"a wrong header", "R001:" + kReply270At3_5.substr(5), Fed::Junk, 0, 0},
        {"lower case", "r000:" + kReply270At3_5.substr(5), Fed::Junk, 0, 0},
        {"a line end first", "\r\n" + kReply270At3_5, Fed::Junk, 0, 0},
        {"nothing", "", Fed::Nothing, 0, 0},
        {"negative speed", std::string("R000:\x00\x00\x00\x00\x00\x00\x80\xBF", 13), Fed::Reply, 0.0f, -1.0f},
    };
    for (const Case& c : cases) {
        ReplyStream stream;
        InstrumentReading r{-7.0f, -7.0f};
        EXPECT_EQ(stream.Feed(Received(c.bytes), &r), c.fed) << c.what;
        if (c.fed != Fed::Reply) {
            EXPECT_EQ(r.direction, -7.0f) << c.what << ": nothing is stored";
            continue;
        }
        EXPECT_EQ(r.direction, c.direction) << c.what;
        EXPECT_EQ(r.speed, c.speed) << c.what;
        EXPECT_EQ(stream.Gathered(), 0) << c.what << ": the next read starts a new reply";
    }
    // Bytes from 0x80 up arrive as units 0xFF80 and above; the low byte is what counts.
    EXPECT_EQ(Received(kReply270At3_5)[7], char16_t(0xFF87));
    ReplyStream stream;
    InstrumentReading nan;
    ASSERT_EQ(stream.Feed(Received(std::string("R000:\x00\x00\xC0\x7F\x00\x00\x20\x41", 13)), &nan),
              ReplyStream::Fed::Reply);
    EXPECT_TRUE(std::isnan(nan.direction));
    EXPECT_EQ(nan.speed, 10.0f);
}

// A reply over several reads, however it is cut: one reply, begun by the first
// piece; a byte that breaks the header drops what was gathered; a new
// connection (Reset) starts afresh.
TEST(InstrumentReply, RepliesAcrossReads) {
    using Fed = ReplyStream::Fed;
    const std::vector<std::vector<std::size_t>> cuts = {
        {5, 8}, {1, 12}, {12, 1}, {2, 7, 4}, std::vector<std::size_t>(13, 1)};
    for (const auto& cut : cuts) {
        ReplyStream stream;
        InstrumentReading r;
        std::size_t from = 0;
        for (std::size_t k = 0; k < cut.size(); ++k) {
            bool started = false;
            const Fed fed = stream.Feed(Received(kReply270At3_5.substr(from, cut[k])), &r, &started);
            from += cut[k];
            EXPECT_EQ(started, k == 0) << "piece " << k << " of " << cut.size();
            EXPECT_EQ(fed, k + 1 == cut.size() ? Fed::Reply : Fed::Part) << "piece " << k << " of " << cut.size();
        }
        EXPECT_EQ(r.direction, 270.0f);
        EXPECT_EQ(r.speed, 3.5f);
    }

    ReplyStream stream;
    InstrumentReading r{-7.0f, -7.0f};
    EXPECT_EQ(stream.Feed(Received("R0"), &r), Fed::Part);
    EXPECT_EQ(stream.Feed(Received("0X"), &r), Fed::Junk);
    EXPECT_EQ(stream.Gathered(), 0);
    // Value bytes are any bytes: the header letters among them too.
    EXPECT_EQ(stream.Feed(Received("R000:R000"), &r), Fed::Part);
    EXPECT_EQ(stream.Feed(Received(":R00"), &r), Fed::Reply);
    EXPECT_EQ(stream.Feed(Received("R000:\x01"), &r), Fed::Part);
    stream.Reset();
    bool started = false;
    EXPECT_EQ(stream.Feed(Received(kReply270At3_5), &r, &started), Fed::Reply);
    EXPECT_TRUE(started);
    EXPECT_EQ(r.speed, 3.5f);
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

TEST(ServerRecord, NamesPassThroughUnescapedAndLongRecordsAreWhole) {
    auto cfg = Defaults();
    const std::string first = "A^B{C}" + std::string(70, 'x');
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
