#pragma once
// The poll thread of an RS485 channel. Several of them work on one shared port; each step
// runs only when the thread gets the port's bus lock within a few milliseconds, otherwise
// the step is skipped and tried again after the usual pause.
#include <memory>

#include "comm/CTransceiver.h"
#include "comm/SharedSerialPort.h"

class CTransceiverRS485 : public CTransceiver {
public:
    CTransceiverRS485(CChannel* owner, int channel, std::shared_ptr<comm::SharedSerialPort> port);
    ~CTransceiverRS485() override;

    // The shared port; the thread holds it, so the port stays open while the thread runs.
    const std::shared_ptr<comm::SharedSerialPort>& Port() const { return port_; }

protected:
    bool BeginStep() override;
    void EndStep() override;
    void Exchange() override;
    bool Reconnect() override;
    int LineBaud() const override { return port_ ? port_->Settings().BaudRate : 0; }

    // The link of the last exchange (the port's link can change when it is reopened).
    std::shared_ptr<comm::IByteLink> Handle;

private:
    std::shared_ptr<comm::SharedSerialPort> port_;
    bool busHeld_ = false;
};

// True when the reply carries another bus address than the one asked: on a shared line
// that is another slave's answer, never this unit's.
bool IsReplyFromOtherSlave(const AnsiString& reply, int address);
