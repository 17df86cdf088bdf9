#pragma once
// Fills the region between the line and an origin: the low end of the value axis, a fixed
// value, or the top of the area series below when several are stacked; and the same along
// the vertical axis.
#include "chart/series/TCustomSeries.h"

class TAreaSeries : public TCustomSeries {
    Q_OBJECT
    Q_PROPERTY(bool ColorEachLine READ GetColorEachLine WRITE SetColorEachLine)
    Q_PROPERTY(TTeeGradient* Gradient READ GetGradient WRITE SetGradient)
    Q_PROPERTY(gfx::TBrushStyle AreaBrush READ GetAreaBrush WRITE SetAreaBrush)
    Q_PROPERTY(TChartBrush* AreaChartBrush READ GetAreaChartBrush WRITE SetAreaChartBrush)
    Q_PROPERTY(TColor AreaColor READ GetAreaColor WRITE SetAreaColor)
    Q_PROPERTY(TChartPen* AreaLinesPen READ GetAreaLinesPen WRITE SetAreaLinesPen)
    Q_PROPERTY(bool ClickableLine READ GetClickableLine WRITE SetClickableLine)
    Q_PROPERTY(bool Dark3D READ GetDark3D WRITE SetDark3D)
    Q_PROPERTY(bool DrawArea READ GetDrawArea WRITE SetDrawArea)
    Q_PROPERTY(bool InvertedStairs READ GetInvertedStairs WRITE SetInvertedStairs)
    Q_PROPERTY(SeriesEnums::TMultiArea MultiArea READ GetMultiArea WRITE SetMultiArea)
    Q_PROPERTY(TSeriesPointer* Pointer READ GetPointer WRITE SetPointer)
    Q_PROPERTY(bool Stairs READ GetStairs WRITE SetStairs)
    Q_PROPERTY(int Transparency READ GetTransparency WRITE SetTransparency)
    Q_PROPERTY(bool UseYOrigin READ GetUseYOrigin WRITE SetUseOrigin)
    Q_PROPERTY(double YOrigin READ GetYOrigin WRITE SetOrigin)

public:
    Q_INVOKABLE explicit TAreaSeries(QObject* owner = nullptr);

    void Assign(const TCustomChartElement& source) override;
    using TChartSeries::Assign;
    AnsiString GetEditorClass() const override { return "TAreaSeriesEditor"; }
    int GetOriginPos(int valueIndex) override;
    double MaxXValue() override;
    double MinXValue() override;
    double MaxYValue() override;
    double MinYValue() override;
    bool DrawSeriesForward(int valueIndex) const override;
    void PrepareLegendCanvas(int valueIndex, TColor& backColor, TBrushStyle& brushStyle) override;
    void DrawLegendShape(int valueIndex, const TRect& rect) override;
    void PrepareForGallery(bool enabled) override;
    void CreateSubGallery(const TChartSubGalleryProc& AddSubChart) override;
    void SetSubGallery(TChartSeries* series, int index) override;

    TMultiArea GetMultiArea() const;
    void SetMultiArea(TMultiArea value);
    bool GetUseYOrigin() const { return FUseYOrigin; }
    void SetUseOrigin(bool value) { SetBooleanProperty(FUseYOrigin, value); }
    double GetYOrigin() const { return FYOrigin; }
    void SetOrigin(double value) { SetDoubleProperty(FYOrigin, value); }

private:
    // A limit on the axis of the values takes in the origin when it is used.
    double OriginLimit(bool valueAxis, bool isMax, double plain) const;

    bool FUseYOrigin = false;
    double FYOrigin = 0;
};

class THorizAreaSeries : public TAreaSeries {
    Q_OBJECT

public:
    Q_INVOKABLE explicit THorizAreaSeries(QObject* owner = nullptr);

    void DrawMark(int valueIndex, const AnsiString& text, TSeriesMarkPosition& position) override;
    int NumSampleValues() const override { return 10; }
};
