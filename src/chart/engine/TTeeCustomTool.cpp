#include "chart/engine/TTeeCustomTool.h"

#include <algorithm>

#include "platform/FreeNotification.h"
#include "chart/engine/TChartSeries.h"

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
    if (value == FSeries) return;
    if (FSeries) TeeRemoveFreeNotification(FSeries, this);
    FSeries = value;
    if (FSeries)
        TeeFreeNotification(FSeries, this, [this](QObject* gone) {
            if (gone == FSeries) SetSeries(nullptr);
        });
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
