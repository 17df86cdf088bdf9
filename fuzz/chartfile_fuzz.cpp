// Fuzz target of the chart-file reader: any input either loads or fails with a chart error;
// a chart that loaded saves and loads again without one, and converting between the two
// forms fails only with a chart error. A file may name charts and other widgets inside
// the chart, so a full (offscreen) application object is needed.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "chart/storage/TeeStore.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    fuzzing::Init();

    for (int direction = 0; direction < 2; ++direction) {
        TMemoryStream in(Data, Size), out;
        try {
            if (direction == 0)
                ConvertTeeToText(&in, &out);
            else
                ConvertTeeToBinary(&in, &out);
        } catch (const ChartException&) {}
    }

    QObject chart;
    TMemoryStream in(Data, Size);
    try {
        LoadChartFromStreamCheck(
            &chart, &in, [](const AnsiString&) { return false; }, true);
    } catch (const ChartException&) {
        return 0;
    }
    for (bool text : {false, true}) {
        TMemoryStream saved;
        SaveChartToStream(&chart, &saved, true, text);
        saved.SetPosition(0);
        QObject again;
        LoadChartFromStreamCheck(
            &again, &saved, [](const AnsiString&) { return false; }, true);
    }
    return 0;
}
