#pragma once
// Highlights the series point nearest to the mouse with a shape and a line from the
// mouse to the point.
#include "chart/engine/TTeeCustomTool.h"
#include "chart/series/TeeToolEnums.h"

class TNearestTool : public TTeeCustomToolSeries {
    Q_OBJECT
    Q_PROPERTY(bool DrawLine READ GetDrawLine WRITE SetDrawLine)
    Q_PROPERTY(bool FullRepaint READ GetFullRepaint WRITE SetFullRepaint)
    Q_PROPERTY(TChartPen* LinePen READ GetLinePen WRITE SetLinePen)
    Q_PROPERTY(int Size READ GetSize WRITE SetSize)
    Q_PROPERTY(ToolEnums::TNearestToolStyle Style READ GetStyle WRITE SetStyle)
public:
    Q_INVOKABLE explicit TNearestTool(QObject* owner = nullptr);
    ~TNearestTool() override;

    AnsiString GetEditorClass() const override { return "TNearestToolEdit"; }
    AnsiString Description() const override;
    void ChartEvent(TChartToolEvent event) override;
    void ChartMouseEvent(TChartMouseEvent event, TMouseButton button, TShiftState shift, int x, int y) override;

    // The index of the point of Series nearest to (X, Y) within the chart rectangle;
    // null points count only with IncludeNulls. -1 for none.
    static int GetNearestPoint(TChartSeries* Series, int X, int Y, bool IncludeNulls = false);
    // Draws the shape and the line for NearestIndex (in not-XOR mode without FullRepaint).
    void PaintHint();
    int ZAxisCalc(double Value) const;

    bool GetDrawLine() const { return FLinePen->GetVisible(); }
    void SetDrawLine(bool value) { FLinePen->SetVisible(value); }
    bool GetFullRepaint() const { return FFullRepaint; }
    void SetFullRepaint(bool value) { FFullRepaint = value; }
    TChartPen* GetLinePen() const { return FLinePen; }
    void SetLinePen(TChartPen* value) { FLinePen->Assign(value); }
    int GetSize() const { return FSize; }
    void SetSize(int value) { SetIntegerProperty(FSize, value); }
    TNearestToolStyle GetStyle() const { return FStyle; }
    void SetStyle(TNearestToolStyle value);

    int NearestIndex = -1;
    TPoint Point;
    TNotifyEvent OnChange;

private:
    TChartPen* FLinePen;
    bool FFullRepaint = true;
    int FSize = 20;
    TNearestToolStyle FStyle = hsCircle;
};
