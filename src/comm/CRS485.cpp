#include "comm/CRS485.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <vector>

#include "comm/CIdentification.h"
#include "comm/CRS232.h"
#include "comm/CTransceiverRS485.h"
#include "comm/CommTiming.h"
#include "platform/UiDispatcher.h"
#include "resources/TextRows.h"

using namespace resources;

namespace {
bool AnsweredAs(const AnsiString& reply, int address)
{
    return reply.size() >= 5 && reply[0] == '[' && reply[1] == 'S' && !IsReplyFromOtherSlave(reply, address);
}
}  // namespace

CRS485::CRS485(int channel) : CChannel(channel) {}

bool CRS485::IsAnswer(const AnsiString& reply) const
{
    return AnsweredAs(reply, SlaveAddress);
}

CRS485::~CRS485()
{
    StopThreads();
    ReleasePort();
    if (ChannelObjects[Channel()] == this) ChannelObjects[Channel()] = nullptr;
}

CTransceiverRS485* CRS485::PollThread() const
{
    return dynamic_cast<CTransceiverRS485*>(TransceiverThreads[Channel()]);
}

int CRS485::ReadSettings()
{
    IChannelWindow* w = Window();
    int slave = 0;
    // No address chosen, or one the bus does not have.
    if (!w || !TryStrToInt(Trim(w->ControlText(TChannelControl::cmbSlave)), slave) || slave < MinSlaveAddress ||
        slave > MaxSlaveAddress)
        return 0;
    if (!ReadLineSettings(w)) return 0;
    SlaveAddress = slave;
    return 1;
}

void CRS485::ReleasePort()
{
    // Only this channel's hold goes; the port itself closes with the last holder, so a
    // channel still identifying or polling on it keeps its descriptor.
    std::shared_ptr<comm::SharedSerialPort> old;
    {
        std::lock_guard<std::mutex> l(portMutex_);
        old.swap(SharedPort);
        Handle.reset();
        PortShared = 0;
    }
}

int CRS485::Open()
{
    // A second attempt on the same object starts clean.
    StopThreads();
    ReleasePort();

    const comm::TSerialLinkSettings settings = LinkSettings();
    AnsiString reason;
    bool taken = false;
    std::shared_ptr<comm::SharedSerialPort> port = comm::AcquireSharedSerialPort(settings, reason, taken);
    if (!port) {
        // Without a port every exchange would fail: say so instead of opening a dead channel.
        ReportPortNotAccessible(settings.PortName, reason);
        return 0;
    }
    {
        std::lock_guard<std::mutex> l(portMutex_);
        SharedPort = port;
        Handle = port->Link();
        PortShared = taken ? 1 : 0;
    }
    stopExchanges_ = false;

    poll_ = std::make_unique<CTransceiverRS485>(this, Channel(), SharedPort);
    EnterPollThread(poll_.get(), PollInterval, SlaveAddress);

    return OpenDone(PollInterval);
}

void CRS485::StopThreads()
{
    stopExchanges_ = true;
    ReleaseThreads(std::move(poll_));
}

void CRS485::Close(int mode)
{
    CTransceiverRS485* poll = PollThread();
    if (poll && poll == poll_.get() && (mode == 2 || mode == 3)) poll->Terminate();
    // The port is never let go under a running thread of this channel.
    StopThreads();
    if (mode == 1 || mode == 3 || mode == 4) ReleasePort();
}

AnsiString CRS485::DirectExchange(const AnsiString& frame, int frameLength, int replyLength, TfrmIdentification* window)
{
    AnsiString reply;
    std::shared_ptr<comm::SharedSerialPort> port;
    {
        std::lock_guard<std::mutex> l(portMutex_);
        port = SharedPort;
    }
    if (port && port->Link()) {
        const comm::TCommTiming timing = comm::Timing();
        auto stop = [this] { return stopExchanges_.load(); };
        // A poll step of another slave holds the bus for one exchange at most (its read
        // and, after garbage, the discard read); waiting longer means the bus is stuck. The
        // wait is cut into slices, so a close does not wait it out.
        const std::int64_t deadline = comm::SteadyMs() + 2 * std::max(0, timing.ReadTimeoutMs) + 500;
        std::unique_lock<comm::TBusLock> bus(port->Bus(), std::defer_lock);
        while (!stop() && !bus.try_lock_for(std::chrono::milliseconds(20)) && comm::SteadyMs() < deadline) {}
        const std::size_t wanted = static_cast<std::size_t>(std::clamp(replyLength, 0, CTransceiver::MaxReplyLength));
        const int baud = std::max(1, port->Settings().BaudRate);
        const auto lineMs = (std::int64_t(std::max(0, frameLength)) + std::int64_t(wanted)) * 10000 / baud + 1;
        if (bus.owns_lock()) {
            const std::int64_t owedFrom = comm::SteadyMs();
            port->AwaitOwedReply(stop);
            // The slaves waiting meanwhile know how long this exchange may keep the line: the
            // reply let through first, the frames on the line and the read, with a read
            // time-out to spare as a poll step has. A hold beyond it is no exchange of this
            // one's any more (the program stood still) and theirs to find.
            const std::int64_t owed = std::max<std::int64_t>(0, comm::SteadyMs() - owedFrom);
            port->Bus().DeclareHolder(
                this, int(std::min<std::int64_t>(owed + lineMs + 2 * std::int64_t(std::max(0, timing.ReadTimeoutMs)),
                                                 std::numeric_limits<int>::max())));
        }
        if (bus.owns_lock() && !stop()) {
            const std::shared_ptr<comm::IByteLink> link = port->Link();
            std::vector<char> buffer(wanted + 1);
            int count = -1;
            // Until the frames' time on the line and the read time-out are over, the reply may
            // still come.
            const std::int64_t start = comm::SteadyMs();
            const std::int64_t due = start + lineMs + std::max(0, timing.ReadTimeoutMs);
            // The read's end is fixed as the frame goes out.
            if (link && link->Purge() &&
                link->Write(frame.substr(0, static_cast<std::size_t>(std::max(0, frameLength)))))
                count = comm::ReadUntil(*link, buffer.data(), wanted, start + std::max(0, timing.ReadTimeoutMs), stop);
            if (count > 0) reply.assign(buffer.data(), static_cast<std::size_t>(count));
            // Closed while the reply was due: the next slave on the line lets it come first.
            if (count >= 0 && std::size_t(count) < wanted && stop())
                port->LeaveReplyOwed(due, wanted - std::size_t(count));
        }
    }
    if (window) platform::UiDispatcher::Instance().Send([window] { window->StepIt(); });
    return reply;
}
