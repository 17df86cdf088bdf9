#include "chart/series/TeeToolSupport.h"

#include "chart/engine/TCustomChart.h"

namespace teetools {

TCustomChart* Chart(IChartHost* chart)
{
    return dynamic_cast<TCustomChart*>(chart);
}

bool ZoomOrPanning(IChartHost* chart)
{
    TCustomChart* c = Chart(chart);
    if (!c) return false;
    return (c->GetZoom() && c->GetZoom()->Active) || (c->Panning && c->Panning->Active);
}

void BeginWindowDrawing(IChartHost* chart)
{
    if (TCustomTeePanel* panel = Panel(chart)) panel->PaintWindow();
}

void EndWindowDrawing(IChartHost* chart)
{
    if (TCustomTeePanel* panel = Panel(chart)) panel->update();
}

}  // namespace teetools
