#pragma once
// The abstract device channel: one object per connected channel 1..10. Its virtual
// operations are the only way the windows, the control panel and the programmer talk to a
// temperature-control unit. The reply decoding writes into its value block, which the
// channel window reads on every recording tick.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "comm/ChannelServices.h"
#include "platform/AnsiString.h"
#include "platform/DateTime.h"

class CIdentification;
class CTransceiver;
class TfrmIdentification;
namespace comm {
class CCommThread;
}
class TThread;

constexpr int MaxChannels = 10;
constexpr int ValueCount = 22;

// Positions in CChannel::Values, in the order of the value block.
enum TValueIndex {
    vTIntern,
    vTExtern,
    vT0,
    vTC,
    vT1,
    vSollwert,
    vHeizung,
    vHT,
    vF,
    vI,
    vTU,
    vTX0,
    vTX1,
    vAIF,
    vV,
    vAIF_Out,
    vAIF_Out2,
    vAIF_Out3,
    vPoko,
    vECS,
    vDrehzahl,
    vDruck,
};

// Value series of the chart, in the chart's order.
enum TValueSeries {
    sTIntern,
    sTExtern,
    sSollwert,
    sHT,
    sTC,
    sT1,
    sT0,
    sV,
    sHeizung,
    sF,
    sI,
    sTU,
    sTX0,
    sTX1,
    sAIF,
    sAIF_Out,
    sAIF_Out2,
    sAIF_Out3,
    sPoko,
    sECS,
    sDrehzahl,
    sDruck,
};

class CChannel {
public:
    // The object is bound to its channel number for its whole life.
    explicit CChannel(int channel);
    virtual ~CChannel();
    CChannel(const CChannel&) = delete;
    CChannel& operator=(const CChannel&) = delete;

    // The operations, in their fixed order. Results of 1 mean success.
    virtual int ReadSettings() = 0;
    virtual int Open() = 0;
    // Acts on the poll thread of this object's own channel, deliberately not on the thread
    // of the main window's current channel: a channel closed while another window is active
    // stops its own thread and never a neighbour's.
    virtual void Close(int mode) = 0;
    virtual void ResumeIdentification();
    virtual int GetAddress() = 0;
    virtual void StartPolling(int channel);
    virtual double GetUpperLimit(int channel);
    virtual double GetLowerLimit(int channel);
    virtual void QueueCommand(char letter, const AnsiString& frame, int replyLength, int channel);
    virtual void ShowSeriesGroup(int group, int channel, bool showInLegend, bool active);
    virtual AnsiString GetDeviceName();
    virtual AnsiString GetDeviceNumber();
    virtual void OnReply(TThread* thread, const AnsiString& reply, int channel);
    virtual void IdentificationDone(int channel, int result);
    virtual void SetOneShot(int channel);
    // The one-shot command `frame` does not go out (any more) if its cycles have not all
    // begun; another one-shot stays. A standing command given after it stands in its place.
    void WithdrawOneShot(const AnsiString& frame);
    // The one-shot command handed to the poll thread of which nothing has gone out; empty:
    // none. DropUnsentOneShot takes it back (a channel that ends): it never goes.
    AnsiString UnsentOneShot() const;
    AnsiString DropUnsentOneShot();
    // The standing command given last goes in the next cycle even if that cycle was loaded
    // with an older one already (see CTransceiver::LoadStandingNow).
    void LoadStandingNow();
    virtual int SetPollCommands(const AnsiString& baseFrame, int baseLength, int baseReplyLength, int channel,
                                int followUpLength, const AnsiString& followUpFrame);
    // The channel has a poll thread that can take commands.
    virtual bool HasPollThread(int channel) const;
    // A one-shot command has not yet gone out in both its poll cycles.
    bool OneShotInProgress() const;
    // The poll thread has a cycle under way, or one is due.
    bool CycleUnderWayOrDue() const;
    // Keeps the poll thread from starting its next cycle while a command is handed over in
    // its two calls (SetPollCommands, then SetOneShot). Empty without a poll thread.
    std::unique_lock<std::mutex> HoldRefill();
    // The link to the unit is lost, or it is back but the unit has not been identified on
    // it again: no command may be given to the unit now.
    bool LinkLost() const;
    // Direct exchanges of the identification: 0 when the unit answered, 1 when not.
    virtual int Query(char letter, int channel, const AnsiString& frame, int frameLength, int replyLength,
                      TfrmIdentification* window, AnsiString& reply);
    virtual int QuerySub(const AnsiString& code, int channel, const AnsiString& frame, int frameLength, int replyLength,
                         TfrmIdentification* window, AnsiString& reply);
    virtual AnsiString GetPortName();
    virtual AnsiString GetTypeName();
    // Why no connection to the unit could be made, as one line for the identification's
    // failure report; empty when the channel has no such reason (the serial channels: the
    // report's check list says what to look at).
    virtual AnsiString ConnectionFailureText();

    int Channel() const { return channel_; }
    // True when the last reply handed to OnReply was a frame whose fields were decoded
    // (false for error lines and for replies dropped or found faulty).
    bool LastReplyDecoded() const { return lastReplyDecoded_; }
    // True once a status reply has told the unit's setpoint (the value of series 2).
    bool SetpointRead() const { return setpointRead_; }
    // The window this channel reads its settings from and reports to. Without one the
    // channel asks the application services for the window of its channel number.
    void SetWindow(IChannelWindow* window) { window_ = window; }
    IChannelWindow* Window() const;
    // True for device types whose 16-bit values are unsigned.
    bool IsUnsignedDevice() const;
    // The value that feeds value series 0..21 of the chart.
    double SeriesValue(int series) const;
    double* SeriesValuePointer(int series);
    // The value block position that feeds a value series.
    static int ValueIndexOfSeries(int series);
    // Value series whose active state and legend entry a command group sets; empty for
    // the groups that set none.
    static const std::vector<int>& SeriesOfGroup(int group);
    // "dd.mm.yyyy hh:nn:ss" + text, the form of the event protocol's error lines.
    static AnsiString ErrorLine(const AnsiString& text);

    // ---- whether the value block is current (all on the user-interface thread)
    // A fault of the poll cycle: sets the error flag and makes every value outdated until
    // each polled command has been answered again.
    void ReportFault();
    // The values are outdated without a fault of the link (another unit answers, or the
    // unit is checked again after another slave's thread reopened the shared port).
    void MarkValuesOutdated();
    // What the poll thread reports of the request under way (any thread): it has gone out
    // and its reply may take allowanceMs (its frames' time on the line and the transport's
    // read time-out), the reply's first bytes have come in, and (user-interface thread) the
    // exchange's outcome has been handed over.
    void RequestSent(int allowanceMs);
    void NoteReplyArrived() { replyIn_ = true; }
    void RequestEnded() { requestPending_ = false; }
    bool RequestPending() const { return requestPending_; }
    // True while a request that went out has waited longer than its reply may take without
    // an answer: it fails with the time-out, which the poll thread may not have reported yet.
    bool RequestOverdue() const;
    // The recording tick asks for a poll cycle; it comes every intervalMs (0: no interval).
    // A late tick asks for none when the poll thread has asked for one itself since the
    // tick before, recently enough (AskCycleIfTickIsLate).
    void RequestPollCycle(int intervalMs = 0);
    // Poll thread, at every pass of its loop while the link is up: while no tick asks for a
    // cycle for clearly longer than the interval (the user-interface thread is held), the
    // thread asks itself on the program's clock, so the values the first tick after the stall
    // takes are as recent as at any other tick. A tick that comes a little later takes that
    // cycle's values and asks for none of its own (see RequestPollCycle): the cycles stay one
    // per interval.
    // The pass is also noted, with the time the shared line has been taken by others so far
    // (`lineMs`, CTransceiver::LineHeldByOthersMs). `afterHold`: the pass comes after a hold
    // (HoldBeforeThisPass); the thread asks itself for a cycle at once.
    void AskCycleIfTickIsLate(bool afterHold = false, std::int64_t lineMs = 0);
    // Poll thread, before the pass is noted: passes further apart than HeldLimitMs, not
    // counting the time the thread waited while others had the shared line (`lineMs` now
    // against `lineMs` at the last pass), mean that the thread did not run (the whole process
    // was stopped, or the computer slept), and every value it fetched before is as old as
    // that hold. The hold, from the last pass on the program's clock, is handed over to
    // HoldPassed in order with the replies: after those fetched before it, before those of
    // the cycle asked for after it.
    // On a shared line a stop of the whole process is judged by its own length, the same in
    // every slave whose last pass came before it (CTransceiver::LongestLineStopMs): not by
    // where each thread stood in its pause or exchange when it began.
    struct THold {
        std::int64_t FromTicks = 0;
    };
    std::optional<THold> HoldBeforeThisPass(std::int64_t lineMs, const CTransceiver* poll) const;
    // The steady clock of the poll thread's last pass (0: none since it was last reset).
    std::int64_t PollPassMs() const { return pollPassMs_; }
    // User-interface thread: the values are outdated, and the window hears of the hold.
    void HoldPassed(const THold& hold);
    // The poll thread's replies and error lines received so far, decoded and logged now
    // (a tick takes every reply that came before it).
    void TakeReceivedReplies();
    // Set by TakeReceivedReplies: the poll thread has not passed for longer than
    // HeldLimitMs, so the process has just been let go on and the tick runs before the
    // thread: the values are those of before the hold, which began at HeldSinceTicks (the
    // program's clock at the thread's last pass).
    bool PollThreadHeld() const { return pollThreadHeld_; }
    std::int64_t HeldSinceTicks() const { return heldSinceTicks_; }
    // The longest two passes of the poll thread lie apart while the process runs, beside the
    // time others had the shared line: its own row (its pause, its exchange), and half an
    // interval, at most a second, for a thread run late on a busy machine. 0 until a tick has
    // given the interval and a row its bound. However many neighbours share the line, a stop
    // of the whole process over this limit is a hold for every channel.
    int HeldLimitMs() const;
    // Whether a poll thread that last passed at `passedMs`, with its line taken by others for
    // `othersMs` since, was held: its own time since or a stop of its whole line over
    // HeldLimitMs.
    bool HeldSincePass(std::int64_t passedMs, std::int64_t othersMs, const CTransceiver* poll) const;
    // The bound of the thread's own row alone (RowBoundMs without the neighbours' turns).
    void SetOwnRowBoundMs(int ms) { ownRowBoundMs_ = ms; }
    // The longest one row of the send queue may take while the unit and the line do what
    // the transport allows: the loop's pause, the frames on the line, the read time-out and
    // the neighbours' turns on a shared line. The poll thread keeps it up to date.
    void SetRowBoundMs(int ms) { rowBoundMs_ = ms; }
    int RowBoundMs() const { return rowBoundMs_; }
    // Poll thread: an exchange has ended (answered or not).
    void NoteProgress() { lastProgressMs_ = SteadyMs(); }
    // Faults and answers in the order they happened (any thread; a fault where the error
    // flag is raised, an answer where a sound reply or the unit's check after a reconnection
    // comes in): the unit has answered again when its last answer came after its last fault.
    void NoteFault();
    void NoteAnswer() { lastAnswerStamp_ = ++eventStamps_; }
    bool AnsweredSinceFault() const { return lastAnswerStamp_.load() > lastFaultStamp_.load(); }
    // When the first fault not yet taken happened (program clock; -1: none), and forgets it.
    std::int64_t TakeFirstFaultTicks() { return firstFaultTicks_.exchange(-1); }
    // True at a tick when the cycle asked for before it has made no progress for longer
    // than a row may take: the unit has not been read for longer than its transport allows,
    // though none of its exchanges failed (a neighbour holding a shared line, a stalled
    // thread). As every row is renewed within its bound while a cycle is wanted, a good
    // point's values are never older than the time between two ticks plus one row bound
    // for each row of the send queue.
    bool ValuesTooOld() const;
    // How old the oldest of the values the poll cycle renews is: the time (program clock) since
    // the reply of the polled command answered longest ago was decoded, the identification's
    // replies included. -1 while a polled command has not been answered at all.
    std::int64_t PolledValuesAgeMs() const;
    // The longest a good point's values may be old: the interval plus one row bound for each
    // row of the send queue (the interval alone until the poll thread has run).
    int ValuesBoundMs(int intervalMs) const;
    // The same for the unit's own exchanges alone: the interval plus one bound of its own row
    // for each row, without the neighbours' turns on a shared line (those are counted apart,
    // LineHeldByOthersMs). Over TCP, RS232 and RS485 alike.
    int OwnValuesBoundMs(int intervalMs) const;
    // How long other slaves have had the shared line the unit is on, in total so far
    // (comm::SteadyMs; 0 on a line of its own or without a poll thread).
    std::int64_t LineHeldByOthersMs() const;
    // One turn of that line: every other slave on it exchanging once as a silent one does
    // (0 on a line of its own or without a poll thread).
    int LineTurnMs() const;
    // ---- a recording's start
    // User-interface thread, as a recording starts: until the unit has answered every row of
    // the send queue after it, a fault does not hold the poll back until the next tick (a
    // minute away at a long interval). The poll thread asks the unit again at the pace it
    // retries a lost link, at most half an interval apart, and cycle after cycle until every
    // row has been answered: a unit silent at the start is read again soon after it answers,
    // and the first tick after that is good.
    void AskAgainUntilAnswered() { ++startsAsked_; }
    // How many starts asked for it (poll thread: a new one begins the count of answered rows
    // anew), and the interval the ticks ask for cycles at (0 before the first).
    std::uint64_t StartsAsked() const { return startsAsked_; }
    int TickIntervalMs() const { return tickIntervalMs_; }
    // ---- the setpoint the unit is being sent (user-interface thread)
    // A frame that sets the unit's setpoint was given: until the unit has answered it, or a
    // status reply that came after it went out tells the unit's setpoint, its value is the
    // setpoint known, not an older reply's.
    void ExpectSetpoint(const AnsiString& frame);
    // The frame given last does not go out any more (withdrawn) unless it is on its way
    // already: then its answer tells the unit's setpoint, else the replies do at once.
    void SetpointFrameWithdrawn();
    // The frame will never go (dropped, the link lost; empty: whatever was given): the
    // replies tell the unit's setpoint at once.
    void ForgetExpectedSetpoint(const AnsiString& frame = {});
    // The setpoint given and not yet told back by the unit, if any.
    std::optional<double> ExpectedSetpoint() const;
    // An exchange of the poll cycle ended, answered or not (handed over in order).
    void NoteExchangeEnded(const AnsiString& frame, bool answered);
    // ---- which exchanges came after a moment
    // Poll thread, as an exchange of the poll cycle begins (before its frame goes out): its
    // number. The numbers are counted for the whole program and only grow (a channel object
    // made anew goes on counting), so a reply to an exchange numbered above ExchangesBegun()
    // read at some moment was asked for after that moment.
    static std::uint64_t BeginExchange() { return ++exchangesBegun_; }
    static std::uint64_t ExchangesBegun() { return exchangesBegun_.load(); }
    // User-interface thread, handed over in order with the replies: the exchange of this
    // number ended, answered or not. While its reply is decoded, ReplyExchange names it.
    void NoteExchangeOutcome(std::uint64_t number, bool answered);
    std::uint64_t ReplyExchange() const { return replyExchange_; }
    // The last exchange that ended without an answer (0: none yet).
    std::uint64_t LastUnansweredExchange() const { return lastUnansweredExchange_; }
    // The setpoints the unit took: every frame that sets the setpoint and that the unit
    // answered counts, with its value and when its answer was taken in (program clock).
    struct TAnsweredSetpoints {
        std::uint64_t Count = 0;
        double Value = 0.0;
        std::int64_t AtMs = 0;
        TDateTime At = 0.0;
        std::int64_t LineMs = 0;  // LineHeldByOthersMs then
    };
    const TAnsweredSetpoints& AnsweredSetpoints() const { return answeredSetpoints_; }
    // Since when (program clock) the unit's exchanges have gone unanswered: the first of
    // them after the last one it answered; -1 while it answered its last one.
    std::int64_t UnansweredSinceMs() const { return unansweredSinceMs_; }
    // A frame "[Mnn" + "G0D" + method + "*" + four digits: it sets the unit's setpoint.
    static bool IsSetpointFrame(const AnsiString& frame);
    // The setpoint the unit has taken, as its replies tell it: none before a status reply
    // told it, nor while a setpoint frame that went out without an answer was not followed
    // by one (the unit may or may not have taken that frame).
    std::optional<double> SetpointTaken() const;

    // An error line of the poll thread for the event protocol.
    void LogErrorLine(const AnsiString& line);
    // The poll thread's clock, in milliseconds (comm::SteadyMs).
    static std::int64_t SteadyMs();
    // The command group (the rows of the command table: 0 G, 2..4 S1..S3, 5 C, 7 P, ...)
    // of a request frame or a reply: the letter at the fifth character and, for S, the
    // block digit at the eighth; -1 for anything else.
    static int CommandGroupOf(const AnsiString& frame);

    // ---- Who answers: the checks of a reconnection read replies without decoding them.
    // True for a reply frame "[S" with the command letter at position 5 and a matching
    // checksum.
    static bool IsSoundReply(const AnsiString& reply, char letter);
    // True for a reply frame "[S" long enough for a command letter whose checksum matches.
    static bool IsTrustedFrame(const AnsiString& reply);
    // True when the bytes read for a request (`length` of them wanted, the closing carriage
    // return included) can be one reply: exactly that many, the last the carriage return,
    // and none between the first and the last a '[' or a carriage return. Anything else,
    // shorter or longer, holds parts of two replies (a late or split one ran into this one)
    // or a cut one, whatever its checksum says: one spliced reply in 256 has a fitting one.
    static bool IsOneReply(std::string_view bytes, std::size_t length);
    // True when the reply carries the request frame's command (for S, its block digit too)
    // and, with `address` (a shared line), its address. Anything else that comes while a
    // request waits is not its answer: the late answer to an earlier request, or another
    // slave's on a shared line.
    static bool AnswersRequest(const AnsiString& reply, const AnsiString& frame, bool address);
    // The device name of a name reply (V), without the blanks after it; may be empty. The
    // unit sends 8-bit text: its bytes are read as UTF-8 when they are valid UTF-8, else as
    // Windows-1252, like a text file of the program's own formats.
    static AnsiString NameInReply(const AnsiString& reply);
    // The serial number of a number reply (F); false when the reply holds none.
    static bool SerialNumberInReply(const AnsiString& reply, std::uint32_t& number);
    // The device name as the unit's name reply gave it at the identification.
    const AnsiString& IdentifiedName() const { return identifiedName_; }
    // The poll thread found another unit where this channel's unit was (`where`: the port
    // or the address): the event protocol gets a line and the user a message naming both
    // units, once for as long as that unit answers there.
    void OtherUnitAnswers(const AnsiString& where, const AnsiString& name, const AnsiString& serial);
    // This channel's unit answered again after a reconnection (the passes of the poll thread
    // while it tried to reconnect are no measure of a hold).
    void SameUnitAnswers()
    {
        otherUnit_.clear();
        pollPassMs_ = 0;
    }

    AnsiString DeviceName;
    AnsiString DeviceNumber;
    // 1: the window asks for a poll cycle (each tick sets it); 0: none is wanted. When the
    // cycle's last frame goes out the poll thread marks the request as served
    // (PollRequestServed); the refill after that frame clears only a served request, so a
    // tick that lands in between gets a cycle of its own.
    std::atomic<std::uint8_t> PollRequest{1};
    static constexpr std::uint8_t PollRequestServed = 2;
    std::atomic<std::uint8_t> CommError{0};
    // Not 0: the poll thread cleared a fault itself to send a command (it does not wait for
    // the tick then). The window counts that fault at once (IChannelWindow::FaultPassed), or
    // the next tick does; the tick's point is an error only if its values are not all
    // renewed. The value says whether the unit had answered again when the thread went past
    // the fault: the command's own reply may come in before the window counts it.
    std::atomic<std::uint8_t> FaultUncounted{0};
    static constexpr std::uint8_t FaultPassedSilent = 1;
    static constexpr std::uint8_t FaultPassedAnswered = 2;
    // 1 from any fault until every polled command has been answered again: the cycle goes
    // on after the row that failed (and a restored link where the loss interrupted it), so
    // the rows ahead of it still hold older values, and the ticks mark their points as
    // errors instead of passing those values off as current.
    std::atomic<std::uint8_t> ValuesOutdated{0};
    double Values[ValueCount] = {};
    CIdentification* Identification = nullptr;

protected:
    // The poll thread entered for this channel's number, or null.
    CTransceiver* Transceiver() const;
    // One direct exchange of the identification on the channel's own line: the reply as
    // read (line ends kept), empty when nothing came. A channel without a line gets none.
    virtual AnsiString DirectExchange(const AnsiString& frame, int frameLength, int replyLength,
                                      TfrmIdentification* window);
    // True when a reply is an answer frame ("[S", at least to the command letter) of this
    // channel's unit.
    virtual bool IsAnswer(const AnsiString& reply) const;

    // The interface part of the caption that the name reply writes: the port name, with a
    // blank before the number of a COM-style name.
    virtual AnsiString InterfaceText();
    // Marks a reply that cannot be trusted: the error flag skips the rest of the cycle and
    // the next tick labels the point as an error.
    void SynchronisationError();

    // The identification thread of a connection attempt, created suspended (it starts with
    // ResumeIdentification) and published in Identification.
    std::unique_ptr<CIdentification> NewIdentification();
    // Stop and release a channel's threads: joined at once, or once they have ended when the
    // call comes from inside one of their own steps.
    void ReleaseIdentification(std::unique_ptr<CIdentification>& identification);
    void ReleasePollThread(std::unique_ptr<comm::CCommThread> poll);
    // Gives a new poll thread the channel's protocol, interval and bus address and enters
    // it in the table under the channel's number.
    void EnterPollThread(CTransceiver* poll, int pollInterval, int address);
    // Both of the above for the channel's identification and the given poll thread.
    void ReleaseThreads(std::unique_ptr<comm::CCommThread> poll);
    // The end of every successful Open: the window shows the sampling interval and the
    // identification is made ready (ResumeIdentification starts it). Returns 1.
    int OpenDone(int pollInterval);
    // A serial port that could not be opened: says so in a message box that names the
    // port, with the system's reason when there is one.
    static void ReportPortNotAccessible(const AnsiString& port, const AnsiString& reason);

    // The identification of the current connection attempt (see NewIdentification).
    std::unique_ptr<CIdentification> identification_;

private:
    // The setpoint a setpoint frame carries; none when its digits cannot be read.
    std::optional<double> SetpointInFrame(const AnsiString& frame) const;
    void DecodeReply(const AnsiString& reply);
    void DecodeName(const AnsiString& reply);

    int channel_;
    bool lastReplyDecoded_ = false;
    bool setpointRead_ = false;

    // Command groups the poll cycle asks for, and those answered since the last fault.
    unsigned polledGroups_ = 0;
    unsigned groupsAnswered_ = 0;
    // When each command group's reply was last decoded (program clock; -1: never).
    std::int64_t groupAnsweredAtMs_[16];
    // When the tick before the current one found the cycle it asked for still wanted, and
    // since when that cycle has been wanted (SteadyMs); the poll thread's last progress.
    bool workPending_ = false;
    std::int64_t wantedSinceMs_ = 0;
    // When a cycle was last asked for (program clock) and how often ticks ask.
    std::atomic<std::int64_t> askedAtMs_{0};
    std::atomic<int> tickIntervalMs_{0};
    std::atomic<std::uint64_t> startsAsked_{0};
    // When the poll thread last asked itself for a cycle, since the last tick (program
    // clock; -1: it did not), and the same moment on SteadyMs.
    std::atomic<std::int64_t> selfAskedAtMs_{-1};
    std::atomic<std::int64_t> selfAskedSteadyMs_{0};
    std::atomic<std::int64_t> lastProgressMs_{0};
    std::atomic<std::uint64_t> eventStamps_{0};
    std::atomic<std::uint64_t> lastFaultStamp_{0};
    std::atomic<std::uint64_t> lastAnswerStamp_{0};
    std::atomic<std::int64_t> firstFaultTicks_{-1};
    std::atomic<int> rowBoundMs_{0};
    std::atomic<int> ownRowBoundMs_{0};
    // The poll thread's last pass (SteadyMs; 0: none since the link came up), and that it
    // found its passes held apart since the last tick.
    std::atomic<std::int64_t> pollPassMs_{0};
    std::atomic<std::int64_t> pollPassTicks_{0};   // the same pass on the program's clock
    std::atomic<std::int64_t> pollPassLineMs_{0};  // the shared line's time taken by others then
    bool pollThreadHeld_ = false;
    std::int64_t heldSinceTicks_ = 0;
    std::atomic<bool> requestPending_{false};
    std::atomic<bool> replyIn_{false};
    std::atomic<std::int64_t> sentAtMs_{0};
    static inline std::atomic<std::uint64_t> exchangesBegun_{0};
    std::uint64_t replyExchange_ = 0;
    std::uint64_t lastUnansweredExchange_ = 0;
    std::atomic<int> allowanceMs_{0};
    // The setpoint frame given last and not yet told back (empty: none), and the number of
    // the exchange that took it out (0: none yet), counted as the exchanges end.
    AnsiString expectedFrame_;
    std::uint64_t expectedOut_ = 0;
    std::uint64_t exchangesEnded_ = 0;
    double expectedSetpoint_ = 0.0;
    TAnsweredSetpoints answeredSetpoints_;
    // A setpoint frame went out without an answer and no status reply has told the
    // unit's setpoint since.
    bool setpointUncertain_ = false;
    std::int64_t unansweredSinceMs_ = -1;  // program clock
    AnsiString identifiedName_;
    AnsiString otherUnit_;  // the other unit last reported, "name/serial"; empty: none
    IChannelWindow* window_ = nullptr;
};

// Reads `digits` hexadecimal digits at 1-based `position` of the reply as hundredths.
// Four-digit values above 32767 are negative unless the channel's device is of an unsigned
// type. Raises EConvertError when the field lies beyond the text or holds non-hex digits.
double HexToValue(const AnsiString& reply, int position, int channel, int digits);
double HexToValue(const AnsiString& reply, int position, bool unsignedDevice, int digits);
// The digits read as one unsigned hexadecimal number (up to 8 digits); EConvertError as above.
std::uint32_t HexToInt(const AnsiString& reply, int position, int channel, int digits);

// The 8-bit sum of the characters, as two upper-case hexadecimal digits.
AnsiString FrameChecksum(std::string_view text);

// Per-channel tables indexed by channel number 1..10; entry 0 is never used.
extern CChannel* ChannelObjects[MaxChannels + 1];
extern CTransceiver* TransceiverThreads[MaxChannels + 1];
