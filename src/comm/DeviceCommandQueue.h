#pragma once
// The commands a channel's window and its control panel give the unit, in the order they
// were given. The poll thread takes one one-shot command at a time and sends it in two poll
// cycles; a command given meanwhile waits here instead of being lost, and goes to the poll
// thread once the one before it is out. The owner hands the waiting ones over on every
// recording tick.
#include <deque>

#include "platform/AnsiString.h"

class CChannel;

class DeviceCommandQueue {
public:
    struct TCommand {
        AnsiString Frame;     // the command frame, checksum and carriage return included
        AnsiString FollowUp;  // the outputs frame that goes with it
        int ReplyLength = 24;
        bool Once = false;  // two poll cycles only, then the status poll again
    };

    // Adds a command behind the waiting ones and hands over what the poll thread takes now.
    // A standing command still waiting is out of date: the newer one takes its place.
    // False when the channel has no poll thread, so the command cannot go out at all.
    bool Add(CChannel& channel, TCommand command);
    // Hands the waiting commands over as far as the poll thread takes them; true when none
    // is left waiting.
    bool Flush(CChannel& channel);
    bool Empty() const { return FWaiting.empty(); }
    void Clear() { FWaiting.clear(); }

    // A unit that never takes its commands must not make the queue grow without end.
    static constexpr std::size_t MaxWaiting = 16;

private:
    std::deque<TCommand> FWaiting;
};
