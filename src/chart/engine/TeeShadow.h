#pragma once
// The drop shadow of chart elements and fonts: its colour, size, smoothing and transparency,
// and its drawing as plain strips, strips fading towards white, or an ellipse.
#include <algorithm>

#include "chart/engine/TPropertySetters.h"
#include "chart/engine/TeCanvasTypes.h"
#include "platform/GraphicsObjects.h"

class TCanvas3D;
class TTeeBlend;

// The stored values with their defaults.
struct TShadowSettings {
    TColor Color = clSilver;
    int HorizSize = 0;
    bool Smooth = true;
    TTeeTransparency Transparency = 0;
    int VertSize = 0;
};

class TTeeShadow : public TPersistent, public TPropertySetters<TTeeShadow> {
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

    TColor GetColor() const { return FSettings.Color; }
    void SetColor(TColor value) { SetProperty(FSettings.Color, value); }
    int GetHorizSize() const { return FSettings.HorizSize; }
    void SetHorizSize(int value) { SetProperty(FSettings.HorizSize, value); }
    bool GetSmooth() const { return FSettings.Smooth; }
    void SetSmooth(bool value) { SetProperty(FSettings.Smooth, value); }
    TTeeTransparency GetTransparency() const { return FSettings.Transparency; }
    void SetTransparency(TTeeTransparency value) { SetProperty(FSettings.Transparency, value); }
    int GetVertSize() const { return FSettings.VertSize; }
    void SetVertSize(int value) { SetProperty(FSettings.VertSize, value); }
    // max(HorizSize, VertSize); writing sets both.
    int GetSize() const { return std::max(FSettings.HorizSize, FSettings.VertSize); }
    void SetSize(int value);

    // Drawing of the shadow.
    bool PrepareCanvas(TCanvas3D* Canvas, const TRect& R, int Z = 0);
    void Draw(TCanvas3D* Canvas, const TRect& R) { Draw(Canvas, R, 0); }
    void Draw(TCanvas3D* Canvas, const TRect& R, int Z);
    void DrawEllipse(TCanvas3D* Canvas, const TRect& R, int Z = 0);
    void FinishBlending(TCanvas3D* Canvas);

    TNotifyEvent OnChange;
    // Owners set their own defaults; they decide what is stored.
    TColor DefaultColor = clSilver;
    int DefaultSize = 0;
    // An owner's defaults: colour and size set without a change notice and kept as the
    // values that are not stored.
    void InitDefaults(TColor Color, int Size);

protected:
    void Changed();
    TTeeBlend* FBlend = nullptr;

private:
    friend class TPropertySetters<TTeeShadow>;
    void PropertyChanged() { Changed(); }
    TShadowSettings FSettings;
};
