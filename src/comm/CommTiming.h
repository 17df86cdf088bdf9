#pragma once
// The pacing and time-outs of the device layer in one place, so tests can shorten them.
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

}  // namespace comm
