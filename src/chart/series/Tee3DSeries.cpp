#include "chart/series/Tee3DSeries.h"

#include "chart/engine/TeeProCo.h"
#include "chart/engine/TeeSeriesTypes.h"
#include "chart/series/TColorGridSeries.h"
#include "chart/series/TContourSeries.h"
#include "chart/series/TSurfaceSeries.h"
#include "chart/series/TTowerSeries.h"
#include "chart/series/TVector3DSeries.h"

namespace {
int startUps = 0;
}  // namespace

void RegisterTee3DSeries()
{
    if (startUps++ > 0) return;
    RegisterTeeSeries(&TSurfaceSeries::staticMetaObject, &TeeMsg_GallerySurface, &TeeMsg_Gallery3D, 1);
    RegisterTeeSeries(&TContourSeries::staticMetaObject, &TeeMsg_GalleryContour, &TeeMsg_Gallery3D, 1);
    RegisterTeeSeries(&TWaterFallSeries::staticMetaObject, &TeeMsg_GalleryWaterFall, &TeeMsg_Gallery3D, 1);
    RegisterTeeSeries(&TColorGridSeries::staticMetaObject, &TeeMsg_GalleryColorGrid, &TeeMsg_Gallery3D, 1);
    RegisterTeeSeries(&TVector3DSeries::staticMetaObject, &TeeMsg_GalleryVector3D, &TeeMsg_Gallery3D, 1);
    RegisterTeeSeries(&TTowerSeries::staticMetaObject, &TeeMsg_GalleryTower, &TeeMsg_Gallery3D, 1);
}

namespace {
// The types stay registered to the end of the program.
const bool seriesRegistered = (RegisterTee3DSeries(), true);
}  // namespace
