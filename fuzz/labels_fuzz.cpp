// Fuzz target of the label-file reader ("Labels.txt"): any bytes fill at most the entries
// the file has room for, without an exception.
#include "FuzzSupport.h"
#include "channel/LabelFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    TAxisLabels axes;
    TSeriesLabels series;
    ParseLabelsFile(fuzzing::Bytes(Data, Size), axes, series);
    return 0;
}
