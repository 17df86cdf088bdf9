#include "chart/series/TCursorTool.h"

#include <cmath>
#include <cstdlib>

#include "chart/engine/TChartAxis.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeGeometry.h"
#include "chart/engine/TeeProCo.h"
#include "chart/series/TeeToolSupport.h"
#include "platform/StoreChanged.h"

using namespace teetools;

TCursorTool::TCursorTool(QObject* owner) : TTeeCustomToolSeries(owner) {}

AnsiString TCursorTool::Description() const
{
    return TeeMsg_CursorTool;
}

void TCursorTool::Changed(int ValueIndex)
{
    if (OnChange) OnChange(this, FX, FY, FXValue, FYValue, FSeries, ValueIndex);
}

int TCursorTool::Z() const
{
    return FUseSeriesZ && FSeries ? FSeries->StartZ : 0;
}

void TCursorTool::To2D(int& X, int& Y)
{
    if (!FUseSeriesZ) return;
    if (TCanvas3D* c = Canvas(FParentChart)) c->Calculate2DPosition(X, Y, Z());
}

TRect TCursorTool::GetAxisRect()
{
    if (FUseChartRect) {
        IAxisHost* host = Host(FParentChart);
        return host ? host->GetChartRect() : TRect(0, 0, 0, 0);
    }
    TChartAxis* h = GetHorizAxis();
    TChartAxis* v = GetVertAxis();
    TRect r(0, 0, 0, 0);
    if (h && v) r = TRect(h->StartPos, v->StartPos, h->EndPos, v->EndPos);
    if (OnGetAxisRect) OnGetAxisRect(this, r);
    return r;
}

bool TCursorTool::InAxisRectangle(int X, int Y)
{
    To2D(X, Y);
    return PointInRect(GetAxisRect(), X, Y);
}

void TCursorTool::CalcValuePositions(int X, int Y)
{
    To2D(X, Y);
    TChartAxis* h = GetHorizAxis();
    TChartAxis* v = GetVertAxis();
    if (!h || !v) return;
    if (FDragging != ccVertical) FYValue = v->CalcPosPoint(Y);
    if (FDragging != ccHorizontal) FXValue = h->CalcPosPoint(X);
}

void TCursorTool::CalcScreenPositions()
{
    TChartAxis* h = GetHorizAxis();
    TChartAxis* v = GetVertAxis();
    if (!h || !v) return;
    if (!FPlaced && (FX == -1 || FY == -1)) {
        FPlaced = true;
        // First placement: the middle of the axes, then onto the nearest point.
        FX = (h->StartPos + h->EndPos) / 2;
        FY = (v->StartPos + v->EndPos) / 2;
        FXValue = h->CalcPosPoint(FX);
        FYValue = v->CalcPosPoint(FY);
        const int i = SnapToPoint();
        FX = h->CalcPosValue(FXValue);
        FY = v->CalcPosValue(FYValue);
        Changed(i);
    } else {
        FX = h->CalcPosValue(FXValue);
        FY = v->CalcPosValue(FYValue);
    }
}

int TCursorTool::NearestPoint(TCursorToolStyle style, double& Difference) const
{
    Difference = -1;
    if (!FSeries) return -1;
    const int count = FSeries->Count();
    int first = FSeries->FirstValueIndex, last = FSeries->LastValueIndex;
    if (first < 0) first = 0;
    if (last < 0 || last >= count) last = count - 1;
    if (count == 0 || first > count || last > count || last < first) return -1;
    int result = -1;
    for (int i = first; i <= last; ++i) {
        const double dx = FXValue - FSeries->GetxValue(i);
        const double dy = FYValue - FSeries->GetyValue(i);
        const double d = style == cssHorizontal ? std::fabs(dy)
                         : style == cssVertical ? std::fabs(dx)
                                                : std::sqrt(dx * dx + dy * dy);
        // Strictly smaller: on equal distances the lower index stays.
        if (Difference == -1 || d < Difference) {
            Difference = d;
            result = i;
        }
    }
    return result;
}

int TCursorTool::SnapToPoint()
{
    if (!FSeries || !FSnap) return -1;
    double difference;
    const int i = NearestPoint(FStyle, difference);
    if (i >= 0) {
        if (FStyle != cssVertical) FYValue = FSeries->GetyValue(i);
        if (FStyle != cssHorizontal) FXValue = FSeries->GetxValue(i);
    }
    return i;
}

void TCursorTool::RedrawCursor()
{
    IAxisHost* host = Host(FParentChart);
    TCustomTeePanel* panel = Panel(FParentChart);
    TCanvas3D* c = Canvas(FParentChart);
    if (!host || !panel || !c) return;
    TColor back = panel->GetColor();
    if (back == clDefault) back = clBtnFace;
    c->AssignVisiblePenColor(Pen(), ColorToRGB(Pen()->GetColor()) ^ ColorToRGB(back));
    c->Brush->SetStyle(bsClear);
    c->Pen->SetMode(pmXor);
    const TRect r = GetAxisRect();
    const bool horiz = FStyle == cssHorizontal || FStyle == cssBoth;
    const bool vert = FStyle == cssVertical || FStyle == cssBoth;
    if (host->GetView3D()) {
        if (horiz) c->HorizLine3D(r.Left, r.Right, FY, Z());
        if (vert) c->VertLine3D(FX, r.Top, r.Bottom, Z());
    } else {
        if (horiz) c->DoHorizLine(r.Left, r.Right, FY);
        if (vert) c->DoVertLine(FX, r.Top, r.Bottom);
    }
    c->Pen->SetMode(pmCopy);
    EndWindowDrawing(FParentChart);
}

TCursorClicked TCursorTool::Clicked(int X, int Y)
{
    if (!InAxisRectangle(X, Y)) return ccNone;
    To2D(X, Y);
    const bool onH = std::abs(Y - FY) <= FClickTolerance;
    const bool onV = std::abs(X - FX) <= FClickTolerance;
    if (FStyle == cssBoth && onH && onV) return ccBoth;
    if (FStyle != cssVertical && onH) return ccHorizontal;
    if (FStyle != cssHorizontal && onV) return ccVertical;
    return ccNone;
}

void TCursorTool::ChartEvent(TChartToolEvent event)
{
    if (event != cteAfterDraw) return;
    CalcScreenPositions();
    RedrawCursor();
}

void TCursorTool::ChartMouseEvent(TChartMouseEvent event, TMouseButton, TShiftState, int x, int y)
{
    switch (event) {
        case cmeDown:
            if (!FFollowMouse) {
                FDragging = Clicked(x, y);
                if (FDragging != ccNone) SetMouseHandled(FParentChart, true);
            }
            break;
        case cmeMove:
            if (FDragging != ccNone || FFollowMouse) {
                if (!InAxisRectangle(x, y)) break;
                BeginWindowDrawing(FParentChart);
                RedrawCursor();
                CalcValuePositions(x, y);
                const int i = SnapToPoint();
                CalcScreenPositions();
                RedrawCursor();
                Changed(i);
                if (OnSnapChange && i != FOldSnap) OnSnapChange(this, FX, FY, FXValue, FYValue, FSeries, i);
                FOldSnap = i;
            } else {
                const TCursorClicked c = Clicked(x, y);
                if (c == ccHorizontal)
                    SetCursor(FParentChart, crVSplit);
                else if (c == ccVertical)
                    SetCursor(FParentChart, crHSplit);
                else if (c == ccBoth)
                    SetCursor(FParentChart, crSizeAll);
                SetMouseHandled(FParentChart, c != ccNone);
            }
            break;
        case cmeUp: FDragging = ccNone; break;
    }
}

void TCursorTool::SetSeries(TChartSeries* value)
{
    TTeeCustomToolSeries::SetSeries(value);
    if (FParentChart && FParentChart->IsLoading()) return;
    SnapToPoint();
    Repaint();
}

void TCursorTool::SetStyle(TCursorToolStyle value)
{
    if (!StoreChanged(FStyle, value)) return;
    SnapToPoint();
    Repaint();
}

void TCursorTool::DoChange()
{
    // A value set by code is where the cursor stands, also before its first drawing (which
    // would otherwise move a cursor nobody placed to the middle).
    FPlaced = true;
    CalcScreenPositions();
    Changed(-1);
    Repaint();
}

void TCursorTool::SetXValue(double value)
{
    if (StoreChanged(FXValue, value)) DoChange();
}

void TCursorTool::SetYValue(double value)
{
    if (StoreChanged(FYValue, value)) DoChange();
}
