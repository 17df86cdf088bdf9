#include "chart/series/TClipSeriesTool.h"

#include <QPointer>

#include "chart/engine/TChartAxis.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeProCo.h"
#include "chart/series/TeeToolSupport.h"

using namespace teetools;

TClipSeriesTool::TClipSeriesTool(QObject* owner) : TTeeCustomToolSeries(owner) {}

TClipSeriesTool::~TClipSeriesTool()
{
    SetSeries(nullptr);
}

AnsiString TClipSeriesTool::Description() const
{
    return TeeMsg_ClipSeries;
}

void TClipSeriesTool::SetSeries(TChartSeries* value)
{
    if (value == FSeries) return;
    if (FSeries) {
        FSeries->BeforeDrawValues = nullptr;
        FSeries->AfterDrawValues = nullptr;
    }
    TTeeCustomToolSeries::SetSeries(value);
    if (!FSeries) return;
    // The handlers outlive neither the tool nor its interest in the series.
    QPointer<TClipSeriesTool> self(this);
    FSeries->BeforeDrawValues = [self](TChartSeries*) {
        if (self) self->ClipStart();
    };
    FSeries->AfterDrawValues = [self](TChartSeries*) {
        if (self) self->ClipEnd();
    };
}

void TClipSeriesTool::ClipStart()
{
    TCustomTeePanel* panel = FSeries ? Panel(FSeries->ParentChart()) : nullptr;
    if (!FParentChart || !panel || !panel->CanClip()) return;
    TChartAxis* h = FSeries->GetHorizAxis();
    TChartAxis* v = FSeries->GetVertAxis();
    if (!h || !v) return;
    panel->GetCanvas()->ClipRectangle(TRect(h->StartPos, v->StartPos, h->EndPos, v->EndPos));
    FClipped = true;
}

void TClipSeriesTool::ClipEnd()
{
    if (!FClipped) return;
    FClipped = false;
    TCustomTeePanel* panel = FSeries ? Panel(FSeries->ParentChart()) : Panel(FParentChart);
    if (panel) panel->GetCanvas()->UnClipRectangle();
}
