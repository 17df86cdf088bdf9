// The channel chart's handlers: rubber-band zoom with its depth limit and its undo, the
// wheel that does nothing, the cursor read-out over the chart, the legend lines with the
// current values and the remaining time of a program under the legend. Every handler works
// on the window that owns the chart, also when that window is in the background.
#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>

#include "channel/ChannelTexts.h"
#include "channel/TmdiSubWindow.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TChartLegend.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TeCanvas.h"
#include "chart/series/TFastLineSeries.h"
#include "comm/CChannel.h"
#include "platform/FormatSettings.h"
#include "platform/TCanvas.h"
#include "platform/TextLines.h"
#include "platform/UiThread.h"

using namespace resources;

namespace {

// Swallows the wheel over the chart: it neither scrolls nor zooms.
class TWheelFilter : public QObject {
public:
    TWheelFilter(QObject* chart, std::function<void(bool&)> handler) : QObject(chart), FHandler(std::move(handler)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Wheel) return QObject::eventFilter(watched, event);
        bool handled = false;
        FHandler(handled);
        if (handled) event->accept();
        return handled;
    }

private:
    std::function<void(bool&)> FHandler;
};

bool Within(const TChartAxis* axis, double value)
{
    return value >= axis->GetMinimum() && value <= axis->GetMaximum();
}

}  // namespace

void TmdiSubWindow::ConnectChartHandlers()
{
    TChart* c = graDataGraph;
    c->OnZoom = [this](QObject*) { graDataGraphZoom(); };
    c->OnUndoZoom = [this](QObject*) { graDataGraphUndoZoom(); };
    c->OnMouseDown = [this](QObject*, TMouseButton button, TShiftState, int x, int y) {
        graDataGraphMouseDown(button, x, y);
    };
    c->OnMouseUp = [this](QObject*, TMouseButton button, TShiftState, int, int) { graDataGraphMouseUp(button); };
    c->OnMouseMove = [this](QObject* sender, TShiftState, int x, int y) { graDataGraphMouseMove(sender, x, y); };
    c->OnBeforeDrawChart = [this](QObject*) { graDataGraphBeforeDrawChart(); };
    c->OnGetLegendText = [this](QObject*, TLegendStyle, int index, AnsiString& text) {
        graDataGraphGetLegendText(index, text);
    };
    c->OnGetLegendRect = [this](QObject*, TRect& rect) { graDataGraphGetLegendRect(rect); };
    c->OnAfterDraw = [this](QObject*) { graDataGraphAfterDraw(); };
    c->installEventFilter(new TWheelFilter(c, [this](bool& handled) { graDataGraphMouseWheel(handled); }));
}

// ---------------------------------------------------------------- zoom

void TmdiSubWindow::graDataGraphZoom()
{
    NOX_ASSERT_UI_THREAD();
    if (Zoomed) return;
    Zoomed = 1;
    ZoomRestore = chkAutomaticScale->isChecked() ? 1 : 0;
    graDataGraph->BottomAxis()->SetAutomaticMaximum(false);
    // The box's own handling stops the scrolling and the vertical fit to the data.
    SetAutomaticScale(false);
    edTimeMin->setEnabled(true);
    edTimeMax->setEnabled(true);
    chkTimeWindow->setEnabled(false);
}

void TmdiSubWindow::graDataGraphUndoZoom()
{
    NOX_ASSERT_UI_THREAD();
    TChartAxis *bottom = graDataGraph->BottomAxis(), *left = graDataGraph->LeftAxis(),
               *right = graDataGraph->RightAxis();
    // A range never stored (both bounds equal) is not applied: the axis keeps the range
    // the chart restored from before the zoom instead of collapsing to nothing.
    auto restore = [](TChartAxis* axis, double minimum, double maximum) {
        if (maximum != minimum) SetAxisRange(axis, minimum, maximum);
    };
    if (!Busy) {
        Zoomed = 0;
        const bool automatic = ZoomRestore != 0;
        SetAutomaticScale(automatic);
        bottom->SetAutomaticMaximum(automatic);
        edTimeMin->setEnabled(!automatic);
        edTimeMax->setEnabled(!automatic);
        chkTimeWindow->setEnabled(automatic);
        if (!automatic) restore(bottom, StoredAxisMinimum, StoredAxisMaximum);
        restore(right, StoredRightMinimum, StoredRightMaximum);
        if (FSession->ProgrammerMode())
            AutoRangeAxis();
        else
            restore(left, StoredLeftMinimum, StoredLeftMaximum);
    } else {
        restore(bottom, StoredAxisMinimum, StoredAxisMaximum);
        restore(right, StoredRightMinimum, StoredRightMaximum);
        restore(left, StoredLeftMinimum, StoredLeftMaximum);
    }
    txtZoomWarning->hide();
    graDataGraph->Invalidate();
    QCoreApplication::processEvents();
}

void TmdiSubWindow::graDataGraphMouseDown(TMouseButton button, int, int)
{
    NOX_ASSERT_UI_THREAD();
    if (button != mbLeft) return;
    const TChartAxis *left = graDataGraph->LeftAxis(), *right = graDataGraph->RightAxis(),
                     *bottom = graDataGraph->BottomAxis();
    const double twoSeconds = ImportedFile ? 2.0 : 2.0 / 86400.0;
    const double bottomRange = bottom->GetMaximum() - bottom->GetMinimum();
    if (bottomRange == 0 || left->GetMaximum() - left->GetMinimum() <= 0.05 || bottomRange <= twoSeconds) return;
    PreZoomRanges = {left->GetMaximum(),  left->GetMinimum(),   right->GetMaximum(),
                     right->GetMinimum(), bottom->GetMaximum(), bottom->GetMinimum()};
}

void TmdiSubWindow::graDataGraphMouseUp(TMouseButton button)
{
    NOX_ASSERT_UI_THREAD();
    if (button == mbLeft) ZoomCheckPending = 1;
}

void TmdiSubWindow::graDataGraphBeforeDrawChart()
{
    NOX_ASSERT_UI_THREAD();
    if (!ZoomCheckPending) return;
    ZoomCheckPending = 0;
    TChartAxis *left = graDataGraph->LeftAxis(), *right = graDataGraph->RightAxis(),
               *bottom = graDataGraph->BottomAxis();
    // The points of the first shown series that lie in the new time range.
    int n = 0;
    const int count = std::min(FSession->ValueSeriesCount(), ChannelSeriesCount);
    for (int i = 0; i < count; ++i) {
        TChartSeries* s = FSession->Series(i);
        if (!s || !s->GetActive()) continue;
        int visible = 0;
        for (int p = 0; p < s->Count(); ++p)
            if (Within(bottom, s->GetxValue(p))) ++visible;
        n = visible - 1;
        break;
    }
    const double twoSeconds = ImportedFile ? 2.0 : 2.0 / 86400.0;
    const double bottomRange = bottom->GetMaximum() - bottom->GetMinimum();
    const bool tooDeep = left->GetMaximum() - left->GetMinimum() <= 0.005 || bottomRange <= twoSeconds ||
                         bottomRange == 0 || n == 1 || n == 2;
    if (!tooDeep || PreZoomRanges.BottomMax == 0 || PreZoomRanges.BottomMin == 0) return;
    SetAxisRange(bottom, PreZoomRanges.BottomMin, PreZoomRanges.BottomMax);
    SetAxisRange(left, PreZoomRanges.LeftMin, PreZoomRanges.LeftMax);
    SetAxisRange(right, PreZoomRanges.RightMin, PreZoomRanges.RightMax);
    graDataGraph->GetZoom()->Allow = true;
}

// ---------------------------------------------------------------- read-out

void TmdiSubWindow::graDataGraphMouseMove(QObject* sender, int x, int y)
{
    NOX_ASSERT_UI_THREAD();
    if (sender != graDataGraph) return;
    TChartSeries *s0 = FSession->Series(0), *aif = FSession->Series(14);
    if (!s0 || !aif) return;
    const double xValue = s0->XScreenToValue(x), y1 = s0->YScreenToValue(y), y2 = aif->YScreenToValue(y);
    const TChartAxis *left = graDataGraph->LeftAxis(), *right = graDataGraph->RightAxis(),
                     *bottom = graDataGraph->BottomAxis();
    auto show = [](QLabel* label, const AnsiString& text) {
        label->setText(Q(text));
        label->adjustSize();
    };
    if ((LeftSeriesShown == 0 && RightSeriesShown == 0) || !Within(left, y1) || !Within(bottom, xValue) ||
        !Within(right, y2)) {
        show(lblXCoord, "X: -");
        show(lblY1Coord, "Y1: -");
        show(lblY2Coord, "Y2: -");
    } else {
        show(lblY1Coord, LeftSeriesShown ? "Y1: " + FormatFloat("0.00", y1) : AnsiString("Y1: -"));
        show(lblY2Coord, RightSeriesShown ? "Y2: " + FormatFloat("0.00", y2) : AnsiString("Y2: -"));
        show(lblXCoord, "X: " + (ImportedFile ? FormatFloat("0.00", xValue)
                                              : FormatDateTime(FormatSettings().LongTimeFormat, xValue)));
    }
    const int count = std::min(FSession->ValueSeriesCount(), ChannelSeriesCount);
    for (int i = 0; i < count; ++i) {
        TChartSeries* s = FSession->Series(i);
        if (s && s->GetActive() && s->Clicked(x, y) >= 0) {
            show(txtSelection, s->GetTitle());
            break;
        }
    }
}

// ---------------------------------------------------------------- legend

void TmdiSubWindow::graDataGraphGetLegendText(int index, AnsiString& text)
{
    NOX_ASSERT_UI_THREAD();
    graDataGraph->GetLegend()->SetLegendStyle(lsSeries);
    const QString title = Q(text);
    const int insertAt = int(title.size()) + 2;  // 1-based: just before the blank after the colon
    if (index >= ValueSeriesTotal) return;
    int i = index;
    while (i < ValueSeriesTotal && FSession->Series(i)->GetTitle() != text) ++i;
    if (i >= ValueSeriesTotal) return;
    if (i == 0) RightSeriesShown = LeftSeriesShown = 0;
    TChartSeries* s = FSession->Series(i);
    if (s->GetActive()) {
        if (s->GetVertAxisKind() == aRightAxis)
            ++RightSeriesShown;
        else if (s->GetVertAxisKind() == aLeftAxis)
            ++LeftSeriesShown;
    }
    const QString blanks(14, ' ');
    CChannel* channel = FSession->ChannelObject();
    if (!FSession->IsConnected() || Printing || !channel) {
        text = (title + blanks).toStdString();
        return;
    }
    // Title and value right-aligned in 21 characters. While the points are error points
    // the value is not the unit's current one: none is shown.
    const AnsiString value = FSession->ValuesShownCurrent() ? FormatFloat("0.00", channel->SeriesValue(i)) : "---";
    QString line = title + ": " + Q(value);
    while (line.size() < 21) line.insert(insertAt - 1, ' ');
    text = (line + blanks).toStdString();
}

void TmdiSubWindow::graDataGraphGetLegendRect(TRect& rect)
{
    NOX_ASSERT_UI_THREAD();
    // Room under the legend for the remaining time.
    if (FSession->ProgrammerMode()) rect.Bottom += 30;
}

// ---------------------------------------------------------------- remaining time

AnsiString TmdiSubWindow::StartsInText(int seconds)
{
    char time[16];
    std::snprintf(time, sizeof time, "%02i:%02i", seconds / 60, seconds % 60);
    return ChannelText(RowProgramStartsIn) + time;
}

std::pair<AnsiString, AnsiString> TmdiSubWindow::RemainingTimeLines() const
{
    NOX_ASSERT_UI_THREAD();
    const AnsiString remaining = ChannelText(RowRemainingTime);
    try {
        const TProgramRunView run = ProgramRunView();
        if (run.StartsInSeconds >= 0) return {StartsInText(run.StartsInSeconds), {}};
        const int s = (run.RemainingSteps + 2) * FSession->SamplingInterval();
        const int hh = s / 3600, mm = (s % 3600) / 60;
        const bool zero = hh == 0 && mm == 0;
        // Without a run (stopped, ended and let go) no segment has time left.
        if (((zero || !run.HasRun) && !run.Running && !run.Held) || hh < 0 || mm < 0) {
            if (run.CalendarArmed)
                return {ChannelText(RowAutomaticStartActive),
                        FormatDateTime(FormatSettings().ShortDateFormat + " " + FormatSettings().LongTimeFormat,
                                       CalendarStartTime)};
            return {remaining + "--:--", {}};
        }
        if (!run.Running && run.Held) return {ChannelText(RowSegmentStopped), {}};
        if (zero) return {remaining + (run.RampActive ? "<1 min" : "--:--"), {}};
        char time[16];
        std::snprintf(time, sizeof time, "%02i:%02i", hh, mm);
        return {remaining + time, {}};
    } catch (...) {
        return {remaining + "--:--", {}};
    }
}

void TmdiSubWindow::graDataGraphAfterDraw()
{
    NOX_ASSERT_UI_THREAD();
    if (!FSession->ProgrammerMode() || Printing) return;
    // A legend that gave way to the plot in a narrow window has no room under it either.
    if (!graDataGraph->GetLegend()->GetVisible()) return;
    const std::pair<AnsiString, AnsiString> lines = RemainingTimeLines();
    TCanvas3D* chartCanvas = graDataGraph->GetCanvas();
    TCanvas* canvas = chartCanvas->GetHandle();
    const TRect legend = graDataGraph->GetLegend()->GetRectLegend();
    canvas->Font()->SetName(graDataGraph->GetLegend()->GetFont()->GetName());
    canvas->Font()->SetSize(10);
    canvas->Font()->SetColor(clBlack);
    chartCanvas->SetBackMode(cbmTransparent);
    canvas->TextOut(legend.Left + 3, legend.Bottom - 24, lines.first);
    if (!lines.second.empty()) canvas->TextOut(legend.Left + 3, legend.Bottom - 12, lines.second);
}
