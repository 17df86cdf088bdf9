// The main window's commands: language, device menu, control panel, zoom, window
// arrangement, calendar start and single ramp, the title window and the resize rule.
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QResizeEvent>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVariant>
#include <algorithm>
#include <cstdlib>

#include "app/CLogoThread.h"
#include "app/IControlPanel.h"
#include "app/IPanelChannelWindow.h"
#include "app/IShellHooks.h"
#include "app/TfrmMainWindow.h"
#include "app/TfrmTitleControl.h"
#include "chart/engine/TChartSeries.h"
#include "platform/Dialogs.h"
#include "platform/Round.h"
#include "platform/UiThread.h"
#include "resources/TextRows.h"

using namespace resources;

// ---------------------------------------------------------------- language

void TfrmMainWindow::mnuGermanClick()
{
    SelectLanguage(0);
}

void TfrmMainWindow::mnuEnglishClick()
{
    SelectLanguage(1);
}

// The main window and every open channel window change to the language.
void TfrmMainWindow::SelectLanguage(int ALanguage)
{
    NOX_ASSERT_UI_THREAD();
    FLanguageIndex = ALanguage;
    SetMenuLanguageMarks();
    ApplyLanguage(ALanguage);
    for (int c = 1; c <= MaxChannelWindows; ++c) {
        if (!ChannelOpen[c]) continue;
        try {
            if (IChannelForm* form = ChannelForm(c)) {
                form->SetLanguage(ALanguage, c);
                // Longer texts widen a window that shows them at its own size.
                // (Each nested layout reports to the one around it in turn.)
                for (int level = 0; level < 8; ++level)
                    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
                // Only a window at the size the program gave it grows: one the user sized or
                // an arrangement placed keeps its place and size.
                QMdiSubWindow* w = form->SubWindow();
                if (w && !w->isMaximized() && !w->isMinimized() && AtFittedSize(w)) FitChannelWindow(w, w->size());
            }
            if (FFileCommands) FFileCommands->SetImportLanguage(ALanguage);
        } catch (...) {
            // One window that fails to switch must not keep the others in the old language.
        }
    }
}

// ---------------------------------------------------------------- device menu and panel

void TfrmMainWindow::mnuCirculationONClick()
{
    NOX_ASSERT_UI_THREAD();
    if (FPanelControl) FPanelControl->cmdKelvorStartCirculationClick(true);
}
void TfrmMainWindow::mnuDeviceONClick()
{
    NOX_ASSERT_UI_THREAD();
    if (FPanelControl) FPanelControl->cmdKelvorStartClick(true);
}
void TfrmMainWindow::mnuDeviceOFFClick()
{
    NOX_ASSERT_UI_THREAD();
    if (FPanelControl) FPanelControl->cmdKelvorStopClick(true);
}
void TfrmMainWindow::mnuSetSetpointClick()
{
    NOX_ASSERT_UI_THREAD();
    if (FPanelControl) FPanelControl->cmdDataToKelvorClick(true);
}

void TfrmMainWindow::mnuControlPanelClick()
{
    NOX_ASSERT_UI_THREAD();
    if (!FPanelControl) return;
    FPanelControl->SetVisible(!FPanelControl->Visible());
    const bool visible = FPanelControl->Visible();
    mnuControlPanel->setChecked(visible);
    if (visible) FPanelControl->BringToFront();
}

// ---------------------------------------------------------------- zoom

void TfrmMainWindow::ArrangeAxis(bool left)
{
    IChannelForm* form = ChannelForm(ActiveChannel());
    if (!form) return;
    const int count = form->ChartSeriesCount();
    bool anyActive = false;
    for (int i = 0; i < count; ++i)
        if (TChartSeries* s = form->ChartSeries(i); s && s->GetActive()) anyActive = true;
    if (!anyActive) return;

    int n = 22;
    // A view counts the columns of the file imported into it, whatever was imported since
    // into other views.
    if (form->FileView && form->ImportedColumnCount != 0)
        n = form->ImportedColumnCount - 1;
    else if (left && form->ProgrammerView)
        n = 16;
    n = std::min(n, count);
    const auto axis = left ? ChartDataEnums::aLeftAxis : ChartDataEnums::aRightAxis;
    auto counts = [&](TChartSeries* s) { return s && s->GetActive() && s->GetVertAxisKind() == axis; };

    // The range starts from the first such series that has points: a file whose first column
    // is empty still gets its axis arranged by the others. Without any series on the axis,
    // the axis takes the first series' range, as it always has.
    TChartSeries* start = nullptr;
    bool anyOnAxis = false;
    for (int i = 0; i < n && !start; ++i)
        if (TChartSeries* s = form->ChartSeries(i); counts(s)) {
            anyOnAxis = true;
            if (s->Count() > 0) start = s;
        }
    if (!start && !anyOnAxis) start = form->ChartSeries(0);
    if (!start || start->Count() == 0) return;
    double maximum = start->MaxYValue();
    double minimum = start->MinYValue();
    for (int i = 0; i < n; ++i) {
        TChartSeries* s = form->ChartSeries(i);
        // A series without points has no values to widen the range with.
        if (!counts(s) || s->Count() == 0) continue;
        maximum = std::max(maximum, s->MaxYValue());
        minimum = std::min(minimum, s->MinYValue());
    }
    // Curves that hold nothing but zeros get the fixed range below.
    const bool onlyZeros = maximum == 0.0 && minimum == 0.0;
    // The margin is at least one step of its rounding: one rounded down to nothing put a
    // curve on the axis' edge (its top label below the curve, the curve cut off there), and a
    // flat curve left the axis where it was, possibly away from the curve.
    double margin = (maximum - minimum) * 0.05;
    if (left) {
        margin = std::max(Round(margin * 10.0) / 10.0, 0.1);
        maximum += margin;
        minimum -= margin;
    } else {
        margin = std::max(double(Round(margin)), 1.0);
        maximum = Round(maximum + margin);
        minimum = Round(minimum - margin);
    }
    const TChannelAxis which = left ? TChannelAxis::Left : TChannelAxis::Right;
    if (maximum != minimum && !onlyZeros) form->SetAxisLimits(which, maximum, minimum);
    if (maximum == 0.0 || onlyZeros) {
        if (left)
            form->SetAxisLimits(which, 41.0, -61.0);
        else
            form->SetAxisLimits(which, 1000.0, -110.0);
    }
}

void TfrmMainWindow::cmdSeriesShowLeftClick()
{
    NOX_ASSERT_UI_THREAD();
    ArrangeAxis(true);
}
void TfrmMainWindow::cmdSeriesShowRightClick()
{
    NOX_ASSERT_UI_THREAD();
    ArrangeAxis(false);
}

void TfrmMainWindow::cmdSaveZoomClick()
{
    NOX_ASSERT_UI_THREAD();
    if (ChildWindowCount() < 1) return;
    IChannelForm* form = ChannelForm(ActiveChannel());
    if (!form) return;
    form->ZoomLimits = form->AxisRanges();
}

void TfrmMainWindow::cmdTotalFocusClick()
{
    NOX_ASSERT_UI_THREAD();
    IChannelForm* form = ChannelForm(ActiveChannel());
    if (!form) return;
    if (form->FileView) {
        form->SetAxisLimits(TChannelAxis::Bottom, form->FullRange.TimeMax, form->FullRange.TimeMin);
        form->SetAxisLimits(TChannelAxis::Right, form->FullRange.RightMax, form->FullRange.RightMin);
    } else {
        form->SetAxisLimits(TChannelAxis::Right, 1000.0, -110.0);
    }
    ArrangeAxis(true);
}

// ---------------------------------------------------------------- window arrangement

QSize TfrmMainWindow::ChannelWindowSize(const QMdiSubWindow* window, QSize design) const
{
    // The design size unless the window's texts need more, and never more than the area.
    QSize size = design.expandedTo(window->minimumSizeHint());
    if (isVisible()) size = size.boundedTo(mdiArea->viewport()->size());
    return size;
}

namespace {
constexpr char kFittedSize[] = "noxFittedSize";
}

void TfrmMainWindow::FitChannelWindow(QMdiSubWindow* window, QSize design)
{
    window->resize(ChannelWindowSize(window, design));
    window->setProperty(kFittedSize, window->size());
}

bool TfrmMainWindow::AtFittedSize(const QMdiSubWindow* window)
{
    const QVariant fitted = window->property(kFittedSize);
    return fitted.isValid() && fitted.toSize() == window->size();
}

void TfrmMainWindow::actWindowCascadeExecute()
{
    NOX_ASSERT_UI_THREAD();
    FArrangement = TArrangement::Cascade;
    if (ChildWindowCount() == 0) return;
    int active = ActiveChannel();
    if (active == 0) active = 1;
    QMdiSubWindow* activeWindow = ChannelForm(active) ? ChannelForm(active)->SubWindow() : nullptr;
    const QSize area = mdiArea->viewport()->size();
    int offset = 0;
    auto place = [&](QMdiSubWindow* w) {
        if (activeWindow) activeWindow->showNormal();
        const QSize size = ChannelWindowSize(w, QSize(850, 503));
        // A window that would leave the area starts the cascade again at its corner.
        if (isVisible() && (offset + size.width() > area.width() || offset + size.height() > area.height())) offset = 0;
        w->setGeometry(offset, offset, size.width(), size.height());
        w->setProperty(kFittedSize, w->size());
        w->show();
        w->raise();
        offset += 20;
    };
    for (int c = 1; c <= MaxChannelWindows; ++c) {
        if (c == active || !ChannelOpen[c] || !ChannelForm(c)) continue;
        place(ChannelForm(c)->SubWindow());
    }
    if (activeWindow) {
        // The active window ends in front, at the next offset.
        place(activeWindow);
        mdiArea->setActiveSubWindow(activeWindow);
    }
}

// The windows share the client area in a grid: stacked fills columns from the top, side by
// side fills rows from the left. Strips stop at a size that still shows a plot; more windows
// open further columns (rows).
void TfrmMainWindow::TileSubWindows(bool stacked)
{
    NOX_ASSERT_UI_THREAD();
    FArrangement = stacked ? TArrangement::TileStacked : TArrangement::TileSideBySide;
    const QList<QMdiSubWindow*> windows = mdiArea->subWindowList();
    if (windows.isEmpty()) return;
    const QRect area = mdiArea->viewport()->rect();
    const int n = int(windows.size());
    constexpr int MinimumTileWidth = 400, MinimumTileHeight = 250;
    const int along = stacked ? std::clamp(area.height() / MinimumTileHeight, 1, n)
                              : std::clamp(area.width() / MinimumTileWidth, 1, n);
    const int across = (n + along - 1) / along;
    for (int i = 0; i < n; ++i) {
        const int line = i / along;  // column when stacked, row side by side
        const int inLine = std::min(along, n - line * along);
        const int k = i % along;
        QRect r;
        if (stacked) {
            const int x0 = area.width() * line / across, x1 = area.width() * (line + 1) / across;
            const int y0 = area.height() * k / inLine, y1 = area.height() * (k + 1) / inLine;
            r = QRect(x0, y0, x1 - x0, y1 - y0);
        } else {
            const int y0 = area.height() * line / across, y1 = area.height() * (line + 1) / across;
            const int x0 = area.width() * k / inLine, x1 = area.width() * (k + 1) / inLine;
            r = QRect(x0, y0, x1 - x0, y1 - y0);
        }
        windows[i]->showNormal();
        windows[i]->setGeometry(r);
    }
}

void TfrmMainWindow::ArrangeWindows()
{
    NOX_ASSERT_UI_THREAD();
    // A new window joins the arrangement the user chose last.
    switch (FArrangement) {
        case TArrangement::TileStacked: TileSubWindows(true); break;
        case TArrangement::TileSideBySide: TileSubWindows(false); break;
        case TArrangement::Cascade: actWindowCascadeExecute(); break;
    }
}

void TfrmMainWindow::actWindowTileHorizontalExecute()
{
    TileSubWindows(true);
}

void TfrmMainWindow::actWindowTileVerticalExecute()
{
    TileSubWindows(false);
}

void TfrmMainWindow::actWindowArrangeExecute()
{
    NOX_ASSERT_UI_THREAD();
    // The minimised windows line up along the bottom of the client area from the left, a
    // new row above the last when a row is full; the other windows stay where they are.
    const int width = mdiArea->viewport()->width();
    int left = 0, bottom = mdiArea->viewport()->height(), rowHeight = 0;
    for (QMdiSubWindow* w : mdiArea->subWindowList(QMdiArea::CreationOrder)) {
        if (w->isHidden() || !w->isMinimized()) continue;
        const QSize size = w->size();
        if (left > 0 && left + size.width() > width) {
            left = 0;
            bottom -= rowHeight;
            rowHeight = 0;
        }
        w->move(left, bottom - size.height());
        left += size.width();
        rowHeight = std::max(rowHeight, size.height());
    }
}

// ---------------------------------------------------------------- calendar start and single ramp

void TfrmMainWindow::SetProgrammerDialogs(IProgrammerDialogs* dialogs)
{
    FProgrammerDialogs = dialogs;
    cmdAutomaticStart->setEnabled(dialogs != nullptr);
}

void TfrmMainWindow::cmdAutomaticStartClick()
{
    NOX_ASSERT_UI_THREAD();
    if (!FProgrammerDialogs) return;
    FProgrammerDialogs->ClearOverview();
    for (int c = 1; c <= MaxChannelWindows; ++c) {
        IChannelForm* form = ChannelOpen[c] ? ChannelForm(c) : nullptr;
        // Each row shows the program its window holds: that is the program a timed start runs.
        const auto* window = dynamic_cast<const IPanelChannelWindow*>(form);
        if (form)
            FProgrammerDialogs->SetChannelState(c, form->IsConnected() ? 1 : 0, form->AutomaticStartArmed,
                                                window ? window->LoadedProgramFile() : AnsiString(),
                                                form->ProgramRunning, form->ViewMode);
        else
            FProgrammerDialogs->SetChannelState(c, 0, 0, AnsiString(), 0, vmNotUsed);
    }
    FProgrammerDialogs->ShowDateTimePicker();
}

void TfrmMainWindow::ProgramStateChanged(int channel)
{
    NOX_ASSERT_UI_THREAD();
    const IChannelForm* form = IsChannelOpen(channel) ? ChannelForm(channel) : nullptr;
    if (FProgrammerDialogs && form)
        FProgrammerDialogs->ChannelProgramState(channel, form->AutomaticStartArmed, form->ProgramRunning);
}

void TfrmMainWindow::cmdRampClick()
{
    NOX_ASSERT_UI_THREAD();
    try {
        const int c = ActiveChannel();
        if (!IsChannelOpen(c)) return;
        IChannelForm* form = ChannelForm(c);
        if (!form) return;
        const AnsiString caption = LookupText(FLanguageIndex, RowAttention);
        // A program that has ended, or that the user has just stopped, is still held as
        // started until the channel's next tick: it is no reason to refuse the ramp, which
        // replaces it as it replaces any loaded program.
        if (form->ProgramRunning && !form->ReleaseEndedProgram())
            platform::dialogs().MessageBox(LookupText(FLanguageIndex, RowStopProgramFirst), caption, MB_OK);
        else if (form->AutomaticStartArmed)
            platform::dialogs().MessageBox(LookupText(FLanguageIndex, RowNotWhileAutomaticStart), caption, MB_OK);
        else if (form->UnitControlStatus() != "E" && form->UnitControlStatus() != "I")
            platform::dialogs().MessageBox(LookupText(FLanguageIndex, RowTemperatureControlIsOff), caption, MB_OK);
        else if (!form->ProgramStarting && FProgrammerDialogs)
            FProgrammerDialogs->ShowSingleRamp(c);
    } catch (...) {}
}

// ---------------------------------------------------------------- title window

void TfrmMainWindow::StartLogoThread()
{
    if (FLogoThread) {
        // An earlier thread has normally finished; one that has not is hidden first.
        FLogoThread->SetMode(0);
        FLogoThread->WaitFor();
        FLogoThread.reset();
    }
    auto thread = std::make_unique<CLogoThread>(true);
    thread->OnShow = [this] {
        NOX_ASSERT_UI_THREAD();
        ShowTitleWindow();
        // The frame keeps the size it has now.
        brToolBar->setMinimumWidth(width());
        brToolBar->setMinimumHeight(brToolBar->height());
        statusBar()->setMinimumWidth(width());
        statusBar()->setMinimumHeight(statusBar()->height());
        setMinimumSize(size());
        QCoreApplication::processEvents();
        FreeResizing = 0;
    };
    thread->OnHide = [this] {
        NOX_ASSERT_UI_THREAD();
        CloseTitleWindow();
        TitleShown = 0;
        tmrPopUpTag = 0;
    };
    thread->SetMode(1);
    FLogoThread = std::move(thread);
    FLogoThread->Resume();
}

void TfrmMainWindow::tmrPopUpTimer()
{
    NOX_ASSERT_UI_THREAD();
    tmrPopUp->stop();
    StartLogoThread();
    tmrKillThread->start();
}

void TfrmMainWindow::tmrKillThreadTimerTimer()
{
    NOX_ASSERT_UI_THREAD();
    tmrKillThread->stop();
    if (FLogoThread) FLogoThread->SetMode(0);
    activateWindow();
    setFocus();
}

void TfrmMainWindow::ShowTitleWindow()
{
    NOX_ASSERT_UI_THREAD();
    if (!FTitleWindow) return;
    const QRect frame = geometry();
    FTitleWindow->move(frame.center() - QPoint(FTitleWindow->width() / 2, FTitleWindow->height() / 2));
    FTitleWindow->show();
    FTitleWindow->raise();
}

void TfrmMainWindow::CloseTitleWindow()
{
    NOX_ASSERT_UI_THREAD();
    if (FTitleWindow) FTitleWindow->hide();
}

void TfrmMainWindow::mnuInformationClick()
{
    NOX_ASSERT_UI_THREAD();
    if (TitleShown != 0 || tmrPopUpTag != 0) return;
    TitleShown = 1;
    if (FTitleWindow) FTitleWindow->SetPanelBorder(ChildWindowCount() > 0);
    StartLogoThread();
    tmrKillThread->start();
}

// ---------------------------------------------------------------- resizing

bool TfrmMainWindow::FormCanResize(int newWidth, int /*newHeight*/) const
{
    NOX_ASSERT_UI_THREAD();
    if (FreeResizing) return true;
    const int change = std::abs(newWidth - width());
    return change >= 1 && change <= 19;
}

void TfrmMainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    ControlPanelPlaced(FPanelFrame, FPanelShown);
    if (FreeResizing || FMaximising || isMaximized() || !event->oldSize().isValid()) return;
    const int change = std::abs(event->size().width() - event->oldSize().width());
    if (change >= 1 && change <= 19) return;
    FMaximising = true;
    showMaximized();
    FMaximising = false;
}

void TfrmMainWindow::SetOpenEnabled(bool Enabled)
{
    btnFileOpen->setEnabled(Enabled);
    mnuOpenFile->setEnabled(Enabled);
}

void TfrmMainWindow::SetSaveEnabled(bool Enabled)
{
    btnFileSave->setEnabled(Enabled);
    mnuFileSaveItem->setEnabled(Enabled);
}
