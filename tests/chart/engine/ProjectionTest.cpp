// The 3D mapping of the chart canvas, its inverse and the off-screen buffer.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "chart/engine/TeCanvas.h"
#include "support/PixelProbe.h"

namespace {

struct Scene {
    TBitmap window;
    TView3DOptions options{nullptr};
    TTeeCanvas3D canvas;
    Scene() { window.SetSize(200, 150); }
    void Init(bool is3D, const TRect& chart = TRect(0, 0, 200, 150), int depth = 0)
    {
        canvas.InitWindow(window.Canvas(), &options, clWhite, is3D, TRect(0, 0, 200, 150));
        canvas.Projection(depth, TRect(0, 0, 200, 150), chart);
    }
    TPoint Map(int x, int y, int z) { return canvas.Calculate3DPosition(x, y, z); }
};

}  // namespace

TEST(Projection, FlatChartMapsEveryPointToItself)
{
    Scene s;
    s.options.SetZoom(300);
    s.Init(false);
    EXPECT_EQ(s.canvas.ZoomFactor, 1.0);
    EXPECT_EQ(s.Map(17, -4, 99), TPoint(17, -4));
    int x = 30, y = 40;
    s.canvas.Calculate2DPosition(x, y, 10);
    EXPECT_EQ(TPoint(x, y), TPoint(30, 40));
    TPoint p;
    s.canvas.Calc3DPoint(p, 12.5, 7.5, 3);
    EXPECT_EQ(p, TPoint(12, 8));
}

TEST(Projection, ObliqueOffsetsFollowTheOrthoAngle)
{
    Scene s;
    s.Init(true, TRect(0, 0, 200, 150), 20);
    EXPECT_EQ(s.canvas.OrthoX, 1.0);
    EXPECT_NEAR(s.canvas.OrthoY, 1.0, 1e-12);
    // Depth moves a point right and up by the same amount.
    const TPoint front = s.Map(50, 60, 0), back = s.Map(50, 60, 10);
    EXPECT_EQ(back.X - front.X, 10);
    EXPECT_EQ(back.Y - front.Y, -10);
    EXPECT_EQ(front, TPoint(50, 60));

    s.options.SetOrthoAngle(135);
    s.Init(true);
    EXPECT_EQ(s.canvas.OrthoX, -1.0);
    EXPECT_NEAR(s.canvas.OrthoY, 1.0, 1e-12);
    s.options.SetOrthoAngle(90);
    s.Init(true);
    EXPECT_EQ(s.canvas.OrthoX, 1.0);
    EXPECT_EQ(s.canvas.OrthoY, 1.0);

    // The inverse recovers the chart point in the oblique view.
    s.options.SetOrthoAngle(45);
    s.options.SetZoom(150);
    s.Init(true, TRect(20, 10, 180, 140));
    const TPoint screen = s.Map(70, 90, 12);
    int x = screen.X, y = screen.Y;
    s.canvas.Calculate2DPosition(x, y, 12);
    EXPECT_EQ(TPoint(x, y), TPoint(70, 90));
}

TEST(Projection, RotatedViewAnglesCentreAndPerspective)
{
    Scene s;
    s.options.SetOrthogonal(false);
    s.Init(true, TRect(0, 0, 600, 150), 5);
    EXPECT_NEAR(s.canvas.SinElevation, std::sin(-345 * TeePiStep), 1e-15);
    EXPECT_NEAR(s.canvas.CosRotation, std::cos(-345 * TeePiStep), 1e-15);
    EXPECT_FALSE(s.canvas.IsTilted);
    EXPECT_EQ(s.canvas.ZCenter, 2);  // 2.5 rounds to even
    EXPECT_TRUE(s.canvas.HasPerspective);
    EXPECT_NEAR(s.canvas.PerspectiveFactor, 15.0 / 150.0 / 600.0, 1e-15);
    s.canvas.Projection(7, TRect(), TRect(0, 0, 600, 150));
    EXPECT_EQ(s.canvas.ZCenter, 4);
    // The centre of the chart rectangle at the centre depth stays where it is.
    EXPECT_EQ(s.Map(300, 75, 4), TPoint(300, 75));

    s.options.SetPerspective(0);
    s.Init(true, TRect(0, 0, 600, 150));
    EXPECT_FALSE(s.canvas.HasPerspective);
    // Without perspective and tilt the inverse is exact for points at the centre depth.
    const TPoint screen = s.Map(350, 90, 0);
    int x = screen.X, y = screen.Y;
    s.canvas.Calculate2DPosition(x, y, 0);
    EXPECT_NEAR(x, 350, 1);
    EXPECT_NEAR(y, 90, 1);

    s.options.SetTilt(30);
    s.Init(true);
    EXPECT_TRUE(s.canvas.IsTilted);
}

TEST(Projection, ZoomZeroCollapsesToTheCentreAndTheInverseLeavesInputAlone)
{
    Scene s;
    s.options.SetZoom(0);
    s.options.SetHorizOffset(7);
    s.options.SetVertOffset(-5);
    s.Init(true, TRect(0, 0, 200, 150));
    EXPECT_EQ(s.Map(3, 4, 5), TPoint(107, 70));
    EXPECT_EQ(s.Map(190, 140, 0), TPoint(107, 70));
    int x = 11, y = 12;
    s.canvas.Calculate2DPosition(x, y, 0);
    EXPECT_EQ(TPoint(x, y), TPoint(11, 12));
}

TEST(Projection, PerspectiveNeverDividesByZero)
{
    Scene s;
    s.options.SetOrthogonal(false);
    s.options.SetPerspective(100);
    // A chart rectangle without width has no perspective.
    s.Init(true, TRect(50, 0, 50, 150), 10);
    EXPECT_FALSE(s.canvas.HasPerspective);
    EXPECT_TRUE(std::isfinite(s.canvas.PerspectiveFactor));

    // A point exactly at the eye: the divisor would be zero.
    s.options.SetElevation(0);
    s.options.SetRotation(0);
    s.Init(true, TRect(0, 0, 200, 150), 0);
    const double f = s.canvas.PerspectiveFactor;
    ASSERT_GT(f, 0);
    const int zAtEye = int(std::lround(-1.0 / f));
    s.canvas.PerspectiveFactor = -1.0 / zAtEye;  // make the divisor exactly 0 for that depth
    const TPoint p = s.Map(150, 100, zAtEye);
    EXPECT_TRUE(p.X == INT_MAX || p.X == INT_MIN || std::abs(p.X) < INT_MAX);
    EXPECT_EQ(s.Map(100, 75, zAtEye).X, 100);  // the centre stays the centre
}

TEST(Projection, HugeZoomSaturatesInsteadOfOverflowing)
{
    Scene s;
    s.options.SetZoom(INT_MAX);
    s.Init(true);
    const TPoint p = s.Map(INT_MAX, INT_MIN, INT_MAX);
    EXPECT_EQ(p.X, INT_MAX);
    EXPECT_EQ(p.Y, INT_MIN + 75);  // the saturated offset plus the centre
}

TEST(Projection, FrontPlaneSectionsNestAndKeepTheObliqueMapping)
{
    Scene s;
    s.options.SetOrthogonal(false);
    s.Init(true, TRect(0, 0, 200, 150), 20);
    const TPoint rotated = s.Map(20, 20, 0);
    ASSERT_NE(rotated, TPoint(20, 20));
    s.canvas.FrontPlaneBegin();
    s.canvas.FrontPlaneBegin();
    EXPECT_EQ(s.Map(20, 20, 0), TPoint(20, 20));
    s.canvas.FrontPlaneEnd();
    EXPECT_EQ(s.Map(20, 20, 0), TPoint(20, 20));
    s.canvas.FrontPlaneEnd();
    EXPECT_EQ(s.Map(20, 20, 0), rotated);

    s.options.SetOrthogonal(true);
    s.Init(true, TRect(0, 0, 200, 150), 20);
    s.canvas.FrontPlaneBegin();
    EXPECT_EQ(s.Map(20, 20, 10), TPoint(30, 10));
    s.canvas.FrontPlaneEnd();
}

TEST(OffscreenBuffer, ShownImageIsReusedUntilInvalidated)
{
    TBitmap window;
    window.SetSize(60, 40);
    TTeeCanvas3D canvas;
    EXPECT_TRUE(canvas.Dirty);
    EXPECT_FALSE(canvas.ReDrawBitmap());
    const TRect r = canvas.InitWindow(window.Canvas(), nullptr, clWhite, false, TRect(10, 5, 50, 35));
    EXPECT_EQ(r, TRect(0, 0, 40, 30));
    ASSERT_TRUE(canvas.Bitmap);
    EXPECT_EQ(canvas.Canvas, canvas.Bitmap->Canvas());
    canvas.Brush->SetColor(clRed);
    canvas.FillRect(r);
    // Nothing reaches the window before ShowImage.
    EXPECT_EQ(support::CountColor(window.Image(), clRed), 0);
    canvas.ShowImage(window.Canvas(), window.Canvas(), TRect(10, 5, 50, 35));
    EXPECT_FALSE(canvas.Dirty);
    EXPECT_EQ(canvas.Canvas, window.Canvas());
    EXPECT_EQ(support::BoundingBoxOf(window.Image(), clRed), QRect(10, 5, 40, 30));

    // A repaint without changes copies the kept image.
    TBitmap other;
    other.SetSize(60, 40);
    canvas.SetCanvas(other.Canvas());
    EXPECT_TRUE(canvas.ReDrawBitmap());
    EXPECT_EQ(support::CountColor(other.Image(), clRed), 40 * 30);
    canvas.Invalidate();
    EXPECT_TRUE(canvas.Dirty);
    EXPECT_FALSE(canvas.ReDrawBitmap());

    // The bitmap is kept and only resized from paint to paint.
    TBitmap* kept = canvas.Bitmap.get();
    canvas.InitWindow(window.Canvas(), nullptr, clWhite, false, TRect(0, 0, 20, 10));
    EXPECT_EQ(canvas.Bitmap.get(), kept);
    EXPECT_EQ(canvas.Bitmap->GetWidth(), 20);
}

TEST(OffscreenBuffer, SwitchingBufferingOffFreesTheBitmapAndOnRecreatesIt)
{
    TBitmap window;
    window.SetSize(30, 30);
    TTeeCanvas3D canvas;
    canvas.InitWindow(window.Canvas(), nullptr, clWhite, false, TRect(0, 0, 30, 30));
    canvas.ShowImage(window.Canvas(), window.Canvas(), TRect(0, 0, 30, 30));
    EXPECT_FALSE(canvas.Dirty);
    canvas.SetUseBuffer(false);
    EXPECT_FALSE(canvas.Bitmap);
    EXPECT_TRUE(canvas.Dirty);
    EXPECT_EQ(canvas.InitWindow(window.Canvas(), nullptr, clWhite, false, TRect(2, 2, 30, 30)), TRect(2, 2, 30, 30));
    EXPECT_EQ(canvas.Canvas, window.Canvas());
    canvas.SetUseBuffer(true);
    EXPECT_FALSE(canvas.Bitmap);
    canvas.InitWindow(window.Canvas(), nullptr, clWhite, false, TRect(0, 0, 30, 30));
    EXPECT_TRUE(canvas.Bitmap);

    // Monochrome marks the buffer stale too.
    canvas.ShowImage(window.Canvas(), window.Canvas(), TRect(0, 0, 30, 30));
    canvas.SetMonochrome(true);
    EXPECT_TRUE(canvas.Dirty);
    TTeeCanvas3D copy;
    copy.Assign(&canvas);
    EXPECT_TRUE(copy.GetMonochrome());
}

TEST(Projection, ProjectedRectanglesAndLinesGoThroughTheMapping)
{
    Scene s;
    s.Init(true, TRect(0, 0, 200, 150), 20);
    s.canvas.RectangleWithZ(TRect(10, 20, 30, 40), 10);
    EXPECT_EQ(s.canvas.FourPoints[0], TPoint(20, 10));
    EXPECT_EQ(s.canvas.FourPoints[2], TPoint(40, 30));
    EXPECT_EQ(s.canvas.CalcRect3D(TRect(10, 20, 30, 40), 10), TRect(20, 10, 40, 30));
    EXPECT_EQ(s.canvas.RectFromRectZ(TRect(10, 20, 30, 40), 10), TRect(20, 10, 41, 31));
    s.canvas.Pen->SetColor(clRed);
    s.canvas.MoveTo3D(0, 100, 0);
    s.canvas.LineTo3D(50, 100, 0);
    s.canvas.ShowImage(s.window.Canvas(), s.window.Canvas(), TRect(0, 0, 200, 150));
    EXPECT_EQ(support::RowOf(s.window.Image(), 100, 0, 51, clRed), std::string(50, '#') + "..");
}
