#pragma once
// The channel of a unit reached over TCP/IP. It drives the channel window's socket
// component (or one of its own when the window has none); every frame carries address 1.
#include <atomic>
#include <functional>
#include <memory>

#include "comm/CChannel.h"

class CTransceiverTCPIP;
class TZSocket;

class CTCPIP : public CChannel {
public:
    explicit CTCPIP(int channel);
    ~CTCPIP() override;

    int ReadSettings() override;
    int Open() override;
    void Close(int mode) override;
    int GetAddress() override { return 1; }
    // The reason with address and port: refused, unreachable, timed out, host not found,
    // closed by the unit, no answer, or answers that are not valid replies.
    AnsiString ConnectionFailureText() override;

    // The poll thread entered for this channel, when it is one of this class.
    CTransceiverTCPIP* PollThread() const;
    // The socket component the channel drives.
    TZSocket* Socket();

    // The port the window's port field starts with.
    static constexpr const char* PortPreset = "8101";

    AnsiString IPAddress;
    AnsiString TCPPort;
    int PollInterval = 5;
    int ReplyWait = 500;

protected:
    AnsiString DirectExchange(const AnsiString& frame, int frameLength, int replyLength,
                              TfrmIdentification* window) override;
    // The caption shows the address the channel talks to.
    AnsiString InterfaceText() override { return IPAddress; }

private:
    void StopThreads();
    // While the channel is open the socket's failures come here instead of its own box:
    // the identification reports the reason, a recording notes the loss in its protocol.
    void TakeSocketErrors(TZSocket* s);
    void ReleaseSocketErrors();

    // Set while the threads are being stopped: the identification's waits end early.
    std::atomic<bool> stopping_{false};
    TZSocket* socket_ = nullptr;
    bool errorsTaken_ = false;
    std::function<void(TZSocket*, int, const AnsiString&, int)> previousOnError_;
    // The last failure the socket reported (user-interface thread), and whether the
    // connection came up for the identification.
    int socketError_ = 0;
    std::atomic<bool> connected_{false};
    // Some query of the identification got bytes back (which did not make a valid reply
    // when the identification failed).
    std::atomic<bool> answered_{false};
    std::unique_ptr<TZSocket> ownSocket_;
    std::unique_ptr<CTransceiverTCPIP> poll_;
};
