// The window's side of a program run: commands, the programmer timer's tick and the
// programmer view's recording step.
#include "channel/CProgramRun.h"

#include <algorithm>
#include <cmath>

#include "channel/CChannelSession.h"
#include "channel/ChannelTexts.h"
#include "chart/engine/TChartSeries.h"
#include "comm/CChannel.h"
#include "comm/CTolvarProtocol.h"
#include "platform/Dialogs.h"
#include "platform/Round.h"
#include "platform/ScopedValue.h"
#include "platform/TTreeNode.h"
#include "platform/UiDispatcher.h"
#include "platform/UiThread.h"
#include "programmer/CProgrammer.h"

using namespace resources;

namespace {

double RoundTo2(double value)
{
    return double(Round64(value * 100.0)) / 100.0;
}

AnsiString StampOf(TDateTime t)
{
    return DateToStr(t) + " " + TimeToStr(t);
}

AnsiString Stamp()
{
    return StampOf(Now());
}

}  // namespace

CProgramRun::CProgramRun(CChannelSession& session, CProgrammer& programmer, TTreeNodes& tree)
    : FSession(session), FProgrammer(programmer), FTree(tree)
{
    NOX_ASSERT_UI_THREAD();
    FProgrammer.AttachWindow(this);
    // A method letter that waits for the unit's status goes (or the run is held) as soon as
    // one comes in, after the poll thread's handed step (a box may open).
    FSession.OnStatusReply = [this, alive = std::weak_ptr<bool>(FAlive)] {
        if (alive.expired() || !FLetterWaits) return;
        platform::UiDispatcher::Instance().Post([this, alive] {
            if (!alive.expired()) StatusForLetter();
        });
    };
}

CProgramRun::~CProgramRun()
{
    if (FProgrammer.Window() == this) FProgrammer.AttachWindow(nullptr);
}

void CProgramRun::BindCalendar(std::uint8_t& armed, AnsiString& programName, TDateTime& startTime,
                               std::uint8_t& recordingActive, TDateTime& armedAt)
{
    NOX_ASSERT_UI_THREAD();
    FCalendar = {&armed, &programName, &startTime, &recordingActive, &armedAt};
}

TCalendarStart CProgramRun::Calendar() const
{
    NOX_ASSERT_UI_THREAD();
    return {*FCalendar.Armed, *FCalendar.ProgramName, *FCalendar.StartTime, *FCalendar.RecordingActive,
            *FCalendar.ArmedAt};
}

void CProgramRun::SetCalendar(const TCalendarStart& calendar)
{
    NOX_ASSERT_UI_THREAD();
    *FCalendar.Armed = calendar.Armed;
    *FCalendar.ProgramName = calendar.ProgramName;
    *FCalendar.StartTime = calendar.StartTime;
    *FCalendar.RecordingActive = calendar.RecordingActive;
    *FCalendar.ArmedAt = calendar.ArmedAt;
}

void CProgramRun::BindStateFlags(std::uint8_t* running, std::uint8_t* starting)
{
    NOX_ASSERT_UI_THREAD();
    FRunningFlag = running ? running : &FOwnRunning;
    FStartingFlag = starting ? starting : &FOwnStarting;
    UpdateStateFlags();
}

void CProgramRun::UpdateStateFlags()
{
    // For the main window and the control panel a program "runs" from its start request
    // until the run is tidied up, also while it is held.
    *FRunningFlag = HasRun() ? 1 : 0;
    *FStartingFlag = StartRequested || StartPending ? 1 : 0;
}

void CProgramRun::Event(TRunEvent event)
{
    UpdateStateFlags();
    if (OnRunEvent) OnRunEvent(event);
}

void CProgramRun::Message(const AnsiString& text, const AnsiString& caption)
{
    if (FTickDepth > 0)
        FSession.Notice(text, caption);
    else
        platform::dialogs().MessageBox(text, caption, MB_OK | MB_ICONWARNING);
}

void CProgramRun::ProgramLine(const AnsiString& what)
{
    AddProtocolLine(Stamp() + ChannelText(RowTheProgram) + RunProgramName() + what);
}

TChartSeries* CProgramRun::Planned() const
{
    return FSession.Series(SeriesProgrammer);
}

TChartSeries* CProgramRun::Recorded() const
{
    return FSession.Series(2);
}

double CProgramRun::ChannelValue(int series) const
{
    const CChannel* channel = FSession.ChannelObject();
    return channel ? channel->SeriesValue(series) : 0.0;
}

bool CProgramRun::UnsignedUnit() const
{
    const CChannel* channel = FSession.ChannelObject();
    return channel && channel->IsUnsignedDevice();
}

double CProgramRun::MinimumSetpoint() const
{
    NOX_ASSERT_UI_THREAD();
    return FSession.IsConnected() ? CTolvarProtocol::SetpointRange(UnsignedUnit()).Minimum
                                  : CTolvarProtocol::AnySetpointRange().Minimum;
}

double CProgramRun::MaximumSetpoint() const
{
    NOX_ASSERT_UI_THREAD();
    return FSession.IsConnected() ? CTolvarProtocol::SetpointRange(UnsignedUnit()).Maximum
                                  : CTolvarProtocol::AnySetpointRange().Maximum;
}

bool CProgramRun::SetpointSendable(double value) const
{
    NOX_ASSERT_UI_THREAD();
    return CTolvarProtocol::TSetpointRange{MinimumSetpoint(), MaximumSetpoint()}.Contains(value);
}

// ---------------------------------------------------------------- commands

bool CProgramRun::ConfirmStart(const AnsiString& programName) const
{
    AnsiString question = ChannelText(RowAskStartProgram);
    if (const auto dollar = question.find('$'); dollar != AnsiString::npos) question.replace(dollar, 1, programName);
    return ChannelAskYesNo(question + "\n\n" + FSession.ChannelName());
}

bool CProgramRun::RequestStart(TTreeNode* selected, const TRunSettings& settings, bool confirmed)
{
    NOX_ASSERT_UI_THREAD();
    const AnsiString caption = ChannelText(RowWarning);
    if (FTree.Count() == 0 || StartPending) {
        Message(ChannelText(RowLoadAProgram), caption);
        return false;
    }
    if (StartedProgram || ProgramRunning) {
        Message(ChannelText(RowProgramAlreadyStarted), caption);
        return false;
    }
    TTreeNode* node = selected && FTree.Contains(selected) ? selected : FTree.GetFirstNode();
    if (node && node->Parent()) node = node->Parent();
    if (!node || !FSession.IsConnected()) {
        ProgramFinished = 0;
        return false;
    }
    const int slot = CProgrammer::GetProgramIndex(node);
    const CTemperatureProgram* head =
        FProgrammer.GetProgramNode(slot) == node ? FProgrammer.GetProgramHead(slot) : nullptr;
    if (node->Count() == 0 || !head || !head->next) {
        Message(ChannelText(RowNoSegments), caption);
        return false;
    }
    // A start temperature that is no number refuses the start: the run never begins from
    // a temperature nobody entered.
    double start = 0.0;
    if (!TryStrToFloat(Trim(settings.StartTemperature), start)) {
        Message(ChannelText(RowInputMaskError), caption);
        return false;
    }
    start = RoundTo2(start);
    // Every setpoint must be one the unit can be sent (the program may have been written
    // for another unit).
    bool sendable = SetpointSendable(start);
    for (const CTemperatureProgram* s = head->next; s && sendable; s = s->next)
        sendable = SetpointSendable(s->setpoint);
    if (!sendable) {
        Message(ChannelText(RowValueOutOfBounds), caption);
        return false;
    }
    // A start switches the unit's control on and drives it: the user confirms it, naming
    // the program and the unit, as switching control on is confirmed. A click meant for a
    // "stop" that a tick had just turned into "start" ends here. A timed start was
    // confirmed when it was armed.
    if (!FTimedStart && !confirmed) {
        if (!ConfirmStart(FProgrammer.GetProgramName(slot))) return false;
        // The ticks went on while the question was open.
        if (HasRun() || ProgramRunning || StartPending || !FTree.Contains(node) || !FSession.IsConnected() ||
            FProgrammer.GetProgramNode(slot) != node || !FProgrammer.GetProgramHead(slot) ||
            !FProgrammer.GetProgramHead(slot)->next)
            return false;
    }

    ++FRunSerial;
    FSetpointSent = false;
    // A new run: what became of the last one's end action is no longer watched.
    FEndCheck.reset();
    StartedProgram = node;
    Settings = settings;
    StartTemperature = start;
    ProgramFinished = 0;
    FProgrammer.SetRampActive(1);
    StartRequested = 1;
    StartPending = 1;
    Event(TRunEvent::StartRequested);
    FSession.SetSetpointLimits(-999.9, 999.9);
    // A timed start says so, with the moment it was set for and when it was armed; the event
    // protocol, which the data file keeps, says it too, since nobody may have watched it.
    if (FTimedStart) {
        const AnsiString what =
            ChannelText(RowTheProgram) + RunProgramName() +
            ChannelText(RowWasStartedAutomatically, {StampOf(*FCalendar.StartTime), StampOf(*FCalendar.ArmedAt)});
        AddProtocolLine(Stamp() + what);
        FSession.AddMemoLine(TSessionMemo::SerialData, CChannel::ErrorLine(what));
    } else {
        ProgramLine(ChannelText(RowWasStarted));
    }
    // With enough recorded points the run begins now and its first frame goes at once;
    // otherwise the protocol says that it waits. Inside a tick (a timed start) the tick
    // begins it.
    if (FTickDepth == 0) {
        if (Recorded() && Recorded()->Count() >= PointsBeforeStart)
            BeginRun();
        else
            AddProtocolLine(Stamp() + " " + ChannelText(RowProgramWaitsForPoints));
    }
    return true;
}

void CProgramRun::BeginRun()
{
    // The run's steps are watched from here: the unit has taken none of them yet. A start
    // while the link is lost says so before its first segment is named.
    FSendingSinceMs = platform::clock().MilliTicks();
    const CChannel* channel = FSession.ChannelObject();
    FSendingSinceLineMs = channel ? channel->LineHeldByOthersMs() : 0;
    FTakenBeforeRun = channel ? channel->AnsweredSetpoints().Count : 0;
    FStepsMissing = false;
    if (channel && channel->LinkLost()) StepsMissing(true);
    RemainingSteps = StartProgram();
    // The first step goes now, and again at the tick its planned time falls on: the plan's
    // steps, segment changes and end come that much after the start. A start on a tick's
    // own moment counts as begun on that tick, as a start inside a tick is: no lag.
    if (ProgramRunning) {
        const std::int64_t intervalMs = std::int64_t(std::max(1, FSession.SamplingInterval())) * 1000;
        const TDateTime firstStep = PlannedSetpointLastX() - double(RemainingSteps) * intervalMs / MSecsPerDay;
        FStartLagMs =
            std::clamp<std::int64_t>(Round64((firstStep - FSession.RecordedTimeNow()) * MSecsPerDay), 0, intervalMs);
        if (FStartLagMs >= intervalMs) FStartLagMs = 0;
    }
    LimitsQueryDue = ProgramRunning;
    if (ProgramRunning) SendProgramFrames(RemainingSteps, true);
}

AnsiString CProgramRun::Question(TextRow row) const
{
    return ChannelText(row) + "\n\n" + FSession.ChannelName();
}

void CProgramRun::UpdateRemainingSteps()
{
    if (RecordedSetpointLastX() != 0.0)
        RemainingSteps =
            CProgrammer::ElapsedSteps(PlannedSetpointLastX(), RecordedSetpointLastX(), FSession.SamplingInterval());
}

void CProgramRun::SendAtOnce()
{
    UpdateRemainingSteps();
    SendProgramFrames(RemainingSteps, true);
}

void CProgramRun::NoteSkippedSteps(double setpoint, TDateTime x)
{
    // The plan goes by the clock: after a time in which no tick ran (the process was
    // stopped, the computer slept) or none reached the unit, the step due now follows the
    // last one the unit got at once, however far apart they are.
    // The time named is the one that passed without a step going out, by the clock; only a
    // step that came more than half an interval late was a pause: the plan's own steps may
    // be a tick's phase apart without any.
    const int interval = std::max(1, FSession.SamplingInterval());
    const std::int64_t skipped = Round64((x - FPlanX) * SecsPerDay) - interval;
    const bool paused = 2 * (FPauseMs - std::int64_t(interval) * 1000) > std::int64_t(interval) * 1000;
    if (FPlanSegment != FSegmentSerial || 2 * skipped <= interval || std::abs(setpoint - FPlanValue) < 0.005 ||
        !paused) {
        return;
    }
    AddProtocolLine(Stamp() + " " +
                    ChannelText(RowSetpointJumps,
                                {FProgrammer.GetCurrentSegmentName(), IntToStr(Round64(double(FPauseMs) / 1000.0)),
                                 FormatFloat("0.00", FPlanValue), FormatFloat("0.00", setpoint)}));
    FPauseMs = 0;
}

bool CProgramRun::LastStepSkipped() const
{
    const TDateTime planned = PlannedSetpointLastX();
    if (FProgrammer.GetRampActive() != 1 || FDueSegment != FSegmentSerial ||
        Round64((planned - RecordedSetpointLastX()) * SecsPerDay) > 0)
        return false;
    return FDueX < planned - 0.5 * std::max(1, FSession.SamplingInterval()) / SecsPerDay;
}

int CProgramRun::StepsStillPlanned() const
{
    // Measured now, not taken from the last tick: a hold before the run's first tick, or one
    // right after a resume, has the whole plan still ahead of it.
    const TDateTime planned = PlannedSetpointLastX(), recorded = RecordedSetpointLastX();
    if (recorded == 0.0 || planned <= recorded) return 0;
    const std::int64_t steps = Round64((planned - recorded) * SecsPerDay / std::max(1, FSession.SamplingInterval()));
    return int(std::clamp<std::int64_t>(steps, 0, 0x7fffffff));
}

AnsiString CProgramRun::RunProgramName() const
{
    NOX_ASSERT_UI_THREAD();
    const int slot = StartedProgram ? CProgrammer::GetProgramIndex(StartedProgram) : -1;
    return slot >= 0 ? FProgrammer.GetProgramName(slot) : AnsiString();
}

int CProgramRun::SecondsUntilStart() const
{
    NOX_ASSERT_UI_THREAD();
    if (!HasRun() || !StartPending) return -1;
    const int recorded = Recorded() ? Recorded()->Count() : 0;
    return std::max(0, PointsBeforeStart - recorded) * FSession.SamplingInterval();
}

void CProgramRun::RequestStop(std::uint32_t seenRun, const AnsiString& seenProgram)
{
    NOX_ASSERT_UI_THREAD();
    // A run that has ended by itself has nothing left to stop: its end action stands. A
    // control that offered the stop of another run stops nothing. A control that offered
    // the stop of a run that is over since says so: the user learns why nothing happens.
    if (seenRun != CurrentRun && (seenRun != FRunSerial || !CanStop())) {
        AnsiString text = ChannelText(RowProgramAlreadyEnded);
        if (const auto dollar = text.find('$'); dollar != AnsiString::npos) text.replace(dollar, 1, seenProgram);
        Message(text + "\n\n" + FSession.ChannelName(), ChannelText(RowNotice));
        return;
    }
    if (!CanStop()) return;
    const std::uint32_t run = FRunSerial;
    if (!ChannelAskYesNo(Question(RowAskStopProgram))) return;
    if (!CanStop() || run != FRunSerial) return;
    ProgramLine(ChannelText(RowCancelledByUser));
    // A stop clears the channel's timed start.
    SetCalendar({0, "none", Now(), 1});
    FSession.SetRecordingSuspended(false);
    EndWhereItStands(true);
    // The "no change" frames stand now in place of the run's: the stop is done, and the run
    // is let go at once, not a tick or two later (its controls offer a start).
    if (HasRun()) {
        ProgramFinished = 1;
        TidyUp();
    }
}

void CProgramRun::EndWhereItStands(bool withdraw)
{
    if (StartPending) {
        // The run has not begun: nothing went to the unit, the start is simply undone.
        UndoStart();
        return;
    }
    ProgramRunning = 0;
    ProgramEnded = 1;
    StoppedByUser = 1;
    StopRequested = 1;
    // The limits query of the run's first tick is not asked for a run that is stopped.
    LimitsQueryDue = 0;
    // A stop ends a held run too: the hold is over with it.
    SegmentHeld = 0;
    HeldByUnitOff = 0;
    FProgrammer.SetRampActive(0);
    // Nothing computed for the run before reaches the unit: it keeps the setpoint it has.
    if (withdraw) WithdrawFrames();
    Event(TRunEvent::Stopped);
}

void CProgramRun::WithdrawFrames()
{
    FSession.WithdrawProgramCommands(NoChangeCommand, NoOutputChangeCommand);
}

void CProgramRun::HoldOrResume()
{
    NOX_ASSERT_UI_THREAD();
    if (!CanHold()) return;
    // What the answer does is decided by what the user saw when asked: a run that the
    // unit held meanwhile is not resumed by a "hold".
    const bool held = SegmentHeld != 0;
    const std::uint64_t offMark = FSession.StatusOffMark();
    const bool offTold = held && ControlOffFor(offMark);
    const std::uint32_t run = FRunSerial;
    if (!ChannelAskYesNo(held ? GoOnQuestion(RowAskResumeSegment, offTold) : Question(RowAskHoldSegment), offTold))
        return;
    if (!CanHold() || run != FRunSerial || (SegmentHeld != 0) != held) return;
    if (!SegmentHeld) {
        Hold();
        return;
    }
    if (!GoOnAllowed(offTold, offMark)) return;
    if (!offTold) LetterWaitFrom(offMark);
    CarryOutResume(offTold, offMark);
}

void CProgramRun::CarryOutResume(bool told, std::uint64_t offMark)
{
    Resume(FCancelledSegment != FSegmentSerial);
    if (!told) {
        // The method letter goes with the unit's control on, never to switch it on.
        MethodLetterNeeded = 0;
        MethodLetterForced = 1;
    }
    if (told) NoteSwitchOn(offMark);
    // What the plan holds for this moment reaches the unit now; the step after it
    // follows at its own tick.
    UpdateRemainingSteps();
    if (ProgramRunning) SendPlanStep(FPlanValue, FPlanX, true);
}

bool CProgramRun::UnitControlOff() const
{
    const AnsiString status = FSession.ControlStatus();
    return status == "O" || status == "C";
}

bool CProgramRun::ControlOffFor(std::uint64_t offMark) const
{
    return UnitControlOff() || FSession.ControlOffSince(offMark);
}

AnsiString CProgramRun::ControlOffHeldText() const
{
    return ChannelText(RowControlOffProgramHeld) + "\n\n" +
           ChannelText(RowProgramOnChannel, {RunProgramName(), FSession.ChannelName()});
}

void CProgramRun::HoldForControlOff()
{
    FLetterWaits.reset();
    HeldByUnitOff = 1;
    ProgramRunning = 0;
    HoldProgram();
    Message(ControlOffHeldText(), ChannelText(RowWarning));
}

bool CProgramRun::CancelEndsProgram() const
{
    return FProgrammer.GetRepeat() == 0 && FProgrammer.CurrentIsLastSegment(RunningSlot);
}

AnsiString CProgramRun::GoOnQuestion(TextRow row, bool controlOff) const
{
    // A held run that goes on sends the segment's control method with its step: a unit whose
    // control is off is switched on by it, which the user is told before saying yes. A
    // cancel that ends the program says what the end does at the unit.
    AnsiString text = ChannelText(row);
    if (controlOff)
        text += "\n\n" + ChannelText(UnitControlOff() ? RowAskGoOnSwitchesControlOn : RowAskGoOnControlSwitchedOffHere);
    if (row == RowAskCancelSegment && CancelEndsProgram())
        text +=
            "\n\n" + ChannelText(EndActionContinue ? RowAskCancelLastSegmentEndsKeep : RowAskCancelLastSegmentEndsOff);
    return text + "\n\n" + FSession.ChannelName();
}

bool CProgramRun::GoOnAllowed(bool offTold, std::uint64_t offMark)
{
    // The unit's control went off while the question was open: the user said yes to a run
    // going on, not to its control being switched on. The run stays held.
    if (offTold || !ControlOffFor(offMark)) return true;
    HeldByUnitOff = 1;
    Message(ControlOffHeldText(), ChannelText(RowWarning));
    return false;
}

void CProgramRun::NoteSwitchOn(std::uint64_t offMark)
{
    if (ProgramRunning && ControlOffFor(offMark))
        ProtocolsLine(ChannelText(RowGoOnSwitchesControlOn, {RunProgramName()}));
}

void CProgramRun::LetterWaitFrom(std::uint64_t offMark)
{
    const CChannel* channel = FSession.ChannelObject();
    FLetterWaits = TLetterWait{channel ? channel->ExchangesBegun() : 0, offMark};
}

void CProgramRun::StatusForLetter()
{
    NOX_ASSERT_UI_THREAD();
    if (!FLetterWaits || !ProgramRunning || FSession.StatusExchange() <= FLetterWaits->Exchange) return;
    const bool off = ControlOffFor(FLetterWaits->OffMark);
    FLetterWaits.reset();
    if (off) {
        HoldForControlOff();
        return;
    }
    // On: the step the unit has goes again, with the method letter, now.
    if (MethodLetterForced) SendPlanStep(FPlanValue, FPlanX, true);
}

void CProgramRun::NoteLetterWaits()
{
    const CChannel* channel = FSession.ChannelObject();
    if (!FLetterWaits || FLetterWaits->Said || !channel) return;
    if (!channel->LinkLost() && channel->LastUnansweredExchange() <= FLetterWaits->Exchange) return;
    FLetterWaits->Said = true;
    ProtocolsLine(ChannelText(RowGoOnStatusUnknown, {RunProgramName()}));
}

void CProgramRun::HoldProgram()
{
    NOX_ASSERT_UI_THREAD();
    if (!CanHold() || SegmentHeld) return;
    Hold();
}

void CProgramRun::Hold()
{
    // The segment keeps the time it still had.
    HeldRemainingSteps = StepsStillPlanned();
    // The plan from the step the unit was handed last on (a step handed over at once before
    // its tick, as at the start, included): the resume lays it out again. A segment that
    // waits for its setpoint has nothing planned ahead.
    FHeldPlan.assign(1, FPlanValue);
    FHeldPlanX = FPlanX;
    if (const TChartSeries* planned = Planned(); planned && FProgrammer.GetRampActive() == 1) {
        const TDateTime after = FPlanX + 0.5 * std::max(1, FSession.SamplingInterval()) / SecsPerDay;
        for (int i = 0; i < planned->Count(); ++i)
            if (planned->GetxValue(i) > after) FHeldPlan.push_back(planned->GetyValue(i));
    }
    FHeldSince = Now();
    FLetterWaits.reset();
    SegmentHeld = 1;
    FProgrammer.SetRampActive(0);
    ProgramRunning = 0;
    TruncatePlannedCurve();
    // The unit stays where it is: no step computed before the hold follows.
    WithdrawFrames();
    Event(TRunEvent::Held);
}

void CProgramRun::Resume(bool withRest)
{
    SegmentHeld = 0;
    HeldByUnitOff = 0;
    FProgrammer.SetRampActive(1);
    ProgramRunning = 1;
    MethodLetterNeeded = 1;
    FSendingSinceMs = platform::clock().MilliTicks();
    if (const CChannel* channel = FSession.ChannelObject()) FSendingSinceLineMs = channel->LineHeldByOthersMs();
    RunningSlot = CProgrammer::GetProgramIndex(StartedProgram);
    // The rest of the segment keeps its steps, later by the time the run was held, in whole
    // intervals: the total decides, so short holds add up instead of each being lost or
    // each counting a whole interval. The ticks already come after the start by the run's
    // lag: the plan moves by the fewest whole intervals that, with the lag, cover the total,
    // so a step (and a segment's end) comes at or after its time plus the holds, never before
    // it, and less than an interval later. Neither the unit's read-back setpoint (a poll behind
    // what it was sent) nor a step the plan holds for later is taken as where it stands.
    const int interval = std::max(1, FSession.SamplingInterval());
    const double step = interval / SecsPerDay;
    FHeldSeconds += std::max(0.0, (Now() - FHeldSince) * SecsPerDay);
    const std::int64_t uncovered = Round64(FHeldSeconds * 1000.0) - FStartLagMs;
    const std::int64_t intervalMs = std::int64_t(interval) * 1000;
    const std::int64_t shifted =
        std::max<std::int64_t>(FShiftedSteps, uncovered > 0 ? (uncovered + intervalMs - 1) / intervalMs : 0);
    const TDateTime anchor = FHeldPlanX + double(shifted - FShiftedSteps) * step;
    FShiftedSteps = shifted;
    const int last = withRest ? int(FHeldPlan.size()) - 1 : 0;
    // The step of the moved plan for a time: before its first step, the step the unit was
    // held on; after its last, the last.
    auto position = [&](TDateTime x) { return int(std::clamp<std::int64_t>(Round64((x - anchor) / step), 0, last)); };
    // The last tick's step is what the plan holds now; the ticks to come get theirs.
    const TDateTime recorded = RecordedSetpointLastX() != 0.0 ? RecordedSetpointLastX() : anchor;
    const int due = position(recorded);
    FPlanValue = FHeldPlan[std::size_t(due)];
    FPlanX = anchor + due * step;
    // The step due now is picked; with nothing left after it the segment is over.
    FDueX = FPlanX;
    FDueSegment = FSegmentSerial;
    if (withRest) {
        const std::int64_t points = Round64((anchor + last * step - recorded) / step);
        for (std::int64_t q = 1; q <= points; ++q) {
            const TDateTime x = recorded + double(q) * step;
            AddPlannedSetpoint(x, FHeldPlan[std::size_t(position(x))]);
        }
        if (points <= 0) FDueX = std::max(FDueX, PlannedSetpointLastX());
    }
    SetRampPlotted();
    Event(TRunEvent::Resumed);
}

void CProgramRun::CancelSegment()
{
    NOX_ASSERT_UI_THREAD();
    if (!CanCancel()) return;
    const std::uint32_t run = FRunSerial, segment = FSegmentSerial;
    const std::uint64_t offMark = FSession.StatusOffMark();
    // A cancel that ends the program sends no method letter: it switches nothing on.
    const bool ends = CancelEndsProgram();
    const bool offTold = SegmentHeld && !ends && ControlOffFor(offMark);
    if (!ChannelAskYesNo(GoOnQuestion(RowAskCancelSegment, offTold), offTold)) return;
    // The segment asked about may have ended by itself while the question was open: the
    // one running now is not the one the user meant to cancel.
    if (!CanCancel() || run != FRunSerial || segment != FSegmentSerial) return;
    if (SegmentHeld && !ends && !GoOnAllowed(offTold, offMark)) return;
    // The next segment's method letter goes only with a status newer than the yes.
    if (!ends && !offTold) LetterWaitFrom(offMark);
    CarryOutCancel(offTold, offMark);
}

void CProgramRun::CarryOutCancel(bool told, std::uint64_t offMark)
{
    const std::uint32_t segment = FSegmentSerial;
    FCancelledSegment = segment;
    AddProtocolLine(Stamp() + " " + ChannelText(RowSegmentCancelled, {FProgrammer.GetCurrentSegmentName()}));
    // A held segment is cancelled too: the run goes on with the next one.
    const bool wasHeld = SegmentHeld != 0;
    if (SegmentHeld) {
        Resume(false);
        if (!told) {
            MethodLetterNeeded = 0;
            MethodLetterForced = 1;
        }
    }
    // The segment's planned time is over now; a temperature-stable segment stops waiting
    // (a time-stable one has no wait to end: the next segment's own wait stands).
    TruncatePlannedCurve();
    if (FProgrammer.GetHoldFlag() != 0) {
        FProgrammer.SetHoldFlag(0);
        SetpointReachedFlag = 0;
        SegmentActive = 0;
    }
    // The run goes on with the next segment (or ends) now, as the next tick would, and
    // the unit gets its setpoint at once.
    if (ProgramRunning && RecordedSetpointLastX() != 0.0)
        FProgrammer.RunStep(FSession.SamplingInterval(), RunningSlot, PlannedSetpointLastX(), RecordedSetpointLastX());
    if (wasHeld && told) NoteSwitchOn(offMark);
    SendAtOnce();
}

void CProgramRun::FinishProgram()
{
    NOX_ASSERT_UI_THREAD();
    ProgramRunning = 0;
    ProgramEnded = 1;
    // The plan is over; whether the unit followed it is another matter.
    if (StartedProgram)
        ProgramLine(!StepsReachUnit() ? ChannelText(RowPlanEndedNotReaching) + " " + LastStepText()
                                      : ChannelText(RowWasStopped));
    Event(TRunEvent::Ended);
}

void CProgramRun::UndoStart()
{
    StartRequested = 0;
    StartPending = 0;
    TidyUp();
}

bool CProgramRun::TidyUpRunOver()
{
    NOX_ASSERT_UI_THREAD();
    if (!HasRun()) return true;
    if (!RunOver()) return false;
    // The end action or the "no change" frames of a stop go out as the tick would send them.
    if (!ProgramFinished) SendProgramFrames(0);
    if (HasRun()) TidyUp();
    return true;
}

void CProgramRun::ClearEndState()
{
    FLetterWaits.reset();
    SegmentHeld = 0;
    HeldByUnitOff = 0;
    StopRequested = 0;
    StoppedByUser = 0;
    ProgramEnded = 0;
}

void CProgramRun::TidyUp()
{
    FProgrammer.SetRampActive(0);
    ProgramRunning = 0;
    LimitsQueryDue = 0;
    StartedProgram = nullptr;
    FStepsMissing = false;
    ClearEndState();
    ProgramFinished = 0;
    TruncatePlannedCurve();
    Event(TRunEvent::TidiedUp);
}

void CProgramRun::TruncatePlannedCurve()
{
    NOX_ASSERT_UI_THREAD();
    // By time, not by index: the planned and the recorded curve need not hold one point
    // per tick each (a new part, a tick the recording skipped).
    TChartSeries* planned = Planned();
    const TChartSeries* recorded = Recorded();
    if (!planned || planned->Count() == 0) return;
    if (!recorded || recorded->Count() == 0) {
        planned->Clear();
        return;
    }
    const TDateTime last = recorded->GetxValue(recorded->Count() - 1);
    int keep = planned->Count();
    while (keep > 0 && planned->GetxValue(keep - 1) > last) --keep;
    if (keep < planned->Count()) planned->Delete(keep, planned->Count() - keep);
}

// ---------------------------------------------------------------- the programmer timer

void CProgramRun::Tick()
{
    NOX_ASSERT_UI_THREAD();
    if (FTickDepth > 0) return;
    ++FTickDepth;
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{FTickDepth};

    // An error half-way through a tick must not leave a run that goes on unseen with a
    // segment half begun: the run ends where it stands (a start that waits is undone) and
    // says so. An error with no run going is the recording's and goes to the handler's
    // guard as before.
    const bool running = CanStop();
    try {
        TickSteps();
    } catch (const std::exception& e) {
        if (!running) throw;
        Fail(RowProgramFailed, e.what());
    } catch (...) {
        if (!running) throw;
        Fail(RowProgramFailed, ChannelText(RowUnknownError));
    }
    UpdateStateFlags();
}

void CProgramRun::TickSteps()
{
    const int interval = FSession.SamplingInterval();
    // 1. A run that sent its last frames is tidied up.
    if (ProgramFinished) TidyUp();
    EndActionCheck();
    // Whether the unit takes the run's steps, before the step names a segment.
    NoteTickGap();
    WatchSteps();
    // 2. The programmer's step, and 3. the steps still to run in the segment (frozen while
    // it is held); both measure the plan against the recording, so they wait for a
    // recorded point.
    if (RecordedSetpointLastX() != 0.0) {
        // A tick that came late (the user-interface thread was held for more than half an
        // interval) may find the segment's time over before any tick picked its last step,
        // the target: this tick picks it, and the segment ends at the next one.
        if (ProgramRunning && !LastStepSkipped())
            FProgrammer.RunStep(interval, RunningSlot, PlannedSetpointLastX(), RecordedSetpointLastX());
        RemainingSteps = CProgrammer::ElapsedSteps(PlannedSetpointLastX(), RecordedSetpointLastX(), interval);
    }
    // 4. The unit's setpoint limits, asked once after a start: the one-shot query goes
    // first, the standing frames take over after it.
    if (LimitsQueryDue) {
        LimitsQueryDue = 0;
        FSession.RequestSetpointLimits();
    }
    // The frames for the unit, before the recording asks for this tick's poll cycle: the
    // cycle carries this tick's setpoint, not the one of the tick before.
    SendProgramFrames(RemainingSteps);
    // 5. The recording.
    UpdateRunningData();
    // 6. A requested start begins once the recorded setpoint has enough points; its first
    // frame goes at once.
    if (StartRequested && Recorded() && Recorded()->Count() >= PointsBeforeStart) BeginRun();
    // 7. A reached setpoint ends the segment's wait.
    if (SetpointReachedFlag) {
        FProgrammer.SetHoldFlag(0);
        SetpointReachedFlag = 0;
        SegmentActive = 0;
    }
    // 8. A temperature-stable segment whose time is over waits for its setpoint.
    if (FProgrammer.GetRampActive() == 0 && ProgramRunning && SegmentActive) CheckSetpointReached();
}

AnsiString CProgramRun::SetpointLeftText() const
{
    const bool sent = HasRun() && FSetpointSent;
    // The steps handed over last may never go (the link is lost) or went unanswered: the
    // setpoint named is the one the unit took, and nothing of the run follows it.
    if (sent && !StepsReachUnit()) return LastStepText() + " " + ChannelText(RowNothingMoreSent);
    AnsiString state = ChannelText(sent ? RowUnitKeepsSentSetpoint : RowUnitSetpointUnchanged);
    if (const auto dollar = state.find('$'); dollar != AnsiString::npos)
        state.replace(dollar, 1, FormatFloat("0.00", sent ? FLastSentSetpoint : ChannelValue(2)));
    return state;
}

AnsiString CProgramRun::UnitLeftText() const
{
    NOX_ASSERT_UI_THREAD();
    // What the unit took, as its replies tell it: a frame handed over may not have gone
    // out, and the control panel's commands go past the run.
    AnsiString text;
    if (const std::optional<double> taken = FSession.SetpointTaken()) {
        text = ChannelText(HasRun() && FSetpointSent ? RowUnitKeepsSentSetpoint : RowUnitSetpointUnchanged);
        if (const auto dollar = text.find('$'); dollar != AnsiString::npos)
            text.replace(dollar, 1, FormatFloat("0.00", *taken));
    } else {
        text = ChannelText(RowUnitSetpointNotKnown);
    }
    const AnsiString status = FSession.ControlStatus();
    if (status == "E" || status == "I") text += " " + ChannelText(RowControlStaysOn);
    return text;
}

void CProgramRun::ChannelClosing()
{
    NOX_ASSERT_UI_THREAD();
    if (FCalendarDueWhileHeld && *FCalendar.Armed && *FCalendar.StartTime == FCalendarDueWhileHeld->StartTime) {
        // It came due while the question was open, and the yes closes the window.
        ProtocolsLine(ChannelText(RowCalendarDroppedWithWindow,
                                  {FSession.ChannelName(), ExtractFileName(FCalendarDueWhileHeld->ProgramName),
                                   StampOf(FCalendarDueWhileHeld->StartTime)}));
        FCalendarDueWhileHeld.reset();
    } else if (const AnsiString dropped = CalendarDroppedText(); !dropped.empty()) {
        ProtocolsLine(dropped);
    }
    if (!HasRun()) return;
    ProtocolsLine(ChannelText(RowChannelClosedDuringRun, {RunProgramName()}) + " " + UnitLeftText());
}

bool CProgramRun::StepsReachUnit() const
{
    NOX_ASSERT_UI_THREAD();
    if (FStepsMissing) return false;
    const CChannel* channel = FSession.ChannelObject();
    if (!channel) return true;
    // Not reported yet (it may be a single fault), but the unit answered none of the run's
    // last setpoint frames: a segment that begins now is not called executed.
    return !channel->LinkLost() && (!FSetpointSent || channel->SetpointTaken().has_value());
}

void CProgramRun::SegmentBegins()
{
    const CChannel* channel = FSession.ChannelObject();
    FSegmentSaidExecuted = StepsReachUnit();
    FSegmentBeganAt = Now();
    FTakenAtSegment = channel ? channel->AnsweredSetpoints().Count : 0;
}

void CProgramRun::EndActionCheck()
{
    if (!FEndCheck) return;
    CChannel* channel = FSession.ChannelObject();
    if (!FSession.IsConnected() || !channel || HasRun()) {
        FEndCheck.reset();
        return;
    }
    TEndCheck& check = *FEndCheck;
    if (check.SwitchesOff && !check.Unanswered) {
        for (const AnsiString& frame : FSession.UnansweredCommandsSince(check.Mark)) {
            if (frame.find("G0DO") == AnsiString::npos) continue;
            check.Unanswered = true;
            check.StatusMark = FSession.StatusReplyCount();
        }
    }
    const bool out = !channel->OneShotInProgress() && !FSession.HasWaitingProgramCommands();
    if (!check.Unanswered && !check.Told) {
        // Answered (the unit took it; a unit switched on since at its panel stays on), once
        // it is out and its fate has had time to come in.
        if (out && ++check.TicksOut > 2) FEndCheck.reset();
        return;
    }
    // What the unit does now only a status reply after the end's frames tells.
    if (!out) return;
    if (!check.Out) {
        check.Out = true;
        if (!check.Unanswered) check.StatusMark = FSession.StatusReplyCount();
    }
    if (FSession.StatusReplyCount() <= check.StatusMark || !UnitAnswers()) return;
    const TEndCheck done = check;
    FEndCheck.reset();
    TextRow row = RowEndReturnControlOn;
    if (UnitControlOff()) {
        // Switched off as the end action wanted: told only when the end was told to go into
        // the silence.
        if (!done.Told) return;
        row = RowEndReturnControlOff;
    } else if (done.SwitchesOff) {
        row = RowEndActionNotCarriedOut;
    }
    const AnsiString text =
        ChannelText(row, {FSession.ChannelName(), done.Program, FormatFloat("0.00", ChannelValue(2))});
    ProtocolsLine(text);
    Message(text, ChannelText(RowWarning));
}

void CProgramRun::ProtocolsLine(const AnsiString& text)
{
    // Beside the run's own lines, and in the event protocol, which the data file always keeps.
    AddProtocolLine(Stamp() + " " + text);
    FSession.AddMemoLine(TSessionMemo::SerialData, CChannel::ErrorLine(" " + text));
}

bool CProgramRun::UnitAnswers()
{
    CChannel* channel = FSession.ChannelObject();
    if (!FSession.IsConnected() || !channel || channel->LinkLost()) return false;
    auto answers = [&] {
        const std::int64_t age = channel->PolledValuesAgeMs();
        return age >= 0 && age <= channel->ValuesBoundMs(FSession.SamplingInterval() * 1000);
    };
    // Replies the window has not come round to yet (it was busy) count: the tick would take them.
    if (answers()) return true;
    channel->TakeReceivedReplies();
    return answers();
}

AnsiString CProgramRun::LastStepText() const
{
    const CChannel* channel = FSession.ChannelObject();
    if (!channel || channel->AnsweredSetpoints().Count <= FTakenBeforeRun) return ChannelText(RowNoStepTaken);
    const CChannel::TAnsweredSetpoints& taken = channel->AnsweredSetpoints();
    return ChannelText(RowLastStepTaken, {FormatFloat("0.00", taken.Value), TimeToStr(taken.At)});
}

void CProgramRun::NoteTickGap()
{
    const std::int64_t now = platform::clock().MilliTicks();
    const std::int64_t intervalMs = std::int64_t(std::max(1, FSession.SamplingInterval())) * 1000;
    // A timer runs a little late now and then: half an interval, at most a second.
    if (FLastTickMs >= 0 && now - FLastTickMs > intervalMs + std::min<std::int64_t>(intervalMs / 2, 1000))
        FStoodStill.emplace_back(FLastTickMs + intervalMs, now);
    FLastTickMs = now;
    if (!HasRun()) FStoodStill.clear();
}

std::int64_t CProgramRun::StoodStillMsSince(std::int64_t since) const
{
    std::int64_t ms = 0;
    for (const auto& [from, to] : FStoodStill) ms += std::max<std::int64_t>(0, to - std::max(from, since));
    return ms;
}

void CProgramRun::WatchSteps()
{
    CChannel* channel = FSession.ChannelObject();
    if (!channel || !HasRun() || (!FStepsMissing && !ProgramRunning)) return;
    const CChannel::TAnsweredSetpoints& taken = channel->AnsweredSetpoints();
    // The unit's own exchanges renew a good point's values within this: a step not taken
    // within it is missed, not merely on its way behind a slow cycle or a single time-out.
    // Only a run that sends its steps misses them (not one held, waiting to begin or ended),
    // and only while ticks run: a time in which the whole program stood still sent nothing
    // and is no silence of the unit.
    // On a shared line the time other slaves had it meanwhile is the time the unit waited for
    // its turn, which is not held against it while it answers. Once its own exchanges go
    // unanswered, every neighbour may be as silent as it is (a cut cable): then the line is
    // counted for one turn at most, so that the run is told as fast as over TCP plus that
    // turn, whatever the line's size.
    auto missing = [&](bool assumeSilent) {
        if (FStepsMissing) return taken.Count == FTakenWhenMissing || channel->LinkLost();
        if (channel->LinkLost()) return true;
        const bool sinceSending = FSendingSinceMs >= taken.AtMs;
        const std::int64_t since = sinceSending ? FSendingSinceMs : taken.AtMs;
        std::int64_t waited = std::max<std::int64_t>(
            0, channel->LineHeldByOthersMs() - (sinceSending ? FSendingSinceLineMs : taken.LineMs));
        if (assumeSilent || channel->UnansweredSinceMs() >= 0)
            waited = std::min<std::int64_t>(waited, channel->LineTurnMs());
        std::erase_if(FStoodStill, [since](const auto& span) { return span.second <= since; });
        return platform::clock().MilliTicks() - since - waited - StoodStillMsSince(since) >
               channel->OwnValuesBoundMs(FSession.SamplingInterval() * 1000);
    };
    // Replies the window has not come round to yet (it was busy) count: the tick would take
    // them, and with them whether the unit answered its last exchange.
    if (missing(true) && !channel->LinkLost()) channel->TakeReceivedReplies();
    if (!FStepsMissing) {
        if (missing(false)) StepsMissing(channel->LinkLost());
        return;
    }
    if (missing(false)) return;
    // The unit took a step again: the one the plan has for now, after those it missed.
    FStepsMissing = false;
    AnsiString text =
        ChannelText(RowStepsReachUnitAgain, {RunProgramName(), FormatFloat("0.00", taken.Value), TimeToStr(taken.At)});
    if (FStepBeforeMissing) text += " " + ChannelText(RowStepTakenBefore, {FormatFloat("0.00", *FStepBeforeMissing)});
    // Where the unit came from only a status reply after the return tells, before the step
    // shows in one: the unit may have been restarted meanwhile.
    const std::optional<double> held = FSession.StatusReplySetpoint(FStatusRepliesWhenMissing + 1);
    if (held && std::abs(*held - taken.Value) >= 0.005)
        text += " " + ChannelText(RowUnitHeldAtReturn, {FormatFloat("0.00", *held)});
    else
        text += " " + ChannelText(RowUnitHeldAtReturnNotKnown);
    ProtocolsLine(text);
    Message(text + "\n\n" + FSession.ChannelName(), ChannelText(RowNotice));
}

void CProgramRun::StepsMissing(bool linkLost)
{
    const CChannel* channel = FSession.ChannelObject();
    FStepsMissing = true;
    FTakenWhenMissing = channel ? channel->AnsweredSetpoints().Count : 0;
    FStatusRepliesWhenMissing = FSession.StatusReplyCount();
    FStepBeforeMissing.reset();
    if (channel && FTakenWhenMissing > FTakenBeforeRun) FStepBeforeMissing = channel->AnsweredSetpoints().Value;
    AnsiString text =
        ChannelText(RowStepsDoNotReachUnit,
                    {RunProgramName(), ChannelText(linkLost ? RowReasonConnectionLost : RowReasonUnitSilent)}) +
        " " + LastStepText();
    // The segment running was said to be executed when it began, but none of its steps has
    // reached the unit since.
    if (FSegmentSaidExecuted && ProgramRunning && FTakenWhenMissing == FTakenAtSegment)
        text += " " + ChannelText(RowSegmentStepsNoneReached,
                                  {FProgrammer.GetCurrentSegmentName(), TimeToStr(FSegmentBeganAt)});
    text += " " + ChannelText(RowProgramKeepsTiming);
    ProtocolsLine(text);
    Message(text + "\n\n" + FSession.ChannelName(), ChannelText(RowWarning));
}

void CProgramRun::Fail(TextRow lead, const AnsiString& reason, bool named)
{
    NOX_ASSERT_UI_THREAD();
    // Named, the run's program is named, and the box names the channel.
    const AnsiString program = named ? RunProgramName() : AnsiString();
    const AnsiString text = (!program.empty() ? ChannelText(RowNamedProgramFailed, {program}) : ChannelText(lead)) +
                            reason + ". " + SetpointLeftText();
    AddProtocolLine(Stamp() + " " + text);
    // Nothing more is planned or sent but the "no change" frames: the unit stays where the
    // run left it, and the user is told where that is.
    if (CanStop()) {
        SetCalendar({0, "none", Now(), 1});
        FSession.SetRecordingSuspended(false);
        // The frame handed over last still goes: the unit keeps the setpoint named here. A
        // unit that does not take the run's steps gets none of them later: it keeps what it took.
        EndWhereItStands(!StepsReachUnit());
    }
    Message(named ? text + "\n\n" + FSession.ChannelName() : text, ChannelText(RowError));
}

void CProgramRun::UpdateRunningData()
{
    NOX_ASSERT_UI_THREAD();
    ++FTickDepth;
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{FTickDepth};

    const TDateTime now = Now();
    ProgramSetpoint = ChannelValue(2);
    CalendarStep(now);
    if (!FSession.Tick()) return;

    // While no ramp is planned, the planned curve follows the unit's setpoint.
    const TChartSeries* recorded = Recorded();
    const TDateTime x = recorded && recorded->Count() > 0 ? recorded->GetxValue(recorded->Count() - 1) : 0.0;
    if (FProgrammer.GetRampActive() == 0 && Planned()) Planned()->AddXY(x, ProgramSetpoint, AnsiString(), clWhite);

    // The third tick after a ramp was planned labels the setpoint curve with the segment. An
    // error point keeps its mark (its values are not the unit's of that moment, and a reader
    // keeps a mark only when the field is the mark alone): the name goes to the next good point.
    TChartSeries* s = Recorded();
    if (RampPlotted) {
        // A ramp planned anew names its own point; one still waiting for a good point is dropped.
        if (++FRampPlottedTicks == 1) FSegmentLabelPending = false;
        if (FRampPlottedTicks >= 3) {
            RampPlotted = 0;
            FRampPlottedTicks = 0;
            if (s && s->Count() >= 2 && !CChannelSession::IsErrorLabel(s->GetXLabel(s->Count() - 2))) {
                s->SetXLabel(s->Count() - 2, SegmentName);
                FSession.RecordedPointChanged(s->Count() - 2);
            } else {
                FSegmentLabelPending = true;
            }
        }
    }
    if (FSegmentLabelPending && s && s->Count() > 0 && !CChannelSession::IsErrorLabel(s->GetXLabel(s->Count() - 1))) {
        FSegmentLabelPending = false;
        s->SetXLabel(s->Count() - 1, SegmentName);
        FSession.RecordedPointChanged(s->Count() - 1);
    }
}

void CProgramRun::CalendarStep(TDateTime now)
{
    const std::int64_t ticks = platform::clock().MilliTicks();
    // Where the wall clock would stand had it kept pace with the ticks since the last step.
    const TDateTime paced =
        FCalendarStepTicks < 0 ? now : FCalendarStepWall + double(ticks - FCalendarStepTicks) / MSecsPerDay;
    FCalendarStepWall = now;
    FCalendarStepTicks = ticks;
    if (!*FCalendar.Armed) {
        FSession.SetRecordingSuspended(false);
        return;
    }
    const double late = (now - *FCalendar.StartTime) * SecsPerDay;
    if (late < 0) {
        // Armed for later: a recording that waits for the start records nothing meanwhile.
        // A running program is timed by the recording: it never stops for a start that was
        // armed while the run began.
        FSession.SetRecordingSuspended(*FCalendar.RecordingActive == 0 && !HasRun());
        return;
    }
    if (FCalendarHolds > 0) {
        // A question whose answer may drop it is open: begun now, the program would run
        // behind it, and a yes would leave the unit running untold. It waits for the answer.
        if (!FCalendarDueWhileHeld || FCalendarDueWhileHeld->StartTime != *FCalendar.StartTime) {
            FCalendarDueWhileHeld = THeldStart{*FCalendar.StartTime, *FCalendar.ProgramName};
            ProtocolsLine(
                ChannelText(RowCalendarWaitsForAnswer,
                            {FSession.ChannelName(), ExtractFileName(*FCalendar.ProgramName),
                             StampOf(*FCalendar.StartTime), CalendarHoldText(), TimeToStr(CalendarWindowEnd())}));
        }
        return;
    }
    // Answered within its window, the start begins at this tick, however late that is.
    const bool answered = FCalendarAnswered && *FCalendarAnswered == *FCalendar.StartTime;
    FCalendarAnswered.reset();
    const bool waited = FCalendarWaitingFor && *FCalendarWaitingFor == *FCalendar.StartTime;
    if (late > CalendarWindowSeconds && !answered) {
        // No tick came in time (the machine slept, the clock was set), or the unit did not
        // answer in time: a program that starts late might run at a time nobody planned for,
        // so the start is dropped. The ticks came on time when, at their pace, this step is
        // still within the start's window: then the clock was set forward past it.
        DisarmCalendar(waited ? TCalendarDrop::UnitSilent
                       : (paced - *FCalendar.StartTime) * SecsPerDay <= CalendarWindowSeconds
                           ? TCalendarDrop::ClockSetForward
                           : TCalendarDrop::NoTick);
        return;
    }
    if (!UnitAnswers()) {
        // Nobody watches an unattended start: begun now, its plan would run against nothing
        // and be reported done. It waits for the unit, within its window.
        if (!waited) {
            FCalendarWaitingFor = *FCalendar.StartTime;
            const CChannel* channel = FSession.ChannelObject();
            const AnsiString text = ChannelText(
                RowCalendarWaitsForUnit,
                {FSession.ChannelName(), ExtractFileName(*FCalendar.ProgramName), StampOf(*FCalendar.StartTime),
                 ChannelText(channel && channel->LinkLost() ? RowReasonConnectionLost : RowReasonUnitSilent),
                 TimeToStr(CalendarWindowEnd())});
            ProtocolsLine(text);
            Message(text, ChannelText(RowWarning));
        }
        return;
    }
    if (answered) {
        FCalendarWaitingFor.reset();
        ProtocolsLine(ChannelText(RowCalendarBeginsAfterWait,
                                  {FSession.ChannelName(), ExtractFileName(*FCalendar.ProgramName),
                                   StampOf(*FCalendar.StartTime), IntToStr(Round64(late)), CalendarHoldText()}));
    } else if (waited) {
        FCalendarWaitingFor.reset();
        ProtocolsLine(
            ChannelText(RowCalendarBeginsLate, {FSession.ChannelName(), ExtractFileName(*FCalendar.ProgramName),
                                                StampOf(*FCalendar.StartTime), IntToStr(Round64(late))}));
    }
    *FCalendar.Armed = 0;
    if (*FCalendar.RecordingActive == 0) {
        // The recording so far is written and a new part begins with the program.
        FSession.SetRecordingSuspended(false);
        FSession.StartNewPartNow();
        *FCalendar.RecordingActive = 1;
    }
    UpdateStateFlags();
    // The user armed it for this moment: it starts without a question.
    const TScopedValue timed(FTimedStart, true);
    if (OnCalendarStart) OnCalendarStart();
}

void CProgramRun::DisarmCalendar(TCalendarDrop why)
{
    const TextRow row = why == TCalendarDrop::UnitSilent        ? RowCalendarUnitNeverAnswered
                        : why == TCalendarDrop::ClockSetForward ? RowCalendarClockStepped
                        : why == TCalendarDrop::AnsweredLate    ? RowCalendarAnsweredAfterWindow
                                                                : RowCalendarNoTick;
    const AnsiString text =
        ChannelText(row, {FSession.ChannelName(), ExtractFileName(*FCalendar.ProgramName),
                          StampOf(*FCalendar.StartTime), TimeToStr(CalendarWindowEnd()), CalendarHoldText()});
    SetCalendar({0, "none", *FCalendar.StartTime, 1});
    FSession.SetRecordingSuspended(false);
    FCalendarWaitingFor.reset();
    ProtocolsLine(text);
    FSession.Notice(text, ChannelText(why == TCalendarDrop::UnitSilent ? RowWarning : RowNotice));
    Event(TRunEvent::CalendarDisarmed);
}

void CProgramRun::HoldCalendar(TAutomaticStartHold why)
{
    NOX_ASSERT_UI_THREAD();
    ++FCalendarHolds;
    FCalendarHoldReason = why;
}

void CProgramRun::ReleaseCalendar()
{
    NOX_ASSERT_UI_THREAD();
    if (FCalendarHolds == 0 || --FCalendarHolds > 0 || !FCalendarDueWhileHeld) return;
    const THeldStart held = *FCalendarDueWhileHeld;
    FCalendarDueWhileHeld.reset();
    if (!*FCalendar.Armed || *FCalendar.StartTime != held.StartTime) {
        // The answer disarmed it or set it anew: the start that was due is not carried out.
        ProtocolsLine(ChannelText(RowCalendarDroppedInForm, {FSession.ChannelName(), ExtractFileName(held.ProgramName),
                                                             StampOf(held.StartTime)}));
        return;
    }
    if ((Now() - held.StartTime) * SecsPerDay > CalendarWindowSeconds) {
        // Begun now, the program would run at a time nobody planned for.
        DisarmCalendar(TCalendarDrop::AnsweredLate);
        return;
    }
    FCalendarAnswered = held.StartTime;
}

AnsiString CProgramRun::CalendarHoldText() const
{
    return ChannelText(FCalendarHoldReason == TAutomaticStartHold::StartForm ? RowCalendarHeldByStartForm
                                                                             : RowCalendarHeldByQuestion);
}

TDateTime CProgramRun::CalendarWindowEnd() const
{
    return *FCalendar.StartTime + double(CalendarWindowSeconds) / SecsPerDay;
}

AnsiString CProgramRun::CalendarDroppedText() const
{
    NOX_ASSERT_UI_THREAD();
    if (!*FCalendar.Armed) return AnsiString();
    return ChannelText(RowCalendarStartDropped,
                       {ExtractFileName(*FCalendar.ProgramName), StampOf(*FCalendar.StartTime)});
}

int CProgramRun::StartProgram()
{
    NOX_ASSERT_UI_THREAD();
    const int slot = StartedProgram ? CProgrammer::GetProgramIndex(StartedProgram) : -1;
    const int remaining =
        slot >= 0 ? FProgrammer.BeginRun(slot, FSession.SamplingInterval(), StartTemperature, Settings.Repeat) : -1;
    if (remaining < 0) {
        // Nothing to run (the program went away under the start): the start is undone
        // instead of being tried again on every tick.
        Message(ChannelText(RowProgrammerException), ChannelText(RowWarning));
        UndoStart();
        return 0;
    }
    RunningSlot = slot;
    FirstSegment = StartedProgram->GetFirstChild();
    StartRequested = 0;
    MethodLetterForced = 1;
    ProgramRunning = 1;
    MethodLetterNeeded = 1;
    EndActionContinue = Settings.EndAction != 0 ? 1 : 0;
    SegmentActive = 1;
    LimitWarned = 0;
    ClearEndState();
    StartPending = 0;
    ++FSegmentSerial;
    SegmentBegins();
    FStepHandedMs = -1;
    FPauseMs = 0;
    FPlanValue = StartTemperature;
    FPlanX = RecordedSetpointLastX();
    FPlanSegment = FSegmentSerial;
    FHeldSeconds = 0.0;
    FShiftedSteps = 0;
    Event(TRunEvent::Started);
    return remaining;
}

void CProgramRun::CheckSetpointReached()
{
    NOX_ASSERT_UI_THREAD();
    SegmentSetpoint = FProgrammer.GetCurrentSetpoint();
    SetpointReachedFlag = FProgrammer.SetpointReached(ChannelValue(1), ChannelValue(0), SegmentSetpoint) ? 1 : 0;
}

// ---------------------------------------------------------------- IProgrammerWindow

int CProgramRun::PlannedSetpointCount() const
{
    NOX_ASSERT_UI_THREAD();
    return Planned() ? Planned()->Count() : 0;
}

TDateTime CProgramRun::PlannedSetpointLastX() const
{
    NOX_ASSERT_UI_THREAD();
    const TChartSeries* s = Planned();
    return s && s->Count() > 0 ? s->GetxValue(s->Count() - 1) : 0.0;
}

double CProgramRun::PlannedSetpointY(int index) const
{
    NOX_ASSERT_UI_THREAD();
    return Planned()->GetyValue(index);
}

void CProgramRun::AddPlannedSetpoint(TDateTime x, double y)
{
    NOX_ASSERT_UI_THREAD();
    if (TChartSeries* s = Planned()) s->AddXY(x, y, AnsiString(), clWhite);
}

TDateTime CProgramRun::RecordedSetpointLastX() const
{
    NOX_ASSERT_UI_THREAD();
    const TChartSeries* s = Recorded();
    return s && s->Count() > 0 ? s->GetxValue(s->Count() - 1) : 0.0;
}

void CProgramRun::ClearProfile()
{
    NOX_ASSERT_UI_THREAD();
    if (FProfile) FProfile->Clear();
}

void CProgramRun::AddProfilePoint(double x, double y, TColor colour)
{
    NOX_ASSERT_UI_THREAD();
    if (FProfile) FProfile->AddXY(x, y, AnsiString(), colour);
}

int CProgramRun::ProfileCount() const
{
    NOX_ASSERT_UI_THREAD();
    return FProfile ? FProfile->Count() : 0;
}

double CProgramRun::ProfileLastX() const
{
    NOX_ASSERT_UI_THREAD();
    return FProfile && FProfile->Count() > 0 ? FProfile->GetxValue(FProfile->Count() - 1) : 0.0;
}

void CProgramRun::SetProfilePointColour(int index, TColor colour)
{
    NOX_ASSERT_UI_THREAD();
    if (FProfile && index >= 0 && index < FProfile->Count()) FProfile->SetValueColor(index, colour);
}

void CProgramRun::SetProfileTemperatureRange(double minimum, double maximum)
{
    NOX_ASSERT_UI_THREAD();
    FProfileMinimum = minimum;
    FProfileMaximum = maximum;
    if (OnProfileChanged) OnProfileChanged();
}

void CProgramRun::ClearProfileLegend()
{
    NOX_ASSERT_UI_THREAD();
    FProfileLegend.clear();
}

void CProgramRun::AddProfileLegendLine(const AnsiString& line)
{
    NOX_ASSERT_UI_THREAD();
    FProfileLegend.push_back(line);
}

void CProgramRun::AddProtocolLine(const AnsiString& line)
{
    NOX_ASSERT_UI_THREAD();
    FSession.AddMemoLine(TSessionMemo::Protocol, line);
}
