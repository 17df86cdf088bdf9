// Number and date conversions run for every value written to or read from a data file.
#include <benchmark/benchmark.h>

#include "BenchVerdict.h"
#include "platform/DateTime.h"
#include "platform/FormatSettings.h"

static void BM_FloatToStr(benchmark::State& state)
{
    double v = 38751.25;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FloatToStr(v));
        v += 0.000123;
    }
}
BENCHMARK(BM_FloatToStr);

static void BM_StrToFloat(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(StrToFloat("38751,2534722222"));
}
BENCHMARK(BM_StrToFloat);

static void BM_FormatDateTime(benchmark::State& state)
{
    TDateTime t = 45000.5;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FormatDateTime("dd.mm.yyyy hh:nn:ss", t));
        t += 1.0 / 86400;
    }
}
BENCHMARK(BM_FormatDateTime);

NOX_BENCHMARK_MAIN();
