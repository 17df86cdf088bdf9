#include "chart/engine/TeeFont.h"

#include <cstring>

// ---- TTeeShadow

TTeeShadow::TTeeShadow(const TNotifyEvent& OnChangeEvent, QObject* parent)
    : TPersistent(parent), OnChange(OnChangeEvent)
{}

void TTeeShadow::Changed()
{
    if (OnChange) OnChange(this);
}

void TTeeShadow::SetColor(TColor value)
{
    if (value == FColor) return;
    FColor = value;
    Changed();
}

void TTeeShadow::SetHorizSize(int value)
{
    if (value == FHorizSize) return;
    FHorizSize = value;
    Changed();
}

void TTeeShadow::SetSmooth(bool value)
{
    if (value == FSmooth) return;
    FSmooth = value;
    Changed();
}

void TTeeShadow::SetTransparency(TTeeTransparency value)
{
    if (value == FTransparency) return;
    FTransparency = value;
    Changed();
}

void TTeeShadow::SetVertSize(int value)
{
    if (value == FVertSize) return;
    FVertSize = value;
    Changed();
}

void TTeeShadow::SetSize(int value)
{
    if (value == FHorizSize && value == FVertSize) return;
    FHorizSize = FVertSize = value;
    Changed();
}

void TTeeShadow::Assign(TPersistent* Source)
{
    if (auto* s = qobject_cast<TTeeShadow*>(Source)) {
        FColor = s->FColor;
        FHorizSize = s->FHorizSize;
        FSmooth = s->FSmooth;
        FTransparency = s->FTransparency;
        FVertSize = s->FVertSize;
        return;
    }
    TPersistent::Assign(Source);
}

bool TTeeShadow::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Color") == 0) return FColor != DefaultColor;
    if (std::strcmp(Name, "HorizSize") == 0) return FHorizSize != DefaultSize;
    if (std::strcmp(Name, "Smooth") == 0) return !FSmooth;
    if (std::strcmp(Name, "Transparency") == 0) return FTransparency != 0;
    if (std::strcmp(Name, "VertSize") == 0) return FVertSize != DefaultSize;
    return TPersistent::IsPropertyStored(Name);
}

// ---- TTeeFont

TTeeFont::TTeeFont(const TNotifyEvent& OnChangeEvent, QObject* parent) : TFont(parent)
{
    SetColor(clBlack);
    DefaultColor = clBlack;
    SetCharset(1);
    SetName(GetDefaultFontName);
    DefaultName = GetDefaultFontName;
    if (GetSize() != GetDefaultFontSize) SetSize(GetDefaultFontSize);
    DefaultHeight = GetHeight();
    OnChange = OnChangeEvent;
}

TTeeFont::~TTeeFont()
{
    delete FOutLine;
    delete FShadow;
    delete FGradient;
}

void TTeeFont::SubChanged()
{
    Changed();
}

void TTeeFont::SetInterCharSize(int value)
{
    if (value == FInterCharSize) return;
    FInterCharSize = value;
    Changed();
}

TChartHiddenPen* TTeeFont::GetOutLine()
{
    if (!FOutLine) FOutLine = new TChartHiddenPen([this](QObject*) { SubChanged(); });
    return FOutLine;
}

void TTeeFont::SetOutLine(TChartHiddenPen* value)
{
    if (!value) {
        delete FOutLine;
        FOutLine = nullptr;
    } else {
        GetOutLine()->Assign(value);
    }
}

TTeeShadow* TTeeFont::GetShadow()
{
    if (!FShadow) FShadow = new TTeeShadow([this](QObject*) { SubChanged(); });
    return FShadow;
}

void TTeeFont::SetShadow(TTeeShadow* value)
{
    if (!value) {
        delete FShadow;
        FShadow = nullptr;
    } else {
        GetShadow()->Assign(value);
    }
}

TTeeFontGradient* TTeeFont::GetGradient()
{
    if (!FGradient) FGradient = new TTeeFontGradient([this](QObject*) { SubChanged(); });
    return FGradient;
}

void TTeeFont::SetGradient(TTeeFontGradient* value)
{
    if (!value) {
        delete FGradient;
        FGradient = nullptr;
    } else {
        GetGradient()->Assign(value);
    }
}

void TTeeFont::Assign(TPersistent* Source)
{
    if (auto* f = qobject_cast<TTeeFont*>(Source)) {
        SetGradient(f->FGradient);
        FInterCharSize = f->FInterCharSize;
        SetOutLine(f->FOutLine);
        SetShadow(f->FShadow);
    }
    TFont::Assign(Source);
}

bool TTeeFont::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Height") == 0) return GetSize() != GetDefaultFontSize;
    if (std::strcmp(Name, "Name") == 0) return GetName() != GetDefaultFontName;
    if (std::strcmp(Name, "InterCharSize") == 0) return FInterCharSize != 0;
    if (std::strcmp(Name, "OutLine") == 0) return FOutLine != nullptr;
    if (std::strcmp(Name, "Shadow") == 0) return FShadow != nullptr;
    if (std::strcmp(Name, "Gradient") == 0) return FGradient != nullptr;
    return TFont::IsPropertyStored(Name);
}
