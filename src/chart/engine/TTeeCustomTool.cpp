#include "chart/engine/TTeeCustomTool.h"

#include <algorithm>
#include <cstring>

#include "chart/engine/TChartAxes.h"
#include "chart/engine/TChartAxis.h"

#include "chart/engine/TChartSeries.h"
#include "platform/FreeNotification.h"
#include "platform/StoreChanged.h"

TTeeCustomTool::TTeeCustomTool(QObject* owner) : TCustomChartElement(owner) {}

TTeeCustomTool::~TTeeCustomTool()
{
    if (FParentChart)
        if (TChartTools* tools = FParentChart->Tools()) tools->InternalRemove(this);
}

void TTeeCustomTool::SetParentChart(IChartHost* value)
{
    if (value == FParentChart) return;
    if (FParentChart) {
        if (TChartTools* tools = FParentChart->Tools()) tools->InternalRemove(this);
        if (!value) FParentChart->Invalidate();
    }
    FParentChart = value;
    if (FParentChart)
        if (TChartTools* tools = FParentChart->Tools()) tools->InternalAdd(this);
}

TTeeCustomToolSeries::TTeeCustomToolSeries(QObject* owner) : TTeeCustomTool(owner) {}

TTeeCustomToolSeries::~TTeeCustomToolSeries()
{
    if (FSeries) TeeRemoveFreeNotification(FSeries, this);
}

void TTeeCustomToolSeries::SetSeries(TChartSeries* value)
{
    TeeWatchPointer(FSeries, value, this);
}

TChartAxis* TTeeCustomToolSeries::GetHorizAxis() const
{
    if (FSeries) return FSeries->GetHorizAxis();
    return FParentChart ? FParentChart->BottomAxis() : nullptr;
}

TChartAxis* TTeeCustomToolSeries::GetVertAxis() const
{
    if (FSeries) return FSeries->GetVertAxis();
    return FParentChart ? FParentChart->LeftAxis() : nullptr;
}

TTeeCustomToolAxis::TTeeCustomToolAxis(QObject* owner) : TTeeCustomTool(owner) {}

void TTeeCustomToolAxis::SetAxis(TChartAxis* value)
{
    if (!StoreChanged(FAxis, value)) return;
    if (value || !FKeepChart) SetParentChart(value ? value->ParentChart() : nullptr);
    Repaint();
}

void TTeeCustomToolAxis::AxisDestroyed()
{
    FKeepChart = true;
    SetAxis(nullptr);
    FKeepChart = false;
}

int TTeeCustomToolAxis::GetAxisID() const
{
    if (!FAxis || !FAxis->ParentChart() || !FAxis->ParentChart()->Axes()) return -1;
    return FAxis->ParentChart()->Axes()->IndexOf(FAxis);
}

void TTeeCustomToolAxis::SetAxisID(int value)
{
    // An index the chart does not have leaves the tool without an axis.
    auto* chart = dynamic_cast<IAxisHost*>(FParentChart);
    TChartAxes* axes = chart ? chart->Axes() : nullptr;
    SetAxis(axes && value >= 0 && value < axes->Count() ? axes->Get(value) : nullptr);
}

bool TTeeCustomToolAxis::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "AxisID") == 0) return FAxis != nullptr;
    return TTeeCustomTool::IsPropertyStored(Name);
}

int TChartTools::IndexOf(const TTeeCustomTool* tool) const
{
    const auto it = std::find(FItems.begin(), FItems.end(), tool);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

TTeeCustomTool* TChartTools::Add(TTeeCustomTool* tool)
{
    if (!tool) return tool;
    if (FChart)
        tool->SetParentChart(FChart);
    else
        InternalAdd(tool);
    return tool;
}

void TChartTools::InternalAdd(TTeeCustomTool* tool)
{
    if (IndexOf(tool) < 0) FItems.push_back(tool);
}

void TChartTools::InternalRemove(TTeeCustomTool* tool)
{
    const int i = IndexOf(tool);
    if (i >= 0) FItems.erase(FItems.begin() + i);
}

void TChartTools::Exchange(int a, int b)
{
    std::swap(FItems.at(static_cast<std::size_t>(a)), FItems.at(static_cast<std::size_t>(b)));
}

void TChartTools::Clear()
{
    while (!FItems.empty()) {
        TTeeCustomTool* tool = FItems.back();
        FItems.pop_back();
        delete tool;  // leaves the list itself when it still is in it
    }
}

void TChartTools::SetActive(bool value)
{
    for (TTeeCustomTool* tool : std::vector<TTeeCustomTool*>(FItems)) tool->SetActive(value);
}

bool TChartTools::Active() const
{
    return std::all_of(FItems.begin(), FItems.end(), [](const TTeeCustomTool* t) { return t->GetActive(); });
}
