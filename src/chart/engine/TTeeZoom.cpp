#include "chart/engine/TTeeZoom.h"

#include <algorithm>
#include <cstring>
#include <utility>

int TTeeEventListeners::Add(ITeeEventListener* Listener)
{
    const int i = IndexOf(Listener);
    if (i >= 0) return i;
    FItems.push_back(Listener);
    return int(FItems.size()) - 1;
}

int TTeeEventListeners::Remove(ITeeEventListener* Listener)
{
    const int i = IndexOf(Listener);
    if (i >= 0) FItems.erase(FItems.begin() + i);
    return i;
}

int TTeeEventListeners::IndexOf(const ITeeEventListener* Listener) const
{
    for (std::size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i] == Listener) return int(i);
    return -1;
}

void TZoomPanning::Activate(int X, int Y)
{
    X0 = X1 = X;
    Y0 = Y1 = Y;
    Active = true;
}

void TZoomPanning::Check()
{
    if (X0 > X1) std::swap(X0, X1);
    if (Y0 > Y1) std::swap(Y0, Y1);
}

TTeeZoomPen::TTeeZoomPen(const TNotifyEvent& OnChangeEvent, QObject* parent) : TChartPen(OnChangeEvent, parent)
{
    TQuietChange quiet(OnChange);
    SetColor(clWhite);
    DefaultColor = clWhite;
}

TTeeZoomBrush::TTeeZoomBrush(const TNotifyEvent& OnChangeEvent, QObject* parent) : TChartBrush(OnChangeEvent, parent)
{
    TQuietChange quiet(OnChange);
    SetColor(clWhite);
    SetStyle(bsClear);
    DefaultColor = clWhite;
}

bool TTeeZoomBrush::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Style") == 0) return GetStyle() != bsClear;
    return TChartBrush::IsPropertyStored(Name);
}

TTeeZoom::TTeeZoom(QObject* parent) : TZoomPanning(parent) {}

TTeeZoom::~TTeeZoom()
{
    delete FBrush;
    delete FPen;
}

void TTeeZoom::SubChanged()
{
    if (OnChange) OnChange(this);
}

TTeeZoomBrush* TTeeZoom::GetBrush()
{
    if (!FBrush) FBrush = new TTeeZoomBrush([this](QObject*) { SubChanged(); });
    return FBrush;
}

void TTeeZoom::SetBrush(TChartBrush* value)
{
    AssignPart(FBrush, value, [this] { return GetBrush(); });
}

TTeeZoomPen* TTeeZoom::GetPen()
{
    if (!FPen) FPen = new TTeeZoomPen([this](QObject*) { SubChanged(); });
    return FPen;
}

void TTeeZoom::SetPen(TChartPen* value)
{
    AssignPart(FPen, value, [this] { return GetPen(); });
}

void TTeeZoom::Assign(TPersistent* Source)
{
    auto* z = qobject_cast<TTeeZoom*>(Source);
    if (!z) {
        TZoomPanning::Assign(Source);
        return;
    }
    Allow = z->Allow;
    Animated = z->Animated;
    SetAnimatedSteps(z->AnimatedSteps);
    SetBrush(z->FBrush);
    Direction = z->Direction;
    KeyShift = z->KeyShift;
    MouseButton = z->MouseButton;
    SetPen(z->FPen);
}

void TTeeZoom::SetAnimatedSteps(int Value)
{
    AnimatedSteps = std::clamp(Value, 1, MaxAnimatedSteps);
}

bool TTeeZoom::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Allow") == 0) return !Allow;
    if (std::strcmp(Name, "Animated") == 0) return Animated;
    if (std::strcmp(Name, "AnimatedSteps") == 0) return AnimatedSteps != 8;
    if (std::strcmp(Name, "Brush") == 0) return FBrush != nullptr;
    if (std::strcmp(Name, "Direction") == 0) return Direction != tzdBoth;
    if (std::strcmp(Name, "KeyShift") == 0) return KeyShift != 0;
    if (std::strcmp(Name, "MinimumPixels") == 0) return MinimumPixels != 16;
    if (std::strcmp(Name, "MouseButton") == 0) return MouseButton != mbLeft;
    if (std::strcmp(Name, "Pen") == 0) return FPen != nullptr;
    if (std::strcmp(Name, "UpLeftZooms") == 0) return UpLeftZooms;
    return TZoomPanning::IsPropertyStored(Name);
}
