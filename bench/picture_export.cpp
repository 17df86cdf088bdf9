// Picture export of a full-screen chart (1920 x 1080): BMP, JPEG (quality 95) and GIF
// through their export formats, each including the drawing of the chart. Drawing the chart
// into a bitmap alone is the baseline; the formats are reported as ratios to it, with
// their file sizes.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <map>

#include "BenchVerdict.h"
#include "chart/engine/TCustomTeePanel.h"
#include "chart/storage/TeePictureFormats.h"
#include "support/PrivateSettings.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// White panel, grey grid, a framed plot area, twenty curves of 1600 points in distinct
// colours and axis labels.
class TChartPicturePanel : public TCustomTeePanel {
public:
    TChartPicturePanel()
    {
        resize(kWidth, kHeight);
        SetColor(clWhite);
        for (int s = 0; s < 20; ++s) {
            std::vector<TPoint> points;
            int y = 200 + s * 35;
            std::uint32_t state = 12345u + std::uint32_t(s);
            for (int x = 81; x < kWidth - 301; ++x) {
                state = state * 1103515245u + 12345u;
                y = std::clamp(y + int((state >> 16) % 7) - 3, 61, kHeight - 81);
                points.push_back({x, y});
            }
            Curves.push_back(std::move(points));
        }
    }
    void InternalDraw(const TRect&) override
    {
        TTeeCanvas* c = GetCanvas();
        c->Pen->SetStyle(psSolid);
        c->Pen->SetWidth(1);
        c->Pen->SetColor(RGB(192, 192, 192));
        for (int y = 60; y < kHeight - 80; y += 60) c->Line(80, y, kWidth - 300, y);
        for (int x = 80; x < kWidth - 300; x += 120) c->Line(x, 60, x, kHeight - 80);
        c->Pen->SetColor(clBlack);
        c->Brush->SetStyle(bsClear);
        c->Rectangle(80, 60, kWidth - 300, kHeight - 80);
        for (int x = 80, i = 0; x < kWidth - 300; x += 120, ++i) c->TextOut(x - 8, kHeight - 70, IntToStr(i * 10));
        for (std::size_t s = 0; s < Curves.size(); ++s) {
            c->Pen->SetColor(RGB(int(s * 53 % 256), int(s * 97 % 200), int(255 - s * 11)));
            c->Polyline(Curves[s]);
        }
    }
    std::vector<std::vector<TPoint>> Curves;
};

TChartPicturePanel& Panel()
{
    static TChartPicturePanel panel;
    return panel;
}

void BM_Baseline_DrawChart(benchmark::State& state)
{
    for (auto _ : state) {
        auto bitmap = Panel().TeeCreateBitmap(clWhite, TRect(0, 0, kWidth, kHeight), pf24bit);
        benchmark::DoNotOptimize(bitmap->Image().constBits());
    }
}
BENCHMARK(BM_Baseline_DrawChart)->Unit(benchmark::kMillisecond);

template <typename Format>
void Export(benchmark::State& state)
{
    Format format;
    format.Panel = &Panel();
    std::int64_t size = 0;
    for (auto _ : state) {
        TMemoryStream out;
        format.Options(true);
        format.CheckSize();
        format.SaveToStream(&out);
        size = out.GetSize();
        benchmark::DoNotOptimize(out.Memory());
    }
    state.counters["file_bytes"] = double(size);
}
void BM_BMP(benchmark::State& state)
{
    Export<TBMPExportFormat>(state);
}
void BM_JPEG(benchmark::State& state)
{
    Export<TJPEGExportFormat>(state);
}
void BM_GIF(benchmark::State& state)
{
    Export<TGIFExportFormat>(state);
}
BENCHMARK(BM_BMP)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JPEG)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GIF)->Unit(benchmark::kMillisecond);

// Each format's time as a ratio to drawing alone, from the medians of the repetitions.
void PrintRatios(const benchverdict::MedianReporter& r)
{
    const double base = r.Time("BM_Baseline_DrawChart");
    if (base <= 0) return;
    for (const char* name : {"BM_BMP", "BM_JPEG", "BM_GIF"}) {
        if (!r.Measured(name)) continue;
        const double bytes = r.Counter(name, "file_bytes");
        std::printf("%s: time / drawing %.2f, %.0f bytes (%.3f bytes per pixel)\n", name, r.Time(name) / base, bytes,
                    bytes / (double(kWidth) * kHeight));
    }
}

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
    benchverdict::MedianReporter reporter;
    const bool ran = benchverdict::RunCases(&reporter);
    benchmark::Shutdown();
    if (!ran) return benchverdict::NoCaseRan();
    PrintRatios(reporter);
    return 0;
}
