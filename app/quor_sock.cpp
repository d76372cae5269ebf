#include "app/quor_sock.h"

#include <algorithm>
#include <cstring>

#include "platform/base/codepage.h"
#include "platform/base/sysmetrics.h"
#include "platform/runtime/app.h"

namespace {

constexpr COLORREF kRedEdge = 0x0000FF;
constexpr COLORREF kRedCenter = 0xBCBCFF;
constexpr COLORREF kGreenEdge = 0x008000;
constexpr COLORREF kGreenCenter = 0x00FF00;

// A connect error as the owner hears it; -1: not reported at all.
LPARAM LinkEventOfConnectError(LPARAM error) {
    switch (error) {
    case WSAENOTSOCK: return LINK_NOT_SOCKET;
    case WSAEADDRNOTAVAIL: return LINK_ADDR_NOT_AVAILABLE;
    case WSAETIMEDOUT: return LINK_TIMED_OUT;
    case WSAECONNREFUSED: return LINK_REFUSED;
    case WSAEHOSTUNREACH: return -1;
    default: return error;
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// CClientSock. The base callbacks do nothing; they run before the message is
// sent, because the link may delete this socket while it handles the message.

void CClientSock::OnReceive(int errorCode) {
    CAsyncSocket::OnReceive(errorCode);
    if (m_pOwner) m_pOwner->SendMessage(WM_SOCK_EVENT, SOCK_KIND_RECEIVE, m_nSockId);
}

void CClientSock::OnConnect(int errorCode) {
    CAsyncSocket::OnConnect(errorCode);
    if (m_pOwner) m_pOwner->SendMessage(WM_SOCK_EVENT, SOCK_KIND_CONNECT, errorCode);
}

void CClientSock::OnClose(int errorCode) {
    CAsyncSocket::OnClose(errorCode);
    if (m_pOwner) m_pOwner->SendMessage(WM_SOCK_EVENT, SOCK_KIND_CLOSE, m_nSockId);
}

void CClientSock::OnSend(int errorCode) {
    CAsyncSocket::OnSend(errorCode);
    if (m_pOwner) m_pOwner->SendMessage(WM_SOCK_EVENT, SOCK_KIND_SEND, m_nSockId);
}

// ---------------------------------------------------------------------------
// CQuorSock

CQuorSock::CQuorSock() { std::memset(m_RecvBuf, 0, sizeof m_RecvBuf); }

CQuorSock::~CQuorSock() {
    CloseLink();
    if (m_bLampAttached) {
        LampDestroy();
        m_bLampAttached = FALSE;
    }
}

BOOL CQuorSock::Create(CWnd* pParent) {
    return CWnd::Create(nullptr, u"", WS_CHILD, CRect(0, 0, 0, 0), pParent, 0);
}

LRESULT CQuorSock::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SOCK_EVENT: return OnSockEvent(wParam, lParam);
    case WM_TIMER:
        if (wParam == kDiscardTimer) {
            KillTimer(kDiscardTimer);
            m_bDiscardDue = FALSE;
            if (m_pSocket) DiscardWaiting(true);
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    default: return CWnd::WindowProc(message, wParam, lParam);
    }
}

bool CQuorSock::Notify(LPARAM event) {
    const HWND self = m_hWnd;
    // The owner set on the link, else its parent; a set owner that is gone hears
    // nothing and is not replaced by the parent.
    CWnd* owner = GetOwner();
    if (!owner) return true;
    owner->SendMessage(WM_SOCK_EVENT, WPARAM(m_nLinkId), event);
    return IsWindow(self) != FALSE;
}

DWORD CQuorSock::BeginRead() {
    if (m_bLampAttached) LampFlash(kGreenEdge, kGreenCenter);
    ++m_nReads;
    DWORD waiting = 0;
    if (m_pSocket && !m_pSocket->IOCtl(FIONREAD, &waiting)) waiting = 0;
    return waiting;
}

LRESULT CQuorSock::DiscardWaiting(bool due) {
    if (m_bDiscardDue) return 1;
    // Not yet: the socket announces nothing more until the timer reads, so a
    // peer that keeps talking wakes the link a few times a second at most.
    const DWORD now = GetTickCount();
    if (!due && m_bDiscarded && now - m_nDiscardedAt < kDiscardIntervalMs) {
        m_bDiscardDue = TRUE;
        SetTimer(kDiscardTimer, kDiscardIntervalMs - (now - m_nDiscardedAt));
        return 1;
    }
    m_bDiscarded = TRUE;
    m_nDiscardedAt = now;
    m_nRecvCount = SkipWaiting();
    m_strRecv.clear();
    Notify(LINK_DATA);
    return 1;
}

DWORD CQuorSock::SkipWaiting() {
    // No more than a read would take: what a peer sends beyond that waits in
    // the socket, and a peer that floods is held back by its own connection
    // rather than costing a drop of all it could send in the time.
    const DWORD waiting = std::min<DWORD>(BeginRead(), kRecvBufSize);
    const int skipped = m_pSocket ? m_pSocket->Skip(int(waiting)) : 0;
    return DWORD(std::max(skipped, 0));
}

DWORD CQuorSock::DropWaiting() {
    const bool due = m_bDiscardDue != FALSE;
    if (due) {
        KillTimer(kDiscardTimer);
        m_bDiscardDue = FALSE;
    }
    if (!m_pSocket || !m_bConnected) return 0;
    // Nothing waiting, and no drop waiting for its turn: nothing to read.
    DWORD waiting = 0;
    if (!due && (!m_pSocket->IOCtl(FIONREAD, &waiting) || waiting == 0)) return 0;
    return SkipWaiting();
}

bool CQuorSock::HandOverRest() {
    if (!m_pSocket) return false;
    m_pSocket->ReserveSendRoom(int(std::min<std::size_t>(UnsentBytes(), 1u << 30)));
    return FlushSend();
}

void CQuorSock::DropRest() {
    if (UnsentBytes() > 0) {
        ++m_nDroppedSends;
        if (!m_unackedEnds.empty()) m_unackedEnds.pop_back();  // the rest is the last call's
    }
    m_sendRest.clear();
    m_nSendDone = 0;
}

void CQuorSock::CountUnacknowledged() {
    CAsyncSocket::SendQueue queue;
    if (!m_bWatchAcks || !m_pSocket || !m_pSocket->GetSendQueue(&queue)) return;
    for (const std::uint64_t end : m_unackedEnds)
        if (end > queue.acknowledged) ++m_nDroppedSends;
    m_unackedEnds.clear();
}

void CQuorSock::DropSocket(bool shutDownFirst, bool peerEnded) {
    // A rest cannot go on another connection: it is finished on this one (the
    // system sends it after the close), or this one is reset so that the peer
    // never takes a torn piece for the end of the stream.
    const bool whole = UnsentBytes() == 0 || HandOverRest();
    if (!whole) DropRest();
    // A peer that ended the connection takes nothing it had not acknowledged.
    if (peerEnded) CountUnacknowledged();
    m_unackedEnds.clear();
    m_nHanded = 0;
    m_nSendTaken = 0;
    m_bSendStalled = false;
    m_bOwedAtLastSend = false;
    m_nAckedAtLastSend = 0;
    if (m_bDiscardDue) {
        KillTimer(kDiscardTimer);
        m_bDiscardDue = FALSE;
    }
    CClientSock* socket = m_pSocket;
    if (!socket) return;
    m_pSocket = nullptr;
    ++m_nSocketGeneration;
    if (!whole) {
        socket->Abort();
        delete socket;
        return;
    }
    if (shutDownFirst) socket->ShutDown(SD_SEND);
    else socket->AsyncSelect(0);
    socket->Close();
    delete socket;
}

void CQuorSock::ConnectHost(const CString& host, UINT port) {
    m_strHost = host;
    m_nPort = port;
    if (m_bConnected) {
        Notify(LINK_ALREADY_CONNECTED);
        return;
    }
    DropSocket(false);

    auto* socket = new CClientSock;
    m_pSocket = socket;
    ++m_nSocketGeneration;
    if (!socket->Create(0, SOCK_STREAM, FD_ALL_EVENTS, nullptr)) {
        if (WSAGetLastError() != WSAEWOULDBLOCK) {
            // The socket goes before the box: timers and sockets keep running while
            // it is open, and the owner may reconnect this link meanwhile.
            m_pSocket = nullptr;
            ++m_nSocketGeneration;
            delete socket;
            AfxMessageBox(u"TCP/IP Error!");
            return;
        }
    }
    socket->m_pOwner = this;
    socket->Connect(m_strHost.c_str(), m_nPort);
}

void CQuorSock::ConnectAddr(DWORD ipv4, UINT port) { ConnectHost(AnsiToWide(InetNtoa(ipv4)), port); }

void CQuorSock::Reconnect(DWORD ipv4) {
    DropSocket(false);
    m_bConnected = FALSE;
    ConnectAddr(ipv4, m_nPort);
}

void CQuorSock::SendData(const void* data, int length) {
    if (length <= 0 || !data) return;
    if (!m_bConnected || !m_pSocket) {
        ++m_nDroppedSends;  // the link is down, or its new connection not yet made
        return;
    }
    // Owed a period ago and nothing acknowledged since: the peer stalled.
    CAsyncSocket::SendQueue queue;
    const bool known = m_bWatchAcks && m_pSocket->GetSendQueue(&queue) != FALSE;
    const bool owed = UnsentBytes() > 0 || (known && queue.unacknowledged > 0);
    while (known && !m_unackedEnds.empty() && m_unackedEnds.front() <= queue.acknowledged) m_unackedEnds.pop_front();
    m_bSendStalled = owed && m_bOwedAtLastSend && known && queue.acknowledged == m_nAckedAtLastSend;
    if (UnsentBytes() > 0) {
        // The socket took nothing of the rest since the last call: stalled too.
        m_bSendStalled = m_bSendStalled || m_nSendTaken == 0;
        ++m_nDroppedSends;
        m_nSendTaken = 0;
        m_bOwedAtLastSend = true;
        if (known) m_nAckedAtLastSend = queue.acknowledged;
        return;
    }
    if (m_bSendStalled) {
        ++m_nDroppedSends;
        return;
    }
    m_sendRest.assign(static_cast<const char*>(data), std::size_t(length));
    m_nSendDone = 0;
    if (m_bWatchAcks) m_unackedEnds.push_back(m_nHanded + std::uint64_t(length));
    FlushSend();
    // What the peer takes from now on shows it reading.
    m_nSendTaken = 0;
    if (!m_pSocket) return;
    const bool nowKnown = m_bWatchAcks && m_pSocket->GetSendQueue(&queue) != FALSE;
    m_bOwedAtLastSend = UnsentBytes() > 0 || (nowKnown && queue.unacknowledged > 0);
    m_nAckedAtLastSend = nowKnown ? queue.acknowledged : 0;
}

bool CQuorSock::FlushSend() {
    while (m_pSocket && UnsentBytes() > 0) {
        const int room = int(std::min<std::size_t>(UnsentBytes(), 1u << 30));
        const int n = m_pSocket->Send(m_sendRest.data() + m_nSendDone, room, 0);
        if (n > 0) {
            m_nSendDone += std::size_t(n);
            m_nSendTaken += std::size_t(n);
            m_nHanded += std::uint64_t(n);
            continue;
        }
        if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) return false;  // the write notification goes on
        break;  // the connection broke: its close notification follows
    }
    if (UnsentBytes() > 0) {
        DropRest();
        return false;
    }
    m_sendRest.clear();
    m_nSendDone = 0;
    return true;
}

void CQuorSock::CloseLink() { CloseWith(false); }

void CQuorSock::AbandonLink() { CloseWith(true); }

void CQuorSock::CloseWith(bool giveUpUnacknowledged) {
    if (m_bLampAttached) {
        LampSetOnColors(kRedEdge, kRedCenter);
        LampOn();
        LampRedrawNow();
    }
    if (m_pSocket) {
        DropSocket(true, giveUpUnacknowledged);
        m_bConnected = FALSE;
    }
}

void CQuorSock::SetLinkColors(COLORREF on, COLORREF light) {
    if (!m_bLampAttached || !m_bLampColors) return;
    LampSetOnColors(on, light);
    LampOn();
}

void CQuorSock::AttachLamp(CWnd* pParent, LPCTSTR text) {
    if (m_bLampAttached) LampDestroy();
    m_bLampAttached = TRUE;
    LampCreate(pParent, text);
}

LRESULT CQuorSock::OnSockEvent(WPARAM kind, LPARAM value) {
    switch (kind) {
    case SOCK_KIND_CONNECT: {
        if (value == 0) {
            const unsigned generation = m_nSocketGeneration;
            // The owner still sees the link as not connected while it handles this.
            if (!Notify(LINK_CONNECTED)) return 1;
            // Unless the owner closed or replaced the socket meanwhile.
            if (generation == m_nSocketGeneration && m_pSocket) m_bConnected = TRUE;
            return 1;
        }
        const LPARAM event = LinkEventOfConnectError(value);
        if (event >= 0) Notify(event);
        return 1;
    }
    case SOCK_KIND_CLOSE:
        DropSocket(true, true);
        m_bConnected = FALSE;
        Notify(LINK_CLOSED);
        return 1;
    case SOCK_KIND_SEND:
        FlushSend();
        return 1;
    case SOCK_KIND_RECEIVE: {
        if (m_bDiscardReceived) return DiscardWaiting();
        m_nRecvCount = std::min<DWORD>(BeginRead(), kRecvBufSize);
        std::memset(m_RecvBuf, 0, m_nRecvCount);
        if (m_pSocket) m_pSocket->Receive(m_RecvBuf, int(m_nRecvCount), 0);
        // One unit per byte, the byte widened as a signed 8-bit number: the low
        // eight bits of every unit are the byte received.
        m_strRecv.resize(m_nRecvCount);
        for (DWORD i = 0; i < m_nRecvCount; ++i)
            m_strRecv[i] = char16_t(std::int16_t(std::int8_t(m_RecvBuf[i])));
        Notify(LINK_DATA);
        return 1;
    }
    default:
        return 1;
    }
}
