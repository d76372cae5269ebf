// The real program relaying: twelve stacks on loopback instruments (the
// simulator, or instruments played by the test on one address), records
// arriving at the data-server sink, an instrument falling silent and coming
// back, a wrong reply header, and the server going away and coming back.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/fake_instrument.h"
#include "tests/support/loopback_peer.h"
#include "tests/support/relay_settings.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

const fs::path kProgram = fs::path(REROVORA_BINARY_DIR) / "rerovora";

// Milliseconds of the day from the sink's "YYYY-MM-DD HH:MM:SS.mmm" stamp.
long ArrivalMs(const std::string& stamp) {
    if (stamp.size() < 23) return -1;
    const long h = std::stol(stamp.substr(11, 2)), m = std::stol(stamp.substr(14, 2));
    const long s = std::stol(stamp.substr(17, 2)), ms = std::stol(stamp.substr(20, 3));
    return ((h * 60 + m) * 60 + s) * 1000 + ms;
}

// Stack i's speed and direction fields of a record ("err" for a stack not answering).
std::pair<std::string, std::string> StackValues(const SinkRecord& r, int i) {
    const std::size_t at = 1 + std::size_t(i) * 3;
    if (r.fields.size() < at + 3) return {};
    std::string direction = r.fields[at + 2];
    if (!direction.empty() && direction.back() == '}') direction.pop_back();
    return {r.fields[at + 1], direction};
}

class MonitorTest : public ::testing::Test {
protected:
    // Starts the sink (a port of its own) and the program in a fresh folder.
    void StartRelay(RelaySettings settings = {}) {
        m_sink = std::make_unique<Simulator>("server_sink", std::vector<std::string>{"--port", "0"});
        ASSERT_TRUE(m_sink->ready()) << m_sink->Stderr();
        settings.serverPort = m_sink->port();
        settings.WriteTo(m_dir.path());
        m_program = std::make_unique<ChildProcess>(kProgram, std::vector<std::string>{}, m_dir.path());
    }
    std::vector<SinkRecord> Records() const { return ParseSinkOutput(m_sink->Stdout()); }
    // Waits until `done` holds for the records the sink has printed.
    bool WaitForRecords(const std::function<bool(const std::vector<SinkRecord>&)>& done, int timeoutMs) {
        return WaitFor([&] { return done(Records()); }, timeoutMs);
    }
    std::string Diagnostics() const {
        return "program:\n" + (m_program ? m_program->Stderr() : "") + "\nsink:\n" + m_sink->Stdout();
    }

    TempDir m_dir;
    std::unique_ptr<Simulator> m_sink;
    std::unique_ptr<ChildProcess> m_program;
};

std::vector<std::string> AllInstruments(std::vector<std::string> extra = {}) {
    std::vector<std::string> args{"--port", "4000", "--address", "127.0.0.1-127.0.0.12"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

}  // namespace

// Every period a record with the head, twelve stack parts and the tail; the
// reply 52 30 30 30 3A 00 00 87 43 00 00 60 40 (direction 270, speed 3.5) goes
// out as 3.5 and 270 for a stack that shows its direction and 3.5 and 0 for one
// that does not.
TEST_F(MonitorTest, RecordsArriveEveryPeriodWithEveryStack) {
    Simulator instruments("instrument_sim", AllInstruments({"--values", "270,3.5"}));
    ASSERT_TRUE(instruments.ready()) << instruments.Stderr();
    RelaySettings settings;
    settings.showDirection.assign(12, true);
    settings.showDirection[1] = false;
    ASSERT_NO_FATAL_FAILURE(StartRelay(settings));

    // The first records may still mark stacks whose first poll is under way.
    // Before the first replies (about two seconds) the stacks go out as 0.0 and
    // 0, then as "err" until the first poll; from the first value on, every record
    // carries every stack's values.
    auto hasValues = [](const SinkRecord& r) { return StackValues(r, 0).first == "3.5"; };
    ASSERT_TRUE(WaitForRecords(
        [&](const auto& rs) { return std::count_if(rs.begin(), rs.end(), hasValues) >= 5; }, 20000))
        << Diagnostics();
    const std::vector<SinkRecord> records = Records();
    long previous = -1;
    int answering = 0;
    bool valuesSeen = false;
    for (const SinkRecord& r : records) {
        ASSERT_EQ(r.fields.size(), 1u + 12 * 3) << r.record;
        ASSERT_EQ(r.fields[0].size(), 15u) << r.record;  // "{" and YYYYMMDDhhmmss
        EXPECT_EQ(r.fields[0][0], '{');
        EXPECT_EQ(r.record.back(), '}');
        for (int i = 0; i < 12; ++i) EXPECT_EQ(r.fields[1 + i * 3], "QC" + std::to_string(1101 + i));
        // One record per period of one second.
        const long at = ArrivalMs(r.arrival);
        if (previous >= 0) {
            EXPECT_GT(at - previous, 600) << r.arrival;
            EXPECT_LT(at - previous, 1600) << r.arrival;
        }
        previous = at;
        valuesSeen = valuesSeen || hasValues(r);
        if (!valuesSeen) continue;
        ++answering;
        for (int i = 0; i < 12; ++i) {
            const auto [speed, direction] = StackValues(r, i);
            EXPECT_EQ(speed, "3.5") << r.record;
            EXPECT_EQ(direction, i == 1 ? "0" : "270") << r.record;
        }
    }
    EXPECT_GE(answering, 5);
    EXPECT_EQ(m_program->Stderr().find("message box"), std::string::npos) << m_program->Stderr();
}

// An instrument that stops answering is sent as "err^err" within about six
// seconds, is reconnected, and shows values again once it answers.
TEST_F(MonitorTest, SilencedInstrumentIsMarkedReconnectedAndShownAgain) {
    Simulator others("instrument_sim", {"--port", "4000", "--address", "127.0.0.1-127.0.0.2", "--address",
                                        "127.0.0.4-127.0.0.12", "--values", "90,2.5"});
    ASSERT_TRUE(others.ready()) << others.Stderr();
    FakeInstrument third("127.0.0.3", 180.0f, 7.25f);
    ASSERT_TRUE(third.listening());
    ASSERT_NO_FATAL_FAILURE(StartRelay());

    auto thirdIs = [](const SinkRecord& r, const std::string& speed) { return StackValues(r, 2).first == speed; };
    ASSERT_TRUE(WaitForRecords([&](const auto& rs) { return !rs.empty() && thirdIs(rs.back(), "7.2"); }, 20000))
        << Diagnostics();

    third.SetAnswer(FakeInstrument::Answer::Silent);
    const auto silencedAt = std::chrono::steady_clock::now();
    const std::size_t before = Records().size();
    ASSERT_TRUE(WaitForRecords([&](const auto& rs) { return rs.size() > before && thirdIs(rs.back(), "err"); }, 10000))
        << Diagnostics();
    const auto marked = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - silencedAt);
    EXPECT_LE(marked.count(), 7500);
    // The others go on answering meanwhile.
    EXPECT_EQ(StackValues(Records().back(), 0).first, "2.5");
    EXPECT_EQ(StackValues(Records().back(), 11).first, "2.5");

    // The watchdog reconnected it: a new connection came without an answer (set-up,
    // the first watchdog pass, the reconnect after silence). The reconnect and the
    // record that marks the stack come in the same second: the instrument may
    // accept the connection after the sink printed the record.
    EXPECT_TRUE(WaitFor([&] { return third.Connections() >= 3; }, 5000)) << third.Connections();

    third.SetValues(45.0f, 1.0f);
    third.SetAnswer(FakeInstrument::Answer::Reading);
    ASSERT_TRUE(WaitForRecords([&](const auto& rs) { return !rs.empty() && thirdIs(rs.back(), "1.0"); }, 15000))
        << Diagnostics();
    EXPECT_EQ(StackValues(Records().back(), 2).second, "45");
}

// A reply with a wrong header stops that stack's polls until its watchdog
// reconnects it: never more than one request per connection.
TEST_F(MonitorTest, WrongHeaderStopsPollsUntilTheWatchdogReconnects) {
    Simulator others("instrument_sim", {"--port", "4000", "--address", "127.0.0.1-127.0.0.3", "--address",
                                        "127.0.0.5-127.0.0.12", "--values", "10,1"});
    ASSERT_TRUE(others.ready()) << others.Stderr();
    FakeInstrument fourth("127.0.0.4", 0.0f, 9.0f);
    ASSERT_TRUE(fourth.listening());
    fourth.SetAnswer(FakeInstrument::Answer::WrongHeader);
    ASSERT_NO_FATAL_FAILURE(StartRelay());

    // Long enough for the first watchdog pass and two reconnects five seconds apart.
    ASSERT_TRUE(WaitFor([&] { return fourth.Connections() >= 3; }, 20000)) << Diagnostics();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    for (int n : fourth.RequestsPerConnection()) EXPECT_LE(n, 1);
    EXPECT_GE(fourth.Requests(), 2);
    // The stack is sent as not answering, the others with values.
    const std::vector<SinkRecord> records = Records();
    ASSERT_FALSE(records.empty()) << Diagnostics();
    const SinkRecord last = records.back();
    EXPECT_EQ(StackValues(last, 3).first, "err") << last.record;
    EXPECT_EQ(StackValues(last, 2).first, "1.0") << last.record;
    EXPECT_EQ(StackValues(last, 4).first, "1.0") << last.record;
}

// The server stopped and started again: the periods it was down lose their
// records, nothing is queued or sent twice, and records come again.
TEST_F(MonitorTest, ServerDownLosesOnlyItsPeriodsAndRecordsResume) {
    Simulator instruments("instrument_sim", AllInstruments({"--values", "200,4"}));
    ASSERT_TRUE(instruments.ready()) << instruments.Stderr();
    ASSERT_NO_FATAL_FAILURE(StartRelay());
    ASSERT_TRUE(WaitForRecords([](const auto& rs) { return rs.size() >= 3; }, 20000)) << Diagnostics();

    const std::uint16_t port = m_sink->port();
    const std::vector<SinkRecord> first = Records();
    ASSERT_TRUE(m_sink->process().Stop(SIGTERM, 5000));
    std::this_thread::sleep_for(std::chrono::milliseconds(3500));

    Simulator again("server_sink", {"--port", std::to_string(port)});
    ASSERT_TRUE(again.ready()) << again.Stderr();
    ASSERT_TRUE(WaitFor([&] { return ParseSinkOutput(again.Stdout()).size() >= 4; }, 15000))
        << "program:\n" << m_program->Stderr();
    const std::vector<SinkRecord> second = ParseSinkOutput(again.Stdout());

    // Time stamps (second resolution) only move forward: no record is sent twice.
    const std::string lastBefore = first.back().fields[0];
    for (const SinkRecord& r : second) EXPECT_GT(r.fields[0], lastBefore) << r.record;
    // After the first one, the records come every period again.
    for (std::size_t k = 1; k < second.size(); ++k) {
        const long gap = ArrivalMs(second[k].arrival) - ArrivalMs(second[k - 1].arrival);
        EXPECT_GT(gap, 600);
        EXPECT_LT(gap, 1600);
    }
    EXPECT_EQ(StackValues(second.back(), 5).first, "4.0");
    EXPECT_TRUE(m_program->Running());
}

// An instrument whose bytes are junk is not answering, however many bytes it
// sends: its stack goes out as "err" within the watchdog's time and stays so,
// while the others keep their values.
TEST_F(MonitorTest, JunkFromAnInstrumentIsSentAsNotAnswering) {
    enum class Junk { FloodFromTheFirstByte, OneByteASecondAfterAnswering };
    const struct {
        const char* name;
        Junk junk;
    } cases[] = {
        {"floods junk from its first byte", Junk::FloodFromTheFirstByte},
        {"answers, then sends one junk byte a second", Junk::OneByteASecondAfterAnswering},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_program.reset();  // the case before's program and sink end first
        m_sink.reset();
        Simulator others("instrument_sim", {"--port", "4000", "--address", "127.0.0.1-127.0.0.4", "--address",
                                            "127.0.0.6-127.0.0.12", "--values", "90,2.5"});
        ASSERT_TRUE(others.ready()) << others.Stderr();
        std::unique_ptr<Simulator> flood;
        std::unique_ptr<FakeInstrument> fifth;
        if (c.junk == Junk::FloodFromTheFirstByte) {
            flood = std::make_unique<Simulator>(
                "instrument_sim", std::vector<std::string>{"--port", "4000", "--address", "127.0.0.5", "--mode", "flood"});
            ASSERT_TRUE(flood->ready()) << flood->Stderr();
        } else {
            fifth = std::make_unique<FakeInstrument>("127.0.0.5", 180.0f, 7.25f);
            ASSERT_TRUE(fifth->listening());
        }
        ASSERT_NO_FATAL_FAILURE(StartRelay());
        auto fifthIs = [](const SinkRecord& r, const std::string& speed) { return StackValues(r, 4).first == speed; };
        if (fifth) {
            ASSERT_TRUE(WaitForRecords([&](const auto& rs) { return !rs.empty() && fifthIs(rs.back(), "7.2"); }, 20000))
                << Diagnostics();
            fifth->SetAnswer(FakeInstrument::Answer::JunkEachSecond);
        }
        const auto junkFrom = std::chrono::steady_clock::now();
        const std::size_t before = Records().size();
        // The watchdog's five seconds, one more for the rest of the last reply,
        // a send period, and slack for a loaded machine.
        // (Every stack is "err" until its first answer: the others must be answering.)
        ASSERT_TRUE(WaitForRecords(
            [&](const auto& rs) {
                return rs.size() > before && fifthIs(rs.back(), "err") && StackValues(rs.back(), 3).first == "2.5";
            },
            12000))
            << Diagnostics();
        const auto marked =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - junkFrom);
        EXPECT_LE(marked.count(), 9000);
        // It stays so through reconnects, the others answering meanwhile.
        const std::size_t markedAt = Records().size();
        ASSERT_TRUE(WaitForRecords([&](const auto& rs) { return rs.size() >= markedAt + 12; }, 20000)) << Diagnostics();
        const std::vector<SinkRecord> records = Records();
        for (std::size_t k = markedAt; k < records.size(); ++k) {
            EXPECT_EQ(StackValues(records[k], 4), (std::pair<std::string, std::string>{"err", "err"})) << records[k].record;
            EXPECT_EQ(StackValues(records[k], 3).first, "2.5") << records[k].record;
        }
    }
}

// A reply that comes in two reads (the header with two value bytes, then the
// rest) is an answer in both reads: the stack is never reconnected for it.
TEST_F(MonitorTest, AReplySplitInTwoReadsKeepsTheStackConnected) {
    Simulator others("instrument_sim", {"--port", "4000", "--address", "127.0.0.1-127.0.0.4", "--address",
                                        "127.0.0.6-127.0.0.12", "--values", "90,2.5"});
    ASSERT_TRUE(others.ready()) << others.Stderr();
    Simulator split("instrument_sim", {"--port", "4000", "--address", "127.0.0.5", "--mode", "split", "--values",
                                       "90,2.5", "--split-delay", "300"});
    ASSERT_TRUE(split.ready()) << split.Stderr();
    ASSERT_NO_FATAL_FAILURE(StartRelay());
    // Set-up and the first watchdog pass connect twice; then polls go on.
    ASSERT_TRUE(WaitForRecords([](const auto& rs) { return rs.size() >= 14; }, 25000)) << Diagnostics();
    const std::string log = split.Stderr();
    std::size_t accepted = 0;
    for (std::size_t at = log.find("accepted"); at != std::string::npos; at = log.find("accepted", at + 1)) ++accepted;
    EXPECT_EQ(accepted, 2u) << log;
}

// Stack names in the settings file that hold the record's marks or control
// characters, one per stack: every record the server receives, read raw from
// the connection, is one line "{" 14 digits, then name, speed and direction
// per stack, "}"; each such character of a name arrives as "?".
TEST(RecordShape, HostileNamesFromTheSettingsFileForgeNoRecord) {
    const struct {
        const char* name;
        const char* sent;
    } stacks[12] = {
        {"X}\n{20991231235959^EVIL^9.9^9}", "X???20991231235959?EVIL?9.9?9?"},
        {"A^B", "A?B"},
        {"{open", "?open"},
        {"close}", "close?"},
        {"tab\there", "tab?here"},
        {"cr\rlf\n", "cr?lf?"},
        {"\x01\x07\x1b", "???"},
        {"del\x7f", "del?"},
        {"}\n", "??"},
        {"", ""},
        {"^^^{}", "?????"},
        {"QC1112", "QC1112"},
    };
    LoopbackListener server("127.0.0.1");
    RelaySettings settings;
    settings.serverPort = server.port();
    settings.names.clear();
    for (const auto& s : stacks) settings.names.push_back(s.name);
    TempDir dir;
    settings.WriteTo(dir.path());
    ChildProcess program(kProgram, {}, dir.path());
    PeerSocket peer = server.Accept(20000);
    ASSERT_TRUE(peer.valid()) << program.Stderr();
    // Two whole lines (the first record may be lost to the connection's start).
    std::string bytes;
    ASSERT_TRUE(WaitFor(
        [&] {
            bytes += peer.ReadAvailable();
            return std::count(bytes.begin(), bytes.end(), '\n') >= 2;
        },
        20000))
        << bytes << program.Stderr();
    bytes.resize(bytes.rfind('\n') + 1);
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t end = bytes.find('\n', at);
        const std::string line = bytes.substr(at, end - at);
        at = end + 1;
        SCOPED_TRACE(line);
        ASSERT_GE(line.size(), 16u);
        EXPECT_EQ(line.front(), '{');
        EXPECT_EQ(line.back(), '}');
        EXPECT_EQ(std::count(line.begin(), line.end(), '{') + std::count(line.begin(), line.end(), '}'), 2);
        EXPECT_EQ(line.find('\r'), std::string::npos);
        std::vector<std::string> fields;
        for (std::size_t from = 1;;) {
            const std::size_t caret = line.find('^', from);
            fields.push_back(line.substr(from, (caret == std::string::npos ? line.size() - 1 : caret) - from));
            if (caret == std::string::npos) break;
            from = caret + 1;
        }
        ASSERT_EQ(fields.size(), 1u + 3 * 12);
        EXPECT_EQ(fields[0].size(), 14u);
        EXPECT_TRUE(std::all_of(fields[0].begin(), fields[0].end(), [](char c) { return c >= '0' && c <= '9'; }));
        for (int i = 0; i < 12; ++i) {
            EXPECT_EQ(fields[1 + 3 * std::size_t(i)], stacks[i].sent) << "stack " << i;
            // Not answering ("err" twice), or a speed and a direction.
            const std::string& speed = fields[2 + 3 * std::size_t(i)];
            const std::string& direction = fields[3 + 3 * std::size_t(i)];
            const auto number = [](const std::string& f) {
                return !f.empty() && f.find_first_not_of("-0123456789.") == std::string::npos;
            };
            EXPECT_TRUE((speed == "err" && direction == "err") || (number(speed) && number(direction)))
                << "stack " << i << ": " << speed << " " << direction;
        }
    }
}
