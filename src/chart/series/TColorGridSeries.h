#pragma once
// A grid of values seen from above as a flat picture of coloured cells: X across, Z up,
// each cell in the colour of its Y value. The cells are drawn as one picture stretched
// over the plot, optionally smoothed, with grid lines and a frame on top.
#include <memory>

#include "chart/series/TCustom3DGridSeries.h"
#include "platform/TBitmap.h"

// The cell picture: drawn with the pixels of its transparent colour left out while it is
// transparent (a grid with holes shows the chart behind them).
class TColorGridBitmap : public TBitmap {
    Q_OBJECT
public:
    using TBitmap::TBitmap;
    void Draw(TCanvas* ACanvas, const TRect& r) override;
    // White, unless a cell of the grid has that colour.
    TColor TransparentColor = clWhite;
};

// The stored values of a colour grid with their defaults.
struct TColorGridSettings {
    bool CenteredPoints = false;
    bool SmoothBitmap = false;
    int XGridEvery = 1;
    int ZGridEvery = 1;
};

class TColorGridSeries : public TCustom3DGridSeries {
    Q_OBJECT
    Q_PROPERTY(bool CenteredPoints READ GetCenteredPoints WRITE SetCenteredPoints)
    Q_PROPERTY(TChartHiddenPen* Frame READ GetFrame WRITE SetFrame)
    Q_PROPERTY(bool SmoothBitmap READ GetSmoothBitmap WRITE SetSmoothBitmap)
    Q_PROPERTY(int XGridEvery READ GetXGridEvery WRITE SetXGridEvery)
    Q_PROPERTY(int ZGridEvery READ GetZGridEvery WRITE SetZGridEvery)

public:
    Q_INVOKABLE explicit TColorGridSeries(QObject* owner = nullptr);
    ~TColorGridSeries() override;

    void Assign(const TCustomChartElement& source) override;
    using TChartSeries::Assign;
    AnsiString GetEditorClass() const override { return "TColorGridEditor"; }
    void CreateSubGallery(const TChartSubGalleryProc& AddSubChart) override;
    void DrawAllValues() override;
    void DrawMark(int valueIndex, const AnsiString& text, TSeriesMarkPosition& position) override;
    void SetSubGallery(TChartSeries* series, int index) override;
    double MaxXValue() override;
    double MinXValue() override;
    double MaxYValue() override { return MaxZValue(); }
    double MinYValue() override { return MinZValue(); }
    double MaxZValue() override;
    double MinZValue() override;
    int Clicked(int x, int y) override;
    using TChartSeries::Clicked;
    void GalleryChanged3D(bool is3D) override;
    void PrepareForGallery(bool enabled) override;
    bool IsPropertyStored(const char* Name) const override;

    // The points become the picture's pixels: X and Z from 1, Y and colour the pixel's
    // colour; the points are centred on their cells.
    void SetBitmap(TBitmap* bitmap);
    TBitmap* Bitmap() const { return FBitmap.get(); }

    double CalcMinValue(double value) const { return FSettings.CenteredPoints ? value - 0.5 : value; }
    double CalcMaxValue(double value) const;

    bool GetCenteredPoints() const { return FSettings.CenteredPoints; }
    void SetCenteredPoints(bool value) { SetBooleanProperty(FSettings.CenteredPoints, value); }
    TChartHiddenPen* GetFrame() const { return FFrame; }
    void SetFrame(TChartHiddenPen* value) { FFrame->Assign(value); }
    bool GetSmoothBitmap() const { return FSettings.SmoothBitmap; }
    void SetSmoothBitmap(bool value) { SetBooleanProperty(FSettings.SmoothBitmap, value); }
    int GetXGridEvery() const { return FSettings.XGridEvery; }
    void SetXGridEvery(int value) { SetIntegerProperty(FSettings.XGridEvery, value); }
    int GetZGridEvery() const { return FSettings.ZGridEvery; }
    void SetZGridEvery(int value) { SetIntegerProperty(FSettings.ZGridEvery, value); }

private:
    // First and last visible cell of one axis and the value range they cover; false when
    // no cell lies in view.
    struct TCellRange {
        int First = 0, Last = 0;
        double From = 0, To = 0;
    };
    bool VisibleCells(bool alongX, TCellRange& range) const;
    double CellLow(bool alongX, int cell) const;
    double CellHigh(bool alongX, int cell) const;
    // The cell under a value, 0 for none.
    int CellAt(bool alongX, double value) const;
    int CellCount(bool alongX) const;
    void DrawGridLines(const TRect& r);

    TColorGridSettings FSettings;
    TChartHiddenPen* FFrame;
    std::unique_ptr<TColorGridBitmap> FBitmap;
};
