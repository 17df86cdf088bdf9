// What the main window and the control panel offer while a channel window is the active
// one: file and chart commands, device and program buttons by view and state, the channel
// panels' colours; and the resize rule of the window's page control.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include "app/IControlPanel.h"
#include "app/TfrmMainWindow.h"
#include "app/TfrmPanelControl.h"
#include "channel/TmdiSubWindow.h"
#include "chart/engine/TChartLegend.h"
#include "chart/engine/TCustomChart.h"
#include "platform/Dialogs.h"
#include "platform/TextLines.h"
#include "platform/UiThread.h"
#include "programmer/CProgrammer.h"

namespace {

// Runs a handler after every resize of the watched widget.
class TResizeHook : public QObject {
public:
    TResizeHook(QObject* watched, std::function<void()> handler) : QObject(watched), FHandler(std::move(handler)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize) platform::GuardedCall(FHandler);
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> FHandler;
};

// Colours of the channel panels: an open channel by its window's view, the active one
// highlighted.
constexpr TColor kViewColours[] = {0x0087584A, 0x00008000, 0x002994B5, 0x000076EC};
constexpr TColor kActiveColours[] = {0x00FFCE31, 0x0000FF00, 0x0080FFFF, 0x0079BCFF};

}  // namespace

TmdiSubWindow* TmdiSubWindow::ChannelWindow(int channel)
{
    if (!frmMainWindow || !frmMainWindow->IsChannelOpen(channel)) return nullptr;
    return dynamic_cast<TmdiSubWindow*>(frmMainWindow->ChannelForm(channel));
}

TmdiSubWindow::TProgramRunView TmdiSubWindow::ProgramRunView() const
{
    NOX_ASSERT_UI_THREAD();
    TProgramRunView run;
    // A run counts from its start request until it is tidied up; held it does not run.
    run.Held = FRun && FRun->SegmentHeld;
    run.Running = ProgramRunning != 0 && !run.Held;
    run.RampActive = FProgrammer && FProgrammer->GetRampActive() != 0;
    run.CalendarArmed = AutomaticStartArmed != 0;
    run.HasRun = FRun && FRun->HasRun();
    run.CanStop = FRun && FRun->CanStop();
    run.CanHold = FRun && FRun->CanHold();
    run.CanCancel = FRun && FRun->CanCancel();
    run.RemainingSteps = FRun ? FRun->RemainingSteps : 0;
    run.StartsInSeconds = FRun ? FRun->SecondsUntilStart() : -1;
    return run;
}

void TmdiSubWindow::ConnectActivation()
{
    connect(this, &QMdiSubWindow::windowStateChanged, this, [this](Qt::WindowStates before, Qt::WindowStates now) {
        if ((now & Qt::WindowActive) && !(before & Qt::WindowActive)) platform::GuardedCall([this] { FormActivate(); });
    });
    FClient->installEventFilter(new TResizeHook(FClient, [this] { FormCanResize(); }));
    graDataGraph->installEventFilter(new TResizeHook(graDataGraph, [this] { FitLegend(); }));
    connect(tabDataControl, &QTabWidget::currentChanged, this,
            [this] { platform::GuardedCall([this] { FormCanResize(); }); });
}

void TmdiSubWindow::FormActivate()
{
    NOX_ASSERT_UI_THREAD();
    TfrmMainWindow* m = frmMainWindow;
    const int c = FChannel;
    if (!m || m->ChannelForm(c) != this || !m->IsChannelOpen(c) || m->LastActivatedChannel == c) return;
    auto files = [m](bool open, bool save) {
        m->SetOpenEnabled(open);
        m->SetSaveEnabled(save);
    };
    auto showPanel = [this, m] {
        if (!FControlPanel) return;
        FControlPanel->SetVisible(true);
        m->mnuControlPanel->setChecked(FControlPanel->Visible());
    };
    switch (ViewMode) {
        case vmView:
            files(true, false);
            m->cmdRamp->setEnabled(false);
            chkLogFile->hide();
            chkLabel->show();
            chkLabel->setEnabled(true);
            showPanel();
            EnableChartCommands(true);
            EnableControlPanel(false, c);
            break;
        case vmTPScout:
            files(true, FProgramTree.Count() > 0);
            m->cmdRamp->setEnabled(false);
            chkLogFile->hide();
            chkLabel->hide();
            chkLabel->setEnabled(false);
            showPanel();
            EnableControlPanel(false, c);
            if (frmPanelControl) frmPanelControl->cmdTPLoad->setEnabled(true);
            EnableChartCommands(false);
            break;
        default:
            if (cmdEstablishConnection->isEnabled()) {
                // Not connected yet: nothing to open, save, print or send.
                files(false, false);
                EnableChartCommands(false);
                EnableControlPanel(false, c);
                break;
            }
            showPanel();
            if (ViewMode == vmProgrammer) {
                chkLogFile->show();
                chkLabel->show();
                chkLabel->setEnabled(true);
                m->cmdRamp->setEnabled(true);
                const TProgramRunView run = ProgramRunView();
                const bool busy = run.Running || run.Held;
                files(!busy, true);
                EnableControlPanel(!busy, c);
            } else {
                m->cmdRamp->setEnabled(false);
                files(false, true);
                chkLogFile->hide();
                EnableControlPanel(true, c);
            }
            EnableChartCommands(true);
            break;
    }
    m->LastActivatedChannel = c;
    m->ExplainGreyedItems();
    ColourChannelPanels(c);
    // The label and setpoint fields never keep what the previously active channel showed.
    if (frmPanelControl) {
        frmPanelControl->ShowChannelLabel(c);
        frmPanelControl->ShowUnitSetpoint(FSession->UnitSetpoint());
    }
}

void TmdiSubWindow::EnableControlPanel(bool enable, int channel)
{
    NOX_ASSERT_UI_THREAD();
    TfrmPanelControl* p = frmPanelControl;
    if (!p) return;
    TmdiSubWindow* w = channel == FChannel ? this : ChannelWindow(channel);
    if (!w) return;
    for (QWidget* b : std::initializer_list<QWidget*>{p->cmdKelvorStart, p->cmdKelvorStop, p->cmdDataToKelvor,
                                                      p->cmdKelvorStartCirculation})
        b->setEnabled(enable);

    // The program buttons by view and run state: the first row that applies.
    struct TRow {
        bool load, startStop, next, hold;
        int tag;  // what the start/stop button does next (1 start, 0 stop); -1 unchanged
    };
    const TProgramRunView run = w->ProgramRunView();
    const bool programmer = w->ViewMode == vmProgrammer;
    const bool connected = !w->cmdEstablishConnection->isEnabled();
    TRow row{false, false, false, false, -1};
    // A run's buttons offer what can be done to it now: an ended run waiting for its last
    // tick offers nothing, and its start/stop button still reads "stop".
    if (programmer && run.HasRun)
        row = {false, run.CanStop, run.CanCancel, run.CanHold, 0};
    else if (programmer && !run.CalendarArmed && connected)
        row = {true, true, false, false, 1};
    else if (programmer && run.CalendarArmed)
        row = {false, false, false, false, -1};
    else if (programmer || w->ViewMode == vmTPScout)
        row = {true, false, false, false, -1};
    p->cmdTPLoad->setEnabled(row.load);
    p->cmdTPStartStop->setEnabled(row.startStop);
    p->cmdNextSegment->setEnabled(row.next);
    p->cmdHoldSegment->setEnabled(row.hold);
    if (row.tag >= 0) p->SetStartStopTag(row.tag);

    p->cmbTempMethod->setEnabled(enable);
    p->edSetPoint->setEnabled(enable);
    if (TfrmMainWindow* m = frmMainWindow)
        for (QAction* a : {m->mnuCirculationON, m->mnuDeviceON, m->mnuDeviceOFF, m->mnuSetSetpoint})
            a->setEnabled(enable);
}

void TmdiSubWindow::ColourChannelPanels(int active)
{
    TfrmPanelControl* p = frmPanelControl;
    if (!p) return;
    auto mode = [](int channel) {
        TmdiSubWindow* w = ChannelWindow(channel);
        return w && w->ViewMode <= vmTPScout ? int(w->ViewMode) : -1;
    };
    for (int c = 1; c <= MaxChannelWindows; ++c)
        if (TChannelPanel* panel = p->ChannelPanel(c)) panel->SetColor(mode(c) < 0 ? clSilver : kViewColours[mode(c)]);
    if (TChannelPanel* panel = p->ChannelPanel(active); panel && mode(active) >= 0)
        panel->SetColor(kActiveColours[mode(active)]);
}

void TmdiSubWindow::FormCanResize()
{
    NOX_ASSERT_UI_THREAD();
    // Every page grows with the window: charts, trees and logs use the room a maximised or
    // tiled window gives them, and the controls of the other pages keep their own sizes.
    tabDataControl->setGeometry(FClient->rect());
}

void TmdiSubWindow::FitLegend()
{
    NOX_ASSERT_UI_THREAD();
    // Runs on resizes only, never per tick. A value line is 35 characters of the legend's
    // fixed-pitch font, plus check box, symbol and frame.
    TChartLegend* legend = graDataGraph->GetLegend();
    const int chartWidth = graDataGraph->width();
    int height = 0;
    for (int candidate : {13, 11, 9}) {
        QFont font(Q(legend->GetFont()->GetName()));
        font.setPixelSize(candidate);
        const int need = QFontMetrics(font).horizontalAdvance(QString(35, QChar('0'))) + 60;
        if (5 * need <= 2 * chartWidth) {
            height = candidate;
            break;
        }
    }
    if (height != 0 && legend->GetFont()->GetHeight() != -height) legend->GetFont()->SetHeight(-height);
    if (legend->GetVisible() != (height != 0)) legend->SetVisible(height != 0);
}
