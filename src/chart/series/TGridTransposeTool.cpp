#include "chart/series/TGridTransposeTool.h"

#include <memory>

#include "chart/engine/TeeProCo.h"
#include "chart/engine/TeeSeriesTypes.h"
#include "platform/FreeNotification.h"

TGridTransposeTool::TGridTransposeTool(QObject* owner) : TTeeCustomTool(owner) {}

TGridTransposeTool::~TGridTransposeTool()
{
    if (FSeries) TeeRemoveFreeNotification(FSeries, this);
}

AnsiString TGridTransposeTool::Description() const
{
    return TeeMsg_GridTranspose;
}

void TGridTransposeTool::SetSeries(TCustom3DGridSeries* value)
{
    TeeWatchPointer(FSeries, value, this);
}

void TGridTransposeTool::Transpose()
{
    if (!GetActive() || !FSeries) return;
    const auto swapped = std::make_unique<TCustom3DGridSeries>();
    for (int i = 0; i < FSeries->Count(); ++i)
        swapped->AddXYZ(FSeries->GetZValue(i), FSeries->GetyValue(i), FSeries->GetxValue(i));
    FSeries->AssignValues(swapped.get());
}

namespace {
int gRegistrations = 0;
}

void RegisterTeeGridTransposeTool()
{
    if (gRegistrations++ == 0) RegisterTeeTools({&TGridTransposeTool::staticMetaObject});
}

void UnRegisterTeeGridTransposeTool()
{
    if (gRegistrations == 0) return;
    if (--gRegistrations == 0) UnRegisterTeeTools({&TGridTransposeTool::staticMetaObject});
}
