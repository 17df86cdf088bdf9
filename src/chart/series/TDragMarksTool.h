#pragma once
// Lets the user drag series marks to new places; the arrow keeps its start at the point.
#include <QPointer>

#include "chart/engine/TTeeCustomTool.h"

class TDragMarksTool : public TTeeCustomToolSeries {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TDragMarksTool(QObject* owner = nullptr);

    AnsiString GetEditorClass() const override { return "TDragMarksToolEditor"; }
    AnsiString Description() const override;
    void ChartMouseEvent(TChartMouseEvent event, TMouseButton button, TShiftState shift, int x, int y) override;

    // The mark under (X, Y) of Series, or of the chart's series from the last to the
    // first; Hover also asks for visible marks. -1 for none.
    int MarkAt(int X, int Y, bool Hover, TChartSeries*& Found) const;
    bool Dragging() const { return FDragSeries != nullptr; }

private:
    QPointer<TChartSeries> FDragSeries;
    int FDragIndex = -1;
    TPoint FOld;
};
