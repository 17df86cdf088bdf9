#pragma once
// What the chart tools ask of the chart they belong to, in one place: the chart's host
// interface, its window and canvas, the mouse-handled flag and drawing between paints.
#include "chart/engine/AxisHost.h"
#include "chart/engine/TCustomTeePanel.h"

class TCustomChart;

namespace teetools {

inline IAxisHost* Host(IChartHost* chart)
{
    return dynamic_cast<IAxisHost*>(chart);
}
inline TCustomTeePanel* Panel(IChartHost* chart)
{
    IAxisHost* host = Host(chart);
    return host ? host->GetPanel() : nullptr;
}
TCustomChart* Chart(IChartHost* chart);
inline TCanvas3D* Canvas(IChartHost* chart)
{
    IAxisHost* host = Host(chart);
    return host ? host->GetCanvas() : nullptr;
}
// Sets the chart's mouse-handled flag, which keeps the chart from zooming or panning and
// later tools from hearing the event.
inline void SetMouseHandled(IChartHost* chart, bool value)
{
    if (TCustomTeePanel* panel = Panel(chart)) panel->CancelMouse = value;
}
inline bool MouseHandled(IChartHost* chart)
{
    TCustomTeePanel* panel = Panel(chart);
    return panel && panel->CancelMouse;
}
inline void SetCursor(IChartHost* chart, TCursor cursor)
{
    if (TCustomTeePanel* panel = Panel(chart)) panel->SetCursor(cursor);
}
// Whether a zoom or pan drag is in progress.
bool ZoomOrPanning(IChartHost* chart);

// Drawing between paints (XOR lines and shapes) goes onto the window image: Begin brings
// the image up to date (drawing the chart when it is stale), End shows the result.
void BeginWindowDrawing(IChartHost* chart);
void EndWindowDrawing(IChartHost* chart);

}  // namespace teetools
