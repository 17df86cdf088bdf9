#include "chart/engine/TChartWalls.h"

#include <cstring>

#include "chart/engine/TCustomAxisPanel.h"
#include "platform/TBitmap.h"

TCustomChartWall::TCustomChartWall(TCustomAxisPanel* AOwner) : TTeeCustomShape(AOwner), FChart(AOwner)
{
    InitColor(clDefault);
}

void TCustomChartWall::InitColor(TColor Value)
{
    FDefaultColor = Value;
    SetColor(Value);
}

bool TCustomChartWall::ShouldDraw() const
{
    return (!FChart || FChart->GetView3DWalls()) && GetVisible() && !FAutoHide;
}

bool TCustomChartWall::ApplyDark3D() const
{
    TPicture* image = GetBrush()->StoredImage();
    return GetBrush()->GetStyle() != bsClear && !(image && image->GetGraphic()) && FDark3D;
}

bool TCustomChartWall::HasGradient() const
{
    TTeeGradient* g = StoredGradient();
    return g && g->GetVisible();
}

void TCustomChartWall::Assign(TPersistent* Source)
{
    if (auto* s = qobject_cast<TCustomChartWall*>(Source)) {
        FAutoHide = s->FAutoHide;
        FDark3D = s->FDark3D;
        FSize = s->FSize;
    }
    TTeeCustomShape::Assign(Source);
}

bool TCustomChartWall::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Color") == 0) return GetColor() != FDefaultColor;
    if (std::strcmp(Name, "AutoHide") == 0) return FAutoHide;
    if (std::strcmp(Name, "Dark3D") == 0) return !FDark3D;
    if (std::strcmp(Name, "Size") == 0) return FSize != 0;
    return TTeeCustomShape::IsPropertyStored(Name);
}

// ---- TChartWalls

TChartWalls::TChartWalls(TCustomAxisPanel* AChart)
    : TPersistent(AChart),
      FChart(AChart),
      FBack(new TChartBackWall(AChart)),
      FBottom(new TChartWall(AChart)),
      FLeft(new TChartWall(AChart)),
      FRight(new TChartRightWall(AChart))
{
    FBack->InitColor(0xC0C0C0);
    FBack->DefaultTransparent = true;
    FBack->SetTransparent(true);
    FLeft->InitColor(0x80FFFF);
    FBottom->InitColor(0xFFFFFF);
    FRight->InitColor(0xC0C0C0);
    FRight->SetVisible(false);
}

bool TChartWalls::GetVisible() const
{
    return FChart && FChart->GetView3DWalls();
}

void TChartWalls::SetVisible(bool Value)
{
    if (FChart) FChart->SetView3DWalls(Value);
}

void TChartWalls::SetSize(int Value)
{
    FLeft->SetSize(Value);
    FRight->SetSize(Value);
    FBack->SetSize(Value);
    FBottom->SetSize(Value);
}

void TChartWalls::Assign(TPersistent* Source)
{
    if (auto* s = qobject_cast<TChartWalls*>(Source)) {
        FBack->Assign(s->FBack);
        FBottom->Assign(s->FBottom);
        FLeft->Assign(s->FLeft);
        FRight->Assign(s->FRight);
        return;
    }
    TPersistent::Assign(Source);
}
