#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "chart/series/TFastLineSeries.h"
#include "chart/series/TLineSeries.h"
#include "platform/TBitmap.h"
#include "support/FakeChartHost.h"

namespace {

struct BitmapChart {
    explicit BitmapChart(int width = 500, int height = 340)
    {
        bitmap.SetSize(width, height);
        canvas.BufferedDisplay = false;
        canvas.InitWindow(bitmap.Canvas(), nullptr, clWhite, false, TRect(0, 0, width, height));
        canvas.ResetState();
        canvas.Pen->SetStyle(psClear);
        canvas.FillRect(TRect(0, 0, width, height));
        canvas.Pen->SetStyle(psSolid);
        chart.Canvas = &canvas;
        chart.CreateStandardAxes();
        chart.AxesList.BottomAxis()->SetMinMax(0, 400);
        chart.AxesList.LeftAxis()->SetMinMax(0, 300);
        chart.CalcAxisPositions();
    }
    TBitmap bitmap;
    TTeeCanvas3D canvas;
    FakeChartHost chart;
};

int DifferingPixels(const QImage& a, const QImage& b)
{
    int differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) differing += a.pixel(x, y) != b.pixel(x, y);
    return differing;
}

// Gathering the points of a pixel column into a few strokes must not change the picture:
// every spike stays. Compared with the same points joined one segment at a time, for X
// values kept in order (columns found by search) and not (every X mapped), with the
// density of points per column changing along the curve.
TEST(FastLinePixels, ManyPointsPerColumnDrawTheSamePixelsAsEverySegment)
{
    for (const bool ordered : {true, false}) {
        BitmapChart fast, plain;
        TFastLineSeries s;
        s.SetParentChart(&fast.chart);
        s.SetSeriesColor(clBlack);
        if (!ordered) {
            // Kept without order, and one point out of it.
            s.XValues()->SetOrder(loNone);
            s.AddXY(5, 150);
        }
        std::uint32_t seed = 7;
        double x = 0;
        for (int i = 0; i < 20000; ++i) {
            seed = seed * 1664525u + 1013904223u;
            x += i < 12000 ? 0.02 : 0.5;
            s.AddXY(x, 150 + double(seed >> 24) * 0.5 - 64);
        }
        s.CalcFirstLastVisibleIndex();
        s.DrawAllValues();

        int x0 = 0, y0 = 0;
        plain.canvas.Pen->SetColor(clBlack);
        for (int i = s.FirstValueIndex; i <= s.LastValueIndex; ++i) {
            s.CalcPosition(i, x0, y0);
            if (i == s.FirstValueIndex)
                plain.canvas.MoveTo(x0, y0);
            else
                plain.canvas.LineTo(x0, y0);
        }
        s.SetParentChart(nullptr);

        EXPECT_EQ(s.XValues()->IsOrdered(), ordered);
        EXPECT_EQ(DifferingPixels(fast.bitmap.Image(), plain.bitmap.Image()), 0) << ordered;
    }
}

// Twelve hours of one point per second over a date-time axis on a wide chart, a slow lab
// trace in hundredths (long runs on one pixel, turns within a column, single-sample spikes
// up and down) and a noisy walk: the fast line's strokes per column give the pixels of
// every point joined one segment at a time.
TEST(FastLinePixels, LongSmoothAndNoisyCurvesDrawTheSamePixelsAsEverySegment)
{
    constexpr int kPoints = 43200;
    constexpr double kDay = 46000.0, kSecond = 1.0 / 86400.0;
    BitmapChart fast(1900, 400), plain(1900, 400);
    fast.chart.AxesList.BottomAxis()->SetMinMax(kDay, kDay + kPoints * kSecond);
    fast.chart.AxesList.LeftAxis()->SetMinMax(10, 50);
    fast.chart.CalcAxisPositions();
    TFastLineSeries smooth, noisy;
    std::uint32_t seed = 5;
    double walk = 30;
    for (int i = 0; i < kPoints; ++i) {
        const double t = i;
        double v = 30 + 8 * std::sin(t * 6.283 / 3900) + 2 * std::sin(t * 6.283 / 600) + 0.00002 * t;
        if (i % 1733 == 900) v += (i / 1733) % 2 ? 0.9 : -0.9;
        smooth.AddXY(kDay + i * kSecond, std::round(v * 100) / 100);
        seed = seed * 1664525u + 1013904223u;
        walk = std::clamp(walk + (double(seed >> 8) / 16777216.0 - 0.5), 12.0, 48.0);
        noisy.AddXY(kDay + i * kSecond, walk);
    }
    for (TFastLineSeries* s : {&smooth, &noisy}) {
        s->XValues()->SetDateTime(true);
        s->SetParentChart(&fast.chart);
        s->SetSeriesColor(s == &smooth ? clBlue : clRed);
        s->CalcFirstLastVisibleIndex();
        s->DrawAllValues();

        int x = 0, y = 0;
        plain.canvas.Pen->SetColor(s->GetSeriesColor());
        for (int i = s->FirstValueIndex; i <= s->LastValueIndex; ++i) {
            s->CalcPosition(i, x, y);
            if (i == s->FirstValueIndex)
                plain.canvas.MoveTo(x, y);
            else
                plain.canvas.LineTo(x, y);
        }
        s->SetParentChart(nullptr);
    }
    EXPECT_EQ(DifferingPixels(fast.bitmap.Image(), plain.bitmap.Image()), 0);
}

// Drawing only the first point of each pixel column (as the recording window draws its
// curves) gives the line through those points, found one by one: for X values in order,
// in order without a declared order, out of order (a clock step back), with repeated X
// values and stairs, and with densities from many points per column to a few.
TEST(FastLinePixels, FirstPointPerColumnDrawsTheSamePixelsAsEveryPointChecked)
{
    enum Data { Ordered, InFact, StepBack, Repeated, Stairs };
    for (const Data data : {Ordered, InFact, StepBack, Repeated, Stairs}) {
        BitmapChart fast, plain;
        TFastLineSeries s;
        s.SetParentChart(&fast.chart);
        s.SetSeriesColor(clBlack);
        s.SetDrawAll(false);
        if (data != Ordered) s.XValues()->SetOrder(loNone);
        if (data == Stairs) s.SetStairs(true);
        std::uint32_t seed = 3;
        double x = -3;
        for (int i = 0; i < 20000; ++i) {
            seed = seed * 1664525u + 1013904223u;
            // Repeated: every seventh point at the X of the one before.
            if (data != Repeated || i % 7 != 0) x += i < 9000 ? 0.02 : (i < 15000 ? 0.3 : 1.7);
            if (data == StepBack && i == 12000) x -= 40;
            s.AddXY(x, 150 + double(seed >> 24) * 0.5 - 64);
        }
        s.CalcFirstLastVisibleIndex();
        s.DrawAllValues();

        // Each point checked as it comes: one on the column of the last drawn point is left out.
        plain.canvas.Pen->SetColor(clBlack);
        const int first = s.FirstValueIndex;
        int lastX = 0, lastY = 0;
        s.CalcPosition(first > 0 ? first - 1 : first, lastX, lastY);
        plain.canvas.MoveTo(lastX, lastY);
        for (int i = first > 0 ? first : first + 1; i <= s.LastValueIndex; ++i) {
            int px = 0, py = 0;
            s.CalcPosition(i, px, py);
            if (px == lastX) continue;
            if (data == Stairs) plain.canvas.LineTo(px, lastY);
            plain.canvas.LineTo(px, py);
            lastX = px;
            lastY = py;
        }
        s.SetParentChart(nullptr);

        EXPECT_EQ(s.XValues()->IsOrdered(), data != StepBack) << data;
        EXPECT_EQ(DifferingPixels(fast.bitmap.Image(), plain.bitmap.Image()), 0) << data;
    }
}

}  // namespace

namespace {

TEST(LinePixels, ManyPointsPerColumnDrawTheSamePixelsAsEverySegment)
{
    BitmapChart gathered, plain;
    TLineSeries s;
    s.SetParentChart(&gathered.chart);
    s.SetSeriesColor(clBlack);
    std::uint32_t seed = 11;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        if (i % 997 == 500)
            s.AddNullXY(i * 0.02, 0);  // gaps break the columns' runs
        else
            s.AddXY(i * 0.02, 150 + double(seed >> 24) * 0.5 - 64);
    }
    s.CalcFirstLastVisibleIndex();
    s.DrawAllValues();

    plain.canvas.Pen->SetColor(clBlack);
    for (int i = s.FirstValueIndex + 1; i <= s.LastValueIndex; ++i) {
        if (s.IsNull(i) || s.IsNull(i - 1)) continue;
        plain.canvas.MoveTo(s.CalcXPos(i - 1), s.CalcYPos(i - 1));
        plain.canvas.LineTo(s.CalcXPos(i), s.CalcYPos(i));
    }
    s.SetParentChart(nullptr);
    EXPECT_EQ(DifferingPixels(gathered.bitmap.Image(), plain.bitmap.Image()), 0);
}

}  // namespace
