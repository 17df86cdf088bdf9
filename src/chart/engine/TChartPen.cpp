#include "chart/engine/TChartPen.h"

#include <cstring>

#include "platform/TCanvas.h"

TChartPen::TChartPen(const TNotifyEvent& OnChangeEvent, QObject* parent) : TPen(parent)
{
    OnChange = OnChangeEvent;
}

void TChartPen::Assign(TPersistent* Source)
{
    if (auto* p = qobject_cast<TChartPen*>(Source)) {
        FVisible = p->FVisible;
        FSmallDots = p->FSmallDots;
        FEndStyle = p->FEndStyle;
    }
    TPen::Assign(Source);
}

bool TChartPen::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "EndStyle") == 0) return FEndStyle != FDefaultEnd;
    if (std::strcmp(Name, "SmallDots") == 0) return FSmallDots;
    if (std::strcmp(Name, "Visible") == 0) return FVisible != FDefaultVisible;
    return TPen::IsPropertyStored(Name);
}

TChartHiddenPen::TChartHiddenPen(const TNotifyEvent& OnChangeEvent, QObject* parent) : TChartPen(OnChangeEvent, parent)
{
    FDefaultVisible = false;
    TQuietChange quiet(OnChange);
    SetVisible(false);
}

void TChartPen::InitDefaultColor(TColor Color)
{
    DefaultColor = Color;
    TQuietChange quiet(OnChange);
    SetColor(Color);
}

TDottedGrayPen::TDottedGrayPen(const TNotifyEvent& OnChangeEvent, QObject* parent) : TChartPen(OnChangeEvent, parent)
{
    InitDefaultColor(clGray);
    DefaultStyle = psDot;
    TQuietChange quiet(OnChange);
    SetStyle(psDot);
}

TDarkGrayPen::TDarkGrayPen(const TNotifyEvent& OnChangeEvent, QObject* parent) : TChartPen(OnChangeEvent, parent)
{
    InitDefaultColor(clGray);
}

TWhitePen::TWhitePen(const TNotifyEvent& OnChangeEvent, QObject* parent) : TChartPen(OnChangeEvent, parent)
{
    InitDefaultColor(clWhite);
}

TPenHandle TeeCreatePenSmallDots(TColor Color)
{
    return ExtCreatePen(PS_COSMETIC | PS_ALTERNATE, 1, ColorToRGB(Color));
}

void TeeSetTeePen(TPen* FPen, TChartPen* Pen, TColor AColor, TCanvas* Handle)
{
    if (Pen->GetSmallDots()) {
        FPen->SetHandle(TeeCreatePenSmallDots(AColor));
        FPen->SetMode(Pen->GetMode());
        return;
    }
    if (Pen->GetWidth() < 2) {
        FPen->Assign(Pen);
        if (FPen->GetColor() != AColor) FPen->SetColor(AColor);
        if (TeeCheckPenWidth && FPen->GetStyle() != psSolid && FPen->GetWidth() == 1) FPen->SetWidth(0);
        return;
    }
    FPen->Assign(Pen);
    FPen->SetColor(AColor);
    static constexpr unsigned kStyle[] = {PS_SOLID,      PS_DASH, PS_DOT,        PS_DASHDOT,
                                          PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
    unsigned flags = PS_GEOMETRIC | kStyle[int(Pen->GetStyle())];
    switch (Pen->GetEndStyle()) {
        case esSquare: flags |= PS_ENDCAP_SQUARE | PS_JOIN_BEVEL; break;
        case esFlat: flags |= PS_ENDCAP_FLAT | PS_JOIN_MITER; break;
        default: break;
    }
    FPen->SetHandle(ExtCreatePen(flags, Pen->GetWidth(), ColorToRGB(AColor)));
    if (Handle) Handle->SetROP2(PenModeToROP2(Pen->GetMode()));
}
