#pragma once
// A point series whose pointers are bubbles: each point carries a radius in axis units,
// drawn as a pointer of that size, and the axes grow by the radius so no bubble is cut.
#include "chart/series/TPointSeries.h"

class TBubbleSeries : public TPointSeries {
    Q_OBJECT
    Q_PROPERTY(TChartValueList* RadiusValues READ GetRadiusValues)
    Q_PROPERTY(bool Squared READ GetSquared WRITE SetSquared)

public:
    Q_INVOKABLE explicit TBubbleSeries(QObject* owner = nullptr);

    void Assign(const TCustomChartElement& source) override;
    using TChartSeries::Assign;
    AnsiString GetEditorClass() const override { return "TBubbleSeriesEditor"; }
    void DrawLegendShape(int valueIndex, const TRect& rect) override;
    void DrawValue(int valueIndex) override;
    double MaxYValue() override;
    double MinYValue() override;
    double MaxZValue() override;
    double MinZValue() override;
    bool ClickedPointer(int valueIndex, int x, int y, int pX, int pY) override;
    TTeeGradient* GetGradient() const override { return FPointer->GetGradient(); }
    void PreparePointer(int valueIndex) override;
    void PrepareForGallery(bool enabled) override;
    void AddSampleValues(int numValues, bool onlyMandatory = false) override;
    bool IsValidSourceOf(TChartSeries* series) const override;
    bool IsPropertyStored(const char* Name) const override;

    int AddBubble(double x, double y, double radius, const AnsiString& label = AnsiString(), TColor color = clDefault);
    // Value widened by each point's radius: upwards with increment, downwards without.
    double ApplyRadius(double value, TChartValueList* list, bool increment);

    TChartValueList* GetRadiusValues() const { return FRadiusValues; }
    void SetRadiusValues(TChartValueList* value) { ReplaceList(FRadiusValues, value); }
    bool GetSquared() const { return FSquared; }
    void SetSquared(bool value) { SetBooleanProperty(FSquared, value); }

private:
    TChartValueList* FRadiusValues;
    bool FSquared = true;
};

// Enters the bubble series into the library's series-type list (once).
void RegisterTeeBubbleSeries();
