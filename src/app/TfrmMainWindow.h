#pragma once
// The main window: a multiple-document frame holding the channel windows of up to ten
// channels, its menus and tool bar, and the services the other windows and the device
// layer call (channel table, open flags, language, yes/no box).
#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <cstdint>
#include <memory>

#include "app/IChannelForm.h"
#include "comm/ChannelServices.h"
#include "platform/AnsiString.h"
#include "platform/TThread.h"

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTimer;
class QToolBar;
class CLanguage;
class CLogoThread;
class IControlPanel;
class IFileCommands;
class IProgrammerDialogs;
class TfrmTitleControl;

constexpr int MaxChannelWindows = 10;

class TfrmMainWindow : public QMainWindow, public IApplicationServices {
    Q_OBJECT
public:
    // Fixes the process-wide formats, chooses the language (language < 0: from the locale)
    // and captions every control. Registers itself as frmMainWindow.
    explicit TfrmMainWindow(IChannelFormFactory* factory, int language = -1, QWidget* parent = nullptr);
    ~TfrmMainWindow() override;

    // ---- neighbours, installed by whoever creates them
    void SetPanelControl(IControlPanel* panel) { FPanelControl = panel; }
    // The control panel tells where it stands (frame in screen coordinates) and whether it is shown.
    void ControlPanelPlaced(const QRect& frame, bool visible);
    IControlPanel* PanelControl() const { return FPanelControl; }
    void SetTitleWindow(TfrmTitleControl* title) { FTitleWindow = title; }
    TfrmTitleControl* TitleWindow() const { return FTitleWindow; }
    void SetFileCommands(IFileCommands* commands) { FFileCommands = commands; }
    IFileCommands* FileCommands() const { return FFileCommands; }
    // The calendar-start button works only with the programmer's dialogs installed.
    void SetProgrammerDialogs(IProgrammerDialogs* dialogs);
    void SetChannelFormFactory(IChannelFormFactory* factory) { FFactory = factory; }

    // ---- channel table
    // The lowest free channel 1..10, or -1 (ten channel windows: message text 339).
    int FindFreeChannel();
    // The channel a new window would get (the lowest free number), or -1 with ten windows
    // open; takes nothing and says nothing.
    int FreeChannel() const;
    void CreateChannelWindow(const AnsiString& caption, int channel);
    void SetupChannelWindow(int channel);
    void SetChannelOpen(int channel, std::uint8_t flag);
    // The channel number of the active channel window; 0 when there is none.
    int ActiveChannel() const;
    // The live channel window of a channel, or nullptr (also once it has been freed).
    IChannelForm* ChannelForm(int channel) const;
    int ChildWindowCount() const;
    QMdiArea* MdiArea() const { return mdiArea; }

    // ---- services of other windows
    // With `defaultNo`, Enter answers no: for a question whose yes gives up something running.
    bool AskYesNo(const AnsiString& text, bool defaultNo = false);
    void SetCalendarProgramName(const AnsiString& name);
    // The data file of a channel (the channel windows call it when they save).
    void FileSave1Execute(int channel);

    // ---- the four views
    void mnuDatenaufzeichnungClick();
    void mnuVisualisierungClick();
    void mnuProgrammgeberClick();
    void mnuTPScoutClick();

    // ---- commands
    void ApplyLanguage(int language);
    void mnuGermanClick();
    void mnuEnglishClick();
    void mnuCirculationONClick();
    void mnuDeviceONClick();
    void mnuDeviceOFFClick();
    void mnuSetSetpointClick();
    void mnuControlPanelClick();
    void cmdTotalFocusClick();
    void cmdSeriesShowLeftClick();
    void cmdSeriesShowRightClick();
    void cmdSaveZoomClick();
    void actWindowCascadeExecute();
    void actWindowTileHorizontalExecute();
    void actWindowTileVerticalExecute();
    void actWindowArrangeExecute();
    void cmdAutomaticStartClick();
    // The channel's run or timed start changed: the automatic-start form shows it.
    void ProgramStateChanged(int channel);
    void cmdRampClick();
    void mnuInformationClick();
    void btnFileSaveClick();
    // The tool button and the menu item of a file command together.
    void SetOpenEnabled(bool Enabled);
    // The status line and tool tips of the greyed file items say why; the others keep
    // their hints. `announce` also puts Open's reason into the status line. Called by the
    // channel window that has set the items for itself.
    void ExplainGreyedItems(bool announce = false);
    void SetSaveEnabled(bool Enabled);
    // The open command; newView (the view item) opens a new view window first.
    void actFileOpenExecute(bool newView = false);
    void actFileCloseExecute();
    void actFileExitExecute();
    // The resize rule: true when a resize from the current width to newWidth is allowed.
    bool FormCanResize(int newWidth, int newHeight) const;
    bool FormCloseQueryMain();

    // ---- title window and logo thread
    void tmrPopUpTimer();
    void tmrKillThreadTimerTimer();
    void ShowTitleWindow();
    void CloseTitleWindow();
    CLogoThread* LogoThread() const { return FLogoThread.get(); }

    // ---- IApplicationServices
    int LanguageIndex() const override { return FLanguageIndex; }
    AnsiString LookupText(int language, int row) const override;
    int MessageBox(const AnsiString& text, const AnsiString& caption, int flags) override;
    IChannelWindow* ChannelWindow(int channel) override
    {
        IChannelForm* form = ChannelForm(channel);
        return form ? form->DeviceWindow() : nullptr;
    }
    // The open flag of a channel; false outside 1..10.
    bool IsChannelOpen(int channel) const override;
    int CurrentChannel() const override { return ActiveChannel(); }
    void ProcessMessages() override;
    QWidget* MainWindowWidget() override { return this; }

    // ---- members (values after construction in the comments)
    CLanguage* Language = nullptr;  // the text table
    TEvent BusEvent{true, false};   // manual reset, not signalled
    std::uint8_t BusTaken = 0;
    int LastActivatedChannel = -1;  // kept by the channel windows; -1 none
    std::uint8_t TPScoutOpen = 0;
    std::uint8_t ReaderFlag = 0;
    std::uint8_t SaveWithoutDialog = 0;
    std::uint8_t TitleShown = 0;
    std::uint8_t FreeResizing = 1;
    std::uint8_t GradientScheme = 1;
    int tmrPopUpTag = 1;  // 1 until the start-up pop-up has ended
    // Titles and filters of the open and save dialogs, in the current language.
    AnsiString OpenDialogTitle, OpenDialogFilter, SaveDialogTitle, SaveDialogFilter;

    // ---- components
    QMdiArea* mdiArea = nullptr;
    QWidget* pnlBigPanel = nullptr;
    QToolBar* brToolBar = nullptr;
    QTimer* tmrPopUp = nullptr;
    QTimer* tmrKillThread = nullptr;

    QMenu *mnuFile = nullptr, *mnuEdit = nullptr, *mnuWindow = nullptr, *mnuDevice = nullptr, *mnuZoom = nullptr,
          *mnuLanguage = nullptr, *mnuHelp = nullptr, *mnuFileNewItem = nullptr, *mnuPrint = nullptr;
    QAction *mnuDatenaufzeichnung = nullptr, *mnuVisualisierung = nullptr, *mnuProgrammgeber = nullptr,
            *mnuTPScout = nullptr, *mnuOpenFile = nullptr, *mnuFileCloseItem = nullptr, *mnuFileSaveItem = nullptr,
            *mnuPrintGraph = nullptr, *mnuPrintProtocol = nullptr, *mnuPrintMemo = nullptr,
            *mnuDruckereinstellungen = nullptr, *mnuExport = nullptr, *mnuFileExitItem = nullptr;
    QAction *mnuCutItem = nullptr, *mnuCopyItem = nullptr, *mnuPasteItem = nullptr;
    QAction *mnuWindowCascadeItem = nullptr, *mnuWindowTileItem = nullptr, *mnuWindowTileItem2 = nullptr,
            *mnuWindowMinimizeItem = nullptr, *mnuWindowArrangeItem = nullptr, *mnuControlPanel = nullptr;
    QAction *mnuCirculationON = nullptr, *mnuDeviceON = nullptr, *mnuDeviceOFF = nullptr, *mnuSetSetpoint = nullptr;
    QAction *mnuTotalFocus = nullptr, *mnuSeriesShowLeft = nullptr, *mnuSeriesShowRight = nullptr,
            *mnuSaveZoom = nullptr;
    QAction *mnuGerman = nullptr, *mnuEnglish = nullptr, *mnuUsage = nullptr, *mnuInformation = nullptr;
    // Tool bar buttons.
    QAction *btnFileOpen = nullptr, *btnFileSave = nullptr, *btnCut = nullptr, *btnCopy = nullptr, *btnPaste = nullptr,
            *btnCascade = nullptr, *btnVertical = nullptr, *btnHorizontal = nullptr, *cmdTotalFocus = nullptr,
            *cmdSeriesShowLeft = nullptr, *cmdSeriesShowRight = nullptr, *cmdSaveZoom = nullptr,
            *cmdAutomaticStart = nullptr, *cmdRamp = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildMenus();
    void BuildToolBar();
    void FormCreate();
    void FixFormats();
    void OpenChannelView(int mode);
    void SetMenuLanguageMarks();
    void SelectLanguage(int ALanguage);
    void EditCommand(const char* slot);
    void ArrangeAxis(bool left);
    void TileSubWindows(bool stacked);
    // Runs the arrangement the user chose last (cascade at first).
    void ArrangeWindows();
    // A channel window's size for `design`: larger when its texts need it, within the area.
    QSize ChannelWindowSize(const QMdiSubWindow* window, QSize design) const;
    // Gives the window its size for `design` and remembers it as the size the program chose,
    // so that a language switch can tell it from one the user or an arrangement gave.
    void FitChannelWindow(QMdiSubWindow* window, QSize design);
    static bool AtFittedSize(const QMdiSubWindow* window);
    enum class TArrangement { Cascade, TileStacked, TileSideBySide };
    TArrangement FArrangement = TArrangement::Cascade;
    QRect FPanelFrame;
    bool FPanelShown = false;
    void StartLogoThread();
    int ChannelOfSubWindow(QMdiSubWindow* window) const;
    void UpdateFrameTitle();

    struct TChannelEntry {
        IChannelForm* form = nullptr;
        QPointer<QMdiSubWindow> window;
    };
    TChannelEntry ChannelWindows[MaxChannelWindows + 1];
    std::uint8_t ChannelOpen[MaxChannelWindows + 1] = {};
    int FLanguageIndex = 0;
    IChannelFormFactory* FFactory = nullptr;
    IControlPanel* FPanelControl = nullptr;
    TfrmTitleControl* FTitleWindow = nullptr;
    IFileCommands* FFileCommands = nullptr;
    IProgrammerDialogs* FProgrammerDialogs = nullptr;
    std::unique_ptr<CLogoThread> FLogoThread;
    bool FMaximising = false;
    // Why a greyed File > Open or File > New item cannot be used now (empty: it can, or
    // nothing to say).
    AnsiString GreyedReason(const QAction* action) const;
    // The file menus show a greyed item's reason in the status line when the pointer is on it.
    void WatchGreyedItems();
    bool FExplaining = false;
};

// The main window of the process (set while it exists).
extern TfrmMainWindow* frmMainWindow;
