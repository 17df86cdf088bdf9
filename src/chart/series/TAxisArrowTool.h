#pragma once
// Small arrows at the ends of an axis; clicking one scrolls the axis by a percentage of
// its range.
#include <functional>

#include "chart/engine/TTeeCustomTool.h"
#include "chart/series/TeeToolEnums.h"

class TAxisArrowTool;
using TAxisArrowClickEvent = std::function<void(TAxisArrowTool* Sender, bool AtStart)>;

class TAxisArrowTool : public TTeeCustomToolAxis {
    Q_OBJECT
    Q_PROPERTY(int Length READ GetLength WRITE SetLength)
    Q_PROPERTY(ToolEnums::TAxisArrowToolPosition Position READ GetPosition WRITE SetPosition)
    Q_PROPERTY(bool ScrollInverted READ GetScrollInverted WRITE SetScrollInverted)
    Q_PROPERTY(int ScrollPercent READ GetScrollPercent WRITE SetScrollPercent)
public:
    Q_INVOKABLE explicit TAxisArrowTool(QObject* owner = nullptr);

    AnsiString GetEditorClass() const override { return "TAxisArrowToolEditor"; }
    AnsiString Description() const override;
    void ChartEvent(TChartToolEvent event) override;
    void ChartMouseEvent(TChartMouseEvent event, TMouseButton button, TShiftState shift, int x, int y) override;

    // -1 none, 0 the start arrow, 1 the end arrow.
    int ClickedArrow(int X, int Y) const;

    int GetLength() const { return FLength; }
    void SetLength(int value) { SetIntegerProperty(FLength, value); }
    TAxisArrowToolPosition GetPosition() const { return FPosition; }
    void SetPosition(TAxisArrowToolPosition value);
    bool GetScrollInverted() const { return FScrollInverted; }
    void SetScrollInverted(bool value) { FScrollInverted = value; }
    int GetScrollPercent() const { return FScrollPercent; }
    void SetScrollPercent(int value) { FScrollPercent = value; }

    TAxisArrowClickEvent OnClick;

private:
    // Scrolls the axis (and a twin axis that shares a series with it) when the chart
    // allows it.
    void DoScroll(double Offset);

    int FLength = 16;
    TAxisArrowToolPosition FPosition = aaBoth;
    bool FScrollInverted = false;
    int FScrollPercent = 10;
};
