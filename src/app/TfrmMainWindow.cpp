#include "app/TfrmMainWindow.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include "app/CLanguage.h"
#include "app/CLogoThread.h"
#include "app/IControlPanel.h"
#include "app/IShellHooks.h"
#include "app/ProgramPictures.h"
#include "app/ProgramStartup.h"
#include "app/ReasonWords.h"
#include "app/TfrmTitleControl.h"
#include "app/TfrmWait.h"
#include "app/ToolkitTranslation.h"
#include "platform/DateTime.h"
#include "platform/Dialogs.h"
#include "platform/FileFolders.h"
#include "platform/FormatSettings.h"
#include "platform/TextLines.h"
#include "platform/UiDispatcher.h"
#include "platform/UiThread.h"
#include "resources/TextRows.h"

using namespace resources;

TfrmMainWindow* frmMainWindow = nullptr;

namespace {
// The client area of the frame: the work-space colour with the big background picture,
// stretched proportionally and centred, behind the channel windows.
class TMdiClient : public QMdiArea {
public:
    explicit TMdiClient(QWidget* parent) : QMdiArea(parent) {}

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QMdiArea::paintEvent(event);
        const QSize size = BigBackGroundPictureSize.scaled(viewport()->size(), Qt::KeepAspectRatio);
        if (size.isEmpty()) return;
        // Drawn again only when the size changes.
        if (FPicture.size() != size) FPicture = BigBackGroundPicture(size);
        QPainter p(viewport());
        p.drawPixmap((viewport()->width() - size.width()) / 2, (viewport()->height() - size.height()) / 2, FPicture);
    }
    void resizeEvent(QResizeEvent* event) override
    {
        QMdiArea::resizeEvent(event);
        viewport()->update();  // the picture moves with the centre
    }

public:
    // A strip at the right that the windows leave free (the control panel stands there).
    void SetRightMargin(int margin)
    {
        if (viewportMargins().right() != margin) setViewportMargins(0, 0, margin, 0);
    }

private:
    QPixmap FPicture;
};
}  // namespace

TfrmMainWindow::TfrmMainWindow(IChannelFormFactory* factory, int language, QWidget* parent)
    : QMainWindow(parent), FFactory(factory)
{
    NOX_ASSERT_UI_THREAD();
    // Forms created by this constructor already find the main window.
    frmMainWindow = this;
    setObjectName("frmMainWindow");

    mdiArea = new TMdiClient(this);
    mdiArea->setObjectName("mdiArea");
    mdiArea->setBackground(QColor(0xAB, 0xAB, 0xAB));  // application work space
    // The strip kept free beside the control panel in the same colour.
    QPalette workSpace = mdiArea->palette();
    workSpace.setColor(QPalette::Window, QColor(0xAB, 0xAB, 0xAB));
    mdiArea->setPalette(workSpace);
    mdiArea->setAutoFillBackground(true);
    setCentralWidget(mdiArea);
    pnlBigPanel = new QWidget(mdiArea->viewport());
    pnlBigPanel->setObjectName("pnlBigPanel");
    pnlBigPanel->setAutoFillBackground(true);

    BuildMenus();
    BuildToolBar();
    statusBar()->setObjectName("brStatusBar");

    tmrPopUp = new QTimer(this);
    tmrPopUp->setSingleShot(true);
    tmrPopUp->setInterval(100);
    connect(tmrPopUp, &QTimer::timeout, this, [this] { platform::GuardedCall([this] { tmrPopUpTimer(); }); });
    tmrKillThread = new QTimer(this);
    tmrKillThread->setSingleShot(true);
    tmrKillThread->setInterval(3000);
    connect(tmrKillThread, &QTimer::timeout, this,
            [this] { platform::GuardedCall([this] { tmrKillThreadTimerTimer(); }); });

    resize(1024, 768);
    FixFormats();
    if (!frmWait) new TfrmWait(this);

    Language = CLanguage::Instance();
    FLanguageIndex = language == 0 || language == 1 ? language : startup::SystemLanguage();
    SetMenuLanguageMarks();
    ApplyLanguage(FLanguageIndex);
    UpdateFrameTitle();
    // The application's symbol, for every window of the program.
    QApplication::setWindowIcon(ApplicationSymbol());
    connect(mdiArea, &QMdiArea::subWindowActivated, this, [this] {
        UpdateFrameTitle();
        ExplainGreyedItems();
    });
    // A greyed file item says why, in its hints and, as the File menu opens, in the status line.
    for (QAction* a : {mnuOpenFile, btnFileOpen, mnuFileNewItem->menuAction(), mnuDatenaufzeichnung, mnuVisualisierung,
                       mnuProgrammgeber, mnuTPScout})
        connect(a, &QAction::changed, this, [this] { ExplainGreyedItems(); });
    connect(mnuFile, &QMenu::aboutToShow, this, [this] { ExplainGreyedItems(true); });
    WatchGreyedItems();

    mnuDevice->menuAction()->setEnabled(true);
    mnuDevice->menuAction()->setVisible(true);
    for (QAction* a : {mnuDatenaufzeichnung, mnuVisualisierung, mnuProgrammgeber, mnuTPScout}) {
        a->setEnabled(true);
        a->setVisible(true);
    }
    cmdAutomaticStart->setVisible(true);
    cmdRamp->setVisible(true);

    FormCreate();
    SetApplicationServices(this);
    platform::SetFolderNotAnsweringText([this] { return LookupText(FLanguageIndex, RowFolderNotAnswering); });
    platform::SetFileNotAnsweringText([this] { return LookupText(FLanguageIndex, RowFileNotAnswering); });
    tmrPopUp->start();
}

TfrmMainWindow::~TfrmMainWindow()
{
    NOX_ASSERT_UI_THREAD();
    platform::SetFolderNotAnsweringText({});
    platform::SetFileNotAnsweringText({});
    UseReasonWords(-1);
    tmrPopUp->stop();
    tmrKillThread->stop();
    if (FLogoThread) {
        FLogoThread->Terminate();
        FLogoThread->WaitFor();
        FLogoThread.reset();
    }
    // The sub-windows go with the MDI area after this body: their notifications must not
    // reach a half-destroyed main window.
    // (Closed windows still waiting for their deletion included.)
    for (QMdiSubWindow* window : mdiArea->findChildren<QMdiSubWindow*>())
        QObject::disconnect(window, nullptr, this, nullptr);
    // The area itself reports activations while it takes its windows down.
    QObject::disconnect(mdiArea, nullptr, this, nullptr);
    if (ApplicationServices() == this) SetApplicationServices(nullptr);
    if (frmMainWindow == this) frmMainWindow = nullptr;
    // The toolkit's texts go back to its own with the window that chose their language.
    UseToolkitTranslation(CLanguage::English);
}

void TfrmMainWindow::FixFormats()
{
    TFormatSettings& fs = FormatSettings();
    fs.ThousandSeparator = '\0';
    fs.DecimalSeparator = ',';
    fs.ListSeparator = ';';
    fs.DateSeparator = '.';
    fs.TimeSeparator = ':';
    fs.ShortDateFormat = "dd.mm.yyyy";
    fs.ShortTimeFormat = "hh:nn:ss";
    fs.LongTimeFormat = "hh:nn:ss";
}

void TfrmMainWindow::FormCreate()
{
    for (auto& flag : ChannelOpen) flag = 0;
    mnuFileSaveItem->setEnabled(false);
    mnuPrint->menuAction()->setEnabled(false);
    mnuExport->setEnabled(false);
    for (QAction* a : {cmdTotalFocus, cmdSeriesShowLeft, cmdSeriesShowRight, cmdSaveZoom}) a->setEnabled(false);
    // The commands on the active channel window wait for one: the frame starts in the state
    // that closing the last channel window returns it to.
    for (QAction* a : {mnuCirculationON, mnuDeviceON, mnuDeviceOFF, mnuSetSetpoint, mnuTotalFocus, mnuSeriesShowLeft,
                       mnuSeriesShowRight, mnuSaveZoom, mnuControlPanel, btnFileSave, cmdRamp})
        a->setEnabled(false);
    // The calendar start needs its form, which is installed with the programmer's dialogs.
    cmdAutomaticStart->setEnabled(FProgrammerDialogs != nullptr);
    pnlBigPanel->hide();
}

// ---------------------------------------------------------------- channel table

int TfrmMainWindow::ChildWindowCount() const
{
    NOX_ASSERT_UI_THREAD();
    int count = 0;
    // A closed window waits for its deferred deletion hidden; it no longer counts.
    for (QMdiSubWindow* w : mdiArea->subWindowList())
        if (!w->isHidden()) ++count;
    return count;
}

int TfrmMainWindow::FreeChannel() const
{
    if (ChildWindowCount() < MaxChannelWindows)
        for (int c = 1; c <= MaxChannelWindows; ++c)
            if (!ChannelOpen[c]) return c;
    return -1;
}

int TfrmMainWindow::FindFreeChannel()
{
    NOX_ASSERT_UI_THREAD();
    const int channel = FreeChannel();
    if (channel < 0) {
        // Ten windows, or (never in normal use) every flag set: no number outside 1..10.
        platform::dialogs().MessageBox(LookupText(FLanguageIndex, RowTenChannelsOnly),
                                       LookupText(FLanguageIndex, RowAttention), MB_OK);
        return -1;
    }
    mnuFileNewItem->menuAction()->setEnabled(false);
    for (QAction* a :
         {mnuDatenaufzeichnung, mnuVisualisierung, mnuProgrammgeber,  mnuTPScout,         mnuOpenFile,
          mnuFileSaveItem,      mnuExport,         mnuCirculationON,  mnuDeviceON,        mnuDeviceOFF,
          mnuSetSetpoint,       mnuTotalFocus,     mnuSeriesShowLeft, mnuSeriesShowRight, mnuSaveZoom,
          btnFileOpen,          btnFileSave,       cmdTotalFocus,     cmdSeriesShowLeft,  cmdSeriesShowRight,
          cmdSaveZoom})
        a->setEnabled(false);
    mnuPrint->menuAction()->setEnabled(false);
    mnuDruckereinstellungen->setEnabled(true);
    QCoreApplication::processEvents();
    return channel;
}

void TfrmMainWindow::CreateChannelWindow(const AnsiString& caption, int channel)
{
    NOX_ASSERT_UI_THREAD();
    if (channel < 1 || channel > MaxChannelWindows || !FFactory) return;
    Language = CLanguage::Instance();
    IChannelForm* form = FFactory->CreateChannelForm();
    if (!form) return;
    QMdiSubWindow* window = form->SubWindow();
    window->setAttribute(Qt::WA_DeleteOnClose);
    mdiArea->addSubWindow(window);
    connect(window, &QMdiSubWindow::windowStateChanged, this, [this] { UpdateFrameTitle(); });
    ChannelWindows[channel] = {form, window};
    // Flags and windows go together: a window that disappears without its close work
    // (or before the work cleared the flags) must not leave its channel taken.
    connect(window, &QObject::destroyed, this, [this, channel, form] {
        if (ChannelWindows[channel].form != form) return;
        ChannelWindows[channel].form = nullptr;
        ChannelOpen[channel] = 0;
        if (LastActivatedChannel == channel) LastActivatedChannel = -1;
        bool scout = false;
        for (int c = 1; c <= MaxChannelWindows; ++c)
            if (c != channel && ChannelForm(c) && ChannelForm(c)->ViewMode == vmTPScout) scout = true;
        if (!scout) TPScoutOpen = 0;
        // A channel is free again: offer new windows.
        if (ChildWindowCount() < MaxChannelWindows) {
            mnuFileNewItem->menuAction()->setEnabled(true);
            for (QAction* a : {mnuDatenaufzeichnung, mnuVisualisierung, mnuProgrammgeber, mnuTPScout})
                a->setEnabled(true);
        }
    });

    form->SetCaption(caption);
    form->SetChannel(channel);
    form->AttachControlPanel(FPanelControl);
    form->InitialiseMembers(Now());
    if (FFileCommands) FFileCommands->SetImportLanguage(FLanguageIndex);
    form->SetLanguage(FLanguageIndex, channel);
    form->ShowConnectionPage();
    FitChannelWindow(window, QSize(850, 505));
    form->SetGradientScheme(GradientScheme != 0);
    form->PrepareSeries();
    window->show();
    mdiArea->setActiveSubWindow(window);
}

void TfrmMainWindow::ControlPanelPlaced(const QRect& frame, bool visible)
{
    NOX_ASSERT_UI_THREAD();
    FPanelFrame = frame;
    FPanelShown = visible;
    // A panel standing over the right part of the client area keeps that strip free, so a
    // maximised or arranged channel window shows all its values beside it.
    int margin = 0;
    const QRect area(mdiArea->mapToGlobal(QPoint(0, 0)), mdiArea->size());
    if (visible && frame.intersects(area) && frame.center().x() > area.center().x())
        margin = std::clamp(area.right() + 1 - frame.left(), 0, area.width() / 2);
    static_cast<TMdiClient*>(mdiArea)->SetRightMargin(margin);
}

void TfrmMainWindow::SetupChannelWindow(int channel)
{
    NOX_ASSERT_UI_THREAD();
    if (IChannelForm* form = ChannelForm(channel)) {
        const TDateTime today = Date();
        TZoomLimits& z = form->ZoomLimits;
        z.TimeMax = today + 1.0 / 1440.0;
        z.TimeMin = today;
        z.LeftMax = 41.0;
        z.LeftMin = -61.0;
        z.RightMax = 1000.0;
        z.RightMin = -110.0;
        form->SetAxisLimits(TChannelAxis::Bottom, z.TimeMax, z.TimeMin);
        form->SetAxisLimits(TChannelAxis::Left, z.LeftMax, z.LeftMin);
        form->SetAxisLimits(TChannelAxis::Right, z.RightMax, z.RightMin);
    }

    const int children = ChildWindowCount();
    if (FPanelControl && children > 0) {
        if (children == 1)
            FPanelControl->Move(x() + width() - (FPanelControl->Width() + 25),
                                y() + height() - (FPanelControl->Height() + 25));
        FPanelControl->SetVisible(true);
        mnuControlPanel->setChecked(true);
    }
    mnuControlPanel->setEnabled(true);
    // Closing the last channel window took the close command away; a window to close is
    // back.
    if (children > 0) mnuFileCloseItem->setEnabled(true);
    if (children < MaxChannelWindows) {
        mnuFileNewItem->menuAction()->setEnabled(true);
        for (QAction* a : {mnuDatenaufzeichnung, mnuVisualisierung, mnuProgrammgeber, mnuTPScout}) a->setEnabled(true);
    }
    FixFormats();
}

bool TfrmMainWindow::IsChannelOpen(int channel) const
{
    NOX_ASSERT_UI_THREAD();
    return channel >= 1 && channel <= MaxChannelWindows && ChannelOpen[channel] != 0;
}

void TfrmMainWindow::SetChannelOpen(int channel, std::uint8_t flag)
{
    NOX_ASSERT_UI_THREAD();
    if (channel >= 1 && channel <= MaxChannelWindows) ChannelOpen[channel] = flag ? 1 : 0;
}

IChannelForm* TfrmMainWindow::ChannelForm(int channel) const
{
    NOX_ASSERT_UI_THREAD();
    if (channel < 1 || channel > MaxChannelWindows) return nullptr;
    const TChannelEntry& entry = ChannelWindows[channel];
    return entry.window ? entry.form : nullptr;
}

int TfrmMainWindow::ChannelOfSubWindow(QMdiSubWindow* window) const
{
    if (!window) return 0;
    // The form is cleared first when a window goes: its pointer is then not looked at, since
    // the window is no longer a sub-window while its destruction tells us it goes.
    for (int c = 1; c <= MaxChannelWindows; ++c)
        if (ChannelWindows[c].form && ChannelWindows[c].window == window) return c;
    return 0;
}

void TfrmMainWindow::UpdateFrameTitle()
{
    // While the current channel window is maximised, the frame's title names it, as
    // " - [<its caption>]" after the program's title.
    QString title = Q(startup::ProgramTitle);
    QMdiSubWindow* current = mdiArea->currentSubWindow();
    if (current && current->isMaximized() && !current->isHidden()) title += " - [" + current->windowTitle() + "]";
    setWindowTitle(title);
}

int TfrmMainWindow::ActiveChannel() const
{
    NOX_ASSERT_UI_THREAD();
    if (int c = ChannelOfSubWindow(mdiArea->currentSubWindow())) return c;
    if (ChannelForm(LastActivatedChannel)) return LastActivatedChannel;
    return 0;
}

// ---------------------------------------------------------------- closing

bool TfrmMainWindow::FormCloseQueryMain()
{
    NOX_ASSERT_UI_THREAD();
    if (ChildWindowCount() > 0) {
        // The programs that go no further are named, each with where its unit is left, as
        // closing one channel names its own; then Enter keeps the program open.
        AnsiString question = LookupText(FLanguageIndex, RowAskCloseAllAndExit);
        bool runs = false;
        for (int c = 1; c <= MaxChannelWindows; ++c) {
            const IChannelForm* form = ChannelOpen[c] ? ChannelForm(c) : nullptr;
            if (!form) continue;
            // So are the timed starts that go with the windows.
            for (const AnsiString& ended :
                 {form->RunEndedByCloseText(true), form->AutomaticStartDroppedByCloseText(true)}) {
                if (ended.empty()) continue;
                question += "\n\n" + ended;
                runs = true;
            }
        }
        // No timed start begins behind the question: one that comes due meanwhile waits for
        // the answer, and a yes drops it with its window. The windows that stay open let
        // theirs go on once every close is done or refused.
        for (int c = 1; c <= MaxChannelWindows; ++c)
            if (IChannelForm* form = ChannelOpen[c] ? ChannelForm(c) : nullptr)
                form->HoldAutomaticStart(TAutomaticStartHold::Question);
        struct Release {
            TfrmMainWindow* main;
            ~Release()
            {
                for (int c = 1; c <= MaxChannelWindows; ++c)
                    if (IChannelForm* form = main->ChannelOpen[c] ? main->ChannelForm(c) : nullptr)
                        form->ReleaseAutomaticStart();
            }
        } release{this};
        if (!AskYesNo(question, runs)) return false;
        for (int c = 1; c <= MaxChannelWindows; ++c) {
            if (!ChannelOpen[c]) continue;
            IChannelForm* form = ChannelForm(c);
            if (!form) continue;
            mdiArea->setActiveSubWindow(form->SubWindow());
            // One channel's failure must not keep the others from saving their data; a
            // channel whose recording could not be written and that the user kept open
            // keeps the program open.
            bool closed = true;
            platform::GuardedCall([form, &closed] { closed = form->FormClose(); });
            if (!closed) return false;
        }
    }
    CLanguage::Release();
    Language = nullptr;
    return true;
}

void TfrmMainWindow::closeEvent(QCloseEvent* event)
{
    bool canClose = false;
    platform::GuardedCall([&] { canClose = FormCloseQueryMain(); });
    if (canClose)
        event->accept();
    else
        event->ignore();
}

void TfrmMainWindow::actFileExitExecute()
{
    NOX_ASSERT_UI_THREAD();
    close();
}

void TfrmMainWindow::actFileCloseExecute()
{
    NOX_ASSERT_UI_THREAD();
    if (QMdiSubWindow* window = mdiArea->currentSubWindow()) window->close();
}

// ---------------------------------------------------------------- services

bool TfrmMainWindow::AskYesNo(const AnsiString& text, bool defaultNo)
{
    NOX_ASSERT_UI_THREAD();
    const AnsiString caption = LookupText(FLanguageIndex, RowWarning);
    if (dynamic_cast<platform::QtDialogs*>(&platform::dialogs())) {
        // The buttons speak the program's language, whatever language Qt's own texts have.
        // In front of the window that asks (the control panel stays on top), not behind it.
        QWidget* parent = platform::DialogParent();
        QMessageBox box(QMessageBox::Warning, Q(caption), Q(text), QMessageBox::NoButton, parent ? parent : this);
        QPushButton* yes = box.addButton(Q(LookupText(FLanguageIndex, RowYes)), QMessageBox::YesRole);
        QPushButton* no = box.addButton(Q(LookupText(FLanguageIndex, RowNo)), QMessageBox::NoRole);
        box.setDefaultButton(defaultNo ? no : yes);
        box.setEscapeButton(no);
        platform::PrepareDialog(box);
        box.exec();
        return box.clickedButton() == yes;
    }
    return platform::dialogs().MessageBox(text, caption, MB_YESNO | MB_ICONWARNING | (defaultNo ? MB_DEFBUTTON2 : 0)) ==
           IDYES;
}

// Any thread may look texts up (the table does not change) and show a message box (the
// box itself is handed to the user-interface thread).
AnsiString TfrmMainWindow::LookupText(int language, int row) const
{
    AnsiString out;
    return CLanguage::Instance()->LookupText(language, row, out);
}

int TfrmMainWindow::MessageBox(const AnsiString& text, const AnsiString& caption, int flags)
{
    auto& ui = platform::UiDispatcher::Instance();
    if (ui.IsUiThread()) return platform::dialogs().MessageBox(text, caption, flags);
    int result = IDOK;
    ui.Send([&] { result = platform::dialogs().MessageBox(text, caption, flags); });
    return result;
}

void TfrmMainWindow::ProcessMessages()
{
    NOX_ASSERT_UI_THREAD();
    QCoreApplication::processEvents();
}

void TfrmMainWindow::SetCalendarProgramName(const AnsiString& name)
{
    NOX_ASSERT_UI_THREAD();
    if (FProgrammerDialogs) FProgrammerDialogs->SetProgramName(name);
}

void TfrmMainWindow::FileSave1Execute(int channel)
{
    NOX_ASSERT_UI_THREAD();
    if (FFileCommands) FFileCommands->FileSave1Execute(channel);
}

void TfrmMainWindow::btnFileSaveClick()
{
    NOX_ASSERT_UI_THREAD();
    if (FFileCommands) FFileCommands->btnFileSaveClick(ActiveChannel());
}

void TfrmMainWindow::actFileOpenExecute(bool newView)
{
    NOX_ASSERT_UI_THREAD();
    if (FFileCommands) FFileCommands->actFileOpenExecute(newView);
}
