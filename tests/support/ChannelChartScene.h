#pragma once
// The live chart of a channel window as the drawing checks and the benchmarks use it: a
// number of fast lines over a date-time X axis (one point per second from day 46000.0 on),
// each a random walk in [-50, 300] from a fixed seed, the left axis fixed to that range,
// no legend. The chart draws into its own window image, as on screen.
#include <QImage>
#include <cstdint>
#include <memory>
#include <vector>

#include "chart/engine/TChartAxis.h"
#include "chart/engine/TChartLegend.h"
#include "chart/engine/TCustomChart.h"
#include "chart/series/TFastLineSeries.h"

namespace scene {

constexpr double kStartDay = 46000.0;
constexpr double kSecond = 1.0 / 86400.0;

class ChannelChart {
public:
    ChannelChart(int width, int height, int seriesCount, int points)
    {
        chart.resize(width, height);
        chart.SetView3D(false);
        chart.GetLegend()->SetVisible(false);
        chart.LeftAxis()->SetMinMax(-50, 300);
        chart.BottomAxis()->SetAutomatic(true);
        static const TColor palette[] = {clRed,    clGreen,  clBlue,    clMaroon, clNavy,   clOlive,
                                         clPurple, clTeal,   clFuchsia, clLime,   clBlack,  clGray,
                                         0x0080FF, 0xFF8000, 0x008080,  0x800080, 0x404040, 0x2080C0};
        std::uint32_t seed = 20240601u;
        for (int s = 0; s < seriesCount; ++s) {
            auto* line = new TFastLineSeries(&chart);
            line->XValues()->SetDateTime(true);
            line->SetSeriesColor(palette[s % std::size(palette)]);
            chart.AddSeries(line);
            series.push_back(line);
            walk.push_back(25.0 + 10.0 * s);
        }
        FNext = 0;
        for (int i = 0; i < points; ++i) AppendAll(seed);
        FSeed = seed;
    }

    // Adds one point to every series (the next second).
    void Tick() { AppendAll(FSeed); }

    // The X of the newest point.
    double LastX() const { return kStartDay + (FNext - 1) * kSecond; }

    // Shows the last `seconds` (the whole data when 0).
    void ShowLast(int seconds)
    {
        if (seconds <= 0) {
            chart.BottomAxis()->SetAutomatic(true);
            return;
        }
        chart.BottomAxis()->SetMinMax(LastX() - seconds * kSecond, LastX());
    }

    const QImage& Paint()
    {
        chart.Invalidate();
        chart.PaintWindow();
        return chart.WindowImage();
    }

    TChart chart;
    std::vector<TFastLineSeries*> series;
    std::vector<double> walk;

private:
    void AppendAll(std::uint32_t& seed)
    {
        const double x = kStartDay + FNext * kSecond;
        for (std::size_t s = 0; s < series.size(); ++s) {
            seed = seed * 1664525u + 1013904223u;
            double y = walk[s] + (static_cast<double>(seed >> 8) / 16777216.0 - 0.5) * 4.0;
            if (y < -50) y = -50 - (y + 50);
            if (y > 300) y = 300 - (y - 300);
            walk[s] = y;
            series[s]->AddXY(x, y);
        }
        ++FNext;
    }

    long long FNext = 0;
    std::uint32_t FSeed = 0;
};

// FNV-1a over the pixels of an image (row by row, only the visible bytes).
inline std::uint64_t PixelHash(const QImage& image)
{
    std::uint64_t h = 1469598103934665603ull;
    const int bytes = image.width() * image.depth() / 8;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* line = image.constScanLine(y);
        for (int x = 0; x < bytes; ++x) {
            h ^= line[x];
            h *= 1099511628211ull;
        }
    }
    return h;
}

}  // namespace scene
