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
    // Another slave's late answer must not be decoded as this unit's values.
    SerialExchange(*Handle, port_ ? port_->PortName() : AnsiString(),
                   [this](const AnsiString& reply) { return IsReplyFromOtherSlave(reply, Address); });
}

bool CTransceiverRS485::Reconnect()
{
    // Runs inside a step, so this thread holds the bus while the port is replaced.
    if (!port_ || !port_->Reopen(Handle)) return false;
    Handle = port_->Link();
    return true;
}
