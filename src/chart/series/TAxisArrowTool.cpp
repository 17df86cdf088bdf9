#include "chart/series/TAxisArrowTool.h"

#include <cstdlib>

#include "chart/engine/TChartAxis.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeProCo.h"
#include "chart/series/TeeToolSupport.h"
#include "platform/StoreChanged.h"

using namespace teetools;

TAxisArrowTool::TAxisArrowTool(QObject* owner) : TTeeCustomToolAxis(owner) {}

AnsiString TAxisArrowTool::Description() const
{
    return TeeMsg_AxisArrowTool;
}

void TAxisArrowTool::SetPosition(TAxisArrowToolPosition value)
{
    if (StoreChanged(FPosition, value)) Repaint();
}

void TAxisArrowTool::ChartEvent(TChartToolEvent event)
{
    IAxisHost* host = Host(FParentChart);
    if (event != cteAfterDraw || !FAxis || !host || !host->GetCanvas()) return;
    TCanvas3D* c = host->GetCanvas();
    c->AssignBrushColor(Brush(), Brush()->GetColor(), clNone);
    c->AssignVisiblePen(Pen());
    const int z = host->GetView3D() && FAxis->GetOtherSide() ? host->GetWidth3D() : 0;
    const int a = FAxis->PosAxis;
    const auto at = [&](int along) { return FAxis->GetHorizontal() ? TPoint(along, a) : TPoint(a, along); };
    const int s = FAxis->StartPos, e = FAxis->EndPos;
    if (FPosition != aaEnd) c->Arrow(true, at(s + FLength), at(s), 8, 8, z);
    if (FPosition != aaStart) c->Arrow(true, at(e - FLength), at(e), 8, 8, z);
}

int TAxisArrowTool::ClickedArrow(int X, int Y) const
{
    if (!FAxis) return -1;
    const bool horiz = FAxis->GetHorizontal();
    const int along = horiz ? X : Y, across = horiz ? Y : X;
    if (std::abs(across - FAxis->PosAxis) >= 3) return -1;
    const int s = FAxis->StartPos, e = FAxis->EndPos;
    if (FPosition != aaEnd && along > s && along < s + FLength) return 0;
    if (FPosition != aaStart && along > e - FLength && along < e) return 1;
    return -1;
}

void TAxisArrowTool::DoScroll(double Offset)
{
    TCustomChart* chart = Chart(FParentChart);
    bool allow = true;
    if (chart && chart->OnAllowScroll) {
        double mn = FAxis->GetMinimum() + Offset, mx = FAxis->GetMaximum() + Offset;
        chart->OnAllowScroll(FAxis, mn, mx, allow);
    }
    if (!allow) return;
    FAxis->Scroll(Offset, false);
    if (chart) {
        // A series on both horizontal (vertical) axes keeps its two axes together.
        const bool horiz = FAxis->GetHorizontal();
        TChartAxis* twin = nullptr;
        if (FAxis == chart->TopAxis()) twin = chart->BottomAxis();
        if (FAxis == chart->BottomAxis()) twin = chart->TopAxis();
        if (FAxis == chart->LeftAxis()) twin = chart->RightAxis();
        if (FAxis == chart->RightAxis()) twin = chart->LeftAxis();
        if (twin) {
            for (int i = 0; i < chart->SeriesCount(); ++i) {
                TChartSeries* s = chart->GetSeries(i);
                const bool both =
                    horiz ? s->GetHorizAxisKind() == aBothHorizAxis : s->GetVertAxisKind() == aBothVertAxis;
                if (both && s->AssociatedToAxis(FAxis)) {
                    twin->Scroll(Offset, false);
                    break;
                }
            }
        }
        if (chart->OnScroll) chart->OnScroll(chart);
    }
}

void TAxisArrowTool::ChartMouseEvent(TChartMouseEvent event, TMouseButton, TShiftState, int x, int y)
{
    if (!FAxis || !FAxis->GetVisible()) return;
    if (event == cmeDown) {
        if (FScrollPercent == 0) return;
        const int a = ClickedArrow(x, y);
        if (a == -1) return;
        double step = FScrollPercent * (FAxis->GetMaximum() - FAxis->GetMinimum()) / 100.0;
        if (FScrollInverted) step = -step;
        DoScroll(a == 0 ? step : -step);
        SetMouseHandled(FParentChart, true);
        if (OnClick) OnClick(this, a == 0);
    } else if (event == cmeMove && ClickedArrow(x, y) != -1) {
        SetCursor(FParentChart, crHandPoint);
        SetMouseHandled(FParentChart, true);
    }
}
