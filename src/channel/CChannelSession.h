#pragma once
// One open channel, without widgets: the channel object and its threads, the recording of
// the unit's values into the 25 chart series on every tick, the recording file's parts and
// their saves, and the state the window, the main window and the control panel read. The
// channel object reports to the session (it is the channel's IChannelWindow); the channel
// window (TmdiSubWindow) is the session's view and hears of changes through the On...
// events. Without a window the session runs as it is, so a test can drive a unit's
// recording from the simulated unit to the data file.
//
// Everything here runs on the user-interface thread; the poll thread only sets the
// channel's flags and values, which a tick reads.
#include <QPointer>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/DataFileView.h"
#include "app/RecordedDataFile.h"
#include "app/RecordedDataWriter.h"
#include "comm/ChannelServices.h"
#include "comm/DeviceCommandQueue.h"
#include "platform/AnsiString.h"
#include "platform/DateTime.h"
#include "resources/TextRows.h"

namespace platform {
class TFileLook;
}
class CChannel;
class QObject;
class QTimer;
class TChartSeries;
class TFastLineSeries;
class TZSocket;

// Series of the channel chart besides the 22 value series.
inline constexpr int ChannelSeriesCount = 25;
inline constexpr int ValueSeriesTotal = 22;
inline constexpr int SeriesA = 22, SeriesB = 23, SeriesProgrammer = 24;

// The memos of a channel. The first four are those of the data file.
enum class TSessionMemo { SerialData, Protocol, Memo, Info, Connections };

// What became of commands handed to the channel's poll thread.
enum class TCommandHandOver { Taken, Waiting, Refused };
inline constexpr int SessionMemoCount = 5;

// What the connection page holds when the user connects. The channel classes read these
// texts and item indexes as they read the page's controls.
struct TConnectionSettings {
    AnsiString Interface = "RS232";  // "RS232", "RS485" or "TCP/IP"
    AnsiString Port;
    AnsiString BaudRate = "9600";
    AnsiString DataBits = "8";
    int StopBits = 0;  // item index: 1, 1.5, 2
    int Parity = 0;    // item index: none, odd, even, mark
    AnsiString Interval = "5";
    AnsiString Slave = "1";
    AnsiString IPAddress;
    AnsiString TCPPort = "8101";
    int TimeAxisStyle = 0;  // 0 "relativ", 1 "absolut"
    bool LogFile = false;
};

class CChannelSession : public IChannelWindow, public IRecordedDataSource {
public:
    // Parts are written anew after this many ticks and end after this age.
    static constexpr int TicksBetweenSaves = 2400;
    static constexpr std::int64_t PartSeconds = 43200;
    static constexpr int ErrorWarningSeconds = 180;
    // A gap between ticks up to this long is filled with error rows; a longer one (the
    // computer slept) is only named in the event protocol.
    static constexpr std::int64_t FilledGapSeconds = 3600;

    explicit CChannelSession(int channel);
    // Stops the threads and releases the port without saving (Close saves).
    ~CChannelSession() override;
    CChannelSession(const CChannelSession&) = delete;
    CChannelSession& operator=(const CChannelSession&) = delete;

    int Channel() const { return FChannel; }
    // The channel number is given once the main window has allocated it; a connected
    // session keeps its number.
    void SetChannel(int channel);
    // Where a recording goes when the user cancels the file dialog (the home folder when
    // empty).
    static AnsiString DefaultDataFolder;
    // The open session of a channel 1..10, or nullptr.
    static CChannelSession* Of(int channel);

    // ---- series: 0..21 value series, 22 A, 23 B, 24 the programmer's planned setpoints
    TFastLineSeries* ValueSeries(int index) const;
    // Recorded series (Tag 1) drawn against the right axis.
    static bool DrawnOnRightAxis(int series);

    // ---- connection
    TConnectionSettings Settings;
    // The connect button's work: creates the channel object for the chosen interface, lets
    // it read the settings, open and start the identification. False when nothing was
    // started (the user was told why).
    bool EstablishConnection();
    CChannel* ChannelObject() const { return FChannelObject.get(); }
    bool IsIdle() const { return FIdle; }
    bool IsConnected() const { return FConnected; }
    bool IsCleanupPending() const { return FCleanupPending; }
    // The RS485 addresses other channels use on the device `port` names (one per channel),
    // connected or being identified.
    static std::vector<int> BusAddressesInUse(const AnsiString& port, int exceptChannel);
    // The other channel that uses `address` on the device `port` names; 0 when none does.
    static int BusAddressHolder(const AnsiString& port, int address, int exceptChannel);
    // The other channel connected or being identified on the TCP/IP unit at `address` (as
    // normalised) and `port`; 0 when none is.
    static int TcpUnitHolder(const AnsiString& address, const AnsiString& port, int exceptChannel);
    // A port of this program's open RS485 channels: offered even though it cannot be opened.
    static bool IsSharedBusPort(const AnsiString& port, int exceptChannel);

    // ---- recording
    // The start of a recording after the identification: series set up for recording,
    // part 1 started and the first tick run (at once, or once the values are renewed).
    void SetupGraphAxes();
    void StartTimeAxis();
    // One recording tick (the data timer's work). A call while one runs is ignored. True
    // when the tick recorded its points.
    bool Tick();
    // The status text of this tick's points; counts error ticks.
    AnsiString UpdateStatusText();
    // The label of an error point, in either language (a recording keeps its labels over a
    // switch of the language).
    static bool IsErrorLabel(const AnsiString& label);
    // False while the newest tick labelled its points as errors: the channel's values are
    // then not what the unit measures now, and the window shows none.
    bool ValuesShownCurrent() const { return FValuesShownCurrent; }
    // The unit's setpoint as its replies told it, while the newest tick's values are
    // current; none before the unit has told it, without a connection and during a fault.
    std::optional<double> UnitSetpoint() const;
    // The setpoint the unit is getting (one given and not yet told back) or else the one its
    // last reply told, current or not; none before the unit has told one.
    std::optional<double> LastKnownUnitSetpoint() const;
    // The part and save decision after TicksSinceSave was counted up for this tick.
    void PartAndSaveDecision();
    // Writes the current part in the background; `done` hears whether it was written.
    void SaveRecording(std::function<void(bool)> done = {});

    // ---- the program run's part
    // Command pairs for the unit: the command after the address ("G0D*****0BB8") and the
    // outputs command that goes with it ("C14*************"). A standing pair goes out with
    // every poll cycle until the next one replaces it; a pair sent `once` goes out in one
    // cycle. The poll thread refuses new pairs while a one-shot command waits for its cycle:
    // such pairs are kept, in order, and handed over at the next tick, so nothing is lost
    // and no error is reported for them. A standing pair that is still waiting is replaced
    // by a newer one.
    // Taken when the poll thread took the pair at once, Waiting when it is kept for a later
    // tick, Refused when it cannot go out at all (no connection, no poll thread) or a pair
    // sent once was not kept (the link is lost, too many wait).
    // A program's pair (`program`) is withdrawn with the program's other frames by a
    // later hold, stop or start while it waits.
    TCommandHandOver SendProgramCommands(const AnsiString& command, const AnsiString& outputs, bool once,
                                         bool program = false);
    // A program's pair that must reach the unit now, not at the next tick (a resumed or
    // cancelled segment, a start): it goes at once in two poll cycles of its own, as a
    // device command does, and then stands. A one-shot that cannot go (the link is lost,
    // too many wait) is named in the protocol; the pair still stands. Refused as above.
    // "Channel n (label)" for messages that must say which unit they are about.
    AnsiString ChannelName() const;
    TCommandHandOver SendProgramCommandsAtOnce(const AnsiString& command, const AnsiString& outputs);
    // A program's hold or stop: the program's frames still waiting are withdrawn, and the
    // pair ("no change") stands at once, also in a poll cycle that is loaded and has not
    // begun, so no frame computed before reaches the unit.
    void WithdrawProgramCommands(const AnsiString& command, const AnsiString& outputs);
    // Asks the unit for its setpoint limits in one cycle, the same way.
    void RequestSetpointLimits();
    // A command of the control panel (frames built): queued with the program's commands, in
    // the order given. Refused when the channel has no poll thread to take it, when a
    // one-shot command would wait for a lost link, or when too many wait already; the
    // caller reports a refusal.
    DeviceCommandQueue::TResult QueueDeviceCommand(const AnsiString& frame, int replyLength, const AnsiString& followUp,
                                                   bool once, bool program = false);
    // What a command frame does, in words for the user.
    AnsiString CommandName(const AnsiString& frame) const;
    bool HasWaitingProgramCommands() const { return !FCommands.Empty(); }
    // The one-shot commands given to the unit of which nothing has gone out yet (the one
    // handed to the poll thread, then those waiting), in words, "; " between them; queries
    // are left out (they change nothing at the unit). Empty: none.
    AnsiString UnsentCommandNames() const;
    // The channel ends (closed, or the program ended from outside): those commands never
    // go, and the event protocol names them.
    void DropUnsentCommands();
    // The setpoint the unit has taken, as its replies tell it; none when that is not known.
    std::optional<double> SetpointTaken() const;
    // While suspended, ticks poll the unit but record nothing (a timed start that was armed
    // to stop the recording until it fires).
    void SetRecordingSuspended(bool suspended) { FRecordingSuspended = suspended; }
    bool RecordingSuspended() const { return FRecordingSuspended; }
    // Writes the current part and begins the next one (a timed start that suspended the
    // recording); the new part's bookkeeping is that of every new part.
    void StartNewPartNow();
    // A message that must not hold up the tick (see OnNotice).
    void Notice(const AnsiString& text, const AnsiString& caption, std::function<void()> closed = {})
    {
        ShowNotice(text, caption, std::move(closed));
    }

    // The current part's file grows by the rows of every tick (see TDataFileSaveQueue::
    // Append): a crash loses no row the tick before had taken. A point whose label changes
    // after its tick (a segment's name on the setpoint curve) is written again with it.
    void RecordedPointChanged(int index);
    // How much free space a recording's folder needs at its start not to count as full.
    static constexpr std::uint64_t MinimumFreeBytes = 1 << 20;
    // A file that cannot be written is tried again after this long.
    static constexpr std::int64_t GrowRetryMs = 60000;

    // Closing a connected channel: timers are the window's; this stops polling, writes the
    // part (and a part whose write failed before), and releases the channel. When the write
    // fails the user is asked whether to close anyway; false means the session goes on.
    bool Close();
    // The program is being ended from outside (a termination signal, its display gone) and
    // can neither ask nor show a window: the ticks stop, `why` goes into the event protocol
    // and the part is written as Close writes it; `done` hears the result on the
    // user-interface thread. False, and `done` is not called, when nothing records.
    bool EndFromOutside(const AnsiString& why, std::function<void(bool)> done);

    // ---- state
    TDateTime PartStartTime() const { return FPartStartTime; }
    int TicksSinceSave() const { return FTicksSinceSave; }
    int TickCount() const { return FTickCount; }
    // The data folder's check at the recording's start has not come back yet.
    bool DataFolderCheckPending() const { return FFolderCheckPending; }
    int ErrorTicks() const { return FErrorTicks; }
    TDateTime TimeOrigin() const { return FTimeOrigin; }
    // The time a row taken now would have on the time axis.
    TDateTime RecordedTimeNow() const;
    bool AbsoluteTimeAxis() const { return FAbsoluteTimeAxis; }
    AnsiString DataFileBase() const { return FDataFileBase; }
    AnsiString DataFileShortName() const { return FDataFileShortName; }
    AnsiString FirstPartFileName() const { return FFirstPartFileName; }
    // The file the current part is written to.
    AnsiString PartFileName() const;
    // The file its rows really went to: a free name beside it while another user holds its
    // own (the part keeps that name to its end), else PartFileName.
    AnsiString WrittenPartFileName() const { return FPartWrittenAs.empty() ? PartFileName() : FPartWrittenAs; }
    AnsiString ChannelLabel() const { return FChannelLabel; }
    std::uint32_t UnitSerialNumber() const { return FSerialNumber; }
    AnsiString ControlStatus() const { return FControlStatus; }
    // The unit's status replies, counted as they are taken in, and the setpoint the one of
    // this number told (the last few are kept; none for an older one).
    std::uint64_t StatusReplyCount() const { return FStatusReplies; }
    std::optional<double> StatusReplySetpoint(std::uint64_t number) const;
    // The poll exchange whose reply told the status last (CChannel::ExchangesBegun): a
    // status newer than a moment has a number above the count read then.
    std::uint64_t StatusExchange() const { return FStatusExchange; }
    // Commands that switch a unit's temperature control off, as this program hands them to
    // any unit, are counted program-wide: ControlOffCount read at a moment is a mark, and
    // ControlOffSince(mark) says whether one has gone to this channel's unit (from this
    // channel or another on the same unit) since. StatusOffMark is the count when this
    // channel's last status came in: one since then is not in that status yet.
    static std::uint64_t ControlOffCount();
    bool ControlOffSince(std::uint64_t mark) const;
    std::uint64_t StatusOffMark() const { return FStatusOffMark; }
    // True for this session and for another connected to the same unit (the same TCP/IP
    // unit through a connection of its own).
    bool SameUnit(const CChannelSession& other) const;
    // The commands of which the unit answered nothing (it was silent, or the link was lost
    // before or while they went), counted, with the frames of the last few.
    std::uint64_t UnansweredCommandCount() const { return FUnansweredCommands; }
    // The frames of those counted after `mark` that are still kept.
    std::vector<AnsiString> UnansweredCommandsSince(std::uint64_t mark) const;
    bool HasUnsavedPart() const { return FUnsavedPart.has_value(); }
    // The axis titles the label file or the defaults chose (empty until identified).
    AnsiString LeftAxisTitle() const { return FLeftAxisTitle; }
    AnsiString RightAxisTitle() const { return FRightAxisTitle; }
    std::vector<AnsiString> TitleLines() const { return FTitleLines; }
    void SetTitleLines(const std::vector<AnsiString>& lines);
    void SetValueSeriesCount(int count) { FSeriesCount = count; }
    void SetProgrammerMode(bool on) { FProgrammerMode = on; }

    // ---- memos (the window shows them; the data file writes them)
    const std::vector<AnsiString>& Memo(TSessionMemo memo) const { return FMemos[std::size_t(memo)]; }
    void AddMemoLine(TSessionMemo memo, const AnsiString& line);
    void SetMemo(TSessionMemo memo, const std::vector<AnsiString>& lines);

    // ---- events of the view; one that is not set does nothing
    std::function<void(TSessionMemo memo, const AnsiString& line)> OnMemoLineAdded;
    std::function<void(TSessionMemo memo)> OnMemoReset;
    std::function<void()> OnTitleChanged;
    // Series titles and axis titles were set for an identified unit.
    std::function<void()> OnDeviceSeriesSetUp;
    // The identification ended (1 identified, 0 failed), after the session's own work.
    std::function<void(int result)> OnConnectionResult;
    // The time axis (re)started: at the recording's start and at every new part.
    std::function<void(TDateTime axisStart)> OnTimeAxisStarted;
    // A tick added its points.
    std::function<void()> OnTicked;
    // A message that must not hold up the tick; `closed` is to run once the user has read
    // it. Without a handler it is shown in a box after the tick.
    std::function<void(const AnsiString& text, const AnsiString& caption, std::function<void()> closed)> OnNotice;
    // A message about the running part's file (it cannot be made or written). A later one
    // takes the place of one still open, and OnFileNoticeStale withdraws it once the file is
    // written again. Without a handler it goes to OnNotice (or a box).
    std::function<void(const AnsiString& text, const AnsiString& caption)> OnFileNotice;
    std::function<void()> OnFileNoticeStale;
    // The label the user knows the channel by (the control panel's); without a handler the
    // identified unit's name.
    std::function<AnsiString()> OnChannelLabel;
    // The serial-number question; without a handler the dialogs' input query asks.
    std::function<int()> OnAskSerialNumber;
    // The window's socket component for a TCP/IP channel (nullptr: the channel keeps one).
    std::function<TZSocket*()> OnSocket;
    // The channel's timers must stop (false) or run again (true) around work that must
    // not be interrupted by a tick.
    std::function<void(bool run)> OnTimers;
    // The first point was taken as the cycle it waited for came back, between two ticks of
    // the window's timer: a timer that runs starts anew, so the next tick follows one
    // interval after it.
    std::function<void()> OnFirstPointTaken;
    // Commands given to the unit were named as not sent (the link lost, not in time): a
    // setpoint among them is not what the unit has.
    std::function<void()> OnCommandsNotSent;
    // The program is being ended from outside: what the window must add to the protocols
    // (a program run cut off) before the part is written.
    std::function<void()> OnEndingFromOutside;
    // A status reply of the unit was taken in (its status is ControlStatus now).
    std::function<void()> OnStatusReply;

    // ---- IChannelWindow: the channel object's view of its window
    AnsiString ControlText(TChannelControl control) const override;
    int ControlItemIndex(TChannelControl control) const override;
    void MemoAdd(TChannelMemo memo, const AnsiString& line) override;
    void SetChartTitleFirstLine(const AnsiString& text) override;
    void SetSeriesActive(int series, bool active) override;
    void SetSeriesShowInLegend(int series, bool show) override;
    void SetupDeviceSeries(const AnsiString& deviceName, int channel) override;
    TZSocket* ZTCPSocket() override { return OnSocket ? OnSocket() : nullptr; }
    void OnConnectionEstablished(int channel, int result) override;
    void SetSamplingInterval(int seconds) override;
    void SetControlStatus(const AnsiString& status) override;
    void SetSetpointLimits(double lower, double upper) override;
    double GetLowerSetpointLimit() const override { return FLowerSetpointLimit; }
    double GetUpperSetpointLimit() const override { return FUpperSetpointLimit; }
    void SetSerialNumber(std::uint32_t number) override;
    void ReportOtherUnit(const AnsiString& message) override;
    // The one-shot commands that had not gone out are dropped and named in one protocol line.
    void ConnectionLost(const TCommandOnLoss& command) override;
    // The next waiting command goes to the poll thread.
    void ReadyForCommand() override { FlushProgramCommands(); }
    // The user (or the run that gave it) hears of it as of a command cut off by a loss.
    void CommandUnanswered(const AnsiString& frame) override;
    // Counted at once towards the warning, as the fault of the coming tick.
    void FaultPassed() override;
    // One protocol line names the hold: this one, or the line of the tick after it that
    // records the ticks due meanwhile as missed.
    void ProcessHeld(std::int64_t fromTicks, std::int64_t toTicks) override;

    // ---- IRecordedDataSource: what the data file is written from
    int SeriesCount() const override { return ChannelSeriesCount; }
    TChartSeries* Series(int index) const override;
    AnsiString AxisValuesFormat(int index) const override;
    std::vector<AnsiString> MemoLines(TDataFileMemo memo) const override;
    int ValueSeriesCount() const override { return FSeriesCount; }
    int SamplingInterval() const override { return FSamplingInterval; }
    AnsiString DataFileName() const override { return FDataFileBase + ".csv"; }
    int PartNumber() const override { return FPartNumber; }
    AnsiString DeviceName() const override { return FChannelLabel; }
    bool Connected() const override { return FConnected; }
    bool ProgrammerMode() const override { return FProgrammerMode; }
    bool LogFileChecked() const override { return Settings.LogFile; }

private:
    // The names of UnsentCommandNames, with `handed` as the one handed to the poll thread.
    AnsiString UnsentCommandNames(const AnsiString& handed) const;
    // This channel uses the RS485 line on the device `port` names (connected or connecting).
    bool UsesBus(const AnsiString& port) const;

    void CreateSeries();
    void DeleteChannelObject();
    void MakeDataFileName();
    void ChooseDataFileBase(const AnsiString& chosen);
    // One reading of the clocks: the wall-clock date-time the time axis started at plus
    // the monotonic time since, and the steps of the wall clock the rows follow.
    TDateTime ElapsedWallClock(std::int64_t ticks) const;
    // The program's monotonic clock and the wall clock at one moment: read again when the
    // program was held between the reads, so that neither is read before a hold and the
    // other after it.
    struct TClocks {
        std::int64_t Ticks = 0;
        TDateTime Utc = 0, Wall = 0;
    };
    static TClocks ReadClocks();
    // A wall clock set forward or back by more than a second since the last tick (a clock
    // corrected after the computer was paused) is named in the protocol; on the absolute
    // time axis the rows follow it as far as their times keep increasing. On the relative
    // axis a row's time is the time since the start, which no step of the clock changes.
    void FollowWallClock(const TClocks& clocks);
    // An event-protocol line stamped with the time of the rows while a recording runs, so
    // that lines and rows tell one time (also after the wall clock was set back).
    AnsiString StampedOnRowsClock(const AnsiString& line) const;
    void StartPartClock(TDateTime wall, std::int64_t ticks);
    void PartAndSaveDecision(std::int64_t ticks);
    // The ticks the user-interface thread missed before this one become error rows, and so
    // does a tick due while the whole program was held, also when it comes less than half an
    // interval late. False when this tick is such a late one: its row is at its own time.
    bool RecordMissedTicks(std::int64_t ticks);
    struct THeldSpan {
        std::int64_t From = 0, To = 0;
    };
    void AddHoldLine(const THeldSpan& hold);
    // A part's first write that replaces a file of an earlier recording says so in the
    // event protocol. The file is looked for off this thread; false while that look has not
    // come back, unless `giveUp` (the write goes ahead and nothing is said).
    bool NoteReplacedPartFile(bool giveUp);
    void WriteCurrentPart(std::function<void(bool)> done, TPartFileUse use, bool quiet);
    void BeginRollover(std::int64_t ticks);
    // The next part begins: the `written` first points of every series and the first
    // protocol lines went into the ended part's file and leave the series.
    void StartNewFilePart(int written, std::size_t protocolLines, TDateTime partStart, std::int64_t ticks);
    void ShowNotice(const AnsiString& text, const AnsiString& caption, std::function<void()> closed);
    // Hands the waiting pairs over as far as the poll thread takes them; true when none is
    // left waiting. One-shot commands that waited too long are dropped, named in one
    // protocol line and in a message.
    bool FlushProgramCommands();
    // After a command was queued or handed over: reports what was dropped and watches the
    // waiting ones' time while any wait.
    void CommandsChanged();
    TCommandHandOver SendProgramPair(const AnsiString& command, const AnsiString& outputs, bool once, bool program);
    void AddProtocolLine(const AnsiString& text);
    // The part's file: checked when a recording starts, written whole the first time and
    // when its texts changed, grown by the new rows otherwise.
    void CheckDataFolder();
    void GrowPartFile(std::int64_t ticks);
    void CreatePartFile(std::int64_t ticks);
    void PartFileFailed(const AnsiString& name, const std::string& error, std::int64_t ticks);
    void ReportPartFileFailure(const AnsiString& name, const std::string& error);
    void SideFileBlocked(const AnsiString& name, const std::string& blocker, bool earlierWrite);
    // The running part's file goes on growing in the folder it was made in, which is no
    // longer the folder at its path (`folder`).
    void PartFolderReplaced(const AnsiString& name, const std::string& folder);
    // The protocol line and the box of `row` with $1 and $2 put in; once for each `key`, which
    // `last` keeps.
    void FileNoticeOnce(std::string& last, const std::string& key, resources::TextRow row, const std::string& one,
                        const AnsiString& two);
    void ShowFileNotice(const AnsiString& text);
    // The callback that tells the user what a save did with side files, or that it saved
    // under a free name.
    std::function<void(const std::vector<platform::TSideFileNote>&)> SaveNoted();
    // The running part's file was written whole after it had failed or was gone.
    void PartFileWrittenAgain(const AnsiString& name);
    // The current part was saved under the free name `free`: the window's title, the
    // information memo and the lines from now on name it.
    void PartSavedAs(const AnsiString& free);
    // A notice about where the recording's data went, which stays until the user closes it
    // (a modal box while the channel closes, whose window goes).
    void ShowWhereNotice(const AnsiString& text);
    void DataFolderChecked(const AnsiString& name, const std::string& error);
    // For work this session queues on the user-interface thread: an exception of it goes
    // into the event protocol (while the session lives).
    std::function<void(const std::string&)> QueuedWorkFailed();
    void ResetPartFile();
    void TitleChanged();

    int FChannel;
    QObject* FSeriesOwner;  // owns the series; a chart that takes them only shows them
    std::array<QPointer<TFastLineSeries>, ChannelSeriesCount> FSeries;
    std::unique_ptr<CChannel> FChannelObject;
    std::array<std::vector<AnsiString>, SessionMemoCount> FMemos;
    std::vector<AnsiString> FTitleLines{"Datenaufzeichnung", "Datei"};

    // Recording state, named as the window's members of the same meaning.
    TDateTime FPartStartTime = 0;
    AnsiString FDataFileShortName, FDataFileBase, FFirstPartFileName, FChannelLabel;
    AnsiString FFreeNameShown;  // the free name a part was last saved under (SaveNoted)
    AnsiString FPartWrittenAs;  // the free name the current part was saved under (empty: none)
    // Where this recording's files go: the folder they were made in and the parts' free names.
    std::shared_ptr<TRecordingFolder> FRecordingFolder = std::make_shared<TRecordingFolder>();
    AnsiString FLeftAxisTitle, FRightAxisTitle;
    std::uint32_t FSerialNumber = 0;
    int FSeriesCount = ValueSeriesTotal;
    int FPartNumber = 0;
    int FErrorTicks = 0;
    // When the faults of the error ticks counted now began (program clock; -1: no error tick
    // since the last good one).
    std::int64_t FErrorsSinceTicks = -1;
    // A fault of the coming tick has been counted already, when the poll thread went past it.
    bool FFaultCounted = false;
    // False while the newest tick's points are error points: the values it shows are not
    // the unit's current ones.
    bool FValuesShownCurrent = true;
    double FLowerSetpointLimit = -999.9, FUpperSetpointLimit = 999.9;
    bool FSerialNumberAsked = false;
    bool FCleanupPending = false;
    bool FIdle = true;
    bool FConnected = false;
    bool FAbsoluteTimeAxis = false;
    bool FProgrammerMode = false;
    int FTicksSinceSave = 0;
    int FTickCount = 0;
    int FSamplingInterval = 5;
    TDateTime FTimeOrigin = 0;
    AnsiString FControlStatus;
    std::uint64_t FStatusReplies = 0;
    std::uint64_t FStatusExchange = 0;
    std::uint64_t FStatusOffMark = 0;
    // The program-wide count when this channel last handed over a control-off command.
    std::uint64_t FControlOffMark = 0;
    std::vector<std::pair<std::uint64_t, double>> FStatusSetpoints;
    std::uint64_t FUnansweredCommands = 0;
    std::vector<std::pair<std::uint64_t, AnsiString>> FUnansweredFrames;
    void NoteUnanswered(const AnsiString& frame);

    // The time axis' clock: the wall clock read once when it started, and the monotonic
    // clock at that moment. X values and part ages follow the monotonic clock from there.
    TDateTime FAxisStartWall = 0;
    std::int64_t FAxisStartTicks = 0;
    // The wall clock in UTC when the axis started; how far it has been set ahead of the
    // monotonic clock since (negative: back), and how far the rows' times have followed it.
    TDateTime FAxisStartUtc = 0;
    std::int64_t FWallClockStepsMs = 0;
    std::int64_t FAxisShiftMs = 0;
    std::int64_t FPartStartTicks = 0;

    DeviceCommandQueue FCommands;
    // Runs while commands wait: they are handed over or dropped in time, not at the next tick.
    std::unique_ptr<QTimer> FCommandTimer;
    // A recording whose start found older values than a good point may hold takes its first
    // point once the poll cycle asked for at the start has renewed them, or as an error point
    // as soon as that cycle fails or once they are older than a good point's may be
    // (FirstPointDue), whichever comes first; the timer looks meanwhile. A tick before then
    // leaves the first point to it.
    std::unique_ptr<QTimer> FFirstPointTimer;
    bool FFirstPointAwaited = false;
    std::int64_t FFirstPointAskedTicks = 0;
    void AwaitFirstPoint(std::int64_t ticks);
    void TakeAwaitedFirstPoint();
    bool FirstPointDue(std::int64_t ticks) const;
    bool FRecordingSuspended = false;

    bool FInTick = false;
    // The data folder's check at the start runs off this thread; a failure to write found
    // meanwhile waits for it, so the user hears of the folder once.
    int FFolderChecks = 0;
    bool FFolderCheckPending = false;
    std::optional<std::pair<AnsiString, std::string>> FFailureAfterCheck;
    std::shared_ptr<platform::TFileLook> FReplacedLook;  // the part's name looked for
    std::int64_t FLastRowTicks = -1;                     // when the newest row was taken (-1: none yet)
    // A hold during which a tick was due: the tick after it names it.
    std::optional<THeldSpan> FHoldOwed;
    std::int64_t FGapLineUntil = -1;  // the end of the last gap a tick named
    bool FPartWritten = false;        // the current part's file was written at least once
    bool FRolloverPending = false;    // the ending part is being written
    bool FClosing = false;            // Close waits for the closing save
    bool FRolloverFailed = false;     // its write failed: tried again at the next save check
    bool FWarningOpen = false;        // the communication warning waits for its OK
    // Every error row has a line that says why, or one before it since the last good row
    // that covers it: the event protocol's lines so far, those at the last good row (or the
    // recording's start) and when that was.
    std::uint64_t FProtocolLines = 0;
    std::uint64_t FProtocolLinesAtGood = 0;
    std::int64_t FLastGoodTicks = 0;
    // An error row whose values are outdated or not renewed in time, without a line of its
    // own (no fault of an exchange, which the poll thread names): owed by the tick's status,
    // said once the tick's lines of missed ticks and holds are written, unless a line since
    // the last good row covers it.
    bool FExplainOwed = false;
    void ExplainErrorRow();
    // One more error tick towards the "too many communication errors" warning; none comes
    // while the unit has answered again since its last fault.
    void CountErrorTick(bool answeredAgain);
    // A part whose write failed, kept for the close question.
    std::optional<AnsiString> FUnsavedPart;
    // Saves asked for while the ending part is written: they hear that write's result.
    std::vector<std::function<void(bool)>> FRolloverWaiters;
    std::shared_ptr<bool> FAlive;  // lets queued save results see the session has gone
    // The line of an end from outside that says every row was written: the end's save writes
    // it into the file at its place among the protocol's lines (before that place's index);
    // the protocol here takes it only once that save is done.
    AnsiString FEndedLine;
    std::size_t FEndedLineAt = 0;

    // The part's growing file.
    enum class TPartFile { None, Growing, Retry };
    TPartFile FPartFile = TPartFile::None;
    AnsiString FGrowingName;             // the file that grows (empty: none)
    int FGrowRows = 0;                   // rows of the part handed to it
    std::size_t FGrowProtocolLines = 0;  // event-protocol lines handed to it
    std::uint64_t FMemoChanges = 0;      // changes of the memo, information and programmer protocol
    std::uint64_t FGrowMemoChanges = 0;
    bool FGrowProgrammerProtocol = false;
    std::int64_t FGrowRetryTicks = 0;  // when a file that failed is tried again
    bool FGrowFailureShown = false;    // its failure was reported; not again until it is written
    std::string FSideFileBlocker;      // what holds its side file's name, as last reported
    std::string FReplacedFolder;       // the running part's folder no longer at its path, as last reported
    std::string FSavedInFolderShown;   // a save into the recording's folder no longer at its path, as last told
    std::string FSavedInFolderBox;     // where that folder was last said to be in a box
    // What happened to the running part's file since it was last written: the protocol
    // says when it is written again.
    // Behind: a write of it has waited a minute for a drive that does not answer.
    enum class TPartFileTrouble { None, Failed, Gone, Behind };
    // Says in the protocol when the file's write has waited a minute on a drive that does not
    // answer; PartFileWrittenAgain says when it is written.
    void NoteFileBehind(std::int64_t ticks);
    static constexpr std::int64_t FileBehindMs = 60000;
    TPartFileTrouble FPartFileTrouble = TPartFileTrouble::None;
};
