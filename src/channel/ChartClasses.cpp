#include "channel/ChartClasses.h"

#include "chart/engine/TeeSeriesTypes.h"
#include "chart/series/TGridTransposeTool.h"
#include "chart/series/TeeFunctions.h"
#include "chart/series/TeeLegendScrollBar.h"
#include "chart/series/TeeSmoothFunction.h"
#include "chart/series/TeeStandardSeries.h"
#include "chart/series/TeeTools.h"
#include "chart/storage/TeeStore.h"

void RegisterChartClasses()
{
    RegisterTeeStandardSeries();
    RegisterTeeBasicFunctions();
    RegisterTeeSmoothingFunction();
    RegisterTeeChartTools();
    RegisterTeeGridTransposeTool();
    RegisterTeeLegendScrollBar();
    TeeStoreRegisterClasses();
}
