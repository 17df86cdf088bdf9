#include "chart/engine/TAxisGridPen.h"

#include "platform/StoreChanged.h"

#include <cstring>

TAxisGridPen::TAxisGridPen(const TNotifyEvent& OnChangeEvent, QObject* parent) : TDottedGrayPen(OnChangeEvent, parent)
{}

void TAxisGridPen::SetZ(double value)
{
    if (StoreChanged(FZ, value)) Changed();
}

void TAxisGridPen::SetCentered(bool value)
{
    if (StoreChanged(FCentered, value)) Changed();
}

bool TAxisGridPen::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "ZPosition") == 0) return IsZStored();
    return TDottedGrayPen::IsPropertyStored(Name);
}

void TAxisGridPen::Assign(TPersistent* Source)
{
    if (auto* p = qobject_cast<TAxisGridPen*>(Source)) {
        FZ = p->FZ;
        FCentered = p->FCentered;
    }
    TDottedGrayPen::Assign(Source);
}
