#pragma once
// The persistent settings of a chart's 3D view, read by the canvas at every paint.
#include <functional>

#include "chart/engine/TPropertySetters.h"
#include "chart/engine/TeCanvasTypes.h"
#include "platform/TPersistent.h"

// The stored values with their defaults.
struct TView3DSettings {
    int Elevation = 345;
    int FontZoom = 100;
    int HorizOffset = 0;
    int OrthoAngle = 45;
    bool Orthogonal = true;
    int Perspective = 15;
    int Rotation = 345;
    int Tilt = 0;
    int VertOffset = 0;
    int Zoom = 100;
    bool ZoomText = true;
};

class TView3DOptions : public TPersistent, public TPropertySetters<TView3DOptions> {
    Q_OBJECT
    Q_PROPERTY(int Elevation READ GetElevation WRITE SetElevation)
    Q_PROPERTY(int FontZoom READ GetFontZoom WRITE SetFontZoom)
    Q_PROPERTY(int HorizOffset READ GetHorizOffset WRITE SetHorizOffset)
    Q_PROPERTY(int OrthoAngle READ GetOrthoAngle WRITE SetOrthoAngle)
    Q_PROPERTY(bool Orthogonal READ GetOrthogonal WRITE SetOrthogonal)
    Q_PROPERTY(int Perspective READ GetPerspective WRITE SetPerspective)
    Q_PROPERTY(int Rotation READ GetRotation WRITE SetRotation)
    Q_PROPERTY(int Tilt READ GetTilt WRITE SetTilt)
    Q_PROPERTY(int VertOffset READ GetVertOffset WRITE SetVertOffset)
    Q_PROPERTY(int Zoom READ GetZoom WRITE SetZoom)
    Q_PROPERTY(bool ZoomText READ GetZoomText WRITE SetZoomText)
public:
    // AParent is the control the options belong to; Repaint asks it to repaint later
    // through its invokable "Invalidate()" method, or QWidget::update when it has none.
    explicit TView3DOptions(QObject* AParent);
    void Assign(TPersistent* Source) override;
    bool IsPropertyStored(const char* Name) const override;

    void Repaint();
    // tan(OrthoAngle) folded into 0..90 degrees when orthogonal, else 1.
    double CalcOrthoRatio() const;

    int GetElevation() const { return FSettings.Elevation; }
    void SetElevation(int value) { SetProperty(FSettings.Elevation, value); }
    int GetFontZoom() const { return FSettings.FontZoom; }
    void SetFontZoom(int value) { SetProperty(FSettings.FontZoom, value); }
    int GetHorizOffset() const { return FSettings.HorizOffset; }
    void SetHorizOffset(int value);
    int GetOrthoAngle() const { return FSettings.OrthoAngle; }
    void SetOrthoAngle(int value) { SetProperty(FSettings.OrthoAngle, value); }
    bool GetOrthogonal() const { return FSettings.Orthogonal; }
    void SetOrthogonal(bool value) { SetProperty(FSettings.Orthogonal, value); }
    int GetPerspective() const { return FSettings.Perspective; }
    void SetPerspective(int value) { SetProperty(FSettings.Perspective, value); }
    int GetRotation() const { return FSettings.Rotation; }
    void SetRotation(int value) { SetProperty(FSettings.Rotation, value); }
    int GetTilt() const { return FSettings.Tilt; }
    void SetTilt(int value) { SetProperty(FSettings.Tilt, value); }
    int GetVertOffset() const { return FSettings.VertOffset; }
    void SetVertOffset(int value);
    int GetZoom() const { return FSettings.Zoom; }
    void SetZoom(int value);
    bool GetZoomText() const { return FSettings.ZoomText; }
    void SetZoomText(bool value) { SetProperty(FSettings.ZoomText, value); }

    QObject* Parent() const { return FParent; }
    // Argument: true for the horizontal offset.
    std::function<void(bool Horizontal)> OnScrolled;
    // Called with the new zoom before it is stored.
    std::function<void(int NewZoom)> OnChangedZoom;

private:
    friend class TPropertySetters<TView3DOptions>;
    void PropertyChanged() { Repaint(); }
    QObject* FParent;
    TView3DSettings FSettings;
};
