// The window's timers and what a tick changes in the view: the time axis following the
// newest point, the vertical auto-range and the options page's range texts.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "channel/ChannelTexts.h"
#include "channel/TmdiSubWindow.h"
#include "chart/engine/ChartExceptions.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TeeColorButton.h"
#include "chart/series/TFastLineSeries.h"
#include "platform/Dialogs.h"
#include "platform/FormatSettings.h"
#include "platform/Round.h"
#include "platform/UiThread.h"

using namespace resources;

void TmdiSubWindow::tmrDataUpdateTimer()
{
    NOX_ASSERT_UI_THREAD();
    FSession->Tick();
}

void TmdiSubWindow::SetAxisRange(TChartAxis* axis, double minimum, double maximum)
{
    // A bound that would cross the other is refused by the axis: the other order then.
    try {
        axis->SetMaximum(maximum);
        axis->SetMinimum(minimum);
    } catch (const AxisException&) {
        axis->SetMinimum(minimum);
        axis->SetMaximum(maximum);
    }
}

void TmdiSubWindow::TimeAxisStarted(TDateTime axisStart)
{
    TChartAxis* bottom = graDataGraph->BottomAxis();
    bottom->SetDesiredIncrement(1.0 / 86400.0);
    bottom->SetDateTimeFormat("hh:nn:ss");
    if (FSession->AbsoluteTimeAxis()) StoredAxisMinimum = StoredAxisMaximum = axisStart;
    SetAxisRange(bottom, axisStart, axisStart);
    bottom->SetExactDateTime(true);
    bottom->SetAutomatic(false);
    bottom->SetAutomaticMaximum(true);
    chkAutomaticScale->setChecked(true);
    graDataGraph->Invalidate();
}

void TmdiSubWindow::ScrollTimeAxis()
{
    NOX_ASSERT_UI_THREAD();
    TChartSeries* s0 = FSession->Series(0);
    const int n = s0 ? s0->Count() : 0;
    graDataGraph->GetZoom()->Allow = n > 5;
    if (!chkAutomaticScale->isChecked() || n == 0) return;
    TChartAxis* bottom = graDataGraph->BottomAxis();
    const double first = s0->GetxValue(0), last = s0->GetxValue(n - 1);
    if (chkTimeWindow->isChecked() && !Zoomed && last - first >= TimeWindow)
        SetAxisRange(bottom, last - TimeWindow, last);
    else
        SetAxisRange(bottom, first, last);
    bottom->SetAutomatic(false);
    bottom->SetAutomaticMaximum(true);
}

void TmdiSubWindow::AutoRangeAxis()
{
    NOX_ASSERT_UI_THREAD();
    int n = FSession->ProgrammerMode() ? 23 : 22;
    if (Busy && FSession->ValueSeriesCount() > 0) n = std::min(n, FSession->ValueSeriesCount());
    TChartSeries* s0 = FSession->Series(0);
    if (!s0 || s0->Count() == 0) return;
    double maximum = s0->MaxYValue(), minimum = s0->MinYValue();
    for (int i = 1; i < n; ++i) {
        TChartSeries* s = FSession->Series(i);
        if (!s || !s->GetActive() || s->Count() == 0 || s->GetVertAxisKind() != aLeftAxis) continue;
        maximum = std::max(maximum, s->MaxYValue());
        minimum = std::min(minimum, s->MinYValue());
    }
    const double margin = double(Round64((maximum - minimum) * 0.05 * 10.0)) / 10.0;
    maximum += margin;
    minimum -= margin;
    TChartAxis* left = graDataGraph->LeftAxis();
    if (maximum != minimum)
        SetAxisRange(left, minimum, maximum);
    else if (maximum == 0)
        SetAxisRange(left, -61.0, 41.0);
}

void TmdiSubWindow::ShowNewSegments()
{
    NOX_ASSERT_UI_THREAD();
    // Series that do not repaint the chart for a new point have drawn its segment into the
    // window's picture; showing the picture is enough.
    graDataGraph->update();
}

void TmdiSubWindow::tabDataOptionsShow()
{
    NOX_ASSERT_UI_THREAD();
    const TChartAxis* bottom = graDataGraph->BottomAxis();
    if (ImportedFile) {
        edTimeMin->setText(QString::fromStdString(FloatToStr(bottom->GetMinimum())));
        edTimeMax->setText(QString::fromStdString(FloatToStr(bottom->GetMaximum())));
    } else {
        edTimeMin->setText(QString::fromStdString(FormatDateTime("dd.mm.yyyy hh:nn:ss", bottom->GetMinimum())));
        edTimeMax->setText(QString::fromStdString(FormatDateTime("dd.mm.yyyy hh:nn:ss", bottom->GetMaximum())));
    }
    auto two = [](double v) { return QString::fromStdString(FormatFloat("0.00", v)); };
    edTempMin->setText(two(graDataGraph->LeftAxis()->GetMinimum()));
    edTempMax->setText(two(graDataGraph->LeftAxis()->GetMaximum()));
    edPowerMin->setText(two(graDataGraph->RightAxis()->GetMinimum()));
    edPowerMax->setText(two(graDataGraph->RightAxis()->GetMaximum()));
}

void TmdiSubWindow::tabDataGraphShow()
{
    NOX_ASSERT_UI_THREAD();
    graDataGraph->Invalidate();
}
