#pragma once
// The channel window as the control panel sees it: its program commands, the program
// controls that the calendar start switches, the calendar-start fields and the chart labels
// that the panel recolours while it brings a window to the front. The channel window
// implements it beside IChannelForm; the panel finds it on the form of a channel.
#include <cstdint>

#include "comm/DeviceCommandQueue.h"
#include "platform/AnsiString.h"
#include "platform/DateTime.h"
#include "platform/GraphicsTypes.h"

class QObject;

// Program controls of the channel window that the calendar start enables and disables.
enum class TProgramControl {
    btnDeleteTP,
    btnLoadTP,
    btnTPStartStop,
    btnPauseSegment,
    btnCancelSegment,
    mnuDeleteProgram,
    mnuLoadProgram,
    mnuStartStopProgram,
    mnuCancelSegment,
    mnuPauseSegment,
};

class IPanelChannelWindow {
public:
    virtual ~IPanelChannelWindow() = default;

    // ---- program commands of the window
    virtual void btnStartTPClick(QObject* sender) = 0;
    virtual void btnStopTPClick(QObject* sender) = 0;
    // Ends the current segment and goes on with the next.
    virtual void btnCancelSegmentClick() = 0;
    // Holds or resumes the current segment.
    virtual void btnPauseSegmentClick() = 0;
    // Lets the user choose a program file (dlgOpenDialog2) and loads it.
    virtual void mnuLoadProgramClick() = 0;
    // The file (name without folder) of the program the window holds; empty when it holds
    // none. A timed start runs this program.
    virtual AnsiString LoadedProgramFile() const = 0;
    // That program was changed in the window since it was loaded or saved.
    virtual bool LoadedProgramChanged() const { return false; }
    // In programmer mode: a one-segment program to the temperature in the given time and
    // control mode, started at once.
    virtual void RunSingleRamp(double& temperature, int& seconds, int& controlMode) = 0;
    // Disables the program editor's value controls.
    virtual void DisableEditorControls() = 0;

    // ---- device commands of the control panel
    // Queues the frames behind the commands still waiting to go out, in the order given;
    // `once` sends them in two poll cycles, else they stay until replaced. Taken, or why not:
    // no poll thread, the link to the unit is lost, too many commands wait.
    virtual DeviceCommandQueue::TResult QueueDeviceCommand(const AnsiString& frame, int replyLength,
                                                           const AnsiString& followUp, bool once) = 0;

    // ---- program controls and tree
    virtual void SetProgramControlEnabled(TProgramControl control, bool enabled) = 0;
    virtual int ProgramTreeNodeCount() const = 0;

    // ---- chart labels txtSeries, txtSelection, lblXCoord, lblY1Coord, lblY2Coord
    // The colour of txtSeries.
    virtual TColor ChartLabelColour() const = 0;
    // Gives all five labels the colour.
    virtual void SetChartLabelColour(TColor colour) = 0;

    // ---- calendar start (the armed flag is IChannelForm::AutomaticStartArmed)
    AnsiString CalendarProgramName = "none";
    TDateTime CalendarStartTime = 0.0;
    std::uint8_t RecordingActive = 1;  // 1 the recording goes on, 0 it stops
    TDateTime CalendarArmedAt = 0.0;   // when the user armed it
};

// The timed start of a channel: armed, the program file chosen for it, the start moment and
// whether the recording goes on until then (0: it waits for the start). The calendar-start
// form holds one per channel.
struct TCalendarStart {
    std::uint8_t Armed = 0;
    AnsiString ProgramName = "none";
    TDateTime StartTime = 0.0;
    std::uint8_t RecordingActive = 1;
    TDateTime ArmedAt = 0.0;
};

// The calendar-start form's entries, as the control panel reads them when it arms a
// channel. The form implements it and installs itself in the panel.
class ICalendarStartEntries {
public:
    virtual ~ICalendarStartEntries() = default;
    virtual TCalendarStart CalendarEntry(int channel) const = 0;
};
