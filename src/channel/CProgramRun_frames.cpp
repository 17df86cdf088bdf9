// The frames a running program sends to its unit on every tick: the setpoint with the
// control method, the analogue output and the floating contact; the end action; the
// "no change" frames of a held or stopped run; and the reaction to the unit's own status.
#include <algorithm>
#include <cmath>

#include "channel/CChannelSession.h"
#include "channel/CProgramRun.h"
#include "channel/ChannelTexts.h"
#include "chart/engine/TChartSeries.h"
#include "comm/CChannel.h"
#include "comm/CTolvarProtocol.h"
#include "platform/Round.h"
#include "platform/UiThread.h"
#include "programmer/CProgrammer.h"

using namespace resources;

namespace {

constexpr const char* NoChange = CProgramRun::NoChangeCommand;
constexpr const char* NoOutputChange = CProgramRun::NoOutputChangeCommand;

}  // namespace

void CProgramRun::SendProgramFrames(int remainingSteps, bool atOnce)
{
    NOX_ASSERT_UI_THREAD();
    if (!ProgramRunning) {
        // Nothing changes at the unit any more: the run's frames still on their way are
        // withdrawn with it.
        if (ProgramEnded && !StoppedByUser) {
            EndOfPlan(atOnce);
        } else if (StoppedByUser) {
            // Tested before the hold: a stop ends a held run as well.
            ProgramFinished = 1;
            ProgramEnded = 0;
            StoppedByUser = 0;
            WithdrawFrames();
        } else if (SegmentHeld) {
            WithdrawFrames();
        }
        return;
    }
    const int index = FProgrammer.ActiveSetpointIndex(remainingSteps);
    const TChartSeries* planned = Planned();
    FDueX = index >= 0 && planned ? planned->GetxValue(index) : RecordedSetpointLastX();
    FDueSegment = FSegmentSerial;
    SendPlanStep(FProgrammer.GetActiveSetpoint(remainingSteps), FDueX, atOnce);
}

void CProgramRun::EndOfPlan(bool atOnce)
{
    // A unit that did not take the run's last steps (its link is lost, it is silent, or it
    // left the last setpoint frames unanswered) gets nothing of the run later, when it
    // answers again: it keeps what it took, and the user is told which setpoint that is.
    const bool reaching = StepsReachUnit();
    // The last step goes once more before the end action only while it may not be at the
    // unit yet (a cycle under way when it was given can outlast the interval). One the
    // unit's replies show taken is not sent again: the end action goes in this tick's cycle.
    const bool resend = reaching && !atOnce && FSetpointSent && !LastStepAtUnit();
    const AnsiString program = RunProgramName();
    const std::uint64_t unanswered = FSession.UnansweredCommandCount();
    ProgramFinished = 1;
    ProgramEnded = 0;
    if (!reaching) WithdrawFrames();
    if (resend) FSession.SendProgramCommands(FLastCommand, FLastOutputs, true, true);
    if (EndActionContinue) {
        // "No change" stands: after the last step, if that goes again, else at once.
        if (resend)
            FSession.SendProgramCommands(NoChange, NoOutputChange, false);
        else
            WithdrawFrames();
        if (!reaching) {
            EndNotReaching(RowEndKeepsSetpointNotReaching);
            FEndCheck = TEndCheck{program, unanswered, false, true};
        }
    } else {
        // Switching the unit off goes out once; then the status poll stands again, so a unit
        // the user switches on at its own panel stays on.
        const bool refused =
            FSession.SendProgramCommands("G0DO*****", NoOutputChange, true) == TCommandHandOver::Refused;
        FSession.SendProgramCommands(NoChange, NoOutputChange, false);
        // The protocol says the program ended; the user must learn that the unit was not
        // switched off, and why. One that goes is watched until the unit is seen to have
        // taken it; one that could not go, until the unit answers again.
        const CChannel* channel = FSession.ChannelObject();
        if (refused) {
            Fail(RowProgramFailed,
                 ChannelText(RowEndActionNotSent) +
                     ChannelText(channel && channel->LinkLost() ? RowReasonConnectionLost : RowProgramCommandsRefused),
                 true);
            FEndCheck = TEndCheck{program, unanswered, true, true, true, FSession.StatusReplyCount()};
        } else {
            if (!reaching) EndNotReaching(RowEndSwitchesOffNotReaching);
            FEndCheck = TEndCheck{program, unanswered, true, !reaching};
        }
    }
    // The run is over now that its end action is handed over: its controls offer a start at
    // once, not a stop with nothing left to stop until the next tick.
    if (ProgramFinished) TidyUp();
}

bool CProgramRun::LastStepAtUnit() const
{
    const CChannel* channel = FSession.ChannelObject();
    if (!channel || channel->OneShotInProgress() || FSession.HasWaitingProgramCommands() || channel->ExpectedSetpoint())
        return false;
    const std::optional<double> taken = channel->SetpointTaken();
    return taken && std::abs(*taken - FLastSentSetpoint) < 0.005;
}

void CProgramRun::EndNotReaching(TextRow row)
{
    const CChannel* channel = FSession.ChannelObject();
    AnsiString text =
        ChannelText(row,
                    {FSession.ChannelName(), RunProgramName(),
                     ChannelText(channel && channel->LinkLost() ? RowReasonConnectionLost : RowReasonUnitSilent)}) +
        " " + LastStepText();
    // The step the plan ended on is named when the unit is not known to have taken it: an
    // earlier box may have promised it for the unit's return.
    const bool taken = channel && channel->AnsweredSetpoints().Count > FTakenBeforeRun &&
                       std::abs(channel->AnsweredSetpoints().Value - FLastSentSetpoint) < 0.005;
    if (FSetpointSent && !taken)
        text += " " + ChannelText(RowPlannedSetpointNotSent, {FormatFloat("0.00", FLastSentSetpoint)});
    ProtocolsLine(text);
    Message(text, ChannelText(RowWarning));
}

void CProgramRun::SendPlanStep(double setpoint, TDateTime x, bool atOnce)
{
    if (!FSession.IsConnected()) return;

    const int output = FProgrammer.GetCurrentAnalogOutput();
    AnsiString outputs = output != -1 ? IntToHex(std::uint32_t(output) & 0xFFFFu, 4) + "********" : "************";
    switch (FProgrammer.GetCurrentContact()) {
        case 0: outputs += "0"; break;
        case 1: outputs += "1"; break;
        default: outputs += "*"; break;
    }

    AnsiString letter = FProgrammer.GetCurrentModeLetter();
    const AnsiString status = FSession.ControlStatus();
    const bool controlling = status == "E" || status == "I";
    // After a yes to a run going on, the status known may be older than the yes: no method
    // letter goes, and none is decided on, until a newer one is in. With
    // that one saying the control is off (or this program switched it off since), the run
    // is held as at any switch-off.
    bool letterWaits = false;
    if (FLetterWaits) {
        if (FSession.StatusExchange() <= FLetterWaits->Exchange) {
            letterWaits = true;
            NoteLetterWaits();
        } else {
            const bool off = status == "O" || status == "C" || FSession.ControlOffSince(FLetterWaits->OffMark);
            FLetterWaits.reset();
            if (off && !HeldByUnitOff) {
                HoldForControlOff();
                return;
            }
        }
    }
    if (letterWaits) {
        letter = "*";
    } else {
        if (MethodLetterNeeded) {
            if (status != "O" && status != "C") MethodLetterNeeded = 0;
            MethodLetterForced = 1;
        }
        if (letter != status && controlling) {
            MethodLetterForced = 1;
            HeldByUnitOff = 0;
        } else if (controlling) {
            HeldByUnitOff = 0;
        } else if (status == "O" && !MethodLetterNeeded && !HeldByUnitOff) {
            // Someone switched the unit's temperature control off: the program waits (once per
            // occurrence) until the user resumes it.
            HoldForControlOff();
            return;
        }
        if (!MethodLetterForced) letter = "*";
    }

    // Outside the unit's own limits the user is warned once per excursion; the value is
    // still sent. A value the unit cannot represent at all is never sent.
    const double lower = FSession.GetLowerSetpointLimit(), upper = FSession.GetUpperSetpointLimit();
    if ((setpoint < lower || setpoint > upper) && !LimitWarned) {
        LimitWarned = 1;
        if (!*FLimitNoticeOpen) {
            *FLimitNoticeOpen = true;
            std::weak_ptr<bool> open = FLimitNoticeOpen;
            FSession.Notice(ChannelText(RowSetpointOutOfLimits), ChannelText(RowWarning), [open] {
                if (auto o = open.lock()) *o = false;
            });
        }
    } else if (setpoint >= lower && setpoint <= upper) {
        LimitWarned = 0;
    }
    AnsiString digits;
    if (!CTolvarProtocol::EncodeSetpoint(setpoint, UnsignedUnit(), digits)) {
        AnsiString reason = ChannelText(RowSetpointNotSendable);
        if (const auto dollar = reason.find('$'); dollar != AnsiString::npos)
            reason.replace(dollar, 1, FormatFloat("0.00", setpoint));
        Fail(RowProgramFailed, reason);
        return;
    }
    // A frame that has to wait (a one-shot command goes first) may be replaced by the next
    // tick's before it goes out: the method letter then goes with that one.
    const AnsiString command = "G0D" + letter + "*" + digits;
    // Sent at once, the method letter goes with the one-shot even while the standing pair
    // waits behind it.
    switch (atOnce ? FSession.SendProgramCommandsAtOnce(command, "C14" + outputs)
                   : FSession.SendProgramCommands(command, "C14" + outputs, false)) {
        case TCommandHandOver::Taken:
            if (!letterWaits) MethodLetterForced = 0;
            [[fallthrough]];
        case TCommandHandOver::Waiting: {
            if (atOnce && !letterWaits) MethodLetterForced = 0;
            // How long no step went out before this one, for the jump's line.
            const std::int64_t now = platform::clock().MilliTicks();
            const std::int64_t intervalMs = std::int64_t(std::max(1, FSession.SamplingInterval())) * 1000;
            const std::int64_t gap = FStepHandedMs < 0 ? 0 : now - FStepHandedMs;
            const std::int64_t beyond = FStepHandedMs < 0 ? 0 : gap - intervalMs;
            if (atOnce) {
                FPauseMs = 0;
            } else if (gap > FPauseMs) {
                FPauseMs = gap;
            }
            FStepHandedMs = now;
            FLastSentSetpoint = setpoint;
            FSetpointSent = true;
            FLastCommand = command;
            FLastOutputs = "C14" + outputs;
            if (!atOnce) NoteSkippedSteps(setpoint, x);
            // A step that follows its plan's last at an interval's pace ends a pause that
            // was not followed by a jump.
            if (2 * beyond <= intervalMs && Round64((x - FPlanX) * SecsPerDay) <= FSession.SamplingInterval())
                FPauseMs = 0;
            FPlanValue = setpoint;
            FPlanX = x;
            FPlanSegment = FSegmentSerial;
            break;
        }
        case TCommandHandOver::Refused: Fail(RowProgramFailed, ChannelText(RowProgramCommandsRefused)); break;
    }
}
