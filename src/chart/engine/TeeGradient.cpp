#include "chart/engine/TeeGradient.h"

#include <cstring>

#include "platform/StoreChanged.h"

TCustomTeeGradient::TCustomTeeGradient(const TNotifyEvent& OnChangeEvent, QObject* parent)
    : TPersistent(parent), OnChange(OnChangeEvent)
{}

void TCustomTeeGradient::DoChanged()
{
    if (OnChange) OnChange(this);
}

void TCustomTeeGradient::SetBalance(int value)
{
    if (StoreChanged(FBalance, value)) DoChanged();
}
void TCustomTeeGradient::SetDirection(TGradientDirection value)
{
    if (StoreChanged(FDirection, value)) DoChanged();
}
void TCustomTeeGradient::SetEndColor(TColor value)
{
    if (StoreChanged(FEndColor, value)) DoChanged();
}
void TCustomTeeGradient::SetRadialX(int value)
{
    if (StoreChanged(FRadialX, value)) DoChanged();
}
void TCustomTeeGradient::SetRadialY(int value)
{
    if (StoreChanged(FRadialY, value)) DoChanged();
}
void TCustomTeeGradient::SetStartColor(TColor value)
{
    if (StoreChanged(FStartColor, value)) DoChanged();
}
void TCustomTeeGradient::SetVisible(bool value)
{
    if (StoreChanged(FVisible, value)) DoChanged();
}

void TCustomTeeGradient::SetMidColor(TColor value)
{
    if (FUseMiddle) {
        if (value != clNone) {
            if (StoreChanged(FMidColor, value)) DoChanged();
        } else {
            FUseMiddle = false;
            DoChanged();
        }
    } else if (value != clNone) {
        FUseMiddle = true;
        FMidColor = value;
        DoChanged();
    }
}

void TCustomTeeGradient::UseMiddleColor()
{
    if (FUseMiddle) return;
    FUseMiddle = true;
    DoChanged();
}

void TCustomTeeGradient::Assign(TPersistent* Source)
{
    if (auto* g = qobject_cast<TCustomTeeGradient*>(Source)) {
        FBalance = g->FBalance;
        FDirection = g->FDirection;
        FEndColor = g->FEndColor;
        FMidColor = g->FMidColor;
        FRadialX = g->FRadialX;
        FRadialY = g->FRadialY;
        FStartColor = g->FStartColor;
        FVisible = g->FVisible;
        FUseMiddle = g->FUseMiddle;
        return;
    }
    TPersistent::Assign(Source);
}

bool TTeeGradient::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Balance") == 0) return GetBalance() != 50;
    if (std::strcmp(Name, "Direction") == 0) return GetDirection() != gdTopBottom;
    if (std::strcmp(Name, "EndColor") == 0) return GetEndColor() != clYellow;
    if (std::strcmp(Name, "MidColor") == 0) return GetMidColor() != clNone;
    if (std::strcmp(Name, "RadialX") == 0) return GetRadialX() != 0;
    if (std::strcmp(Name, "RadialY") == 0) return GetRadialY() != 0;
    if (std::strcmp(Name, "StartColor") == 0) return GetStartColor() != clWhite;
    if (std::strcmp(Name, "Visible") == 0) return GetVisible();
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

void TTeeFontGradient::SetOutline(bool value)
{
    if (StoreChanged(FOutline, value)) DoChanged();
}
