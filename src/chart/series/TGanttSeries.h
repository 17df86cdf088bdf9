#pragma once
// Tasks as horizontal bars on a date-time axis: each point starts at its X value, ends at
// its end value, sits on the row of its Y value and may name a following task, to which a
// stepped line is drawn. The bars are the series pointer stretched from start to end.
#include "chart/series/TPointSeries.h"

class TGanttSeries : public TPointSeries {
    Q_OBJECT
    Q_PROPERTY(TChartValueList* StartValues READ XValues STORED false)
    Q_PROPERTY(TChartValueList* EndValues READ GetEndValues)
    Q_PROPERTY(TChartValueList* NextTask READ GetNextTask)
    // The same pen as Pen, under the name users know it by.
    Q_PROPERTY(TChartPen* ConnectingPen READ GetConnectingPen WRITE SetConnectingPen STORED false)

public:
    Q_INVOKABLE explicit TGanttSeries(QObject* owner = nullptr);

    void Assign(const TCustomChartElement& source) override;
    using TChartSeries::Assign;
    AnsiString GetEditorClass() const override { return "TGanttSeriesEditor"; }
    void DrawMark(int valueIndex, const AnsiString& text, TSeriesMarkPosition& position) override;
    void DrawValue(int valueIndex) override;
    int AddXY(double x, double y, const AnsiString& label = AnsiString(), TColor color = clDefault) override;
    double MaxXValue() override;
    bool ClickedPointer(int valueIndex, int pX, int pY, int x, int y) override;
    void PrepareForGallery(bool enabled) override;
    void AddSampleValues(int numValues, bool onlyMandatory = false) override;
    bool IsValidSourceOf(TChartSeries* series) const override;

    int AddGanttColor(double start, double end, double y, const AnsiString& label, TColor color);
    int AddGantt(double start, double end, double y, const AnsiString& label = AnsiString())
    {
        return AddGanttColor(start, end, y, label, clDefault);
    }

    TChartValueList* GetStartValues() const { return FX; }
    void SetStartValues(TChartValueList* value) { ReplaceList(FX, value); }
    TChartValueList* GetEndValues() const { return FEndValues; }
    void SetEndValues(TChartValueList* value);
    TChartValueList* GetNextTask() const { return FNextTask; }
    void SetNextTask(TChartValueList* value);
    TChartPen* GetConnectingPen() const { return Pen(); }
    void SetConnectingPen(TChartPen* value) { Pen()->Assign(value); }

private:
    TChartValueList* FEndValues;
    TChartValueList* FNextTask;
};

// Enters the Gantt series into the library's series-type list (once).
void RegisterTeeGanttSeries();
