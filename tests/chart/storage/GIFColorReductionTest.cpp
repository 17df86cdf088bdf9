// Colour reduction: known palettes, the quantiser's bound, the ditherers' kernels and their
// stability, degenerate sizes, and the reduced bitmap as a GIF frame.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "chart/storage/GIFColorReduction.h"

namespace {

std::unique_ptr<TBitmap> MakeBitmap(int w, int h, const std::function<QRgb(int, int)>& color)
{
    auto b = std::make_unique<TBitmap>();
    b->SetSize(w, h);
    b->SetPixelFormat(pf24bit);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(b->ScanLine(y));
        for (int x = 0; x < w; ++x) row[x] = color(x, y) | 0xFF000000u;
    }
    return b;
}

QRgb Gradient(int x, int y)
{
    return qRgb((x * 7) & 0xFF, (y * 13) & 0xFF, ((x + y) * 5) & 0xFF);
}

std::set<QRgb> ColoursOf(const TBitmap& b)
{
    std::set<QRgb> s;
    for (int y = 0; y < b.GetHeight(); ++y)
        for (int x = 0; x < b.GetWidth(); ++x) s.insert(b.Image().pixel(x, y) | 0xFF000000u);
    return s;
}

std::set<QRgb> ColoursOf(const TGIFPalette& p)
{
    std::set<QRgb> s;
    for (const TGIFColor& c : p) s.insert(qRgb(c.Red, c.Green, c.Blue));
    return s;
}

AnsiString ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.Message;
    }
    return "";
}

const TDitherMode AllModes[] = {dmNearest, dmFloydSteinberg, dmStucki, dmSierra, dmJaJuNI, dmSteveArche, dmBurkes};

TEST(GIFColorReduction, PicturesThatFitAPaletteAreReducedExactlyUnderEveryDitherer)
{
    TGIFPalette grey4 = {{0, 0, 0}, {128, 128, 128}, {192, 192, 192}, {255, 255, 255}};
    const struct {
        TColorReduction Reduction;
        TGIFPalette Palette;
    } cases[] = {{rmNetscape, WebPalette()},
                 {rmWindows20, SystemDefaultPalette()},
                 {rmWindows256, SystemHalftonePalette()},
                 {rmWindowsGray, grey4},
                 {rmMonochrome, {{0, 0, 0}, {255, 255, 255}}}};
    for (const auto& c : cases) {
        const TGIFPalette& p = c.Palette;
        auto src = MakeBitmap(37, 23, [&](int x, int y) {
            const TGIFColor& e = p[std::size_t((x * 3 + y * 7) % int(p.size()))];
            return qRgb(e.Red, e.Green, e.Blue);
        });
        for (TDitherMode m : AllModes) {
            auto out = ReduceColors(src.get(), c.Reduction, m, 8, nullptr);
            EXPECT_EQ(out->GetPixelFormat(), pf8bit);
            EXPECT_EQ(out->Image(), src->Image()) << c.Reduction << " " << m;
        }
    }
    // A picture of at most 2^bits colours keeps them all under quantisation.
    auto few = MakeBitmap(50, 20, [](int x, int y) { return qRgb(x % 4 * 60 + 7, y % 2 * 200, 33); });
    for (TColorReduction r : {rmQuantize, rmQuantizeWindows})
        EXPECT_EQ(ReduceColors(few.get(), r, dmFloydSteinberg, 3, nullptr)->Image(), few->Image()) << r;
    // rmNone is a true-colour copy.
    auto copy = ReduceColors(few.get(), rmNone, dmNearest, 8, nullptr);
    EXPECT_EQ(copy->GetPixelFormat(), pf24bit);
    EXPECT_EQ(copy->Image(), few->Image());
}

TEST(GIFColorReduction, LookupsAnswerTheirDocumentedIndices)
{
    int r, g, b;
    TNetscapeColorLookup web;
    EXPECT_EQ(web.Lookup(0, 0, 0, r, g, b), 0);
    EXPECT_EQ(web.Lookup(255, 255, 255, r, g, b), 215);
    EXPECT_EQ(web.Lookup(25, 25, 25, r, g, b), 0);
    EXPECT_EQ(web.Lookup(48, 48, 48, r, g, b), 43);
    EXPECT_EQ(r, 51);
    // Monochrome splits at 77 r + 150 g + 29 b = 32513.
    TMonochromeLookup mono;
    EXPECT_EQ(mono.Lookup(127, 127, 127, r, g, b), 0);  // 32512
    EXPECT_EQ(mono.Lookup(127, 127, 128, r, g, b), 1);  // 32541
    EXPECT_EQ(mono.Lookup(128, 127, 127, r, g, b), 1);
    // The first colour of a 5-bit cube decides the entry for the whole cube.
    TFastColorLookup fast({{0, 0, 0}, {40, 40, 40}, {255, 255, 255}});
    EXPECT_EQ(fast.Lookup(17, 17, 17, r, g, b), 0);
    EXPECT_EQ(fast.Lookup(23, 23, 23, r, g, b), 0);  // nearer to 40, but in the same cube
    EXPECT_EQ(fast.Lookup(47, 40, 40, r, g, b), 1);  // the entry's own cube
    EXPECT_EQ(fast.Lookup(200, 255, 255, r, g, b), 2);
    EXPECT_EQ(r, 255);
}

TEST(GIFColorReduction, QuantisersGiveAtMostTheWantedNumberOfColours)
{
    auto src = MakeBitmap(120, 90, Gradient);
    for (int bits = 3; bits <= 8; ++bits) {
        const TGIFPalette p = CreateOptimizedPaletteFromSingleBitmap(TDIBReader(src.get()), 1 << bits, 8, false);
        EXPECT_EQ(int(p.size()), 1 << bits);
        EXPECT_LE(int(ColoursOf(p).size()), 1 << bits);
        auto out = ReduceColors(src.get(), rmQuantize, dmNearest, bits, nullptr);
        EXPECT_LE(int(ColoursOf(*out).size()), 1 << bits) << bits;
    }
    const TGIFPalette w = CreateOptimizedPaletteFromSingleBitmap(TDIBReader(src.get()), 256, 8, true);
    ASSERT_EQ(w.size(), 256u);
    EXPECT_EQ(TGIFPalette(w.begin(), w.begin() + 10),
              TGIFPalette(SystemDefaultPalette().begin(), SystemDefaultPalette().begin() + 10));
    EXPECT_EQ(w.back(), (TGIFColor{255, 255, 255}));
    // Wanting fewer colours than the root can hold ends instead of looping.
    TColorQuantizer one(1, 8);
    for (int i = 0; i < 8; ++i) one.AddColor(i & 4 ? 200 : 0, i & 2 ? 200 : 0, i & 1 ? 200 : 0);
    EXPECT_EQ(one.GetLeafCount(), 8);
    EXPECT_EQ(ErrorOf([&] { CreateOptimizedPaletteFromManyBitmaps({}, 16, 8, false); }), "Invalid bitmap list");
    EXPECT_EQ(ErrorOf([&] { ReduceColors(src.get(), rmQuantize, dmNearest, 9, nullptr); }),
              "Invalid Bits Per Pixel value");
}

TEST(GIFColorReduction, DitherersStayInTheirPaletteAndRepeatThemselves)
{
    auto src = MakeBitmap(97, 41, Gradient);
    for (TColorReduction r : {rmWindows20, rmWindowsGray, rmNetscape, rmGrayScale, rmQuantize}) {
        for (TDitherMode m : AllModes) {
            auto a = ReduceColors(src.get(), r, m, 4, nullptr);
            auto b = ReduceColors(src.get(), r, m, 4, nullptr);
            EXPECT_EQ(a->Image(), b->Image()) << r << " " << m;
            auto dib = ReduceColorsToDIB(src.get(), r, m, 4, nullptr);
            const TGIFPalette used(dib->ColorTable().begin(), dib->ColorTable().begin() + dib->GetPaletteCount());
            const std::set<QRgb> palette = ColoursOf(used);
            for (QRgb c : ColoursOf(*a)) EXPECT_TRUE(palette.count(c)) << r << " " << m;
            for (std::uint8_t i : dib->Bits()) ASSERT_LT(i, dib->GetPaletteCount());
        }
    }
}

// Answers the colour asked for, except at one call, where it answers black so that the
// whole value becomes that pixel's error; records the red value of every call.
class ProbeLookup : public TColorLookup {
public:
    explicit ProbeLookup(int Target) : TColorLookup(1), FTarget(Target) {}
    int Lookup(int Red, int Green, int Blue, int& R, int& G, int& B) override
    {
        Reds.push_back(Red);
        R = G = B = 0;
        if (FCall++ != FTarget) {
            R = Red;
            G = Green;
            B = Blue;
        }
        return 0;
    }
    std::vector<int> Reds;

private:
    int FCall = 0;
    int FTarget;
};

TEST(GIFColorReduction, EachKernelSpreadsTheErrorToItsNeighboursMirroredOnReturnRows)
{
    struct Kernel {
        TDitherMode Mode;
        int Divisor;
        std::map<std::pair<int, int>, int> Weights;  // (row below, offset ahead) -> weight
    };
    const Kernel kernels[] = {
        {dmFloydSteinberg, 16, {{{0, 1}, 7}, {{1, -2}, 3}, {{1, -1}, 5}, {{1, 0}, 1}}},
        {dmBurkes, 32, {{{0, 1}, 8}, {{0, 2}, 4}, {{1, -2}, 2}, {{1, -1}, 4}, {{1, 0}, 8}, {{1, 1}, 4}, {{1, 2}, 2}}},
        {dmStucki,
         42,
         {{{0, 1}, 8},
          {{0, 2}, 4},
          {{1, -2}, 2},
          {{1, -1}, 4},
          {{1, 0}, 8},
          {{1, 1}, 4},
          {{1, 2}, 2},
          {{2, -2}, 1},
          {{2, -1}, 2},
          {{2, 0}, 4},
          {{2, 1}, 2},
          {{2, 2}, 1}}},
        {dmSierra,
         32,
         {{{0, 1}, 5},
          {{0, 2}, 3},
          {{1, -2}, 2},
          {{1, -1}, 4},
          {{1, 0}, 5},
          {{1, 1}, 4},
          {{1, 2}, 2},
          {{2, -1}, 2},
          {{2, 0}, 3},
          {{2, 1}, 2}}},
        {dmJaJuNI,
         48,
         {{{0, 1}, 7},
          {{0, 2}, 5},
          {{1, -2}, 3},
          {{1, -1}, 5},
          {{1, 0}, 7},
          {{1, 1}, 5},
          {{1, 2}, 3},
          {{2, -2}, 1},
          {{2, -1}, 3},
          {{2, 0}, 5},
          {{2, 1}, 3},
          {{2, 2}, 1}}},
        {dmSteveArche,
         200,
         {{{0, 2}, 32},
          {{1, -3}, 12},
          {{1, -1}, 26},
          {{1, 1}, 30},
          {{1, 3}, 16},
          {{2, -2}, 12},
          {{2, 0}, 26},
          {{2, 2}, 12},
          {{3, -3}, 5},
          {{3, -1}, 12},
          {{3, 1}, 12},
          {{3, 3}, 5}}},
    };
    constexpr int W = 11;
    constexpr int H = 6;
    for (const Kernel& k : kernels) {
        int sum = 0;
        for (const auto& w : k.Weights) sum += w.second;
        EXPECT_EQ(sum, k.Divisor) << k.Mode;
        // The error source at column 5 of row 0 (scanned left to right) and of row 1
        // (scanned right to left). An error of the divisor gives each neighbour its weight.
        for (int sourceRow : {0, 1}) {
            const int dir = sourceRow == 0 ? 1 : -1;
            const int target = sourceRow * W + 5;  // column 5 is call 5 in either direction
            ProbeLookup probe(target);
            auto ditherer = CreateDitherer(k.Mode, W, &probe);
            std::vector<std::vector<int>> reds(H, std::vector<int>(W, -1));
            std::size_t call = 0;
            for (int y = 0; y < H; ++y) {
                for (int x = ditherer->GetColumn(); x >= 0 && x < W; x = ditherer->GetColumn()) {
                    int r, g, b;
                    const int red = (y == sourceRow && x == 5) ? k.Divisor : 0;
                    ditherer->Dither(red, 0, 0, r, g, b);
                    reds[std::size_t(y)][std::size_t(x)] = probe.Reds[call++];
                }
                ditherer->NextLine();
            }
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x) {
                    if (y == sourceRow && x == 5) continue;
                    const auto it = k.Weights.find({y - sourceRow, (x - 5) * dir});
                    const int expected = it == k.Weights.end() ? 0 : it->second;
                    EXPECT_EQ(reds[std::size_t(y)][std::size_t(x)], expected)
                        << k.Mode << " source row " << sourceRow << " at " << x << "," << y;
                }
        }
    }
}

TEST(GIFColorReduction, DegenerateAndLargeSizes)
{
    TBitmap empty;
    EXPECT_EQ(ErrorOf([&] { ReduceColors(&empty, rmNetscape, dmFloydSteinberg, 8, nullptr); }),
              "Invalid image dimensions");
    auto one = MakeBitmap(1, 1, [](int, int) { return qRgb(250, 3, 100); });
    for (TColorReduction r : {rmWindows20, rmWindows256, rmWindowsGray, rmMonochrome, rmGrayScale, rmNetscape,
                              rmQuantize, rmQuantizeWindows})
        for (TDitherMode m : AllModes) EXPECT_EQ(ReduceColors(one.get(), r, m, 8, nullptr)->GetWidth(), 1);
    // One row of 100000 pixels, read back and forth.
    auto wide = MakeBitmap(100000, 1, Gradient);
    auto reduced = ReduceColors(wide.get(), rmNetscape, dmStucki, 8, nullptr);
    EXPECT_EQ(reduced->GetWidth(), 100000);
    // More than 500000 pixels: the same rows as the smaller picture.
    auto big = MakeBitmap(1001, 500, Gradient);
    auto small = MakeBitmap(1001, 7, Gradient);
    auto a = ReduceColors(big.get(), rmWindows20, dmFloydSteinberg, 8, nullptr);
    auto b = ReduceColors(small.get(), rmWindows20, dmFloydSteinberg, 8, nullptr);
    EXPECT_EQ(a->Image().copy(0, 0, 1001, 7), b->Image());
    // With no palette to reduce to, rmPalette makes no picture.
    EXPECT_EQ(ReduceColors(one.get(), rmPalette, dmNearest, 8, nullptr)->GetWidth(), 0);
}

TEST(GIFColorReduction, TrueColourBitmapsBecomeFramesOfTheReductionsTable)
{
    auto src = MakeBitmap(64, 48, Gradient);
    TGIFImage gif;  // rmNetscape by default
    gif.DitherMode = dmFloydSteinberg;
    gif.Assign(src.get());
    TGIFSubImage* f = gif.Images()->GetImage(0);
    ASSERT_EQ(f->ColorMap()->GetCount(), 256);
    const TGIFPalette web = WebPalette();
    for (int i = 0; i < 256; ++i) EXPECT_EQ(f->ColorMap()->Data()[i], i < 216 ? web[std::size_t(i)] : TGIFColor{}) << i;
    auto dib = ReduceColorsToDIB(src.get(), rmNetscape, dmFloydSteinberg, 8, nullptr);
    EXPECT_EQ(f->PixelData(), dib->Bits());
    // Written and read back, the picture is the reduced bitmap.
    TMemoryStream m;
    gif.SaveToStream(&m);
    m.SetPosition(0);
    TGIFImage back;
    back.LoadFromStream(&m);
    EXPECT_EQ(back.ToImage(), ReduceColors(src.get(), rmNetscape, dmFloydSteinberg, 8, nullptr)->Image());
    // An 8-bit bitmap keeps its colours; a frame cannot be reduced to a palette it lacks.
    src->SetPixelFormat(pf8bit);
    auto few = MakeBitmap(4, 4, [](int x, int) { return qRgb(x, 1, 2); });
    few->SetPixelFormat(pf8bit);
    gif.Assign(few.get());
    EXPECT_EQ(gif.Images()->GetImage(0)->ColorMap()->GetCount(), 4);
    gif.ColorReduction = rmPalette;
    src->SetPixelFormat(pf24bit);
    EXPECT_EQ(ErrorOf([&] { gif.Assign(src.get()); }), "Invalid reduction method");
    // An empty bitmap gives an empty frame; the widest frame a file can hold is reduced.
    gif.ColorReduction = rmQuantize;
    TBitmap empty;
    gif.Assign(&empty);
    EXPECT_TRUE(gif.Images()->GetImage(0)->GetEmpty());
    auto wide = MakeBitmap(65535, 1, Gradient);
    gif.Assign(wide.get());
    EXPECT_EQ(gif.Images()->GetImage(0)->GetWidth(), 65535);
}

}  // namespace
