#include "comm/CTCPIP.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "comm/CIdentification.h"
#include "comm/CRS232.h"
#include "comm/CTransceiverTCPIP.h"
#include "comm/CommTiming.h"
#include "comm/IPv4Address.h"
#include "comm/TZSocket.h"
#include "platform/UiDispatcher.h"
#include "platform/UiThread.h"
#include "resources/TextRows.h"

using namespace resources;

namespace {

bool OnUiThread(const std::function<void()>& fn)
{
    platform::UiDispatcher::Instance().Send(fn);
    return true;
}

// The address field's empty mask is blanks and dots only.
bool IsBlankField(const AnsiString& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '.'; });
}

}  // namespace

CTCPIP::CTCPIP(int channel) : CChannel(channel) {}

CTCPIP::~CTCPIP()
{
    StopThreads();
    ReleaseSocketErrors();
    if (ownSocket_) ownSocket_->ZClose();
    if (ChannelObjects[Channel()] == this) ChannelObjects[Channel()] = nullptr;
}

CTransceiverTCPIP* CTCPIP::PollThread() const
{
    return dynamic_cast<CTransceiverTCPIP*>(TransceiverThreads[Channel()]);
}

TZSocket* CTCPIP::Socket()
{
    NOX_ASSERT_UI_THREAD();
    if (socket_) return socket_;
    if (IChannelWindow* w = Window()) socket_ = w->ZTCPSocket();
    if (!socket_) {
        ownSocket_ = std::make_unique<TZSocket>();
        socket_ = ownSocket_.get();
    }
    return socket_;
}

int CTCPIP::ReadSettings()
{
    IChannelWindow* w = Window();
    if (!w) return 0;
    const AnsiString addressText = w->ControlText(TChannelControl::edIPAddress);
    const AnsiString portText = w->ControlText(TChannelControl::edPort);
    if (IsBlankField(addressText) || IsBlankField(portText)) return 0;
    // Strictly four decimal parts and a port 1..65535: anything else would reach the
    // name look-up or the connect in a form the user did not mean.
    AnsiString address = comm::NormalizeIPv4Address(addressText);
    std::optional<int> port = comm::ParseTcpPort(portText);
    if (address.empty() || !port) return 0;
    int interval = 0;
    if (!TryStrToInt(w->ControlText(TChannelControl::cmbActual), interval) ||
        std::find(std::begin(CRS232::SamplingIntervals), std::end(CRS232::SamplingIntervals), interval) ==
            std::end(CRS232::SamplingIntervals))
        return 0;
    IPAddress = address;
    TCPPort = IntToStr(*port);
    PollInterval = interval;
    ReplyWait = 500;
    TZSocket* s = Socket();
    s->RemoteAddr = IPAddress;
    s->RemotePort = TCPPort;
    return 1;
}

int CTCPIP::Open()
{
    StopThreads();
    TZSocket* s = Socket();
    ReplyWait = comm::Timing().ReplyWaitMs;

    poll_ = std::make_unique<CTransceiverTCPIP>(this, Channel(), s);
    poll_->ReplyWait = ReplyWait;
    EnterPollThread(poll_.get(), PollInterval, 1);

    // The connection is made in the background; the identification waits for it on its
    // own thread, so the window stays responsive. A failure is the identification's to
    // report, with its reason.
    TakeSocketErrors(s);
    socketError_ = 0;
    connected_ = false;
    answered_ = false;
    s->RemoteAddr = IPAddress;
    s->RemotePort = TCPPort;
    comm::ConnectDeviceSocket(s);

    return OpenDone(PollInterval);
}

void CTCPIP::StopThreads()
{
    stopping_ = true;
    ReleaseThreads(std::move(poll_));
    stopping_ = false;
}

void CTCPIP::Close(int mode)
{
    CTransceiverTCPIP* poll = PollThread();
    if (poll && poll == poll_.get() && (mode == 2 || mode == 3)) poll->Terminate();
    // The socket is never closed under a running thread of this channel.
    StopThreads();
    if ((mode == 1 || mode == 3 || mode == 4) && socket_) {
        socket_->ZClose();
        ReleaseSocketErrors();
    }
}

void CTCPIP::TakeSocketErrors(TZSocket* s)
{
    if (!errorsTaken_) previousOnError_ = s->OnError;
    errorsTaken_ = true;
    // The first failure is the reason; the failed sends that follow it are its results.
    s->OnError = [this](TZSocket*, int code, const AnsiString&, int) {
        if (socketError_ == 0) socketError_ = code;
    };
}

void CTCPIP::ReleaseSocketErrors()
{
    if (!errorsTaken_ || !socket_) return;
    socket_->OnError = previousOnError_;
    previousOnError_ = nullptr;
    errorsTaken_ = false;
}

AnsiString CTCPIP::ConnectionFailureText()
{
    const AnsiString where = IPAddress + ":" + TCPPort;
    // A send after the unit closed the connection fails like one after a reset: the
    // orderly end the socket saw is what happened.
    if (connected_ && socket_ && socket_->ClosedByPeer()) return LookupText(RowUnitClosedConnection, {where});
    if (connected_ && socketError_ == 0 && answered_) return LookupText(RowUnitAnswersInvalidly, {where});
    if (connected_ && socketError_ == 0) return LookupText(RowUnitAtDoesNotAnswer, {where});
    AnsiString reason;
    switch (socketError_) {
        case 10061: reason = LookupText(RowConnectionRefused); break;
        case 10050:
        case 10051:
        case 10064:
        case 10065: reason = LookupText(RowHostUnreachable); break;
        case 10060: reason = LookupText(RowConnectionTimedOut); break;
        case TZSocket::errNoHost:
        case 11001:
        case 11002:
        case 11004: reason = LookupText(RowHostNotFound); break;
        case 0: reason = LookupText(RowConnectionTimedOut); break;
        default: reason = TZSocket::SocketErrorText(socketError_); break;
    }
    return LookupText(RowNoConnectionTo, {where, reason});
}

AnsiString CTCPIP::DirectExchange(const AnsiString& frame, int frameLength, int replyLength, TfrmIdentification* window)
{
    auto pause = [this](int ms) {
        if (stopping_) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return !stopping_;
    };
    TZSocket* s = nullptr;
    OnUiThread([&] { s = Socket(); });
    // A connection still being made gets the time it had before the first query.
    if (comm::WaitForSocketConnection(s, 3 * ReplyWait, OnUiThread, pause)) connected_ = true;
    AnsiString reply =
        comm::SocketExchange(s, frame.substr(0, static_cast<std::size_t>(std::max(0, frameLength))),
                             std::clamp(replyLength, 0, CTransceiver::MaxReplyLength), ReplyWait, OnUiThread, pause);
    if (!reply.empty()) answered_ = true;
    if (window) platform::UiDispatcher::Instance().Send([window] { window->StepIt(); });
    return reply;
}
