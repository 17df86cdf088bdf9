#pragma once
// Bases of the chart tools, the chart's tools list and the designer hook.
#include <vector>

#include "chart/engine/TChartSeries.h"
#include "chart/engine/TCustomChartElement.h"
#include "platform/MouseTypes.h"

enum TChartToolEvent {
    cteAfterDraw,
    cteBeforeDrawSeries,
    cteBeforeDraw,
    cteBeforeDrawAxes,
    cteAfterDrawSeries,
    cteMouseLeave
};
enum TChartMouseEvent { cmeDown, cmeMove, cmeUp };

// An open editor window registers itself as the chart's designer to hear of changes.
class TTeeCustomDesigner {
public:
    virtual ~TTeeCustomDesigner() = default;
    virtual void Refresh() {}
    virtual void Repaint() {}
};

class TTeeCustomTool : public TCustomChartElement {
    Q_OBJECT
public:
    explicit TTeeCustomTool(QObject* owner = nullptr);
    ~TTeeCustomTool() override;

    virtual void ChartEvent(TChartToolEvent) {}
    virtual void ChartMouseEvent(TChartMouseEvent, TMouseButton, TShiftState, int, int) {}
    virtual AnsiString Description() const { return AnsiString(); }
    // Tools for the program's own use (not listed by the editors).
    bool InternalUse = false;
    // Leaves the old chart's tools list (repainting it when no new chart is given) and
    // enters the new one's.
    void SetParentChart(IChartHost* value) override;
};

class TTeeCustomToolSeries : public TTeeCustomTool {
    Q_OBJECT
    Q_PROPERTY(TChartSeries* Series READ Series WRITE SetSeries)
public:
    explicit TTeeCustomToolSeries(QObject* owner = nullptr);
    ~TTeeCustomToolSeries() override;

    AnsiString GetEditorClass() const override { return "TSeriesToolEditor"; }
    TChartSeries* Series() const { return FSeries; }
    // Watches the series: when it is freed the tool forgets it (without this call).
    virtual void SetSeries(TChartSeries* value);
    TChartAxis* GetHorizAxis() const;
    TChartAxis* GetVertAxis() const;

protected:
    TChartSeries* FSeries = nullptr;
};

// A tool that works on one axis of its chart.
class TTeeCustomToolAxis : public TTeeCustomTool {
    Q_OBJECT
    Q_PROPERTY(int AxisID READ GetAxisID WRITE SetAxisID)

public:
    explicit TTeeCustomToolAxis(QObject* owner = nullptr);

    AnsiString GetEditorClass() const override { return "TAxisToolEditor"; }
    TChartAxis* Axis() const { return FAxis; }
    // Joins the axis' chart (or none) and repaints.
    virtual void SetAxis(TChartAxis* value);
    // The axis' index in its chart's axes list; -1 without an axis. Stored while an axis
    // is set; reading it takes the parent chart's axis of that index.
    int GetAxisID() const;
    void SetAxisID(int value);
    bool IsPropertyStored(const char* Name) const override;
    // The axis is being destroyed: the tool forgets it but stays in the chart's tools
    // list, so that the chart still frees it.
    void AxisDestroyed();

protected:
    TChartAxis* FAxis = nullptr;

private:
    bool FKeepChart = false;
};

// The chart's tools, which it owns.
class TChartTools {
public:
    explicit TChartTools(IChartHost* chart = nullptr) : FChart(chart) {}
    TChartTools(const TChartTools&) = delete;
    TChartTools& operator=(const TChartTools&) = delete;
    ~TChartTools() { Clear(); }

    IChartHost* Chart() const { return FChart; }
    int Count() const { return static_cast<int>(FItems.size()); }
    TTeeCustomTool* operator[](int index) const { return FItems.at(static_cast<std::size_t>(index)); }
    TTeeCustomTool* Items(int index) const { return (*this)[index]; }
    int IndexOf(const TTeeCustomTool* tool) const;
    // The tool joins the list's chart, which enters it here.
    TTeeCustomTool* Add(TTeeCustomTool* tool);
    // Frees every tool.
    void Clear();
    void SetActive(bool value);
    bool Active() const;
    // Exchanges the tools at two positions (drawing and file order).
    void Exchange(int a, int b);

    // Plain list operations for the tool's own SetParentChart.
    void InternalAdd(TTeeCustomTool* tool);
    void InternalRemove(TTeeCustomTool* tool);

private:
    IChartHost* FChart;
    std::vector<TTeeCustomTool*> FItems;
};
