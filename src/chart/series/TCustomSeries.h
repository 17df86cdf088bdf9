#pragma once
// The common base of the series that join their points: line, horizontal line, point,
// area and horizontal area. Adds the point markers, the line as a 2D line or a 3D ribbon,
// the area under the line, stairs, stacking, per-point colours, darkened 3D faces,
// gradient, transparency, shadow, outline and the hit test. It draws point by point,
// keeping the previous point to draw each segment.
#include <functional>

#include "chart/engine/TSeriesPointer.h"
#include "chart/engine/TeeFont.h"
#include "chart/engine/TeeGradient.h"
#include "chart/series/ColumnStrokes.h"
#include "chart/series/SeriesEnums.h"
#include "chart/series/TCustomLineSeries.h"

class TCanvas3D;
class ISeriesHost;

// The stored values of the joined-point series with their defaults.
struct TCustomSeriesSettings {
    TColor AreaColor = clDefault;
    bool ClickableLine = true;
    bool ColorEachLine = true;
    bool Dark3D = true;
    bool DrawArea = false;
    bool DrawLine = false;
    bool InvertedStairs = false;
    int LineHeight = 0;
    TCustomSeriesStack Stacked = cssNone;
    bool Stairs = false;
    int Transparency = 0;
};

class TCustomSeries : public TCustomLineSeries {
    Q_OBJECT

public:
    explicit TCustomSeries(QObject* owner = nullptr);
    ~TCustomSeries() override;

    void Assign(const TCustomChartElement& source) override;
    using TChartSeries::Assign;
    AnsiString GetEditorClass() const override { return "TCustomSeriesEditor"; }
    void SetParentChart(IChartHost* value) override;
    void CalcHorizMargins(int& leftMargin, int& rightMargin) override;
    void CalcVerticalMargins(int& topMargin, int& bottomMargin) override;
    void CalcZOrder() override;
    void DrawAllValues() override;
    void DrawLegendShape(int valueIndex, const TRect& rect) override;
    void DrawMark(int valueIndex, const AnsiString& text, TSeriesMarkPosition& position) override;
    void DrawValue(int valueIndex) override;
    double MaxXValue() override;
    double MaxYValue() override;
    double MinXValue() override;
    double MinYValue() override;
    int CalcXPos(int valueIndex) const override;
    int CalcYPos(int valueIndex) const override;
    int Clicked(int x, int y) override;
    using TChartSeries::Clicked;

    // ---- operations added here, in order
    // Length of a mark's callout (length plus distance).
    virtual int CalcMarkLength(int valueIndex);
    virtual bool ClickedPointer(int valueIndex, int pX, int pY, int x, int y);
    virtual TTeeGradient* GetGradient() const { return FGradient; }
    virtual int GetTransparency() const { return FSettings.Transparency; }
    virtual void SetTransparency(int value) { SetProperty(FSettings.Transparency, value); }
    // Lets a series adjust its pointer for one point before it is drawn or hit.
    virtual void PreparePointer(int) {}
    // Screen position of the area's base at a point.
    virtual int GetOriginPos(int valueIndex);
    virtual void DrawPointer(int x, int y, TColor color, int valueIndex);
    // The pointer's style for a point: OnGetPointerStyle's answer when it is set.
    TSeriesPointerStyle PointerStyle(int valueIndex)
    {
        return OnGetPointerStyle ? OnGetPointerStyle(this, valueIndex) : FPointer->GetStyle();
    }

    // ---- stacking
    double PointOrigin(int valueIndex, bool sumAll) const;
    int CalcStackedPos(int valueIndex, double value) const;
    TCustomSeriesStack GetStacked() const { return FSettings.Stacked; }
    void SetStacked(TCustomSeriesStack value);

    // ---- properties
    TChartBrush* GetAreaChartBrush() const { return FAreaBrush; }
    void SetAreaChartBrush(TChartBrush* value) { FAreaBrush->Assign(value); }
    TBrushStyle GetAreaBrush() const { return FAreaBrush->GetStyle(); }
    void SetAreaBrush(TBrushStyle value) { FAreaBrush->SetStyle(value); }
    TColor GetAreaColor() const { return FSettings.AreaColor; }
    void SetAreaColor(TColor value) { SetColorProperty(FSettings.AreaColor, value); }
    TChartPen* GetAreaLinesPen() const { return FAreaLinesPen; }
    void SetAreaLinesPen(TChartPen* value) { FAreaLinesPen->Assign(value); }
    bool GetClickableLine() const { return FSettings.ClickableLine; }
    void SetClickableLine(bool value) { FSettings.ClickableLine = value; }
    bool GetColorEachLine() const { return FSettings.ColorEachLine; }
    void SetColorEachLine(bool value) { SetBooleanProperty(FSettings.ColorEachLine, value); }
    bool GetDark3D() const { return FSettings.Dark3D; }
    void SetDark3D(bool value) { SetBooleanProperty(FSettings.Dark3D, value); }
    bool GetDrawArea() const { return FSettings.DrawArea; }
    void SetDrawArea(bool value) { SetBooleanProperty(FSettings.DrawArea, value); }
    bool GetLineVisible() const { return FSettings.DrawLine; }
    bool GetInvertedStairs() const { return FSettings.InvertedStairs; }
    void SetInvertedStairs(bool value) { SetBooleanProperty(FSettings.InvertedStairs, value); }
    int GetLineHeight() const { return FSettings.LineHeight; }
    void SetLineHeight(int value) { SetIntegerProperty(FSettings.LineHeight, value); }
    TBrushStyle GetLineBrush() const { return Brush()->GetStyle(); }
    void SetLineBrush(TBrushStyle value) { Brush()->SetStyle(value); }
    TChartHiddenPen* GetOutLine() const { return FOutLine; }
    void SetOutLine(TChartHiddenPen* value) { FOutLine->Assign(value); }
    TSeriesPointer* GetPointer() const { return FPointer; }
    void SetPointer(TSeriesPointer* value) { FPointer->Assign(value); }
    TTeeShadow* GetShadow() const { return FShadow; }
    void SetShadow(TTeeShadow* value) { FShadow->Assign(value); }
    bool GetStairs() const { return FSettings.Stairs; }
    void SetStairs(bool value) { SetBooleanProperty(FSettings.Stairs, value); }
    void SetGradient(TTeeGradient* value) { FGradient->Assign(value); }
    // The area colour for a point of colour c.
    TColor GetAreaBrushColor(TColor c) const;

    std::function<void(TCustomSeries*, int valueIndex, int x, int y)> OnClickPointer;
    std::function<TSeriesPointerStyle(TCustomSeries*, int valueIndex)> OnGetPointerStyle;

protected:
    bool IsStacked() const { return FSettings.Stacked == cssStack || FSettings.Stacked == cssStack100; }
    void SetLineVisible(bool value) { FSettings.DrawLine = value; }

    TCustomSeriesSettings FSettings;
    TChartBrush* FAreaBrush = nullptr;
    TChartPen* FAreaLinesPen = nullptr;
    TChartHiddenPen* FOutLine = nullptr;
    TSeriesPointer* FPointer = nullptr;
    TTeeShadow* FShadow = nullptr;
    TTeeGradient* FGradient = nullptr;

private:
    // Both margins of an axis at least as wide as the stairs' line and the outline.
    void AddLineMargins(int& marginA, int& marginB) const;
    // An axis limit from the plain limit of the values: on the axis of the values, stacked
    // series reach to their highest (lowest) sum, stacked-100 ones span 0 to 100.
    double StackedLimit(bool valueAxis, bool isMax, double plain);
    void DrawSegment(int x, int y, TColor color, int valueIndex, bool isLast, bool withPointers);
    void DrawRibbon3D(int x, int y, TColor color, bool isLast);
    void DrawAreaPart(int x, int y, TColor color, bool isLast);
    void DrawLinePass();
    void FlushColumn();

    // Working state of a drawing pass.
    int FOriginPos = 0;
    int FPrevOrigin = 0;
    int FPrevX = 0;
    int FPrevY = 0;
    TColor FPrevColor = clNone;
    double FSlope = 1;
    // Vertical segments of a plain 2D line on one pixel column, and their pen colour.
    TColumnStrokes FColumn;
    TColor FColumnColor = clBlack;
};
