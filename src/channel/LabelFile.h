#pragma once
// The label file "Labels.txt" in the working directory: the user's own titles of the value
// axes and value series of the channel chart, in German and English.
#include <array>
#include <string_view>

#include "platform/AnsiString.h"

// Axis titles: 1, 2 German left/right, 4, 5 English left/right; 0 and 3 unused.
using TAxisLabels = std::array<AnsiString, 100>;
// Series titles: 1..22 German, 24..45 English titles of the value series 0..21.
using TSeriesLabels = std::array<AnsiString, 100>;

inline constexpr int AxisLabelCount = 6;
inline constexpr int SeriesLabelCount = 50;

// Reads the file into the tables (entries the file does not supply keep their values).
// True only when both an "[AXES LABELS]" and a "[VALUE SERIES]" section were met.
bool ReadLabelsFile(TAxisLabels& axisLabels, TSeriesLabels& seriesNames, const char* path = "Labels.txt");
// The same for the file's bytes.
bool ParseLabelsFile(std::string_view bytes, TAxisLabels& axisLabels, TSeriesLabels& seriesNames);
