#pragma once
// The asynchronous socket component: one TCP stream socket (and optionally one listening
// socket) on non-blocking BSD sockets. Readiness reaches the user-interface thread through
// QSocketNotifier and is turned into the component's events there; every call and every
// event belongs to the user-interface thread.
//
// Failures are reported by the component itself: through OnError when it is assigned,
// otherwise in a box captioned "Error: TZSocket" (context, "\n\r", text). Error numbers are
// the component's classic ones (10004.. for socket errors, 11001.. for name look-ups, 1..4
// for its own checks); errno and getaddrinfo results are mapped onto them.
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/AnsiString.h"

class QSocketNotifier;
class QTimer;

class TZSocket {
public:
    using TNotifyEvent = std::function<void(TZSocket* Sender)>;
    using TErrorEvent = std::function<void(TZSocket* Sender, int ErrorCode, const AnsiString& ErrorText, int Socket)>;

    // States.
    enum : int {
        stClosed = 1,
        stListening = 3,
        stAcceptFailed = 4,
        stLookingUp = 5,
        stResolved = 6,
        stConnecting = 7,
        stConnected = 8,
        stError = 9,
        stLookupCancelled = 10,
        stAccepting = 11
    };
    // The component's own error numbers (their text is "Not a WinSock error").
    enum : int { errNoPort = 1, errNoAddress = 2, errNoHost = 3, errTimeout = 4 };

    TZSocket();
    ~TZSocket();  // closes both sockets
    TZSocket(const TZSocket&) = delete;
    TZSocket& operator=(const TZSocket&) = delete;

    // Settings.
    int BufferSize = 8192;  // receive buffer; upper bound of one receive
    AnsiString RemoteAddr;  // host name or dotted address to connect to
    AnsiString RemotePort;  // service name or port number to connect to
    AnsiString LocalPort;   // service name or port number to listen on
    int Timeout = 30;       // seconds; guards the name look-up; <= 0: no guard
    int ListenBacklog = 0;
    AnsiString LimitAddr;  // local address to listen on; empty = any
    AnsiString GetVersion() const { return "1.0.0"; }

    // Events, unassigned by default.
    TNotifyEvent OnNameLookupFailed, OnNameResolved, OnSendComplete, OnOKToWrite, OnClose, OnConnectionRequest,
        OnConnect, OnDataAvailable, OnTimeout;
    TErrorEvent OnError;

    // Read-only state.
    int SocketHandle() const { return socket_; }
    int ListenSocketHandle() const { return listenSocket_; }
    int State() const { return state_; }
    int BytesAvailable() const { return bytesAvailable_; }
    // True when the connection is gone: no socket, a failed connection attempt, or a peer
    // that closed or reset it.
    bool ConnectionBroken() const { return socket_ < 0 || closed_; }
    // True when the peer ended the connection in order (a read found its end), as against
    // a reset or a failed send.
    bool ClosedByPeer() const { return peerClosed_; }
    // Settles a connection attempt whose outcome the socket knows already, as its readiness
    // event would (OnConnect, or the error report); for callers that wait without running
    // the event loop.
    void ProcessPendingConnect();

    // Connects to RemoteAddr:RemotePort without waiting: OnConnect (or an error with the
    // reason, for instance 10061 "Connection refused") follows on the user-interface thread.
    void ZConnect();
    void ZListen();
    int ZAccept();  // the connected socket, -1 on failure
    void ZCancelListen();
    void ZClose();

    // Sends the text's bytes (up to a zero byte). Never raises SIGPIPE.
    void SetText(const AnsiString& text);
    // What has arrived, at most BufferSize bytes (cut at a zero byte); empty when nothing
    // has. Never blocks, never reports.
    AnsiString GetText();
    AnsiString Text() { return GetText(); }
    const AnsiString& LastText() const { return lastText_; }

    int ZSend(int socket, const void* buffer, int length);
    int ZSendUrgent(int socket, const void* buffer, int length);
    int ZReceive(int socket, void* buffer, int length);
    int ZReceiveUrgent(int socket, void* buffer, int length);
    int ZPeek(int socket, void* buffer, int length);

    // Looks name up in the background: RemoteAddr and OnNameResolved, or OnNameLookupFailed.
    void GetRemoteName(const AnsiString& name);
    void ZAsyncCancel();

    int GetRemotePort(int socket) const;         // own end's port
    AnsiString GetRemoteAddr(int socket) const;  // own end's address
    int GetPeerPort() const;
    AnsiString GetPeerAddr() const;
    AnsiString GetLocalHostName() const;
    AnsiString GetLocalAddr() const;

    int SetSocketOption(int socket, bool on, int seconds);  // linger
    int GetSocketOption(int socket, int level, int option, void* value, socklen_t* length);
    int IOCtl(int socket, unsigned long command, void* argument);

    void SetTimeout();
    void ResetTimeout();

    void SocketError(int socket, const AnsiString& context, int code);
    static AnsiString SocketErrorText(int code);
    // The error numbers of errno values and of getaddrinfo results.
    static int ErrorCodeFromErrno(int err);
    static int ErrorCodeFromAddrInfo(int gaiError, int err);

private:
    enum Event { evRead, evWrite, evAccept };
    void Watch(int socket, bool read, bool write);
    void Unwatch();
    void OnSocketReady(Event ev);
    void OnListenReady();
    void WMTimer();
    void Fire(const TNotifyEvent& ev);
    // Resolves the port text as a service name or a decimal number (host order); -1 when
    // it is neither.
    static int ResolvePort(const AnsiString& text);
    bool ResolveHost(const AnsiString& host, std::uint32_t& addr);
    void RearmRead();
    // Reports a failed send; false when it was kept quiet (the connection's one report
    // was given already).
    bool ReportSendFailure(int socket, const AnsiString& context, int err);

    int socket_ = -1;
    int listenSocket_ = -1;
    int state_ = stClosed;
    int bytesAvailable_ = 0;
    bool connectPending_ = false;
    bool closed_ = false;         // the peer closed (or reset) the connection
    bool peerClosed_ = false;     // the peer closed it in order
    bool errorReported_ = false;  // one report per broken connection
    AnsiString lastText_;
    std::unique_ptr<QSocketNotifier> readNotifier_, writeNotifier_, listenNotifier_;
    std::unique_ptr<QTimer> timer_;
    // Results of background look-ups check this token, so a late answer never reaches a
    // component that is gone or a look-up that was cancelled.
    std::shared_ptr<int> lookupToken_;
};
