#pragma once
// The framed box of the chart: titles, legend, walls, axis titles, marks and axis items
// derive from TTeeCustomShape, the series pointer from TTeeCustomShapeBrushPen. A shape
// holds brush, pen, colour, font, gradient, shadow, bevel, rounding and transparency and
// draws a rectangle, possibly rotated, with its shadow, fill, outline and bevel.
#include <array>

#include "chart/engine/TChartBrush.h"
#include "chart/engine/TChartPen.h"
#include "chart/engine/TPropertySetters.h"
#include "chart/engine/TeeFont.h"
#include "chart/engine/TeeGradient.h"
#include "chart/engine/TeePanelTypes.h"
#include "platform/TCustomPanel.h"
#include "platform/TPersistent.h"

class TCustomTeePanel;

class TTeeCustomShapeBrushPen : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(TChartBrush* Brush READ GetBrush WRITE SetBrush)
    Q_PROPERTY(TChartPen* Pen READ GetPen WRITE SetPen)
    Q_PROPERTY(bool Visible READ GetVisible WRITE SetVisible)
public:
    explicit TTeeCustomShapeBrushPen(TCustomTeePanel* AParent = nullptr);
    void Assign(TPersistent* Source) override;
    bool IsPropertyStored(const char* Name) const override;

    TChartBrush* GetBrush() const { return FBrush; }
    void SetBrush(TChartBrush* Value) { FBrush->Assign(Value); }
    TChartPen* GetPen() const { return FPen; }
    void SetPen(TChartPen* Value) { FPen->Assign(Value); }
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool Value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    TCustomTeePanel* ParentChart() const { return FParentChart; }
    // Only stores the panel.
    virtual void SetParent(TCustomTeePanel* Value) { FParentChart = Value; }
    // Invalidates the parent panel when there is one.
    void Repaint();
    // A change of the brush or pen.
    virtual void CanvasChanged(QObject* Sender);

protected:
    // Derived shapes that fill with another brush class install it here (the shape owns it).
    void ReplaceBrush(TChartBrush* NewBrush);

    TChartBrush* FBrush;
    TCustomTeePanel* FParentChart;
    TChartPen* FPen;
    bool FVisible = true;
};

// The plain stored values of a shape with their defaults (font, gradient and shadow are
// objects of their own).
struct TShapeSettings {
    TBevelCut Bevel = bvNone;
    int BevelWidth = 2;
    TColor Color = clWhite;
    TChartObjectShapeStyle ShapeStyle = fosRectangle;
    TTextFormat TextFormat = ttfNormal;
    bool Transparent = false;
    TTeeTransparency Transparency = 0;
};

class TTeeCustomShape : public TTeeCustomShapeBrushPen, public TPropertySetters<TTeeCustomShape> {
    Q_OBJECT
    Q_PROPERTY(panelenums::TBevelCut Bevel READ GetBevel WRITE SetBevel)
    Q_PROPERTY(int BevelWidth READ GetBevelWidth WRITE SetBevelWidth)
    Q_PROPERTY(TColor Color READ GetColor WRITE SetColor)
    Q_PROPERTY(TTeeFont* Font READ GetFont WRITE SetFont)
    Q_PROPERTY(TTeeGradient* Gradient READ GetGradient WRITE SetGradient)
    Q_PROPERTY(TTeeShadow* Shadow READ GetShadow WRITE SetShadow)
    Q_PROPERTY(teepanel::TChartObjectShapeStyle ShapeStyle READ GetShapeStyle WRITE SetShapeStyle)
    Q_PROPERTY(teepanel::TTextFormat TextFormat READ GetTextFormat WRITE SetTextFormat)
    Q_PROPERTY(int Transparency READ GetTransparency WRITE SetTransparency)
    Q_PROPERTY(bool Transparent READ GetTransparent WRITE SetTransparent)
    // Older chart files keep the shadow at shape level: read into Shadow, never written.
    Q_PROPERTY(TColor ShadowColor READ GetShadowColor WRITE SetShadowColor STORED false)
    Q_PROPERTY(int ShadowSize READ GetShadowSize WRITE SetShadowSize STORED false)
public:
    explicit TTeeCustomShape(TCustomTeePanel* AOwner = nullptr);
    ~TTeeCustomShape() override;
    void Assign(TPersistent* Source) override;
    bool IsPropertyStored(const char* Name) const override;

    // DrawRectRotated(ShapeBounds, 0, 0).
    void Draw();
    // The shape in Rect turned by Angle degrees about its centre, at depth Z.
    void DrawRectRotated(const TRect& Rect, double Angle = 0, int Z = 0);

    TBevelCut GetBevel() const { return FSettings.Bevel; }
    void SetBevel(TBevelCut Value) { SetProperty(FSettings.Bevel, Value); }
    int GetBevelWidth() const { return FSettings.BevelWidth; }
    void SetBevelWidth(int Value) { SetProperty(FSettings.BevelWidth, Value); }
    TColor GetColor() const { return FSettings.Color; }
    void SetColor(TColor Value);
    TTeeFont* GetFont() const { return FFont; }
    void SetFont(TTeeFont* Value) { FFont->Assign(Value); }
    // Created on first read; null frees it.
    TTeeGradient* GetGradient();
    void SetGradient(TTeeGradient* Value);
    TTeeGradient* StoredGradient() const { return FGradient; }
    // Created again on read after it was freed; null frees it.
    TTeeShadow* GetShadow();
    void SetShadow(TTeeShadow* Value);
    TTeeShadow* StoredShadow() const { return FShadow; }
    TChartObjectShapeStyle GetShapeStyle() const { return FSettings.ShapeStyle; }
    void SetShapeStyle(TChartObjectShapeStyle Value) { SetProperty(FSettings.ShapeStyle, Value); }
    TTextFormat GetTextFormat() const { return FSettings.TextFormat; }
    void SetTextFormat(TTextFormat Value) { SetProperty(FSettings.TextFormat, Value); }
    TTeeTransparency GetTransparency() const { return FSettings.Transparency; }
    // Percent 0..100.
    void SetTransparency(TTeeTransparency Value);
    bool GetTransparent() const { return FSettings.Transparent; }
    void SetTransparent(bool Value);
    // Transparent is stored only when it differs from this.
    bool DefaultTransparent = false;

    // The shadow at shape level, as older chart files store it.
    TColor GetShadowColor() const { return FShadow ? FShadow->GetColor() : clBlack; }
    void SetShadowColor(TColor Value) { GetShadow()->SetColor(Value); }
    int GetShadowSize() const { return FShadow ? FShadow->GetSize() : 3; }
    void SetShadowSize(int Value) { GetShadow()->SetSize(Value); }

    // Width and height are right - left + 1 and bottom - top + 1; setting them moves the
    // right or bottom edge.
    int GetWidth() const { return ShapeBounds.Right - ShapeBounds.Left + 1; }
    void SetWidth(int Value) { ShapeBounds.Right = ShapeBounds.Left + Value - 1; }
    int GetHeight() const { return ShapeBounds.Bottom - ShapeBounds.Top + 1; }
    void SetHeight(int Value) { ShapeBounds.Bottom = ShapeBounds.Top + Value - 1; }

    TRect ShapeBounds;

protected:
    // The shadow's colour and size (also its unstored defaults): black, 3.
    virtual void InitShadow(TTeeShadow* AShadow);
    // The gradient made on first read (shapes with other gradient defaults override it).
    virtual TTeeGradient* NewGradient();

private:
    friend class TPropertySetters<TTeeCustomShape>;
    void PropertyChanged() { Repaint(); }
    void ChildChanged(QObject* Sender) { CanvasChanged(Sender); }
    TShapeSettings FSettings;
    TTeeFont* FFont = nullptr;
    TTeeShadow* FShadow = nullptr;
    TTeeGradient* FGradient = nullptr;
};

// The published shape.
class TTeeShape : public TTeeCustomShape {
    Q_OBJECT
public:
    using TTeeCustomShape::TTeeCustomShape;
};

// The corners (left, top), (right, top), (right, bottom), (left, bottom) of Rect turned by
// Angle degrees about its centre.
void RectToFourPoints(const TRect& Rect, double Angle, std::array<TPoint, 4>& Points);
