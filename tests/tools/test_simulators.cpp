// The loopback simulators of tools/ from the command line, and the server link
// against the data-server sink, including a sink that stops reading.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

#include "app/quor_sock.h"
#include "platform/runtime/app.h"
#include "tests/support/loopback_peer.h"
#include "tests/support/recording_wnd.h"

namespace {

int CountLines(const std::string& text) { return int(std::count(text.begin(), text.end(), '\n')); }

// "YYYY-MM-DD HH:MM:SS.mmm " in front of a record line.
bool HasArrivalStamp(const std::string& line) {
    const std::string shape = "dddd-dd-dd dd:dd:dd.ddd ";
    if (line.size() < shape.size()) return false;
    for (std::size_t i = 0; i < shape.size(); ++i) {
        const bool ok = shape[i] == 'd' ? std::isdigit(static_cast<unsigned char>(line[i])) != 0 : line[i] == shape[i];
        if (!ok) return false;
    }
    return true;
}

// Puts a new blocking socket into `client` and connects it to `address` on
// `port`; connect()'s result.
int ConnectClient(PeerSocket* client, const std::string& address, std::uint16_t port) {
    *client = PeerSocket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = Ipv4(address);
    return ::connect(client->fd(), reinterpret_cast<sockaddr*>(&sa), sizeof sa);
}

}  // namespace

TEST(Simulators, SayTheirModesAndRefuseUnknownOptions) {
    for (const char* tool : {"instrument_sim", "server_sink"}) {
        SCOPED_TRACE(tool);
        TempDir dir;
        ChildProcess help(ToolPath(tool), {"--help"}, dir.path());
        EXPECT_EQ(help.Wait(10000), 0);
        const std::string text = help.Stdout();
        EXPECT_NE(text.find("usage:"), std::string::npos);
        if (std::string(tool) == "instrument_sim") {
            for (const char* mode : {"silent", "wrong-header", "split", "trailing", "flood", "close-after=N",
                                     "reset-after=N", "refuse"})
                EXPECT_NE(text.find(mode), std::string::npos) << mode;
        } else {
            EXPECT_NE(text.find("--no-read"), std::string::npos);
        }
        TempDir other;
        ChildProcess wrong(ToolPath(tool), {"--bogus"}, other.path());
        EXPECT_EQ(wrong.Wait(10000), 2);
        TempDir third;
        ChildProcess notLoopback(ToolPath(tool), {"--address", "10.0.0.1"}, third.path());
        EXPECT_EQ(notLoopback.Wait(10000), 2) << "simulators listen on loopback only";
    }
}

TEST(Simulators, EndCleanlyOnSigtermAndByThemselvesAfterTheirTime) {
    for (const char* tool : {"instrument_sim", "server_sink"}) {
        SCOPED_TRACE(tool);
        TempDir a;
        ChildProcess running(ToolPath(tool), {"--address", "127.0.6.1", "--port", "0"}, a.path());
        ASSERT_TRUE(running.WaitForStderr("ready port=", 10000)) << running.Stderr();
        ASSERT_TRUE(running.Stop(SIGTERM, 10000));
        EXPECT_EQ(running.Wait(0), 0);
        EXPECT_NE(running.Stderr().find("stopping (signal)"), std::string::npos);

        TempDir b;
        ChildProcess timed(ToolPath(tool), {"--address", "127.0.6.2", "--port", "0", "--duration", "1"},
                           b.path());
        EXPECT_EQ(timed.Wait(20000), 0);
        EXPECT_NE(timed.Stderr().find("stopping (time)"), std::string::npos);
    }
}

TEST(Simulators, InstrumentModesMisbehaveAsNamed) {
    Simulator sim("instrument_sim", {"--address", "127.0.6.10-127.0.6.13", "--port", "0", "--values", "45,2",
                                     "--mode-at", "127.0.6.11=wrong-header", "--mode-at", "127.0.6.12=trailing",
                                     "--mode-at", "127.0.6.13=silent"});
    ASSERT_TRUE(sim.ready()) << sim.Stderr();
    const std::string values("\x00\x00\x34\x42\x00\x00\x00\x40", 8);
    struct Case {
        const char* address;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"127.0.6.10", "R000:" + values},
        {"127.0.6.11", "R001:" + values},
        {"127.0.6.12", "R000:" + values + "\r\nOK"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        PeerSocket client;
        ASSERT_EQ(ConnectClient(&client, c.address, sim.port()), 0);
        // Two requests in one write are two answers.
        ASSERT_TRUE(client.Send("R000?R000?"));
        EXPECT_EQ(client.Read(2 * c.expected.size(), 5000), c.expected + c.expected);
    }
    PeerSocket silent;
    ASSERT_EQ(ConnectClient(&silent, "127.0.6.13", sim.port()), 0);
    ASSERT_TRUE(silent.Send("R000?"));
    EXPECT_EQ(silent.Read(1, 300), "");
    // SIGUSR1 reports the requests answered so far: two per answering address,
    // none from the silent one.
    ::kill(sim.process().pid(), SIGUSR1);
    EXPECT_TRUE(sim.process().WaitForStderr("answered=6\n", 5000)) << sim.Stderr();
}

TEST(Simulators, TheServerLinkDeliversRecordsAndASinkThatStopsReadingNeverHoldsIt) {
    Simulator sink("server_sink", {"--address", "127.0.6.20", "--port", "0", "--no-read", "--rcvbuf", "4096",
                                   "--greet", "ACK"});
    ASSERT_TRUE(sink.ready()) << sink.Stderr();
    MessageLog log;
    RecordingWnd owner("owner", &log);
    ASSERT_TRUE(owner.CreateEx(0, nullptr, u"owner", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0));
    owner.logOnly = {WM_SOCK_EVENT};
    CQuorSock link;
    link.m_nLinkId = 100;
    ASSERT_TRUE(link.Create(&owner));
    link.ConnectAddr(Ipv4("127.0.6.20"), sink.port());
    ASSERT_TRUE(platform::PumpUntil([&] { return link.m_bConnected == TRUE; }, 5000));
    // What the server sends is read (and left to the owner to ignore).
    ASSERT_TRUE(platform::PumpUntil([&] { return link.m_strRecv == u"ACK"; }, 5000));

    // Records keep going out while the sink reads nothing; every call returns.
    std::string record = "{20261206090507";
    for (int i = 0; i < 12; ++i) record += "^QC11" + std::to_string(i) + "^3.5^270";
    record += "}\n";
    constexpr int kRecords = 40000;  // 8 MiB: beyond what loopback buffers hold
    for (int i = 0; i < kRecords; ++i) link.SendData(record.data(), int(record.size()));
    EXPECT_TRUE(link.m_bConnected);
    ASSERT_NE(link.m_pSocket, nullptr);

    // The sink holds everything back, so the socket refuses more: the kernel may
    // still free a little room now and then (a send takes a few bytes), but a
    // refusal must come within another 8 MiB, and it comes at once, as
    // WSAEWOULDBLOCK. A send that waited for room would never return here: the
    // sink reads nothing until it is told to.
    bool refused = false;
    std::uint64_t takenAfterFlood = 0;
    for (int i = 0; i < kRecords && !refused; ++i) {
        const int n = link.m_pSocket->Send(record.data(), int(record.size()));
        if (n == SOCKET_ERROR) {
            EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
            refused = true;
        } else {
            ASSERT_GT(n, 0);
            ASSERT_LE(n, int(record.size()));
            takenAfterFlood += std::uint64_t(n);
        }
    }
    ASSERT_TRUE(refused) << "the socket took " << takenAfterFlood
                         << " more bytes after the flood without ever refusing";
    // With the buffers full, the program's sends keep returning and the link stays up.
    for (int i = 0; i < 1000; ++i) link.SendData(record.data(), int(record.size()));
    EXPECT_TRUE(link.m_bConnected);
    ASSERT_NE(link.m_pSocket, nullptr);

    // Once the sink reads again, the records that went out arrive whole, stamped.
    ASSERT_EQ(::kill(sink.process().pid(), SIGUSR2), 0);
    ASSERT_TRUE(WaitFor([&] { return CountLines(sink.Stdout()) >= 3; }, 10000)) << sink.Stderr();
    const std::string out = sink.Stdout();
    const std::string first = out.substr(0, out.find('\n'));
    ASSERT_TRUE(HasArrivalStamp(first)) << first;
    EXPECT_EQ(first.substr(24) + "\n", record);
}
