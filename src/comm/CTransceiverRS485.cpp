#include "comm/CTransceiverRS485.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "comm/CChannel.h"
#include "comm/CommTiming.h"
#include "resources/TextRows.h"

bool IsReplyFromOtherSlave(const AnsiString& reply, int address)
{
    // Only a framed reply carries an address; anything else is judged by the caller.
    if (reply.size() < 4 || reply[0] != '[' || reply[1] != 'S') return false;
    AnsiString digits = IntToStr(address % 100);
    if (digits.size() < 2) digits.insert(0, 1, '0');
    return reply.compare(2, 2, digits) != 0;
}

CTransceiverRS485::CTransceiverRS485(CChannel* owner, int channel, std::shared_ptr<comm::SharedSerialPort> port)
    : CTransceiver(owner, channel), port_(std::move(port))
{
    if (port_) {
        Handle = port_->Link();
        port_->Bus().AddUser();
    }
}

CTransceiverRS485::~CTransceiverRS485()
{
    Terminate();
    WaitFor();
    if (port_) port_->Bus().RemoveUser();
}

int CTransceiverRS485::ExchangeHoldMs() const
{
    constexpr int kLongestRowCharacters = 64;
    return LineMs(kLongestRowCharacters) + 2 * std::max(0, comm::Timing().ReadTimeoutMs);
}

int CTransceiverRS485::NeighbourHoldMs() const
{
    if (!port_) return 0;
    // A neighbour's exchange at a time.
    return std::max(0, port_->Bus().Users() - 1) * ExchangeHoldMs();
}

std::int64_t CTransceiverRS485::LineHeldByOthersMs() const
{
    if (!port_) return 0;
    return port_->Bus().HeldByOthersMs(this) + owedWaitMs_;
}

std::int64_t CTransceiverRS485::LongestLineStopMs(std::int64_t sinceMs, std::int64_t nowMs) const
{
    return port_ ? port_->Bus().LongestStopSinceMs(sinceMs, nowMs) : 0;
}

void CTransceiverRS485::NoteLinePass(std::int64_t ms)
{
    if (port_) port_->Bus().NotePass(ms);
}

int CTransceiverRS485::LineTurnMs() const
{
    if (!port_) return 0;
    constexpr int kLongestRowCharacters = 64;
    return std::max(0, port_->Bus().Users() - 1) *
           (LineMs(kLongestRowCharacters) + std::max(0, comm::Timing().ReadTimeoutMs));
}

void CTransceiverRS485::RequestOnLine()
{
    // Every exchange of the step (the unit check of a reconnection asks more than once) may
    // hold the line as long as one exchange does.
    if (busHeld_ && ++requestsInHold_ > 1) port_->Bus().ExtendHold(ExchangeHoldMs());
}

bool CTransceiverRS485::BeginStep()
{
    stepWaitMs_ = 0;
    if (!port_) return false;
    // Another slave's step holds the bus for one exchange at most; the wait is cut into
    // slices so that a close does not wait it out. The wait is no part of the reply's time
    // (a silent neighbour holds the bus for its whole read time-out); it ages the values
    // the request is to renew, which the cycle bound allows for.
    const auto start = std::chrono::steady_clock::now();
    const auto slice = std::chrono::milliseconds(std::max(1, comm::Timing().BusWaitMs));
    while (!(busHeld_ = port_->Bus().try_lock_for(slice)) && !Terminated()) {}
    // A slave closed in the middle of its exchange: its reply is let through first. That
    // wait is the neighbour's turn, up to the time its reply could take, and so is no part of
    // this step's hold of the line.
    if (busHeld_) {
        const std::int64_t owedFrom = comm::SteadyMs();
        port_->AwaitOwedReply([this] { return Terminated(); });
        const std::int64_t owed = std::clamp<std::int64_t>(comm::SteadyMs() - owedFrom, 0,
                                                           LineMs(MaxReplyLength) + comm::Timing().ReadTimeoutMs);
        owedWaitMs_ += owed;
        requestsInHold_ = 0;
        port_->Bus().DeclareHolder(this, ExchangeHoldMs() + int(owed));
    }
    stepWaitMs_ = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
    return busHeld_;
}

void CTransceiverRS485::ReplyCutShort(std::int64_t untilMs, std::size_t bytes)
{
    if (port_) port_->LeaveReplyOwed(untilMs, bytes);
}

void CTransceiverRS485::EndStep()
{
    if (busHeld_) port_->Bus().unlock();
    busHeld_ = false;
}

void CTransceiverRS485::Exchange()
{
    if (!port_) return;
    const std::shared_ptr<comm::IByteLink> link = port_->Link();
    if (Handle && link != Handle) {
        // Another holder reopened the port since this slave's last exchange: whatever
        // answers at the address now is identified before it is polled.
        Handle = link;
        CheckUnitFirst({resources::RowPortReopened, port_->PortName()});
        return;
    }
    Handle = link;
    if (!Handle) return;
    // Another slave's late answer is never decoded as this unit's values (the reply check
    // of every exchange).
    SerialExchange(*Handle, port_ ? port_->PortName() : AnsiString());
}

bool CTransceiverRS485::Ask(const AnsiString& frame, int replyLength, AnsiString& reply)
{
    // Runs inside a step, so this thread holds the bus.
    if (port_) Handle = port_->Link();
    return Handle && SerialAsk(*Handle, frame, replyLength, reply);
}

bool CTransceiverRS485::Reconnect()
{
    // Runs inside a step, so this thread holds the bus while the port is replaced.
    if (!port_ || !port_->Reopen(Handle)) return false;
    Handle = port_->Link();
    return true;
}
