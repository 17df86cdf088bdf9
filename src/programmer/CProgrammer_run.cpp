// The run of a temperature program: the programmer timer's step, the planning of each
// segment's ramp as future points of the planned setpoint curve, the setpoint the window
// sends, the setpoint-reached test of temperature-stable segments, and the profile chart.
#include <algorithm>

#include "app/CLanguage.h"
#include "platform/Round.h"
#include "platform/UiThread.h"
#include "programmer/CProgrammer.h"
#include "programmer/IProgrammerWindow.h"
#include "resources/TextRows.h"

using namespace resources;

namespace {

// A sampling interval below one second would make every segment endless (and divide by
// zero); the window's intervals are 1..60 s.
int SafeInterval(int interval)
{
    return std::max(1, interval);
}

}  // namespace

AnsiString CProgrammer::Text(int row) const
{
    AnsiString out;
    if (FLanguage) FLanguage->LookupCurrentText(row, out);
    return out;
}

int CProgrammer::SegmentSteps(int duration, int interval)
{
    interval = SafeInterval(interval);
    const int length = duration > 0 ? duration : 3 * interval;
    // A segment shorter than one interval still gets its one step: with none, its setpoint
    // would never be planned or sent and the segment would pass unseen.
    return std::max(1, length / interval);
}

CTemperatureProgram* CProgrammer::NextSegment(int slot) const
{
    CTemperatureProgram* head = Head(slot);
    if (!head) return nullptr;
    for (CTemperatureProgram* n = head->next; n; n = n->next)
        if (n->key == currentSegment) return n->next;
    return nullptr;
}

int CProgrammer::BeginRun(int slot, int interval, double startTemperature, int repeat)
{
    NOX_ASSERT_UI_THREAD();
    const CTemperatureProgram* head = Head(slot);
    if (!head || !head->next) return -1;
    interval = SafeInterval(interval);
    const CTemperatureProgram* first = head->next;
    currentSegment = first->key;
    const int steps = SegmentSteps(first->duration, interval);
    FFlatRamp = first->setpoint == startTemperature ? 1 : 0;
    FHoldFlag = first->waitFlag;
    FEndReached = 0;
    FRepeat = repeat;
    FRunStartTemperature = startTemperature;
    FRampActive = 1;
    StartRamp(steps, interval, first->setpoint, startTemperature);
    // The window sets its running flag only after this, yet the program is starting: its
    // first segment is shown as running, as it is after every repeat.
    DrawProfileColoured(slot, startTemperature, true);
    WriteSegmentProtocol();
    return steps - 1;
}

void CProgrammer::RunStep(int interval, int slot, TDateTime plannedEnd, TDateTime lastRecorded)
{
    NOX_ASSERT_UI_THREAD();
    interval = SafeInterval(interval);
    if (FWindow) FWindow->SetCurrentSegmentName(GetCurrentSegmentName());

    const std::int64_t remainingSeconds = Round64((plannedEnd - lastRecorded) * SecsPerDay);
    if (remainingSeconds > 0) return;  // the segment's planned time is not over

    if (FHoldFlag == 1) {
        // Temperature stable: wait in this segment until the window clears the hold flag.
        FRampActive = 0;
        return;
    }
    if (FHoldFlag != 0) return;

    CTemperatureProgram* head = Head(slot);
    if (!head || !head->next) {
        // The program vanished under the run: nothing is left to run.
        FRampActive = 0;
        FEndReached = 1;
        if (FWindow) FWindow->FinishProgram();
        return;
    }

    double previous = GetCurrentSetpoint();
    CTemperatureProgram* segment = NextSegment(slot);
    if (!segment) {
        // Past the last segment: back to the first one, from the run's start temperature.
        segment = head->next;
        FEndReached = 1;
        DrawProfile(slot, FRunStartTemperature);
        FExecutedPointNumber = 0;
        previous = FRunStartTemperature;
    }
    currentSegment = segment->key;
    FHoldFlag = segment->waitFlag;
    const double target = segment->setpoint;
    const int steps = SegmentSteps(segment->duration, interval);

    if (FEndReached == 1 && FRepeat == 0) {
        FRampActive = 0;
        if (FWindow) FWindow->FinishProgram();
        return;
    }

    FFlatRamp = previous == target ? 1 : 0;
    StartRamp(steps, interval, target, previous);

    ++FExecutedPointNumber;
    if (FWindow && FWindow->ProfileCount() > FExecutedPointNumber &&
        Trunc64(FWindow->ProfileLastX()) > FExecutedPointNumber)
        FWindow->SetProfilePointColour(FExecutedPointNumber, clYellow);

    WriteSegmentProtocol();
    FRampActive = 1;
    if (FWindow) FWindow->SetSegmentActive();
}

void CProgrammer::AddRampPoints(int steps, int interval, TDateTime x, double target, double start)
{
    FRampStepCount = steps;
    if (!FWindow) return;
    FWindow->SetRampPlotted();
    const double step = SafeInterval(interval) / SecsPerDay;
    for (int k = 1; k <= steps; ++k) {
        FWindow->AddPlannedSetpoint(x, RampValue(k, target, start));
        x += step;
    }
}

void CProgrammer::StartRamp(int steps, int interval, double target, double start)
{
    NOX_ASSERT_UI_THREAD();
    // The ramp goes on one interval after the last planned point, and never before the
    // last recorded one: a plan that stopped while a start waited for its points, or none
    // at all, would otherwise put the ramp into the past (or at midnight) and cut it short.
    const double step = SafeInterval(interval) / SecsPerDay;
    TDateTime x = Date();
    if (FWindow) {
        const TDateTime recorded = FWindow->RecordedSetpointLastX();
        if (FWindow->PlannedSetpointCount() > 0) {
            x = FWindow->PlannedSetpointLastX() + step;
            if (recorded != 0.0) x = std::max(x, recorded);
        } else if (recorded != 0.0) {
            x = recorded;
        }
    }
    AddRampPoints(steps, interval, x, target, start);
}

void CProgrammer::PlotRamp(int steps, int interval, TDateTime startTime, double target, double start)
{
    NOX_ASSERT_UI_THREAD();
    AddRampPoints(steps, interval, startTime, target, start);
}

double CProgrammer::RampValue(int k, double target, double start) const
{
    // The last step is the target itself, not a sum that rounding may leave short of it.
    if (FRampStepCount <= 0 || k >= FRampStepCount) return target;
    const double v = (target - start) / FRampStepCount * k + start;
    if (target > start) return v >= target ? target : v;
    return v <= target ? target : v;
}

int CProgrammer::ElapsedSteps(TDateTime plannedEnd, TDateTime lastRecorded, int interval)
{
    if (plannedEnd <= lastRecorded) return 0;
    const std::int64_t n = Round64((plannedEnd - lastRecorded) * SecsPerDay / SafeInterval(interval));
    if (n <= 0) return 0;
    return int(std::min<std::int64_t>(n - 1, 0x7fffffff));
}

bool CProgrammer::SetpointReached(double processTemperature, double internalTemperature, double setpoint) const
{
    NOX_ASSERT_UI_THREAD();
    if (!FindSegment(currentSegment)) return false;
    double measured;
    switch (GetCurrentControlMode()) {
        case 0: measured = internalTemperature; break;
        case 1: measured = processTemperature; break;
        default: return false;
    }
    return setpoint - 1.0 < measured && measured < setpoint + 1.0;
}

int CProgrammer::ActiveSetpointIndex(int stepsBack) const
{
    if (FRampActive != 1 || !FWindow) return -1;
    const int count = FWindow->PlannedSetpointCount();
    if (count == 0) return -1;
    // A caller's count past either end of the curve reads its nearest point.
    return std::clamp(count - 1 - std::max(0, stepsBack), 0, count - 1);
}

double CProgrammer::GetActiveSetpoint(int stepsBack) const
{
    const int index = ActiveSetpointIndex(stepsBack);
    return index >= 0 ? FWindow->PlannedSetpointY(index) : GetCurrentSetpoint();
}

AnsiString CProgrammer::GetCurrentModeLetter() const
{
    if (!FindSegment(currentSegment)) return "*";
    switch (GetCurrentControlMode()) {
        case 0: return "I";
        case 1: return "E";
        default: return "*";
    }
}

void CProgrammer::DrawProfile(int slot, double startTemperature)
{
    NOX_ASSERT_UI_THREAD();
    DrawProfileColoured(slot, startTemperature, FWindow && FWindow->IsProgramRunning());
}

void CProgrammer::DrawProfileColoured(int slot, double startTemperature, bool running)
{
    FExecutedPointNumber = 1;
    if (!FWindow) return;
    FWindow->ClearProfileLegend();
    FWindow->AddProfileLegendLine("");
    FWindow->AddProfileLegendLine("");
    FWindow->ClearProfile();
    const TColor runningColour = running ? clYellow : clBlue;
    FWindow->AddProfilePoint(1, startTemperature, runningColour);
    double largest = startTemperature;
    double smallest = startTemperature;
    int n = 1;
    if (const CTemperatureProgram* head = Head(slot)) {
        for (const CTemperatureProgram* s = head->next; s; s = s->next, ++n) {
            FWindow->AddProfilePoint(n + 1, s->setpoint, n == 1 ? runningColour : clBlue);
            FWindow->AddProfileLegendLine(IntToStr(n) + " - " + s->name);
            largest = std::max(largest, s->setpoint);
            smallest = std::min(smallest, s->setpoint);
        }
    }
    FWindow->SetProfileTemperatureRange(smallest - 2.0, largest + 2.0);
}

void CProgrammer::WriteSegmentProtocol()
{
    NOX_ASSERT_UI_THREAD();
    if (!FWindow) return;
    const CTemperatureProgram* s = FindSegment(currentSegment);
    if (!s) return;
    const TDateTime now = Now();
    FWindow->AddProtocolLine(DateToStr(now) + " " + TimeToStr(now) + Text(RowTheSegment) + s->name +
                             Text(FWindow->StepsReachUnit() ? RowIsExecuted : RowSegmentDueNotReaching));
    FWindow->AddProtocolLine(Text(RowAnalogueValue) +
                             (s->analogOutput == -1 ? Text(RowUnchanged) : IntToStr(s->analogOutput)));
    AnsiString contact;
    switch (s->contact) {
        case 0: contact = Text(RowOff); break;
        case 1: contact = Text(RowOn); break;
        default: contact = Text(RowUnchanged); break;
    }
    FWindow->AddProtocolLine(Text(RowFloatingContact) + contact);
    FWindow->AddProtocolLine(Text(RowTemperatureControl) + Text(s->controlMode == 1 ? RowProcess : RowInternal));
    FWindow->AddProtocolLine(Text(RowSegmentType) + Text(s->waitFlag == 1 ? RowTemperatureStable : RowTimeStable));
}
