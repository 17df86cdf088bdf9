#pragma once
// The byte link of a serial channel over the platform's serial port.
#include <memory>

#include "comm/ByteLink.h"
#include "platform/SerialPort.h"

namespace comm {

class SerialPortLink : public IByteLink {
public:
    // Opens the port with the line settings, DTR and RTS off. nullptr with the reason on
    // failure (missing, busy, no permission, not a serial device, settings refused).
    static std::shared_ptr<SerialPortLink> Open(const TSerialLinkSettings& settings, AnsiString& error);

    bool Purge() override { return port_.Purge(true, true); }
    bool Write(const AnsiString& data) override { return port_.Write(data); }
    int Read(char* buffer, std::size_t n, int timeoutMs) override { return port_.Read(buffer, n, timeoutMs); }
    void Close() override { port_.Close(); }
    AnsiString LastErrorText() const override { return port_.LastErrorText(); }

    platform::SerialPort& Port() { return port_; }

private:
    platform::SerialPort port_;
};

}  // namespace comm
