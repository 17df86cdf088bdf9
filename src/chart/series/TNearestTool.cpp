#include "chart/series/TNearestTool.h"

#include <array>
#include <cmath>

#include "chart/engine/TChartAxis.h"
#include "chart/engine/TCustomAxisPanel.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeGeometry.h"
#include "chart/engine/TeeProCo.h"
#include "chart/series/TeeToolSupport.h"
#include "platform/Round.h"
#include "platform/StoreChanged.h"

using namespace teetools;

namespace {

bool SeriesHasZ(const TChartSeries* series)
{
    return series->HasThirdValues;
}

}  // namespace

TNearestTool::TNearestTool(QObject* owner) : TTeeCustomToolSeries(owner)
{
    FLinePen = CreateChartPen();
    Brush()->SetStyle(bsClear);
    Pen()->SetStyle(psDot);
    Pen()->SetColor(clWhite);
}

TNearestTool::~TNearestTool()
{
    FLinePen->OnChange = nullptr;
}

AnsiString TNearestTool::Description() const
{
    return TeeMsg_NearestTool;
}

void TNearestTool::SetStyle(TNearestToolStyle value)
{
    if (StoreChanged(FStyle, value)) Repaint();
}

int TNearestTool::ZAxisCalc(double Value) const
{
    auto* panel = dynamic_cast<TCustomAxisPanel*>(FSeries ? FSeries->ParentChart() : FParentChart);
    return panel ? panel->DepthAxis()->CalcPosValue(Value) : 0;
}

int TNearestTool::GetNearestPoint(TChartSeries* Series, int X, int Y, bool IncludeNulls)
{
    if (!Series) return -1;
    const int count = Series->Count();
    if (count == 0) return -1;
    int first = Series->FirstValueIndex, last = Series->LastValueIndex;
    if (first < 0) first = 0;
    if (last < 0 || last >= count) last = count - 1;
    IAxisHost* host = Host(Series->ParentChart());
    const TRect chartRect = host ? host->GetChartRect() : TRect(0, 0, 0, 0);
    auto* panel = dynamic_cast<TCustomAxisPanel*>(Series->ParentChart());
    TChartValueList* zList = SeriesHasZ(Series) ? Series->GetYValueList("Z") : nullptr;
    int result = -1;
    int best = 10000;
    for (int i = first; i <= last; ++i) {
        if (!IncludeNulls && Series->IsNull(i)) continue;
        TPoint p(Series->CalcXPos(i), Series->CalcYPos(i));
        if (zList && host && host->GetCanvas() && panel)
            p = host->GetCanvas()->Calculate3DPosition(p, panel->DepthAxis()->CalcPosValue(zList->Value(i)));
        if (!PointInRect(chartRect, p)) continue;
        const int d = Round(std::hypot(double(X) - p.X, double(Y) - p.Y));
        // Strictly nearer: on equal distances the lower index stays.
        if (d < best) {
            best = d;
            result = i;
        }
    }
    return result;
}

void TNearestTool::PaintHint()
{
    if (!FSeries || NearestIndex < 0 || NearestIndex >= FSeries->Count()) return;
    IAxisHost* host = Host(FSeries->ParentChart());
    TCanvas3D* c = host ? host->GetCanvas() : nullptr;
    if (!c) return;
    const bool is3D = host->GetView3D();
    c->AssignVisiblePen(Pen());
    if (!FFullRepaint) c->Pen->SetMode(pmNotXor);
    const int x = FSeries->CalcXPos(NearestIndex), y = FSeries->CalcYPos(NearestIndex);
    const int z = SeriesHasZ(FSeries) ? ZAxisCalc(FSeries->GetYValueList("Z")->Value(NearestIndex)) : FSeries->StartZ;
    if (FStyle != hsNone) {
        c->AssignBrushColor(Brush(), clBlack, clNone);
        const TRect r(x - FSize, y - FSize, x + FSize, y + FSize);
        switch (FStyle) {
            case hsCircle:
                if (is3D)
                    c->EllipseWithZ(r.Left, r.Top, r.Right, r.Bottom, z);
                else
                    c->Ellipse(r);
                break;
            case hsRectangle:
                if (is3D)
                    c->RectangleWithZ(r, z);
                else
                    c->Rectangle(r);
                break;
            case hsDiamond:
                c->PlaneWithZ(TPoint(x, y - FSize), TPoint(x + FSize, y), TPoint(x, y + FSize), TPoint(x - FSize, y),
                              z);
                break;
            case hsNone: break;
        }
    }
    if (GetDrawLine()) {
        c->AssignVisiblePen(FLinePen);
        if (!FFullRepaint) c->Pen->SetMode(pmNotXor);
        c->MoveTo(Point.X, Point.Y);
        if (is3D)
            c->LineTo3D(x, y, z);
        else
            c->LineTo(x, y);
    }
    if (!FFullRepaint) c->Pen->SetMode(pmCopy);
}

void TNearestTool::ChartMouseEvent(TChartMouseEvent event, TMouseButton, TShiftState, int x, int y)
{
    if (event != cmeMove || !FSeries) return;
    if (!FFullRepaint) {
        BeginWindowDrawing(FParentChart);
        PaintHint();
    }
    NearestIndex = GetNearestPoint(FSeries, x, y);
    Point = TPoint(x, y);
    if (!FFullRepaint) {
        PaintHint();
        EndWindowDrawing(FParentChart);
    }
    if (OnChange) OnChange(this);
    if (FFullRepaint) Repaint();
}

void TNearestTool::ChartEvent(TChartToolEvent event)
{
    if (event == cteAfterDraw)
        PaintHint();
    else if (event == cteMouseLeave) {
        if (!FFullRepaint) {
            BeginWindowDrawing(FParentChart);
            PaintHint();
            EndWindowDrawing(FParentChart);
        }
        NearestIndex = -1;
        if (FFullRepaint) Repaint();
    }
}
