// Drawing the channel window's live chart: 22 fast lines of 43,200 points (12 hours, one
// point per second, date-time X), 1920 x 1080, one-pixel solid pens, left axis fixed to
// [-50, 300], no legend. Three cases: the whole 12 hours, the last 30 minutes, and the live
// tick (one new point per curve, the 30-minute window follows, redraw).
// When the peer plotting library is installed (scripts/bench installs it), the same scene
// is drawn with it in the same process and the ratios of the medians are printed at the
// end ("ratio" below 1 means this chart is faster).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/ChannelChartScene.h"

#ifdef NOX_HAVE_PEER_PLOT
#include <qcustomplot.h>
#endif

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kSeries = 22;
constexpr int kPoints = 43200;
constexpr int kWindow = 1800;

// Both scenes are made on first use and freed before the application object goes.
std::unique_ptr<scene::ChannelChart> gOurs;

scene::ChannelChart& Ours()
{
    if (!gOurs) gOurs = std::make_unique<scene::ChannelChart>(kWidth, kHeight, kSeries, kPoints);
    return *gOurs;
}

void BM_Ours_Full12h(benchmark::State& state)
{
    auto& c = Ours();
    c.ShowLast(0);
    for (auto _ : state) benchmark::DoNotOptimize(c.Paint().constBits());
}

void BM_Ours_Window30min(benchmark::State& state)
{
    auto& c = Ours();
    c.ShowLast(kWindow);
    for (auto _ : state) benchmark::DoNotOptimize(c.Paint().constBits());
}

void BM_Ours_LiveTick(benchmark::State& state)
{
    auto& c = Ours();
    c.ShowLast(kWindow);
    c.Paint();
    for (auto _ : state) {
        c.Tick();
        c.ShowLast(kWindow);
        benchmark::DoNotOptimize(c.Paint().constBits());
    }
}

BENCHMARK(BM_Ours_Full12h)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ours_Window30min)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ours_LiveTick)->Unit(benchmark::kMillisecond);

#ifdef NOX_HAVE_PEER_PLOT
// The same scene in the peer library: keys in seconds since 1970 for its date-time ticker.
class Peer {
public:
    Peer()
    {
        plot.resize(kWidth, kHeight);
        plot.setViewport(QRect(0, 0, kWidth, kHeight));
        plot.xAxis->setTicker(QSharedPointer<QCPAxisTickerDateTime>(new QCPAxisTickerDateTime));
        plot.yAxis->setRange(-50, 300);
        plot.legend->setVisible(false);
        // The walks of the scene, taken from our own series so both draw identical data.
        const auto& ours = Ours();
        for (int s = 0; s < kSeries; ++s) {
            QCPGraph* g = plot.addGraph();
            const TFastLineSeries* line = ours.series[static_cast<std::size_t>(s)];
            const TColor color = line->GetSeriesColor();
            g->setPen(QPen(QColor(GetRValue(color), GetGValue(color), GetBValue(color)), 1));
            QVector<double> keys, values;
            keys.reserve(kPoints);
            values.reserve(kPoints);
            for (int i = 0; i < kPoints; ++i) {
                keys.push_back(Key(line->XValues()->Value(i)));
                values.push_back(line->YValues()->Value(i));
            }
            g->setData(keys, values, true);
            graphs.push_back(g);
        }
        last = keys(kPoints - 1);
        tickSeed = 1234567u;
    }
    static double Key(double day) { return (day - 25569.0) * 86400.0; }
    static double keys(int i) { return Key(scene::kStartDay + i * scene::kSecond); }

    void ShowAll() { plot.xAxis->setRange(keys(0), last); }
    void ShowLast(int seconds) { plot.xAxis->setRange(last - seconds, last); }
    void Tick()
    {
        last += 1.0;
        for (QCPGraph* g : graphs) {
            tickSeed = tickSeed * 1664525u + 1013904223u;
            g->addData(last, 100.0 + static_cast<double>(tickSeed >> 8) / 16777216.0);
        }
    }
    void Paint() { plot.replot(QCustomPlot::rpImmediateRefresh); }

    QCustomPlot plot;
    std::vector<QCPGraph*> graphs;
    double last = 0;
    std::uint32_t tickSeed = 0;
};

std::unique_ptr<Peer> gPeer;

Peer& ThePeer()
{
    if (!gPeer) gPeer = std::make_unique<Peer>();
    return *gPeer;
}

void BM_Peer_Full12h(benchmark::State& state)
{
    auto& p = ThePeer();
    p.ShowAll();
    for (auto _ : state) p.Paint();
}

void BM_Peer_Window30min(benchmark::State& state)
{
    auto& p = ThePeer();
    p.ShowLast(kWindow);
    for (auto _ : state) p.Paint();
}

void BM_Peer_LiveTick(benchmark::State& state)
{
    auto& p = ThePeer();
    p.ShowLast(kWindow);
    p.Paint();
    for (auto _ : state) {
        p.Tick();
        p.ShowLast(kWindow);
        p.Paint();
    }
}

BENCHMARK(BM_Peer_Full12h)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Peer_Window30min)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Peer_LiveTick)->Unit(benchmark::kMillisecond);
#endif

// Prints as usual and keeps the median of every benchmark for the ratios.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median")
                medians[r.run_name.function_name] = r.GetAdjustedRealTime();
    }
    std::map<std::string, double> medians;
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    std::vector<char*> args(argv, argv + argc);
    // Repeated and interleaved by default: the machine is shared, medians of interleaved
    // runs compare best.
    std::string reps = "--benchmark_repetitions=7", interleave = "--benchmark_enable_random_interleaving=true";
    bool hasReps = false;
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]).rfind("--benchmark_repetitions", 0) == 0) hasReps = true;
    if (!hasReps) {
        args.push_back(reps.data());
        args.push_back(interleave.data());
    }
    int n = static_cast<int>(args.size());
    benchmark::Initialize(&n, args.data());
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
#ifdef NOX_HAVE_PEER_PLOT
    gPeer.reset();
    struct Target {
        const char* name;
        double limit;
    };
    std::printf("\n%-14s %10s %10s %7s %7s\n", "case", "ours ms", "peer ms", "ratio", "target");
    for (const Target& t : {Target{"Full12h", 0.5}, Target{"Window30min", 0.4}, Target{"LiveTick", 0.4}}) {
        const auto o = reporter.medians.find(std::string("BM_Ours_") + t.name);
        const auto p = reporter.medians.find(std::string("BM_Peer_") + t.name);
        if (o == reporter.medians.end() || p == reporter.medians.end() || p->second <= 0) continue;
        const double ratio = o->second / p->second;
        std::printf("%-14s %10.3f %10.3f %7.3f %7.2f %s\n", t.name, o->second, p->second, ratio, t.limit,
                    ratio <= t.limit ? "met" : "MISSED");
    }
#else
    std::printf("\nThe peer plotting library is not installed: no comparison.\n");
#endif
    gOurs.reset();
    return 0;
}
