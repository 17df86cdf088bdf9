#pragma once
// Rotates and tilts the 3D view while the user drags inside the chart.
#include "chart/engine/TTeeCustomTool.h"
#include "chart/series/TeeToolEnums.h"

class TRotateTool : public TTeeCustomTool {
    Q_OBJECT
    Q_PROPERTY(int Button READ GetButtonInt WRITE SetButtonInt)
    Q_PROPERTY(bool Inverted READ GetInverted WRITE SetInverted)
    Q_PROPERTY(ToolEnums::TRotateToolStyles Style READ GetStyle WRITE SetStyle)
public:
    Q_INVOKABLE explicit TRotateTool(QObject* owner = nullptr);

    AnsiString GetEditorClass() const override { return "TRotateToolEditor"; }
    AnsiString Description() const override;
    void ChartMouseEvent(TChartMouseEvent event, TMouseButton button, TShiftState shift, int x, int y) override;

    // The new angle after a change by Delta on a canvas with (Full) or without full rotation.
    static int RotationChange(bool FullRotation, int Angle, int Delta);
    static int ElevationChange(bool FullRotation, int Angle, int Delta);

    TMouseButton GetButton() const { return FButton; }
    void SetButton(TMouseButton value) { FButton = value; }
    bool GetInverted() const { return FInverted; }
    void SetInverted(bool value) { FInverted = value; }
    TRotateToolStyles GetStyle() const { return FStyle; }
    void SetStyle(TRotateToolStyles value) { FStyle = value; }
    bool Dragging() const { return FDragging; }

    TNotifyEvent OnRotate;

private:
    int GetButtonInt() const { return FButton; }
    void SetButtonInt(int value) { FButton = static_cast<TMouseButton>(value); }
    // The chart rectangle at the front and at the back, joined at its corners.
    void DrawBox();

    TMouseButton FButton = mbLeft;
    bool FInverted = false;
    TRotateToolStyles FStyle = rsAll;
    bool FDragging = false;
    bool FFirst = false;
    TPoint FOld;
    bool FOldRepaint = true;
};
