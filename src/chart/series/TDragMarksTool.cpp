#include "chart/series/TDragMarksTool.h"

#include "chart/engine/TChartSeries.h"
#include "chart/engine/TCustomSeriesList.h"
#include "chart/engine/TeeProCo.h"
#include "chart/series/TeeToolSupport.h"

using namespace teetools;

TDragMarksTool::TDragMarksTool(QObject* owner) : TTeeCustomToolSeries(owner) {}

AnsiString TDragMarksTool::Description() const
{
    return TeeMsg_DragMarksTool;
}

int TDragMarksTool::MarkAt(int X, int Y, bool Hover, TChartSeries*& Found) const
{
    const auto test = [&](TChartSeries* s) {
        if (!s->GetActive() || (Hover && !s->Marks()->GetVisible())) return -1;
        return s->Marks()->Clicked(X, Y);
    };
    Found = nullptr;
    if (FSeries) {
        const int i = test(FSeries);
        if (i != -1) Found = FSeries;
        return i;
    }
    TChartSeriesList* list = FParentChart ? FParentChart->SeriesList() : nullptr;
    if (!list) return -1;
    for (int k = list->Count() - 1; k >= 0; --k) {
        TChartSeries* s = (*list)[k];
        const int i = test(s);
        if (i != -1) {
            Found = s;
            return i;
        }
    }
    return -1;
}

void TDragMarksTool::ChartMouseEvent(TChartMouseEvent event, TMouseButton, TShiftState, int x, int y)
{
    switch (event) {
        case cmeDown: {
            TChartSeries* s = nullptr;
            const int i = MarkAt(x, y, false, s);
            if (i == -1 || !s->Marks()->Positions().Get(i)) break;
            FDragSeries = s;
            FDragIndex = i;
            FOld = TPoint(x, y);
            SetMouseHandled(FParentChart, true);
            break;
        }
        case cmeMove:
            if (FDragSeries) {
                if (TSeriesMarkPosition* p = FDragSeries->Marks()->Positions().Get(FDragIndex)) {
                    const int dx = x - FOld.X, dy = y - FOld.Y;
                    p->Custom = true;
                    p->LeftTop = TPoint(p->LeftTop.X + dx, p->LeftTop.Y + dy);
                    p->ArrowTo = TPoint(p->ArrowTo.X + dx, p->ArrowTo.Y + dy);
                    FOld = TPoint(x, y);
                    SetMouseHandled(FParentChart, true);
                    FDragSeries->Repaint();
                }
            } else {
                TChartSeries* s = nullptr;
                if (MarkAt(x, y, true, s) != -1) {
                    SetCursor(FParentChart, crHandPoint);
                    SetMouseHandled(FParentChart, true);
                }
            }
            break;
        case cmeUp:
            FDragSeries = nullptr;
            FDragIndex = -1;
            break;
    }
}
