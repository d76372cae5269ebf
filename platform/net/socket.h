// Asynchronous TCP client sockets on the event loop, with Windows Sockets' codes.
//
// A CAsyncSocket owns one non-blocking IPv4 stream socket. Its network events come
// back as calls of the virtual callbacks on the user-interface thread, from the
// event loop (never from inside the call that caused them), in Windows Sockets'
// order:
//   - OnConnect(error) once per Connect: 0 when the connection stands, otherwise the
//     reason (WSAECONNREFUSED, WSAETIMEDOUT, WSAEADDRNOTAVAIL, WSAHOST_NOT_FOUND...);
//     after a successful connect OnSend(0) follows.
//   - OnReceive(0) when bytes are waiting. It comes once and not again until the
//     program has called Receive: a program that does not read is not told twice,
//     and a peer that floods gets one notification per event-loop turn, so other
//     sockets, timers and input keep their share.
//   - OnClose(error) once, when the peer closed (0) or reset (WSAECONNRESET) the
//     connection. Bytes the peer sent before closing are announced by OnReceive
//     first; OnClose comes when nothing is left to read. A close is never reported
//     as a zero-byte receive.
//   - OnSend(0) after a Send that failed with WSAEWOULDBLOCK, once the socket can
//     take data again.
// Only the events selected by the mask given to Create or AsyncSelect are
// delivered; AsyncSelect(0) stops them all until a new mask is selected.
//
// Sends never wait: a peer that does not read gets partial sends and then
// WSAEWOULDBLOCK. Receives take at most what the caller asks for; nothing is
// buffered in between, so memory stays bounded whatever the peer sends.
//
// Connect takes a dotted IPv4 address or a host name. A dotted address connects
// at once. A name is looked up on a worker thread of the layer (the user interface
// never waits for a name server) and the connect starts when the answer arrives
// on the user-interface thread; a name that does not resolve to an IPv4 address
// ends in OnConnect(WSAHOST_NOT_FOUND). The address 0.0.0.0 and port 0 are
// refused with WSAEADDRNOTAVAIL, as Windows does (Linux would reach loopback), and
// so is a port above 65535; each such refusal reaches OnConnect too.
//
// The socket is closed when the object is destroyed or closed; no callback ever
// reaches a closed or destroyed socket object, also when the event that caused it
// was already waiting in the event loop.
#pragma once

#include <sys/ioctl.h>
#include <sys/socket.h>

#include <cstdint>
#include <string>

#include "platform/base/types.h"

struct AsyncSocketImpl;

using SOCKET = UINT_PTR;
constexpr SOCKET INVALID_SOCKET = ~SOCKET(0);
constexpr int SOCKET_ERROR = -1;

// Network events of the notification mask.
constexpr long FD_READ = 0x01;
constexpr long FD_WRITE = 0x02;
constexpr long FD_OOB = 0x04;
constexpr long FD_ACCEPT = 0x08;
constexpr long FD_CONNECT = 0x10;
constexpr long FD_CLOSE = 0x20;
constexpr long FD_ALL_EVENTS = FD_READ | FD_WRITE | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE;

// ShutDown directions.
constexpr int SD_RECEIVE = 0;
constexpr int SD_SEND = 1;
constexpr int SD_BOTH = 2;

// The bytes-waiting query of IOCtl under its Windows number (the system's own
// FIONREAD is accepted as well).
constexpr long FIONREAD_WINSOCK = 0x4004667F;

// Windows Sockets error codes.
constexpr int WSABASEERR = 10000;
constexpr int WSAEINTR = 10004;
constexpr int WSAEBADF = 10009;
constexpr int WSAEACCES = 10013;
constexpr int WSAEFAULT = 10014;
constexpr int WSAEINVAL = 10022;
constexpr int WSAEMFILE = 10024;
constexpr int WSAEWOULDBLOCK = 10035;
constexpr int WSAEINPROGRESS = 10036;
constexpr int WSAEALREADY = 10037;
constexpr int WSAENOTSOCK = 10038;
constexpr int WSAEDESTADDRREQ = 10039;
constexpr int WSAEMSGSIZE = 10040;
constexpr int WSAEPROTOTYPE = 10041;
constexpr int WSAENOPROTOOPT = 10042;
constexpr int WSAEPROTONOSUPPORT = 10043;
constexpr int WSAESOCKTNOSUPPORT = 10044;
constexpr int WSAEOPNOTSUPP = 10045;
constexpr int WSAEPFNOSUPPORT = 10046;
constexpr int WSAEAFNOSUPPORT = 10047;
constexpr int WSAEADDRINUSE = 10048;
constexpr int WSAEADDRNOTAVAIL = 10049;
constexpr int WSAENETDOWN = 10050;
constexpr int WSAENETUNREACH = 10051;
constexpr int WSAENETRESET = 10052;
constexpr int WSAECONNABORTED = 10053;
constexpr int WSAECONNRESET = 10054;
constexpr int WSAENOBUFS = 10055;
constexpr int WSAEISCONN = 10056;
constexpr int WSAENOTCONN = 10057;
constexpr int WSAESHUTDOWN = 10058;
constexpr int WSAETIMEDOUT = 10060;
constexpr int WSAECONNREFUSED = 10061;
constexpr int WSAEHOSTDOWN = 10064;
constexpr int WSAEHOSTUNREACH = 10065;
constexpr int WSANOTINITIALISED = 10093;
constexpr int WSAHOST_NOT_FOUND = 11001;
constexpr int WSATRY_AGAIN = 11002;
constexpr int WSANO_RECOVERY = 11003;
constexpr int WSANO_DATA = 11004;

// The last socket error of the calling thread (0 after a call that succeeded).
int WSAGetLastError();
void WSASetLastError(int error);

// The dotted text of an IPv4 address held in network byte order ("192.168.0.7").
std::string InetNtoa(DWORD addressNetworkOrder);

class CAsyncSocket {
public:
    enum { receives = SD_RECEIVE, sends = SD_SEND, both = SD_BOTH };

    CAsyncSocket();
    virtual ~CAsyncSocket();  // closes the socket
    CAsyncSocket(const CAsyncSocket&) = delete;
    CAsyncSocket& operator=(const CAsyncSocket&) = delete;

    // Makes the socket: a stream socket, bound to `address` (dotted text) and
    // `port` when either is given, with the notifications of `events`. Only
    // SOCK_STREAM is offered. Needs the GUI application (WSANOTINITIALISED without).
    BOOL Create(UINT port = 0, int type = SOCK_STREAM, long events = FD_ALL_EVENTS,
                LPCTSTR address = nullptr);
    // Starts connecting; returns FALSE with WSAEWOULDBLOCK once the attempt is under
    // way (its outcome comes to OnConnect). A target that can never be reached
    // (0.0.0.0, a port of 0 or above 65535) returns FALSE with WSAEADDRNOTAVAIL and
    // is reported to OnConnect as well, so a program that only listens for the
    // outcome hears it.
    BOOL Connect(LPCTSTR host, UINT port);
    // Selects the notifications to deliver; 0 stops them all.
    BOOL AsyncSelect(long events = FD_ALL_EVENTS);
    // Bytes taken (possibly fewer than len), or SOCKET_ERROR (WSAEWOULDBLOCK when
    // the socket takes nothing now; WSAENOTCONN before the connection stands).
    virtual int Send(const void* buf, int len, int flags = 0);
    // Bytes read (0: the peer closed), or SOCKET_ERROR. Asks for the next OnReceive.
    virtual int Receive(void* buf, int len, int flags = 0);
    // Drops up to len waiting bytes unread: nothing is copied, so what a peer
    // sends that nobody uses costs no more than its arrival. Bytes dropped, or
    // SOCKET_ERROR. Asks for the next OnReceive, as Receive does.
    int Skip(int len);
    // FIONREAD: the number of bytes waiting.
    BOOL IOCtl(long command, DWORD* argument);
    BOOL ShutDown(int how = sends);
    virtual void Close();
    // Closes with a reset: what the system still holds unsent is dropped, and the
    // peer learns that the connection was aborted rather than ended.
    void Abort();

    // What a connection still owes its peer: the bytes handed to the system that
    // the peer has not acknowledged yet (sent or still waiting), and the count of
    // bytes it has acknowledged since the connection stood. FALSE without a
    // connection.
    struct SendQueue {
        DWORD unacknowledged = 0;
        std::uint64_t acknowledged = 0;
    };
    BOOL GetSendQueue(SendQueue* queue) const;
    // Makes room for `bytes` more in what the system holds for sending (a larger
    // send buffer), so that a send of that many bytes is taken whole. FALSE when
    // the buffer cannot grow by that much; the send may then still be partial.
    BOOL ReserveSendRoom(int bytes);

    static int GetLastError() { return WSAGetLastError(); }
    SOCKET m_hSocket = INVALID_SOCKET;
    operator SOCKET() const { return m_hSocket; }

protected:
    virtual void OnReceive(int errorCode);
    virtual void OnSend(int errorCode);
    virtual void OnOutOfBandData(int errorCode);
    virtual void OnAccept(int errorCode);
    virtual void OnConnect(int errorCode);
    virtual void OnClose(int errorCode);

private:
    friend struct AsyncSocketImpl;
    AsyncSocketImpl* m_impl = nullptr;
};
