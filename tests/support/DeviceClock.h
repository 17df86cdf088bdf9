#pragma once
// A clock for the device layer's time-outs that stands still until the test moves it: a
// reply is late, a request overdue or a line held too long exactly when the test says so,
// however late the machine lets the threads run.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

#include "comm/CommTiming.h"
#include "support/SimulatedUnitLine.h"

namespace support {

class ManualDeviceClock : public comm::IDeviceClock {
public:
    std::int64_t NowMs() const override { return now_.load(); }
    void AdvanceMs(std::int64_t ms) { now_ += ms; }

private:
    std::atomic<std::int64_t> now_{1000000};
};

// While it exists the device layer runs on a stopped clock: a reply is in time however late
// a loaded machine lets it come (a unit's late reply takes real time), and a time-out comes
// only when the clock is moved on. A frame a simulated unit leaves unanswered (or answers
// only in part) times out at once: the lines made while this exists move the clock on by
// the longest wait for a reply. Made before the test's lines and device threads, gone after.
class StoppedDeviceTime {
public:
    StoppedDeviceTime()
    {
        comm::SetDeviceClock(&clock);
        SimulatedUnitLine::SetDefaultUnansweredHook([this] {
            if (timeOutUnanswered) clock.AdvanceMs(LongestWaitMs());
        });
    }
    ~StoppedDeviceTime()
    {
        SimulatedUnitLine::SetDefaultUnansweredHook(nullptr);
        comm::SetDeviceClock(nullptr);
    }
    StoppedDeviceTime(const StoppedDeviceTime&) = delete;
    StoppedDeviceTime& operator=(const StoppedDeviceTime&) = delete;

    // The longest a reply may take on any transport: moved on by that, the clock ends every
    // read and wait for a reply that had begun.
    static int LongestWaitMs()
    {
        const comm::TCommTiming t = comm::Timing();
        return std::max(t.ReadTimeoutMs, t.ReplyWaitMs) + 1;
    }

    // For a test in which nothing can answer at all (a refused connection): every wait ends
    // by its time-out, whenever that comes, so the clock may run as the steady clock does.
    void RunOnSteadyClock() { comm::SetDeviceClock(nullptr); }

    ManualDeviceClock clock;
    // Off where a test lets a silent exchange's time-out come itself.
    std::atomic<bool> timeOutUnanswered{true};
};

// Moves a device clock on by `ms` once `ready` holds, from a thread of its own (for a test
// whose own thread is held in an exchange meanwhile). `ready` must name a state in which the
// wait to be ended has begun. Waits at most ten seconds; the destructor joins.
class ClockMover {
public:
    ClockMover(ManualDeviceClock& clock, std::int64_t ms, std::function<bool()> ready)
        : thread_([&clock, ms, ready = std::move(ready)] {
              const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
              while (!ready() && std::chrono::steady_clock::now() < deadline)
                  std::this_thread::sleep_for(std::chrono::milliseconds(1));
              clock.AdvanceMs(ms);
          })
    {}
    ~ClockMover() { thread_.join(); }
    ClockMover(const ClockMover&) = delete;
    ClockMover& operator=(const ClockMover&) = delete;

private:
    std::thread thread_;
};

}  // namespace support
