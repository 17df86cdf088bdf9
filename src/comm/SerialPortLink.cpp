#include "comm/SerialPortLink.h"

namespace comm {

std::shared_ptr<SerialPortLink> SerialPortLink::Open(const TSerialLinkSettings& s, AnsiString& error)
{
    platform::SerialSettings settings;
    settings.baudRate = s.BaudRate;
    settings.dataBits = s.DataBits;
    static const platform::SerialParity parities[] = {platform::SerialParity::None, platform::SerialParity::Odd,
                                                      platform::SerialParity::Even, platform::SerialParity::Mark};
    static const platform::SerialStopBits stops[] = {
        platform::SerialStopBits::One, platform::SerialStopBits::OneAndHalf, platform::SerialStopBits::Two};
    if (s.Parity < 0 || s.Parity > 3 || s.StopBits < 0 || s.StopBits > 2) {
        error = "Invalid line settings.";
        return nullptr;
    }
    settings.parity = parities[s.Parity];
    settings.stopBits = stops[s.StopBits];
    auto link = std::make_shared<SerialPortLink>();
    if (!link->port_.Open(s.PortName, settings)) {
        error = link->port_.LastErrorText();
        return nullptr;
    }
    // A device without modem lines (a pseudo-terminal) refuses these; that is no failure.
    link->port_.SetDTR(false);
    link->port_.SetRTS(false);
    return link;
}

}  // namespace comm
