#pragma once
// The chart font (with outline, shadow, gradient and character spacing) and the drop
// shadow of chart elements.
#include <algorithm>

#include "chart/engine/TChartPen.h"
#include "chart/engine/TeCanvasTypes.h"
#include "chart/engine/TeeGradient.h"
#include "platform/GraphicsObjects.h"

class TCanvas3D;
class TTeeCanvas;
class TTeeBlend;

class TTeeShadow : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(TColor Color READ GetColor WRITE SetColor)
    Q_PROPERTY(int HorizSize READ GetHorizSize WRITE SetHorizSize)
    Q_PROPERTY(bool Smooth READ GetSmooth WRITE SetSmooth)
    Q_PROPERTY(int Transparency READ GetTransparency WRITE SetTransparency)
    Q_PROPERTY(int VertSize READ GetVertSize WRITE SetVertSize)
public:
    explicit TTeeShadow(const TNotifyEvent& OnChangeEvent = {}, QObject* parent = nullptr);
    void Assign(TPersistent* Source) override;
    bool IsPropertyStored(const char* Name) const override;

    TColor GetColor() const { return FColor; }
    void SetColor(TColor value);
    int GetHorizSize() const { return FHorizSize; }
    void SetHorizSize(int value);
    bool GetSmooth() const { return FSmooth; }
    void SetSmooth(bool value);
    TTeeTransparency GetTransparency() const { return FTransparency; }
    void SetTransparency(TTeeTransparency value);
    int GetVertSize() const { return FVertSize; }
    void SetVertSize(int value);
    // max(HorizSize, VertSize); writing sets both.
    int GetSize() const { return std::max(FHorizSize, FVertSize); }
    void SetSize(int value);

    // Drawing of the shadow (see the canvas's shadow code).
    bool PrepareCanvas(TCanvas3D* Canvas, const TRect& R, int Z = 0);
    void Draw(TCanvas3D* Canvas, const TRect& R) { Draw(Canvas, R, 0); }
    void Draw(TCanvas3D* Canvas, const TRect& R, int Z);
    void DrawEllipse(TCanvas3D* Canvas, const TRect& R, int Z = 0);
    void FinishBlending(TCanvas3D* Canvas);

    TNotifyEvent OnChange;
    // Owners set their own defaults; they decide what is stored.
    TColor DefaultColor = clSilver;
    int DefaultSize = 0;

protected:
    void Changed();
    TTeeBlend* FBlend = nullptr;

private:
    TColor FColor = clSilver;
    int FHorizSize = 0;
    bool FSmooth = true;
    TTeeTransparency FTransparency = 0;
    int FVertSize = 0;
};

class TTeeFont : public TFont {
    Q_OBJECT
    Q_PROPERTY(int InterCharSize READ GetInterCharSize WRITE SetInterCharSize)
    Q_PROPERTY(TChartHiddenPen* OutLine READ GetOutLine WRITE SetOutLine)
    Q_PROPERTY(TTeeShadow* Shadow READ GetShadow WRITE SetShadow)
    Q_PROPERTY(TTeeFontGradient* Gradient READ GetGradient WRITE SetGradient)
public:
    explicit TTeeFont(const TNotifyEvent& OnChangeEvent = {}, QObject* parent = nullptr);
    ~TTeeFont() override;
    void Assign(TPersistent* Source) override;
    bool IsPropertyStored(const char* Name) const override;

    int GetInterCharSize() const { return FInterCharSize; }
    void SetInterCharSize(int value);
    // Sub-objects are created on first read; setting null frees them, otherwise the value
    // is copied.
    TChartHiddenPen* GetOutLine();
    void SetOutLine(TChartHiddenPen* value);
    TTeeShadow* GetShadow();
    void SetShadow(TTeeShadow* value);
    TTeeFontGradient* GetGradient();
    void SetGradient(TTeeFontGradient* value);
    // The sub-objects if they exist (not created).
    TChartHiddenPen* StoredOutLine() const { return FOutLine; }
    TTeeShadow* StoredShadow() const { return FShadow; }
    TTeeFontGradient* StoredGradient() const { return FGradient; }

    // The canvas this font was last assigned to (AssignFont).
    TTeeCanvas* FCanvas = nullptr;

private:
    void SubChanged();
    int FInterCharSize = 0;
    TChartHiddenPen* FOutLine = nullptr;
    TTeeShadow* FShadow = nullptr;
    TTeeFontGradient* FGradient = nullptr;
};
