#pragma once
// Scrolls an axis while the user drags on the axis itself.
#include <QPointer>

#include "chart/engine/TChartAxis.h"
#include "chart/engine/TTeeCustomTool.h"

class TAxisScrollTool : public TTeeCustomToolAxis {
    Q_OBJECT
    Q_PROPERTY(bool ScrollInverted READ GetScrollInverted WRITE SetScrollInverted)
public:
    Q_INVOKABLE explicit TAxisScrollTool(QObject* owner = nullptr);

    AnsiString Description() const override;
    void ChartMouseEvent(TChartMouseEvent event, TMouseButton button, TShiftState shift, int x, int y) override;

    // The axis under (X, Y) that the tool may scroll: its own axis, or without one any
    // visible axis of the chart.
    TChartAxis* AxisAt(int X, int Y) const;
    TChartAxis* DraggedAxis() const { return FDragged; }

    bool GetScrollInverted() const { return FScrollInverted; }
    void SetScrollInverted(bool value) { FScrollInverted = value; }

private:
    bool FScrollInverted = false;
    QPointer<TChartAxis> FDragged;
    TPoint FOld;
};
