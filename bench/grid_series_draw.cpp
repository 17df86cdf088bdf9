// Redrawing a 200 x 200 grid as a 3D surface and as a 2D contour chart (10 levels) in a
// 1200 x 800 chart on a bitmap, and the grid index of an irregular grid built once and
// then kept while the data stay the same. Counters: "cells" (40,000 values per drawing).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cmath>

#include "BenchVerdict.h"
#include "chart/engine/TChartLegend.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TView3DOptions.h"
#include "chart/series/TContourSeries.h"
#include "chart/series/TSurfaceSeries.h"
#include "platform/TBitmap.h"
#include "support/PrivateSettings.h"

namespace {

constexpr int kWidth = 1200;
constexpr int kHeight = 800;
constexpr int kGrid = 200;

double Hill(int x, int z)
{
    const double a = (x - kGrid / 2.0) / (kGrid / 6.0), b = (z - kGrid / 2.0) / (kGrid / 6.0);
    return 10 * std::sin(a) * std::cos(b) + a * b;
}

template <typename T>
T* Fill(TChart& chart, bool irregular = false)
{
    auto* s = new T(&chart);
    chart.AddSeries(s);
    s->SetIrregularGrid(irregular);
    s->BeginUpdate();
    for (int z = 1; z <= kGrid; ++z)
        for (int x = 1; x <= kGrid; ++x) s->AddXYZ(irregular ? x * 0.37 : x, Hill(x, z), irregular ? z * 0.53 : z);
    s->EndUpdate();
    return s;
}

void Redraw(benchmark::State& state, TChart& chart)
{
    TBitmap bitmap;
    bitmap.SetSize(kWidth, kHeight);
    chart.setGeometry(0, 0, kWidth, kHeight);
    chart.GetLegend()->Hide();
    for (auto _ : state) chart.Draw(bitmap.Canvas(), TRect(0, 0, kWidth, kHeight));
    state.counters["cells"] = kGrid * kGrid;
}

void BM_SurfaceRedraw_200x200(benchmark::State& state)
{
    TChart chart;
    chart.GetView3DOptions()->SetOrthogonal(false);
    chart.GetView3DOptions()->SetElevation(340);
    chart.GetView3DOptions()->SetRotation(335);
    Fill<TSurfaceSeries>(chart);
    Redraw(state, chart);
}

void BM_ContourRedraw_200x200(benchmark::State& state)
{
    TChart chart;
    chart.SetView3D(false);
    Fill<TContourSeries>(chart);
    Redraw(state, chart);
}

// The index of an irregular grid: sorted once, then reused until X or Z change.
void BM_IrregularGridIndex_First(benchmark::State& state)
{
    TChart chart;
    auto* s = Fill<TSurfaceSeries>(chart, true);
    for (auto _ : state) {
        s->InitGridIndex(0, 0);  // forgets the index
        s->FillGridIndex();
    }
}

void BM_IrregularGridIndex_Kept(benchmark::State& state)
{
    TChart chart;
    auto* s = Fill<TSurfaceSeries>(chart, true);
    s->FillGridIndex();
    for (auto _ : state) s->FillGridIndex();
}

BENCHMARK(BM_SurfaceRedraw_200x200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ContourRedraw_200x200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IrregularGridIndex_First)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IrregularGridIndex_Kept)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    // What the program keeps in its settings goes to a folder of the run's own.
    const QTemporaryDir settings;
    support::KeepSettingsIn(settings.path());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    const bool ran = benchverdict::RunCases(nullptr);
    benchmark::Shutdown();
    return ran ? 0 : benchverdict::NoCaseRan();
}
