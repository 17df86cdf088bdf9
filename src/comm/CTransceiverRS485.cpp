#include "comm/CTransceiverRS485.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "comm/CChannel.h"
#include "comm/CommTiming.h"

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
    if (port_) Handle = port_->Link();
}

CTransceiverRS485::~CTransceiverRS485()
{
    Terminate();
    WaitFor();
}

bool CTransceiverRS485::BeginStep()
{
    if (!port_) return false;
    busHeld_ = port_->Bus().try_lock_for(std::chrono::milliseconds(std::max(0, comm::Timing().BusWaitMs)));
    return busHeld_;
}

void CTransceiverRS485::EndStep()
{
    if (busHeld_) port_->Bus().unlock();
    busHeld_ = false;
}

void CTransceiverRS485::Exchange()
{
    if (port_) Handle = port_->Link();
    if (!Handle) return;
    const int timeout = comm::Timing().ReadTimeoutMs;
    const AnsiString frame = CurrentFrame.substr(0, static_cast<std::size_t>(std::max(0, CurrentLength)));
    const std::size_t wanted = static_cast<std::size_t>(std::clamp(CurrentReplyLength, 0, MaxReplyLength));

    std::vector<char> buffer(std::max<std::size_t>(wanted, DiscardLength));
    int count = -1;
    // A close does not wait out a silent or garbled exchange: the reads stop when asked.
    auto stop = [this] { return Terminated(); };
    if (Handle->Purge() && Handle->Write(frame)) count = comm::ReadFor(*Handle, buffer.data(), wanted, timeout, stop);
    if (count < 0) {
        LinkLost(" Port error: " + Handle->LastErrorText(), " Port " + port_->PortName() + " reopened");
        return;
    }
    for (int i = 0; i < count; ++i)
        if (buffer[i] == 10 || buffer[i] == 12 || buffer[i] == 13) buffer[i] = ' ';
    if (count > 0 && buffer[0] != '[') {
        DeliverError(" Error in synchronising !");
        Handle->Purge();
        count = comm::ReadFor(*Handle, buffer.data(), DiscardLength, timeout, stop);
        if (count < 0) count = 0;
    } else if (IsReplyFromOtherSlave(AnsiString(buffer.data(), static_cast<std::size_t>(count)), Address)) {
        // Another slave's late answer: it must not be decoded as this unit's values, and
        // what else it left on the line is thrown away with it.
        DeliverError(" Error in synchronising !");
        Handle->Purge();
        return;
    }
    if (Terminated()) return;
    if (count != 0) {
        AnsiString reply(buffer.data(), static_cast<std::size_t>(count));
        DeliverReply(reply);
    } else {
        DeliverError(" Timeout !");
    }
}

bool CTransceiverRS485::Reconnect()
{
    // Runs inside a step, so this thread holds the bus while the port is replaced.
    if (!port_ || !port_->Reopen(Handle)) return false;
    Handle = port_->Link();
    return true;
}
