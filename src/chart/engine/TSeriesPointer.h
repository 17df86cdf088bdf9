#pragma once
// The marker a point series draws at each value, flat or as a 3D body; the callout that
// adds an arrow from a point to a second position; the callout of series marks, whose
// length lifts a mark above its point.
#include <algorithm>

#include "chart/engine/TChartPen.h"
#include "chart/engine/TPropertySetters.h"
#include "chart/engine/TTeeCustomShape.h"
#include "chart/engine/TeeGradient.h"

class TCanvas3D;
class TChartSeries;
class TSeriesMarkPosition;

enum TSeriesPointerStyle {
    psRectangle,
    psCircle,
    psTriangle,
    psDownTriangle,
    psCross,
    psDiagCross,
    psStar,
    psDiamond,
    psSmallDot,
    psNothing,
    psLeftTriangle,
    psRightTriangle
};

enum TArrowHeadStyle { ahNone, ahLine, ahSolid };

// Whether a callout's arrow that would vanish against its point or the chart background
// is drawn in a contrasting colour.
extern bool TeeCheckMarkArrowColor;

// The plain stored values of a pointer with their defaults.
struct TPointerSettings {
    bool Dark3D = true;
    bool Draw3D = true;
    int HorizSize = 4;
    bool InflateMargins = true;
    TSeriesPointerStyle Style = psRectangle;
    int Transparency = 0;
    int VertSize = 4;
};

class TSeriesPointer : public TTeeCustomShapeBrushPen, public TPropertySetters<TSeriesPointer> {
    Q_OBJECT
    Q_PROPERTY(bool Dark3D READ GetDark3D WRITE SetDark3D)
    Q_PROPERTY(bool Draw3D READ GetDraw3D WRITE SetDraw3D)
    Q_PROPERTY(TTeeGradient* Gradient READ GetGradient WRITE SetGradient)
    Q_PROPERTY(int HorizSize READ GetHorizSize WRITE SetHorizSize)
    Q_PROPERTY(bool InflateMargins READ GetInflateMargins WRITE SetInflate)
    Q_PROPERTY(int Style READ GetStyleValue WRITE SetStyleValue)
    Q_PROPERTY(int Transparency READ GetTransparency WRITE SetTransparency)
    Q_PROPERTY(int VertSize READ GetVertSize WRITE SetVertSize)
public:
    explicit TSeriesPointer(TChartSeries* series);
    ~TSeriesPointer() override;
    void Assign(TPersistent* Source) override;
    bool IsPropertyStored(const char* Name) const override;

    TChartSeries* Series() const { return FSeries; }
    bool GetDark3D() const { return FSettings.Dark3D; }
    void SetDark3D(bool Value) { SetProperty(FSettings.Dark3D, Value); }
    bool GetDraw3D() const { return FSettings.Draw3D; }
    void SetDraw3D(bool Value) { SetProperty(FSettings.Draw3D, Value); }
    TTeeGradient* GetGradient() const { return FGradient; }
    void SetGradient(TTeeGradient* Value) { FGradient->Assign(Value); }
    int GetHorizSize() const { return FSettings.HorizSize; }
    // Sizes below 1 raise ChartException and keep the old size.
    void SetHorizSize(int Value) { SetSizeField(FSettings.HorizSize, Value); }
    int GetVertSize() const { return FSettings.VertSize; }
    void SetVertSize(int Value) { SetSizeField(FSettings.VertSize, Value); }
    int GetSize() const { return std::max(FSettings.HorizSize, FSettings.VertSize); }
    void SetSize(int Value);
    bool GetInflateMargins() const { return FSettings.InflateMargins; }
    void SetInflate(bool Value) { SetProperty(FSettings.InflateMargins, Value); }
    TSeriesPointerStyle GetStyle() const { return FSettings.Style; }
    void SetStyle(TSeriesPointerStyle Value) { SetProperty(FSettings.Style, Value); }
    int GetTransparency() const { return FSettings.Transparency; }
    // A percentage: values outside are brought into range.
    void SetTransparency(int Value) { SetProperty(FSettings.Transparency, std::clamp(Value, 0, 100)); }
    TColor GetColor() const { return FBrush->GetColor(); }
    void SetColor(TColor Value) { FBrush->SetColor(Value); }

    // Changes made while a series draws: stored without a repaint.
    void ChangeStyle(TSeriesPointerStyle Value) { FSettings.Style = Value; }
    void ChangeHorizSize(int Value) { FSettings.HorizSize = Value; }
    void ChangeVertSize(int Value) { FSettings.VertSize = Value; }
    void Change3D(bool Value) { FSettings.Draw3D = Value; }

    // Changes of pen, brush and gradient repaint the series.
    void CanvasChanged(QObject* Sender) override;

    int GetStartZ() const;
    int GetMiddleZ() const;
    int GetEndZ() const;

    void CalcHorizMargins(int& Left, int& Right) const;
    void CalcVerticalMargins(int& Top, int& Bottom) const;
    // Pen and brush of the canvas for a point of colour Color.
    void Prepare();
    void PrepareCanvas(TCanvas3D* Canvas, TColor Color);
    void Draw(const TPoint& P) { Draw(P.X, P.Y); }
    void Draw(int X, int Y);
    void Draw(int X, int Y, TColor Color, TSeriesPointerStyle Style);
    void DrawPointer(TCanvas3D* Canvas, bool Is3D, int X, int Y, int HorizSize, int VertSize, TColor Color,
                     TSeriesPointerStyle Style);

    // Bubble-like series whose sizes come from their data clear it.
    bool AllowChangeSize = true;
    // When false, each drawing gives the gradient the point's colour as its end colour.
    bool KeepGradientColor = false;

protected:
    // Repaints the owner series (its chart), or the panel without a series.
    void RepaintOwner();
    friend class TPropertySetters<TSeriesPointer>;
    void PropertyChanged() { RepaintOwner(); }
    // The canvas and the 3D flag of the chart the pointer draws on.
    TCanvas3D* ChartCanvas() const;
    bool ChartView3D() const;

private:
    int GetStyleValue() const { return FSettings.Style; }
    void SetStyleValue(int Value) { SetStyle(static_cast<TSeriesPointerStyle>(Value)); }
    // Refuses sizes below 1 (ChartException) before anything changes.
    void SetSizeField(int& Field, int Value);
    void DrawGradient(TCanvas3D* Canvas, bool Is3D, int Left, int Top, int Right, int Bottom, int X, int Y,
                      TColor Color, TSeriesPointerStyle Style);

    TChartSeries* FSeries;
    TPointerSettings FSettings;
    TTeeGradient* FGradient = nullptr;
};

class TCallout : public TSeriesPointer {
    Q_OBJECT
    Q_PROPERTY(TChartPen* Arrow READ GetArrow WRITE SetArrow)
    Q_PROPERTY(int ArrowHead READ GetArrowHeadValue WRITE SetArrowHeadValue)
    Q_PROPERTY(int ArrowHeadSize READ GetArrowHeadSize WRITE SetArrowHeadSize)
    Q_PROPERTY(int Distance READ GetDistance WRITE SetDistance)
public:
    explicit TCallout(TChartSeries* series);
    void Assign(TPersistent* Source) override;
    bool IsPropertyStored(const char* Name) const override;

    TChartPen* GetArrow() const { return FArrow; }
    void SetArrow(TChartPen* Value) { FArrow->Assign(Value); }
    TArrowHeadStyle GetArrowHead() const { return FArrowHead; }
    void SetArrowHead(TArrowHeadStyle Value) { SetProperty(FArrowHead, Value); }
    int GetArrowHeadSize() const { return FArrowHeadSize; }
    void SetArrowHeadSize(int Value) { SetProperty(FArrowHeadSize, Value); }
    int GetDistance() const { return FDistance; }
    void SetDistance(int Value) { SetProperty(FDistance, Value); }
    // The arrow from ArrowFrom to ArrowTo at depth Z, and with no arrow head the pointer
    // shape at ArrowFrom.
    void Draw(TColor Color, const TPoint& ArrowFrom, const TPoint& ArrowTo, int Z);
    using TSeriesPointer::Draw;

private:
    int GetArrowHeadValue() const { return FArrowHead; }
    void SetArrowHeadValue(int Value) { SetArrowHead(static_cast<TArrowHeadStyle>(Value)); }

    TWhitePen* FArrow;
    TArrowHeadStyle FArrowHead = ahNone;
    int FDistance = 0;
    int FArrowHeadSize = 8;
};

class TMarksCallout : public TCallout {
    Q_OBJECT
    Q_PROPERTY(int Length READ GetLength WRITE SetLength)
public:
    explicit TMarksCallout(TChartSeries* series);
    void Assign(TPersistent* Source) override;
    bool IsPropertyStored(const char* Name) const override;

    int GetLength() const { return FLength; }
    void SetLength(int Value) { SetProperty(FLength, Value); }
    // Lifts the mark and its arrow end by Length + Distance, the arrow start by Distance.
    void ApplyArrowLength(TSeriesMarkPosition& Position) const;
    int DefaultLength = 8;

private:
    int FLength = 8;
};
