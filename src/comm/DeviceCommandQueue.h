#pragma once
// The commands a channel's window and its control panel give the unit, in the order they
// were given. The poll thread takes one one-shot command at a time and sends it in two poll
// cycles; a command given meanwhile waits here instead of being lost, and goes to the poll
// thread as soon as the one before it is out (the owner hands the waiting ones over when
// the poll thread says so, and on every recording tick). A one-shot command that could not
// go within MaxWaitMs is never sent: it leaves the queue for the owner to report.
#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

#include "platform/AnsiString.h"

class CChannel;

class DeviceCommandQueue {
public:
    struct TCommand {
        AnsiString Frame;     // the command frame, checksum and carriage return included
        AnsiString FollowUp;  // the outputs frame that goes with it
        int ReplyLength = 24;
        bool Once = false;         // two poll cycles only, then the status poll again
        bool Program = false;      // a program run's frame: its hold or stop withdraws it
        std::int64_t GivenMs = 0;  // when it was given, on the program's clock
    };

    // What became of a command given to the queue. Every refusal is the caller's to report:
    // the queue never drops a command it took.
    enum class TResult {
        Taken,         // waiting or handed over; it goes out in order
        NoPollThread,  // the channel has no poll thread, so it cannot go out at all
        LinkLost,      // a one-shot command while the link to the unit is lost: it would go
                       // out at some later moment nobody asked for
        Full,          // MaxWaiting commands wait already
    };

    // Adds a command behind the waiting ones and hands over what the poll thread takes now.
    // A standing command still waiting is out of date: the newer one takes its place. So is
    // a one-shot setpoint still waiting when another is given: the newer one takes its place
    // in the order, and the older one is kept for the owner to report (TakeReplaced).
    TResult Add(CChannel& channel, TCommand command);
    // Hands the waiting commands over as far as the poll thread takes them; true when none
    // is left waiting. A one-shot command goes only when the poll thread can send it at
    // once: none before it is still going out and no fault holds the poll cycle back.
    bool Flush(CChannel& channel);
    // The one-shot commands that waited longer than MaxWaitMs since the last call, in the
    // order given.
    std::vector<TCommand> TakeDropped() { return std::exchange(FDropped, {}); }
    // The setpoints that a newer one replaced since the last call, in the order given.
    std::vector<TCommand> TakeReplaced() { return std::exchange(FReplaced, {}); }
    bool Empty() const { return FWaiting.empty(); }
    const std::deque<TCommand>& Waiting() const { return FWaiting; }
    void Clear() { FWaiting.clear(); }
    // A program's hold or stop: its frames still waiting leave the queue, and the standing
    // command goes to the poll thread at once, ahead of one-shot commands still waiting, so
    // no cycle carries a frame of the program computed before: it replaces the command loaded
    // into a cycle that has not begun, too. False without a poll thread.
    bool ReplaceStanding(CChannel& channel, TCommand command);
    // The link to the unit is lost: the one-shot commands leave the queue (returned in the
    // order given); a standing one stays, the next one given replaces it anyway.
    std::vector<TCommand> DropOneShots();

    // What a command frame does, for the user (the main window's language): "Activate
    // circulation", "Set setpoint 55,00 °C", ...; a command without a name by its text.
    static AnsiString CommandName(const AnsiString& frame, bool unsignedDevice);

    // A unit that never takes its commands must not make the queue grow without end.
    static constexpr std::size_t MaxWaiting = 16;
    // A one-shot goes out in two poll cycles of at most about five seconds each (six rows on
    // the slowest link, TCP/IP), so one given behind two others, while a cycle is under way,
    // still goes within this. A command later than that would reach the unit at a moment
    // the user no longer expects it.
    static constexpr std::int64_t MaxWaitMs = 30000;

private:
    std::deque<TCommand> FWaiting;
    // The frame of the last program one-shot handed to the poll thread.
    AnsiString FHandedProgram;
    std::vector<TCommand> FDropped;
    std::vector<TCommand> FReplaced;
};
