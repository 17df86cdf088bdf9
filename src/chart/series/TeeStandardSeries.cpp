#include "chart/series/TeeStandardSeries.h"

#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeSeriesTypes.h"
#include "chart/series/TAreaSeries.h"
#include "chart/series/TBarSeries.h"
#include "chart/series/TFastLineSeries.h"
#include "chart/series/TLineSeries.h"
#include "chart/series/TPieSeries.h"
#include "chart/series/TPointSeries.h"

void RegisterTeeStandardSeries()
{
    RegisterTeeSeries(&TLineSeries::staticMetaObject, &TeeMsg_GalleryLine);
    RegisterTeeSeries(&TBarSeries::staticMetaObject, &TeeMsg_GalleryBar);
    RegisterTeeSeries(&THorizBarSeries::staticMetaObject, &TeeMsg_GalleryHorizBar);
    RegisterTeeSeries(&TAreaSeries::staticMetaObject, &TeeMsg_GalleryArea);
    RegisterTeeSeries(&TPointSeries::staticMetaObject, &TeeMsg_GalleryPoint);
    RegisterTeeSeries(&TPieSeries::staticMetaObject, &TeeMsg_GalleryPie, &TeeMsg_GalleryStandard, 1);
    RegisterTeeSeries(&TFastLineSeries::staticMetaObject, &TeeMsg_GalleryFastLine);
    RegisterTeeSeries(&THorizLineSeries::staticMetaObject, &TeeMsg_GalleryHorizLine, &TeeMsg_GalleryStandard, 1);
    RegisterTeeSeries(&THorizAreaSeries::staticMetaObject, &TeeMsg_GalleryHorizArea, &TeeMsg_GalleryStandard, 1);
}
