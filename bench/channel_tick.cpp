// One recording tick of a channel window holding 12 hours at a 1-second interval (43,200
// points in each of the 22 value series), the chart 1920 x 1080: the 22 appends, the time
// axis scrolling to the 30-minute window, the vertical auto-range and the repaint. The
// appends alone are the baseline; the whole tick is reported as a ratio to them.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <chrono>
#include <cmath>

#include "channel/TmdiSubWindow.h"
#include "chart/engine/TCustomChart.h"
#include "chart/series/TFastLineSeries.h"

namespace {

constexpr int kPoints = 43200;
constexpr double kStart = 46100.0;  // a day; the time axis is "relativ"

double Value(int series, int i)
{
    return 20.0 + series + 5.0 * std::sin(i * 6.283 / 3600.0 + series) + 0.01 * (i % 7);
}

struct Window {
    Window()
    {
        CChannelSession& s = w.Session();
        for (int k = 0; k < ValueSeriesTotal; ++k) s.SetSeriesActive(k, true);
        s.SetupGraphAxes();
        for (int k = 0; k < ValueSeriesTotal; ++k) {
            TFastLineSeries* series = s.ValueSeries(k);
            series->BeginUpdate();
            for (int i = 0; i < kPoints; ++i) series->AddXY(kStart + i / 86400.0, Value(k, i));
            series->EndUpdate();
        }
        w.graDataGraph->resize(1920, 1080);
        w.graDataGraph->PaintWindow();
    }
    // The tick's appends: one point per recorded series.
    void Append()
    {
        const double x = kStart + next / 86400.0;
        for (int k = 0; k < ValueSeriesTotal; ++k) w.Session().ValueSeries(k)->AddXY(x, Value(k, next));
        ++next;
    }
    TmdiSubWindow w;
    int next = kPoints;
};

// Made after and freed before the application object.
Window* g_window = nullptr;

void BM_TickWithRepaint(benchmark::State& state)
{
    using clock = std::chrono::steady_clock;
    Window& window = *g_window;
    clock::duration appends{}, total{};
    for (auto _ : state) {
        const auto t0 = clock::now();
        window.Append();
        const auto t1 = clock::now();
        window.w.ScrollTimeAxis();
        window.w.AutoRangeAxis();
        window.w.graDataGraph->PaintWindow();
        const auto t2 = clock::now();
        appends += t1 - t0;
        total += t2 - t0;
    }
    state.counters["points_per_series"] = double(window.w.Session().ValueSeries(0)->Count());
    if (appends.count() > 0) state.counters["ratio_to_appends"] = double(total.count()) / double(appends.count());
}

}  // namespace

BENCHMARK(BM_TickWithRepaint)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    g_window = new Window;
    benchmark::RunSpecifiedBenchmarks();
    delete g_window;
    benchmark::Shutdown();
    return 0;
}
