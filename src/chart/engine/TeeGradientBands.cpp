#include "chart/engine/TeeGradientBands.h"

#include <algorithm>
#include <limits>

#include "chart/engine/TeeGeometry.h"
#include "platform/Round.h"

namespace {

using i64 = std::int64_t;

int Clamp32(i64 v)
{
    return int(std::clamp<i64>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

TRect MakeRect(i64 l, i64 t, i64 r, i64 b)
{
    return TRect(Clamp32(l), Clamp32(t), Clamp32(r), Clamp32(b));
}

// No drawing coordinate of the engine goes beyond its pixel limit; a gradient rectangle
// from far outside is cut there, so sizes and their sums stay far inside 32 bits.
constexpr int PixelLimit = 67108863;

TRect Limited(const TRect& R)
{
    auto c = [](int v) { return std::clamp(v, -PixelLimit, PixelLimit); };
    return TRect(c(R.Left), c(R.Top), c(R.Right), c(R.Bottom));
}

void BandIfAny(TGradientSink& Sink, i64 l, i64 t, i64 r, i64 b, TColor c)
{
    if (r > l && b > t) Sink.Band(MakeRect(l, t, r, b), c);
}

// Runs of equal colour over the steps 0..Last of a walk whose colour never turns back
// (each channel is monotonic in the step): Paint(first step, colour) is called once per
// run, in order.
template <typename ColourOf, typename Paint>
void ForEachColourRun(i64 Last, ColourOf colourOf, Paint paint)
{
    i64 j = 0;
    while (j <= Last) {
        const TColor c = colourOf(j);
        // The largest step of the same colour.
        i64 lo = j;
        i64 hi = Last;
        while (lo < hi) {
            const i64 mid = lo + (hi - lo + 1) / 2;
            if (colourOf(mid) == c)
                lo = mid;
            else
                hi = mid - 1;
        }
        paint(j, c);
        j = lo + 1;
    }
}

void Linear(const TRect& R, const TGradientRamp& ramp, int Balance, bool vertical, TGradientSink& Sink)
{
    const i64 size = vertical ? i64(R.Bottom) - R.Top : i64(R.Right) - R.Left;
    const i64 bands = std::min<i64>(size, 256);
    const int n = int(bands - 1);
    if (n <= 0) return;
    for (i64 i = 0; i < bands; ++i) {
        const TColor c = ramp.At(int(i), n, Balance);
        const i64 a = i * size / bands;
        const i64 b = (i + 1) * size / bands;
        // Step 0 lies at the bottom (right) edge.
        if (vertical)
            BandIfAny(Sink, R.Left, i64(R.Bottom) - b, R.Right, i64(R.Bottom) - a, c);
        else
            BandIfAny(Sink, i64(R.Right) - b, R.Top, i64(R.Right) - a, R.Bottom, c);
    }
}

// Rings of one-pixel strips from the border inwards. Every step paints the border of the
// rectangle inset by its step (both insets stop at the middle); later steps cover the
// inside of earlier ones, so a run of equal colour is painted as the box of its first ring.
void FromCenter(const TRect& R, const TGradientRamp& ramp, int Balance, TGradientSink& Sink)
{
    const i64 W = i64(R.Right) - R.Left;
    const i64 H = i64(R.Bottom) - R.Top;
    const i64 xMax = W / 2;
    const i64 yMax = H / 2;
    // Within the pixel limit every step count fits an int.
    const int n = int(xMax + yMax);
    auto colourOf = [&](i64 j) { return ramp.At(int(std::min(j, xMax) + std::min(j, yMax)), n, Balance); };
    ForEachColourRun(std::max(xMax, yMax), colourOf, [&](i64 j, TColor c) {
        const i64 x = std::min(j, xMax);
        const i64 y = std::min(j, yMax);
        if (H - 2 * y <= 0 && W - 2 * x <= 0) return;
        const i64 x0 = std::min(x, W - x - 1);
        const i64 x1 = std::max(x, W - x - 1) + 1;
        const i64 y0 = std::min(y, H - y - 1);
        const i64 y1 = std::max(y, H - y - 1) + 1;
        BandIfAny(Sink, R.Left + std::max<i64>(x0, 0), R.Top + std::max<i64>(y0, 0), R.Left + std::min(x1, W),
                  R.Top + std::min(y1, H), c);
    });
}

// L-shaped steps from the left corner at the top (or bottom): step j colours the columns
// from x(j) on and the rows from k(j) on (counted from the corner); later steps cover the
// rest of earlier ones.
void FromCorner(const TRect& R, const TGradientRamp& ramp, int Balance, bool fromTop, TGradientSink& Sink)
{
    const i64 W = i64(R.Right) - R.Left;
    const i64 H = i64(R.Bottom) - R.Top;
    const int n = int(W + H);
    auto colourOf = [&](i64 j) { return ramp.At(int(std::min(j, W) + std::min(j, H)), n, Balance); };
    ForEachColourRun(std::max(W, H), colourOf, [&](i64 j, TColor c) {
        const i64 x = std::min(j, W);
        const i64 k = std::min(j, H);
        BandIfAny(Sink, R.Left + x, R.Top, R.Right, R.Bottom, c);
        if (fromTop)
            BandIfAny(Sink, R.Left, R.Top + k, R.Left + x, R.Bottom, c);
        else
            BandIfAny(Sink, R.Left, R.Top, R.Left + x, R.Bottom - k, c);
    });
}

// 45-degree lines from the lower (or upper) left corner to the opposite one.
void Diagonal(const TRect& R, const TGradientRamp& ramp, int Balance, bool up, const TRect& Visible,
              TGradientSink& Sink)
{
    const i64 W = i64(R.Right) - R.Left;
    const i64 H = i64(R.Bottom) - R.Top;
    const i64 lines = W + H;
    if (lines <= 0) return;
    const i64 n = std::min<i64>(255, lines - 1);
    // Line i holds the pixels whose distance from the start corner (along x plus along y)
    // is i: only those crossing the visible part are drawn.
    TRect v;
    if (!IntersectRect(v, R, OrientRectangle(Visible))) return;
    i64 first, last;
    if (up) {
        first = (i64(v.Left) - R.Left) + (i64(R.Bottom) - v.Bottom);
        last = (i64(v.Right) - R.Left) + (i64(R.Bottom) - v.Top) + 1;
    } else {
        first = (i64(v.Left) - R.Left) + (i64(v.Top) - R.Top);
        last = (i64(v.Right) - R.Left) + (i64(v.Bottom) - R.Top) + 1;
    }
    first = std::max<i64>(first - 1, 0);
    last = std::min(last, lines - 1);
    for (i64 i = first; i <= last; ++i) {
        const TColor c = ramp.At(int(n * i / lines), int(n), Balance);
        const i64 x1 = R.Left + std::max<i64>(0, i - H);
        const i64 x2 = R.Left + std::min(i, W);
        TPoint a, b;
        if (up) {
            a = TPoint(Clamp32(x1), Clamp32(R.Bottom - std::min(i, H)));
            b = TPoint(Clamp32(x2), Clamp32(R.Bottom - std::max<i64>(0, i - W)));
        } else {
            a = TPoint(Clamp32(x1), Clamp32(R.Top + std::min(i, H)));
            b = TPoint(Clamp32(x2), Clamp32(R.Top + std::max<i64>(0, i - W)));
        }
        Sink.Line(a, b, c);
    }
}

}  // namespace

void TeeGradientBands(const TRect& Rect, TColor StartColor, TColor EndColor, TGradientDirection Direction, int Balance,
                      const TRect& Visible, TGradientSink& Sink)
{
    const TRect R = Limited(OrientRectangle(Rect));
    switch (Direction) {
        case gdBottomTop:
        case gdRightLeft:
        case gdFromCenter:
        case gdFromTopLeft:
        case gdFromBottomLeft: std::swap(StartColor, EndColor); break;
        default: break;
    }
    const TGradientRamp ramp = TGradientRamp::FromColors(StartColor, EndColor);
    switch (Direction) {
        case gdTopBottom:
        case gdBottomTop: Linear(R, ramp, Balance, true, Sink); break;
        case gdLeftRight:
        case gdRightLeft: Linear(R, ramp, Balance, false, Sink); break;
        case gdFromCenter: FromCenter(R, ramp, Balance, Sink); break;
        case gdFromTopLeft: FromCorner(R, ramp, Balance, true, Sink); break;
        case gdFromBottomLeft: FromCorner(R, ramp, Balance, false, Sink); break;
        case gdDiagonalUp: Diagonal(R, ramp, Balance, true, Visible, Sink); break;
        case gdDiagonalDown: Diagonal(R, ramp, Balance, false, Visible, Sink); break;
        case gdRadial: TeeRadialRings(R, StartColor, EndColor, 50, 0, 0, Sink); break;
    }
}

void TeeRadialRings(const TRect& Rect, TColor StartColor, TColor EndColor, int Balance, int RadialX, int RadialY,
                    TGradientSink& Sink)
{
    const TRect R = Limited(OrientRectangle(Rect));
    const i64 W = i64(R.Right) - R.Left;
    const i64 H = i64(R.Bottom) - R.Top;
    // An empty rectangle has nothing to fill.
    if (W <= 0 || H <= 0) return;
    int n = int(std::min<i64>(255, std::max(W, H)));
    const double f = 1.0 / n;
    const double dx = double(W) * 0.5 * f;
    const double dy = double(H) * 0.5 * f;
    const TGradientRamp ramp = TGradientRamp::FromColors(StartColor, EndColor);
    Sink.Band(R, ColorToRGB(EndColor));
    // The outermost ring would repeat the end colour of the fill; it starts one step in.
    // An odd size also shortens the ramp by one step.
    const int outer = n - 1;
    if ((W % 2) != 0 || (H % 2) != 0) --n;
    const double cx = RadialX + 1 + (double(R.Left) + R.Right) * 0.5;
    const double cy = RadialY + 1 + (double(R.Top) + R.Bottom) * 0.5;
    for (int i = outer; i >= 0; --i) {
        TColor c;
        if (Balance == 50) {
            // Per-step deltas, rounded once per ring.
            auto ch = [&](int start, int delta) { return std::clamp(start + Round(i * (delta * f)), 0, 255); };
            c = RGB(ch(ramp.R0, ramp.DR), ch(ramp.G0, ramp.DG), ch(ramp.B0, ramp.DB));
        } else {
            c = ramp.At(i, n, Balance);
        }
        Sink.Ring(TRect(Round(cx - i * dx), Round(cy - i * dy), Round(cx + i * dx), Round(cy + i * dy)), c);
    }
}
