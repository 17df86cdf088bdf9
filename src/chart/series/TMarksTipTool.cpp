#include "chart/series/TMarksTipTool.h"

#include "chart/engine/TChartSeries.h"
#include "chart/engine/TCustomSeriesList.h"
#include "chart/engine/TeeProCo.h"
#include "chart/series/TeeToolSupport.h"
#include "platform/HintWindow.h"
#include "platform/ScopedValue.h"

using namespace teetools;

TMarksTipTool::TMarksTipTool(QObject* owner) : TTeeCustomToolSeries(owner) {}

AnsiString TMarksTipTool::Description() const
{
    return TeeMsg_MarksTipTool;
}

IChartHost* TMarksTipTool::Chart() const
{
    return FSeries ? FSeries->ParentChart() : FParentChart;
}

void TMarksTipTool::ClearHint()
{
    if (TCustomTeePanel* panel = Panel(Chart())) panel->Hint.clear();
}

void TMarksTipTool::SetActive(bool value)
{
    TTeeCustomToolSeries::SetActive(value);
    if (!value) ClearHint();
}

void TMarksTipTool::SetMouseAction(TMarkToolMouseAction value)
{
    FMouseAction = value;
    ClearHint();
}

int TMarksTipTool::GetMouseDelay() const
{
    return platform::HintPause();
}

void TMarksTipTool::SetMouseDelay(int value)
{
    platform::SetHintPause(value);
}

void TMarksTipTool::ChartMouseEvent(TChartMouseEvent event, TMouseButton, TShiftState, int x, int y)
{
    if (!((event == cmeMove && FMouseAction == mtmMove) || (event == cmeDown && FMouseAction == mtmClick))) return;
    IChartHost* chart = Chart();
    TCustomTeePanel* panel = Panel(chart);
    if (!panel) return;

    TChartSeries* hit = nullptr;
    int index = -1;
    if (FSeries) {
        index = FSeries->Clicked(x, y);
        if (index != -1) hit = FSeries;
    } else if (TChartSeriesList* list = chart->SeriesList()) {
        for (int k = list->Count() - 1; k >= 0 && !hit; --k) {
            index = (*list)[k]->Clicked(x, y);
            if (index != -1) hit = (*list)[k];
        }
    }

    if (!hit) {
        // Another marks tip tool of the chart may be showing its own hint.
        TChartTools* tools = chart->Tools();
        for (int i = 0; tools && i < tools->Count(); ++i)
            if (tools->Items(i) != this && qobject_cast<TMarksTipTool*>(tools->Items(i))) return;
        panel->Hint.clear();
        platform::CancelHint();
        return;
    }

    // The mark text in our style, without letting the style change repaint the chart.
    TScopedValue quiet(panel->AutoRepaint, false);
    struct RestoreStyle {
        TSeriesMarks* Marks;
        TSeriesMarksStyle Style;
        ~RestoreStyle() { Marks->SetStyle(Style); }
    } restore{hit->Marks(), hit->Marks()->GetStyle()};
    hit->Marks()->SetStyle(FStyle);
    AnsiString text = hit->GetMarkText(index);
    if (OnGetText) OnGetText(this, text);
    if (text != panel->Hint) {
        panel->ShowHint = true;
        panel->Hint = text;
        platform::ActivateHint(panel, panel->ClientToScreen(TPoint(x, y)), text);
    }
}
