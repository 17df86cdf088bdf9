#pragma once
// The base of the series with a third value per point: a Z list beside X and Y, plotted on
// the chart's depth axis. Points keep the order they were added in.
#include <vector>

#include "chart/engine/TChartSeries.h"

class TCustom3DSeries : public TChartSeries {
    Q_OBJECT
    Q_PROPERTY(TChartValueList* ZValues READ GetZValues)
    Q_PROPERTY(int TimesZOrder READ GetTimesZOrder WRITE SetTimesZOrder)

public:
    explicit TCustom3DSeries(QObject* owner = nullptr);

    void Assign(const TCustomChartElement& source) override;
    using TChartSeries::Assign;
    void CalcZOrder() override;
    void DrawMark(int valueIndex, const AnsiString& text, TSeriesMarkPosition& position) override;
    void PrepareLegendCanvas(int valueIndex, TColor& backColor, TBrushStyle& brushStyle) override;
    TChartValueList* ValueListOfAxis(const TChartAxis* axis) const override;
    bool AssociatedToAxis(const TChartAxis* axis) const override;
    double MaxZValue() override { return FZ->MaxValue(); }
    double MinZValue() override { return FZ->MinValue(); }
    bool IsValidSourceOf(TChartSeries* series) const override;
    bool IsPropertyStored(const char* Name) const override;

    virtual int AddXYZ(double x, double y, double z, const AnsiString& text = AnsiString(), TColor color = clDefault);
    // Point (i, Values[i][j], j) for every i and j.
    void AddArray(const std::vector<std::vector<double>>& values);

    double GetZValue(int index) const { return FZ->Value(index); }
    void SetZValue(int index, double value) { FZ->SetValue(index, value); }
    // The depth pixel of a point's Z value (0 without a depth axis).
    int CalcZPos(int valueIndex) const;
    int CalcZPosValue(double value) const;
    // Whether the grid is seen from its far side: the depth axis is inverted, or the chart
    // is turned by more than a quarter and less than three quarters.
    bool BackFaced() const;
    TChartAxis* DepthAxis() const;

    TChartValueList* GetZValues() const { return FZ; }
    void SetZValues(TChartValueList* value);
    int GetTimesZOrder() const { return FTimesZOrder; }
    void SetTimesZOrder(int value) { SetIntegerProperty(FTimesZOrder, value); }

protected:
    TChartValueList* FZ;
    int FTimesZOrder = 3;
};
