#include "comm/CTransceiverTCPIP.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "comm/CChannel.h"
#include "comm/CommTiming.h"
#include "comm/TZSocket.h"
#include "resources/TextRows.h"

namespace comm {

namespace {
// How often the arrival of a reply is looked at.
constexpr int kSliceMs = 5;
// Pending input is dropped in pieces of the socket's buffer size; this bounds the drain
// when a peer keeps sending.
constexpr int kMaxDrainReads = 64;

// Milliseconds until a deadline on the device layer's clock.
int MsLeft(std::int64_t deadlineMs)
{
    return static_cast<int>(std::clamp<std::int64_t>(deadlineMs - SteadyMs(), 0, 1 << 30));
}

// True when the bytes read so far hold a whole read: up to the first carriage return within
// the reply's length (`wanted`, 0 for no limit), or the reply's length without one. The
// read is cut there. A carriage return further on belongs to whatever ran into the reply:
// read that far, a splice of two replies would end like one.
bool CutAtReplyEnd(AnsiString& reply, std::size_t wanted)
{
    const std::size_t limit = wanted > 0 ? std::min(wanted, reply.size()) : reply.size();
    const std::size_t cr = reply.find('\r');
    if (cr != AnsiString::npos && cr < limit) {
        reply.resize(cr + 1);
        return true;
    }
    if (wanted > 0 && reply.size() >= wanted) {
        reply.resize(wanted);
        return true;
    }
    return false;
}
}  // namespace

AnsiString SocketExchange(TZSocket* socket, const AnsiString& frame, int replyLength, int waitMs, const TUiCall& ui,
                          const TPause& pause)
{
    if (!socket) return {};
    // The wait's end is fixed as the frame goes out.
    std::int64_t deadline = 0;
    if (!ui([&] {
            for (int i = 0; i < kMaxDrainReads && !socket->GetText().empty(); ++i) {}
            deadline = SteadyMs() + std::max(0, waitMs);
            socket->SetText(frame);
        }))
        return {};
    const std::size_t wanted = replyLength > 0 ? static_cast<std::size_t>(replyLength) : 0;
    AnsiString reply;
    for (;;) {
        AnsiString part;
        if (!ui([&] { part = socket->GetText(); })) break;
        reply += part;
        if (CutAtReplyEnd(reply, wanted)) break;
        int left = MsLeft(deadline);
        if (left <= 0 || !pause(std::min(left, kSliceMs))) break;
    }
    return reply;
}

TSocketResult SocketRequest(int fd, const AnsiString& frame, int replyLength, int waitMs,
                            const std::function<bool()>& stop, AnsiString& reply, const std::function<void()>& sent,
                            const std::function<void()>& arrived)
{
    reply.clear();
    char buffer[512];
    auto broken = [](ssize_t n) { return n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR); };
    for (int i = 0; i < kMaxDrainReads; ++i) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (broken(n)) return TSocketResult::Broken;
        if (n < 0) break;
    }
    // The wait's end is fixed as the frame goes out: whoever sees the request on the line
    // or waiting knows when its time-out comes.
    // (A send that had to wait for room starts the wait when it is through.)
    std::int64_t deadline = SteadyMs() + std::max(0, waitMs);
    for (std::size_t done = 0; done < frame.size();) {
        const ssize_t n = ::send(fd, frame.data() + done, frame.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{fd, POLLOUT, 0};
            if (stop && stop()) return TSocketResult::Silent;
            ::poll(&p, 1, kSliceMs);
            deadline = SteadyMs() + std::max(0, waitMs);
            continue;
        }
        if (n <= 0) return TSocketResult::Broken;
        done += static_cast<std::size_t>(n);
    }
    if (sent) sent();
    const std::size_t wanted = replyLength > 0 ? static_cast<std::size_t>(replyLength) : 0;
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) {
            if (reply.empty() && arrived) arrived();
            reply.append(buffer, static_cast<std::size_t>(n));
            if (CutAtReplyEnd(reply, wanted)) return TSocketResult::Reply;
            continue;
        }
        if (broken(n)) return reply.empty() ? TSocketResult::Broken : TSocketResult::Reply;
        const int left = MsLeft(deadline);
        if (left <= 0 || (stop && stop())) break;
        // Slices, so a close does not wait out a silent unit.
        pollfd p{fd, POLLIN, 0};
        ::poll(&p, 1, std::min(left, kSliceMs * 10));
    }
    return reply.empty() ? TSocketResult::Silent : TSocketResult::Reply;
}

void ConnectDeviceSocket(TZSocket* socket)
{
    socket->ZConnect();
    // Data not acknowledged for this long fails the connection (ETIMEDOUT).
    constexpr unsigned kUnacknowledgedMs = 30000;
    if (socket->SocketHandle() >= 0)
        ::setsockopt(socket->SocketHandle(), IPPROTO_TCP, TCP_USER_TIMEOUT, &kUnacknowledgedMs,
                     sizeof kUnacknowledgedMs);
}

bool WaitForSocketConnection(TZSocket* socket, int waitMs, const TUiCall& ui, const TPause& pause)
{
    if (!socket) return false;
    const std::int64_t deadline = SteadyMs() + std::max(0, waitMs);
    for (;;) {
        bool connected = false, failed = false;
        if (!ui([&] {
                socket->ProcessPendingConnect();
                int fd = socket->SocketHandle();
                sockaddr_storage peer{};
                socklen_t len = sizeof peer;
                connected = fd >= 0 && ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &len) == 0;
                failed = socket->ConnectionBroken() || socket->State() == TZSocket::stError ||
                         socket->State() == TZSocket::stClosed;
            }))
            return false;
        if (connected) return true;
        if (failed) return false;
        int left = MsLeft(deadline);
        if (left <= 0 || !pause(std::min(left, kSliceMs))) return false;
    }
}

}  // namespace comm

CTransceiverTCPIP::CTransceiverTCPIP(CChannel* owner, int channel, TZSocket* socket)
    : CTransceiver(owner, channel), socket_(socket)
{}

CTransceiverTCPIP::~CTransceiverTCPIP()
{
    Terminate();
    WaitFor();
}

int CTransceiverTCPIP::ConnectedSocket()
{
    if (fd_ >= 0) return fd_;
    // Looked up once per connection: the socket is never closed or replaced under the
    // running thread but by its own reconnection.
    bool broken = true;
    int fd = -1;
    Sync([&] {
        broken = !socket_ || socket_->ConnectionBroken();
        if (!broken) fd = socket_->SocketHandle();
    });
    if (!broken) fd_ = fd;
    return fd_;
}

void CTransceiverTCPIP::Exchange()
{
    auto lost = [this] {
        fd_ = -1;
        AnsiString peer;
        Sync([&] { peer = LinkName(); });
        LinkLost({resources::RowConnectionToLost, peer}, {resources::RowConnectionToRestored, peer});
    };
    const int fd = ConnectedSocket();
    if (fd < 0) {
        if (!Terminated()) lost();
        return;
    }
    const AnsiString frame = CurrentFrame.substr(0, static_cast<std::size_t>(std::max(0, CurrentLength)));
    const int wanted = std::clamp(CurrentReplyLength, 0, MaxReplyLength);
    AnsiString reply;
    const comm::TSocketResult result = comm::SocketRequest(
        fd, frame, wanted, ReplyWait, [this] { return Terminated(); }, reply, [this] { NoteRequestSent(); },
        [this] { NoteReplyArrived(); });
    if (Terminated()) return;
    // Silence from a connection that is gone is its loss, not a time-out.
    if (result == comm::TSocketResult::Broken) {
        lost();
        return;
    }
    // Parts of two replies (a split or late one ran into this one) are never this request's
    // answer, however well the checksum fits; looked at before line ends become blanks.
    const bool oneReply = CChannel::IsOneReply(reply, std::size_t(wanted));
    // The closing carriage return stays; line ends inside the reply become blanks.
    for (std::size_t i = 0; i + 1 < reply.size(); ++i)
        if (reply[i] == 10 || reply[i] == 12 || reply[i] == 13) reply[i] = ' ';
    if (reply.empty()) {
        DeliverError(" Timeout !");
        return;
    }
    // The late answer to an earlier request is not this one's (nor any frame but its answer).
    if (reply[0] != '[' || !oneReply || !CChannel::AnswersRequest(reply, frame, BusAddressed())) {
        DeliverError(" Error in synchronising !");
        return;
    }
    DeliverReply(reply);
}

AnsiString CTransceiverTCPIP::LinkName() const
{
    return socket_ ? socket_->RemoteAddr + ":" + socket_->RemotePort : AnsiString();
}

bool CTransceiverTCPIP::Ask(const AnsiString& frame, int replyLength, AnsiString& reply)
{
    const int fd = ConnectedSocket();
    if (fd < 0) return false;
    reply.clear();
    const comm::TSocketResult result = comm::SocketRequest(
        fd, frame, std::clamp(replyLength, 0, MaxReplyLength), ReplyWait, [this] { return Terminated(); }, reply);
    if (result != comm::TSocketResult::Broken) return true;
    fd_ = -1;
    return false;
}

bool CTransceiverTCPIP::Reconnect()
{
    fd_ = -1;
    if (!socket_) return false;
    // A new connection to the same address and port; its failure is the socket's to
    // report, to whom the channel set up (never a box in the middle of a recording).
    if (!Sync([this] {
            socket_->ZClose();
            comm::ConnectDeviceSocket(socket_);
        }))
        return false;
    return comm::WaitForSocketConnection(
        socket_, 3 * ReplyWait, [this](const std::function<void()>& fn) { return Sync(fn); },
        [this](int ms) { return Pause(ms); });
}
