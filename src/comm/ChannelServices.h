#pragma once
// What the device layer needs of the layers above it. The main window and the channel
// window implement these interfaces; the device layer never includes their headers.
#include <cstdint>
#include <initializer_list>

#include "platform/AnsiString.h"

class QWidget;
class TZSocket;

// Controls of the channel window that the channel classes read by text or item index.
enum class TChannelControl {
    cmbPort,
    cmbBaudrate,
    cmbDataBits,
    cmbStopBits,
    cmbParity,
    cmbActual,
    cmbSlave,
    edIPAddress,
    edPort,
};

// Memos of the channel window that the channel classes add lines to.
enum class TChannelMemo {
    memSerialData,   // the event protocol: time-out and synchronisation lines
    memConnections,  // device name / interface
    memInfo,         // information memo
};

// A one-shot command the poll thread had under way when the link to the unit was lost. It
// never goes out again; what the unit got of it is told by how often its frame went out
// and how often the unit answered it.
struct TCommandOnLoss {
    AnsiString Frame;  // empty: none was under way, or it had gone out in both its cycles
    int Sent = 0;
    int Answered = 0;
};

// The channel window as the device layer sees it.
class IChannelWindow {
public:
    virtual ~IChannelWindow() = default;

    virtual AnsiString ControlText(TChannelControl control) const = 0;
    virtual int ControlItemIndex(TChannelControl control) const = 0;

    virtual void MemoAdd(TChannelMemo memo, const AnsiString& line) = 0;
    // Replaces the first line of the chart's title.
    virtual void SetChartTitleFirstLine(const AnsiString& text) = 0;
    // Value series 0..21 of the chart: active state (set without a redraw) and legend entry.
    virtual void SetSeriesActive(int series, bool active) = 0;
    virtual void SetSeriesShowInLegend(int series, bool show) = 0;

    // Sets up series titles and axis captions for the identified device.
    virtual void SetupDeviceSeries(const AnsiString& deviceName, int channel) = 0;
    // The window's socket component that a TCP/IP channel drives; nullptr when the window
    // has none (the channel then keeps one of its own).
    virtual TZSocket* ZTCPSocket() { return nullptr; }
    // The identification has ended (result 1 success, 0 failure).
    virtual void OnConnectionEstablished(int channel, int result) = 0;

    // Values the channel classes hand to the window and read back.
    virtual void SetSamplingInterval(int seconds) = 0;
    // The control-method letter of the latest status reply.
    virtual void SetControlStatus(const AnsiString& status) = 0;
    virtual void SetSetpointLimits(double lower, double upper) = 0;
    virtual double GetLowerSetpointLimit() const = 0;
    virtual double GetUpperSetpointLimit() const = 0;
    // The unit's own serial number; once known the window does not ask the user for it.
    virtual void SetSerialNumber(std::uint32_t number) = 0;
    // Another unit answers where the channel's unit was: the message is shown to the user
    // without holding up the recording (it comes in the middle of polling).
    virtual void ReportOtherUnit(const AnsiString& message) = 0;
    // The link to the unit is lost, or it is back but the unit is not identified on it yet:
    // commands that have not gone out must never reach the unit later. `command` is the
    // one-shot command the poll thread had under way and what became of it.
    virtual void ConnectionLost(const TCommandOnLoss& /*command*/) {}
    // A one-shot command went out in its cycles on a working link and the unit answered none
    // of its frames: it may or may not have taken it. Comes before ReadyForCommand.
    virtual void CommandUnanswered(const AnsiString& /*frame*/) {}
    // The poll thread has sent a one-shot command in all its cycles: the next command waiting
    // for the unit can be handed over now.
    virtual void ReadyForCommand() {}
    // The poll thread went past a fault without waiting for a tick (a command waited for the
    // cycle): the fault is counted now, as of when it happened (CChannel::FaultUncounted).
    virtual void FaultPassed() {}
    // The whole program was held (stopped, or the computer slept) from one program-clock
    // moment to another, as the poll thread found.
    virtual void ProcessHeld(std::int64_t /*fromTicks*/, std::int64_t /*toTicks*/) {}
};

// Services of the application shell (the main window and the text table).
class IApplicationServices {
public:
    virtual ~IApplicationServices() = default;
    // 0 German, 1 English: the main window's current language.
    virtual int LanguageIndex() const = 0;
    // Text of a row of the text table in the given language.
    virtual AnsiString LookupText(int language, int row) const = 0;
    // The application's message box; may be called from any thread.
    virtual int MessageBox(const AnsiString& text, const AnsiString& caption, int flags) = 0;
    // The open channel window of a channel 1..10, or nullptr.
    virtual IChannelWindow* ChannelWindow(int channel) = 0;
    virtual bool IsChannelOpen(int channel) const = 0;
    // The channel number of the active channel window (0 when none).
    virtual int CurrentChannel() const = 0;
    // Runs pending window messages once (the identification's wait for OK).
    virtual void ProcessMessages() {}
    // The owner of the identification windows (the main window), or nullptr.
    virtual QWidget* MainWindowWidget() { return nullptr; }
};

// The services in use; nullptr until the application installs them. The caller keeps
// ownership.
IApplicationServices* ApplicationServices();
void SetApplicationServices(IApplicationServices* services);

// The application's message box, or the platform's one without services.
int ShowMessageBox(const AnsiString& text, const AnsiString& caption, int flags);
// Text of a row in the main window's current language; English without services.
AnsiString LookupText(int row);
// The same with its fields "$1", "$2", ... filled in (a field's own text is not searched
// for marks again).
AnsiString LookupText(int row, std::initializer_list<AnsiString> fields);
// Fills the marks "$1", "$2", ... of `text` with `fields`; a mark without a field stays.
AnsiString FillTextFields(const AnsiString& text, std::initializer_list<AnsiString> fields);
int CurrentChannel();
// Channel window of a channel, or nullptr.
IChannelWindow* ChannelWindowOf(int channel);
