// GIF encoding of a full-screen chart picture (1920 x 1080, 8 bits per pixel): the LZW
// coder is the baseline, the run-length coder is measured against it in the same process,
// also on a noisy picture where runs are short. A plain copy of the pixels gives the floor.
// A true-colour chart picture is reduced to 8 bits and encoded as the chart export does
// (bitmap assigned, then saved), for several reductions and ditherers, against the same
// LZW baseline. When giflib is installed (scripts/bench installs it), it encodes the same
// indices with the same palette as the peer; the goal is at most its time (the medians of
// five interleaved repetitions, CPU time).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <map>
#include <random>

#include "BenchVerdict.h"
#include "chart/storage/TGIFImage.h"

#ifdef NOX_HAVE_GIFLIB
#include <gif_lib.h>
#endif

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// A chart as the program draws it: white panel, grey grid, framed plot area, twenty curves
// of one pixel width in palette colours, and some text-like speckle in the legend.
void DrawChart(TGIFSubImage* frame)
{
    std::uint8_t* px = frame->Data();
    std::memset(px, 0, std::size_t(kWidth) * kHeight);  // white
    for (int y = 60; y < kHeight - 80; y += 60)
        for (int x = 80; x < kWidth - 300; ++x) px[y * kWidth + x] = 1;  // grid rows
    for (int x = 80; x < kWidth - 300; x += 120)
        for (int y = 60; y < kHeight - 80; ++y) px[y * kWidth + x] = 1;  // grid columns
    for (int s = 0; s < 20; ++s) {
        int y = 200 + s * 35;
        std::uint32_t state = 12345u + std::uint32_t(s);
        for (int x = 81; x < kWidth - 301; ++x) {
            state = state * 1103515245u + 12345u;
            y += int((state >> 16) % 3) - 1;
            y = std::clamp(y, 61, kHeight - 81);
            px[y * kWidth + x] = std::uint8_t(2 + s);
        }
    }
    std::mt19937 rng(5);
    for (int y = 100; y < 700; ++y)
        for (int x = kWidth - 260; x < kWidth - 40; ++x)
            if (rng() % 5 == 0) px[y * kWidth + x] = std::uint8_t(22 + rng() % 8);
}

void DrawNoise(TGIFSubImage* frame)
{
    std::mt19937 rng(9);
    std::uint8_t* px = frame->Data();
    for (std::size_t i = 0; i < std::size_t(kWidth) * kHeight; ++i) px[i] = std::uint8_t(rng());
}

std::unique_ptr<TGIFImage> MakeImage(TGIFCompression compression, bool noise)
{
    auto gif = std::make_unique<TGIFImage>();
    gif->Compression = compression;
    for (int i = 0; i < 256; ++i) gif->GlobalColorMap()->Add(RGB(255 - i, (i * 37) & 0xFF, (i * 91) & 0xFF));
    auto* frame = new TGIFSubImage(gif.get());
    gif->Add(frame);
    frame->SetBoundsRect(Bounds(0, 0, kWidth, kHeight));
    if (noise)
        DrawNoise(frame);
    else
        DrawChart(frame);
    return gif;
}

void Encode(benchmark::State& state, TGIFCompression compression, bool noise)
{
    auto gif = MakeImage(compression, noise);
    std::int64_t size = 0;
    for (auto _ : state) {
        TMemoryStream out;
        gif->SaveToStream(&out);
        size = out.GetSize();
        benchmark::DoNotOptimize(out.Memory());
    }
    state.counters["file_bytes"] = double(size);
    state.counters["bytes_per_pixel"] = double(size) / (double(kWidth) * kHeight);
    state.SetItemsProcessed(state.iterations() * std::int64_t(kWidth) * kHeight);
}

void BM_Floor_CopyPixels(benchmark::State& state)
{
    auto gif = MakeImage(gcLZW, false);
    const auto& px = gif->Images()->GetImage(0)->PixelData();
    for (auto _ : state) {
        TMemoryStream out;
        out.WriteBuffer(px.data(), std::int64_t(px.size()));
        benchmark::DoNotOptimize(out.Memory());
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(kWidth) * kHeight);
}
BENCHMARK(BM_Floor_CopyPixels)->Unit(benchmark::kMillisecond);

void BM_Baseline_LZW_Chart(benchmark::State& state)
{
    Encode(state, gcLZW, false);
}
void BM_RLE_Chart(benchmark::State& state)
{
    Encode(state, gcRLE, false);
}
void BM_Baseline_LZW_Noise(benchmark::State& state)
{
    Encode(state, gcLZW, true);
}
void BM_RLE_Noise(benchmark::State& state)
{
    Encode(state, gcRLE, true);
}
// The chart as a true-colour bitmap: a shaded background (thousands of colours), grid,
// twenty curves in arbitrary colours, two pixels wide with a lighter edge, and a legend.
std::unique_ptr<TBitmap> MakeTrueColourChart()
{
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetSize(kWidth, kHeight);
    bmp->SetPixelFormat(pf24bit);
    for (int y = 0; y < kHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(bmp->ScanLine(y));
        for (int x = 0; x < kWidth; ++x)
            row[x] = qRgb(235 + x * 20 / kWidth, 240 + y * 15 / kHeight, 255 - (x + y) * 30 / (kWidth + kHeight));
    }
    const auto put = [&](int x, int y, QRgb c) {
        if (x >= 0 && x < kWidth && y >= 0 && y < kHeight) reinterpret_cast<QRgb*>(bmp->ScanLine(y))[x] = c;
    };
    for (int y = 60; y < kHeight - 80; y += 60)
        for (int x = 80; x < kWidth - 300; ++x) put(x, y, qRgb(192, 192, 192));
    for (int x = 80; x < kWidth - 300; x += 120)
        for (int y = 60; y < kHeight - 80; ++y) put(x, y, qRgb(192, 192, 192));
    for (int s = 0; s < 20; ++s) {
        const QRgb c = qRgb((s * 97) % 256, (s * 53 + 80) % 256, (s * 151 + 30) % 256);
        const QRgb edge = qRgb((qRed(c) + 255) / 2, (qGreen(c) + 255) / 2, (qBlue(c) + 255) / 2);
        int y = 200 + s * 35;
        std::uint32_t state = 12345u + std::uint32_t(s);
        for (int x = 81; x < kWidth - 301; ++x) {
            state = state * 1103515245u + 12345u;
            y = std::clamp(y + int((state >> 16) % 3) - 1, 61, kHeight - 82);
            put(x, y, c);
            put(x, y + 1, c);
            put(x, y + 2, edge);
        }
    }
    std::mt19937 rng(5);
    for (int y = 100; y < 700; ++y)
        for (int x = kWidth - 260; x < kWidth - 40; ++x)
            if (rng() % 5 == 0) put(x, y, qRgb(int(rng() % 256), 0, 0));
    return bmp;
}

void ReduceAndEncode(benchmark::State& state, TColorReduction reduction, TDitherMode dither)
{
    const auto bmp = MakeTrueColourChart();
    std::int64_t size = 0;
    for (auto _ : state) {
        TGIFImage gif;
        gif.ColorReduction = reduction;
        gif.DitherMode = dither;
        gif.Assign(bmp.get());
        TMemoryStream out;
        gif.SaveToStream(&out);
        size = out.GetSize();
        benchmark::DoNotOptimize(out.Memory());
    }
    state.counters["file_bytes"] = double(size);
    state.counters["bytes_per_pixel"] = double(size) / (double(kWidth) * kHeight);
    state.SetItemsProcessed(state.iterations() * std::int64_t(kWidth) * kHeight);
}

void BM_Reduce_Netscape_Nearest(benchmark::State& state)
{
    ReduceAndEncode(state, rmNetscape, dmNearest);
}
void BM_Reduce_Netscape_FloydSteinberg(benchmark::State& state)
{
    ReduceAndEncode(state, rmNetscape, dmFloydSteinberg);
}
void BM_Reduce_Netscape_Stucki(benchmark::State& state)
{
    ReduceAndEncode(state, rmNetscape, dmStucki);
}
void BM_Reduce_Windows20_Nearest(benchmark::State& state)
{
    ReduceAndEncode(state, rmWindows20, dmNearest);
}
void BM_Reduce_Quantize_Nearest(benchmark::State& state)
{
    ReduceAndEncode(state, rmQuantize, dmNearest);
}
void BM_Reduce_Quantize_FloydSteinberg(benchmark::State& state)
{
    ReduceAndEncode(state, rmQuantize, dmFloydSteinberg);
}
BENCHMARK(BM_Reduce_Netscape_Nearest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reduce_Netscape_FloydSteinberg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reduce_Netscape_Stucki)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reduce_Windows20_Nearest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reduce_Quantize_Nearest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reduce_Quantize_FloydSteinberg)->Unit(benchmark::kMillisecond);

#ifdef NOX_HAVE_GIFLIB
// giflib writing the same frame: screen and image descriptors, the 256-colour palette, the
// rows one by one, into memory.
void PeerEncode(benchmark::State& state, bool noise)
{
    auto gif = MakeImage(gcLZW, noise);
    TGIFSubImage* frame = gif->Images()->GetImage(0);
    std::vector<GifColorType> colours(256);
    for (int i = 0; i < 256; ++i) {
        const TColor c = RGB(255 - i, (i * 37) & 0xFF, (i * 91) & 0xFF);
        colours[std::size_t(i)] = {GifByteType(GetRValue(c)), GifByteType(GetGValue(c)), GifByteType(GetBValue(c))};
    }
    std::vector<std::uint8_t> out;
    for (auto _ : state) {
        out.clear();
        int error = 0;
        GifFileType* file = EGifOpen(
            &out,
            [](GifFileType* f, const GifByteType* bytes, int n) {
                auto* buffer = static_cast<std::vector<std::uint8_t>*>(f->UserData);
                buffer->insert(buffer->end(), bytes, bytes + n);
                return n;
            },
            &error);
        ColorMapObject* map = GifMakeMapObject(256, colours.data());
        EGifPutScreenDesc(file, kWidth, kHeight, 8, 0, map);
        EGifPutImageDesc(file, 0, 0, kWidth, kHeight, false, nullptr);
        for (int y = 0; y < kHeight; ++y) EGifPutLine(file, frame->Data() + std::size_t(y) * kWidth, kWidth);
        EGifCloseFile(file, &error);
        GifFreeMapObject(map);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["file_bytes"] = double(out.size());
    state.SetItemsProcessed(state.iterations() * std::int64_t(kWidth) * kHeight);
}
void BM_Peer_giflib_Chart(benchmark::State& state)
{
    PeerEncode(state, false);
}
void BM_Peer_giflib_Noise(benchmark::State& state)
{
    PeerEncode(state, true);
}
BENCHMARK(BM_Peer_giflib_Chart)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Peer_giflib_Noise)->Unit(benchmark::kMillisecond);
#endif

BENCHMARK(BM_Baseline_LZW_Chart)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RLE_Chart)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Baseline_LZW_Noise)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RLE_Noise)->Unit(benchmark::kMillisecond);

// The run-length coder's time and file size as ratios to the LZW baseline, and the verdict
// against giflib: all from the medians of the repetitions printed above, in CPU time (each
// coder is one thread; on a shared machine the wall time also holds the time the thread
// waited for a core).
int PrintRatios(const benchverdict::MedianReporter& r)
{
    const auto time = [&](const std::string& name) { return r.CpuTime(name); };
    const auto bytes = [&](const std::string& name) { return r.Counter(name, "file_bytes"); };
    for (const char* picture : {"Chart", "Noise"}) {
        const std::string lzw = std::string("BM_Baseline_LZW_") + picture, rle = std::string("BM_RLE_") + picture;
        if (time(lzw) <= 0 || time(rle) <= 0 || bytes(lzw) <= 0) continue;
        std::printf("%s picture: RLE / LZW time ratio %.2f, file size ratio %.2f\n", picture, time(rle) / time(lzw),
                    bytes(rle) / bytes(lzw));
    }
    for (const char* picture : {"Chart", "Noise"}) {
        const std::string ours = std::string("BM_Baseline_LZW_") + picture,
                          peer = std::string("BM_Peer_giflib_") + picture;
        if (time(ours) <= 0 || time(peer) <= 0) continue;
        const double ratio = time(ours) / time(peer);
        std::printf(
            "%s picture: LZW / giflib time ratio %.2f (target 1.00 %s), file size ratio %.3f; wall time %.1f / "
            "%.1f ms\n",
            picture, ratio, r.Verdict(ratio <= 1.0, {ours, peer}).c_str(), bytes(ours) / bytes(peer), r.Time(ours),
            r.Time(peer));
    }
    const std::string lzw = "BM_Baseline_LZW_Chart";
    if (time(lzw) <= 0 || bytes(lzw) <= 0) return 0;
    for (const auto& [name, figure] : r.figures) {
        if (name.rfind("BM_Reduce_", 0) != 0 || !r.Measured(name)) continue;
        std::printf("True-colour chart, %s: time ratio %.2f to the plain LZW encoding, file size ratio %.2f\n",
                    name.c_str() + 10, time(name) / time(lzw), bytes(name) / bytes(lzw));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    // Repeated by default: the verdict compares medians.
    benchverdict::Arguments args(argc, argv, 5);
    benchmark::Initialize(&args.Count, args.Values());
    if (benchmark::ReportUnrecognizedArguments(args.Count, args.Values())) return 1;
    benchverdict::MedianReporter reporter;
    const bool ran = benchverdict::RunCases(&reporter);
    benchmark::Shutdown();
    if (!ran) return benchverdict::NoCaseRan();
    std::printf("\n(medians of the repetitions, CPU time)\n");
    return PrintRatios(reporter);
}
