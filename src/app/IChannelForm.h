#pragma once
// The channel window as the main window sees it. The channel window (one class for the
// recording, view, programmer and TP Scout windows) implements it; the main window creates
// it through an IChannelFormFactory, so the shell runs and is tested without it.
#include <cstdint>
#include <functional>

#include "comm/ChannelServices.h"
#include "platform/AnsiString.h"
#include "platform/DateTime.h"

class QMdiSubWindow;
class TChart;
class TChartSeries;
class TTeeCustomTool;
class IControlPanel;
class IDataFileView;

// View modes of a channel window.
enum : std::uint8_t {
    vmDataRecording = 0,
    vmView = 1,
    vmProgrammer = 2,
    vmTPScout = 3,
    vmNotUsed = 4,  // the calendar start's mark of a channel without a window
};

// Axes of the channel chart that the main window's zoom commands set.
enum class TChannelAxis { Bottom, Left, Right };

// Zoom limits of the time, left and right axes (maximum and minimum each).
struct TZoomLimits {
    double TimeMax = 0.0;
    double TimeMin = 0.0;
    double LeftMax = 0.0;
    double LeftMin = 0.0;
    double RightMax = 0.0;
    double RightMin = 0.0;
};

// What holds a channel's timed start back while it is open.
enum class TAutomaticStartHold {
    Question,   // a question whose yes closes the channel
    StartForm,  // the automatic-start form, with the channel's row changed and not applied
};

class IChannelForm {
public:
    virtual ~IChannelForm() = default;

    // The sub-window that the main window puts into its MDI area. It frees itself (and this
    // form) when it is closed.
    virtual QMdiSubWindow* SubWindow() = 0;

    // ---- creation, in the order the main window calls them
    // The channel number goes into the Tags of the window and its program tree.
    virtual void SetChannel(int channel) = 0;
    virtual int Channel() const = 0;
    virtual void SetCaption(const AnsiString& caption) = 0;
    virtual AnsiString Caption() const = 0;
    virtual void AttachControlPanel(IControlPanel* panel) = 0;
    // Number of recorded series 22, error-tick counter 0, second tick counter 1, creation
    // time, the two texts emptied, the flags (1, 0, 0); the channel's set-up flag set.
    virtual void InitialiseMembers(TDateTime created) = 0;
    // German (0) or English (1) texts for every control of the window (and its control-panel
    // captions).
    virtual void SetLanguage(int language, int channel) = 0;
    // Connection page active; the chart, options, info, status, program tree, programmer
    // chart and function pages hidden; the slave choice disabled.
    virtual void ShowConnectionPage() = 0;
    // Gradient scheme on: white coordinate labels, chkGradient ticked, chart gradient shown;
    // off: button-face labels, chkGradient cleared, gradient hidden.
    virtual void SetGradientScheme(bool on) = 0;
    // For the chart's first 24 series: draw-all off, X values unordered, Tag 0.
    virtual void PrepareSeries() = 0;
    // The window's own controls of a view: timer and chart Tags, mouse zoom, programmer
    // object and program tree, pages, time-window controls, check boxes and hints, program
    // buttons and menu, editor controls; for the view window the chart prepared for a
    // loaded file, for TP Scout its programmer page layout.
    virtual void PrepareView(int mode, int channel) = 0;
    // Stores the open flag and, when it is 1 and activate is 1, runs the window's activation.
    virtual void SetViewMode(int channel, int openFlag, bool activate) = 0;
    virtual void FocusConnectButton() = 0;

    // ---- closing without a question: stop recording, save the data file, close the
    // connection, free the programmer, clear the open flag through
    // TfrmMainWindow::SetChannelOpen; then the window frees itself. False when the window
    // stays open (its recording could not be written and the user kept it).
    virtual bool FormClose() = 0;
    // What closing the window ends: the program it runs or holds and where the unit is left
    // (`named`: after the channel's name); empty when no program runs.
    virtual AnsiString RunEndedByCloseText(bool named = false) const
    {
        (void)named;
        return AnsiString();
    }
    // That the armed timed start goes with the window (`named`: after the channel's name);
    // empty when none is armed.
    virtual AnsiString AutomaticStartDroppedByCloseText(bool named = false) const
    {
        (void)named;
        return AnsiString();
    }
    // Something whose answer may drop the armed timed start is open (a question to close the
    // window or the program, the automatic-start form with the channel's row changed): a
    // start that comes due meanwhile waits for the answer instead of beginning behind it.
    // Every hold is released once, after what the answer decided is done.
    virtual void HoldAutomaticStart(TAutomaticStartHold why) { (void)why; }
    virtual void ReleaseAutomaticStart() {}

    // ---- the chart, for the zoom commands
    virtual int ChartSeriesCount() const = 0;
    virtual TChartSeries* ChartSeries(int index) = 0;
    virtual double AxisMaximum(TChannelAxis axis) const = 0;
    virtual double AxisMinimum(TChannelAxis axis) const = 0;
    // The current limits of the three axes.
    TZoomLimits AxisRanges() const
    {
        return {AxisMaximum(TChannelAxis::Bottom), AxisMinimum(TChannelAxis::Bottom), AxisMaximum(TChannelAxis::Left),
                AxisMinimum(TChannelAxis::Left),   AxisMaximum(TChannelAxis::Right),  AxisMinimum(TChannelAxis::Right)};
    }
    // Sets an axis, maximum first; when the chart refuses that order, minimum first.
    virtual void SetAxisLimits(TChannelAxis axis, double maximum, double minimum) = 0;

    // ---- the channel's state, as the main window and the control panel read it
    // The channel as the device layer sees it (nullptr when the window has none).
    virtual IChannelWindow* DeviceWindow() = 0;
    // The identification succeeded and the recording runs.
    virtual bool IsConnected() const = 0;
    // The control-method letter of the unit's latest status reply.
    virtual AnsiString UnitControlStatus() const = 0;
    virtual double UnitLowerSetpointLimit() const = 0;
    virtual double UnitUpperSetpointLimit() const = 0;
    // A program that has ended or was stopped, but is still held as started until the next
    // programmer tick, is let go now. False when a program still runs, is held or starts.
    virtual bool ReleaseEndedProgram() = 0;

    // ---- what the main window's file commands use
    // The window's series, axes and memos as the data files read and fill them.
    virtual IDataFileView* DataFileView() = 0;
    // graDataGraph, printed and exported; ChartTool2, its grid band, which a print switches off.
    virtual TChart* DataGraph() = 0;
    virtual TTeeCustomTool* GridBandTool() = 0;
    // The recording runs (cmdEstablishConnection is disabled).
    virtual bool RecordingRuns() const = 0;
    // Writes the current part of the recording; `done` gets the result on the user-interface
    // thread.
    virtual void SaveRecording(std::function<void(bool)> done) = 0;
    // Saves the program of the node selected in treeTProgram (a segment node selects its
    // program first); false when no node is selected.
    virtual bool SaveSelectedProgram() = 0;
    // The axis titles of the label file (entries 1 and 2); false when there is no label file.
    virtual bool ReadLabelAxisTitles(AnsiString& left, AnsiString& right) = 0;
    // The current ranges of the bottom, left and right axes become the window's stored
    // ranges, the working set and the one undoing a zoom returns to.
    virtual void StoreAxisRanges() = 0;

    // ---- fields the main window reads and sets
    std::uint8_t ViewMode = vmDataRecording;
    std::uint8_t FileView = 0;        // 1 in the view window
    std::uint8_t ProgrammerView = 0;  // 1 in the programmer window: the programmer timer runs
    std::uint8_t ProgramRunning = 0;
    std::uint8_t ProgramStarting = 0;  // the second program-state flag
    std::uint8_t AutomaticStartArmed = 0;
    AnsiString DeviceText;
    TZoomLimits ZoomLimits;
    TZoomLimits FullRange;      // the view window's whole file, restored by the overview command
    std::uint8_t Printing = 0;  // a print of this window runs
    // Column count of the measurement file imported into this view (0: none imported).
    int ImportedColumnCount = 0;
};

class IChannelFormFactory {
public:
    virtual ~IChannelFormFactory() = default;
    // A new channel window; the caller places its sub-window into the MDI area.
    virtual IChannelForm* CreateChannelForm() = 0;
};
