// Band geometry and colour ramps of gradient fills, checked on the bands themselves and on
// a small grid painted from them.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <map>
#include <vector>

#include "chart/engine/TeeColorUtils.h"
#include "chart/engine/TeeGeometry.h"
#include "chart/engine/TeeGradientBands.h"

namespace {

struct RecordingSink : TGradientSink {
    struct Item {
        char Kind;
        TRect R;
        TColor Color;
    };
    std::vector<Item> Items;
    void Band(const TRect& R, TColor c) override { Items.push_back({'B', R, c}); }
    void Line(const TPoint& A, const TPoint& B, TColor c) override { Items.push_back({'L', TRect(A, B), c}); }
    void Ring(const TRect& R, TColor c) override { Items.push_back({'E', R, c}); }
};

// Paints bands and 45-degree lines into a W x H grid of colours (-1 = untouched).
struct GridSink : TGradientSink {
    int W, H;
    std::vector<int> Px;
    GridSink(int w, int h) : W(w), H(h), Px(std::size_t(w * h), -1) {}
    void Set(long long x, long long y, TColor c)
    {
        if (x >= 0 && y >= 0 && x < W && y < H) Px[std::size_t(y * W + x)] = c;
    }
    void Band(const TRect& R, TColor c) override
    {
        for (long long y = std::max(R.Top, 0); y < std::min(R.Bottom, H); ++y)
            for (long long x = std::max(R.Left, 0); x < std::min(R.Right, W); ++x) Set(x, y, c);
    }
    void Line(const TPoint& A, const TPoint& B, TColor c) override
    {
        const long long dx = B.X - A.X, dy = B.Y - A.Y;
        ASSERT_EQ(std::llabs(dx), std::llabs(dy)) << "gradient lines are diagonal";
        const int sx = dx > 0 ? 1 : -1, sy = dy > 0 ? 1 : -1;
        for (long long t = 0; t < std::llabs(dx); ++t) Set(A.X + t * sx, A.Y + t * sy, c);
    }
    void Ring(const TRect&, TColor) override { FAIL() << "no rings expected"; }
};

TEST(GradientRamp, BalanceCurves)
{
    const TGradientRamp ramp = TGradientRamp::FromColors(RGB(0, 100, 200), RGB(255, 0, 100));
    // Balance 50: start + delta * i div n, truncating toward zero.
    EXPECT_EQ(ramp.At(0, 10, 50), RGB(0, 100, 200));
    EXPECT_EQ(ramp.At(3, 10, 50), RGB(76, 70, 170));
    EXPECT_EQ(ramp.At(10, 10, 50), RGB(255, 0, 100));
    // Balance 0: f = ((1 + i) / (1 + n)) ^ 0.5; 100: exponent 2.
    const double f0 = std::sqrt(4.0 / 11.0);
    EXPECT_EQ(ramp.At(3, 10, 0),
              RGB(int(std::lround(255 * f0)), 100 - int(std::lround(100 * f0)), 200 - int(std::lround(100 * f0))));
    const double f100 = (4.0 / 11.0) * (4.0 / 11.0);
    EXPECT_EQ(ramp.At(3, 10, 100), RGB(int(std::lround(255 * f100)), 100 - int(std::lround(100 * f100)),
                                       200 - int(std::lround(100 * f100))));
    // The last step reaches the end colour whatever the balance.
    EXPECT_EQ(ramp.At(10, 10, 0), RGB(255, 0, 100));
    EXPECT_EQ(ramp.At(10, 10, 100), RGB(255, 0, 100));
}

TEST(GradientRamp, DegenerateInputStaysInRange)
{
    const TGradientRamp ramp = TGradientRamp::FromColors(RGB(10, 20, 30), RGB(250, 240, 230));
    // No steps: the start colour (no division by zero).
    EXPECT_EQ(ramp.At(0, 0, 50), RGB(10, 20, 30));
    EXPECT_EQ(ramp.At(0, 0, 70), RGB(10, 20, 30));
    // Balances from stored charts outside 0..100 keep every channel within 0..255.
    for (int balance : {-1000, -200, -34, 101, 5000, INT_MIN, INT_MAX})
        for (int i = 0; i <= 20; ++i) {
            const TColor c = ramp.At(i, 20, balance);
            EXPECT_EQ(c & ~0xFFFFFF, 0) << balance;
            EXPECT_GE(GetRValue(c), 10) << balance;
            EXPECT_LE(GetRValue(c), 250) << balance;
        }
}

TEST(GradientBands, LinearBandsOrderAndCounts)
{
    RecordingSink one;
    TeeGradientBands(TRect(0, 0, 50, 1), clWhite, clBlack, gdTopBottom, 50, TRect(0, 0, 50, 1), one);
    EXPECT_TRUE(one.Items.empty()) << "a rectangle one pixel high has no steps";

    RecordingSink tall;
    TeeGradientBands(TRect(0, 0, 20, 300), RGB(0, 0, 0), RGB(255, 255, 255), gdTopBottom, 50, TRect(0, 0, 20, 300),
                     tall);
    ASSERT_EQ(tall.Items.size(), 256u);
    // Step 0 lies at the bottom edge in the start colour; the bands tile the rectangle.
    EXPECT_EQ(tall.Items.front().R.Bottom, 300);
    EXPECT_EQ(tall.Items.front().Color, RGB(0, 0, 0));
    EXPECT_EQ(tall.Items.back().R.Top, 0);
    EXPECT_EQ(tall.Items.back().Color, RGB(255, 255, 255));
    for (std::size_t i = 1; i < tall.Items.size(); ++i) {
        EXPECT_EQ(tall.Items[i].R.Bottom, tall.Items[i - 1].R.Top);
        EXPECT_EQ(tall.Items[i].R.Left, 0);
        EXPECT_EQ(tall.Items[i].R.Right, 20);
    }

    // Bottom-top exchanges the colours; left-right runs from the right edge.
    RecordingSink up;
    TeeGradientBands(TRect(0, 0, 20, 10), clRed, clBlue, gdBottomTop, 50, TRect(0, 0, 20, 10), up);
    ASSERT_EQ(up.Items.size(), 10u);
    EXPECT_EQ(up.Items.front().Color, clBlue);
    EXPECT_EQ(up.Items.front().R, TRect(0, 9, 20, 10));
    RecordingSink lr;
    TeeGradientBands(TRect(0, 0, 4, 10), clRed, clBlue, gdLeftRight, 50, TRect(0, 0, 4, 10), lr);
    ASSERT_EQ(lr.Items.size(), 4u);
    EXPECT_EQ(lr.Items.front().R, TRect(3, 0, 4, 10));
    EXPECT_EQ(lr.Items.front().Color, clRed);
    EXPECT_EQ(lr.Items.back().Color, clBlue);
}

// The centre and corner walks as the steps describe them, one strip at a time.
std::vector<int> LiteralWalk(TGradientDirection d, int W, int H, TColor s, TColor e)
{
    GridSink g(W, H);
    if (d == gdFromCenter || d == gdFromTopLeft || d == gdFromBottomLeft) std::swap(s, e);
    const TGradientRamp ramp = TGradientRamp::FromColors(s, e);
    auto fill = [&](int l, int t, int w, int h, TColor c) {
        if (w > 0 && h > 0) g.Band(TRect(l, t, l + w, t + h), c);
    };
    if (d == gdFromCenter) {
        int x = 0, y = 0;
        const int n = W / 2 + H / 2;
        for (;;) {
            const TColor c = ramp.At(x + y, n, 50);
            fill(x, y, 1, H - 2 * y, c);
            fill(W - x - 1, y, 1, H - 2 * y, c);
            fill(x, y, W - 2 * x, 1, c);
            fill(x, H - y - 1, W - 2 * x, 1, c);
            bool grew = false;
            if (y < H / 2) ++y, grew = true;
            if (x < W / 2) ++x, grew = true;
            if (!grew) break;
        }
    } else {
        const bool top = d == gdFromTopLeft;
        int r = top ? 0 : H, x = 0, k = 0;
        do {
            const TColor c = ramp.At(x + k, W + H, 50);
            if (top)
                fill(x, 0, 1, r + 1, c);
            else
                fill(x, r - 1, 1, H - r + 1, c);
            if (k < H) {
                ++k;
                fill(0, top ? r : r - 1, x + 1, 1, c);
                if (top && r < H) ++r;
                if (!top && r > 0) --r;
            }
            if (x < W) ++x;
        } while (!(k == H && x == W));
    }
    return g.Px;
}

TEST(GradientBands, CentreAndCornerRegionsMatchTheStripWalk)
{
    for (TGradientDirection d : {gdFromCenter, gdFromTopLeft, gdFromBottomLeft})
        for (int W = 0; W <= 9; ++W)
            for (int H = 0; H <= 9; ++H) {
                GridSink g(W, H);
                TeeGradientBands(TRect(0, 0, W, H), RGB(0, 0, 0), RGB(250, 100, 30), d, 50, TRect(0, 0, W, H), g);
                EXPECT_EQ(g.Px, LiteralWalk(d, W, H, RGB(0, 0, 0), RGB(250, 100, 30)))
                    << "direction " << int(d) << " size " << W << "x" << H;
            }
}

TEST(GradientBands, DiagonalLinesLimitedToTheVisiblePart)
{
    for (TGradientDirection d : {gdDiagonalUp, gdDiagonalDown}) {
        GridSink all(30, 20), part(30, 20);
        TeeGradientBands(TRect(0, 0, 30, 20), clBlack, clWhite, d, 50, TRect(0, 0, 30, 20), all);
        TeeGradientBands(TRect(0, 0, 30, 20), clBlack, clWhite, d, 50, TRect(8, 5, 17, 12), part);
        for (int y = 5; y < 12; ++y)
            for (int x = 8; x < 17; ++x)
                EXPECT_EQ(part.Px[std::size_t(y * 30 + x)], all.Px[std::size_t(y * 30 + x)]) << x << "," << y;
        // Every pixel of the rectangle is covered by some line, except the top row going
        // down: there every line ends, and line ends are left out.
        for (int y = d == gdDiagonalDown ? 1 : 0; y < 20; ++y)
            for (int x = 0; x < 30; ++x) EXPECT_NE(all.Px[std::size_t(y * 30 + x)], -1) << x << "," << y;
    }
    // Up starts black at the lower left corner, down at the upper left.
    GridSink up(30, 20), down(30, 20);
    TeeGradientBands(TRect(0, 0, 30, 20), clBlack, clWhite, gdDiagonalUp, 50, TRect(0, 0, 30, 20), up);
    TeeGradientBands(TRect(0, 0, 30, 20), clBlack, clWhite, gdDiagonalDown, 50, TRect(0, 0, 30, 20), down);
    EXPECT_EQ(up.Px[19 * 30 + 0], clBlack);
    EXPECT_EQ(down.Px[1 * 30 + 0], clBlack);
    EXPECT_GT(GetRValue(up.Px[0 * 30 + 29]), 240);
}

TEST(GradientBands, RadialRings)
{
    RecordingSink s;
    TeeRadialRings(TRect(0, 0, 10, 10), RGB(0, 0, 0), RGB(200, 100, 50), 50, 0, 0, s);
    // The end colour first over the whole rectangle, then the rings from i = 9 down to 0.
    ASSERT_EQ(s.Items.size(), 11u);
    EXPECT_EQ(s.Items[0].Kind, 'B');
    EXPECT_EQ(s.Items[0].R, TRect(0, 0, 10, 10));
    EXPECT_EQ(s.Items[0].Color, RGB(200, 100, 50));
    // Ring i spans the centre (6, 6) +- i * 0.5 pixels.
    EXPECT_EQ(s.Items[1].R, TRect(2, 2, 10, 10));  // 1.5 and 10.5 round to even
    EXPECT_EQ(s.Items[1].Color, RGB(180, 90, 45));
    EXPECT_EQ(s.Items[10].R, TRect(6, 6, 6, 6));
    EXPECT_EQ(s.Items[10].Color, RGB(0, 0, 0));

    RecordingSink moved;
    TeeRadialRings(TRect(0, 0, 10, 10), clBlack, clWhite, 50, 3, -2, moved);
    EXPECT_EQ(moved.Items.back().R, TRect(9, 4, 9, 4));

    // Nothing to fill in an empty rectangle; a single pixel is the start colour.
    RecordingSink empty;
    TeeRadialRings(TRect(4, 4, 4, 9), clBlack, clWhite, 50, 0, 0, empty);
    EXPECT_TRUE(empty.Items.empty());
    RecordingSink dot;
    TeeRadialRings(TRect(4, 4, 5, 5), clBlack, clWhite, 30, 0, 0, dot);
    ASSERT_EQ(dot.Items.size(), 2u);
    EXPECT_EQ(dot.Items[1].Color, clBlack);
}

}  // namespace
