#include "comm/CTransceiverTCPIP.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>

#include "comm/CChannel.h"
#include "comm/TZSocket.h"

namespace comm {

namespace {
// How often the arrival of a reply is looked at.
constexpr int kSliceMs = 5;
// Pending input is dropped in pieces of the socket's buffer size; this bounds the drain
// when a peer keeps sending.
constexpr int kMaxDrainReads = 64;

int MsLeft(std::chrono::steady_clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<std::int64_t>(0, left.count()));
}
}  // namespace

AnsiString SocketExchange(TZSocket* socket, const AnsiString& frame, int replyLength, int waitMs, const TUiCall& ui,
                          const TPause& pause)
{
    if (!socket) return {};
    if (!ui([&] {
            for (int i = 0; i < kMaxDrainReads && !socket->GetText().empty(); ++i) {}
            socket->SetText(frame);
        }))
        return {};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(0, waitMs));
    const std::size_t wanted = replyLength > 0 ? static_cast<std::size_t>(replyLength) : 0;
    AnsiString reply;
    for (;;) {
        AnsiString part;
        if (!ui([&] { part = socket->GetText(); })) break;
        reply += part;
        std::size_t cr = reply.find('\r');
        if (cr != AnsiString::npos) {
            reply.resize(cr + 1);
            break;
        }
        if (wanted > 0 && reply.size() >= wanted) {
            reply.resize(wanted);
            break;
        }
        int left = MsLeft(deadline);
        if (left <= 0 || !pause(std::min(left, kSliceMs))) break;
    }
    return reply;
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
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(0, waitMs));
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

void CTransceiverTCPIP::Exchange()
{
    bool broken = false;
    AnsiString peer;
    auto linkBroken = [&] {
        Sync([&] {
            broken = !socket_ || socket_->ConnectionBroken();
            if (socket_) peer = socket_->RemoteAddr + ":" + socket_->RemotePort;
        });
        if (broken) LinkLost(" Connection to " + peer + " lost !", " Connection to " + peer + " restored");
        return broken;
    };
    if (linkBroken()) return;
    const AnsiString frame = CurrentFrame.substr(0, static_cast<std::size_t>(std::max(0, CurrentLength)));
    const int wanted = std::clamp(CurrentReplyLength, 0, MaxReplyLength);
    const TReplyWatch watch = WatchReply();
    AnsiString reply = comm::SocketExchange(
        socket_, frame, wanted, ReplyWait, [this](const std::function<void()>& fn) { return Sync(fn); },
        [&](int ms) {
            watch();
            return Pause(ms);
        });
    if (!reply.empty()) NoteReplyArrived();
    if (Terminated()) return;
    // The closing carriage return stays; line ends inside the reply become blanks.
    for (std::size_t i = 0; i + 1 < reply.size(); ++i)
        if (reply[i] == 10 || reply[i] == 12 || reply[i] == 13) reply[i] = ' ';
    if (reply.empty()) {
        // Silence from a connection that is gone is its loss, not a time-out.
        if (!linkBroken()) DeliverError(" Timeout !");
        return;
    }
    if (reply[0] != '[') {
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
    bool broken = true;
    auto ui = [this](const std::function<void()>& fn) { return Sync(fn); };
    if (!Sync([&] { broken = !socket_ || socket_->ConnectionBroken(); }) || broken) return false;
    reply = comm::SocketExchange(socket_, frame, std::clamp(replyLength, 0, MaxReplyLength), ReplyWait, ui,
                                 [this](int ms) { return Pause(ms); });
    // Silence from a connection that went away meanwhile is its loss.
    return !reply.empty() || (Sync([&] { broken = socket_->ConnectionBroken(); }) && !broken);
}

bool CTransceiverTCPIP::Reconnect()
{
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
