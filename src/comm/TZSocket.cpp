#include "comm/TZSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "comm/IPv4Address.h"
#include "platform/Dialogs.h"
#include "platform/UiDispatcher.h"
#include "platform/UiThread.h"

namespace {

AnsiString Dotted(std::uint32_t networkOrder)
{
    in_addr a{};
    a.s_addr = networkOrder;
    char buf[INET_ADDRSTRLEN] = {};
    if (!inet_ntop(AF_INET, &a, buf, sizeof buf)) return {};
    return buf;
}

// getaddrinfo for IPv4 on a worker thread: it may block for seconds, and the caller wants
// to give up after its own limit. The worker keeps the shared result alive on its own.
struct LookupResult {
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    int gai = 0;
    int err = 0;
    std::uint32_t addr = 0;  // network order
};

std::shared_ptr<LookupResult> StartLookup(const AnsiString& host)
{
    auto r = std::make_shared<LookupResult>();
    std::thread([r, host] {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* res = nullptr;
        errno = 0;
        int gai = getaddrinfo(host.c_str(), nullptr, &hints, &res);
        int err = errno;
        std::uint32_t addr = 0;
        if (gai == 0) {
            if (res && res->ai_addr && res->ai_family == AF_INET)
                addr = reinterpret_cast<sockaddr_in*>(res->ai_addr)->sin_addr.s_addr;
            else
                gai = EAI_NONAME;
        }
        if (res) freeaddrinfo(res);
        std::lock_guard<std::mutex> l(r->mutex);
        r->gai = gai;
        r->err = err;
        r->addr = addr;
        r->done = true;
        r->cv.notify_all();
    }).detach();
    return r;
}

// A notifier may be dropped from inside its own handler (an event handler that closes the
// socket): disable it now, free it once the event loop is back.
void DropNotifier(std::unique_ptr<QSocketNotifier>& n)
{
    if (!n) return;
    n->setEnabled(false);
    QObject::disconnect(n.get(), nullptr, nullptr, nullptr);
    n.release()->deleteLater();
}

bool HostUnknown(int gai)
{
    return gai == EAI_NONAME
#ifdef EAI_NODATA
           || gai == EAI_NODATA
#endif
#ifdef EAI_ADDRFAMILY
           || gai == EAI_ADDRFAMILY
#endif
        ;
}

}  // namespace

TZSocket::TZSocket() : timer_(std::make_unique<QTimer>()), lookupToken_(std::make_shared<int>(0))
{
    timer_->setSingleShot(true);
    timer_->callOnTimeout([this] { WMTimer(); });
}

TZSocket::~TZSocket()
{
    lookupToken_.reset();
    Unwatch();
    DropNotifier(listenNotifier_);
    if (socket_ >= 0) ::close(socket_);
    if (listenSocket_ >= 0) ::close(listenSocket_);
    state_ = stClosed;
}

// ---- reporting ------------------------------------------------------------------------

AnsiString TZSocket::SocketErrorText(int code)
{
    switch (code) {
        case 10004: return "Interrupted system call";
        case 10009: return "Bad file number";
        case 10013: return "Permission denied";
        case 10014: return "Bad address";
        case 10022: return "Invalid argument";
        case 10024: return "Too many open files";
        case 10035: return "Operation would block";
        case 10036: return "Operation now in progress";
        case 10037: return "Operation already in progress";
        case 10038: return "Socket operation on non-socket";
        case 10039: return "Destination address required";
        case 10040: return "Message too long";
        case 10041: return "Protocol wrong type for socket";
        case 10042: return "Protocol not available";
        case 10043: return "Protocol not supported";
        case 10044: return "Socket type not supported";
        case 10045: return "Operation not supported on socket";
        case 10046: return "Protocol family not supported";
        case 10047: return "Address family not supported by protocol family";
        case 10048: return "Address already in use";
        case 10049: return "Cant assign requested address";
        case 10050: return "Network is down";
        case 10051: return "Network is unreachable";
        case 10052: return "Network dropped connection on reset";
        case 10053: return "Software caused connection abort";
        case 10054: return "Connection reset by peer";
        case 10055: return "No buffer space available";
        case 10056: return "Socket is already connected";
        case 10057: return "Socket is not connected";
        case 10058: return "Cant send after socket shutdown";
        case 10059: return "Too many references: cant splice";
        case 10060: return "Connection timed out";
        case 10061: return "Connection refused";
        case 10062: return "Too many levels of symbolic links";
        case 10063: return "File name too long";
        case 10064: return "Host is down";
        case 10065: return "No route to host";
        case 10066: return "Directory not empty";
        case 10067: return "Too many processes";
        case 10068: return "Too many users";
        case 10069: return "Disc quota exceeded";
        case 10070: return "Stale NFS file handle";
        case 10071: return "Too many levels of remote in path";
        case 10091: return "Network sub-system is unusable";
        case 10092: return "WinSock DLL cannot support this application";
        case 10093: return "WinSock not initialized";
        case 11001: return "Host not found";
        case 11002: return "Nonauthoritative host not found";
        case 11003: return "Nonrecoverable error";
        case 11004: return "No Data";
        default: return "Not a WinSock error";
    }
}

int TZSocket::ErrorCodeFromErrno(int err)
{
    switch (err) {
        case EINTR: return 10004;
        case EBADF: return 10009;
        case EACCES:
        case EPERM: return 10013;
        case EFAULT: return 10014;
        case EINVAL: return 10022;
        case EMFILE:
        case ENFILE: return 10024;
        case EAGAIN: return 10035;  // EWOULDBLOCK is the same value here
        case EINPROGRESS: return 10036;
        case EALREADY: return 10037;
        case ENOTSOCK: return 10038;
        case EDESTADDRREQ: return 10039;
        case EMSGSIZE: return 10040;
        case EPROTOTYPE: return 10041;
        case ENOPROTOOPT: return 10042;
        case EPROTONOSUPPORT: return 10043;
        case ESOCKTNOSUPPORT: return 10044;
        case EOPNOTSUPP: return 10045;
        case EPFNOSUPPORT: return 10046;
        case EAFNOSUPPORT: return 10047;
        case EADDRINUSE: return 10048;
        case EADDRNOTAVAIL: return 10049;
        case ENETDOWN: return 10050;
        case ENETUNREACH: return 10051;
        case ENETRESET: return 10052;
        case ECONNABORTED: return 10053;
        case ECONNRESET:
        case EPIPE: return 10054;  // a send to a peer that has gone
        case ENOBUFS:
        case ENOMEM: return 10055;
        case EISCONN: return 10056;
        case ENOTCONN: return 10057;
        case ESHUTDOWN: return 10058;
        case ETOOMANYREFS: return 10059;
        case ETIMEDOUT: return 10060;
        case ECONNREFUSED: return 10061;
        case ELOOP: return 10062;
        case ENAMETOOLONG: return 10063;
        case EHOSTDOWN: return 10064;
        case EHOSTUNREACH: return 10065;
        case ENOTEMPTY: return 10066;
        case EUSERS: return 10068;
        case EDQUOT: return 10069;
        case ESTALE: return 10070;
        case EREMOTE: return 10071;
        default: return err;  // reads "Not a WinSock error"
    }
}

int TZSocket::ErrorCodeFromAddrInfo(int gaiError, int err)
{
    switch (gaiError) {
        case 0: return 0;
        case EAI_NONAME: return 11001;
        case EAI_AGAIN: return 11002;
        case EAI_FAIL: return 11003;
#ifdef EAI_NODATA
        case EAI_NODATA: return 11004;
#endif
#ifdef EAI_ADDRFAMILY
        case EAI_ADDRFAMILY: return 11004;
#endif
        case EAI_MEMORY: return 10055;
        case EAI_FAMILY: return 10047;
        case EAI_SOCKTYPE: return 10044;
        case EAI_SERVICE: return 10043;
        case EAI_SYSTEM: return ErrorCodeFromErrno(err);
        default: return 11003;
    }
}

void TZSocket::SocketError(int socket, const AnsiString& context, int code)
{
    state_ = stError;
    AnsiString text = SocketErrorText(code);
    if (OnError) {
        platform::GuardedCall([&] { OnError(this, code, text, socket); });
        return;
    }
    platform::dialogs().MessageBox(context + "\n\r" + text, "Error: TZSocket", MB_OK);
}

void TZSocket::Fire(const TNotifyEvent& ev)
{
    NOX_ASSERT_UI_THREAD();
    if (ev) platform::GuardedCall([&] { ev(this); });
}

// ---- readiness ------------------------------------------------------------------------

void TZSocket::Watch(int socket, bool read, bool write)
{
    Unwatch();
    readNotifier_ = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Read);
    readNotifier_->setEnabled(read);
    QObject::connect(readNotifier_.get(), &QSocketNotifier::activated, [this] { OnSocketReady(evRead); });
    writeNotifier_ = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Write);
    writeNotifier_->setEnabled(write);
    QObject::connect(writeNotifier_.get(), &QSocketNotifier::activated, [this] { OnSocketReady(evWrite); });
}

void TZSocket::Unwatch()
{
    DropNotifier(readNotifier_);
    DropNotifier(writeNotifier_);
}

// The notifiers are level-triggered; a data event is given once and then waits for the
// owner to receive, as the classic asynchronous sockets do, so unread data never spins
// the event loop.
void TZSocket::RearmRead()
{
    if (readNotifier_ && !closed_ && !connectPending_) readNotifier_->setEnabled(true);
}

void TZSocket::OnSocketReady(Event ev)
{
    if (socket_ < 0) return;
    const int sock = socket_;
    if (ev == evWrite) {
        writeNotifier_->setEnabled(false);
        if (connectPending_) {
            connectPending_ = false;
            int err = 0;
            socklen_t len = sizeof err;
            if (getsockopt(sock, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
            if (err != 0) {
                // The connection attempt failed (refused, unreachable): one report, and no
                // further events from this socket.
                closed_ = true;
                readNotifier_->setEnabled(false);
                errorReported_ = true;
                SocketError(sock, "WSAsyncSelect", ErrorCodeFromErrno(err));
                return;
            }
            RearmRead();
            Fire(OnConnect);
            if (socket_ != sock) return;  // the handler closed or replaced the socket
        }
        Fire(OnOKToWrite);
        return;
    }
    readNotifier_->setEnabled(false);
    int size = BufferSize > 0 ? BufferSize : 1;
    std::vector<char> buf(static_cast<std::size_t>(size));
    ssize_t n = ::recv(sock, buf.data(), buf.size(), MSG_PEEK | MSG_DONTWAIT);
    if (n > 0) {
        bytesAvailable_ = static_cast<int>(n);
        if (OnDataAvailable) Fire(OnDataAvailable);
        return;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
        RearmRead();
        return;
    }
    closed_ = true;
    bytesAvailable_ = 0;
    if (n == 0) {
        peerClosed_ = true;
        Fire(OnClose);
        return;
    }
    int code = ErrorCodeFromErrno(errno);
    if (!errorReported_) {
        errorReported_ = true;
        SocketError(sock, "WSAsyncSelect", code);
    }
}

void TZSocket::ProcessPendingConnect()
{
    if (socket_ < 0 || !connectPending_) return;
    pollfd p{socket_, POLLOUT, 0};
    if (::poll(&p, 1, 0) > 0) OnSocketReady(evWrite);
}

void TZSocket::OnListenReady()
{
    // Given once; ZAccept (or ZCancelListen) decides what happens to the caller.
    if (listenNotifier_) listenNotifier_->setEnabled(false);
    Fire(OnConnectionRequest);
}

// ---- connecting -----------------------------------------------------------------------

int TZSocket::ResolvePort(const AnsiString& text)
{
    AnsiString t = Trim(text);
    if (t.empty()) return -1;
    servent entry{};
    servent* found = nullptr;
    char buf[1024];
    if (getservbyname_r(t.c_str(), "tcp", &entry, buf, sizeof buf, &found) == 0 && found)
        return ntohs(static_cast<std::uint16_t>(found->s_port));
    int v = -1;
    auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v, 10);
    if (ec != std::errc() || p != t.data() + t.size() || v < 0 || v > 65535) return -1;
    return v;
}

bool TZSocket::ResolveHost(const AnsiString& host, std::uint32_t& addr)
{
    if (auto parts = comm::ParseIPv4Address(host)) {
        addr = htonl((std::uint32_t((*parts)[0]) << 24) | (std::uint32_t((*parts)[1]) << 16) |
                     (std::uint32_t((*parts)[2]) << 8) | std::uint32_t((*parts)[3]));
        return true;
    }
    // Digits and dots that are no valid address are a typing error, not a host name (the
    // resolver would read "10.1" or "010.1.1.1" in its own ways).
    if (comm::LooksLikeDottedAddress(host)) {
        SocketError(0, "ZConnect (gethostbyname)", errNoHost);
        return false;
    }
    auto r = StartLookup(Trim(host));
    std::unique_lock<std::mutex> l(r->mutex);
    if (Timeout > 0) {
        if (!r->cv.wait_for(l, std::chrono::seconds(Timeout), [&] { return r->done; })) {
            l.unlock();
            // The guard timer ran out while the look-up was blocking: it is abandoned.
            if (OnTimeout)
                Fire(OnTimeout);
            else
                SocketError(socket_, "WMTimer", errTimeout);
            SocketError(0, "ZConnect (gethostbyname)", errNoHost);
            return false;
        }
    } else {
        r->cv.wait(l, [&] { return r->done; });
    }
    if (r->gai != 0) {
        int code = HostUnknown(r->gai) ? errNoHost : ErrorCodeFromAddrInfo(r->gai, r->err);
        l.unlock();
        SocketError(0, "ZConnect (gethostbyname)", code);
        return false;
    }
    addr = r->addr;
    return true;
}

void TZSocket::ZConnect()
{
    state_ = stConnecting;
    // A failed attempt is one episode: its report is the only one, the sends that follow
    // fail quietly until the next attempt.
    errorReported_ = true;
    if (Trim(RemotePort).empty()) return SocketError(0, "ZConnect", errNoPort);
    if (Trim(RemoteAddr).empty()) return SocketError(0, "ZConnect", errNoAddress);
    int port = ResolvePort(RemotePort);
    if (port < 0) return SocketError(0, "ZConnect", errNoPort);
    std::uint32_t addr = 0;
    if (!ResolveHost(RemoteAddr, addr)) return;

    // A new connection replaces the old one; its descriptor must not leak.
    if (socket_ >= 0) {
        Unwatch();
        ::close(socket_);
        socket_ = -1;
    }
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return SocketError(-1, "ZConnect (socket)", ErrorCodeFromErrno(errno));
    socket_ = fd;
    closed_ = false;
    peerClosed_ = false;
    errorReported_ = false;
    bytesAvailable_ = 0;
    connectPending_ = true;
    Watch(fd, false, true);

    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<std::uint16_t>(port));
    sa.sin_addr.s_addr = addr;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 && errno != EINPROGRESS) {
        int code = ErrorCodeFromErrno(errno);
        connectPending_ = false;
        closed_ = true;
        Unwatch();
        errorReported_ = true;
        return SocketError(fd, "ZConnect (connect)", code);
    }
    state_ = stConnected;
}

void TZSocket::ZListen()
{
    if (Trim(LocalPort).empty()) return SocketError(listenSocket_, "ZListen (NULL port)", errNoPort);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_ANY);
    if (auto parts = comm::ParseIPv4Address(LimitAddr))
        sa.sin_addr.s_addr = htonl((std::uint32_t((*parts)[0]) << 24) | (std::uint32_t((*parts)[1]) << 16) |
                                   (std::uint32_t((*parts)[2]) << 8) | std::uint32_t((*parts)[3]));
    int port = ResolvePort(LocalPort);
    if (port < 0) return SocketError(listenSocket_, "ZListen (NULL port)", errNoPort);
    sa.sin_port = htons(static_cast<std::uint16_t>(port));

    if (listenSocket_ >= 0) ZCancelListen();
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return SocketError(-1, "ZListen (socket)", ErrorCodeFromErrno(errno));
    listenSocket_ = fd;
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0)
        SocketError(fd, "ZListen (bind)", ErrorCodeFromErrno(errno));
    if (::listen(fd, ListenBacklog > 0 ? ListenBacklog : SOMAXCONN) != 0)
        SocketError(fd, "ZListen (listen)", ErrorCodeFromErrno(errno));
    listenNotifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(listenNotifier_.get(), &QSocketNotifier::activated, [this] { OnListenReady(); });
    state_ = stListening;
}

int TZSocket::ZAccept()
{
    state_ = stAccepting;
    if (listenNotifier_) listenNotifier_->setEnabled(true);
    int fd = listenSocket_ >= 0 ? ::accept4(listenSocket_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC) : -1;
    if (fd < 0) {
        SocketError(socket_, "ZAccept", ErrorCodeFromErrno(listenSocket_ >= 0 ? errno : EBADF));
        return -1;
    }
    if (socket_ >= 0) {  // the previous connection is replaced, not leaked
        Unwatch();
        ::close(socket_);
    }
    socket_ = fd;
    closed_ = false;
    peerClosed_ = false;
    errorReported_ = false;
    connectPending_ = false;
    bytesAvailable_ = 0;
    Watch(fd, true, false);
    state_ = stConnected;
    return fd;
}

void TZSocket::ZCancelListen()
{
    DropNotifier(listenNotifier_);
    if (listenSocket_ >= 0) {
        ::shutdown(listenSocket_, SHUT_RDWR);
        if (::close(listenSocket_) != 0)
            SocketError(listenSocket_, "ZCancelListen (closesocket)", ErrorCodeFromErrno(errno));
    }
    listenSocket_ = -1;
    state_ = stClosed;
}

void TZSocket::ZClose()
{
    Unwatch();
    if (socket_ >= 0) {
        int fd = socket_;
        socket_ = -1;
        if (::close(fd) != 0) SocketError(fd, "ZClose (closesocket)", ErrorCodeFromErrno(errno));
    }
    connectPending_ = false;
    closed_ = false;
    peerClosed_ = false;
    bytesAvailable_ = 0;
    state_ = stClosed;
}

// ---- data -----------------------------------------------------------------------------

bool TZSocket::ReportSendFailure(int socket, const AnsiString& context, int err)
{
    // A connection that is gone (or never came) is reported once; the sends that follow
    // fail quietly, so a poll loop does not raise a box on every step.
    bool broken = err == EPIPE || err == ECONNRESET || err == ENOTCONN || err == ENOTSOCK || err == EBADF;
    if (broken && socket == socket_) closed_ = true;
    if (broken && socket == socket_ && errorReported_) {
        state_ = stError;
        return false;
    }
    if (broken && socket == socket_) errorReported_ = true;
    SocketError(socket, context, ErrorCodeFromErrno(err));
    return true;
}

void TZSocket::SetText(const AnsiString& text)
{
    NOX_ASSERT_UI_THREAD();
    std::size_t len = std::strlen(text.c_str());  // up to the first zero byte
    if (socket_ < 0) {
        ReportSendFailure(socket_, "SetText (send)", ENOTSOCK);
        return;
    }
    ssize_t n = ::send(socket_, text.data(), len, MSG_NOSIGNAL);
    if (n < 0) {
        int err = errno;
        if (err == EAGAIN && writeNotifier_) writeNotifier_->setEnabled(true);  // OnOKToWrite later
        ReportSendFailure(socket_, "SetText (send)", err);
        return;
    }
    if (static_cast<std::size_t>(n) == len) Fire(OnSendComplete);
}

AnsiString TZSocket::GetText()
{
    NOX_ASSERT_UI_THREAD();
    if (socket_ < 0) {
        bytesAvailable_ = 0;
        return {};
    }
    if (BufferSize <= 0) return {};
    std::vector<char> buf(static_cast<std::size_t>(BufferSize) + 1, '\0');
    ssize_t n = ::recv(socket_, buf.data(), static_cast<std::size_t>(BufferSize), MSG_DONTWAIT);
    if (n > 0) {
        bytesAvailable_ = std::max(0, bytesAvailable_ - static_cast<int>(n));
        RearmRead();
        lastText_.assign(buf.data(), std::strlen(buf.data()));
        return lastText_;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        RearmRead();
    else if (!connectPending_ && (n == 0 || errno == ECONNRESET || errno == ENOTCONN || errno == ETIMEDOUT)) {
        closed_ = true;  // the peer closed or reset the connection (no report: a quiet read)
        if (n == 0) peerClosed_ = true;
    }
    return {};
}

int TZSocket::ZSend(int socket, const void* buffer, int length)
{
    if (socket < 0) return 0;
    if (length < 0) length = 0;
    ssize_t n = ::send(socket, buffer, static_cast<std::size_t>(length), MSG_NOSIGNAL);
    if (n < 0) {
        ReportSendFailure(socket, "ZSend (send)", errno);
        return -1;
    }
    if (n == length) Fire(OnSendComplete);
    return static_cast<int>(n);
}

int TZSocket::ZSendUrgent(int socket, const void* buffer, int length)
{
    if (socket < 0) return 0;
    if (length < 0) length = 0;
    ssize_t n = ::send(socket, buffer, static_cast<std::size_t>(length), MSG_NOSIGNAL | MSG_OOB);
    if (n < 0)
        SocketError(socket, "ZSend (send)", ErrorCodeFromErrno(errno));
    else if (n == length)
        Fire(OnSendComplete);
    return static_cast<int>(n);
}

int TZSocket::ZReceive(int socket, void* buffer, int length)
{
    if (length > BufferSize) length = BufferSize;
    if (socket < 0) return -1;
    if (length < 0) length = 0;
    ssize_t n = ::recv(socket, buffer, static_cast<std::size_t>(length), MSG_DONTWAIT);
    if (n < 0) {
        int err = errno;
        if (socket == socket_ && err == EAGAIN) RearmRead();
        SocketError(socket, "ZReceive", ErrorCodeFromErrno(err));
        return -1;
    }
    bytesAvailable_ = std::max(0, bytesAvailable_ - static_cast<int>(n));
    if (socket == socket_ && n > 0) RearmRead();
    return static_cast<int>(n);
}

int TZSocket::ZReceiveUrgent(int socket, void* buffer, int length)
{
    if (length > BufferSize) length = BufferSize;
    if (socket < 0) return -1;
    if (length < 0) length = 0;
    ssize_t n = ::recv(socket, buffer, static_cast<std::size_t>(length), MSG_OOB | MSG_DONTWAIT);
    bytesAvailable_ = 0;
    if (n < 0) SocketError(socket, "ZReceiveUrgent", ErrorCodeFromErrno(errno));
    return static_cast<int>(n);
}

int TZSocket::ZPeek(int socket, void* buffer, int length)
{
    if (length > BufferSize) length = BufferSize;
    if (socket < 0 || length < 0) return -1;
    return static_cast<int>(::recv(socket, buffer, static_cast<std::size_t>(length), MSG_PEEK | MSG_DONTWAIT));
}

// ---- name look-up and timer -----------------------------------------------------------

void TZSocket::GetRemoteName(const AnsiString& name)
{
    if (Trim(name).empty()) return SocketError(socket_, "GetRemoteName: Invalid Name", 0);
    SetTimeout();
    state_ = stLookingUp;
    *lookupToken_ += 1;
    std::weak_ptr<int> token = lookupToken_;
    const int generation = *lookupToken_;
    auto r = StartLookup(Trim(name));
    // A second thread waits for the answer and hands it to the user-interface thread.
    std::thread([this, r, token, generation] {
        {
            std::unique_lock<std::mutex> l(r->mutex);
            r->cv.wait(l, [&] { return r->done; });
        }
        platform::UiDispatcher::Instance().Post([this, r, token, generation] {
            auto alive = token.lock();
            if (!alive || *alive != generation) return;  // component gone or look-up cancelled
            ResetTimeout();
            if (r->gai != 0) {
                Fire(OnNameLookupFailed);
                return;
            }
            RemoteAddr = Dotted(r->addr);
            state_ = stResolved;
            Fire(OnNameResolved);
        });
    }).detach();
}

void TZSocket::ZAsyncCancel()
{
    ResetTimeout();
    *lookupToken_ += 1;
    state_ = stLookupCancelled;
}

void TZSocket::SetTimeout()
{
    if (Timeout > 0) timer_->start(Timeout * 1000);
}

void TZSocket::ResetTimeout()
{
    timer_->stop();
}

void TZSocket::WMTimer()
{
    timer_->stop();
    if (OnTimeout) {
        Fire(OnTimeout);
        return;
    }
    // The only call that can still be running when the timer fires is a name look-up.
    if (state_ == stLookingUp) {
        *lookupToken_ += 1;
        SocketError(socket_, "WMTimer", errTimeout);
    }
}

// ---- addresses and options ------------------------------------------------------------

int TZSocket::GetRemotePort(int socket) const
{
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    if (socket < 0 || getsockname(socket, reinterpret_cast<sockaddr*>(&sa), &len) != 0) return 0;
    return ntohs(sa.sin_port);
}

AnsiString TZSocket::GetRemoteAddr(int socket) const
{
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    if (socket < 0 || getsockname(socket, reinterpret_cast<sockaddr*>(&sa), &len) != 0) return {};
    return Dotted(sa.sin_addr.s_addr);
}

int TZSocket::GetPeerPort() const
{
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    if (socket_ < 0 || getpeername(socket_, reinterpret_cast<sockaddr*>(&sa), &len) != 0) return 0;
    return ntohs(sa.sin_port);
}

AnsiString TZSocket::GetPeerAddr() const
{
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    if (socket_ < 0 || getpeername(socket_, reinterpret_cast<sockaddr*>(&sa), &len) != 0) return {};
    return Dotted(sa.sin_addr.s_addr);
}

AnsiString TZSocket::GetLocalHostName() const
{
    char name[129] = {};
    if (gethostname(name, 128) != 0) return {};
    name[128] = '\0';
    return name;
}

AnsiString TZSocket::GetLocalAddr() const
{
    AnsiString host = GetLocalHostName();
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* res = nullptr;
    AnsiString result = "0.0.0.0";
    if (!host.empty() && getaddrinfo(host.c_str(), nullptr, &hints, &res) == 0 && res && res->ai_addr)
        result = Dotted(reinterpret_cast<sockaddr_in*>(res->ai_addr)->sin_addr.s_addr);
    if (res) freeaddrinfo(res);
    return result;
}

int TZSocket::SetSocketOption(int socket, bool on, int seconds)
{
    linger l{};
    l.l_onoff = on ? 1 : 0;
    l.l_linger = seconds;
    return setsockopt(socket, SOL_SOCKET, SO_LINGER, &l, sizeof l);
}

int TZSocket::GetSocketOption(int socket, int level, int option, void* value, socklen_t* length)
{
    return getsockopt(socket, level, option, value, length);
}

int TZSocket::IOCtl(int socket, unsigned long command, void* argument)
{
    return ioctl(socket, command, argument);
}
