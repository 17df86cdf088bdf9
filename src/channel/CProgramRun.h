#pragma once
// A temperature program running on a channel, without widgets: the start request and the
// run's start on the first tick with enough recorded points, the programmer timer's tick
// with its fixed order of steps, the setpoint and output commands for the unit, holding,
// resuming, cancelling a segment, stopping, the end of a program with its end action, and
// the timed start. The channel window (TmdiSubWindow) owns one per programmer or TP Scout
// window and hears through OnRunEvent which of its controls follow; a test drives one on a
// session against the simulated unit.
//
// The run is the programmer's window (IProgrammerWindow): its planned setpoints are the
// session's series Programmgeber1, its protocol the session's programmer protocol.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "app/IChannelForm.h"
#include "app/IPanelChannelWindow.h"
#include "platform/AnsiString.h"
#include "platform/DateTime.h"
#include "programmer/IProgrammerWindow.h"
#include "resources/TextRows.h"

class CChannelSession;
class CProgrammer;
class TChartSeries;
class TTreeNode;
class TTreeNodes;

// What the run's start takes from the program controls.
struct TRunSettings {
    AnsiString StartTemperature = "20";  // the text of edStartTemperature
    int Repeat = 0;                      // cmbRepeat: 0 none, 1 endless
    int EndAction = 1;                   // cmbEndofProgram: 0 temperature control off, 1 continue
};

enum class TRunEvent {
    StartRequested,    // the program controls are locked for the run
    Started,           // the first tick of the run went by
    Ended,             // the program passed its last segment; its end frames follow
    Stopped,           // the user stopped it; the "no change" frames follow
    TidiedUp,          // the run is over (or its start was cancelled): the controls return
    Held,              // the segment is held (by the user or because the unit is off)
    Resumed,           // the held segment goes on
    CalendarDisarmed,  // a timed start found no tick in its window and was disarmed
};

class CProgramRun : public IProgrammerWindow {
public:
    // A timed start fires only on a tick within this many seconds after its moment.
    static constexpr int CalendarWindowSeconds = 300;
    static constexpr int PointsBeforeStart = 5;

    CProgramRun(CChannelSession& session, CProgrammer& programmer, TTreeNodes& tree);
    ~CProgramRun() override;
    CProgramRun(const CProgramRun&) = delete;
    CProgramRun& operator=(const CProgramRun&) = delete;

    CProgrammer& Programmer() { return FProgrammer; }
    CChannelSession& Session() { return FSession; }

    // The window's own fields this run reads and writes (the control panel and the main
    // window read and set them there): the timed start and the two program-state flags.
    // Until they are bound, the run keeps them itself.
    void BindCalendar(std::uint8_t& armed, AnsiString& programName, TDateTime& startTime, std::uint8_t& recordingActive,
                      TDateTime& armedAt);
    TCalendarStart Calendar() const;
    void SetCalendar(const TCalendarStart& calendar);
    void BindStateFlags(std::uint8_t* running, std::uint8_t* starting);

    // ---- the view's side; a handler that is not set does nothing
    std::function<void(TRunEvent)> OnRunEvent;
    // A timed start fires: the window starts its program as its start button does.
    std::function<void()> OnCalendarStart;
    // The profile's legend lines or temperature range changed.
    std::function<void()> OnProfileChanged;
    // The profile chart's area series (graProgrammerGraph's Series1); without one the
    // profile is kept only as legend lines and range.
    void SetProfileSeries(TChartSeries* series) { FProfile = series; }
    const std::vector<AnsiString>& ProfileLegend() const { return FProfileLegend; }
    double ProfileMinimum() const { return FProfileMinimum; }
    double ProfileMaximum() const { return FProfileMaximum; }

    // ---- commands (the window's buttons, its pop-up menu and the control panel's)
    // The start request of the selected node's program (a segment node stands for its
    // program; without a selection the first program), confirmed by the user first (not a
    // timed start). With enough recorded points the run begins at once and its first frame
    // goes to the unit now. True when the start is requested; otherwise the user was told
    // why or said no, and nothing changed.
    // `confirmed`: the user has already said yes to ConfirmStart for this program.
    bool RequestStart(TTreeNode* selected, const TRunSettings& settings, bool confirmed = false);
    // The start question for the program of this name, naming the channel; true for yes.
    bool ConfirmStart(const AnsiString& programName) const;
    // Asks, then stops the run (or cancels a start that has not begun yet). With a run's
    // serial (RunSerial, taken when a control offered the stop), only that run is stopped;
    // when it is over already, the user is told so, with `seenProgram`, its program's name.
    static constexpr std::uint32_t CurrentRun = ~0u;
    void RequestStop(std::uint32_t seenRun = CurrentRun, const AnsiString& seenProgram = {});
    // Counted up at every start request.
    std::uint32_t RunSerial() const { return FRunSerial; }
    // The name of the program of the run going on (from its start request); empty without one.
    AnsiString RunProgramName() const;
    // While a start waits for its recorded points: about how many seconds until it begins (one
    // tick per missing point); -1 otherwise.
    int SecondsUntilStart() const;
    // Asks, then holds the running segment or resumes the held one.
    void HoldOrResume();
    // After a yes to a resume or a cancel that did not say the unit's control is switched
    // on, the status the question went by may be an interval old: the run goes on, but its
    // method letter waits for a status reply of an exchange asked after the yes. True while
    // it waits.
    bool LetterWaitsForStatus() const { return FLetterWaits.has_value(); }
    // Holds without asking (the unit's temperature control went off).
    void HoldProgram();
    // Asks, then ends the running or held segment: the next ticks go on with the next one.
    // The ticks go on while the question is open: a segment that ended meanwhile is not
    // followed by a cancel of the next one.
    void CancelSegment();
    // What a stop, a hold or resume and a cancel would act on now; a control that offers
    // one is enabled only then.
    bool CanStop() const { return HasRun() && !StopRequested && !ProgramEnded && !ProgramFinished; }
    bool CanHold() const { return CanStop() && !StartPending; }
    bool CanCancel() const
    {
        return CanHold() && (ProgramRunning || SegmentHeld) && FCancelledSegment != FSegmentSerial;
    }
    // The run cannot go on (an error on its way, its commands refused by the channel): it
    // ends where it stands, so the unit keeps the setpoint it has, and the protocol and a
    // message say so with that setpoint. Without a run only the failure is told.
    // `named`: the text names the run's program (its lead then is that of a failed program)
    // and the box the channel.
    void Fail(resources::TextRow lead, const AnsiString& reason, bool named = false);
    // What the unit is left doing when the run is no longer driven (its window closes): the
    // setpoint it has taken as its replies tell it (or that this is not known), and that
    // its temperature control stays on when it is on.
    AnsiString UnitLeftText() const;
    // The channel window closes while the run goes on: the protocol says so, and what the
    // unit is left doing.
    void ChannelClosing();
    // That the armed timed start (program, time) is dropped with the window; empty when none
    // is armed.
    AnsiString CalendarDroppedText() const;
    // Something whose answer may drop the timed start is open: a start that comes due
    // meanwhile waits for the answer (the protocols say so once). Counted; each hold is
    // released once, after what the answer decided is done. At the last release a start that
    // came due behind it begins at the next tick, late and said so, when the answer came
    // within its window and left it armed as it was; otherwise it is dropped with a line.
    void HoldCalendar(TAutomaticStartHold why);
    void ReleaseCalendar();
    bool CalendarHeld() const { return FCalendarHolds > 0; }

    // ---- the programmer timer
    // One tick, in this order: tidy up a finished run; the programmer's run step; the
    // remaining steps; the recording (UpdateRunningData); a requested start; a reached
    // setpoint; the frames for the unit; the setpoint-reached test. A call while one runs
    // is ignored.
    void Tick();
    // The programmer view's recording tick: the timed start, the points of the session's
    // tick, the planned curve's point while no ramp is planned, the segment's label.
    void UpdateRunningData();

    // ---- parts of the tick, also used by the window
    int StartProgram();
    // The frames for the unit: standing ones, handed over before the tick's poll cycle;
    // atOnce, they go in poll cycles of their own now (a resume, a cancel, a start).
    void SendProgramFrames(int remainingSteps, bool atOnce = false);
    // The unit's status poll; also what a held or stopped run sends: nothing changes.
    static constexpr const char* NoChangeCommand = "G0D******";
    static constexpr const char* NoOutputChangeCommand = "C14*************";
    void CheckSetpointReached();
    // Deletes the planned points beyond the last recorded time, so the running segment's
    // planned time is over.
    void TruncatePlannedCurve();
    // The range of setpoints the channel's unit can be sent; any unit's when unconnected.
    double MinimumSetpoint() const;
    double MaximumSetpoint() const;
    bool SetpointSendable(double value) const;

    // True from the start request until the run is tidied up.
    bool HasRun() const { return StartedProgram != nullptr; }
    // The program has ended or was stopped; the run only waits for the tick that tidies it up.
    bool RunOver() const
    {
        return HasRun() && !StartPending && !ProgramRunning && (ProgramFinished || ProgramEnded || StopRequested);
    }
    // A run that is over is tidied up now instead of on the next tick, after the end frames
    // still due have gone out. False when a run remains (one that runs, is held or starts).
    bool TidyUpRunOver();

    // ---- run state, named as the window's members
    TTreeNode* StartedProgram = nullptr;
    TTreeNode* FirstSegment = nullptr;
    int RunningSlot = 0;
    int RemainingSteps = 0;
    // The steps the held segment still had when it was held.
    int HeldRemainingSteps = 0;
    double StartTemperature = 20.0;
    double SegmentSetpoint = 0.0;
    double ProgramSetpoint = 0.0;
    AnsiString SegmentName;
    TRunSettings Settings;
    std::uint8_t ProgramRunning = 0, StartRequested = 0, StartPending = 0, SegmentActive = 0, MethodLetterNeeded = 0,
                 MethodLetterForced = 0, LimitWarned = 0, SegmentHeld = 0, HeldByUnitOff = 0, StopRequested = 0,
                 StoppedByUser = 0, ProgramEnded = 0, ProgramFinished = 0, EndActionContinue = 0,
                 SetpointReachedFlag = 0, RampPlotted = 0;
    // The unit's setpoint limits are asked for on the tick after the run's start, so the
    // first setpoint frame goes out before the query takes a poll cycle.
    std::uint8_t LimitsQueryDue = 0;

    // ---- IProgrammerWindow
    int PlannedSetpointCount() const override;
    TDateTime PlannedSetpointLastX() const override;
    double PlannedSetpointY(int index) const override;
    void AddPlannedSetpoint(TDateTime x, double y) override;
    TDateTime RecordedSetpointLastX() const override;
    void ClearProfile() override;
    void AddProfilePoint(double x, double y, TColor colour) override;
    int ProfileCount() const override;
    double ProfileLastX() const override;
    void SetProfilePointColour(int index, TColor colour) override;
    void SetProfileTemperatureRange(double minimum, double maximum) override;
    void ClearProfileLegend() override;
    void AddProfileLegendLine(const AnsiString& line) override;
    void AddProtocolLine(const AnsiString& line) override;
    void SetCurrentSegmentName(const AnsiString& name) override { SegmentName = name; }
    void SetRampPlotted() override { RampPlotted = 1; }
    void SetSegmentActive() override
    {
        SegmentActive = 1;
        ++FSegmentSerial;
        SegmentBegins();
    }
    bool IsProgramRunning() const override { return ProgramRunning != 0; }
    // Not while the steps are reported missing, the link is lost, or the unit answered
    // none of the run's last setpoint frames.
    bool StepsReachUnit() const override;
    void FinishProgram() override;

private:
    void Event(TRunEvent event);
    // The setpoint a failed run leaves the unit with (its frame handed over last still goes).
    AnsiString SetpointLeftText() const;
    // The run begins now: the programmer's first segment, its first frame at once.
    void BeginRun();
    // The frames of the running step, now.
    void SendAtOnce();
    // The steps still to run in the segment, measured now.
    void UpdateRemainingSteps();
    // A tick's step handed to the unit: when steps of the segment went by unsent before it,
    // the protocol names the jump.
    void NoteSkippedSteps(double setpoint, TDateTime x);
    // The running segment's time is over by the clock, but no tick picked its last step.
    bool LastStepSkipped() const;
    // The frames for the unit with this step of the plan, planned for `x`.
    void SendPlanStep(double setpoint, TDateTime x, bool atOnce);
    // The steps of the running segment's plan after the last recorded point: the time the
    // segment still has.
    int StepsStillPlanned() const;
    // The run's frames still on their way are withdrawn; "no change" stands.
    void WithdrawFrames();
    // A question about this run, naming the channel and its label.
    AnsiString Question(resources::TextRow row) const;
    // A message box outside a tick; inside one a notice that does not hold the tick up.
    void Message(const AnsiString& text, const AnsiString& caption);
    void ProgramLine(const AnsiString& what);
    void Hold();
    // The unit's last status says its temperature control is off (circulation alone or off).
    bool UnitControlOff() const;
    // The same, or this program has given the unit a control-off command since the count
    // `offMark` (CChannelSession::ControlOffCount).
    bool ControlOffFor(std::uint64_t offMark) const;
    // "Temperature control on device is off! ...", naming the program and the channel.
    AnsiString ControlOffHeldText() const;
    // Holds the running program because the unit's control is off, and says so once.
    void HoldForControlOff();
    // The question of a resume or a cancel; with `controlOff` it says that the run going on
    // switches the unit's control on; a cancel of the segment that ends the program says
    // what its end does.
    AnsiString GoOnQuestion(resources::TextRow row, bool controlOff) const;
    // A cancel now ends the program: its segment is the last and the program does not repeat.
    bool CancelEndsProgram() const;
    // After a yes to a held run going on: false (the run stays held, the user is told) when
    // the unit's control is off now (or a control-off went to it since `offMark`) and the
    // question did not say so.
    bool GoOnAllowed(bool offTold, std::uint64_t offMark);
    // Both protocols say that the run going on switches the unit's control on, when it is off.
    void NoteSwitchOn(std::uint64_t offMark);
    // The letter waits from now on for a status newer than this moment, with no
    // control-off given to the unit since `offMark`.
    void LetterWaitFrom(std::uint64_t offMark);
    // A status reply came in while the letter waits: with the control on, the step goes again
    // at once with the letter; with it off, the run is held and the user told.
    void StatusForLetter();
    // While the letter waits: once no reply can come soon (the link is lost, an exchange
    // asked after the yes went unanswered), both protocols say so, once.
    void NoteLetterWaits();
    // The resume or the cancel itself. `told`: the question said that the control is
    // switched on; otherwise the method letter goes only with the unit's control on.
    void CarryOutResume(bool told, std::uint64_t offMark);
    void CarryOutCancel(bool told, std::uint64_t offMark);
    // The held segment goes on with the rest of its plan, later by the time held (without
    // its rest: it is over at the next tick).
    void Resume(bool withRest);
    // Ends the run as a stop does (a start that has not begun is undone); with `withdraw`
    // the run's frames still on their way are withdrawn at once.
    void EndWhereItStands(bool withdraw);
    // The tick's steps; Tick runs them under the guard that fails the run on an error.
    void TickSteps();
    void TidyUp();
    // Neither held nor stopped nor ended: the state before a run and when it starts.
    void ClearEndState();
    // A start that never reached the unit is undone.
    void UndoStart();
    // The start's window passed: dropped, with why (the unit did not answer in it, the clock
    // was set past it, or no tick came in it), naming the channel and the program.
    enum class TCalendarDrop { UnitSilent, ClockSetForward, NoTick, AnsweredLate };
    void DisarmCalendar(TCalendarDrop why);
    // The last moment a timed start may begin.
    TDateTime CalendarWindowEnd() const;
    void CalendarStep(TDateTime now);
    // The unit answers: its link is up and every value it is polled for is as recent as a
    // good point's values may be.
    bool UnitAnswers();
    // Whether the run's steps reach the unit, looked at before each tick's step: they do not
    // while the link is lost, or while the unit has taken none of them for longer than a good
    // point's values may be old. The programmer protocol, the event protocol and a box say
    // so once, and again when the unit takes a step, naming it.
    void WatchSteps();
    // A tick that comes much later than its interval after the one before: meanwhile no
    // tick ran (the whole program stood still, or the computer slept) and no step could go.
    void NoteTickGap();
    // How much of the time since `since` (program clock) no tick ran.
    std::int64_t StoodStillMsSince(std::int64_t since) const;
    void StepsMissing(bool linkLost);
    // "The last step the unit took was ..." (of this run), or that it took none.
    AnsiString LastStepText() const;
    // A segment began (its line is written): whether it was said to be executed, and how
    // many setpoints the unit had taken then.
    void SegmentBegins();
    // An end action that switched the unit's control off went out without an answer: once
    // the unit answers again with its control on, the user is told. An end told to go to a
    // unit that did not take the run's steps: once it answers again, where it stands is told.
    void EndActionCheck();
    // The program passed its last segment: its end action, and what the user is told when
    // the unit did not take the run's last steps.
    void EndOfPlan(bool atOnce);
    // The unit's replies show that it holds the run's last step, and nothing of the run is
    // still on its way.
    bool LastStepAtUnit() const;
    // The end of the plan reached while the run's steps do not reach the unit: both
    // protocols and a box say so, with the setpoint the unit took last.
    void EndNotReaching(resources::TextRow row);
    // A line for both protocols: the programmer's and the event protocol.
    void ProtocolsLine(const AnsiString& text);
    void UpdateStateFlags();
    TChartSeries* Planned() const;
    TChartSeries* Recorded() const;
    double ChannelValue(int series) const;
    bool UnsignedUnit() const;

    CChannelSession& FSession;
    CProgrammer& FProgrammer;
    TTreeNodes& FTree;
    struct TCalendarFields {
        std::uint8_t* Armed;
        AnsiString* ProgramName;
        TDateTime* StartTime;
        std::uint8_t* RecordingActive;
        TDateTime* ArmedAt;
    };
    TCalendarStart FOwnCalendar;
    TCalendarFields FCalendar{&FOwnCalendar.Armed, &FOwnCalendar.ProgramName, &FOwnCalendar.StartTime,
                              &FOwnCalendar.RecordingActive, &FOwnCalendar.ArmedAt};
    // Where both clocks stood at the last calendar step: a start whose window passed between
    // two steps is told apart as a clock set forward or as ticks that did not come.
    TDateTime FCalendarStepWall = 0.0;
    std::int64_t FCalendarStepTicks = -1;
    std::uint8_t FOwnRunning = 0, FOwnStarting = 0;
    std::uint8_t* FRunningFlag = &FOwnRunning;
    std::uint8_t* FStartingFlag = &FOwnStarting;
    TChartSeries* FProfile = nullptr;
    std::vector<AnsiString> FProfileLegend;
    double FProfileMinimum = 0.0, FProfileMaximum = 0.0;
    // True while the warning about a setpoint outside the unit's limits is open: an endless
    // program that crosses a limit on every repeat would otherwise stack one box per cycle.
    std::shared_ptr<bool> FLimitNoticeOpen = std::make_shared<bool>(false);
    int FRampPlottedTicks = 0;
    // The segment's name waits for a good point of the setpoint curve.
    bool FSegmentLabelPending = false;
    // A timed start fires: the start asks no question.
    bool FTimedStart = false;
    int FTickDepth = 0;
    // Counted up at every start request and every segment that begins, so a question that
    // was open while the ticks went on acts only on the run and segment it was asked for.
    std::uint32_t FRunSerial = 0, FSegmentSerial = 0;
    // The segment a cancel ended; its advance follows at the next tick(s).
    std::uint32_t FCancelledSegment = ~0u;
    // The setpoint the last frame of this run handed to the unit, once one was.
    double FLastSentSetpoint = 0.0;
    bool FSetpointSent = false;
    // The pair of that frame: a run that ends by itself leaves the unit there.
    AnsiString FLastCommand, FLastOutputs;
    // The step of the plan the unit was handed last (the one it holds while the run is
    // held), its planned time and the segment it belongs to.
    double FPlanValue = 0.0;
    TDateTime FPlanX = 0.0;
    std::uint32_t FPlanSegment = ~0u;
    // The planned time of the step the last tick picked (sent or not) and its segment.
    TDateTime FDueX = 0.0;
    std::uint32_t FDueSegment = ~0u;
    // A hold keeps that step and the steps planned after it; the resume lays them out
    // again from the step's time on, later by the time held.
    std::vector<double> FHeldPlan;
    TDateTime FHeldPlanX = 0.0;
    TDateTime FHeldSince = 0.0;
    // The time the run was held in all, and the whole intervals its plan was moved later
    // for it: every resume moves it by what the total, not that hold alone, adds.
    double FHeldSeconds = 0.0;
    std::int64_t FShiftedSteps = 0;
    // How long after the run's start its first step's tick comes (less than an interval):
    // the time held within it needs no move of the plan.
    std::int64_t FStartLagMs = 0;
    // The run's steps do not reach the unit (reported). Since when the run sends them (its
    // start, its resume), how many setpoints the unit had taken before the run, and when
    // the steps were found missing; the step the unit took last before that, if any.
    bool FStepsMissing = false;
    std::int64_t FSendingSinceMs = 0;
    std::int64_t FSendingSinceLineMs = 0;  // CChannel::LineHeldByOthersMs then
    std::uint64_t FTakenBeforeRun = 0, FTakenWhenMissing = 0;
    std::optional<double> FStepBeforeMissing;
    // The unit's status replies when the steps were found missing: the first one after it
    // tells what the unit held before a step reached it again.
    std::uint64_t FStatusRepliesWhenMissing = 0;
    // When the last tick ran (program clock, -1: none yet), and the spans in which no tick
    // ran since the run's steps were last known to reach the unit (from, to).
    std::int64_t FLastTickMs = -1;
    std::vector<std::pair<std::int64_t, std::int64_t>> FStoodStill;
    // The segment running now was said to be executed when it began, at that time, with the
    // unit's count of setpoints taken then.
    bool FSegmentSaidExecuted = false;
    TDateTime FSegmentBeganAt = 0.0;
    std::uint64_t FTakenAtSegment = 0;
    // When the run's last step was handed over (program clock, -1: none since a start or a
    // resume), and the longest time no step went out since the last jump was named.
    std::int64_t FStepHandedMs = -1;
    std::int64_t FPauseMs = 0;
    // The end of a run, watched until the unit is seen to have taken its end action: the
    // program's name; the unanswered commands' count when the end's frames were handed over;
    // whether the end action switches the control off; whether the end was told to go to a
    // unit that did not take the run's steps (its return is then told whatever it finds);
    // whether the end action went unanswered (or could not go), and the status replies'
    // count after which a reply tells what the unit does since; whether the end's frames are
    // out; and the ticks since they went.
    struct TEndCheck {
        AnsiString Program;
        std::uint64_t Mark = 0;
        bool SwitchesOff = false;
        bool Told = false;
        bool Unanswered = false;
        std::uint64_t StatusMark = 0;
        bool Out = false;
        int TicksOut = 0;
    };
    std::optional<TEndCheck> FEndCheck;
    // The start moment of a timed start that waits for its unit (reported once).
    std::optional<TDateTime> FCalendarWaitingFor;
    // The holds of the timed start open now, and what held it last.
    int FCalendarHolds = 0;
    TAutomaticStartHold FCalendarHoldReason = TAutomaticStartHold::Question;
    // A timed start that came due while it was held (told once): its moment and program, as
    // the answer may disarm it or set it anew.
    struct THeldStart {
        TDateTime StartTime = 0.0;
        AnsiString ProgramName;
    };
    std::optional<THeldStart> FCalendarDueWhileHeld;
    // The start moment of a held start whose answer came within its window: it begins at the
    // next tick even when that falls just beyond the window.
    std::optional<TDateTime> FCalendarAnswered;
    // The reason phrase of the hold, for the protocol lines.
    AnsiString CalendarHoldText() const;
    // The run went on after a yes whose question did not name a switch-on (or a running
    // segment was cancelled): no method letter goes, and no hold follows from a status,
    // until a status reply of an exchange numbered above `Exchange` has come in.
    struct TLetterWait {
        std::uint64_t Exchange, OffMark;
        bool Said = false;  // that no status came is in the protocols
    };
    std::optional<TLetterWait> FLetterWaits;
    // Lets a status reply handed over after this run has gone find that out.
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};
