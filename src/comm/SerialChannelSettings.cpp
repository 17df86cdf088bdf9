#include "comm/SerialChannelSettings.h"

#include <algorithm>
#include <iterator>

#include "comm/CRS232.h"

namespace {
template <std::size_t N>
bool OneOf(int value, const int (&list)[N])
{
    return std::find(std::begin(list), std::end(list), value) != std::end(list);
}
}  // namespace

bool TSerialChannelSettings::ReadLineSettings(IChannelWindow* w)
{
    if (!w) return false;
    const AnsiString port = Trim(w->ControlText(TChannelControl::cmbPort));
    if (port.empty()) return false;
    int baud = 0, dataBits = 0, interval = 0;
    const int stopBits = w->ControlItemIndex(TChannelControl::cmbStopBits);
    const int parity = w->ControlItemIndex(TChannelControl::cmbParity);
    if (!TryStrToInt(w->ControlText(TChannelControl::cmbBaudrate), baud) || !OneOf(baud, CRS232::BaudRates))
        return false;
    if (!TryStrToInt(w->ControlText(TChannelControl::cmbDataBits), dataBits) || dataBits < 5 || dataBits > 8)
        return false;
    if (stopBits < 0 || stopBits > 2 || (stopBits == 1 && dataBits != 5)) return false;
    if (parity < 0 || parity > 3) return false;
    if (!TryStrToInt(w->ControlText(TChannelControl::cmbActual), interval) ||
        !OneOf(interval, CRS232::SamplingIntervals))
        return false;
    PortName = port;
    BaudRate = baud;
    DataBits = dataBits;
    StopBits = stopBits;
    Parity = parity;
    ReadTimeout = 1000;
    PollInterval = interval;
    return true;
}

comm::TSerialLinkSettings TSerialChannelSettings::LinkSettings() const
{
    return *this;
}
