#pragma once
// Gradient settings of panels, walls, legends, series and fonts. The drawing operations are
// declared here with the settings; they live in the canvas's gradient code.
#include <span>
#include <vector>

#include "chart/engine/TPropertySetters.h"
#include "chart/engine/TeCanvasTypes.h"
#include "platform/TPersistent.h"

class TTeeCanvas;
class TCanvas3D;

// The stored values with their defaults.
struct TGradientSettings {
    int Balance = 50;
    TGradientDirection Direction = gdTopBottom;
    TColor EndColor = clYellow;
    TColor MidColor = clNone;
    int RadialX = 0;
    int RadialY = 0;
    TColor StartColor = clWhite;
    bool Visible = false;
    bool UseMiddle = false;
};

class TCustomTeeGradient : public TPersistent, public TPropertySetters<TCustomTeeGradient> {
    Q_OBJECT
    Q_PROPERTY(int Balance READ GetBalance WRITE SetBalance)
    Q_PROPERTY(teecanvas::TGradientDirection Direction READ GetDirection WRITE SetDirection)
    Q_PROPERTY(TColor EndColor READ GetEndColor WRITE SetEndColor)
    Q_PROPERTY(TColor MidColor READ GetMidColor WRITE SetMidColor)
    Q_PROPERTY(TColor StartColor READ GetStartColor WRITE SetStartColor)
    Q_PROPERTY(bool Visible READ GetVisible WRITE SetVisible)
public:
    explicit TCustomTeeGradient(const TNotifyEvent& OnChangeEvent = {}, QObject* parent = nullptr);
    void Assign(TPersistent* Source) override;

    int GetBalance() const { return FSettings.Balance; }
    void SetBalance(int value) { SetProperty(FSettings.Balance, value); }
    TGradientDirection GetDirection() const { return FSettings.Direction; }
    void SetDirection(TGradientDirection value) { SetProperty(FSettings.Direction, value); }
    TColor GetEndColor() const { return FSettings.EndColor; }
    void SetEndColor(TColor value) { SetProperty(FSettings.EndColor, value); }
    // clNone while the middle colour is not in use.
    TColor GetMidColor() const { return FSettings.UseMiddle ? FSettings.MidColor : clNone; }
    void SetMidColor(TColor value);
    void UseMiddleColor();
    bool UsesMiddleColor() const { return FSettings.UseMiddle; }
    int GetRadialX() const { return FSettings.RadialX; }
    void SetRadialX(int value) { SetProperty(FSettings.RadialX, value); }
    int GetRadialY() const { return FSettings.RadialY; }
    void SetRadialY(int value) { SetProperty(FSettings.RadialY, value); }
    TColor GetStartColor() const { return FSettings.StartColor; }
    void SetStartColor(TColor value) { SetProperty(FSettings.StartColor, value); }
    bool GetVisible() const { return FSettings.Visible; }
    void SetVisible(bool value) { SetProperty(FSettings.Visible, value); }

    // Fills Rect (rounded corners of RoundRectSize when > 0).
    void Draw(TTeeCanvas* Canvas, const TRect& Rect, int RoundRectSize = 0);
    // Fills the quadrilateral P.
    void Draw(TTeeCanvas* Canvas, const TPoint (&P)[4]);
    // Fills the quadrilateral P mapped at depth Z.
    void Draw(TCanvas3D* Canvas, const TPoint (&P)[4], int Z);
    // Fills a polygon, mapped at depth Z when Is3D.
    void Draw(TCanvas3D* Canvas, std::span<const TPoint> Points, int Z, bool Is3D);
    void DrawRadial(TTeeCanvas* Canvas, const TRect& Rect);

    TNotifyEvent OnChange;

protected:
    void DoChanged();

private:
    friend class TPropertySetters<TCustomTeeGradient>;
    void PropertyChanged() { DoChanged(); }
    TGradientSettings FSettings;
};

// Adds the centre offset of radial fills to the stored settings.
class TTeeGradient : public TCustomTeeGradient {
    Q_OBJECT
    Q_PROPERTY(int RadialX READ GetRadialX WRITE SetRadialX)
    Q_PROPERTY(int RadialY READ GetRadialY WRITE SetRadialY)
public:
    using TCustomTeeGradient::TCustomTeeGradient;
    bool IsPropertyStored(const char* Name) const override;
};

class TTeeFontGradient : public TTeeGradient {
    Q_OBJECT
    Q_PROPERTY(bool Outline READ GetOutline WRITE SetOutline)
public:
    using TTeeGradient::TTeeGradient;
    void Assign(TPersistent* Source) override;
    bool IsPropertyStored(const char* Name) const override;
    // The gradient also fills the outline of the text.
    bool GetOutline() const { return FOutline; }
    void SetOutline(bool value) { SetProperty(FOutline, value); }

private:
    bool FOutline = false;
};
