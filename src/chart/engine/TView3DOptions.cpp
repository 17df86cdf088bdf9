#include "chart/engine/TView3DOptions.h"

#include <QWidget>
#include <cmath>

#include "platform/StoreChanged.h"
#include "platform/StoredRules.h"

TView3DOptions::TView3DOptions(QObject* AParent) : TPersistent(nullptr), FParent(AParent) {}

void TView3DOptions::Repaint()
{
    if (!FParent) return;
    if (FParent->metaObject()->indexOfMethod("Invalidate()") >= 0)
        QMetaObject::invokeMethod(FParent, "Invalidate", Qt::DirectConnection);
    else if (auto* w = qobject_cast<QWidget*>(FParent))
        w->update();
}

void TView3DOptions::SetHorizOffset(int value)
{
    if (!StoreChanged(FSettings.HorizOffset, value)) return;
    Repaint();
    if (OnScrolled) OnScrolled(true);
}

void TView3DOptions::SetVertOffset(int value)
{
    if (!StoreChanged(FSettings.VertOffset, value)) return;
    Repaint();
    if (OnScrolled) OnScrolled(false);
}

void TView3DOptions::SetZoom(int value)
{
    if (FSettings.Zoom == value) return;
    if (OnChangedZoom) OnChangedZoom(value);
    FSettings.Zoom = value;
    Repaint();
}

void TView3DOptions::Assign(TPersistent* Source)
{
    if (!AssignRecord(this, &TView3DOptions::FSettings, Source)) TPersistent::Assign(Source);
}

bool TView3DOptions::IsPropertyStored(const char* Name) const
{
    static const TView3DSettings defaults;
    const TStoredRule rules[] = {
        {"Elevation", FSettings.Elevation != defaults.Elevation},
        {"FontZoom", FSettings.FontZoom != defaults.FontZoom},
        {"HorizOffset", FSettings.HorizOffset != defaults.HorizOffset},
        {"OrthoAngle", FSettings.OrthoAngle != defaults.OrthoAngle},
        {"Orthogonal", FSettings.Orthogonal != defaults.Orthogonal},
        {"Perspective", FSettings.Perspective != defaults.Perspective},
        {"Rotation", FSettings.Rotation != defaults.Rotation},
        {"Tilt", FSettings.Tilt != defaults.Tilt},
        {"VertOffset", FSettings.VertOffset != defaults.VertOffset},
        {"Zoom", FSettings.Zoom != defaults.Zoom},
        {"ZoomText", FSettings.ZoomText != defaults.ZoomText},
    };
    if (const auto stored = StoredByRule(rules, Name)) return *stored;
    return TPersistent::IsPropertyStored(Name);
}

double TView3DOptions::CalcOrthoRatio() const
{
    if (!FSettings.Orthogonal) return 1.0;
    double a = FSettings.OrthoAngle;
    if (a > 90) a = 180 - a;
    const double r = a * TeePiStep;
    return std::sin(r) / std::cos(r);
}
