#include "platform/net/socket.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QSocketNotifier>
#include <QThreadPool>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <linux/tcp.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace {

thread_local int t_lastError = 0;

// Records the code of a failed call and gives back the call's failure result.
template <class T>
T Failed(int wsaError, T result) {
    t_lastError = wsaError;
    return result;
}

void Succeed() { t_lastError = 0; }

int WsaFromErrno(int e) {
    switch (e) {
    case 0: return 0;
    case EINTR: return WSAEINTR;
    case EBADF: return WSAENOTSOCK;  // a closed handle is "not a socket" to Windows
    case EACCES:
    case EPERM: return WSAEACCES;
    case EFAULT: return WSAEFAULT;
    case EINVAL: return WSAEINVAL;
    case EMFILE:
    case ENFILE: return WSAEMFILE;
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case EAGAIN: return WSAEWOULDBLOCK;
    case EINPROGRESS: return WSAEINPROGRESS;
    case EALREADY: return WSAEALREADY;
    case ENOTSOCK: return WSAENOTSOCK;
    case EDESTADDRREQ: return WSAEDESTADDRREQ;
    case EMSGSIZE: return WSAEMSGSIZE;
    case EPROTOTYPE: return WSAEPROTOTYPE;
    case ENOPROTOOPT: return WSAENOPROTOOPT;
    case EPROTONOSUPPORT: return WSAEPROTONOSUPPORT;
    case ESOCKTNOSUPPORT: return WSAESOCKTNOSUPPORT;
    case EOPNOTSUPP: return WSAEOPNOTSUPP;
    case EPFNOSUPPORT: return WSAEPFNOSUPPORT;
    case EAFNOSUPPORT: return WSAEAFNOSUPPORT;
    case EADDRINUSE: return WSAEADDRINUSE;
    case EADDRNOTAVAIL: return WSAEADDRNOTAVAIL;
    case ENETDOWN: return WSAENETDOWN;
    case ENETUNREACH: return WSAENETUNREACH;
    case ENETRESET: return WSAENETRESET;
    case ECONNABORTED: return WSAECONNABORTED;
    case ECONNRESET: return WSAECONNRESET;
    case EPIPE: return WSAECONNRESET;
    case ENOBUFS:
    case ENOMEM: return WSAENOBUFS;
    case EISCONN: return WSAEISCONN;
    case ENOTCONN: return WSAENOTCONN;
    case ESHUTDOWN: return WSAESHUTDOWN;
    case ETIMEDOUT: return WSAETIMEDOUT;
    case ECONNREFUSED: return WSAECONNREFUSED;
    case EHOSTDOWN: return WSAEHOSTDOWN;
    case EHOSTUNREACH: return WSAEHOSTUNREACH;
    default: return WSAEINVAL;
    }
}

// The outcome of a connect attempt. Linux says EAGAIN when no local port is left
// for the connection; that is a lack of resources, not "try the call again".
int WsaFromConnectErrno(int e) {
    if (e == EAGAIN) return WSAENOBUFS;
    return WsaFromErrno(e);
}

}  // namespace

// ---------------------------------------------------------------------------
// The state of one open socket, known by a serial number that is never reused:
// everything that reaches a socket from the event loop (readiness, a connect
// outcome, a name lookup's answer) names the serial and finds nothing once the
// socket is closed.

struct AsyncSocketImpl {
    enum class State { Idle, Resolving, Connecting, Connected, Failed, PeerClosed };

    CAsyncSocket* owner = nullptr;
    std::uint64_t serial = 0;
    int fd = -1;
    long events = 0;
    State state = State::Idle;
    bool readArmed = false;    // FD_READ may be reported when bytes arrive
    int knownWaiting = -1;     // bytes waiting, as counted before OnReceive; -1 once read
    bool sendOwed = false;     // a send would have blocked: FD_WRITE when writable
    bool sendShut = false;     // this side shut down its sending direction
    int pendingConnect = -1;   // a connect outcome known ahead of the event loop
    bool deliveryPosted = false;
    QSocketNotifier* reader = nullptr;
    QSocketNotifier* writer = nullptr;

    static AsyncSocketImpl* Find(std::uint64_t serial);

    void Arm();
    void Readable();
    // One recv with the system's flags; asks for the next read notification.
    int Read(void* buf, int len, int sysFlags);
    void Writable();
    int BeginConnect(in_addr address, std::uint16_t port);
    void ReportConnectOutcome(int error);
    void LookUp(const std::string& name, std::uint16_t port);
};

namespace {

std::unordered_map<std::uint64_t, AsyncSocketImpl*>& Registry() {
    static std::unordered_map<std::uint64_t, AsyncSocketImpl*> registry;
    return registry;
}

std::uint64_t g_nextSerial = 0;

// Notifiers of closed sockets. A notifier may be retired from inside its own
// activation (a callback closes or deletes its socket); it cannot be deleted
// there, so it waits in g_retired until its last running activation returns and
// is then handed to Qt's deferred deletion. Deferred deletions are delivered by
// the event loop, and at the latest when the layer stops the GUI (StopGui sends
// them before the application object goes), so such a notifier is freed exactly
// once, also when no event-loop turn follows its callback. (A queued call would
// not do: calls still queued when the application object goes are dropped unrun.)
std::vector<QSocketNotifier*> g_retired;  // retired while an activation of it runs
std::vector<QSocketNotifier*> g_active;   // notifiers whose activation is running

bool Active(QSocketNotifier* n) { return std::find(g_active.begin(), g_active.end(), n) != g_active.end(); }

void Retire(QSocketNotifier*& n) {
    if (!n) return;
    n->setEnabled(false);
    QObject::disconnect(n, nullptr, nullptr, nullptr);
    if (Active(n)) {
        g_retired.push_back(n);
    } else {
        delete n;
    }
    n = nullptr;
}

void OnActivated(std::uint64_t serial, QSocketNotifier* notifier, bool read) {
    g_active.push_back(notifier);
    if (AsyncSocketImpl* s = AsyncSocketImpl::Find(serial)) {
        if (read) s->Readable();
        else s->Writable();
    }
    g_active.erase(std::find(g_active.rbegin(), g_active.rend(), notifier).base() - 1);
    if (Active(notifier)) return;  // an outer activation of it still runs (nested event loop)
    const auto retired = std::find(g_retired.begin(), g_retired.end(), notifier);
    if (retired != g_retired.end()) {
        g_retired.erase(retired);
        notifier->deleteLater();
    }
}

void SetNotifier(QSocketNotifier*& n, AsyncSocketImpl* s, QSocketNotifier::Type type, bool on) {
    if (on && !n) {
        n = new QSocketNotifier(qintptr(s->fd), type);
        const std::uint64_t serial = s->serial;
        const bool read = type == QSocketNotifier::Read;
        QSocketNotifier* self = n;
        QObject::connect(n, &QSocketNotifier::activated, n,
                         [serial, self, read] { OnActivated(serial, self, read); });
    }
    if (n && n->isEnabled() != on) n->setEnabled(on);
}

}  // namespace

AsyncSocketImpl* AsyncSocketImpl::Find(std::uint64_t serial) {
    auto it = Registry().find(serial);
    return it == Registry().end() ? nullptr : it->second;
}

// Puts the notifiers in step with the state: watch for the connect outcome, for
// bytes while the program wants to hear of them, for room after a full send.
void AsyncSocketImpl::Arm() {
    const bool live = events != 0;
    const bool wantWrite =
        live && (state == State::Connecting || (state == State::Connected && sendOwed && (events & FD_WRITE)));
    const bool wantRead =
        live && state == State::Connected && readArmed && (events & (FD_READ | FD_CLOSE));
    SetNotifier(writer, this, QSocketNotifier::Write, wantWrite);
    SetNotifier(reader, this, QSocketNotifier::Read, wantRead);
    if (live && pendingConnect >= 0 && !deliveryPosted && QCoreApplication::instance()) {
        deliveryPosted = true;
        const std::uint64_t id = serial;
        QMetaObject::invokeMethod(QCoreApplication::instance(), [id] {
            AsyncSocketImpl* s = Find(id);
            if (!s) return;
            s->deliveryPosted = false;
            if (s->events == 0 || s->pendingConnect < 0) return;  // delivered on a later select
            const int error = s->pendingConnect;
            s->pendingConnect = -1;
            if (s->events & FD_CONNECT) s->owner->OnConnect(error);
        }, Qt::QueuedConnection);
    }
}

void AsyncSocketImpl::ReportConnectOutcome(int error) {
    state = State::Failed;
    pendingConnect = error;
    Arm();
}

int AsyncSocketImpl::BeginConnect(in_addr address, std::uint16_t port) {
    if (address.s_addr == htonl(INADDR_ANY) || port == 0) {
        ReportConnectOutcome(WSAEADDRNOTAVAIL);
        return WSAEADDRNOTAVAIL;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr = address;
    const int r = ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    if (r == 0 || errno == EINPROGRESS || errno == EINTR) {
        // Also an immediate success waits for writability, so the outcome always
        // comes from the event loop.
        state = State::Connecting;
        Arm();
        return WSAEWOULDBLOCK;
    }
    ReportConnectOutcome(WsaFromConnectErrno(errno));
    return WSAEWOULDBLOCK;
}

void AsyncSocketImpl::LookUp(const std::string& name, std::uint16_t port) {
    state = State::Resolving;
    const std::uint64_t id = serial;
    QThreadPool::globalInstance()->start([id, name, port] {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        const int rc = ::getaddrinfo(name.c_str(), nullptr, &hints, &found);
        in_addr address{};
        int error = 0;
        if (rc == 0 && found && found->ai_addr) {
            address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
        } else if (rc == EAI_AGAIN) {
            error = WSATRY_AGAIN;
        } else if (rc == EAI_FAIL) {
            error = WSANO_RECOVERY;
        } else {
            error = WSAHOST_NOT_FOUND;
        }
        if (found) ::freeaddrinfo(found);
        QCoreApplication* app = QCoreApplication::instance();
        if (!app) return;
        QMetaObject::invokeMethod(app, [id, address, port, error] {
            AsyncSocketImpl* s = Find(id);
            if (!s || s->state != State::Resolving) return;
            if (error) s->ReportConnectOutcome(error);
            else s->BeginConnect(address, port);
        }, Qt::QueuedConnection);
    });
}

// Bytes, an end of stream or a reset are waiting. One notification stands for
// everything waiting: the next comes only after the program read (Receive). The
// notifier stays on through the callback, so a callback that reads costs no
// unwatch and rewatch; one that does not read leaves it off afterwards.
void AsyncSocketImpl::Readable() {
    if (!readArmed) {
        // Still unread from an earlier notification (a nested event loop runs
        // inside that callback): rest until the program reads.
        Arm();
        return;
    }
    readArmed = false;
    int waiting = 0;
    bool bytes = ::ioctl(fd, FIONREAD, &waiting) == 0 && waiting > 0;
    int closeError = -1;
    if (!bytes) {
        char probe;
        const ssize_t r = ::recv(fd, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
        if (r > 0) {
            bytes = true;
        } else if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            readArmed = true;  // nothing after all
            return;
        } else {
            closeError = r == 0 ? 0 : WsaFromErrno(errno);
        }
    }
    const std::uint64_t id = serial;
    if (bytes) {
        // What waits is known until the program reads: asked again, it is not
        // asked of the system again.
        if (waiting > 0) knownWaiting = waiting;
        if (events & FD_READ) owner->OnReceive(0);
        if (AsyncSocketImpl* self = Find(id)) self->knownWaiting = -1;
    } else {
        state = State::PeerClosed;
        Arm();
        if (events & FD_CLOSE) owner->OnClose(closeError);
    }
    if (AsyncSocketImpl* self = Find(id)) self->Arm();  // the callback may have closed it
}

void AsyncSocketImpl::Writable() {
    if (state == State::Connecting) {
        int soError = 0;
        socklen_t len = sizeof soError;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len) != 0) soError = errno;
        if (soError != 0) {
            state = State::Failed;
            Arm();
            if (events & FD_CONNECT) owner->OnConnect(WsaFromConnectErrno(soError));
            return;
        }
        state = State::Connected;
        readArmed = true;
        sendOwed = false;
        Arm();
        const std::uint64_t id = serial;
        if (events & FD_CONNECT) owner->OnConnect(0);
        AsyncSocketImpl* self = Find(id);  // the callback may have closed the socket
        if (self && self->state == State::Connected && (self->events & FD_WRITE)) self->owner->OnSend(0);
        return;
    }
    if (state == State::Connected && sendOwed) {
        sendOwed = false;
        Arm();
        if (events & FD_WRITE) owner->OnSend(0);
        return;
    }
    Arm();
}

// ---------------------------------------------------------------------------

int WSAGetLastError() { return t_lastError; }
void WSASetLastError(int error) { t_lastError = error; }

std::string InetNtoa(DWORD addressNetworkOrder) {
    unsigned char b[4];
    std::memcpy(b, &addressNetworkOrder, 4);
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
    return text;
}

CAsyncSocket::CAsyncSocket() = default;

CAsyncSocket::~CAsyncSocket() { CAsyncSocket::Close(); }

BOOL CAsyncSocket::Create(UINT port, int type, long events, LPCTSTR address) {
    if (m_impl) return Failed(WSAEINVAL, FALSE);
    if (!QCoreApplication::instance()) return Failed(WSANOTINITIALISED, FALSE);
    if (type != SOCK_STREAM) return Failed(WSAESOCKTNOSUPPORT, FALSE);
    if (port > 0xFFFF) return Failed(WSAEINVAL, FALSE);

    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return Failed(WsaFromErrno(errno), FALSE);

    if (port != 0 || (address && *address)) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(std::uint16_t(port));
        local.sin_addr.s_addr = htonl(INADDR_ANY);
        if (address && *address) {
            const std::string text = Utf16ToUtf8(address);
            if (::inet_pton(AF_INET, text.c_str(), &local.sin_addr) != 1) {
                ::close(fd);
                return Failed(WSAEINVAL, FALSE);
            }
        }
        if (port == 0) {
            // The local port is chosen by the connect, per destination.
            const int on = 1;
            ::setsockopt(fd, IPPROTO_IP, IP_BIND_ADDRESS_NO_PORT, &on, sizeof on);
        }
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
            const int e = errno;
            ::close(fd);
            return Failed(WsaFromErrno(e), FALSE);
        }
    }

    m_impl = new AsyncSocketImpl;
    m_impl->owner = this;
    m_impl->serial = ++g_nextSerial;
    m_impl->fd = fd;
    m_impl->events = events;
    Registry()[m_impl->serial] = m_impl;
    m_hSocket = SOCKET(fd);
    Succeed();
    return TRUE;
}

BOOL CAsyncSocket::Connect(LPCTSTR host, UINT port) {
    if (!m_impl) return Failed(WSAENOTSOCK, FALSE);
    using State = AsyncSocketImpl::State;
    switch (m_impl->state) {
    case State::Resolving:
    case State::Connecting: return Failed(WSAEALREADY, FALSE);
    case State::Connected:
    case State::PeerClosed: return Failed(WSAEISCONN, FALSE);
    case State::Idle:
    case State::Failed: break;
    }
    if (!host) return Failed(WSAEFAULT, FALSE);
    m_impl->pendingConnect = -1;
    if (port > 0xFFFF) {
        // No address has such a port (a bad settings value): a failed connect like
        // any other, so a program that waits for the outcome hears it.
        m_impl->ReportConnectOutcome(WSAEADDRNOTAVAIL);
        return Failed(WSAEADDRNOTAVAIL, FALSE);
    }
    const std::string text = Utf16ToUtf8(host);
    in_addr address{};
    if (::inet_pton(AF_INET, text.c_str(), &address) == 1) {
        return Failed(m_impl->BeginConnect(address, std::uint16_t(port)), FALSE);
    }
    m_impl->LookUp(text, std::uint16_t(port));
    return Failed(WSAEWOULDBLOCK, FALSE);
}

BOOL CAsyncSocket::AsyncSelect(long events) {
    if (!m_impl) return Failed(WSAENOTSOCK, FALSE);
    m_impl->events = events;
    // A new selection reports bytes that are already waiting, as a fresh one would.
    if (events != 0 && m_impl->state == AsyncSocketImpl::State::Connected) m_impl->readArmed = true;
    m_impl->Arm();
    Succeed();
    return TRUE;
}

namespace {

// Why a Send or Receive of `len` bytes at `buf` cannot go ahead; 0 when it can.
int TransferRefusal(const AsyncSocketImpl* impl, const void* buf, int len) {
    if (!impl) return WSAENOTSOCK;
    if (len < 0) return WSAEINVAL;
    if (!buf && len > 0) return WSAEFAULT;
    using State = AsyncSocketImpl::State;
    if (impl->state != State::Connected && impl->state != State::PeerClosed) return WSAENOTCONN;
    return 0;
}

}  // namespace

int CAsyncSocket::Send(const void* buf, int len, int flags) {
    if (const int refusal = TransferRefusal(m_impl, buf, len)) return Failed(refusal, SOCKET_ERROR);
    if (m_impl->sendShut) return Failed(WSAESHUTDOWN, SOCKET_ERROR);
    const int sysFlags = (flags & (MSG_OOB | MSG_DONTROUTE)) | MSG_NOSIGNAL | MSG_DONTWAIT;
    ssize_t r;
    do {
        r = ::send(m_impl->fd, buf, size_t(len), sysFlags);
    } while (r < 0 && errno == EINTR);
    if (r >= 0) {
        Succeed();
        return int(r);
    }
    const int e = errno;
    if (e == EAGAIN || e == EWOULDBLOCK) {
        m_impl->sendOwed = true;
        m_impl->Arm();
    }
    return Failed(WsaFromErrno(e), SOCKET_ERROR);
}

int CAsyncSocket::Receive(void* buf, int len, int flags) {
    if (const int refusal = TransferRefusal(m_impl, buf, len)) return Failed(refusal, SOCKET_ERROR);
    return m_impl->Read(buf, len, (flags & (MSG_OOB | MSG_PEEK)) | MSG_DONTWAIT);
}

int CAsyncSocket::Skip(int len) {
    // A stream socket drops what it is asked to truncate, without a buffer.
    if (const int refusal = TransferRefusal(m_impl, this, len)) return Failed(refusal, SOCKET_ERROR);
    return m_impl->Read(nullptr, len, MSG_TRUNC | MSG_DONTWAIT);
}

int AsyncSocketImpl::Read(void* buf, int len, int sysFlags) {
    knownWaiting = -1;
    ssize_t r;
    do {
        r = ::recv(fd, buf, size_t(len), sysFlags);
    } while (r < 0 && errno == EINTR);
    const int e = errno;
    // Reading asks for the next notification: more bytes, or the close.
    if (state == State::Connected) {
        readArmed = true;
        Arm();
    }
    if (r >= 0) {
        Succeed();
        return int(r);
    }
    return Failed(WsaFromErrno(e), SOCKET_ERROR);
}

BOOL CAsyncSocket::IOCtl(long command, DWORD* argument) {
    if (!m_impl) return Failed(WSAENOTSOCK, FALSE);
    if (!argument) return Failed(WSAEFAULT, FALSE);
    if (command != FIONREAD_WINSOCK && command != long(FIONREAD)) return Failed(WSAEINVAL, FALSE);
    int waiting = m_impl->knownWaiting;
    if (waiting < 0 && ::ioctl(m_impl->fd, FIONREAD, &waiting) != 0) return Failed(WsaFromErrno(errno), FALSE);
    *argument = DWORD(std::max(waiting, 0));
    Succeed();
    return TRUE;
}

BOOL CAsyncSocket::ShutDown(int how) {
    if (!m_impl) return Failed(WSAENOTSOCK, FALSE);
    if (how < SD_RECEIVE || how > SD_BOTH) return Failed(WSAEINVAL, FALSE);
    if (::shutdown(m_impl->fd, how) != 0) return Failed(WsaFromErrno(errno), FALSE);
    if (how != SD_RECEIVE) m_impl->sendShut = true;
    Succeed();
    return TRUE;
}

void CAsyncSocket::Close() {
    if (!m_impl) return;
    AsyncSocketImpl* impl = m_impl;
    m_impl = nullptr;
    m_hSocket = INVALID_SOCKET;
    Registry().erase(impl->serial);
    Retire(impl->reader);
    Retire(impl->writer);
    ::close(impl->fd);
    delete impl;
}

void CAsyncSocket::Abort() {
    if (!m_impl) return;
    const linger reset{1, 0};
    ::setsockopt(m_impl->fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    Close();
}

BOOL CAsyncSocket::GetSendQueue(SendQueue* queue) const {
    if (!m_impl) return Failed(WSAENOTSOCK, FALSE);
    if (!queue) return Failed(WSAEFAULT, FALSE);
    using State = AsyncSocketImpl::State;
    if (m_impl->state != State::Connected && m_impl->state != State::PeerClosed) return Failed(WSAENOTCONN, FALSE);
    int owed = 0;
    if (::ioctl(m_impl->fd, SIOCOUTQ, &owed) != 0) return Failed(WsaFromErrno(errno), FALSE);
    tcp_info info{};
    socklen_t len = sizeof info;
    if (::getsockopt(m_impl->fd, IPPROTO_TCP, TCP_INFO, &info, &len) != 0) return Failed(WsaFromErrno(errno), FALSE);
    queue->unacknowledged = DWORD(std::max(owed, 0));
    // The system counts the opening handshake as one byte acknowledged.
    queue->acknowledged = info.tcpi_bytes_acked > 0 ? info.tcpi_bytes_acked - 1 : 0;
    Succeed();
    return TRUE;
}

BOOL CAsyncSocket::ReserveSendRoom(int bytes) {
    if (!m_impl) return Failed(WSAENOTSOCK, FALSE);
    if (bytes < 0) return Failed(WSAEINVAL, FALSE);
    int now = 0;
    socklen_t len = sizeof now;
    if (::getsockopt(m_impl->fd, SOL_SOCKET, SO_SNDBUF, &now, &len) != 0) return Failed(WsaFromErrno(errno), FALSE);
    // The system counts each queued piece with its bookkeeping, about as much
    // again as its bytes, and doubles what it is asked for to allow for it.
    const long long want = (long long)now + 2LL * bytes + 4096;
    int ask = int(std::min<long long>(want / 2 + 1, INT_MAX));
    // The system holds a request to its own limit: one that would leave less
    // than the buffer has now (grown by itself beyond that limit) is not made.
    if (FILE* f = std::fopen("/proc/sys/net/core/wmem_max", "r")) {
        long long limit = 0;
        if (std::fscanf(f, "%lld", &limit) == 1 && limit > 0 && limit < ask) ask = int(limit);
        std::fclose(f);
    }
    if (2LL * ask <= now) return Failed(WSAENOBUFS, FALSE);
    if (::setsockopt(m_impl->fd, SOL_SOCKET, SO_SNDBUF, &ask, sizeof ask) != 0) return Failed(WsaFromErrno(errno), FALSE);
    int got = 0;
    len = sizeof got;
    if (::getsockopt(m_impl->fd, SOL_SOCKET, SO_SNDBUF, &got, &len) != 0) return Failed(WsaFromErrno(errno), FALSE);
    if ((long long)got < want) return Failed(WSAENOBUFS, FALSE);
    Succeed();
    return TRUE;
}

void CAsyncSocket::OnReceive(int) {}
void CAsyncSocket::OnSend(int) {}
void CAsyncSocket::OnOutOfBandData(int) {}
void CAsyncSocket::OnAccept(int) {}
void CAsyncSocket::OnConnect(int) {}
void CAsyncSocket::OnClose(int) {}
