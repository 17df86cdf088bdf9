#include "comm/ByteLink.h"

#include "comm/SerialPortLink.h"

#include <algorithm>
#include <chrono>

namespace comm {

namespace {
std::shared_ptr<IByteLink> OpenSerialPort(const TSerialLinkSettings& settings, AnsiString& error)
{
    return SerialPortLink::Open(settings, error);
}
}  // namespace

int ReadFor(IByteLink& link, char* buffer, std::size_t n, int timeoutMs, const std::function<bool()>& stop)
{
    constexpr int kSliceMs = 20;
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
    std::size_t got = 0;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count();
        int slice = static_cast<int>(std::clamp<long long>(left, 0, kSliceMs));
        int r = link.Read(buffer + got, n - got, slice);
        if (r < 0) return got > 0 ? static_cast<int>(got) : -1;
        got += static_cast<std::size_t>(r);
        if (got >= n || left <= kSliceMs || (stop && stop())) break;
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
