#pragma once
// The lightweight line series of the live curves: consecutive points joined by straight
// lines on the canvas pen, no pointers, areas or stacking. Redrawing costs follow the
// pixel columns, not the points, and an added point can be drawn as one new segment.
#include <memory>

#include "chart/series/ColumnStrokes.h"
#include "chart/series/TCustomLineSeries.h"

// The stored fast-line values with their defaults.
struct TFastLineSettings {
    bool AutoRepaint = true;
    bool DrawAllPoints = true;
    bool FastPen = false;
    bool IgnoreNulls = true;
    bool InvertedStairs = false;
    bool Stairs = false;
};

class TFastLineSeries : public TCustomLineSeries {
    Q_OBJECT
    Q_PROPERTY(bool AutoRepaint READ GetAutoRepaint WRITE SetAutoRepaint)
    Q_PROPERTY(bool DrawAllPoints READ GetDrawAllPoints WRITE SetDrawAll)
    Q_PROPERTY(bool IgnoreNulls READ GetIgnoreNulls WRITE SetIgnoreNulls)
    Q_PROPERTY(bool InvertedStairs READ GetInvertedStairs WRITE SetInvertedStairs)
    Q_PROPERTY(bool Stairs READ GetStairs WRITE SetStairs)

public:
    Q_INVOKABLE explicit TFastLineSeries(QObject* owner = nullptr);

    void Assign(const TCustomChartElement& source) override;
    using TChartSeries::Assign;
    AnsiString GetEditorClass() const override { return "TFastLineSeriesEditor"; }
    void SetPen(TChartPen* value) override;
    void SetSeriesColor(TColor value) override;
    void CalcHorizMargins(int& leftMargin, int& rightMargin) override;
    void CalcVerticalMargins(int& topMargin, int& bottomMargin) override;
    void CreateSubGallery(const TChartSubGalleryProc& AddSubChart) override;
    void SetSubGallery(TChartSeries* series, int index) override;
    void CalcInFactOrderedRange() override;
    void DrawAllValues() override;
    void DrawValue(int valueIndex) override;
    void DrawLegendShape(int valueIndex, const TRect& rect) override;
    void DrawMark(int valueIndex, const AnsiString& text, TSeriesMarkPosition& position) override;
    void NotifyNewValue(TChartSeries* sender, int valueIndex) override;
    void PrepareLegendCanvas(int valueIndex, TColor& backColor, TBrushStyle& brushStyle) override;
    int Clicked(int x, int y) override;
    using TChartSeries::Clicked;

    bool GetAutoRepaint() const { return FSettings.AutoRepaint; }
    void SetAutoRepaint(bool value) { FSettings.AutoRepaint = value; }
    bool GetDrawAllPoints() const { return FSettings.DrawAllPoints; }
    void SetDrawAll(bool value) { SetBooleanProperty(FSettings.DrawAllPoints, value); }
    bool GetFastPen() const { return FSettings.FastPen; }
    // This platform has no stock device pen whose colour can be set directly, so the
    // setting is refused and added segments keep using LinePen.
    void SetFastPen(bool) {}
    bool GetIgnoreNulls() const { return FSettings.IgnoreNulls; }
    void SetIgnoreNulls(bool value) { SetBooleanProperty(FSettings.IgnoreNulls, value); }
    bool GetInvertedStairs() const { return FSettings.InvertedStairs; }
    void SetInvertedStairs(bool value) { SetBooleanProperty(FSettings.InvertedStairs, value); }
    bool GetStairs() const { return FSettings.Stairs; }
    void SetStairs(bool value) { SetBooleanProperty(FSettings.Stairs, value); }

    // Screen position of a point through the series' axes (no stacking, no origin).
    void CalcPosition(int valueIndex, int& x, int& y) const;
    // Moves the canvas pen, in 3D at the series' middle depth.
    void DoMove(int x, int y);
    // LinePen on the canvas, clear brush, transparent background.
    void PrepareCanvas();

    // Start of the next segment: the last point drawn or moved to.
    int LastX = 0;
    int LastY = 0;

private:
    // Segments are gathered and handed to the canvas in runs.
    void LineTo(int x, int y)
    {
        if (FLineCount == kLineRun) FlushLines();
        FLines[FLineCount++] = TPoint(x, y);
    }
    void FlushLines();
    // The segment (with its stair) from the last point on another column to (x, y).
    void StepTo(int fromX, int fromY, int x, int y)
    {
        if (FSettings.Stairs) {
            if (FSettings.InvertedStairs)
                LineTo(fromX, y);
            else
                LineTo(x, fromY);
        }
        LineTo(x, y);
    }
    void FlushColumn();
    // The point at pixel (x, y): a segment, a column stroke or, for a null, a gap.
    void DrawPoint(int valueIndex, int x, int y);

    TFastLineSettings FSettings;

    TCanvas3D* FCanvas = nullptr;
    bool FIs3D = false;
    bool FInPass = false;
    // Points on the pen's pixel column, drawn when the line leaves it.
    TColumnStrokes FColumn;
    static constexpr int kLineRun = 256;
    std::unique_ptr<TPoint[]> FLines{new TPoint[kLineRun]};
    int FLineCount = 0;
};
