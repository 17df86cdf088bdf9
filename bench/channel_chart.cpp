// Drawing the channel window's live chart: 22 fast lines of 43,200 points (12 hours, one
// point per second, date-time X), 1920 x 1080, one-pixel solid pens, left axis fixed to
// [-50, 300], no legend. Two data sets: noisy random walks, and smooth traces as a lab
// records them (slow changes in hundredths). Three cases each: the whole 12 hours, the
// last 30 minutes, and the live tick (one new point per curve, the 30-minute window
// follows, redraw).
// When the peer plotting library is installed (scripts/bench installs it), the same scene
// is drawn with it in the same process, as we draw it: no antialiasing on either side, the
// same number of labels and grid lines on each axis, the labels in the same font and
// format. The ratios of the medians are printed at the end ("ratio" below 1 means this
// chart is faster).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchVerdict.h"
#include "support/ChannelChartScene.h"
#include "support/PrivateSettings.h"

#ifdef NOX_HAVE_PEER_PLOT
#include <qcustomplot.h>
#endif

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kSeries = 22;
constexpr int kPoints = 43200;
constexpr int kWindow = 1800;

// A lab trace: slow swings and drifts, in the hundredths the unit sends.
double Smooth(int series, long long i)
{
    const double t = double(i);
    const double v = 25.0 + 10.0 * series + 8.0 * std::sin(t * 6.283 / (3600.0 + 300.0 * series)) +
                     2.0 * std::sin(t * 6.283 / 600.0 + series) + 0.00002 * t;
    return std::round(v * 100.0) / 100.0;
}

// Our chart with one of the two data sets; ticks add to it in kind.
class Scene {
public:
    explicit Scene(bool smooth) : chart(kWidth, kHeight, kSeries, kPoints), FSmooth(smooth)
    {
        if (!smooth) return;
        std::vector<double> xs(kPoints), ys(kPoints);
        for (int i = 0; i < kPoints; ++i) xs[std::size_t(i)] = scene::kStartDay + i * scene::kSecond;
        for (int s = 0; s < kSeries; ++s) {
            TFastLineSeries* line = chart.series[std::size_t(s)];
            line->Clear();
            for (int i = 0; i < kPoints; ++i) ys[std::size_t(i)] = Smooth(s, i);
            line->BeginUpdate();
            line->AddXYs(xs.data(), ys.data(), kPoints);
            line->EndUpdate();
        }
    }
    void Tick()
    {
        if (!FSmooth) {
            chart.Tick();
            return;
        }
        ++FExtra;
        const long long i = kPoints - 1 + FExtra;
        for (int s = 0; s < kSeries; ++s)
            chart.series[std::size_t(s)]->AddXY(scene::kStartDay + double(i) * scene::kSecond, Smooth(s, i));
    }
    void ShowLast(int seconds)
    {
        if (!FSmooth) {
            chart.ShowLast(seconds);
            return;
        }
        const double last = scene::kStartDay + double(kPoints - 1 + FExtra) * scene::kSecond;
        if (seconds <= 0)
            chart.chart.BottomAxis()->SetAutomatic(true);
        else
            chart.chart.BottomAxis()->SetMinMax(last - seconds * scene::kSecond, last);
    }
    const QImage& Paint() { return chart.Paint(); }

    scene::ChannelChart chart;

private:
    bool FSmooth;
    long long FExtra = 0;
};

// The scenes are made on first use and freed before the application object goes.
std::unique_ptr<Scene> gOurs[2];

Scene& Ours(bool smooth)
{
    auto& s = gOurs[smooth ? 1 : 0];
    if (!s) s = std::make_unique<Scene>(smooth);
    return *s;
}

void Full12h(benchmark::State& state, bool smooth)
{
    auto& c = Ours(smooth);
    c.ShowLast(0);
    for (auto _ : state) benchmark::DoNotOptimize(c.Paint().constBits());
}

void Window30min(benchmark::State& state, bool smooth)
{
    auto& c = Ours(smooth);
    c.ShowLast(kWindow);
    for (auto _ : state) benchmark::DoNotOptimize(c.Paint().constBits());
}

void LiveTick(benchmark::State& state, bool smooth)
{
    auto& c = Ours(smooth);
    c.ShowLast(kWindow);
    c.Paint();
    for (auto _ : state) {
        c.Tick();
        c.ShowLast(kWindow);
        benchmark::DoNotOptimize(c.Paint().constBits());
    }
}

BENCHMARK_CAPTURE(Full12h, Ours_Noisy, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Window30min, Ours_Noisy, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LiveTick, Ours_Noisy, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Full12h, Ours_Smooth, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Window30min, Ours_Smooth, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LiveTick, Ours_Smooth, true)->Unit(benchmark::kMillisecond);

#ifdef NOX_HAVE_PEER_PLOT
// Ticks at the step our axis chose, so both sides show the same labels and grid lines.
template <typename Base>
class StepTicker : public Base {
public:
    double Step = 1;

protected:
    double getTickStep(const QCPRange&) override { return Step; }
};

// The same scene in the peer library: keys in seconds since 1970 for its date-time ticker.
class Peer {
public:
    explicit Peer(bool smooth) : FSmooth(smooth)
    {
        plot.resize(kWidth, kHeight);
        plot.setViewport(QRect(0, 0, kWidth, kHeight));
        // Drawn as we draw: no antialiasing anywhere.
        plot.setNotAntialiasedElements(QCP::aeAll);
        FDates = QSharedPointer<StepTicker<QCPAxisTickerDateTime>>(new StepTicker<QCPAxisTickerDateTime>);
        FDates->setDateTimeSpec(Qt::UTC);
        FDates->setDateTimeFormat("hh:mm");
        FValues = QSharedPointer<StepTicker<QCPAxisTicker>>(new StepTicker<QCPAxisTicker>);
        plot.xAxis->setTicker(FDates);
        plot.yAxis->setTicker(FValues);
        plot.yAxis->setRange(-50, 300);
        plot.legend->setVisible(false);
        // The walks of the scene, taken from our own series so both draw identical data.
        auto& ours = Ours(smooth);
        for (int s = 0; s < kSeries; ++s) {
            QCPGraph* g = plot.addGraph();
            const TFastLineSeries* line = ours.chart.series[static_cast<std::size_t>(s)];
            const TColor color = line->GetSeriesColor();
            g->setPen(QPen(QColor(GetRValue(color), GetGValue(color), GetBValue(color)), 1));
            g->setAntialiased(false);
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
        // Labels in our font.
        for (auto [axis, their] : {std::pair{ours.chart.chart.BottomAxis(), plot.xAxis},
                                   std::pair{ours.chart.chart.LeftAxis(), plot.yAxis}}) {
            const TTeeFont* font = axis->GetLabelsFont();
            QFont f(QString::fromStdString(font->GetName()));
            f.setPixelSize(std::abs(font->GetHeight()));
            f.setBold(font->GetStyle().testFlag(gfx::fsBold));
            their->setTickLabelFont(f);
            their->grid()->setSubGridVisible(false);
        }
        // NOX_DUMP_CHARTS=<folder> writes both pictures of the whole data, to compare them.
        if (const char* dir = std::getenv("NOX_DUMP_CHARTS")) {
            const QString suffix = smooth ? "_smooth.png" : "_noisy.png";
            ShowAll();
            ours.Paint().save(QString::fromLocal8Bit(dir) + "/ours" + suffix);
            plot.toPixmap(kWidth, kHeight).save(QString::fromLocal8Bit(dir) + "/peer" + suffix);
        }
    }
    static double Key(double day) { return (day - 25569.0) * 86400.0; }
    static double keys(int i) { return Key(scene::kStartDay + i * scene::kSecond); }

    // The views set the label steps our chart takes for the same view (not timed).
    void ShowAll()
    {
        MatchSteps(0);
        plot.xAxis->setRange(keys(0), last);
    }
    void ShowLast(int seconds)
    {
        MatchSteps(seconds);
        Follow(seconds);
    }
    // The view moves on with the newest point; the steps stay.
    void Follow(int seconds) { plot.xAxis->setRange(last - seconds, last); }
    void Tick()
    {
        last += 1.0;
        ++FExtra;
        for (std::size_t s = 0; s < graphs.size(); ++s) {
            tickSeed = tickSeed * 1664525u + 1013904223u;
            const double v = FSmooth ? Smooth(int(s), kPoints - 1 + FExtra)
                                     : 100.0 + static_cast<double>(tickSeed >> 8) / 16777216.0;
            graphs[s]->addData(last, v);
        }
    }
    void Paint() { plot.replot(QCustomPlot::rpImmediateRefresh); }

    QCustomPlot plot;
    std::vector<QCPGraph*> graphs;
    double last = 0;
    std::uint32_t tickSeed = 0;
    int labels[2] = {};  // bottom and left, over the whole data

private:
    void MatchSteps(int seconds)
    {
        auto& ours = Ours(FSmooth);
        ours.ShowLast(seconds);
        ours.Paint();
        TChartAxis* bottom = ours.chart.chart.BottomAxis();
        TChartAxis* left = ours.chart.chart.LeftAxis();
        FDates->Step = bottom->CalcIncrement() * 86400.0;
        FValues->Step = left->CalcIncrement();
        if (seconds == 0) {
            labels[0] = int((bottom->GetMaximum() - bottom->GetMinimum()) / bottom->CalcIncrement()) + 1;
            labels[1] = int((left->GetMaximum() - left->GetMinimum()) / left->CalcIncrement()) + 1;
        }
    }

    bool FSmooth;
    long long FExtra = 0;
    QSharedPointer<StepTicker<QCPAxisTickerDateTime>> FDates;
    QSharedPointer<StepTicker<QCPAxisTicker>> FValues;
};

std::unique_ptr<Peer> gPeer[2];

Peer& ThePeer(bool smooth)
{
    auto& p = gPeer[smooth ? 1 : 0];
    if (!p) p = std::make_unique<Peer>(smooth);
    return *p;
}

void PeerFull12h(benchmark::State& state, bool smooth)
{
    auto& p = ThePeer(smooth);
    p.ShowAll();
    for (auto _ : state) p.Paint();
}

void PeerWindow30min(benchmark::State& state, bool smooth)
{
    auto& p = ThePeer(smooth);
    p.ShowLast(kWindow);
    for (auto _ : state) p.Paint();
}

void PeerLiveTick(benchmark::State& state, bool smooth)
{
    auto& p = ThePeer(smooth);
    p.ShowLast(kWindow);
    p.Paint();
    for (auto _ : state) {
        p.Tick();
        p.Follow(kWindow);
        p.Paint();
    }
}

BENCHMARK_CAPTURE(PeerFull12h, Peer_Noisy, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PeerWindow30min, Peer_Noisy, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PeerLiveTick, Peer_Noisy, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PeerFull12h, Peer_Smooth, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PeerWindow30min, Peer_Smooth, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PeerLiveTick, Peer_Smooth, true)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // What the program keeps in its settings goes to a folder of the run's own.
    const QTemporaryDir settings;
    support::KeepSettingsIn(settings.path());
    // Repeated and interleaved by default: the machine is shared, medians of interleaved
    // runs compare best.
    benchverdict::Arguments args(argc, argv, 7);
    benchmark::Initialize(&args.Count, args.Values());
    benchverdict::MedianReporter reporter;
    const bool ran = benchverdict::RunCases(&reporter);
    benchmark::Shutdown();
    if (!ran) {
#ifdef NOX_HAVE_PEER_PLOT
        for (auto& p : gPeer) p.reset();
#endif
        for (auto& o : gOurs) o.reset();
        return benchverdict::NoCaseRan();
    }
#ifdef NOX_HAVE_PEER_PLOT
    if (gPeer[0])
        std::printf("\nlabels and grid lines over the 12 hours: bottom %d, left %d on both sides\n",
                    gPeer[0]->labels[0], gPeer[0]->labels[1]);
    for (auto& p : gPeer) p.reset();
    struct Target {
        const char* ours;
        const char* peer;
        double limit;
    };
    std::printf("\n(medians of the repetitions, CPU time)\n%-20s %10s %10s %7s %7s\n", "case", "ours ms", "peer ms",
                "ratio", "target");
    for (const char* data : {"Noisy", "Smooth"})
        for (const Target& t : {Target{"Full12h", "PeerFull12h", 0.5}, Target{"Window30min", "PeerWindow30min", 0.4},
                                Target{"LiveTick", "PeerLiveTick", 0.4}}) {
            const std::string oName = std::string(t.ours) + "/Ours_" + data,
                              pName = std::string(t.peer) + "/Peer_" + data;
            // CPU-time medians: the drawing is this thread's work, and on a shared machine the
            // wall time also holds the time it waited for a core.
            const double o = reporter.CpuTime(oName), p = reporter.CpuTime(pName);
            if (o <= 0 || p <= 0) {
                std::printf("%-20s not measured on both sides: no verdict\n",
                            (std::string(t.ours) + " " + data).c_str());
                continue;
            }
            const double ratio = o / p;
            std::printf("%-20s %10.3f %10.3f %7.3f %7.2f %s\n", (std::string(t.ours) + " " + data).c_str(), o, p, ratio,
                        t.limit, reporter.Verdict(ratio <= t.limit, {oName, pName}).c_str());
        }
    std::printf("both sides unantialiased, same label and grid-line count per axis\n");
#else
    std::printf("\nThe peer plotting library is not installed: no comparison.\n");
#endif
    for (auto& o : gOurs) o.reset();
    return 0;
}
