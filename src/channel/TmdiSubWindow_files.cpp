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

TTeeCustomTool* TmdiSubWindow::GridBandTool()
{
    return ChartTool2;
}

bool TmdiSubWindow::RecordingRuns() const
{
    return !cmdEstablishConnection->isEnabled();
}

void TmdiSubWindow::SaveRecording(std::function<void(bool)> done)
{
    FSession->SaveRecording(std::move(done));
}

bool TmdiSubWindow::SaveSelectedProgram()
{
    if (!FSelectedNode) return false;
    ::SaveSelectedProgram(*this);
    return true;
}

bool TmdiSubWindow::ReadLabelAxisTitles(AnsiString& left, AnsiString& right)
{
    TAxisLabels axes;
    TSeriesLabels series;
    if (!ReadLabelsFile(axes, series)) return false;
    left = axes[1];
    right = axes[2];
    return true;
}

void TmdiSubWindow::StoreAxisRanges()
{
    StoredAxisMaximum = graDataGraph->BottomAxis()->GetMaximum();
    StoredAxisMinimum = graDataGraph->BottomAxis()->GetMinimum();
    StoredLeftMaximum = graDataGraph->LeftAxis()->GetMaximum();
    StoredLeftMinimum = graDataGraph->LeftAxis()->GetMinimum();
    StoredRightMaximum = graDataGraph->RightAxis()->GetMaximum();
    StoredRightMinimum = graDataGraph->RightAxis()->GetMinimum();
}

void TmdiSubWindow::EnableChartCommands(bool enable)
{
    TfrmMainWindow* m = frmMainWindow;
    if (!m) return;
    m->mnuPrint->menuAction()->setEnabled(enable);
    for (QAction* a : {m->mnuExport, m->mnuTotalFocus, m->mnuSeriesShowLeft, m->mnuSeriesShowRight, m->mnuSaveZoom,
                       m->cmdTotalFocus, m->cmdSeriesShowLeft, m->cmdSeriesShowRight, m->cmdSaveZoom})
        a->setEnabled(enable);
}
