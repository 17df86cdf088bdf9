#pragma once
// The line settings the two serial channel kinds (CRS232, CRS485) keep, as their windows'
// boxes give them.
#include "comm/ByteLink.h"
#include "platform/AnsiString.h"

class IChannelWindow;

struct TSerialChannelSettings {
    AnsiString PortName = "NOPORT";
    int Parity = 0;
    int StopBits = 0;
    int BaudRate = 9600;
    int DataBits = 8;
    int ReadTimeout = 1000;
    int PollInterval = 5;

    // Takes port, speed, data bits, stop bits, parity and sampling interval from the
    // window's boxes. False, with nothing changed, when a box holds something outside its
    // list or the port names no serial device: the window reports an input error then.
    bool ReadLineSettings(IChannelWindow* window);
    // What the serial link is opened with.
    comm::TSerialLinkSettings LinkSettings() const;
};
