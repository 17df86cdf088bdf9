#pragma once
// One line per point in the chart's 3D space, from (X, Y, Z) to an end point of its own,
// in the palette colour of the point's Y value, with optional arrow heads at either end.
#include "chart/series/TCustom3DPaletteSeries.h"

class TVector3DSeries : public TCustom3DPaletteSeries {
    Q_OBJECT
    Q_PROPERTY(int ArrowHeight READ GetArrowHeight WRITE SetArrowHeight)
    Q_PROPERTY(int ArrowWidth READ GetArrowWidth WRITE SetArrowWidth)
    Q_PROPERTY(TChartHiddenPen* StartArrow READ GetStartArrow WRITE SetStartArrow)
    Q_PROPERTY(TChartPen* EndArrow READ GetEndArrow WRITE SetEndArrow)
    Q_PROPERTY(TChartValueList* EndXValues READ GetEndXValues)
    Q_PROPERTY(TChartValueList* EndYValues READ GetEndYValues)
    Q_PROPERTY(TChartValueList* EndZValues READ GetEndZValues)

public:
    Q_INVOKABLE explicit TVector3DSeries(QObject* owner = nullptr);
    ~TVector3DSeries() override;

    void Assign(const TCustomChartElement& source) override;
    using TChartSeries::Assign;
    AnsiString GetEditorClass() const override { return "TVectorSeriesEditor"; }
    void DrawValue(int valueIndex) override;
    double MaxXValue() override;
    double MaxYValue() override;
    double MaxZValue() override;
    double MinXValue() override;
    double MinYValue() override;
    double MinZValue() override;
    int NumSampleValues() const override { return 250; }
    void AddSampleValues(int numValues, bool onlyMandatory = false) override;
    bool IsValidSourceOf(TChartSeries* series) const override;
    bool IsPropertyStored(const char* Name) const override;

    int AddVector(double x0, double y0, double z0, double x1, double y1, double z1,
                  const AnsiString& label = AnsiString(), TColor color = clDefault);

    int GetArrowHeight() const { return FArrowHeight; }
    void SetArrowHeight(int value) { SetIntegerProperty(FArrowHeight, value); }
    int GetArrowWidth() const { return FArrowWidth; }
    void SetArrowWidth(int value) { SetIntegerProperty(FArrowWidth, value); }
    TChartHiddenPen* GetStartArrow() const { return FStartArrow; }
    void SetStartArrow(TChartHiddenPen* value) { FStartArrow->Assign(value); }
    TChartPen* GetEndArrow() const { return FEndArrow; }
    void SetEndArrow(TChartPen* value) { FEndArrow->Assign(value); }
    TChartValueList* GetEndXValues() const { return FEndX; }
    TChartValueList* GetEndYValues() const { return FEndY; }
    TChartValueList* GetEndZValues() const { return FEndZ; }
    void SetEndXValues(TChartValueList* value);
    void SetEndYValues(TChartValueList* value);
    void SetEndZValues(TChartValueList* value);

private:
    void DrawArrowHead(const TPoint& p, TChartPen* pen, TColor color, double sine, double cosine);

    int FArrowHeight = 4;
    int FArrowWidth = 4;
    TChartHiddenPen* FStartArrow;
    TChartPen* FEndArrow;
    TChartValueList* FEndX;
    TChartValueList* FEndY;
    TChartValueList* FEndZ;
};
