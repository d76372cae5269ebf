// The TCP link: one object per connection of the main window (the data server,
// link id 100, and one per stack, link id = stack index).
//
// A link is a TCP client. It connects asynchronously to a host and port, reports
// every change of its connection and every arrival of bytes to its owner window
// as WM_SOCK_EVENT (wParam = link id, lParam = a LinkEvent or a raw Windows
// Sockets error code), keeps the received bytes as UTF-16 text, sends only while
// connected, and can drive a status lamp. It never retries: reconnecting is the
// owner's decision.
//
// Data goes out whole or not at all: what the socket cannot take at once is
// kept and finished on the socket's write notification. While such a rest is
// unfinished, further data is dropped whole and counted. A connection that is
// closed or replaced with a rest unfinished hands the rest to the system first
// (which finishes it, or drops it with the connection when the peer never reads
// again); when the system cannot take it, the connection is reset instead, so
// the peer never gets part of a SendData followed by an orderly end.
//
// On a link whose owner asks for it (m_bWatchAcks), each SendData also looks
// at what the peer has acknowledged: bytes that were owed at the SendData
// before, with nothing acknowledged since, mark the peer as stalled (it stopped
// reading, or the path to it is gone), whatever the size of the socket's
// buffers.
//
// A link that drops what its peer sends (m_bDiscardReceived) reads it at most
// every kDiscardIntervalMs, with a timer of its own (id 1) for what comes
// sooner. The owner may turn dropping on and off as it goes: a stack link
// reads only between a poll and its reply, and drops the rest.
//
// The same message number carries the socket's notifications to the link's own
// window (wParam = SockKind, lParam = the connect error or the socket id).
//
// Everything runs on the user-interface thread; events are sent synchronously,
// so the owner's handler runs inside the link's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "platform/net/socket.h"
#include "platform/window/wnd.h"

class CLed;
class CQuorSock;

constexpr UINT WM_SOCK_EVENT = WM_USER + 0x19A;

// Link events, lParam of WM_SOCK_EVENT to the owner. A failed connect whose code
// has no event of its own is reported with the code itself.
enum LinkEvent : LPARAM {
    LINK_CONNECTED = 0,
    LINK_CLOSED = 1,
    LINK_ALREADY_CONNECTED = 3,
    LINK_TIMED_OUT = 4,
    LINK_REFUSED = 5,
    LINK_NOT_SOCKET = 6,
    LINK_ADDR_NOT_AVAILABLE = 7,
    LINK_DATA = 100,
};

// Socket notifications, wParam of WM_SOCK_EVENT to the link's own window.
enum SockKind : WPARAM {
    SOCK_KIND_CONNECT = 1,  // lParam: the connect's error code, 0 on success
    SOCK_KIND_CLOSE = 2,    // the peer closed or reset the connection
    SOCK_KIND_RECEIVE = 3,  // bytes are waiting
    SOCK_KIND_SEND = 4,     // the socket takes data again after a full send
};

// The socket of one link: turns the socket's callbacks into WM_SOCK_EVENT for
// its link's window.
class CClientSock : public CAsyncSocket {
public:
    CClientSock() = default;
    ~CClientSock() override = default;

    int m_nSockId = 0;              // lParam of the close and data notifications
    CQuorSock* m_pOwner = nullptr;  // the link; nothing is sent while it is null

protected:
    void OnReceive(int errorCode) override;
    void OnConnect(int errorCode) override;
    void OnClose(int errorCode) override;
    void OnSend(int errorCode) override;
};

class CQuorSock : public CWnd {
public:
    static constexpr UINT kRecvBufSize = 65536;

    CQuorSock();
    ~CQuorSock() override;

    // The link's invisible child window under `pParent`, whose window (or the
    // owner set on the link) receives the link events.
    using CWnd::Create;
    virtual BOOL Create(CWnd* pParent);

    // Starts a connection to `host` (dotted IPv4 text or a name) and `port`; both
    // are stored in every case. On a connected link only LINK_ALREADY_CONNECTED is
    // reported and the connection is kept.
    void ConnectHost(const CString& host, UINT port);
    // The same for an IPv4 address in network byte order.
    void ConnectAddr(DWORD ipv4, UINT port);
    // Closes the current socket and connects to `ipv4` on the stored port.
    void Reconnect(DWORD ipv4);
    // Sends `length` bytes while connected; otherwise does nothing. The bytes go
    // out whole: what the socket does not take now is finished on its write
    // notification. While an earlier call's bytes are unfinished, these are
    // dropped whole and counted in m_nDroppedSends; so are they when the peer
    // is found stalled. A failed send (the connection broke) drops the rest;
    // the close notification follows.
    void SendData(const void* data, int length);
    // True after a SendData that found the peer stalled: the socket took none
    // of an unfinished rest since the SendData before, or (with m_bWatchAcks)
    // bytes were owed to the peer at the SendData before and it has
    // acknowledged nothing since. Cleared by the next SendData and with the
    // connection.
    bool SendStalled() const { return m_bSendStalled; }
    // Bytes of an earlier SendData still waiting to go out.
    std::size_t UnsentBytes() const { return m_sendRest.size() - m_nSendDone; }
    // Drops what waits now (up to kRecvBufSize bytes: more is a flood), unread,
    // and returns how many bytes that was; a
    // drop that waited for its turn (m_bDiscardReceived) is done with it. The
    // owner calls it before it reads again, so that what came before is not
    // read. LINK_DATA is not sent.
    DWORD DropWaiting();
    // Closes the connection (sending side shut down first) and shows the lamp red.
    // The owner is not told.
    void CloseLink();
    // The same for a connection given up because the peer stopped reading
    // (SendStalled): the SendData calls it has not acknowledged are counted in
    // m_nDroppedSends, as for a connection the peer ended.
    void AbandonLink();
    // When a lamp is attached and its colours may change: its lit colours become
    // `on` (rim) and `light` (centre) and it is lit.
    void SetLinkColors(COLORREF on, COLORREF light);
    // Gives the link a status lamp, a child of `pParent` with the caption `text`.
    void AttachLamp(CWnd* pParent, LPCTSTR text);

    LRESULT OnSockEvent(WPARAM kind, LPARAM value);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    int m_nLinkId = 0;
    BYTE m_RecvBuf[kRecvBufSize];
    CString m_strRecv;    // one UTF-16 unit per byte of the last read (sign-widened)
    CString m_strHost;
    DWORD m_nRecvCount = 0;
    CClientSock* m_pSocket = nullptr;
    UINT m_nPort = 0;
    BOOL m_bConnected = FALSE;
    CLed* m_pLamp = nullptr;
    BOOL m_bLampAttached = FALSE;
    BOOL m_bLampColors = FALSE;
    // SendData calls whose bytes did not reach the peer, since the link was
    // made: dropped while the link was not connected (down, or a new
    // connection under way), while an earlier call's bytes were unfinished or
    // the peer stalled, or cut off with their connection (the connection broke
    // or was reset with them unsent, or, with m_bWatchAcks, the peer closed or
    // reset it, or AbandonLink gave it up, before they were acknowledged).
    DWORD m_nDroppedSends = 0;
    // What the peer sends is dropped unread (no text is kept, m_strRecv stays
    // empty, m_nRecvCount counts the bytes dropped): for a link whose owner
    // uses none of it, or none of it now. LINK_DATA still comes, and the lamp
    // still flashes, but at most once every kDiscardIntervalMs, and a drop
    // takes at most kRecvBufSize bytes: bytes that come sooner, or more, wait
    // in the socket until then, so a peer that talks all the time costs a few
    // wake-ups a second, and one that floods is held back by its connection.
    BOOL m_bDiscardReceived = FALSE;
    static constexpr UINT kDiscardIntervalMs = 100;
    // Reads made (or bytes dropped unread) since the link was made.
    DWORD m_nReads = 0;
    // SendData watches what the peer acknowledges (two system calls a send):
    // for a link that sends once a period, where a stalled peer matters.
    BOOL m_bWatchAcks = FALSE;

private:
    // Sends a link event to the owner; false when the link's own window went away
    // while the owner handled it (the link object may be gone too: touch nothing).
    bool Notify(LPARAM event);
    // Detaches, closes and deletes the current socket, if any. A rest still
    // unsent on a connection is handed to the system before the close, or the
    // connection is reset when it cannot take it.
    // `peerEnded`: the peer closed or reset the connection, or stopped reading
    // and is given up, so what it has not acknowledged is counted as not
    // reaching it (with m_bWatchAcks).
    void DropSocket(bool shutDownFirst, bool peerEnded = false);
    // CloseLink; with `giveUpUnacknowledged`, AbandonLink.
    void CloseWith(bool giveUpUnacknowledged);
    // Drops the unsent rest of the last SendData, counting it as not delivered.
    void DropRest();
    // Hands the whole unsent rest to the socket, making room for it; false when
    // the socket would not take all of it.
    bool HandOverRest();
    // Hands the socket as much of the unsent rest as it takes now; true when it
    // took all of it. A rest the socket refused (the connection broke) is
    // dropped and counted.
    bool FlushSend();

    // Every use of the status lamp goes through these (quor_sock_lamp.cpp).
    void LampCreate(CWnd* pParent, LPCTSTR text);
    void LampSetOnColors(COLORREF edge, COLORREF center);  // only an initialised lamp
    void LampOn();
    void LampRedrawNow();
    void LampFlash(COLORREF edge, COLORREF center);
    void LampDestroy();

    // Counts socket replacements, so a connect result whose socket was closed or
    // replaced while the owner handled it does not mark the link connected.
    unsigned m_nSocketGeneration = 0;

    std::string m_sendRest;           // the bytes of the unfinished SendData
    std::size_t m_nSendDone = 0;      // of them, taken by the socket
    std::size_t m_nSendTaken = 0;     // bytes taken since the last SendData
    bool m_bSendStalled = false;
    // What the peer owed and had acknowledged right after the last SendData.
    bool m_bOwedAtLastSend = false;
    std::uint64_t m_nAckedAtLastSend = 0;
    // With m_bWatchAcks: the bytes handed to the system on this connection, and
    // where each SendData not yet acknowledged ends among them.
    std::uint64_t m_nHanded = 0;
    std::deque<std::uint64_t> m_unackedEnds;
    // Counts the SendData calls whose bytes the peer has not acknowledged; for a
    // connection the peer ended, which will take none of them.
    void CountUnacknowledged();

    // The start of every read, kept or dropped: flashes the lamp, counts the
    // read, and answers the bytes waiting.
    DWORD BeginRead();
    // Drops what waits, up to kRecvBufSize bytes, in one call, uncopied; the
    // bytes dropped.
    DWORD SkipWaiting();

    // Dropping what a peer sends unread (m_bDiscardReceived).
    static constexpr UINT_PTR kDiscardTimer = 1;
    // Drops what waits, unless the last drop was too recent (then the timer
    // does it); `due`: the timer's turn.
    LRESULT DiscardWaiting(bool due = false);
    BOOL m_bDiscarded = FALSE;  // m_nDiscardedAt holds the time of the last drop
    DWORD m_nDiscardedAt = 0;
    BOOL m_bDiscardDue = FALSE;  // the timer reads next
};
