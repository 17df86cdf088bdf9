#include "channel/ChartClasses.h"

#include "chart/engine/TeeSeriesTypes.h"
#include "chart/series/TeeAxisToolTypes.h"
#include "chart/series/TeeFunctions.h"
#include "chart/series/TeeLegendScrollBar.h"
#include "chart/series/TeeStandardSeries.h"
#include "chart/storage/TeeStore.h"

void RegisterChartClasses()
{
    RegisterTeeStandardSeries();
    RegisterTeeBasicFunctions();
    RegisterTeeTools(
        {&TGridBandTool::staticMetaObject, &TColorLineTool::staticMetaObject, &TColorBandTool::staticMetaObject});
    RegisterTeeLegendScrollBar();
    TeeStoreRegisterClasses();
}
