#include "chart/engine/TeeFont.h"

#include "platform/StoreChanged.h"

#include <cstring>

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
    if (StoreChanged(FInterCharSize, value)) Changed();
}

template <typename T>
T* TTeeFont::Part(T*& Field)
{
    if (!Field) Field = new T([this](QObject*) { SubChanged(); });
    return Field;
}

TChartHiddenPen* TTeeFont::GetOutLine()
{
    return Part(FOutLine);
}

void TTeeFont::SetOutLine(TChartHiddenPen* value)
{
    AssignPart(FOutLine, value, [this] { return GetOutLine(); });
}

TTeeShadow* TTeeFont::GetShadow()
{
    return Part(FShadow);
}

void TTeeFont::SetShadow(TTeeShadow* value)
{
    AssignPart(FShadow, value, [this] { return GetShadow(); });
}

TTeeFontGradient* TTeeFont::GetGradient()
{
    return Part(FGradient);
}

void TTeeFont::SetGradient(TTeeFontGradient* value)
{
    AssignPart(FGradient, value, [this] { return GetGradient(); });
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
