// The asynchronous socket against real loopback peers: notifications in Windows
// Sockets' order and codes, lifetime, and a peer that never reads. (A flooding
// peer is tested through the link, in the application's tests.)
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QSocketNotifier>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/runtime/app.h"
#include "platform/net/socket.h"
#include "tests/support/loopback_peer.h"

namespace {

using Log = std::vector<std::string>;

// Records its notifications in a log that outlives it; hooks run after recording.
class ProbeSocket : public CAsyncSocket {
public:
    explicit ProbeSocket(Log* log) : m_log(log) {}

    std::function<void(ProbeSocket*)> onReceive;
    std::function<void(ProbeSocket*)> onConnect;

protected:
    void OnConnect(int error) override {
        m_log->push_back("connect:" + std::to_string(error));
        if (onConnect) onConnect(this);
    }
    void OnReceive(int) override {
        m_log->push_back("receive");
        if (onReceive) onReceive(this);
    }
    void OnClose(int error) override { m_log->push_back("close:" + std::to_string(error)); }
    void OnSend(int) override { m_log->push_back("send"); }

private:
    Log* m_log;
};

bool Has(const Log& log, const std::string& entry) {
    return std::find(log.begin(), log.end(), entry) != log.end();
}

int Count(const Log& log, const std::string& entry) {
    return int(std::count(log.begin(), log.end(), entry));
}

std::u16string U16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// A socket connected to `listener`, with the accepted end in `peer`.
std::unique_ptr<ProbeSocket> ConnectedProbe(Log* log, LoopbackListener& listener, PeerSocket* peer) {
    auto s = std::make_unique<ProbeSocket>(log);
    EXPECT_TRUE(s->Create());
    s->Connect(U16(listener.address()).c_str(), listener.port());
    EXPECT_TRUE(platform::PumpUntil([&] { return Has(*log, "connect:0"); }, 5000));
    *peer = listener.Accept(5000);
    EXPECT_TRUE(peer->valid());
    return s;
}

// Notes which of the layer's socket notifiers is being activated: the one whose
// callback is running.
class ActivationWatch : public QObject {
public:
    ActivationWatch() { QCoreApplication::instance()->installEventFilter(this); }
    ~ActivationWatch() override {
        if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
    }
    QPointer<QSocketNotifier> running;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::SockAct)
            if (auto* n = qobject_cast<QSocketNotifier*>(watched)) running = n;
        return false;
    }
};

// Notifiers retired inside their own activation, and how many of them were
// destroyed. Plain integers: they are read at process exit, after the GUI stopped.
int g_retiredInCallback = 0;
int g_retiredDestroyed = 0;

// At exit, after the application object went: every notifier retired inside its
// callback was destroyed, once. A failure here ends the process with status 1.
void CheckRetiredNotifiersAtExit() {
    if (g_retiredDestroyed == g_retiredInCallback) return;
    std::fprintf(stderr,
                 "FAILED: of %d socket notifiers retired inside their own callback, %d destructions "
                 "happened by the end of the program (each must be destroyed exactly once)\n",
                 g_retiredInCallback, g_retiredDestroyed);
    std::fflush(stderr);
    std::_Exit(1);
}

// Runs `close` (which closes or deletes `self`) inside the callback that the
// notifier `running` delivers, and follows what becomes of that notifier.
void CloseInsideItsOwnActivation(QSocketNotifier* running, SOCKET self, QSocketNotifier::Type type,
                                 const std::function<void()>& close) {
    ASSERT_NE(running, nullptr);
    ASSERT_EQ(running->socket(), qintptr(self));
    ASSERT_EQ(running->type(), type);
    QPointer<QSocketNotifier> alive(running);
    close();
    ++g_retiredInCallback;
    if (!alive) {
        ++g_retiredDestroyed;
        return;
    }
    QObject::connect(running, &QObject::destroyed, [] { ++g_retiredDestroyed; });
}

}  // namespace

TEST(AsyncSocket, ConnectsThenExchangesBytesInWindowsOrder) {
    LoopbackListener listener;
    Log log;
    ProbeSocket s(&log);
    ASSERT_TRUE(s.Create());
    EXPECT_NE(s.m_hSocket, INVALID_SOCKET);
    EXPECT_FALSE(s.Connect(u"127.0.0.1", listener.port()));
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    EXPECT_TRUE(log.empty()) << "the outcome comes from the event loop, not from inside Connect";
    ASSERT_TRUE(platform::PumpUntil([&] { return Has(log, "send"); }, 5000));
    EXPECT_EQ(log, (Log{"connect:0", "send"}));

    PeerSocket peer = listener.Accept(5000);
    ASSERT_TRUE(peer.valid());
    EXPECT_EQ(s.Send("R000?", 5), 5);
    EXPECT_EQ(peer.Read(5, 5000), "R000?");

    const std::string reply("R000:\x00\x00\x87\x43\x00\x00\x60\x40", 13);
    ASSERT_TRUE(peer.Send(reply));
    ASSERT_TRUE(platform::PumpUntil([&] { return Has(log, "receive"); }, 5000));
    DWORD waiting = 0;
    ASSERT_TRUE(s.IOCtl(FIONREAD, &waiting));
    EXPECT_EQ(waiting, 13u);
    ASSERT_TRUE(s.IOCtl(FIONREAD_WINSOCK, &waiting));
    EXPECT_EQ(waiting, 13u);
    char buf[32] = {};
    EXPECT_EQ(s.Receive(buf, sizeof buf), 13);
    EXPECT_EQ(std::string(buf, 13), reply);
    EXPECT_EQ(s.Receive(buf, sizeof buf), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
}

TEST(AsyncSocket, FailedConnectsReportWindowsCodes) {
    // A port nobody listens on any more.
    std::uint16_t closedPort;
    {
        LoopbackListener gone("127.0.0.1");
        closedPort = gone.port();
    }
    struct Case {
        std::u16string host;
        UINT port;
        int expected;
    };
    const std::vector<Case> cases = {
        {u"127.0.0.1", closedPort, WSAECONNREFUSED},
        // A stack whose address was never set must not reach a local service.
        {u"0.0.0.0", closedPort, WSAEADDRNOTAVAIL},
        {u"127.0.0.1", 0, WSAEADDRNOTAVAIL},
        // A port beyond 16 bits (a bad settings value) names no reachable address.
        {u"127.0.0.1", 70000, WSAEADDRNOTAVAIL},
        {u"127.0.0.1", UINT(-1), WSAEADDRNOTAVAIL},
    };
    for (const Case& c : cases) {
        Log log;
        ProbeSocket s(&log);
        ASSERT_TRUE(s.Create());
        EXPECT_FALSE(s.Connect(c.host.c_str(), c.port));
        const std::string expected = "connect:" + std::to_string(c.expected);
        ASSERT_TRUE(platform::PumpUntil([&] { return !log.empty(); }, 5000)) << expected;
        platform::PumpEvents(20);
        EXPECT_EQ(log, Log{expected}) << "a failed connect is reported once and nothing follows";
        char byte;
        EXPECT_EQ(s.Send(&byte, 1), SOCKET_ERROR);
        EXPECT_EQ(WSAGetLastError(), WSAENOTCONN);
    }
}

// Whether this machine's resolver knows "localhost" as 127.0.0.1 (a bare chroot
// without /etc/hosts does not).
static bool LocalhostResolvesToLoopback() {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo("localhost", nullptr, &hints, &found) != 0 || !found) return false;
    const bool loopback =
        reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr == htonl(INADDR_LOOPBACK);
    ::freeaddrinfo(found);
    return loopback;
}

TEST(AsyncSocket, HostNamesResolveWithoutHoldingTheCaller) {
    if (!LocalhostResolvesToLoopback())
        GTEST_SKIP() << "this machine does not resolve localhost to 127.0.0.1";
    LoopbackListener listener("127.0.0.1");
    Log log;
    ProbeSocket s(&log);
    ASSERT_TRUE(s.Create());
    EXPECT_FALSE(s.Connect(u"localhost", listener.port()));
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    EXPECT_TRUE(log.empty());
    ASSERT_TRUE(platform::PumpUntil([&] { return !log.empty(); }, 10000));
    EXPECT_EQ(log.front(), "connect:0");
    EXPECT_TRUE(listener.Accept(5000).valid());
}

TEST(AsyncSocket, BytesBeforeAnOrderlyCloseAreReceivedFirstAndTheCloseComesOnce) {
    LoopbackListener listener;
    Log log;
    PeerSocket peer;
    auto s = ConnectedProbe(&log, listener, &peer);
    std::string received;
    std::vector<DWORD> waitingAtEachReceive;
    s->onReceive = [&](ProbeSocket* self) {
        DWORD waiting = 0;
        self->IOCtl(FIONREAD, &waiting);
        waitingAtEachReceive.push_back(waiting);
        char buf[10];
        const int n = self->Receive(buf, sizeof buf);  // less than what waits
        if (n > 0) received.append(buf, std::size_t(n));
        DWORD left = 0;
        self->IOCtl(FIONREAD, &left);
        EXPECT_EQ(left, waiting - DWORD(std::max(n, 0))) << "what waits after a read is counted anew";
    };
    std::string sent;
    for (int i = 0; i < 100; ++i) sent.push_back(char('a' + i % 26));
    ASSERT_TRUE(peer.Send(sent));
    peer.Close();

    ASSERT_TRUE(platform::PumpUntil([&] { return Has(log, "close:0"); }, 5000));
    platform::PumpEvents(20);
    EXPECT_EQ(received, sent);
    EXPECT_EQ(Count(log, "receive"), 10);
    EXPECT_EQ(log.back(), "close:0");
    EXPECT_EQ(Count(log, "close:0"), 1);
    for (DWORD w : waitingAtEachReceive) EXPECT_GT(w, 0u) << "a close is never a zero-byte receive";
}

TEST(AsyncSocket, APeerResetIsACloseWithConnectionReset) {
    LoopbackListener listener;
    Log log;
    PeerSocket peer;
    auto s = ConnectedProbe(&log, listener, &peer);
    peer.Reset();
    ASSERT_TRUE(platform::PumpUntil([&] { return Has(log, "close:" + std::to_string(WSAECONNRESET)); }, 5000));
    EXPECT_EQ(Count(log, "receive"), 0);
}

TEST(AsyncSocket, BytesLeftUnreadAreAnnouncedOnceUntilTheProgramReads) {
    LoopbackListener listener;
    Log log;
    PeerSocket peer;
    auto s = ConnectedProbe(&log, listener, &peer);
    ASSERT_TRUE(peer.Send("first"));
    ASSERT_TRUE(platform::PumpUntil([&] { return Has(log, "receive"); }, 5000));
    ASSERT_TRUE(peer.Send("second"));
    platform::PumpEvents(100);
    EXPECT_EQ(Count(log, "receive"), 1) << "no second notification before a read";

    char buf[3];
    ASSERT_EQ(s->Receive(buf, sizeof buf), 3);
    ASSERT_TRUE(platform::PumpUntil([&] { return Count(log, "receive") == 2; }, 5000))
        << "after a partial read the rest is announced again";
}

// Skip drops what it is asked to, uncopied: the bytes after them are the next
// read's, the next bytes are announced again, and a close still comes.
TEST(AsyncSocket, SkippedBytesAreDroppedAndTheNextAreAnnounced) {
    LoopbackListener listener;
    Log log;
    PeerSocket peer;
    auto s = ConnectedProbe(&log, listener, &peer);
    const std::string big(60000, 'x');
    ASSERT_TRUE(peer.Send(big + "tail"));
    int skipped = 0;
    while (skipped < int(big.size())) {
        ASSERT_TRUE(platform::PumpUntil([&] { return Count(log, "receive") > 0; }, 5000));
        log.clear();
        const int n = s->Skip(int(big.size()) - skipped);
        ASSERT_GT(n, 0);
        skipped += n;
    }
    EXPECT_EQ(skipped, int(big.size()));
    ASSERT_TRUE(platform::PumpUntil([&] { return Has(log, "receive"); }, 5000));
    char buf[8] = {};
    EXPECT_EQ(s->Receive(buf, sizeof buf), 4);
    EXPECT_EQ(std::string(buf, 4), "tail");
    peer.Close();
    EXPECT_TRUE(platform::PumpUntil([&] { return Has(log, "close:0"); }, 5000));
}

TEST(AsyncSocket, SelectingNoEventsHoldsNotificationsUntilEventsAreSelectedAgain) {
    LoopbackListener listener;
    Log log;
    PeerSocket peer;
    auto s = ConnectedProbe(&log, listener, &peer);
    ASSERT_TRUE(s->AsyncSelect(0));
    ASSERT_TRUE(peer.Send("data"));
    peer.ShutdownWrite();
    platform::PumpEvents(100);
    EXPECT_EQ(Count(log, "receive"), 0);
    EXPECT_EQ(Count(log, "close:0"), 0);

    ASSERT_TRUE(s->AsyncSelect(FD_READ | FD_CLOSE));
    ASSERT_TRUE(platform::PumpUntil([&] { return Has(log, "receive"); }, 5000));
    char buf[16];
    EXPECT_EQ(s->Receive(buf, sizeof buf), 4);
    ASSERT_TRUE(platform::PumpUntil([&] { return Has(log, "close:0"); }, 5000));
}

TEST(AsyncSocket, NoNotificationReachesAClosedOrDeletedSocket) {
    LoopbackListener listener;
    {
        // Outcomes already on their way when the object goes.
        Log log;
        auto refused = std::make_unique<ProbeSocket>(&log);
        ASSERT_TRUE(refused->Create());
        refused->Connect(u"0.0.0.0", 4000);
        auto connecting = std::make_unique<ProbeSocket>(&log);
        ASSERT_TRUE(connecting->Create());
        connecting->Connect(u"127.0.0.1", listener.port());
        auto resolving = std::make_unique<ProbeSocket>(&log);
        ASSERT_TRUE(resolving->Create());
        resolving->Connect(u"localhost", listener.port());
        refused.reset();
        connecting.reset();
        resolving->Close();
        platform::PumpEvents(200);
        EXPECT_TRUE(log.empty());
        while (listener.Accept(0).valid()) {}
    }
    {
        // A socket deleted by its own callback, with more events behind it.
        Log log;
        PeerSocket peer;
        ProbeSocket* s = ConnectedProbe(&log, listener, &peer).release();
        s->onReceive = [](ProbeSocket* self) { delete self; };
        ASSERT_TRUE(peer.Send("bytes"));
        peer.Close();
        ASSERT_TRUE(platform::PumpUntil([&] { return Has(log, "receive"); }, 5000));
        platform::PumpEvents(100);
        EXPECT_EQ(log, (Log{"connect:0", "send", "receive"}));
    }
    {
        // Closed inside OnConnect: the send notification that would follow is dropped.
        Log log;
        ProbeSocket s(&log);
        s.onConnect = [](ProbeSocket* self) { self->Close(); };
        ASSERT_TRUE(s.Create());
        s.Connect(u"127.0.0.1", listener.port());
        ASSERT_TRUE(platform::PumpUntil([&] { return !log.empty(); }, 5000));
        platform::PumpEvents(50);
        EXPECT_EQ(log, Log{"connect:0"});
        char byte = 0;
        EXPECT_EQ(s.Send(&byte, 1), SOCKET_ERROR);
        EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
        EXPECT_FALSE(s.IOCtl(FIONREAD, reinterpret_cast<DWORD*>(&byte)));
        EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    }
}

TEST(AsyncSocket, TheSocketIsReleasedWithItsObject) {
    LoopbackListener listener;
    const int before = OpenFdCount();
    {
        Log log;
        std::vector<std::unique_ptr<ProbeSocket>> sockets;
        std::vector<PeerSocket> peers;
        for (int i = 0; i < 20; ++i) {
            PeerSocket peer;
            sockets.push_back(ConnectedProbe(&log, listener, &peer));
            peers.push_back(std::move(peer));
            log.clear();
        }
        EXPECT_GE(OpenFdCount(), before + 40);
    }
    platform::PumpEvents(20);
    EXPECT_EQ(OpenFdCount(), before);
}

TEST(AsyncSocket, ShuttingDownSendsEndsThePeersStream) {
    LoopbackListener listener;
    Log log;
    PeerSocket peer;
    auto s = ConnectedProbe(&log, listener, &peer);
    ASSERT_TRUE(s->ShutDown(CAsyncSocket::sends));
    EXPECT_TRUE(peer.WaitForEnd(5000));
    EXPECT_EQ(s->Send("x", 1), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAESHUTDOWN);
    // The other direction still works.
    ASSERT_TRUE(peer.Send("back"));
    ASSERT_TRUE(platform::PumpUntil([&] { return Has(log, "receive"); }, 5000));
}

TEST(AsyncSocket, SendsToAPeerThatNeverReadsFailWithoutWaiting) {
    LoopbackListener listener;
    Log log;
    PeerSocket peer;
    auto s = ConnectedProbe(&log, listener, &peer);
    log.clear();
    const std::string chunk(65536, 'x');
    bool wouldBlock = false;
    std::uint64_t taken = 0;
    // Loopback buffers hold a few megabytes; 4,096 chunks (256 MiB) is far beyond.
    for (int i = 0; i < 4096 && !wouldBlock; ++i) {
        const int n = s->Send(chunk.data(), int(chunk.size()));
        if (n == SOCKET_ERROR) {
            EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
            wouldBlock = true;
        } else {
            taken += std::uint64_t(n);
        }
    }
    ASSERT_TRUE(wouldBlock) << "sent " << taken << " bytes without ever being told to wait";
    EXPECT_FALSE(Has(log, "send"));

    // Once the peer reads, the socket says it takes data again.
    std::uint64_t drained = 0;
    ASSERT_TRUE(platform::PumpUntil([&] {
        drained += peer.ReadAvailable().size();
        return Has(log, "send");
    }, 10000));
    EXPECT_GT(drained, 0u);
}

// What a connection owes its peer: bytes handed over and not yet acknowledged,
// and the running count of acknowledged ones; the two always add up to what
// was sent. Room made for more takes a further send whole while the peer reads
// nothing; when it reads, every byte is acknowledged.
TEST(AsyncSocket, TheSendQueueShowsWhatThePeerHasNotAcknowledged) {
    LoopbackListener listener;
    Log log;
    PeerSocket peer;
    auto s = ConnectedProbe(&log, listener, &peer);
    CAsyncSocket::SendQueue q;
    ASSERT_TRUE(s->GetSendQueue(&q));
    EXPECT_EQ(q.unacknowledged, 0u);
    EXPECT_EQ(q.acknowledged, 0u);

    const std::string chunk(65536, 'x');
    std::uint64_t taken = 0;
    for (int i = 0; i < 4096; ++i) {
        const int n = s->Send(chunk.data(), int(chunk.size()));
        if (n == SOCKET_ERROR) break;
        taken += std::uint64_t(n);
    }
    platform::PumpEvents(100);
    ASSERT_TRUE(s->GetSendQueue(&q));
    EXPECT_GT(q.unacknowledged, 0u);
    EXPECT_EQ(q.acknowledged + q.unacknowledged, taken);
    EXPECT_LT(q.acknowledged, taken);

    const std::string rest(3000, 'y');
    ASSERT_TRUE(s->ReserveSendRoom(int(rest.size())));
    ASSERT_EQ(s->Send(rest.data(), int(rest.size())), int(rest.size()));
    taken += rest.size();

    std::uint64_t drained = 0;
    ASSERT_TRUE(platform::PumpUntil([&] {
        drained += peer.ReadAvailable().size();
        return drained == taken;
    }, 10000));
    ASSERT_TRUE(platform::PumpUntil([&] { return s->GetSendQueue(&q) && q.unacknowledged == 0; }, 5000));
    EXPECT_EQ(q.acknowledged, taken);

    // Without a connection there is no queue.
    ProbeSocket idle(&log);
    ASSERT_TRUE(idle.Create());
    EXPECT_FALSE(idle.GetSendQueue(&q));
    EXPECT_EQ(WSAGetLastError(), WSAENOTCONN);
}

// An aborted connection ends the peer's stream with a reset, not an orderly end.
TEST(AsyncSocket, AbortResetsTheConnection) {
    LoopbackListener listener;
    Log log;
    PeerSocket peer;
    auto s = ConnectedProbe(&log, listener, &peer);
    ASSERT_EQ(s->Send("part", 4), 4);
    s->Abort();
    EXPECT_EQ(s->m_hSocket, INVALID_SOCKET);
    EXPECT_EQ(peer.Read(4, 2000), "part");
    char b;
    pollfd p{peer.fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 2000), 1);
    EXPECT_EQ(::recv(peer.fd(), &b, 1, 0), -1);
    EXPECT_EQ(errno, ECONNRESET);
}

TEST(AsyncSocket, ANotifierRetiredInsideItsOwnCallbackIsFreedOnceAlsoWhenTheProgramEndsRightAfter) {
    static const bool registered = std::atexit(CheckRetiredNotifiersAtExit) == 0;
    ASSERT_TRUE(registered);
    LoopbackListener listener;
    ActivationWatch watch;
    {
        // Closed inside OnConnect, which the write notifier delivers.
        Log log;
        ProbeSocket s(&log);
        s.onConnect = [&](ProbeSocket* self) {
            CloseInsideItsOwnActivation(watch.running, self->m_hSocket, QSocketNotifier::Write,
                                        [self] { self->Close(); });
        };
        ASSERT_TRUE(s.Create());
        s.Connect(u"127.0.0.1", listener.port());
        ASSERT_TRUE(platform::PumpUntil([&] { return !log.empty(); }, 5000));
        EXPECT_EQ(log, Log{"connect:0"});
        EXPECT_EQ(g_retiredInCallback, 1);
        listener.Accept(5000);
    }
    // Deleted inside OnReceive, which the read notifier delivers; the test (and
    // with it the program) ends as soon as the callback returned, with no further
    // turn of the event loop. The check at exit tells whether the notifier went.
    Log log;
    PeerSocket peer;
    ProbeSocket* s = ConnectedProbe(&log, listener, &peer).release();
    s->onReceive = [&](ProbeSocket* self) {
        CloseInsideItsOwnActivation(watch.running, self->m_hSocket, QSocketNotifier::Read, [self] { delete self; });
    };
    ASSERT_TRUE(peer.Send("bytes"));
    ASSERT_TRUE(platform::PumpUntil([&] { return Has(log, "receive"); }, 5000));
    EXPECT_EQ(g_retiredInCallback, 2);
}
