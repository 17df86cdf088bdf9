#pragma once
// The pacing and time-outs of the device layer in one place, so tests can shorten them.
#include <cstdint>

namespace comm {

struct TCommTiming {
    int PollStepMs = 300;           // between two steps of a poll thread
    int IdentificationStepMs = 50;  // between two steps of the identification
    int ReadTimeoutMs = 1000;       // total read time-out of a serial exchange
    int ReplyWaitMs = 500;          // TCP/IP: between sending and reading
    int BusWaitMs = 5;              // RS485: wait for the shared bus per attempt
};

// The timing in use; SetTiming replaces it (threads read it at each step).
TCommTiming Timing();
void SetTiming(const TCommTiming& timing);
void ResetTiming();

// The clock every time-out of the device layer is measured on: when the read of a reply
// ends, how long a request has waited and how old the values are, how long the shared
// line may be held. A monotonic clock that also counts the time the computer slept and the
// time the process was stopped, unless a test has set a clock it moves itself, so
// that a time-out comes exactly when the test lets it, however busy the machine is. The
// pauses between steps always take real time.
class IDeviceClock {
public:
    virtual ~IDeviceClock() = default;
    virtual std::int64_t NowMs() const = 0;
};
// Milliseconds on that clock (any thread).
std::int64_t SteadyMs();
// nullptr: the steady clock again. Set while no device thread runs.
void SetDeviceClock(const IDeviceClock* clock);

}  // namespace comm
