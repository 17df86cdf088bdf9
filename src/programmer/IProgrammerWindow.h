#pragma once
// What a running program needs of its channel window: the planned setpoint curve of the
// channel chart (series Programmgeber1), the programmer page's profile chart with its legend
// memo, the programmer protocol, and the run flags the window keeps. The channel window
// implements it; the programmer works without one (nothing is drawn or logged then).
#include "platform/AnsiString.h"
#include "platform/DateTime.h"
#include "platform/GraphicsTypes.h"

class IProgrammerWindow {
public:
    virtual ~IProgrammerWindow() = default;

    // The planned setpoint curve of graDataGraph (Programmgeber1). X values are chart
    // date-times. PlannedSetpointLastX and PlannedSetpointY are only asked for existing points.
    virtual int PlannedSetpointCount() const = 0;
    virtual TDateTime PlannedSetpointLastX() const = 0;
    virtual double PlannedSetpointY(int index) const = 0;
    // Appends a point with an empty label and the colour clWhite.
    virtual void AddPlannedSetpoint(TDateTime x, double y) = 0;
    // The last X of the recorded setpoint curve (Sollwert); 0 when it has no point.
    virtual TDateTime RecordedSetpointLastX() const = 0;

    // The profile of graProgrammerGraph (Series1, an area series with a colour per point),
    // its left axis and the legend memo beside it (Memo3).
    virtual void ClearProfile() = 0;
    virtual void AddProfilePoint(double x, double y, TColor colour) = 0;
    virtual int ProfileCount() const = 0;
    virtual double ProfileLastX() const = 0;
    virtual void SetProfilePointColour(int index, TColor colour) = 0;
    // Sets the left axis to manual scaling with these bounds.
    virtual void SetProfileTemperatureRange(double minimum, double maximum) = 0;
    virtual void ClearProfileLegend() = 0;
    virtual void AddProfileLegendLine(const AnsiString& line) = 0;

    // Appends a line to the programmer protocol (memProtocol).
    virtual void AddProtocolLine(const AnsiString& line) = 0;
    // The window's SegmentName: the tick labels the setpoint curve with it.
    virtual void SetCurrentSegmentName(const AnsiString& name) = 0;
    // Sets the window's RampPlotted flag: a ramp was planned.
    virtual void SetRampPlotted() = 0;
    // Sets the window's SegmentActive flag: a segment's ramp has started.
    virtual void SetSegmentActive() = 0;
    // The window's running flag.
    virtual bool IsProgramRunning() const = 0;
    // False while the run's steps are known not to reach the unit (its link is lost, it does
    // not answer): the protocol then calls a segment that begins due, not executed.
    virtual bool StepsReachUnit() const { return true; }
    // The program passed its last segment without repeat: the window ends the run.
    virtual void FinishProgram() = 0;
};
