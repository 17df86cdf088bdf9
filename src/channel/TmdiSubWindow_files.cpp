// What the main window's file commands ask of a channel window: its chart and grid band for
// printing and export, the save of the recording or of the selected program, the label
// file's axis titles and the stored axis ranges after a file was loaded.
#include <QAction>
#include <QMenu>
#include <QPushButton>

#include "app/TfrmMainWindow.h"
#include "channel/ChannelTexts.h"
#include "programmer/CProgrammer.h"

#include "channel/TmdiSubWindow.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TCustomChart.h"
#include "chart/series/TeeAxisToolTypes.h"
#include "platform/UiThread.h"

TTeeCustomTool* TmdiSubWindow::GridBandTool()
{
    NOX_ASSERT_UI_THREAD();
    return ChartTool2;
}

bool TmdiSubWindow::RecordingRuns() const
{
    NOX_ASSERT_UI_THREAD();
    return !cmdEstablishConnection->isEnabled();
}

void TmdiSubWindow::SaveRecording(std::function<void(bool)> done)
{
    NOX_ASSERT_UI_THREAD();
    FSession->SaveRecording(std::move(done));
}

bool TmdiSubWindow::SaveSelectedProgram()
{
    NOX_ASSERT_UI_THREAD();
    if (!FSelectedNode) return false;
    SaveProgramOfTree();
    return true;
}

bool TmdiSubWindow::ReadLabelAxisTitles(AnsiString& left, AnsiString& right)
{
    NOX_ASSERT_UI_THREAD();
    TAxisLabels axes;
    TSeriesLabels series;
    if (!ReadLabelsFile(axes, series)) return false;
    left = axes[1];
    right = axes[2];
    return true;
}

void TmdiSubWindow::StoreAxisRanges()
{
    NOX_ASSERT_UI_THREAD();
    StoredAxisMaximum = graDataGraph->BottomAxis()->GetMaximum();
    StoredAxisMinimum = graDataGraph->BottomAxis()->GetMinimum();
    StoredLeftMaximum = graDataGraph->LeftAxis()->GetMaximum();
    StoredLeftMinimum = graDataGraph->LeftAxis()->GetMinimum();
    StoredRightMaximum = graDataGraph->RightAxis()->GetMaximum();
    StoredRightMinimum = graDataGraph->RightAxis()->GetMinimum();
}

void TmdiSubWindow::EnableChartCommands(bool enable)
{
    NOX_ASSERT_UI_THREAD();
    TfrmMainWindow* m = frmMainWindow;
    if (!m) return;
    m->mnuPrint->menuAction()->setEnabled(enable);
    for (QAction* a : {m->mnuExport, m->mnuTotalFocus, m->mnuSeriesShowLeft, m->mnuSeriesShowRight, m->mnuSaveZoom,
                       m->cmdTotalFocus, m->cmdSeriesShowLeft, m->cmdSeriesShowRight, m->cmdSaveZoom})
        a->setEnabled(enable);
}
