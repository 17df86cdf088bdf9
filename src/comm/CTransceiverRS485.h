#pragma once
// The poll thread of an RS485 channel. Several of them work on one shared port; each
// exchange runs while the thread holds the port's bus lock. A thread that finds the bus
// taken waits until it comes free and then takes its step, so three slaves on a line keep
// the pace of a unit on a line of its own.
#include <atomic>
#include <memory>
#include <utility>

#include "comm/CTransceiver.h"
#include "comm/SharedSerialPort.h"

class CTransceiverRS485 : public CTransceiver {
public:
    CTransceiverRS485(CChannel* owner, int channel, std::shared_ptr<comm::SharedSerialPort> port);
    ~CTransceiverRS485() override;

    // The shared port; the thread holds it, so the port stays open while the thread runs.
    const std::shared_ptr<comm::SharedSerialPort>& Port() const { return port_; }
    std::int64_t LineHeldByOthersMs() const override;
    std::int64_t LongestLineStopMs(std::int64_t sinceMs, std::int64_t nowMs) const override;
    int LineTurnMs() const override;

protected:
    bool BeginStep() override;
    void EndStep() override;
    void Exchange() override;
    bool Reconnect() override;
    int LineBaud() const override { return port_ ? port_->Settings().BaudRate : 0; }
    int NeighbourHoldMs() const override;
    void RequestOnLine() override;
    void NoteLinePass(std::int64_t ms) override;
    bool Ask(const AnsiString& frame, int replyLength, AnsiString& reply) override;
    AnsiString LinkName() const override { return port_ ? port_->PortName() : AnsiString(); }
    bool BusAddressed() const override { return true; }
    int TakeStepWaitMs() override { return std::exchange(stepWaitMs_, 0); }
    void ReplyCutShort(std::int64_t untilMs, std::size_t bytes) override;

    // The link of the last exchange (the port's link can change when it is reopened).
    std::shared_ptr<comm::IByteLink> Handle;

private:
    std::shared_ptr<comm::SharedSerialPort> port_;
    // The longest one exchange holds the line: its frames, its read time-out, and after a
    // garbled reply the read that clears the line.
    int ExchangeHoldMs() const;

    bool busHeld_ = false;
    int stepWaitMs_ = 0;
    int requestsInHold_ = 0;
    // The time this thread's steps let a closed neighbour's owed reply come and go.
    std::atomic<std::int64_t> owedWaitMs_{0};
};

// True when the reply carries another bus address than the one asked: on a shared line
// that is another slave's answer, never this unit's.
bool IsReplyFromOtherSlave(const AnsiString& reply, int address);
