// Memory of the chart data of ten channel windows: 22 series each, 12 hours at one point
// per second, with and without a flag label (and a colour of its own) every five minutes.
// The heap in use after loading is compared with the raw X and Y doubles ("ratio"; the aim
// is at most 1.15).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <memory>
#include <vector>

#include "BenchVerdict.h"
#include "chart/series/TFastLineSeries.h"

namespace {

constexpr int kChannels = 10;
constexpr int kSeries = 22;
constexpr int kPoints = 43200;

std::size_t HeapInUse()
{
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

void Load(benchmark::State& state, bool labels, bool colours = false)
{
    for (auto _ : state) {
        const std::size_t before = HeapInUse();
        std::vector<std::unique_ptr<TFastLineSeries>> all;
        for (int c = 0; c < kChannels * kSeries; ++c) {
            all.push_back(std::make_unique<TFastLineSeries>());
            all.back()->XValues()->SetDateTime(true);
        }
        for (int t = 0; t < kPoints; ++t)
            for (auto& s : all)
                s->AddXY(46000.0 + t / 86400.0, 20.0 + (t % 977) * 0.01,
                         labels && t % 300 == 150 ? AnsiString("Setpoint 25.00") : AnsiString(),
                         colours && t % 300 == 150 ? clRed : clDefault);
        const double raw = double(kChannels) * kSeries * kPoints * 16.0;
        const double used = double(HeapInUse() - before);
        state.counters["MB"] = used / 1048576.0;
        state.counters["ratio"] = used / raw;
    }
}

void BM_Memory_TenChannels(benchmark::State& state)
{
    Load(state, false);
}
void BM_Memory_TenChannelsWithLabels(benchmark::State& state)
{
    Load(state, true);
}

void BM_Memory_TenChannelsWithColouredLabels(benchmark::State& state)
{
    Load(state, true, true);
}

BENCHMARK(BM_Memory_TenChannels)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Memory_TenChannelsWithLabels)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Memory_TenChannelsWithColouredLabels)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

NOX_BENCHMARK_MAIN();
