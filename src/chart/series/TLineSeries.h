#pragma once
// Points joined by a line (no markers by default), and the same along the vertical axis.
#include "chart/series/TCustomSeries.h"

class TLineSeries : public TCustomSeries {
    Q_OBJECT
    Q_PROPERTY(bool ColorEachLine READ GetColorEachLine WRITE SetColorEachLine)
    Q_PROPERTY(TTeeShadow* Shadow READ GetShadow WRITE SetShadow)
    Q_PROPERTY(SeriesEnums::TCustomSeriesStack Stacked READ GetStacked WRITE SetStacked)
    Q_PROPERTY(bool ClickableLine READ GetClickableLine WRITE SetClickableLine)
    Q_PROPERTY(bool Dark3D READ GetDark3D WRITE SetDark3D)
    Q_PROPERTY(bool InvertedStairs READ GetInvertedStairs WRITE SetInvertedStairs)
    Q_PROPERTY(gfx::TBrushStyle LineBrush READ GetLineBrush WRITE SetLineBrush)
    Q_PROPERTY(int LineHeight READ GetLineHeight WRITE SetLineHeight)
    Q_PROPERTY(TChartHiddenPen* OutLine READ GetOutLine WRITE SetOutLine)
    Q_PROPERTY(TSeriesPointer* Pointer READ GetPointer WRITE SetPointer)
    Q_PROPERTY(bool Stairs READ GetStairs WRITE SetStairs)

public:
    Q_INVOKABLE explicit TLineSeries(QObject* owner = nullptr);

    void Assign(const TCustomChartElement& source) override;
    using TChartSeries::Assign;
    void PrepareLegendCanvas(int valueIndex, TColor& backColor, TBrushStyle& brushStyle) override;
    void CreateSubGallery(const TChartSubGalleryProc& AddSubChart) override;
    void SetSubGallery(TChartSeries* series, int index) override;
};

class THorizLineSeries : public TLineSeries {
    Q_OBJECT

public:
    Q_INVOKABLE explicit THorizLineSeries(QObject* owner = nullptr);

    int CalcMarkLength(int valueIndex) override;
    void DrawMark(int valueIndex, const AnsiString& text, TSeriesMarkPosition& position) override;
};
