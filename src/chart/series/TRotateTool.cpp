#include "chart/series/TRotateTool.h"

#include <algorithm>

#include "chart/engine/TCustomChart.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeProCo.h"
#include "chart/series/TeeToolSupport.h"
#include "platform/Round.h"

using namespace teetools;

TRotateTool::TRotateTool(QObject* owner) : TTeeCustomTool(owner)
{
    Pen()->SetVisible(false);
    Pen()->SetDefaultVisible(false);
    Pen()->SetMode(pmXor);
    Pen()->SetColor(clWhite);
}

AnsiString TRotateTool::Description() const
{
    return TeeMsg_RotateTool;
}

int TRotateTool::RotationChange(bool FullRotation, int Angle, int Delta)
{
    if (Delta == 0) return Angle;
    const int n = Angle + Delta;
    if (Delta > 0) return n > 360 ? n - 360 : n;
    if (FullRotation) return std::max(0, n);
    return n < 0 ? n + 360 : n;
}

int TRotateTool::ElevationChange(bool FullRotation, int Angle, int Delta)
{
    if (Delta == 0) return Angle;
    if (Delta < 0) return std::max(FullRotation ? 0 : 270, Angle + Delta);
    return std::min(360, Angle + Delta);
}

void TRotateTool::DrawBox()
{
    IAxisHost* host = Host(FParentChart);
    TCanvas3D* c = host ? host->GetCanvas() : nullptr;
    if (!c) return;
    c->AssignVisiblePen(Pen());
    c->Pen->SetMode(Pen()->GetMode());
    c->Brush->SetStyle(bsClear);
    const TRect r = host->GetChartRect();
    const int d = host->GetWidth3D();
    c->RectangleWithZ(r, 0);
    c->RectangleWithZ(r, d);
    c->ZLine3D(r.Left, r.Top, 0, d);
    c->ZLine3D(r.Right, r.Top, 0, d);
    c->ZLine3D(r.Left, r.Bottom, 0, d);
    c->ZLine3D(r.Right, r.Bottom, 0, d);
    c->Pen->SetMode(pmCopy);
}

void TRotateTool::ChartMouseEvent(TChartMouseEvent event, TMouseButton button, TShiftState, int x, int y)
{
    TCustomChart* chart = Chart(FParentChart);
    if (!chart) return;
    switch (event) {
        case cmeDown:
            if (button != FButton) break;
            FDragging = true;
            FFirst = true;
            FOld = TPoint(x, y);
            SetMouseHandled(FParentChart, true);
            break;
        case cmeMove: {
            if (!FDragging) break;
            // A chart without width or height has no scale to turn by.
            if (chart->Width() == 0 || chart->Height() == 0) break;
            int dRot = Round((x - FOld.X) * 90.0 / chart->Width());
            int dElev = Round((FOld.Y - y) * 90.0 / chart->Height());
            if (FInverted) {
                dRot = -dRot;
                dElev = -dElev;
            }
            const bool box = Pen()->GetVisible();
            if (box) {
                if (FFirst) {
                    FOldRepaint = chart->AutoRepaint;
                    chart->AutoRepaint = false;
                } else {
                    BeginWindowDrawing(FParentChart);
                    DrawBox();  // drawn again in XOR mode, the last box vanishes
                }
            }
            chart->SetView3D(true);
            TView3DOptions* view = chart->GetView3DOptions();
            view->SetOrthogonal(false);
            const bool rotation = FStyle == rsAll || FStyle == rsRotation;
            const bool elevation = FStyle == rsAll || FStyle == rsElevation;
            if (chart->GetCanvas()->GetSupportsFullRotation()) {
                const auto wrap = [](int a) { return a > 360 ? a - 360 : a < 0 ? a + 360 : a; };
                if (rotation) view->SetRotation(wrap(view->GetRotation() + dRot));
                if (elevation) view->SetElevation(wrap(view->GetElevation() + dElev));
            } else {
                if (rotation) view->SetRotation(RotationChange(false, view->GetRotation(), dRot));
                if (elevation) view->SetElevation(ElevationChange(false, view->GetElevation(), dElev));
            }
            FOld = TPoint(x, y);
            SetMouseHandled(FParentChart, true);
            if (box) {
                if (auto* c = dynamic_cast<TTeeCanvas3D*>(chart->GetCanvas()))
                    c->RecalcProjection(chart->GetWidth3D(), chart->GetChartRect());
                BeginWindowDrawing(FParentChart);
                DrawBox();
                EndWindowDrawing(FParentChart);
                FFirst = false;
            }
            if (OnRotate) OnRotate(this);
            break;
        }
        case cmeUp:
            if (!FDragging) break;
            FDragging = false;
            if (Pen()->GetVisible() && !FFirst) {
                chart->AutoRepaint = FOldRepaint;
                chart->Invalidate();
            }
            break;
    }
}
