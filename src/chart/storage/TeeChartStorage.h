#pragma once
// What chart files need beyond the generic property walk for the chart's own lists and the
// series' references into them: a series' identifier, style and custom axes, the per-point
// mark items, the series of each series group, and the properties older files carry that
// the chart no longer has ("BorderStyle" of the panel, "Multiplier" of a value list).
#include <QObject>

#include "chart/storage/TeeStore.h"

// Registers the stored forms above (once per process; called by TeeStoreRegisterClasses).
void TeeChartStorageRegister();

// After the chart's series are read: every series group finds its series by the names the
// file gave. A name no series has is a reading error; ignored, the group goes without it.
void ResolveLoadedSeriesGroups(QObject* Chart, const TProcTeeCheckError& OnError);

// While one exists on this thread, reading shows the user no messages (a trial reading
// before the real one).
class TQuietChartReading {
public:
    TQuietChartReading();
    ~TQuietChartReading();
    TQuietChartReading(const TQuietChartReading&) = delete;
    TQuietChartReading& operator=(const TQuietChartReading&) = delete;

private:
    bool FOld;
};
