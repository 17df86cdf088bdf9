#include "chart/engine/TeeGradient.h"

#include <cstring>

TCustomTeeGradient::TCustomTeeGradient(const TNotifyEvent& OnChangeEvent, QObject* parent)
    : TPersistent(parent), OnChange(OnChangeEvent)
{}

void TCustomTeeGradient::DoChanged()
{
    if (OnChange) OnChange(this);
}

void TCustomTeeGradient::SetMidColor(TColor value)
{
    if (FSettings.UseMiddle) {
        if (value != clNone) {
            SetProperty(FSettings.MidColor, value);
        } else {
            FSettings.UseMiddle = false;
            DoChanged();
        }
    } else if (value != clNone) {
        FSettings.UseMiddle = true;
        FSettings.MidColor = value;
        DoChanged();
    }
}

void TCustomTeeGradient::UseMiddleColor()
{
    if (FSettings.UseMiddle) return;
    FSettings.UseMiddle = true;
    DoChanged();
}

void TCustomTeeGradient::Assign(TPersistent* Source)
{
    if (!AssignRecord(this, &TCustomTeeGradient::FSettings, Source)) TPersistent::Assign(Source);
}

bool TTeeGradient::IsPropertyStored(const char* Name) const
{
    static const TGradientSettings defaults;
    if (std::strcmp(Name, "Balance") == 0) return GetBalance() != defaults.Balance;
    if (std::strcmp(Name, "Direction") == 0) return GetDirection() != defaults.Direction;
    if (std::strcmp(Name, "EndColor") == 0) return GetEndColor() != defaults.EndColor;
    if (std::strcmp(Name, "MidColor") == 0) return GetMidColor() != defaults.MidColor;
    if (std::strcmp(Name, "RadialX") == 0) return GetRadialX() != defaults.RadialX;
    if (std::strcmp(Name, "RadialY") == 0) return GetRadialY() != defaults.RadialY;
    if (std::strcmp(Name, "StartColor") == 0) return GetStartColor() != defaults.StartColor;
    if (std::strcmp(Name, "Visible") == 0) return GetVisible() != defaults.Visible;
    return TCustomTeeGradient::IsPropertyStored(Name);
}

void TTeeFontGradient::Assign(TPersistent* Source)
{
    if (auto* g = qobject_cast<TTeeFontGradient*>(Source)) FOutline = g->FOutline;
    TTeeGradient::Assign(Source);
}

bool TTeeFontGradient::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Outline") == 0) return FOutline;
    return TTeeGradient::IsPropertyStored(Name);
}
