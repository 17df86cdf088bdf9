// Fuzz target of the point data stored with a series in chart files: any bytes either load
// or are refused with a chart error that leaves the series empty; what loaded is written
// and read back byte for byte.
#include <cstdlib>
#include <span>

#include "FuzzSupport.h"
#include "chart/engine/ChartExceptions.h"
#include "chart/engine/TChartSeries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    fuzzing::Init();
    TChartSeries series;
    series.AddXY(1, 1);
    try {
        series.ReadData(std::span<const std::uint8_t>(Data, Size));
    } catch (const ChartException&) {
        if (series.Count() != 0) std::abort();
        return 0;
    }
    std::vector<std::uint8_t> written;
    series.WriteData(written);
    TChartSeries again;
    again.ReadData(written);
    std::vector<std::uint8_t> rewritten;
    again.WriteData(rewritten);
    if (rewritten != written) std::abort();
    return 0;
}
