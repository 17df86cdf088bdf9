#pragma once
// Stand-ins for the colour type, the chart exception and the library texts the data model
// needs. They go away once the canvas and the library texts are in place: every name here
// is the one the real headers declare, so only this include changes.
#include <cstdint>

#include "platform/AnsiString.h"
#include "platform/Exception.h"
#include "chart/engine/TeeConst.h"
#include "platform/GraphicsTypes.h"

// The drawing layer declares the colour and point types, the library texts their texts.
#define NOX_CHART_HAS_TCOLOR
#define NOX_CHART_HAS_TPOINT
#define NOX_CHART_HAS_TEEMSG

#ifndef NOX_CHART_HAS_TCOLOR
using TColor = std::int32_t;
constexpr TColor clDefault = 0x20000000;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clInfoBk = static_cast<TColor>(0x80000018u);
constexpr TColor clSilver = 0xC0C0C0;
#endif

#ifndef NOX_CHART_HAS_CHARTEXCEPTION
class ChartException : public Exception {
public:
    using Exception::Exception;
};
#endif

#ifndef NOX_CHART_HAS_TEEMSG
inline AnsiString TeeMsg_ValuesX = "X";
inline AnsiString TeeMsg_ValuesY = "Y";
inline AnsiString TeeMsg_Series = "Series";
inline AnsiString TeeMsg_SeriesDelete = "Series Delete: ValueIndex %d out of bounds (0 to %d).";
inline AnsiString TeeMsg_DefPercentFormat = "##0.## %";
inline AnsiString TeeMsg_DefValueFormat = "#,##0.###";
inline AnsiString TeeMsg_FunctionPeriod = "Function Period should be >= 0";
inline AnsiString TeeMsg_SeriesSetDataSource = "No ParentChart to validate DataSource";
inline AnsiString TeeMsg_SeriesInvDataSource = "No valid DataSource: %s";
inline AnsiString TeeMsg_FillSample = "FillSampleValues NumValues must be > 0";
inline AnsiString TeeMsg_CircularSeries = "Circular Series dependences are not allowed";
#endif

#ifndef NOX_CHART_HAS_TPOINT
struct TPoint {
    int x = 0;
    int y = 0;
    bool operator==(const TPoint&) const = default;
};
#endif

#ifndef NOX_CHART_HAS_PALETTE
// The library's default palette colour for an index (negative indexes count from the end).
inline TColor PendingDefaultPaletteColor(int index)
{
    static const TColor palette[20] = {0x0000FF, 0x008000, 0x00FFFF, 0xFF0000, 0xFFFFFF, 0x808080, 0xFF00FF,
                                       0x808000, 0x800000, 0x000080, 0x00FF00, 0x008080, 0x800080, 0xC0C0C0,
                                       0xFFFF00, 0x000000, 0xC0DCC0, 0xF0CAA6, 0xF0FBFF, 0xA4A0A0};
    const int m = index % 20;
    return palette[m < 0 ? m + 20 : m];
}
#endif

#ifndef NOX_CHART_HAS_TEESORT
#include <functional>
// Quicksort over indexed data through a comparison and a swap callback. Recurses into the
// smaller part only, so adversarial data cannot exhaust the stack.
inline void PendingTeeSort(int startIndex, int endIndex, const std::function<int(int, int)>& compare,
                           const std::function<void(int, int)>& swap)
{
    while (endIndex > startIndex) {
        int i = startIndex, j = endIndex, m = (startIndex + endIndex) >> 1;
        do {
            if (compare(i, m) < 0) {
                ++i;
                continue;
            }
            while (compare(m, j) < 0) --j;
            if (j > i) {
                swap(i, j);
                if (i == m)
                    m = j;
                else if (j == m)
                    m = i;
            }
            if (j >= i) {
                ++i;
                --j;
            }
        } while (j > i);
        // Sort the smaller side by recursion, the larger one by the loop.
        if (j - startIndex < endIndex - i) {
            if (j > startIndex) PendingTeeSort(startIndex, j, compare, swap);
            startIndex = i;
        } else {
            if (i < endIndex) PendingTeeSort(i, endIndex, compare, swap);
            endIndex = j;
        }
    }
}
#endif
