// The channel window's data load: 22 series, one point each per tick for 12 hours
// (43,200 ticks), axis statistics read after every tick, a flag label on a few points;
// then storing the series and reading them back. A plain vector append of the same
// numbers is the baseline in the same process.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "BenchVerdict.h"
#include "chart/engine/TChartSeries.h"

namespace {

constexpr int kSeries = 22;
constexpr int kTicks = 43200;
constexpr double kSecond = 1.0 / 86400;

double Sample(int series, int tick)
{
    return 20.0 + series + 0.01 * ((tick * 7 + series * 13) % 1000);
}

std::vector<std::unique_ptr<TChartSeries>> Record(bool readStatistics)
{
    std::vector<std::unique_ptr<TChartSeries>> all;
    for (int s = 0; s < kSeries; ++s) {
        all.push_back(std::make_unique<TChartSeries>());
        all.back()->XValues()->SetDateTime(true);
    }
    const double start = 46000.0;
    double sink = 0;
    for (int t = 0; t < kTicks; ++t) {
        const double x = start + t * kSecond;
        for (int s = 0; s < kSeries; ++s) {
            TChartSeries& series = *all[static_cast<std::size_t>(s)];
            // The channel window flags a point now and then with a short text.
            series.AddXY(x, Sample(s, t), (t % 3600 == 1800) ? AnsiString("S") : AnsiString());
            if (readStatistics) sink += series.MinYValue() + series.MaxYValue() + series.MaxXValue();
        }
    }
    benchmark::DoNotOptimize(sink);
    return all;
}

void BM_Baseline_VectorAppend(benchmark::State& state)
{
    for (auto _ : state) {
        std::vector<std::vector<double>> xs(kSeries), ys(kSeries);
        double sink = 0;
        for (int t = 0; t < kTicks; ++t)
            for (int s = 0; s < kSeries; ++s) {
                xs[static_cast<std::size_t>(s)].push_back(46000.0 + t * kSecond);
                ys[static_cast<std::size_t>(s)].push_back(Sample(s, t));
                sink += ys[static_cast<std::size_t>(s)].back();
            }
        benchmark::DoNotOptimize(sink);
    }
    state.SetItemsProcessed(state.iterations() * kSeries * kTicks);
}
BENCHMARK(BM_Baseline_VectorAppend)->Unit(benchmark::kMillisecond);

void BM_SeriesAppend(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(Record(false));
    state.SetItemsProcessed(state.iterations() * kSeries * kTicks);
}
BENCHMARK(BM_SeriesAppend)->Unit(benchmark::kMillisecond);

void BM_SeriesAppendWithStatistics(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(Record(true));
    state.SetItemsProcessed(state.iterations() * kSeries * kTicks);
}
BENCHMARK(BM_SeriesAppendWithStatistics)->Unit(benchmark::kMillisecond);

void BM_SeriesWriteData(benchmark::State& state)
{
    const auto all = Record(false);
    std::size_t bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (const auto& s : all) {
            std::vector<std::uint8_t> stream;
            s->WriteData(stream);
            bytes += stream.size();
        }
    }
    state.counters["bytes"] = static_cast<double>(bytes);
    state.SetItemsProcessed(state.iterations() * kSeries * kTicks);
}
BENCHMARK(BM_SeriesWriteData)->Unit(benchmark::kMillisecond);

void BM_SeriesReadData(benchmark::State& state)
{
    const auto all = Record(false);
    std::vector<std::vector<std::uint8_t>> streams(kSeries);
    for (int s = 0; s < kSeries; ++s) all[static_cast<std::size_t>(s)]->WriteData(streams[static_cast<std::size_t>(s)]);
    for (auto _ : state) {
        for (int s = 0; s < kSeries; ++s) {
            TChartSeries target;
            target.ReadData(streams[static_cast<std::size_t>(s)]);
            benchmark::DoNotOptimize(target.MaxYValue());
        }
    }
    state.SetItemsProcessed(state.iterations() * kSeries * kTicks);
}
BENCHMARK(BM_SeriesReadData)->Unit(benchmark::kMillisecond);

void BM_SeriesReadDataReversedX(benchmark::State& state)
{
    // Stored points whose X runs backwards: the reader sorts once instead of inserting
    // every point at the front.
    TChartSeries source;
    source.XValues()->SetOrder(loNone);
    for (int t = 0; t < kTicks; ++t) source.AddXY(kTicks - t, Sample(0, t));
    std::vector<std::uint8_t> stream;
    source.WriteData(stream);
    for (auto _ : state) {
        TChartSeries target;
        target.ReadData(stream);
        benchmark::DoNotOptimize(target.XValues()->First());
    }
    state.SetItemsProcessed(state.iterations() * kTicks);
}
BENCHMARK(BM_SeriesReadDataReversedX)->Unit(benchmark::kMillisecond);

void BM_SeriesReadDataReversedX_OneByOne(benchmark::State& state)
{
    // The same stream read point by point (an OnBeforeAdd handler forces that path):
    // what reading cost when every point was placed on its own.
    TChartSeries source;
    source.XValues()->SetOrder(loNone);
    for (int t = 0; t < kTicks; ++t) source.AddXY(kTicks - t, Sample(0, t));
    std::vector<std::uint8_t> stream;
    source.WriteData(stream);
    for (auto _ : state) {
        TChartSeries target;
        target.OnBeforeAdd = [](TChartSeries*) { return true; };
        target.ReadData(stream);
        benchmark::DoNotOptimize(target.XValues()->First());
    }
    state.SetItemsProcessed(state.iterations() * kTicks);
}
BENCHMARK(BM_SeriesReadDataReversedX_OneByOne)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_LocateAndVisibleRange(benchmark::State& state)
{
    TChartSeries series;
    for (int t = 0; t < kTicks; ++t) series.AddXY(46000.0 + t * kSecond, Sample(0, t));
    int i = 0;
    for (auto _ : state) {
        const double x = 46000.0 + (i++ % kTicks) * kSecond;
        benchmark::DoNotOptimize(series.XValues()->Locate(x));
        series.CalcFirstLastVisibleRange(x, x + 600 * kSecond);
        benchmark::DoNotOptimize(series.LastValueIndex);
    }
}
BENCHMARK(BM_LocateAndVisibleRange);

}  // namespace

NOX_BENCHMARK_MAIN();
