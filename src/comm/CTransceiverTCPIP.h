#pragma once
// The poll thread of a TCP/IP channel. The socket component belongs to the user-interface
// thread, which makes and breaks its connection; the exchanges of the poll cycle run on
// this thread, on the component's connected socket, so a busy window neither delays a
// request nor makes its reply look late.
#include <functional>

#include "comm/CTransceiver.h"

class TZSocket;

class CTransceiverTCPIP : public CTransceiver {
public:
    CTransceiverTCPIP(CChannel* owner, int channel, TZSocket* socket);
    ~CTransceiverTCPIP() override;

    // Milliseconds a reply may take.
    int ReplyWait = 500;

protected:
    void Exchange() override;
    bool Reconnect() override;
    int ExchangeLimitMs() const override { return ReplyWait; }
    bool Ask(const AnsiString& frame, int replyLength, AnsiString& reply) override;
    AnsiString LinkName() const override;

private:
    // The component's connected socket, looked up once per connection; -1 when the
    // connection is gone.
    int ConnectedSocket();

    TZSocket* socket_;
    int fd_ = -1;
};

namespace comm {

// Runs a call on the user-interface thread; false when it did not run (the calling thread
// is stopping).
using TUiCall = std::function<bool(const std::function<void()>&)>;
// Waits up to the given milliseconds; false when the calling thread is to stop.
using TPause = std::function<bool(int)>;

// One exchange over the socket component: drops whatever is still pending (a late reply
// to an earlier frame), sends the frame, then collects the reply until it has replyLength
// characters or its carriage return, or waitMs have passed. A reply that arrives in
// several segments is one reply; characters after its carriage return are dropped.
AnsiString SocketExchange(TZSocket* socket, const AnsiString& frame, int replyLength, int waitMs, const TUiCall& ui,
                          const TPause& pause);

enum class TSocketResult { Reply, Silent, Broken };
// One exchange on a connected non-blocking stream socket, on the calling thread: drops
// whatever is still pending (a late reply to an earlier frame), sends the frame (then calls
// sent), and collects the reply until it has replyLength characters or its carriage
// return, or waitMs have passed (arrived is called at its first bytes). Broken when the
// connection turned out to be gone (closed, reset) before any reply came.
TSocketResult SocketRequest(int fd, const AnsiString& frame, int replyLength, int waitMs,
                            const std::function<bool()>& stop, AnsiString& reply,
                            const std::function<void()>& sent = {}, const std::function<void()>& arrived = {});

// Connects the socket to its RemoteAddr:RemotePort for a device channel: a network that
// goes silent (a pulled cable, a unit switched off) then breaks the connection within
// half a minute instead of leaving replies to time out for many minutes.
void ConnectDeviceSocket(TZSocket* socket);

// Waits up to waitMs until the socket's connection attempt has succeeded or failed.
// True when the socket is connected.
bool WaitForSocketConnection(TZSocket* socket, int waitMs, const TUiCall& ui, const TPause& pause);

}  // namespace comm
