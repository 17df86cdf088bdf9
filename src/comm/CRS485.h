#pragma once
// The channel of a unit on an RS485 bus: several channels share one serial port, each with
// its own slave address 1..30. The port is opened by the first channel that needs it, with
// that channel's line settings; later channels on the same device take it over; it is
// closed when the last of them lets go. Exchanges on the bus, the poll threads' and the
// identification's alike, take the port's bus lock, so two slaves never talk at once.
#include <atomic>
#include <memory>
#include <mutex>

#include "comm/CChannel.h"
#include "comm/SerialChannelSettings.h"
#include "comm/SharedSerialPort.h"

class CTransceiverRS485;

class CRS485 : public CChannel, public TSerialChannelSettings {
public:
    explicit CRS485(int channel);
    ~CRS485() override;

    int ReadSettings() override;
    int Open() override;
    void Close(int mode) override;
    int GetAddress() override { return SlaveAddress; }
    AnsiString GetPortName() override { return PortName; }
    AnsiString GetTypeName() override { return "RS485"; }

    // The poll thread entered for this channel, when it is one of this class.
    CTransceiverRS485* PollThread() const;
    bool IsOpen() const { return SharedPort != nullptr; }

    static constexpr int MinSlaveAddress = 1;
    static constexpr int MaxSlaveAddress = 30;

    // The shared port this channel holds (nullptr while it holds none) and its link.
    std::shared_ptr<comm::SharedSerialPort> SharedPort;
    std::shared_ptr<comm::IByteLink> Handle;
    // 1 when the port was open already and this channel took it over.
    std::uint8_t PortShared = 0;
    int SlaveAddress = 1;

protected:
    AnsiString DirectExchange(const AnsiString& frame, int frameLength, int replyLength,
                              TfrmIdentification* window) override;
    // An answer of this slave, not a late one of another slave on the bus.
    bool IsAnswer(const AnsiString& reply) const override;

private:
    void StopThreads();
    void ReleasePort();

    // Guards SharedPort against the identification thread's exchanges while the
    // user-interface thread lets the port go.
    std::mutex portMutex_;
    std::atomic<bool> stopExchanges_{false};  // a direct exchange gives up: the channel closes
    std::unique_ptr<CTransceiverRS485> poll_;
};
