#pragma once
// An annotation box the user moves and resizes with the mouse; the chart area under it
// can be taken as a bitmap.
#include <memory>

#include "chart/series/TAnnotationTool.h"

class TBitmap;

class TRectangleTool : public TAnnotationTool {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TRectangleTool(QObject* owner = nullptr);

    AnsiString Description() const override;
    void ChartMouseEvent(TChartMouseEvent event, TMouseButton button, TShiftState shift, int x, int y) override;

    // -1 none, 0 left, 1 top, 2 right, 3 bottom edge under (X, Y).
    int ClickedEdge(int X, int Y);
    // The chart under the box: with Refresh drawn anew without the box, otherwise taken
    // from the chart's last drawing.
    std::unique_ptr<TBitmap> Bitmap(bool Refresh);
    bool Dragging() const { return FDragging; }
    int GrabbedEdge() const { return FEdge; }

    TNotifyEvent OnDragging;
    TNotifyEvent OnResizing;

private:
    int FEdge = -1;
    bool FDragging = false;
    TPoint FOffset;
};
