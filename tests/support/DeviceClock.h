#pragma once
// A clock for the device layer's time-outs that stands still until the test moves it: a
// reply is late, a request overdue or a line held too long exactly when the test says so,
// however late the machine lets the threads run.
#include <atomic>
#include <cstdint>

#include "comm/CommTiming.h"

namespace support {

class ManualDeviceClock : public comm::IDeviceClock {
public:
    std::int64_t NowMs() const override { return now_.load(); }
    void AdvanceMs(std::int64_t ms) { now_ += ms; }

private:
    std::atomic<std::int64_t> now_{1000000};
};

}  // namespace support
