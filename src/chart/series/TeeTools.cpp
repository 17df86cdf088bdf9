#include "chart/series/TeeTools.h"

#include "chart/engine/TeeSeriesTypes.h"
#include "chart/series/TAnnotationTool.h"
#include "chart/series/TAxisArrowTool.h"
#include "chart/series/TAxisScrollTool.h"
#include "chart/series/TChartImageTool.h"
#include "chart/series/TClipSeriesTool.h"
#include "chart/series/TCursorTool.h"
#include "chart/series/TDragMarksTool.h"
#include "chart/series/TDrawLineTool.h"
#include "chart/series/TMarksTipTool.h"
#include "chart/series/TNearestTool.h"
#include "chart/series/TRectangleTool.h"
#include "chart/series/TRotateTool.h"
#include "chart/series/TSeriesAnimationTool.h"
#include "chart/series/TeeAxisToolTypes.h"

namespace {

int gRegistrations = 0;

const std::initializer_list<TTeeCustomToolClass> kTools = {
    &TCursorTool::staticMetaObject,    &TDragMarksTool::staticMetaObject,  &TAxisArrowTool::staticMetaObject,
    &TDrawLineTool::staticMetaObject,  &TNearestTool::staticMetaObject,    &TColorBandTool::staticMetaObject,
    &TColorLineTool::staticMetaObject, &TRotateTool::staticMetaObject,     &TChartImageTool::staticMetaObject,
    &TMarksTipTool::staticMetaObject,  &TAnnotationTool::staticMetaObject, &TSeriesAnimationTool::staticMetaObject,
    &TGridBandTool::staticMetaObject,  &TAxisScrollTool::staticMetaObject, &TRectangleTool::staticMetaObject,
    &TClipSeriesTool::staticMetaObject};

}  // namespace

void RegisterTeeChartTools()
{
    if (gRegistrations++ == 0) RegisterTeeTools(kTools);
}

void UnRegisterTeeChartTools()
{
    if (gRegistrations == 0) return;
    if (--gRegistrations == 0) UnRegisterTeeTools(kTools);
}
