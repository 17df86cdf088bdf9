#pragma once
// A point series whose points are arrows from the point (X, Y) to an end point of their
// own; the head size is the pointer size. Outlined in 2D, filled in 3D.
#include "chart/series/TPointSeries.h"

class TArrowSeries : public TPointSeries {
    Q_OBJECT
    Q_PROPERTY(TChartValueList* EndXValues READ GetEndXValues)
    Q_PROPERTY(TChartValueList* EndYValues READ GetEndYValues)
    Q_PROPERTY(TChartValueList* StartXValues READ XValues STORED false)
    Q_PROPERTY(TChartValueList* StartYValues READ YValues STORED false)

public:
    Q_INVOKABLE explicit TArrowSeries(QObject* owner = nullptr);

    AnsiString GetEditorClass() const override { return "TArrowSeriesEditor"; }
    void DrawValue(int valueIndex) override;
    double MaxXValue() override;
    double MaxYValue() override;
    double MinXValue() override;
    double MinYValue() override;
    bool CanDoExtra() const override { return false; }
    void PrepareForGallery(bool enabled) override;
    void AddSampleValues(int numValues, bool onlyMandatory = false) override;
    bool IsValidSourceOf(TChartSeries* series) const override;

    int AddArrow(double x0, double y0, double x1, double y1, const AnsiString& label = AnsiString(),
                 TColor color = clDefault);

    TChartValueList* GetEndXValues() const { return FEndX; }
    TChartValueList* GetEndYValues() const { return FEndY; }
    void SetEndXValues(TChartValueList* value);
    void SetEndYValues(TChartValueList* value);
    void SetStartXValues(TChartValueList* value);
    void SetStartYValues(TChartValueList* value);
    int GetArrowWidth() const { return FPointer->GetHorizSize(); }
    void SetArrowWidth(int value) { FPointer->SetHorizSize(value); }
    int GetArrowHeight() const { return FPointer->GetVertSize(); }
    void SetArrowHeight(int value) { FPointer->SetVertSize(value); }

private:
    TChartValueList* FEndX;
    TChartValueList* FEndY;
};

// Enters the arrow series into the library's series-type list (once).
void RegisterTeeArrowSeries();
