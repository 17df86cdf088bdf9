#pragma once
// The channel of a unit on a serial port of its own.
#include <atomic>
#include <memory>
#include <vector>

#include "comm/ByteLink.h"
#include "comm/CChannel.h"
#include "comm/SerialChannelSettings.h"

class CTransceiverRS232;

class CRS232 : public CChannel, public TSerialChannelSettings {
public:
    explicit CRS232(int channel);
    ~CRS232() override;

    int ReadSettings() override;
    int Open() override;
    void Close(int mode) override;
    int GetAddress() override { return 1; }
    AnsiString GetPortName() override { return PortName; }
    AnsiString GetTypeName() override { return "RS232"; }

    // The poll thread entered for this channel, when it is one of this class.
    CTransceiverRS232* PollThread() const;
    bool IsOpen() const { return Handle != nullptr; }

    std::shared_ptr<comm::IByteLink> Handle;

    // The serial ports of this machine, for the window's port list.
    static std::vector<AnsiString> PortList();

    // The choices of the settings boxes.
    static const int BaudRates[6];
    static const int SamplingIntervals[7];

protected:
    AnsiString DirectExchange(const AnsiString& frame, int frameLength, int replyLength,
                              TfrmIdentification* window) override;

private:
    // One direct exchange for the identification; the reply as read (line ends kept).
    void StopThreads();

    std::atomic<bool> stopExchanges_{false};  // a direct exchange gives up: the channel closes
    std::unique_ptr<CTransceiverRS232> poll_;
};

// True when the path names a character device that can be a serial port.
bool IsSerialDevicePath(const AnsiString& path);
