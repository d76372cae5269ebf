// The relay at its edges, against real peers on loopback: an instrument whose
// reply comes in pieces (a serial-to-TCP gateway may send it so) or one byte a
// second, what gateways add around replies, replies that look like headers,
// stacks that flood their links, stacks that have not answered yet, a data server that stops reading
// while its link is renewed with records half sent, and one that stops reading
// with the system's default buffers.
#include <gtest/gtest.h>

#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/base_panel.h"
#include "app/config_dlg.h"
#include "app/main_dlg.h"
#include "app/quor_sock.h"
#include "controls/led.h"
#include "platform/runtime/app.h"
#include "platform/stdctrl/button.h"
#include "res/resources.h"
#include "tests/support/fake_instrument.h"
#include "tests/support/loopback_peer.h"
#include "tests/support/relay_settings.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

// 270 degrees, 3.5 m/s.
const std::string kReply("R000:\x00\x00\x87\x43\x00\x00\x60\x40", 13);

// One write of an instrument's answer: its bytes, after a pause.
struct Write {
    std::string bytes;
    int afterMs;
};

// kReply cut into pieces (their sizes), each written `gapMs` after the last.
std::vector<Write> Pieces(const std::vector<int>& sizes, int gapMs) {
    std::vector<Write> writes;
    std::size_t from = 0;
    for (const int size : sizes) {
        writes.push_back({kReply.substr(from, std::size_t(size)), from > 0 ? gapMs : 0});
        from += std::size_t(size);
    }
    return writes;
}

// An instrument on address:4000 that answers every request with `answer`, its
// writes made one by one; with a `flood`, once it has answered `floodAfter`
// requests it answers no more and sends the flood's bytes over and over, as
// fast as the relay takes them.
class PieceInstrument {
public:
    PieceInstrument(const std::string& address, std::vector<int> pieces, int gapMs)
        : PieceInstrument(address, Pieces(pieces, gapMs)) {}
    PieceInstrument(const std::string& address, std::vector<Write> answer, const std::string& flood = {},
                    int floodAfter = 0)
        : m_answer(std::move(answer)), m_floodAfter(floodAfter) {
        while (!flood.empty() && m_flood.size() < 16384) m_flood += flood;
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(4000);
        ::inet_pton(AF_INET, address.c_str(), &a.sin_addr);
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(m_listener, 8) != 0) {
            ::close(m_listener);
            m_listener = -1;
            return;
        }
        m_thread = std::thread([this] { Run(); });
    }
    ~PieceInstrument() {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
        if (m_listener >= 0) ::close(m_listener);
    }
    bool listening() const { return m_listener >= 0; }
    int Connections() const { return m_connections; }
    int Replies() const { return m_replies; }
    int Requests() const { return m_requests; }
    bool Flooding() const { return !m_flood.empty() && m_replies >= m_floodAfter; }

private:
    bool Wait(int fd, int ms) {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, ms) > 0;
    }
    void Run() {
        int client = -1;
        std::string pending;
        while (!m_stop) {
            if (Wait(m_listener, client < 0 ? 50 : 0)) {
                const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd >= 0) {
                    if (client >= 0) ::close(client);  // the relay gave up the old one
                    client = fd;
                    pending.clear();
                    const int on = 1;
                    ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
                    ++m_connections;
                }
            }
            if (client < 0) continue;
            const bool flooding = Flooding();
            pollfd p{client, short(POLLIN | (flooding ? POLLOUT : 0)), 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            if (flooding && (p.revents & POLLOUT))
                (void)!::send(client, m_flood.data(), m_flood.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (!(p.revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buf[256];
            const ssize_t n = ::read(client, buf, sizeof buf);
            if (n <= 0) {
                ::close(client);
                client = -1;
                continue;
            }
            pending.append(buf, std::size_t(n));
            for (std::size_t at; (at = pending.find("R000?")) != std::string::npos;) {
                pending.erase(0, at + 5);
                ++m_requests;
                if (Flooding()) continue;
                for (const Write& w : m_answer) {
                    if (m_stop) break;
                    std::this_thread::sleep_for(std::chrono::milliseconds(w.afterMs));
                    (void)!::send(client, w.bytes.data(), w.bytes.size(), MSG_NOSIGNAL);
                }
                ++m_replies;
            }
        }
        if (client >= 0) ::close(client);
    }

    std::vector<Write> m_answer;
    std::string m_flood;
    int m_floodAfter = 0;
    int m_listener = -1;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0}, m_replies{0}, m_requests{0};
    std::thread m_thread;
};

float FloatOf(const char* bytes) {
    float f;
    std::memcpy(&f, bytes, 4);
    return f;
}

// One instrument's way of answering: what it writes for each request, and
// the values of the first reply in it.
struct Habit {
    const char* what;
    std::vector<Write> answer;
    float direction, speed;
    const char* sent;  // the stack's part of a record; null: not looked at
};

// The main window in process, working in a folder of its own.
class RelayEdgeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static const bool registered = (res::RegisterResources(), true);
        (void)registered;
    }
    RelayEdgeTest() : m_previous(fs::current_path()) { fs::current_path(m_dir.path()); }
    ~RelayEdgeTest() override {
        m_dlg.reset();
        fs::current_path(m_previous);
    }
    void Open(const RelaySettings& settings) {
        settings.WriteTo(m_dir.path());
        m_dlg = std::make_unique<CMainDlg>();
        ASSERT_TRUE(m_dlg->Create(res::IDD_MAIN, nullptr));
    }
    // Settings whose stacks other than the first point where nobody listens.
    static RelaySettings OneInstrument() {
        RelaySettings s;
        s.ips.assign(12, 0x7F000001u);  // 127.0.0.1
        for (std::uint32_t i = 1; i < 12; ++i) s.ips[i] = 0x7F000100u + i;  // 127.0.1.i
        s.sendPeriod = 3600;  // records only when the test asks
        return s;
    }
    // Twelve names of 79 bytes: a record of over a kilobyte.
    static std::vector<std::string> LongNames() {
        std::vector<std::string> names;
        for (int i = 0; i < 12; ++i) names.push_back(std::string(74, char('A' + i)) + std::to_string(10000 + i));
        return names;
    }
    CQuorSock* Server() { return m_dlg->m_pServerLink; }
    void ExpectAnswering(const Habit& habit);
    // Sends a record now and reads it from the server's side of the link.
    std::string RecordThrough(PeerSocket& peer) {
        m_dlg->SendRecord();
        std::string line;
        while (line.empty() || line.back() != '\n') {
            const std::string more = peer.Read(1, 3000);
            if (more.empty()) break;
            line += more;
        }
        return line;
    }

    TempDir m_dir;
    fs::path m_previous;
    std::unique_ptr<CMainDlg> m_dlg;
};

// Whether every record is whole: "{" and fourteen digits of time, twelve
// stacks of three fields, then "}".
::testing::AssertionResult AllWhole(const std::vector<SinkRecord>& records) {
    for (const SinkRecord& r : records) {
        if (r.fields.size() != 1 + 12 * 3 || r.fields[0].size() != 15 || r.record.back() != '}')
            return ::testing::AssertionFailure() << "a cut record: " << r.record;
    }
    return ::testing::AssertionSuccess();
}

// The records in bytes received on one server connection, one per line;
// a last line without its line feed counts as a record too (it was cut).
std::vector<SinkRecord> RecordsIn(const std::string& bytes) {
    std::string lines;
    std::size_t from = 0;
    while (from < bytes.size()) {
        std::size_t end = bytes.find('\n', from);
        if (end == std::string::npos) end = bytes.size();
        lines += "0 " + bytes.substr(from, end - from) + "\n";
        from = end + 1;
    }
    return ParseSinkOutput(lines);
}

}  // namespace

// A reply in pieces is one reply: stored, and its stack keeps its connection
// (set-up and the watchdog's first pass make two). One that trickles in a byte
// a second is too slow for the watchdog: the stack is marked and reconnected,
// and nothing of it is stored.
TEST_F(RelayEdgeTest, RepliesInPieces) {
    struct Case {
        const char* what;
        std::vector<int> pieces;
        int gapMs;
        bool answers;
    };
    const Case cases[] = {
        {"two pieces", {5, 8}, 40, true},
        {"three pieces", {2, 7, 4}, 40, true},
        {"thirteen pieces", std::vector<int>(13, 1), 40, true},
        {"one byte a second", std::vector<int>(13, 1), 1000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_dlg.reset();
        PieceInstrument instrument("127.0.0.1", c.pieces, c.gapMs);
        ASSERT_TRUE(instrument.listening());
        Open(OneInstrument());
        if (c.answers) {
            ASSERT_TRUE(platform::PumpUntil([&] { return m_dlg->m_pPanel->m_bAnswered[0]; }, 10000));
            EXPECT_EQ(m_dlg->m_fSpeed[0], 3.5f);
            EXPECT_EQ(m_dlg->m_fDirection[0], 270.0f);
            // Polls go on, reply after reply, past the watchdog's limit.
            const int from = instrument.Replies();
            ASSERT_TRUE(platform::PumpUntil([&] { return instrument.Replies() >= from + 8; }, 20000));
            EXPECT_EQ(instrument.Connections(), 2) << "the stack was reconnected";
            EXPECT_TRUE(m_dlg->m_pPanel->SendsValues(0));
        } else {
            ASSERT_TRUE(platform::PumpUntil([&] { return instrument.Connections() >= 3; }, 20000));
            EXPECT_TRUE(platform::PumpUntil([&] { return m_dlg->m_pPanel->m_nState[0] == STACK_NO_REPLY; }, 2000));
            EXPECT_EQ(m_dlg->m_fSpeed[0], 0.0f) << "a value of a reply that never came whole";
            EXPECT_FALSE(m_dlg->m_pPanel->m_bAnswered[0]);
        }
    }
}

// The stack answers every poll with the values the instrument sent in its
// first reply to it (a reply it sends unasked, or a piece of one, is never
// taken), is polled at its full rate past the watchdog's limit without a
// reconnect (set-up and the watchdog's first pass make two connections), and
// is sent with those values.
void RelayEdgeTest::ExpectAnswering(const Habit& c) {
    SCOPED_TRACE(c.what);
    m_dlg.reset();
    LoopbackListener server("127.0.0.1");
    RelaySettings settings = OneInstrument();
    settings.serverPort = server.port();
    PieceInstrument instrument("127.0.0.1", c.answer);
    ASSERT_TRUE(instrument.listening());
    Open(settings);
    PeerSocket peer = server.Accept(5000);
    ASSERT_TRUE(peer.valid());
    int wrong = 0;
    auto check = [&] {
        const float speed = m_dlg->m_fSpeed[0], direction = m_dlg->m_fDirection[0];
        if (!(speed == 0.0f && direction == 0.0f) && !(speed == c.speed && direction == c.direction)) ++wrong;
    };
    ASSERT_TRUE(platform::PumpUntil(
        [&] {
            check();
            return m_dlg->m_pPanel->m_bAnswered[0];
        },
        10000));
    EXPECT_EQ(m_dlg->m_fSpeed[0], c.speed);
    EXPECT_EQ(m_dlg->m_fDirection[0], c.direction);
    // Eleven polls take longer than the watchdog's five seconds.
    const int from = instrument.Requests();
    ASSERT_TRUE(platform::PumpUntil(
        [&] {
            check();
            return instrument.Requests() >= from + 11;
        },
        30000));
    EXPECT_EQ(wrong, 0) << "a value the instrument did not send as its reply";
    EXPECT_EQ(instrument.Connections(), 2) << "the stack was reconnected";
    EXPECT_TRUE(m_dlg->m_pPanel->SendsValues(0));
    if (c.sent) {
        const std::string record = RecordThrough(peer);
        EXPECT_NE(record.find(c.sent), std::string::npos) << record;
    }
}

// What gateways add around an instrument's replies.
TEST_F(RelayEdgeTest, GatewayHabitsAroundReplies) {
    const std::string a = InstrumentReply(100.0f, 33.0f), b = InstrumentReply(200.0f, 7.5f);
    const std::string fragment = InstrumentReply(25.0f, 99.0f).substr(0, 9);
    const char* sent = "^QC1101^33.0^100^";
    const Habit habits[] = {
        {"a line end in the reply's segment", {{a + "\r\n", 0}}, 100, 33, sent},
        {"a line end 20 ms later", {{a, 0}, {"\r\n", 20}}, 100, 33, sent},
        {"a new line 20 ms later", {{a, 0}, {"\n", 20}}, 100, 33, sent},
        {"a line end 300 ms later", {{a, 0}, {"\r\n", 300}}, 100, 33, sent},
        {"spaces and OK 100 ms later", {{a, 0}, {"  OK\r\n", 100}}, 100, 33, sent},
        {"the request echoed first", {{"R000?", 0}, {a, 10}}, 100, 33, sent},
        {"a second reply, unasked, in pieces", {{a + b.substr(0, 7), 0}, {b.substr(7), 30}}, 100, 33, sent},
        {"a fragment 50 ms after every reply", {{a, 0}, {fragment, 50}}, 100, 33, sent},
    };
    for (const Habit& h : habits) ExpectAnswering(h);
}

// Replies whose last bytes could begin a header are taken when nothing more
// comes, or when what comes breaks the header off.
TEST_F(RelayEdgeTest, RepliesThatLookLikeAHeader) {
    const float e11 = FloatOf("\xb7\x43\x3a\x52"), r0 = FloatOf("\x00\x00\x52\x30");
    const std::string ending2e11 = InstrumentReply(123.0f, e11), endingR0 = InstrumentReply(45.0f, r0);
    const std::string headerInside = "R000:R000:" + std::string("\x01\x02\x03", 3);
    const Habit habits[] = {
        {"speed bytes b7 43 3a 52", {{ending2e11, 0}}, 123, e11, nullptr},
        {"speed bytes 00 00 52 30", {{endingR0, 0}}, 45, r0, "^QC1101^0.0^45^"},
        {"speed bytes b7 43 3a 52, a line end 20 ms later", {{ending2e11, 0}, {"\r\n", 20}}, 123, e11, nullptr},
        {"a header among the value bytes", {{headerInside, 0}}, FloatOf("R000"), FloatOf(":\x01\x02\x03"),
         "^QC1101^0.0^0^"},
    };
    for (const Habit& h : habits) ExpectAnswering(h);
}

// Stacks that answer no poll: ones that flood their link from the connect on
// (R bytes, "R000:" over and over, whole replies unasked back to back, junk)
// or after three answers, and one whose answer is two replies overlapping.
// The stack is never shown with a value of what it sent unasked, is marked,
// sent as "err" and renewed, and its link reads a few times a second at most.
TEST_F(RelayEdgeTest, StacksThatFloodOrAnswerNoPoll) {
    const std::string a = InstrumentReply(100.0f, 33.0f), unasked = InstrumentReply(999.0f, 99.0f);
    struct Case {
        const char* what;
        std::vector<Write> answer;
        std::string flood;
        int floodAfter;
        float forbidden;  // a speed the stack must never show
    };
    const Case cases[] = {
        {"R bytes without end", {{a, 0}}, "R", 0, 33.0f},
        {"R000: over and over", {{a, 0}}, "R000:", 0, 33.0f},
        {"whole replies unasked, back to back", {{a, 0}}, unasked, 0, 99.0f},
        {"junk bytes without end", {{a, 0}}, std::string("\x7F\x00junk", 6), 0, 33.0f},
        {"replies back to back after three answers", {{a, 0}}, unasked, 3, 99.0f},
        {"a header among the values, then five more bytes", {{"R000:R000:\x01\x02\x03" "ABCDE", 0}}, {}, 0,
         FloatOf("BCDE")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_dlg.reset();
        LoopbackListener server("127.0.0.1");
        RelaySettings settings = OneInstrument();
        settings.serverPort = server.port();
        PieceInstrument instrument("127.0.0.1", c.answer, c.flood, c.floodAfter);
        ASSERT_TRUE(instrument.listening());
        Open(settings);
        PeerSocket peer = server.Accept(5000);
        ASSERT_TRUE(peer.valid());
        if (c.floodAfter > 0) {
            ASSERT_TRUE(platform::PumpUntil([&] { return instrument.Flooding(); }, 15000));
            EXPECT_EQ(m_dlg->m_fSpeed[0], 33.0f);
            ASSERT_TRUE(platform::PumpUntil([&] { return !m_dlg->m_pPanel->SendsValues(0); }, 5000))
                << "the flooding stack was not marked";
        }
        CQuorSock* link = m_dlg->m_pLinks[0];
        const DWORD readsBefore = link->m_nReads;
        const int connections = instrument.Connections();
        const auto start = std::chrono::steady_clock::now();
        int shown = 0;
        ASSERT_TRUE(platform::PumpUntil(
            [&] {
                shown += m_dlg->m_fSpeed[0] == c.forbidden || m_dlg->m_pPanel->m_bAnswered[0] ? 1 : 0;
                return instrument.Connections() >= std::max(connections, 2) + 1;
            },
            20000))
            << "not renewed";
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(shown, 0) << "shown as answering";
        const DWORD reads = link->m_nReads - readsBefore;
        EXPECT_LE(reads, DWORD(seconds * 1000 / CQuorSock::kDiscardIntervalMs) + 8) << "over " << seconds << " s";
        const std::string record = RecordThrough(peer);
        EXPECT_NE(record.find("^QC1101^err^err"), std::string::npos) << record;
    }
}

// A data server that talks back all the time (a line every 2 ms): the link
// drops what it sends a few times a second, unread, and the records go out
// whole.
TEST_F(RelayEdgeTest, AServerThatTalksBackCostsAFewReadsASecond) {
    LoopbackListener server("127.0.0.1");
    RelaySettings settings = OneInstrument();
    settings.serverPort = server.port();
    Open(settings);
    PeerSocket peer = server.Accept(5000);
    ASSERT_TRUE(peer.valid());
    ASSERT_TRUE(platform::PumpUntil([&] { return Server()->m_bConnected != FALSE; }, 5000));
    std::atomic<bool> talking{true};
    std::atomic<std::size_t> said{0};
    std::thread talker([&] {
        while (talking) {
            if (::send(peer.fd(), "OK\n", 3, MSG_NOSIGNAL) == 3) said += 3;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    const DWORD readsBefore = Server()->m_nReads;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 10; ++i) {
        m_dlg->SendRecord();
        platform::PumpEvents(100);
    }
    ASSERT_TRUE(Server()->m_pLamp);
    EXPECT_TRUE(Server()->m_pLamp->m_dwFlags & CLed::kLit) << "lit while the server talks";
    talking = false;
    talker.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const DWORD reads = Server()->m_nReads - readsBefore;
    EXPECT_GT(reads, 0u);
    EXPECT_LE(reads, DWORD(seconds * 1000 / CQuorSock::kDiscardIntervalMs) + 2) << "over " << seconds << " s";
    EXPECT_GT(said.load(), std::size_t(3 * reads)) << "many lines a read";
    EXPECT_TRUE(Server()->m_strRecv.empty());
    EXPECT_EQ(Server()->m_nDroppedSends, 0u);
    EXPECT_TRUE(platform::PumpUntil([&] { return !(Server()->m_pLamp->m_dwFlags & CLed::kLit); }, 2000))
        << "out once it is quiet";
    std::string bytes;
    for (std::string more; !(more = peer.Read(1, 500)).empty();) bytes += more;
    const std::vector<SinkRecord> records = RecordsIn(bytes);
    EXPECT_EQ(records.size(), 10u);
    EXPECT_TRUE(AllWhole(records));
}

// Until a stack has answered it is sent as "err", from the start and again
// after the panel is laid out anew, while the screen shows what it always
// showed at start (the stack with its zero value).
TEST_F(RelayEdgeTest, NoValueBeforeAReply) {
    LoopbackListener server("127.0.0.1");
    RelaySettings settings = OneInstrument();
    settings.serverPort = server.port();
    PieceInstrument instrument("127.0.0.1", {13}, 0);
    ASSERT_TRUE(instrument.listening());
    Open(settings);
    PeerSocket peer = server.Accept(5000);
    ASSERT_TRUE(peer.valid());
    ASSERT_TRUE(platform::PumpUntil([&] { return Server()->m_bConnected != FALSE; }, 5000));

    auto record = [&] { return RecordThrough(peer); };
    // At start: every stack shows values (zeros), and none is sent with them.
    EXPECT_EQ(m_dlg->m_pPanel->m_nState[0], STACK_VALUES);
    const std::string first = record();
    for (int i = 0; i < 12; ++i)
        EXPECT_NE(first.find("^QC" + std::to_string(1101 + i) + "^err^err"), std::string::npos) << first;

    ASSERT_TRUE(platform::PumpUntil([&] { return m_dlg->m_pPanel->m_bAnswered[0]; }, 10000));
    const std::string answered = record();
    EXPECT_NE(answered.find("^QC1101^3.5^270^QC1102^err^err"), std::string::npos) << answered;

    // The configuration dialog closed with Cancel changes nothing; with OK the
    // panel is laid out anew: "err" again until the next answer, while the
    // screen still shows the last values.
    for (const int answer : {IDCANCEL, IDOK}) {
        SCOPED_TRACE(answer == IDOK ? "OK" : "Cancel");
        bool seen = false;
        QTimer::singleShot(50, [&] {
            auto* dlg = dynamic_cast<CConfig*>(CWnd::GetActiveWindow());
            if (!dlg) return;
            seen = true;
            static_cast<CButton*>(dlg->GetDlgItem(answer))->Click();
        });
        m_dlg->OnConfig();
        ASSERT_TRUE(seen);
        EXPECT_EQ(m_dlg->m_pPanel->m_nState[0], STACK_VALUES);
        EXPECT_EQ(m_dlg->m_pPanel->m_fSpeed[0], 3.5f) << "the screen keeps the last value";
        const std::string after = record();
        EXPECT_NE(after.find(answer == IDOK ? "^QC1101^err^err" : "^QC1101^3.5^270"), std::string::npos) << after;
    }
    ASSERT_TRUE(platform::PumpUntil([&] { return m_dlg->m_pPanel->m_bAnswered[0]; }, 10000));
    EXPECT_NE(record().find("^QC1101^3.5^270"), std::string::npos);
}

// A data server with small buffers that stops reading while the link holds
// part of a record it could not send yet: the record timer finds the server
// stalled and renews the link, five times over. When the server reads again,
// every connection brings it whole records only.
TEST_F(RelayEdgeTest, ARenewedLinkNeverLeavesPartOfARecord) {
    Simulator sink("server_sink", {"--port", "0", "--rcvbuf", "4096"});
    ASSERT_TRUE(sink.ready()) << sink.Stderr();
    RelaySettings settings = OneInstrument();
    settings.serverPort = sink.port();
    settings.names = LongNames();
    Open(settings);
    CQuorSock* link = Server();
    auto connected = [&] { return link->m_bConnected && link->m_pSocket; };
    ASSERT_TRUE(platform::PumpUntil(connected, 5000));
    m_dlg->SendRecord();
    ASSERT_TRUE(platform::PumpUntil([&] { return ParseSinkOutput(sink.Stdout()).size() == 1; }, 5000));
    ::kill(sink.process().pid(), SIGUSR1);
    ASSERT_TRUE(sink.process().WaitForStderr("reading off", 5000));

    // Thirty records in one go (a burst the socket cannot take whole).
    std::string burst;
    for (int k = 0; k < 30; ++k) burst += m_dlg->m_szRecord;
    const int small = 4096;
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(platform::PumpUntil(connected, 5000));
        ::setsockopt(int(link->m_pSocket->m_hSocket), SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
        link->SendData(burst.data(), int(burst.size()));
        ASSERT_GT(link->UnsentBytes(), 0u);
        for (int n = 0; n < 50 && link->m_bConnected; ++n) {
            platform::PumpEvents(100);
            ASSERT_GT(link->UnsentBytes(), 0u) << "the server took it all";
            m_dlg->SendRecord();
        }
        ASSERT_FALSE(link->m_bConnected) << "not renewed";
    }
    ::kill(sink.process().pid(), SIGUSR2);
    // Everything sent reaches the sink; then it says no more.
    std::size_t seen = 0;
    for (;;) {
        platform::PumpEvents(500);
        const std::size_t now = sink.Stdout().size();
        if (now == seen) break;
        seen = now;
    }
    ASSERT_TRUE(sink.process().Stop(SIGTERM, 5000));
    const std::vector<SinkRecord> records = ParseSinkOutput(sink.Stdout());
    EXPECT_GT(records.size(), 5u);
    EXPECT_TRUE(AllWhole(records));
}

// A data server that stays connected but reads nothing, with the system's
// default buffers everywhere: once it acknowledges nothing for a send period,
// the link is renewed (here: refused, so the lamp stays red), the records it
// had not acknowledged are counted as given up, and what reached the old
// connection is whole records.
TEST_F(RelayEdgeTest, AStalledServerIsNoticedWithDefaultBuffers) {
    auto server = std::make_unique<LoopbackListener>("127.0.0.1");
    RelaySettings settings = OneInstrument();
    settings.serverPort = server->port();
    settings.names = LongNames();
    settings.sendPeriod = 1;
    Open(settings);
    CQuorSock* link = Server();
    ASSERT_TRUE(platform::PumpUntil([&] { return link->m_bConnected != FALSE; }, 5000));
    PeerSocket stalled = server->Accept(5000);
    ASSERT_TRUE(stalled.valid());
    server.reset();  // a new connection is refused from now on

    // Records until the server's window is closed: bytes stay unacknowledged
    // and nothing more is acknowledged. The record timer waits meanwhile: a
    // record it sent right after one of these would find the last one's
    // acknowledgement not yet come, with no period between them.
    m_dlg->KillTimer(kRecordTimer);
    CAsyncSocket::SendQueue queue;
    for (int n = 0; n < 20000 && link->m_bConnected; ++n) {
        m_dlg->SendRecord();
        platform::PumpEvents(0);
        if (!link->m_pSocket || !link->m_pSocket->GetSendQueue(&queue) || queue.unacknowledged == 0) continue;
        const std::uint64_t acked = queue.acknowledged;
        platform::PumpEvents(100);
        if (link->m_pSocket && link->m_pSocket->GetSendQueue(&queue) && queue.unacknowledged > 0 &&
            queue.acknowledged == acked)
            break;
    }
    ASSERT_TRUE(link->m_bConnected) << "renewed while records were still taken";
    const DWORD dropped = link->m_nDroppedSends;
    ASSERT_TRUE(link->m_pSocket->GetSendQueue(&queue));
    // Every record is as long as the last (the same names, all "err").
    const DWORD queued = queue.unacknowledged / DWORD(m_dlg->m_szRecord.size());
    ASSERT_GT(queued, 0u);

    // The record timer (one second) finds nothing acknowledged for its period.
    m_dlg->SetTimer(kRecordTimer, 1000);
    ASSERT_TRUE(platform::PumpUntil([&] { return !link->m_bConnected; }, 5000));
    // The record due on the stalled link is dropped, and those the server
    // never acknowledged are given up with the connection.
    EXPECT_GE(link->m_nDroppedSends, dropped + 1 + queued);
    ASSERT_NE(link->m_pLamp, nullptr);
    platform::PumpEvents(200);
    EXPECT_EQ(link->m_pLamp->m_crOnEdge, COLORREF(0x0000FF)) << "the lamp shows the link down";

    // The server reads again: what the old connection brings, to its end.
    std::string got;
    bool ended = false;
    for (;;) {
        pollfd p{stalled.fd(), POLLIN, 0};
        if (::poll(&p, 1, 10000) <= 0) break;
        char buf[65536];
        const ssize_t r = ::recv(stalled.fd(), buf, sizeof buf, 0);
        if (r <= 0) {
            ended = r == 0;
            break;
        }
        got.append(buf, std::size_t(r));
    }
    EXPECT_TRUE(ended) << "the old connection ends in order";
    const std::vector<SinkRecord> records = RecordsIn(got);
    EXPECT_GT(records.size(), 50u);
    EXPECT_TRUE(AllWhole(records));
}
