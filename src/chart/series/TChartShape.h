#pragma once
// One figure (rectangle, ellipse, lines, triangles, diamond, cube, crosses, star, pyramids)
// with optional lines of text, placed in chart pixels or in axis values. Its two corners
// are the series' two points.
#include <QStringList>
#include <vector>

#include "chart/engine/TChartSeries.h"
#include "chart/engine/TChartTitle.h"
#include "chart/engine/TeeFont.h"
#include "chart/engine/TeeGradient.h"
#include "chart/series/ExtraSeriesEnums.h"

class TCanvas3D;

// The stored shape values with their defaults (the corners are the series' points).
struct TChartShapeSettings {
    titleenums::TAlignment Alignment = taCenter;
    bool RoundRectangle = false;
    TChartShapeStyle Style = chasCircle;
    std::vector<AnsiString> Text;
    bool Transparent = false;
    TTeeVertAlign VertAlign = vaCenter;
    TChartShapeXYStyle XYStyle = xysAxis;
};

class TChartShape : public TChartSeries {
    Q_OBJECT
    Q_PROPERTY(titleenums::TAlignment Alignment READ GetAlignment WRITE SetAlignment)
    Q_PROPERTY(TTeeFont* Font READ GetFont WRITE SetFont)
    Q_PROPERTY(TTeeGradient* Gradient READ GetGradient WRITE SetGradient)
    Q_PROPERTY(bool RoundRectangle READ GetRoundRectangle WRITE SetRoundRectangle)
    Q_PROPERTY(ExtraSeriesEnums::TChartShapeStyle Style READ GetStyle WRITE SetStyle)
    Q_PROPERTY(QStringList Text READ GetTextList WRITE SetTextList)
    Q_PROPERTY(bool Transparent READ GetTransparent WRITE SetTransparent)
    Q_PROPERTY(ExtraSeriesEnums::TTeeVertAlign VertAlign READ GetVertAlign WRITE SetVertAlign)
    Q_PROPERTY(ExtraSeriesEnums::TChartShapeXYStyle XYStyle READ GetXYStyle WRITE SetXYStyle)
    Q_PROPERTY(double X0 READ GetX0 WRITE SetX0)
    Q_PROPERTY(double Y0 READ GetY0 WRITE SetY0)
    Q_PROPERTY(double X1 READ GetX1 WRITE SetX1)
    Q_PROPERTY(double Y1 READ GetY1 WRITE SetY1)

public:
    Q_INVOKABLE explicit TChartShape(QObject* owner = nullptr);
    ~TChartShape() override;

    void Assign(const TCustomChartElement& source) override;
    using TChartSeries::Assign;
    AnsiString GetEditorClass() const override { return "TChartShapeEditor"; }
    void CalcZOrder() override;
    void CreateSubGallery(const TChartSubGalleryProc& AddSubChart) override;
    void DrawLegendShape(int valueIndex, const TRect& rect) override;
    void DrawValue(int valueIndex) override;
    bool MoreSameZOrder() const override { return false; }
    void SetSeriesColor(TColor value) override;
    void SetSubGallery(TChartSeries* series, int index) override;
    int Clicked(int x, int y) override;
    using TChartSeries::Clicked;
    bool UseAxis() const override { return FSettings.XYStyle != xysPixels; }
    void PrepareForGallery(bool enabled) override;
    void AddSampleValues(int numValues, bool onlyMandatory = false) override;
    bool IsValidSourceOf(TChartSeries* series) const override;
    bool IsPropertyStored(const char* Name) const override;

    // The shape's rectangle in pixels, as the corners give it (not ordered).
    virtual TRect GetShapeRectangle() const;
    virtual void SetText(const std::vector<AnsiString>& value);
    const std::vector<AnsiString>& Text() const { return FSettings.Text; }

    // Left <= Right and Top <= Bottom, an empty side widened to one pixel.
    TRect GetAdjustedRectangle() const;
    // Places the shape in chart pixels at R.
    void SetShapeRectangle(const TRect& r);
    void AddDefaultPoints();
    void DrawShape(bool is3D, const TRect& r);

    titleenums::TAlignment GetAlignment() const { return FSettings.Alignment; }
    void SetAlignment(titleenums::TAlignment value) { SetProperty(FSettings.Alignment, value); }
    TTeeFont* GetFont() const { return FFont; }
    void SetFont(TTeeFont* value) { FFont->Assign(value); }
    TTeeGradient* GetGradient() const { return FGradient; }
    void SetGradient(TTeeGradient* value) { FGradient->Assign(value); }
    bool GetRoundRectangle() const { return FSettings.RoundRectangle; }
    void SetRoundRectangle(bool value) { SetBooleanProperty(FSettings.RoundRectangle, value); }
    TChartShapeStyle GetStyle() const { return FSettings.Style; }
    void SetStyle(TChartShapeStyle value) { SetProperty(FSettings.Style, value); }
    QStringList GetTextList() const;
    void SetTextList(const QStringList& value);
    bool GetTransparent() const { return FSettings.Transparent; }
    void SetTransparent(bool value) { SetBooleanProperty(FSettings.Transparent, value); }
    TTeeVertAlign GetVertAlign() const { return FSettings.VertAlign; }
    void SetVertAlign(TTeeVertAlign value) { SetProperty(FSettings.VertAlign, value); }
    TChartShapeXYStyle GetXYStyle() const { return FSettings.XYStyle; }
    void SetXYStyle(TChartShapeXYStyle value) { SetProperty(FSettings.XYStyle, value); }

    // The corners are the values of points 0 and 1; a series left with fewer than two
    // points gets its default points back first.
    double GetX0() const { return CornerValue(FX, 0); }
    double GetY0() const { return CornerValue(FY, 0); }
    double GetX1() const { return CornerValue(FX, 1); }
    double GetY1() const { return CornerValue(FY, 1); }
    void SetX0(double value) { SetCorner(FX, 0, value); }
    void SetY0(double value) { SetCorner(FY, 0, value); }
    void SetX1(double value) { SetCorner(FX, 1, value); }
    void SetY1(double value) { SetCorner(FY, 1, value); }

private:
    double CornerValue(TChartValueList* list, int index) const;
    void SetCorner(TChartValueList* list, int index, double value);
    void EnsurePoints();
    void ChangeToManual();
    void DrawText(const TRect& r);

    TChartShapeSettings FSettings;
    TTeeFont* FFont;
    TTeeGradient* FGradient;
};

// Enters the shape series into the library's series-type list (once).
void RegisterTeeShapeSeries();
