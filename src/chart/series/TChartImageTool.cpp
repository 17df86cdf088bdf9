#include "chart/series/TChartImageTool.h"

#include "chart/engine/TChartAxis.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeProCo.h"
#include "chart/series/TeeToolSupport.h"

using namespace teetools;

TChartImageTool::TChartImageTool(QObject* owner) : TTeeCustomToolSeries(owner)
{
    FPicture = new TPicture(this);
    FPicture->OnChange = [this](QObject*) { CanvasChanged(); };
}

TChartImageTool::~TChartImageTool()
{
    FPicture->OnChange = nullptr;
}

AnsiString TChartImageTool::Description() const
{
    return TeeMsg_ImageTool;
}

void TChartImageTool::SetSeries(TChartSeries* value)
{
    TTeeCustomToolSeries::SetSeries(value);
    Repaint();
}

TRect TChartImageTool::ImageRect() const
{
    if (FSeries)
        return TRect(FSeries->CalcXPosValue(FSeries->MinXValue()), FSeries->CalcYPosValue(FSeries->MaxYValue()),
                     FSeries->CalcXPosValue(FSeries->MaxXValue()), FSeries->CalcYPosValue(FSeries->MinYValue()));
    TChartAxis* h = FParentChart ? FParentChart->BottomAxis() : nullptr;
    TChartAxis* v = FParentChart ? FParentChart->LeftAxis() : nullptr;
    if (!h || !v) return TRect(0, 0, 0, 0);
    return TRect(h->CalcPosValue(h->GetMinimum()), v->CalcPosValue(v->GetMaximum()), h->CalcPosValue(h->GetMaximum()),
                 v->CalcPosValue(v->GetMinimum()));
}

void TChartImageTool::ChartEvent(TChartToolEvent event)
{
    IAxisHost* host = Host(FParentChart);
    TCustomTeePanel* panel = Panel(FParentChart);
    if (event != cteBeforeDrawSeries || !host || !panel || !host->GetCanvas()) return;
    TGraphic* graphic = FPicture->GetGraphic();
    if (!graphic || graphic->GetEmpty()) return;
    TCanvas3D* c = host->GetCanvas();
    const TRect r = ImageRect();
    const int depth = host->GetWidth3D();
    const bool clip = panel->CanClip();
    if (clip) c->ClipCube(host->GetChartRect(), 0, depth);
    if (host->GetView3D() && !(host->GetView3DOptions() && host->GetView3DOptions()->GetOrthogonal()))
        c->StretchDraw(r, graphic, depth);
    else
        c->StretchDraw(c->CalcRect3D(r, depth), graphic);
    if (clip) c->UnClipRectangle();
}
