#include "comm/ByteLink.h"

#include "comm/CommTiming.h"
#include "comm/SerialPortLink.h"

#include <algorithm>

namespace comm {

namespace {
std::shared_ptr<IByteLink> OpenSerialPort(const TSerialLinkSettings& settings, AnsiString& error)
{
    return SerialPortLink::Open(settings, error);
}
}  // namespace

int ReadFor(IByteLink& link, char* buffer, std::size_t n, int timeoutMs, const std::function<bool()>& stop)
{
    return ReadUntil(link, buffer, n, SteadyMs() + std::max(0, timeoutMs), stop);
}

int ReadUntil(IByteLink& link, char* buffer, std::size_t n, std::int64_t deadlineMs, const std::function<bool()>& stop)
{
    constexpr int kSliceMs = 20;
    std::size_t got = 0;
    for (;;) {
        const std::int64_t left = deadlineMs - SteadyMs();
        const int slice = static_cast<int>(std::clamp<std::int64_t>(left, 0, kSliceMs));
        int r = link.Read(buffer + got, n - got, slice);
        if (r < 0) return got > 0 ? static_cast<int>(got) : -1;
        got += static_cast<std::size_t>(r);
        // The time-out is over once the deadline has passed on the device layer's clock
        // (a slice's end on the steady clock is not enough when a test moves that clock).
        if (got >= n || left <= 0 || SteadyMs() >= deadlineMs || (stop && stop())) break;
    }
    return static_cast<int>(got);
}

SerialLinkFactory& SerialLinks()
{
    static SerialLinkFactory factory = OpenSerialPort;
    return factory;
}

void SetSerialLinkFactory(SerialLinkFactory factory)
{
    SerialLinks() = factory ? std::move(factory) : OpenSerialPort;
}

}  // namespace comm
