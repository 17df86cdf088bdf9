#pragma once
// Shows a point's mark text in the hint window when the mouse is over (or clicks) a
// series point.
#include <functional>

#include "chart/engine/ChartDataEnums.h"
#include "chart/engine/TTeeCustomTool.h"
#include "chart/series/TeeToolEnums.h"

class TMarksTipTool;
using TMarksTipGetText = std::function<void(TMarksTipTool* Sender, AnsiString& Text)>;

class TMarksTipTool : public TTeeCustomToolSeries {
    Q_OBJECT
    Q_PROPERTY(ToolEnums::TMarkToolMouseAction MouseAction READ GetMouseAction WRITE SetMouseAction)
    Q_PROPERTY(int MouseDelay READ GetMouseDelay WRITE SetMouseDelay STORED false)
    Q_PROPERTY(ChartDataEnums::TSeriesMarksStyle Style READ GetStyle WRITE SetStyle)
public:
    Q_INVOKABLE explicit TMarksTipTool(QObject* owner = nullptr);

    AnsiString GetEditorClass() const override { return "TMarksTipToolEdit"; }
    AnsiString Description() const override;
    // Turning the tool off clears the chart's hint.
    void SetActive(bool value) override;
    void ChartMouseEvent(TChartMouseEvent event, TMouseButton button, TShiftState shift, int x, int y) override;

    // The series' chart with a series, else the parent chart.
    IChartHost* Chart() const;

    TMarkToolMouseAction GetMouseAction() const { return FMouseAction; }
    void SetMouseAction(TMarkToolMouseAction value);
    // The application's hint pause in milliseconds.
    int GetMouseDelay() const;
    void SetMouseDelay(int value);
    TSeriesMarksStyle GetStyle() const { return FStyle; }
    void SetStyle(TSeriesMarksStyle value) { FStyle = value; }

    TMarksTipGetText OnGetText;

private:
    void ClearHint();

    TMarkToolMouseAction FMouseAction = mtmMove;
    TSeriesMarksStyle FStyle = smsLabel;
};
