// Redrawing one live curve: a fast line of 43,200 points (12 hours at one point per
// second) and one of 1,000,000 points, each into a 1920-pixel-wide chart on a bitmap.
// The line calls that reach the canvas are counted: they must follow the pixel columns,
// not the points. Counters: "segments" per drawing and "per_43200" (segments / 43,200).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

#include "BenchVerdict.h"
#include "chart/series/TFastLineSeries.h"
#include "platform/TBitmap.h"
#include "support/FakeChartHost.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 600;

// The chart's canvas on a bitmap, counting the line segments it is asked to draw.
class CountingCanvas : public TTeeCanvas3D {
public:
    using TTeeCanvas3D::LineTo3D;
    void LineTo(int X, int Y) override
    {
        ++Segments;
        TTeeCanvas3D::LineTo(X, Y);
    }
    void LineTo3D(int X, int Y, int Z) override
    {
        ++Segments;
        TTeeCanvas3D::LineTo3D(X, Y, Z);
    }
    std::int64_t Segments = 0;
};

struct Scene {
    explicit Scene(int points)
    {
        bitmap.SetSize(kWidth, kHeight);
        canvas.BufferedDisplay = false;
        canvas.InitWindow(bitmap.Canvas(), nullptr, clWhite, false, TRect(0, 0, kWidth, kHeight));
        canvas.ResetState();
        chart.Canvas = &canvas;
        chart.ChartRect = TRect(0, 0, kWidth, kHeight);
        chart.CreateStandardAxes();
        series.SetParentChart(&chart);
        series.BeginUpdate();
        // A slow temperature swing with measurement noise (deterministic).
        std::uint32_t seed = 12345;
        for (int i = 0; i < points; ++i) {
            seed = seed * 1664525u + 1013904223u;
            const double noise = static_cast<double>(seed >> 8) / 16777216.0 - 0.5;
            series.AddXY(i, 20.0 + 5.0 * std::sin(i * 6.283 / points * 3) + noise);
        }
        series.EndUpdate();
        chart.AxesList.BottomAxis()->SetMinMax(0, points - 1);
        chart.AxesList.LeftAxis()->SetMinMax(14, 26);
        chart.CalcAxisPositions();
    }
    ~Scene() { series.SetParentChart(nullptr); }

    std::int64_t Draw()
    {
        canvas.Segments = 0;
        series.CalcFirstLastVisibleIndex();
        series.DrawAllValues();
        return canvas.Segments;
    }

    TBitmap bitmap;
    CountingCanvas canvas;
    FakeChartHost chart;
    TFastLineSeries series;
};

void Run(benchmark::State& state, int points)
{
    Scene scene(points);
    std::int64_t segments = 0;
    for (auto _ : state) segments = scene.Draw();
    state.counters["points"] = points;
    state.counters["segments"] = static_cast<double>(segments);
    state.counters["per_43200"] = static_cast<double>(segments) / 43200.0;
    state.counters["per_column"] = static_cast<double>(segments) / kWidth;
}

void BM_FastLine_43200(benchmark::State& state)
{
    Run(state, 43200);
}
void BM_FastLine_1000000(benchmark::State& state)
{
    Run(state, 1000000);
}

BENCHMARK(BM_FastLine_43200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FastLine_1000000)->Unit(benchmark::kMillisecond);

}  // namespace

NOX_BENCHMARK_MAIN();
