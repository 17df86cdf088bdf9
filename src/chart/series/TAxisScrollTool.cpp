#include "chart/series/TAxisScrollTool.h"

#include <vector>

#include "chart/engine/TChartAxes.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TCustomAxisPanel.h"
#include "chart/engine/TeeProCo.h"
#include "chart/series/TeeToolSupport.h"

using namespace teetools;

namespace {

// Scrolls the axis by d pixels in its own scale.
void ScrollPixels(TChartAxis* axis, double d)
{
    const int length = axis->EndPos - axis->StartPos;
    if (length == 0) return;
    axis->Scroll((axis->GetMaximum() - axis->GetMinimum()) * d / length, false);
}

}  // namespace

TAxisScrollTool::TAxisScrollTool(QObject* owner) : TTeeCustomToolAxis(owner) {}

AnsiString TAxisScrollTool::Description() const
{
    return TeeMsg_AxisScrollTool;
}

TChartAxis* TAxisScrollTool::AxisAt(int X, int Y) const
{
    if (FAxis) return FAxis->GetVisible() && FAxis->Clicked(X, Y) ? FAxis : nullptr;
    IAxisHost* host = Host(FParentChart);
    TChartAxes* axes = host ? host->Axes() : nullptr;
    for (int i = 0; axes && i < axes->Count(); ++i) {
        TChartAxis* a = axes->Get(i);
        if (a->GetVisible() && a->Clicked(X, Y)) return a;
    }
    return nullptr;
}

void TAxisScrollTool::ChartMouseEvent(TChartMouseEvent event, TMouseButton, TShiftState, int x, int y)
{
    switch (event) {
        case cmeDown:
            FDragged = AxisAt(x, y);
            FOld = TPoint(x, y);
            break;
        case cmeMove: {
            if (!FDragged) {
                if (AxisAt(x, y)) {
                    SetCursor(FParentChart, crHandPoint);
                    SetMouseHandled(FParentChart, true);
                }
                break;
            }
            const bool horiz = FDragged->GetHorizontal();
            double d = horiz ? FOld.X - x : FOld.Y - y;
            if (FDragged->GetInverted()) d = -d;
            if (horiz == FScrollInverted) d = -d;
            ScrollPixels(FDragged, d);
            // Axes of the same direction that share a series with the dragged one follow.
            auto* panel = dynamic_cast<TCustomAxisPanel*>(FParentChart);
            TChartAxes* axes = panel ? panel->Axes() : nullptr;
            for (int i = 0; axes && i < axes->Count(); ++i) {
                TChartAxis* other = axes->Get(i);
                if (other == FDragged || other->GetHorizontal() != horiz) continue;
                for (int k = 0; k < panel->SeriesCount(); ++k) {
                    TChartSeries* s = panel->GetSeries(k);
                    if (s->AssociatedToAxis(FDragged) && s->AssociatedToAxis(other)) {
                        ScrollPixels(other, d);
                        break;
                    }
                }
            }
            FOld = TPoint(x, y);
            SetMouseHandled(FParentChart, true);
            break;
        }
        case cmeUp: FDragged = nullptr; break;
    }
}
