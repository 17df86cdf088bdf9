#include "chart/engine/TView3DOptions.h"

#include "platform/StoreChanged.h"

#include <QWidget>
#include <cmath>
#include <cstring>

TView3DOptions::TView3DOptions(QObject* AParent) : TPersistent(nullptr), FParent(AParent) {}

void TView3DOptions::Repaint()
{
    if (!FParent) return;
    if (FParent->metaObject()->indexOfMethod("Invalidate()") >= 0)
        QMetaObject::invokeMethod(FParent, "Invalidate", Qt::DirectConnection);
    else if (auto* w = qobject_cast<QWidget*>(FParent))
        w->update();
}

void TView3DOptions::SetIntegerProperty(int& field, int value)
{
    if (StoreChanged(field, value)) Repaint();
}

void TView3DOptions::SetBooleanProperty(bool& field, bool value)
{
    if (StoreChanged(field, value)) Repaint();
}

void TView3DOptions::SetElevation(int value)
{
    SetIntegerProperty(FElevation, value);
}
void TView3DOptions::SetFontZoom(int value)
{
    SetIntegerProperty(FFontZoom, value);
}
void TView3DOptions::SetOrthoAngle(int value)
{
    SetIntegerProperty(FOrthoAngle, value);
}
void TView3DOptions::SetOrthogonal(bool value)
{
    SetBooleanProperty(FOrthogonal, value);
}
void TView3DOptions::SetPerspective(int value)
{
    SetIntegerProperty(FPerspective, value);
}
void TView3DOptions::SetRotation(int value)
{
    SetIntegerProperty(FRotation, value);
}
void TView3DOptions::SetTilt(int value)
{
    SetIntegerProperty(FTilt, value);
}
void TView3DOptions::SetZoomText(bool value)
{
    SetBooleanProperty(FZoomText, value);
}

void TView3DOptions::SetHorizOffset(int value)
{
    if (!StoreChanged(FHorizOffset, value)) return;
    Repaint();
    if (OnScrolled) OnScrolled(true);
}

void TView3DOptions::SetVertOffset(int value)
{
    if (!StoreChanged(FVertOffset, value)) return;
    Repaint();
    if (OnScrolled) OnScrolled(false);
}

void TView3DOptions::SetZoom(int value)
{
    if (FZoom == value) return;
    if (OnChangedZoom) OnChangedZoom(value);
    FZoom = value;
    Repaint();
}

void TView3DOptions::Assign(TPersistent* Source)
{
    if (auto* o = qobject_cast<TView3DOptions*>(Source)) {
        FElevation = o->FElevation;
        FFontZoom = o->FFontZoom;
        FHorizOffset = o->FHorizOffset;
        FOrthoAngle = o->FOrthoAngle;
        FOrthogonal = o->FOrthogonal;
        FPerspective = o->FPerspective;
        FRotation = o->FRotation;
        FTilt = o->FTilt;
        FVertOffset = o->FVertOffset;
        FZoom = o->FZoom;
        FZoomText = o->FZoomText;
        return;
    }
    TPersistent::Assign(Source);
}

bool TView3DOptions::IsPropertyStored(const char* Name) const
{
    struct Default {
        const char* name;
        bool stored;
    };
    const Default table[] = {
        {"Elevation", FElevation != 345},   {"FontZoom", FFontZoom != 100},
        {"HorizOffset", FHorizOffset != 0}, {"OrthoAngle", FOrthoAngle != 45},
        {"Orthogonal", !FOrthogonal},       {"Perspective", FPerspective != 15},
        {"Rotation", FRotation != 345},     {"Tilt", FTilt != 0},
        {"VertOffset", FVertOffset != 0},   {"Zoom", FZoom != 100},
        {"ZoomText", !FZoomText},
    };
    for (const Default& d : table)
        if (std::strcmp(Name, d.name) == 0) return d.stored;
    return TPersistent::IsPropertyStored(Name);
}

double TView3DOptions::CalcOrthoRatio() const
{
    if (!FOrthogonal) return 1.0;
    double a = FOrthoAngle;
    if (a > 90) a = 180 - a;
    const double r = a * TeePiStep;
    return std::sin(r) / std::cos(r);
}
