#pragma once
// A cross-hair cursor at a pair of axis values, drawn in XOR mode after the chart, dragged
// with the mouse or following it, optionally snapping to the nearest series point.
#include <functional>

#include "chart/engine/TTeeCustomTool.h"
#include "chart/series/TeeToolEnums.h"

class TCursorTool;

enum TCursorClicked { ccNone, ccHorizontal, ccVertical, ccBoth };

using TCursorToolChangeEvent = std::function<void(TCursorTool* Sender, int x, int y, double XValue, double YValue,
                                                  TChartSeries* Series, int ValueIndex)>;
using TCursorToolGetAxisRect = std::function<void(TCursorTool* Sender, TRect& Rect)>;

class TCursorTool : public TTeeCustomToolSeries {
    Q_OBJECT
    Q_PROPERTY(int ClickTolerance READ GetClickTolerance WRITE SetClickTolerance)
    Q_PROPERTY(bool FollowMouse READ GetFollowMouse WRITE SetFollowMouse)
    Q_PROPERTY(bool Snap READ GetSnap WRITE SetSnap)
    Q_PROPERTY(ToolEnums::TCursorToolStyle Style READ GetStyle WRITE SetStyle)
    Q_PROPERTY(bool UseSeriesZ READ GetUseSeriesZ WRITE SetUseSeriesZ)
public:
    Q_INVOKABLE explicit TCursorTool(QObject* owner = nullptr);

    AnsiString GetEditorClass() const override { return "TCursorToolEditor"; }
    AnsiString Description() const override;
    void ChartEvent(TChartToolEvent event) override;
    void ChartMouseEvent(TChartMouseEvent event, TMouseButton button, TShiftState shift, int x, int y) override;
    void SetSeries(TChartSeries* value) override;
    // Reports a change through OnChange.
    virtual void Changed(int ValueIndex);

    // The series' front depth with UseSeriesZ and a series, else 0.
    int Z() const;
    TRect GetAxisRect();
    bool InAxisRectangle(int X, int Y);
    void CalcValuePositions(int X, int Y);
    void CalcScreenPositions();
    // The index of the point nearest to the cursor's values by style (-1 for none);
    // Difference gets its distance in axis units (-1 for none).
    int NearestPoint(TCursorToolStyle style, double& Difference) const;
    int SnapToPoint();
    // Draws the lines in XOR mode: drawn a second time at the same place, they vanish.
    void RedrawCursor();
    TCursorClicked Clicked(int X, int Y);

    int GetClickTolerance() const { return FClickTolerance; }
    void SetClickTolerance(int value) { FClickTolerance = value; }
    bool GetFollowMouse() const { return FFollowMouse; }
    void SetFollowMouse(bool value) { FFollowMouse = value; }
    bool GetSnap() const { return FSnap; }
    void SetSnap(bool value) { FSnap = value; }
    TCursorToolStyle GetStyle() const { return FStyle; }
    void SetStyle(TCursorToolStyle value);
    bool GetUseSeriesZ() const { return FUseSeriesZ; }
    void SetUseSeriesZ(bool value) { SetBooleanProperty(FUseSeriesZ, value); }
    bool GetUseChartRect() const { return FUseChartRect; }
    void SetUseChartRect(bool value) { SetBooleanProperty(FUseChartRect, value); }
    double GetXValue() const { return FXValue; }
    void SetXValue(double value);
    double GetYValue() const { return FYValue; }
    void SetYValue(double value);
    // The cursor's screen position (-1 until first placed).
    int ScreenX() const { return FX; }
    int ScreenY() const { return FY; }
    TCursorClicked DragState() const { return FDragging; }

    TCursorToolChangeEvent OnChange;
    TCursorToolChangeEvent OnSnapChange;
    TCursorToolGetAxisRect OnGetAxisRect;

private:
    void DoChange();
    void To2D(int& X, int& Y);

    int FClickTolerance = 2;
    bool FFollowMouse = false;
    bool FSnap = false;
    TCursorToolStyle FStyle = cssBoth;
    bool FUseSeriesZ = false;
    bool FUseChartRect = false;
    double FXValue = 0;
    double FYValue = 0;
    int FX = -1;
    int FY = -1;
    bool FPlaced = false;
    TCursorClicked FDragging = ccNone;
    int FOldSnap = -1;
};
