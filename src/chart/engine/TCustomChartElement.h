#pragma once
// Base of every element drawn in a chart panel, and of every series.
#include <QObject>

#include "chart/engine/ChartHost.h"
#include "chart/engine/TChartBrush.h"
#include "chart/engine/TChartPen.h"
#include "chart/engine/TPropertySetters.h"
#include "platform/AnsiString.h"
#include "platform/TPersistent.h"

class TCustomChartElement : public TPersistent, public TPropertySetters<TCustomChartElement> {
    Q_OBJECT
    Q_PROPERTY(bool Active READ GetActive WRITE SetActive)
    Q_PROPERTY(TChartBrush* Brush READ Brush WRITE SetBrush)
    Q_PROPERTY(TChartPen* Pen READ Pen WRITE SetPen)

public:
    explicit TCustomChartElement(QObject* owner = nullptr);
    ~TCustomChartElement() override;

    // Owned; a change of either repaints the element's chart.
    TChartBrush* Brush() const { return FBrush; }
    TChartPen* Pen() const { return FPen; }
    // Copy the given settings into the element's own brush and pen.
    void SetBrush(TChartBrush* value);
    virtual void SetPen(TChartPen* value);
    // A chart pen that notifies this element when it changes.
    TChartPen* CreateChartPen();

    bool GetActive() const { return FActive; }
    virtual void SetActive(bool value);
    IChartHost* ParentChart() const { return FParentChart; }
    virtual void SetParentChart(IChartHost* value);
    int Tag = 0;

    // Asks the parent chart to invalidate (nothing without a parent).
    void Repaint();
    virtual void CanvasChanged() { Repaint(); }
    virtual AnsiString GetEditorClass() const { return AnsiString(); }
    bool HasParent() const { return true; }
    virtual void Assign(const TCustomChartElement& source);
    void Assign(TPersistent* Source) override;

protected:
    // The property setters repaint the element when a value changed.
    void PropertyChanged() { Repaint(); }
    friend class TPropertySetters<TCustomChartElement>;

    bool FActive = true;
    IChartHost* FParentChart = nullptr;
    TChartBrush* FBrush = nullptr;
    TChartPen* FPen = nullptr;
};

// TChartSeriesStyle bits
enum TChartSeriesStyleBit {
    tssIsTemplate = 1,
    tssDenyChangeType = 2,
    tssDenyDelete = 4,
    tssDenyClone = 8,
    tssIsPersistent = 16,
    tssHideDataSource = 32
};
using TChartSeriesStyle = int;

class TCustomChartSeries : public TCustomChartElement {
    Q_OBJECT
    Q_PROPERTY(bool ShowInLegend READ GetShowInLegend WRITE SetShowInLegend)
    Q_PROPERTY(AnsiString Title READ GetTitle WRITE SetTitle)

public:
    explicit TCustomChartSeries(QObject* owner = nullptr);

    void SetActive(bool value) override;
    bool GetShowInLegend() const { return FShowInLegend; }
    void SetShowInLegend(bool value) { SetBooleanProperty(FShowInLegend, value); }
    const AnsiString& GetTitle() const { return FTitle; }
    void SetTitle(const AnsiString& value);
    // Chart files store these as "Identifier" (when not empty) and "Style" (the tss* bits as
    // an integer, when any is set); see the chart file storage.
    AnsiString Identifier;
    TChartSeriesStyle Style = 0;
    // Series for the program's own use (not offered in series pick lists).
    bool InternalUse = false;

    virtual void CalcHorizMargins(int& leftMargin, int& rightMargin) { leftMargin = rightMargin = 0; }
    virtual void CalcVerticalMargins(int& topMargin, int& bottomMargin) { topMargin = bottomMargin = 0; }
    virtual void DoBeforeDrawChart() {}

    // Whether either series is an instance of the other's class.
    bool SameClass(const TCustomChartSeries* other) const;
    virtual void Removed() { FParentChart = nullptr; }
    void Assign(const TCustomChartElement& source) override;
    using TCustomChartElement::Assign;

protected:
    void RepaintDesigner();

    bool FShowInLegend = true;
    AnsiString FTitle;
};
