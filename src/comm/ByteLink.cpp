#include "comm/ByteLink.h"

#include "comm/SerialPortLink.h"

namespace comm {

namespace {
std::shared_ptr<IByteLink> OpenSerialPort(const TSerialLinkSettings& settings, AnsiString& error) {
    return SerialPortLink::Open(settings, error);
}
}  // namespace

SerialLinkFactory& SerialLinks() {
    static SerialLinkFactory factory = OpenSerialPort;
    return factory;
}

void SetSerialLinkFactory(SerialLinkFactory factory) { SerialLinks() = factory ? std::move(factory) : OpenSerialPort; }

}  // namespace comm
