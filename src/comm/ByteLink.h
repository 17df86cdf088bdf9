#pragma once
// A byte link to a unit as the poll threads and the identification use it: purge, write,
// read with a total time-out. The serial port satisfies it; tests put it over a
// pseudo-terminal.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/AnsiString.h"

namespace comm {

class IByteLink {
public:
    virtual ~IByteLink() = default;
    // Discards unsent output and unread input.
    virtual bool Purge() = 0;
    // Writes all bytes; false on failure.
    virtual bool Write(const AnsiString& data) = 0;
    // Reads until n bytes came or timeoutMs passed. The count (0 on time-out) or -1 when the
    // link failed (device gone).
    virtual int Read(char* buffer, std::size_t n, int timeoutMs) = 0;
    virtual void Close() = 0;
    virtual AnsiString LastErrorText() const = 0;
};

// Reads like IByteLink::Read with a total time-out, but in short slices, so that a
// thread asked to stop (stop() true) gives up at once instead of after the whole time-out.
int ReadFor(IByteLink& link, char* buffer, std::size_t n, int timeoutMs, const std::function<bool()>& stop);
// The same until deadlineMs on the device layer's clock (comm::SteadyMs).
int ReadUntil(IByteLink& link, char* buffer, std::size_t n, std::int64_t deadlineMs, const std::function<bool()>& stop);

// Line settings of a serial link: item indexes as the channel window's boxes hold them.
struct TSerialLinkSettings {
    AnsiString PortName;
    int BaudRate = 9600;
    int DataBits = 8;
    int Parity = 0;    // 0 none, 1 odd, 2 even, 3 mark
    int StopBits = 0;  // 0 one, 1 one and a half, 2 two
};

// Opens a serial link; on failure returns nullptr with the reason in error.
using SerialLinkFactory = std::function<std::shared_ptr<IByteLink>(const TSerialLinkSettings&, AnsiString& error)>;

// The factory the serial channels use (the platform's serial port by default);
// SetSerialLinkFactory(nullptr) puts the default back.
SerialLinkFactory& SerialLinks();
void SetSerialLinkFactory(SerialLinkFactory factory);

}  // namespace comm
