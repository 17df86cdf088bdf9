#pragma once
// Poll threads. Each connected channel has one: whenever the channel window has asked for
// a poll cycle it sends the frames of its send queue, one per step, and hands every reply
// (or an error line) to CChannel::OnReply. The thread does its own port I/O; the state
// steps (queue, flags, decoding, windows) run on the user-interface thread.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "comm/ByteLink.h"
#include "comm/CCommThread.h"
#include "comm/CTolvarProtocol.h"
#include "comm/ChannelServices.h"
#include "platform/AnsiString.h"

class CChannel;

// A protocol line of the text table about the link, with the name of the port or address it
// tells of. It is put into words on the user-interface thread when it is written, in the
// window's language then.
struct TLinkLine {
    int Row = -1;  // -1: no line
    AnsiString Name;
    AnsiString Text() const;
};

// The loop shared by the RS232, RS485 and TCP/IP poll threads. The thread owns its send
// queue and its exchanges and never waits for the user-interface thread before a request
// goes out: the queue's steps run here under the queue's lock, and each reply (or error
// line) is handed to the channel with the time it came in, without waiting for it to be
// decoded. Only a reconnection (reopening the port or socket, asking who answers) waits
// for the user-interface thread.
class CTransceiver : public comm::CCommThread {
public:
    // Created suspended, with the start values a channel's Open gives it.
    CTransceiver(CChannel* owner, int channel);
    ~CTransceiver() override;

    void CreateProtocol(int channel);
    void FreeProtocol();
    void AppendCommand(const AnsiString& frame, int replyLength, int channel);
    void SetFollowUpRow(int row);

    // What every channel type does to its poll thread for the matching channel operation.
    void StartPolling();
    void QueueCommand(char letter, const AnsiString& frame, int replyLength, int channel);
    // A one-shot command does not wait for a recording tick: it goes into the coming cycle
    // (at once when none is under way), and its cycles run whether a tick asked for them or not.
    void RequestOneShot();
    // A standing command set after a one-shot takes over from the one-shot's second cycle:
    // the one-shot then goes out in one cycle only, whenever the standing one was given.
    int SetPollCommands(const AnsiString& baseFrame, int baseLength, int baseReplyLength, int followUpLength,
                        const AnsiString& followUpFrame);
    // A one-shot command is waiting for its cycle or its cycle has not ended yet: the next
    // one-shot must wait (user-interface thread).
    bool OneShotInProgress() const;
    // A poll cycle is under way, or one is due (a tick's request, a command's cycle).
    bool CycleUnderWayOrDue() const;
    // Runs now, in the order they came, what the thread has handed to the user-interface
    // thread and is still waiting there (replies to decode, error lines): a tick takes
    // every reply received before it, and the protocol's lines stay in time order.
    // User-interface thread; a call from inside a handed step returns at once.
    void RunHanded();

    // Steps of the send queue (this thread; they take the queue's lock).
    void UpdateCount();
    void RefillQueue();
    // Takes the next frame of the cycle; false when no cycle is due any more (a one-shot's
    // cycle withdrawn since the pass looked).
    bool NextCommand();
    // The link is lost (user-interface thread): a one-shot command that has not gone out in
    // both its cycles never goes out once the link is back, and the status poll stands
    // again. Returns that command and what the unit got of it (an empty frame when none
    // was under way or it had gone out in both its cycles). With `only`, the one-shot is
    // dropped only when it is that frame (a program's frame its hold withdraws).
    TCommandOnLoss DropOneShot(const AnsiString& only = {});
    // The one-shot command handed over of which nothing has gone out yet; empty: none.
    AnsiString UnsentOneShot() const;
    // The standing command given last replaces the one loaded into a cycle that has not
    // begun (and no one-shot is loaded): what was loaded is out of date and never goes.
    void LoadStandingNow();

    // The queue's tables and texts; callers on other threads take QueueLock().
    std::unique_ptr<CTolvarProtocol> Protocol;
    std::mutex& QueueLock() const { return queueMutex_; }
    // Held by the user-interface thread while it hands a command over in more than one call
    // (its frames, then that it goes out once): no refill may load the frames in between as
    // a standing command, which would send a one-shot in three cycles.
    std::unique_lock<std::mutex> HoldRefill() { return std::unique_lock<std::mutex>(refillHold_); }
    AnsiString ChannelText;
    AnsiString LastReply;
    AnsiString BaseCommand;
    AnsiString FollowUpCommand;
    std::atomic<std::uint8_t> RestorePending{0};
    std::atomic<std::uint8_t> Active{0};
    std::atomic<std::uint8_t> OneShot{0};
    AnsiString CurrentFrame;
    std::int8_t FollowUpRow = -1;
    int CurrentLength = 0;
    int CurrentReplyLength = 0;
    std::atomic<int> Position{0};
    std::atomic<int> Count{5};
    int PollInterval = 0;
    int Address = 1;
    int BaseLength = 0;
    int FollowUpLength = 0;
    int BaseReplyLength = 0;

    // Passes of the loop so far (for watching the thread; the loop does not use it).
    std::atomic<int> PassCount{0};
    // Called on this thread when a pass has found a cycle due, just before it takes the
    // frame, so a test can hold the thread there. Set before polling starts.
    std::function<void()> BeforeFrameTaken;

    // How long others have had the shared line this thread polls on, in total so far
    // (comm::SteadyMs; 0 on a line of its own): the time this thread may have waited for its
    // turn, which is no hold of the thread (any thread).
    virtual std::int64_t LineHeldByOthersMs() const { return 0; }
    // The longest stop of the whole shared line (CChannel::HeldLimitMs) that began at
    // `sinceMs`, a pass of this thread's, or later, up to `nowMs` (0 on a line of its own).
    virtual std::int64_t LongestLineStopMs(std::int64_t /*sinceMs*/, std::int64_t /*nowMs*/) const { return 0; }
    // One turn of the shared line: every other slave on it exchanging once as a silent one
    // does, its frames and its read time-out (0 on a line of its own; any thread).
    virtual int LineTurnMs() const { return 0; }

    // True while the link to the unit is lost (a port that failed, a dropped connection)
    // and the thread tries to get it back.
    bool IsLinkLost() const { return linkLost_.load(); }
    // Reconnection attempts made since the link was lost.
    int ReconnectAttempts() const { return reconnectAttempts_.load(); }

    static constexpr int FollowUpReplyLength = 28;
    // No reply of the protocol is longer; longer lengths from callers are cut to this.
    static constexpr int MaxReplyLength = 128;
    static constexpr int DiscardLength = 100;

protected:
    void Execute() override;
    void OnTerminateRequested() override;
    // One exchange of CurrentFrame, on this thread.
    virtual void Exchange() = 0;
    // RS485 takes turns on the shared bus around each exchange; the others always run.
    virtual bool BeginStep() { return true; }
    virtual void EndStep() {}

    // Runs fn on the user-interface thread and waits, unless the thread was asked to stop;
    // false then.
    bool Sync(const std::function<void()>& fn);
    // Runs fn on the user-interface thread later, unless the thread has been asked to stop
    // by then; the thread goes on at once.
    void Hand(std::function<void()> fn);
    // Hands a unit's reply to the channel, unless an error of this cycle came first.
    void DeliverReply(const AnsiString& reply);
    // Sets the error flag and hands the error line with date and time to the channel.
    void DeliverError(const AnsiString& text);
    // The same for a line of the text table.
    void DeliverError(const TLinkLine& line);
    CChannel* Owner() const { return owner_; }

    // The link to the unit is gone: `line` goes to the protocol once, the ticks show the
    // error, and the thread tries to reconnect after comm::ReconnectDelayMs(0), (1), ...
    // (times of the program's clock) until an attempt succeeds and the unit that answers
    // is the one identified; then `restored` goes to the protocol and polling goes on with
    // the same commands. Whatever answers on a reopened port or a new connection may be
    // another unit (two adapters plugged back in the other order, another unit at the
    // address): until it has given the same name and serial number, no point is good.
    void LinkLost(const TLinkLine& line, const TLinkLine& restored);
    // One exchange of the current frame on a serial link: the reply, a synchronisation
    // error or a time-out goes to the channel; a failed port is reported as lost (portName
    // names it in the protocol). A reply that is not the request's (CChannel::AnswersRequest)
    // is a synchronisation error.
    void SerialExchange(comm::IByteLink& link, const AnsiString& portName);
    // One attempt to get the link back, on this thread; true when it is back.
    virtual bool Reconnect() { return false; }
    // The thread was asked to stop while it read a reply: up to `bytes` more of it may
    // still come until `untilMs` (comm::SteadyMs). On a line of its own nobody else reads it.
    virtual void ReplyCutShort(std::int64_t /*untilMs*/, std::size_t /*bytes*/) {}
    // The request of the poll cycle goes out now: from here its reply may take its frames'
    // time on the line and the transport's read time-out, on this thread's clock.
    void NoteRequestSent();
    // The first bytes of the reply to the current request have come in.
    void NoteReplyArrived();
    // The line's baud rate (0: no serial line) and the longest wait of an exchange.
    virtual int LineBaud() const { return 0; }
    virtual int ExchangeLimitMs() const;
    // The longest the other users of the line may hold it between two of this thread's
    // exchanges (0: the line is this thread's alone).
    virtual int NeighbourHoldMs() const { return 0; }
    // Milliseconds `characters` take on the line at its baud rate, ten bits each.
    int LineMs(int characters) const;
    // A request (of the poll cycle or of a unit check) goes out on the line now.
    virtual void RequestOnLine() {}
    // The pass noted at `ms` (comm::SteadyMs) is told to the other users of a shared line.
    virtual void NoteLinePass(std::int64_t /*ms*/) {}

    // The link is back, but not through this thread's own reconnection (another slave's
    // thread reopened the shared port): the unit is identified again before the next frame.
    void CheckUnitFirst(const TLinkLine& restored);

    // One request of the unit check on this thread's link: the reply as read (empty when
    // none came); false when the link failed.
    virtual bool Ask(const AnsiString& frame, int replyLength, AnsiString& reply) = 0;
    // The port or address the link goes to, as the protocol names it (user-interface thread).
    virtual AnsiString LinkName() const = 0;
    // A reply answers only with the request's bus address (several slaves on the line); a
    // unit on a line of its own is known by the line.
    virtual bool BusAddressed() const { return false; }
    // Writes a frame on a serial link and reads up to `wanted` bytes of the reply: the
    // count, or -1 when the link failed.
    int SerialRequest(comm::IByteLink& link, const AnsiString& frame, char* buffer, std::size_t wanted);
    bool SerialAsk(comm::IByteLink& link, const AnsiString& frame, int replyLength, AnsiString& reply);
    // The time this pass waited for its turn on the line (0 for a pass that did not need
    // it); the pause after the step is shorter by it, so a step that had to wait does not
    // slow the cycle down.
    virtual int TakeStepWaitMs() { return 0; }

private:
    // What answers on a link that came back.
    enum class TUnitCheck { Same, Other, NoAnswer, LinkDown };

    void RunStep();
    // Refills the queue and takes the next request when a cycle is asked for and no error
    // holds it back; true when there is one to send.
    bool PrepareRequest();
    // A fault holds the cycle back until the next tick, which may be a minute away; a
    // one-shot command does not wait for it: a few passes after the fault the cycle goes on,
    // so the command goes out as soon as the unit answers again. The fault is counted at
    // once (IChannelWindow::FaultPassed). True when the cycle goes on now.
    bool GoOnAfterFault();
    static constexpr int FaultRetryPasses = 3;
    // After a recording's start (CChannel::AskAgainUntilAnswered), until the unit has answered
    // every row: how long after a fault it is asked again (program clock), the pace of a
    // lost link's reconnection at most half an interval. A new start begins the count anew.
    int StartRetryMs() const;
    void FollowStart();
    // A reply of the current row came, or a fault: the rows answered since the last fault.
    void NoteRowAnswered();
    void NoteRowFault();
    // The request taken was not sent, or its exchange ended without a verdict: a fault.
    void EndUnsentRequest();
    // While the link is lost: an attempt when one is due; true when the link is back and
    // the same unit answers on it.
    bool RecoverLink();
    // Asks the unit on the link for its name and serial number (three tries each) and
    // compares them with what the identification found; another unit is reported.
    TUnitCheck CheckUnit();
    // The longest one row of the send queue may take, neighbours on the line included.
    int RowBoundMs() const;

    CChannel* owner_;
    mutable std::mutex queueMutex_;
    std::mutex refillHold_;  // taken before queueMutex_, never after it
    // Cleared on the user-interface thread when the thread is asked to stop: what it
    // handed over and what has not run yet is dropped then.
    std::shared_ptr<bool> handsAccepted_ = std::make_shared<bool>(true);
    std::atomic<bool> exceptionShown_{false};
    // What Hand gave the user-interface thread and has not run yet, oldest first.
    std::mutex handedMutex_;
    std::deque<std::function<void()>> handed_;
    bool runningHanded_ = false;
    std::atomic<bool> linkLost_{false};
    std::atomic<int> reconnectAttempts_{0};
    int delayStep_ = 0;  // which wait of comm::ReconnectDelayMs the next attempt follows
    std::int64_t nextReconnectMs_ = 0;
    // Whether the current exchange handed its reply or its failure to the channel.
    bool delivered_ = false;
    // The number the channel gave the exchange under way (CChannel::BeginExchange).
    std::uint64_t exchangeNumber_ = 0;
    // A request of the poll cycle is being sent (not a check of a reconnection).
    bool requestInProgress_ = false;
    // The link itself failed and must be reopened (not only the unit behind it checked).
    bool reopenNeeded_ = false;
    // The last check found another unit: its ticks are errors, but no link errors.
    bool otherUnitFound_ = false;
    TLinkLine restoredLine_;
    // The queue's first row holds a one-shot command frame (loaded by the last refill).
    bool oneShotQueued_ = false;
    // A standing command was given since the last refill, and the first row holds one that
    // has not gone out yet (unless the same frame went out as the last cycle's first).
    bool standingGiven_ = false;
    bool standingUnsent_ = false;
    AnsiString lastFirstRow_;
    // When the one-shot command went into the first row for its first cycle (program clock).
    std::int64_t oneShotLoadedMs_ = 0;
    // How often the one-shot command under way went out and how often the unit answered it,
    // and whether the current request is that command's frame.
    std::atomic<int> oneShotSent_{0};
    std::atomic<int> oneShotAnswered_{0};
    // The one-shot command's frame, and whether its end is still to be looked at (a loss
    // reports it itself).
    AnsiString oneShotFrame_;
    bool oneShotWatched_ = false;
    bool currentIsOneShot_ = false;
    // The pass at which the fault holding the cycle back was first seen; -1: none. And when,
    // on the program's clock.
    int faultSeenPass_ = -1;
    std::int64_t faultSeenMs_ = 0;
    // The recording's start last followed (see StartRetryMs), whether its unit has yet to
    // answer every row, whether it failed since, how often it was asked again, and the rows
    // answered since the last fault (bit n: row n).
    std::uint64_t startFollowed_ = 0;
    bool startUnanswered_ = false;
    bool startFailed_ = false;
    int startRetries_ = 0;
    std::uint32_t rowsAnswered_ = 0;
    // The cycle with the one-shot command in its first row runs without a tick's request.
    std::atomic<bool> commandCycle_{false};
    // A standing command given while a one-shot waited for its first cycle: it follows that
    // cycle.
    struct TPollFrames {
        AnsiString Base;
        int Length = 0, ReplyLength = 0;
        AnsiString FollowUp;
        int FollowUpLength = 0;
    };
    bool followingPending_ = false;
    TPollFrames following_;
    // A standing command given and not yet loaded into a cycle when the next frames were
    // set: if those turn out to be a one-shot's, the standing one follows the one-shot
    // instead of being lost (a program's frame for the tick, then a command the tick let go).
    bool displacedPending_ = false;
    TPollFrames displaced_;
    // With the queue lock held: the one-shot command is in the first row for its first
    // cycle; the status frame of the command table becomes the base command again; a
    // standing command given after a one-shot becomes the base command (false: none waits).
    void LoadOneShot();
    void RestoreStatus();
    bool TakeFollowing();
    // After a loss is reported: drops what was to go out and tells the channel's window.
    void DropCommandsOnLoss();
};

namespace comm {
// The wait before reconnection attempt `attempt` (0 first) to a lost unit: a few seconds
// at first, then doubling up to a minute. An attempt that found another unit answering
// does not count: the channel's own unit is taken back within a few seconds of its return.
int ReconnectDelayMs(int attempt);
}  // namespace comm

// The poll thread of an RS232 channel, over a serial link of its own.
class CTransceiverRS232 : public CTransceiver {
public:
    CTransceiverRS232(CChannel* owner, int channel, std::shared_ptr<comm::IByteLink> link);
    ~CTransceiverRS232() override;

    // The line settings a lost port is reopened with.
    comm::TSerialLinkSettings LinkSettings;
    // Called on the user-interface thread with the link of a reopened port.
    std::function<void(const std::shared_ptr<comm::IByteLink>&)> OnLinkReplaced;

protected:
    void Exchange() override;
    bool Reconnect() override;
    int LineBaud() const override { return LinkSettings.BaudRate; }
    bool Ask(const AnsiString& frame, int replyLength, AnsiString& reply) override;
    AnsiString LinkName() const override { return LinkSettings.PortName; }
    std::shared_ptr<comm::IByteLink> Handle;
};
