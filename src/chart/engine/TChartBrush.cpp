#include "chart/engine/TChartBrush.h"

#include <cstring>

TChartBrush::TChartBrush(const TNotifyEvent& OnChangeEvent, QObject* parent) : TBrush(parent)
{
    DefaultColor = clDefault;
    SetColor(clDefault);
    OnChange = OnChangeEvent;
}

TChartBrush::~TChartBrush()
{
    delete FImage;
}

TPicture* TChartBrush::GetImage()
{
    if (!FImage) {
        FImage = new TPicture();
        FImage->OnChange = [this](QObject*) { Changed(); };
    }
    return FImage;
}

void TChartBrush::SetImage(TPicture* value)
{
    AssignPart(FImage, value, [this] { return GetImage(); });
    Changed();
}

void TChartBrush::Clear()
{
    SetStyle(bsClear);
    SetImage(nullptr);
}

void TChartBrush::Assign(TPersistent* Source)
{
    if (auto* b = qobject_cast<TChartBrush*>(Source)) GetImage()->Assign(b->FImage);
    TBrush::Assign(Source);
}

bool TChartBrush::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Image") == 0) return FImage && FImage->GetGraphic();
    return TBrush::IsPropertyStored(Name);
}
