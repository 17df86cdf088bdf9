#pragma once
// The line settings the two serial channel kinds (CRS232, CRS485) keep, as their windows'
// boxes give them: what the link is opened with, its read timeout and the sampling interval.
#include "comm/ByteLink.h"
#include "platform/AnsiString.h"

class IChannelWindow;

struct TSerialChannelSettings : comm::TSerialLinkSettings {
    TSerialChannelSettings() { PortName = "NOPORT"; }
    int ReadTimeout = 1000;
    int PollInterval = 5;

    // Takes port, speed, data bits, stop bits, parity and sampling interval from the
    // window's boxes. False, with nothing changed, when a box holds something outside its
    // list or the port names no serial device: the window reports an input error then.
    bool ReadLineSettings(IChannelWindow* window);
    // What the serial link is opened with.
    comm::TSerialLinkSettings LinkSettings() const;
};
