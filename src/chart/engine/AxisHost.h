#pragma once
// What an axis asks of the chart that owns it: the geometry of the current draw, the
// canvas, the series, the axes lists and the chart's label hooks. The axis panel
// implements it; tests use a fake.
#include <functional>

#include "chart/engine/ChartHost.h"
#include "platform/AnsiString.h"
#include "platform/GraphicsTypes.h"

class TCanvas3D;
class TChartAxes;
class TChartCustomAxes;
class TCustomTeePanel;
class TView3DOptions;

// The chart's label hooks: the text of a label (Series is none and ValueIndex -1 for value
// labels), and the values of the labels one by one (Stop ends them).
using TAxisOnGetLabel =
    std::function<void(TChartAxis* Sender, TChartSeries* Series, int ValueIndex, AnsiString& LabelText)>;
using TAxisOnGetNextLabel = std::function<void(TChartAxis* Sender, int LabelIndex, double& LabelValue, bool& Stop)>;

class IAxisHost : public IChartHost {
public:
    // The window whose framed boxes (axis titles, label boxes) the axes own; none for a
    // chart drawn without one.
    virtual TCustomTeePanel* GetPanel() = 0;

    // ---- geometry of the current draw
    virtual TCanvas3D* GetCanvas() = 0;
    virtual TRect GetChartRect() const = 0;
    virtual int GetChartWidth() const = 0;
    virtual int GetChartHeight() const = 0;
    virtual int GetWidth3D() const = 0;
    virtual bool GetView3D() const = 0;
    virtual TView3DOptions* GetView3DOptions() = 0;
    virtual bool GetAxisBehind() const = 0;
    virtual void SetAxisBehind(bool value) = 0;
    virtual bool GetAxisVisible() const = 0;
    virtual void SetAxisVisible(bool value) = 0;
    // Room a 3D wall takes beside the axis (0 without walls).
    virtual int CalcWallSize(TChartAxis* axis) = 0;
    // Whether the axis is shown in the current draw.
    virtual bool IsAxisVisible(TChartAxis* axis) = 0;

    // ---- axes
    virtual TChartAxes* Axes() = 0;
    virtual TChartCustomAxes* GetCustomAxes() = 0;
    // The automatic end of an axis from the series that use it.
    virtual double InternalMinMax(TChartAxis* axis, bool isMin, bool isX) = 0;

    // ---- series and texts
    virtual int CountActiveSeries() = 0;
    virtual int GetMaxZOrder() const = 0;
    // Title of the legend's ItemIndex-th series, empty when there is none.
    virtual AnsiString SeriesTitleLegend(int itemIndex, bool onlyActive) = 0;
    // Widest line of S on the chart's canvas; NumLines gets the number of lines.
    virtual int MultiLineTextWidth(const AnsiString& S, int& NumLines) = 0;
    // Widest point label of all series; widest mark of the active series.
    virtual int MaxTextWidth() = 0;
    virtual int MaxMarkWidth() = 0;
    virtual TAxisOnGetLabel& OnGetAxisLabelEvent() = 0;
    virtual TAxisOnGetNextLabel& OnGetNextAxisLabelEvent() = 0;
};

// The widest line of a text split at TeeLineSeparator, measured on the canvas; NumLines
// gets the line count (0 for an empty text, no extra line after a final separator).
int TeeMultiLineTextWidth(class TTeeCanvas* Canvas, const AnsiString& S, int& NumLines);
// The number of lines of a text by the same rule.
int TeeNumTextLines(const AnsiString& S);
