#pragma once
// The channel window: one MDI child per open channel, in one of four views (data
// recording, file view, programmer, TP Scout). It is the view of its channel's session
// (CChannelSession), which holds the channel object, the recording and the file parts:
// the window shows the session's series in its chart graDataGraph, its memos and state,
// and hands the user's connection settings and commands to it.
//
// The class is spread over files named after what they hold: TmdiSubWindow.cpp (the form,
// its pages and life), _connection.cpp (the connection page), _tick.cpp (timers, time axis
// and vertical auto-range), _chart.cpp (the chart's layout and the device's series
// titles), _views.cpp (the four views and closing), _interfaces.cpp (what the main window,
// the control panel, the data files and the programmer ask of the window), _language.cpp
// (every text of the window in the current language), _zoom.cpp (zoom, read-out, legend and
// remaining time on the chart), _marks.cpp (which point labels the series draw),
// _options.cpp (the graph options page), _activation.cpp (what the main window and the
// control panel offer for the active window, and the resize rule), _programmer.cpp (the
// program run's commands and what its controls do), _editor.cpp (the program tree and the
// program editor), _tpscout.cpp (the TP Scout view).
#include <QMdiSubWindow>
#include <QPointer>
#include <array>
#include <initializer_list>
#include <memory>
#include <utility>

#include "app/DataFileView.h"
#include "app/IChannelForm.h"
#include "app/IPanelChannelWindow.h"
#include "channel/CChannelSession.h"
#include "channel/CProgramRun.h"
#include "channel/LabelFile.h"
#include "platform/MouseTypes.h"
#include "platform/PressedState.h"
#include "platform/TTreeNode.h"
#include "programmer/ProgramFileCommands.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMessageBox;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;
class CProgrammer;
class IControlPanel;
class TAreaSeries;
class TButtonColor;
class TChart;
class TChartAxis;
class TGridBandTool;
class TLegendScrollBar;
class TPen;
class TZSocket;

class TmdiSubWindow : public QMdiSubWindow,
                      public IChannelForm,
                      public IDataFileView,
                      public IPanelChannelWindow,
                      public IProgramFileWindow {
    Q_OBJECT
public:
    explicit TmdiSubWindow(QWidget* owner = nullptr);
    ~TmdiSubWindow() override;

    CChannelSession& Session() { return *FSession; }
    const CChannelSession& Session() const { return *FSession; }

    // ---- components (named as the form's controls)
    QTabWidget* tabDataControl = nullptr;
    QWidget *tabDataConnection = nullptr, *tabDataGraph = nullptr, *tabDataOptions = nullptr, *tabDataInfo = nullptr,
            *tabDataStatus = nullptr, *tabScout = nullptr, *tabProgrammerGraph = nullptr, *tabFunctions = nullptr;
    // Connection page.
    QComboBox *cmbInterface = nullptr, *cmbPort = nullptr, *cmbBaudrate = nullptr, *cmbDataBits = nullptr,
              *cmbStopBits = nullptr, *cmbParity = nullptr, *cmbActual = nullptr, *cmbTimeAxisStyle = nullptr,
              *cmbSlave = nullptr;
    QLineEdit *edIPAddress = nullptr, *edPort = nullptr;
    QCheckBox* chkLogFile = nullptr;
    QPushButton* cmdEstablishConnection = nullptr;
    QPlainTextEdit* memConnections = nullptr;
    QLabel *txtInterface = nullptr, *txtPort = nullptr, *txtBaudrate = nullptr, *txtDataBits = nullptr,
           *txtStopBits = nullptr, *txtParity = nullptr, *txtActual = nullptr, *txtTimeAxisStyle = nullptr,
           *txtSlave = nullptr, *txtIPAddress = nullptr, *txtTCPPort = nullptr;
    // Graph page: the chart and the read-out labels laid over it.
    TChart* graDataGraph = nullptr;
    QLabel *lblXCoord = nullptr, *lblY1Coord = nullptr, *lblY2Coord = nullptr, *txtSeries = nullptr,
           *txtSelection = nullptr;
    // Graph options page.
    QCheckBox *chkAutomaticScale = nullptr, *chkTimeWindow = nullptr, *chkAutomaticScaleY = nullptr,
              *chkError = nullptr, *chkLabel = nullptr, *chkGradient = nullptr;
    QLineEdit *edTimeWindow = nullptr, *edTimeMin = nullptr, *edTimeMax = nullptr, *edTempMin = nullptr,
              *edTempMax = nullptr, *edPowerMin = nullptr, *edPowerMax = nullptr, *edLineName = nullptr,
              *edTempAxisLabel = nullptr, *edPowerAxisLabel = nullptr, *edTimeAxisLabel = nullptr;
    QLabel* txtTimeWindow = nullptr;
    QComboBox* cmbLineSeries = nullptr;
    TButtonColor* clbLineColor = nullptr;
    QPushButton* cmdGraphRefresh = nullptr;
    // Memo / info and event protocol pages; the programmer's protocol.
    QPlainTextEdit *memMemo = nullptr, *memInfo = nullptr, *memSerialData = nullptr, *memProtocol = nullptr;
    // Programmer pages: the program tree with its pop-up menu and buttons, the editor's
    // segment and program controls; the profile chart with its legend, and the protocol.
    QLabel *txtHint1 = nullptr, *txtHint2 = nullptr;
    // Under the run's buttons: a start that waits for its recorded points, and about how long.
    QLabel* txtRunWaits = nullptr;
    QTreeWidget* treeTProgram = nullptr;
    QMenu* PopupProgrammer = nullptr;
    QAction *mnuCreateProgram = nullptr, *mnuDeleteProgram = nullptr, *mnuLoadProgram = nullptr,
            *mnuSaveProgram = nullptr, *mnuAddSegment = nullptr, *mnuPasteSegment = nullptr,
            *mnuDeleteSegment = nullptr, *mnuStartStopProgram = nullptr, *mnuCancelSegment = nullptr,
            *mnuPauseSegment = nullptr;
    QPushButton *btnCreateTP = nullptr, *btnDeleteTP = nullptr, *btnLoadTP = nullptr, *btnSaveTP = nullptr,
                *btnAddSegment = nullptr, *btnDeleteSegment = nullptr, *btnApplyValues = nullptr,
                *btnTPStartStop = nullptr, *btnPauseSegment = nullptr, *btnCancelSegment = nullptr;
    int btnTPStartStopTag = 1;  // 1: the next press starts the program, 0: it stops it
    // What the pop-up menu's start/stop item offered when the menu opened (-1: not open
    // since its last use), and the run it was about.
    int FMenuStartStopTag = -1;
    std::uint32_t FMenuRun = 0;
    AnsiString FMenuProgram;
    bool FMenuOpen = false;
    // The program editing was locked (which run, or a timed start armed) when the menu opened.
    std::pair<std::uint32_t, bool> FMenuLocked{0, false};
    std::pair<std::uint32_t, bool> ProgramLockSeen() const;
    QGroupBox *grpScout = nullptr, *grpProgrammeditor = nullptr, *grpSegment = nullptr, *grpProgram = nullptr;
    QLabel *txtSegmentProperties = nullptr, *txtProgramProperties = nullptr;
    QLineEdit *txtCurrentSegment = nullptr, *edDuration = nullptr, *edTemperature = nullptr, *edStirrer = nullptr,
              *edStartTemperature = nullptr;
    QComboBox *cmbPoko2 = nullptr, *cmbTemperatureControl = nullptr, *cmbExecution = nullptr, *cmbRepeat = nullptr,
              *cmbEndofProgram = nullptr, *cmbStirrer = nullptr, *cmbPoko = nullptr;
    QLabel *txtInterval = nullptr, *txtEndTemperature = nullptr, *txtStirrer1 = nullptr, *txtPoko2 = nullptr,
           *txtTemperatureControl = nullptr, *txtSegmentExecution = nullptr, *txtRepeat = nullptr,
           *txtEndofProgram = nullptr, *txtStartTemperature = nullptr, *txtStirrer = nullptr, *txtPoko = nullptr;
    QGroupBox *grpProgrammerGraph = nullptr, *grpProgrammerLegend = nullptr, *grpProgrammerProtocol = nullptr;
    TChart* graProgrammerGraph = nullptr;
    TAreaSeries* Series1 = nullptr;
    QPlainTextEdit* Memo3 = nullptr;
    // Chart tools.
    TLegendScrollBar* ChartTool1 = nullptr;
    TGridBandTool* ChartTool2 = nullptr;
    // Timers: the data timer in the recording view, the programmer timer in the programmer
    // view. Their Tags carry the channel number.
    QTimer *tmrDataUpdate = nullptr, *tmrProgrammer = nullptr;
    int tmrDataUpdateTag = 0, tmrProgrammerTag = 0, graDataGraphTag = 0, treeTProgramTag = 0;
    // The socket the window's TCP/IP channel drives.
    TZSocket* ZTCPSocket = nullptr;

    // ---- members of the window (the recording's state is the session's)
    std::uint8_t Busy = 0;          // the window shows a loaded data file
    std::uint8_t ImportedFile = 0;  // the loaded file is an imported measurement file
    std::uint8_t Zoomed = 0;
    std::uint8_t ZoomRestore = 1;
    std::uint8_t OpenFlagScratch = 0;
    double TimeWindow = 1800.0 / 86400.0;  // days
    double StoredAxisMaximum = 0.0, StoredAxisMinimum = 0.0;
    double StoredLeftMaximum = 0.0, StoredLeftMinimum = 0.0, StoredRightMaximum = 0.0, StoredRightMinimum = 0.0;
    AnsiString ProgramFileName;
    // The editor's values differ from the selected node's: "apply values" is marked.
    std::uint8_t ValuesModified = 0;

    // ---- language, chart interaction, mark texts, options page and activation: the controls
    // and members of these handlers, and the handlers (one file each, see above)
    QGroupBox *grpCommParameters = nullptr, *grpConnections = nullptr, *grpVariables = nullptr, *grpScale = nullptr,
              *grpGraph = nullptr;
    QLabel *txtLineSeries = nullptr, *txtLineName = nullptr, *txtLineColor = nullptr, *txtMin = nullptr,
           *txtMax = nullptr, *txtTempAxis = nullptr, *txtPowerAxis = nullptr, *txtTimeAxis = nullptr,
           *txtZoomWarning = nullptr;
    QPushButton *btnBackTempAxis = nullptr, *btnBackPowerAxis = nullptr, *btnBackTimeAxis = nullptr;
    std::uint8_t ZoomCheckPending = 0;
    struct TAxisRanges {
        double LeftMax = 0, LeftMin = 0, RightMax = 0, RightMin = 0, BottomMax = 0, BottomMin = 0;
    } PreZoomRanges;
    int RightSeriesShown = 0, LeftSeriesShown = 0;
    // What the chart and the control panel show of the program run.
    struct TProgramRunView {
        bool Running = false, Held = false, RampActive = false, CalendarArmed = false;
        // A run from its start request to its tidy-up, and what can be done to it now.
        bool HasRun = false, CanStop = false, CanHold = false, CanCancel = false;
        int RemainingSteps = 0;
        // A start that waits for its recorded points begins in about this many seconds; -1
        // without one.
        int StartsInSeconds = -1;
    };
    TProgramRunView ProgramRunView() const;
    // Chart: zoom, undo zoom, mouse, wheel, zoom limit, legend, remaining time
    void graDataGraphZoom();
    void graDataGraphUndoZoom();
    void graDataGraphMouseDown(TMouseButton button, int x, int y);
    void graDataGraphMouseUp(TMouseButton button);
    void graDataGraphMouseMove(QObject* sender, int x, int y);
    void graDataGraphMouseWheel(bool& handled) { handled = true; }
    void graDataGraphBeforeDrawChart();
    void graDataGraphGetLegendText(int index, AnsiString& text);
    void graDataGraphGetLegendRect(TRect& rect);
    void graDataGraphAfterDraw();
    // The two lines under the legend of a programmer window (the second may be empty).
    std::pair<AnsiString, AnsiString> RemainingTimeLines() const;
    // "Start in about mm:ss" of a start that waits for its recorded points.
    static AnsiString StartsInText(int seconds);
    // Mark texts
    static void FilterMarkText(int series, AnsiString& text);
    // Options page
    void cmbLineSeriesChange();
    void edLineNameKeyPress(char& key);
    void edTimeWindowKeyPress(char& key);
    // The user's click on the box (it shows its new state): the state to return to after
    // a zoom.
    void chkAutomaticScaleMouseDown();
    // The box changed (by the user, or by zooming and undoing a zoom).
    void chkAutomaticScaleClick();
    // Sets the box; a change runs its click handling.
    void SetAutomaticScale(bool checked);
    void btnBackTempAxisClick();
    void btnBackPowerAxisClick();
    void btnBackTimeAxisClick();
    void chkErrorClick();
    // Every open channel window takes the box's new state.
    void chkGradientClick();
    // Activation: the main window's commands and the control panel for a window
    void EnableControlPanel(bool enable, int channel);
    // The channel panels coloured by their windows' views, `active` highlighted.
    static void ColourChannelPanels(int active);
    void FormCanResize();
    // The value legend in a narrow chart: a smaller font first, and none at all before it
    // would take more than two fifths of the chart's width.
    void FitLegend();

    // ---- life and closing
    void FormCreate();
    // Asks, unless the main window closes every channel, then does the close work.
    void FormCloseQuery(bool ask, bool& canClose);
    // Whether the window's chart holds points (a view window: whether it shows a file).
    bool ShowsPoints() const;
    // The close work: timers stopped, the recording written, the connection closed, the
    // programmer freed, the open flag cleared. False when the user kept the window open
    // because its recording could not be written.
    bool CloseChannelWindow();

    // ---- connection page
    void cmdEstablishConnectionClick();
    void FillPortList();
    void FillSharedPortList();
    void FillSlaveList();
    void cmbPortDropDown();
    void cmbInterfaceChange();
    void cmbPortChange();
    void tabDataConnectionShow();
    void LockConnectionControls();
    // The connection page as the session reads it.
    TConnectionSettings ConnectionSettings() const;

    // ---- ticks, time axis and ranges
    void tmrDataUpdateTimer();
    void tmrProgrammerTimer();
    // The programmer view's tick: the program's run step joins here before the recording.
    void UpdateRunningData();
    // The time axis follows the newest point (time window scrolling).
    void ScrollTimeAxis();
    void AutoRangeAxis();
    void tabDataOptionsShow();
    void tabDataGraphShow();
    // The options page's "accept values": axis ranges, time window, axis titles, and the
    // selected series' colour and name. A range that is not a number (or date-time) is
    // refused with a message before anything changes.
    void cmdGraphRefreshClick();
    // Sets an axis maximum first, minimum first when the chart refuses that order.
    static void SetAxisRange(TChartAxis* axis, double minimum, double maximum);
    // The fast-line segments drawn while the chart does not repaint itself go to the screen.
    void ShowNewSegments();

    // ---- chart
    void SetupChart();
    // The device's series titles and axis titles in the window, the chooser and the panel.
    void ApplyDeviceSeries();
    bool ReadLabelsFile(TAxisLabels& axisLabels, TSeriesLabels& seriesNames);
    void CreateProgrammer();
    void FormActivate();

    // ---- IChannelForm
    QMdiSubWindow* SubWindow() override { return this; }
    void SetChannel(int channel) override;
    int Channel() const override { return FChannel; }
    void SetCaption(const AnsiString& caption) override;
    AnsiString Caption() const override;
    void AttachControlPanel(IControlPanel* panel) override { FControlPanel = panel; }
    void InitialiseMembers(TDateTime created) override;
    void SetLanguage(int language, int channel) override;
    void ShowConnectionPage() override;
    void SetGradientScheme(bool on) override;
    void PrepareSeries() override;
    void PrepareView(int mode, int channel) override;
    void SetViewMode(int channel, int openFlag, bool activate) override;
    void FocusConnectButton() override;
    bool FormClose() override;
    AnsiString RunEndedByCloseText(bool named = false) const override;
    AnsiString AutomaticStartDroppedByCloseText(bool named = false) const override;
    void HoldAutomaticStart(TAutomaticStartHold why) override;
    void ReleaseAutomaticStart() override;
    int ChartSeriesCount() const override { return ChannelSeriesCount; }
    TChartSeries* ChartSeries(int index) override { return FSession->Series(index); }
    double AxisMaximum(TChannelAxis axis) const override;
    double AxisMinimum(TChannelAxis axis) const override;
    void SetAxisLimits(TChannelAxis axis, double maximum, double minimum) override;
    IChannelWindow* DeviceWindow() override { return FSession.get(); }
    bool IsConnected() const override { return FSession->IsConnected(); }
    AnsiString UnitControlStatus() const override { return FSession->ControlStatus(); }
    double UnitLowerSetpointLimit() const override { return FSession->GetLowerSetpointLimit(); }
    double UnitUpperSetpointLimit() const override { return FSession->GetUpperSetpointLimit(); }
    bool ReleaseEndedProgram() override;
    // What the main window's file commands use (TmdiSubWindow_files.cpp).
    IDataFileView* DataFileView() override { return this; }
    TChart* DataGraph() override { return graDataGraph; }
    TTeeCustomTool* GridBandTool() override;
    bool RecordingRuns() const override;
    void SaveRecording(std::function<void(bool)> done) override;
    bool SaveSelectedProgram() override;
    bool ReadLabelAxisTitles(AnsiString& left, AnsiString& right) override;
    void StoreAxisRanges() override;
    void EnableChartCommands(bool enable);

    // ---- IDataFileView
    int SeriesCount() const override { return ChannelSeriesCount; }
    TChartSeries* Series(int index) const override { return FSession->Series(index); }
    AnsiString AxisValuesFormat(int index) const override { return FSession->AxisValuesFormat(index); }
    std::vector<AnsiString> MemoLines(TDataFileMemo memo) const override { return FSession->MemoLines(memo); }
    int ValueSeriesCount() const override { return FSession->ValueSeriesCount(); }
    int SamplingInterval() const override { return FSession->SamplingInterval(); }
    AnsiString DataFileName() const override { return FSession->DataFileName(); }
    int PartNumber() const override { return FSession->PartNumber(); }
    AnsiString DeviceName() const override { return FSession->DeviceName(); }
    bool Connected() const override { return FSession->Connected(); }
    bool ProgrammerMode() const override { return FSession->ProgrammerMode(); }
    bool LogFileChecked() const override;
    void SetChartTitleLines(const std::vector<AnsiString>& lines) override { FSession->SetTitleLines(lines); }
    void SetBottomAxisTitle(const AnsiString& caption) override;
    void SetBottomAxisDateTimeFormat(const AnsiString& format) override;
    void SetBottomAxisIncrement(double increment) override;
    void SetBottomAxisRange(double minimum, double maximum) override;
    void SetMemoLines(TDataFileMemo memo, const std::vector<AnsiString>& lines) override;
    void AddMemoLine(TDataFileMemo memo, const AnsiString& line) override;
    void SetLineSeriesChoices(const std::vector<AnsiString>& titles) override;
    void SetValueSeriesCount(int count) override { FSession->SetValueSeriesCount(count); }
    void SetSamplingInterval(int seconds) override { FSession->SetSamplingInterval(seconds); }
    void SetImportedFile(bool imported) override { ImportedFile = imported ? 1 : 0; }
    void SetTimeAxisLabel(const AnsiString& text) override;
    void SetTimeWindowTexts(const AnsiString& minimum, const AnsiString& maximum) override;
    void ShowGraphPage() override;
    void ShowLoadedDataPages(bool recordedDataFile) override;

    // ---- the program run (TmdiSubWindow_programmer.cpp); null outside the programmer and
    // TP Scout views
    CProgramRun* ProgramRun() { return FRun.get(); }
    // Starts when the button reads "start" (Tag 1), stops when it reads "stop" (Tag 0), as it
    // read when it was pressed.
    void btnTPStartStopClick();
    // The menu item reads what the button reads.
    void mnuStartStopProgramClick();
    void mnuStopProgramClick() { btnStopTPClick(nullptr); }
    void mnuPauseSegmentClick() { btnPauseSegmentClick(); }
    void mnuCancelSegmentClick() { btnCancelSegmentClick(); }
    // The start-up values of the run from the program controls.
    TRunSettings RunSettings() const;
    // Enables the program commands (buttons and pop-up menu) as the selection, the view,
    // the run and a timed start allow.
    void UpdateProgramCommands();

    // ---- the program tree and editor (TmdiSubWindow_editor.cpp)
    void treeTProgramMouseDown(TTreeNode* node, bool rightButton);
    void treeTProgramKeyDown(int key);
    void treeTProgramChange(TTreeNode* node);
    // Before the selection moves to `node`; `allowChange` false keeps the selection.
    void treeTProgramChanging(TTreeNode* node, bool& allowChange);
    void treeTProgramEdited(TTreeNode* node, AnsiString& text);
    // Selects a node as a click does (asking about modified values first).
    void SelectNode(TTreeNode* node);
    // Makes node the selected one, in the tree too, and shows its values without asking
    // about the values of the node before.
    void ShowNode(TTreeNode* node);
    TTreeNode* SelectedNode() const { return FSelectedNode; }
    void mnuCreateProgramClick();
    void mnuDeleteProgramClick();
    void btnLoadTP2Click() { mnuLoadProgramClick(); }
    void mnuSaveProgramClick();
    void mnuAddSegmentClick();
    void mnuPasteSegmentClick();
    void mnuDeleteSegmentClick();
    void btnApplyValuesClick();
    void cmbStirrerSelect();
    void cmbPokoSelect();
    void cmbRepeatSelect();
    void tabProgrammerGraphShow();
    void chkLabelClick();
    void ShowSegmentValues(TTreeNode* node);
    // The selected node's values (segment and program) in the editor, nothing modified.
    void ShowEditorValues();
    // The chart's title lines the window wrote (labels, captions) in `language`.
    void RetitleChart(int language);
    void ShowProgramValues(TTreeNode* node);
    void ClearSegmentEditor();
    void EnableEditorControls();
    // The program options a segment may set: the stirrer's analogue output and the contact.
    enum class TProgramOption { Stirrer, Contact };
    void ApplyOptionChoice(TProgramOption Option);
    // A key in an edit or a choice in a list of the editor: the values differ now.
    void MarkValuesModified(bool modified = true);
    // The tree widget shows the program tree again.
    void RefreshProgramTree();
    TTreeNode* NodeOfItem(const QTreeWidgetItem* item) const;
    QTreeWidgetItem* ItemOfNode(const TTreeNode* node) const;

    // ---- TP Scout (TmdiSubWindow_tpscout.cpp)
    void tabScoutShow();
    // Closing: every program not saved since its last change is offered for saving; false
    // when a save the user asked for did not happen (cancelled or failed).
    bool OfferToSaveScoutPrograms();
    // Saves the program of the tree's selected node (SaveSelectedProgram of the program-file
    // commands); false, without a save, while another one is being waited for.
    bool SaveProgramOfTree(bool* leftUnsaved = nullptr);

    // ---- IPanelChannelWindow
    void btnStartTPClick(QObject* sender) override;
    void btnStopTPClick(QObject* sender) override;
    void btnCancelSegmentClick() override;
    void btnPauseSegmentClick() override;
    void mnuLoadProgramClick() override;
    AnsiString LoadedProgramFile() const override;
    bool LoadedProgramChanged() const override;
    void RunSingleRamp(double& temperature, int& seconds, int& controlMode) override;
    void DisableEditorControls() override;
    void SetProgramControlEnabled(TProgramControl control, bool enabled) override;
    DeviceCommandQueue::TResult QueueDeviceCommand(const AnsiString& frame, int replyLength, const AnsiString& followUp,
                                                   bool once) override;
    int ProgramTreeNodeCount() const override { return FProgramTree.Count(); }
    TColor ChartLabelColour() const override { return FChartLabelColour; }
    void SetChartLabelColour(TColor colour) override;

    // ---- IProgramFileWindow
    CProgrammer* Programmer() override { return FProgrammer.get(); }
    TTreeNodes& ProgramTreeItems() override { return FProgramTree; }
    TTreeNode* SelectedProgramNode() override { return FSelectedNode; }
    void SelectProgramNode(TTreeNode* node) override;
    TProgramFileSettings ProgramControls() override;
    void SetProgramControls(const TProgramFileSettings& settings) override;
    void SetProgramFileName(const AnsiString& name) override;
    void ProgramFileLoaded(TTreeNode* lastSegment) override;
    bool SetpointAllowed(double value) const override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    // Puts each label in column 0 and its control in column 1 of one row, from row on;
    // answers the row after them.
    static int AddLabelledRows(QGridLayout* grid, int row, std::initializer_list<std::pair<QLabel*, QWidget*>> rows);
    void BuildConnectionPage();
    void BuildGraphPage();
    void BuildOptionsPage();
    void BuildMemoPages();
    void BuildProgrammerPages();
    void BuildProgramTree(QWidget* page);
    void BuildEditorControls(QWidget* page);
    void ConnectEditor();
    void ProgramRunEvent(TRunEvent event);
    void ShowProfileLegend();
    void OptionSelected(TProgramOption Option);
    void SetOptionUse(TProgramOption Option, bool Used, bool Editable);
    // The program of a node (its parent for a segment node) and its slot.
    TTreeNode* ProgramOf(TTreeNode* node) const;
    // Reads the editor's segment values; false when a text is no number.
    bool ReadSegmentEditor(int& duration, double& setpoint, int& analogOutput) const;
    // Stores the program controls as the settings of the node's program; false (and the
    // user told) when the start temperature is no number the unit takes.
    bool StoreProgramSettings(TTreeNode* program);
    // Adds a segment behind the program's last one or in front of `before`.
    void InsertSegment(TTreeNode* before);
    bool ProgramLocked(const TTreeNode* node) const;
    void ConnectChartHandlers();
    void ConnectOptionsHandlers();
    void ConnectActivation();
    void InstallMarkTextFilters();
    // The time-window rule of the options page: false (and the user told) when refused.
    bool ApplyTimeWindow();
    void SetLineSeriesName(int k, const AnsiString& name);
    // The open channel window of a channel, or nullptr.
    static TmdiSubWindow* ChannelWindow(int channel);
    void ConnectSession();
    void ShowPage(QWidget* page, bool visible);
    void RefreshMemo(TSessionMemo memo);
    QPlainTextEdit* MemoWidget(TSessionMemo memo) const;
    void RefreshTitle();
    // The session's identification answer, the window's side.
    void ConnectionResult(int result);
    void TimeAxisStarted(TDateTime axisStart);
    // `shown` gets the box when one opens on the screen.
    void ShowNotice(const AnsiString& text, const AnsiString& caption, std::function<void()> closed,
                    QPointer<QMessageBox>* shown = nullptr);
    // The box about the running part's file, while it is open: one at a time, closed once
    // the file is written again.
    QPointer<QMessageBox> FFileNotice;
    // Where a box of that size opens so that it is centred over this window on the screen.
    QPoint NoticePlace(const QSize& box) const;
    // `at`, or the nearest place below or beside the notices still open (of every channel
    // window) where the box covers none of them.
    QPoint ClearOfOpenNotices(QPoint at, const QSize& box) const;
    void SetTimers(bool run);
    TChartAxis* Axis(TChannelAxis axis) const;

    std::unique_ptr<TZSocket> FSocket;
    std::unique_ptr<CChannelSession> FSession;
    int FChannel = 0;
    IControlPanel* FControlPanel = nullptr;
    std::unique_ptr<CProgrammer> FProgrammer;
    std::unique_ptr<CProgramRun> FRun;
    // The single ramp's program, in place of the loaded one, and its start request.
    void BuildAndStartSingleRamp(double temperature, int seconds, int controlMode, double start);
    platform::TPressedState FStartStopPressed;
    TTreeNodes FProgramTree;
    TTreeNode* FSelectedNode = nullptr;
    bool FTreeUpdating = false;  // the tree widget is being filled from the program tree
    TColor FChartLabelColour = clWhite;
    TPen* FLineColour = nullptr;  // the colour clbLineColor shows and edits
    QWidget* FClient = nullptr;   // holds the page control, which the resize rule places
    TDateTime FCreated = 0;
    bool FClosing = false;     // the close work ran: closing goes on without a question
    bool FCloseAsked = false;  // the main window closes every channel: no question
    bool FSettingUp = false;   // the connection lists are being filled
    // A program file's save is being waited for: the window neither closes nor starts a
    // second save meanwhile.
    bool FProgramSaving = false;
};

// The channel windows the main window creates.
class TChannelFormFactory : public IChannelFormFactory {
public:
    IChannelForm* CreateChannelForm() override { return new TmdiSubWindow; }
};
