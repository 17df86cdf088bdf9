// Geometry helpers of the canvas: rectangle rules, bounds, culling and the convex hull.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeColorUtils.h"
#include "chart/engine/TeeGeometry.h"

namespace {

TEST(CanvasGeometry, RectangleHelpers)
{
    // All four edges belong to the rectangle.
    EXPECT_TRUE(PointInRect(TRect(0, 0, 10, 10), 10, 10));
    EXPECT_TRUE(PointInRect(TRect(0, 0, 10, 10), TPoint(0, 0)));
    EXPECT_FALSE(PointInRect(TRect(0, 0, 10, 10), 11, 10));
    EXPECT_FALSE(PointInRect(TRect(0, 0, 10, 10), 5, -1));

    EXPECT_EQ(OrientRectangle(TRect(10, 20, 0, 5)), TRect(0, 5, 10, 20));
    EXPECT_EQ(OrientRectangle(TRect(0, 20, 10, 5)), TRect(0, 5, 10, 20));

    int x = 0, y = 0;
    RectCenter(TRect(-3, 0, 0, 0), x, y);
    EXPECT_EQ(x, -1);  // truncation toward zero, not -2
    EXPECT_EQ(y, 0);
    // Far coordinates: the sum leaves 32 bits, the centre does not.
    RectCenter(TRect(INT_MAX - 2, INT_MIN, INT_MAX, INT_MIN + 2), x, y);
    EXPECT_EQ(x, INT_MAX - 1);
    EXPECT_EQ(y, INT_MIN + 1);

    int w = 0, h = 0;
    RectSize(TRect(2, 3, 12, 1), w, h);
    EXPECT_EQ(w, 10);
    EXPECT_EQ(h, -2);
}

TEST(CanvasGeometry, PolygonBoundsAndRectFromPolygon)
{
    const TPoint one[] = {{5, 7}};
    EXPECT_EQ(RectFromPolygon(one, 1), TRect(5, 7, 6, 8));
    EXPECT_EQ(PolygonBounds(one), TRect(5, 7, 5, 7));

    const TPoint tri[3] = {{4, -2}, {-1, 6}, {3, 3}};
    EXPECT_EQ(RectFromTriangle(tri), TRect(-1, -2, 5, 7));
    EXPECT_EQ(PolygonBounds(std::vector<TPoint>(std::begin(tri), std::end(tri))), TRect(-1, -2, 4, 6));

    // No points: an empty rectangle, nothing is read.
    EXPECT_EQ(PolygonBounds(std::vector<TPoint>{}), TeeZeroRect);
    EXPECT_EQ(RectFromPolygon(std::span<const TPoint>(), 3), TeeZeroRect);
    EXPECT_EQ(RectFromPolygon(one, 0), TeeZeroRect);
    EXPECT_EQ(RectFromPolygon(one, -4), TeeZeroRect);
}

TEST(CanvasGeometry, CullingFacesAway)
{
    // Counter-clockwise on screen (y down) faces the viewer.
    EXPECT_FALSE(TeeCull(TPoint(0, 0), TPoint(0, 10), TPoint(10, 10)));
    EXPECT_TRUE(TeeCull(TPoint(10, 10), TPoint(0, 10), TPoint(0, 0)));
    const TPoint pts[3] = {{10, 10}, {0, 10}, {0, 0}};
    EXPECT_TRUE(TeeCull(pts));
    // Products beyond 32 bits keep their sign.
    EXPECT_TRUE(TeeCull(TPoint(100000, 100000), TPoint(0, 100000), TPoint(0, 0)));
    EXPECT_FALSE(TeeCull(TPoint(0, 0), TPoint(0, 100000), TPoint(100000, 100000)));
    EXPECT_FALSE(TeeCull(TPoint(INT_MIN, INT_MIN), TPoint(INT_MIN, INT_MAX), TPoint(INT_MAX, INT_MAX)));
}

TEST(CanvasGeometry, RGBValueKeepsTheRawChannels)
{
    const TRGB v = RGBValue(RGB(1, 2, 3));
    EXPECT_EQ(v.Red, 1);
    EXPECT_EQ(v.Green, 2);
    EXPECT_EQ(v.Blue, 3);
    // System colours are not resolved: the index byte is the red channel.
    EXPECT_EQ(RGBValue(clBtnFace).Red, 15);
}

bool TeeConvexHull(std::vector<TPoint>& p)
{
    TTeeCanvas3D canvas;
    return canvas.ConvexHull(p);
}

TEST(CanvasGeometry, ConvexHull)
{
    // A square with its centre: the centre goes, the pivot (lowest, then rightmost) is last.
    std::vector<TPoint> p{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {5, 5}};
    ASSERT_TRUE(TeeConvexHull(p));
    ASSERT_EQ(p.size(), 4u);
    EXPECT_EQ(p.back(), TPoint(10, 0));
    for (TPoint c : {TPoint(0, 0), TPoint(10, 10), TPoint(0, 10)})
        EXPECT_NE(std::find(p.begin(), p.end(), c), p.end()) << c.X << "," << c.Y;

    // Three points stay as they are; fewer fail and stay too.
    std::vector<TPoint> three{{3, 3}, {1, 1}, {2, 9}};
    EXPECT_TRUE(TeeConvexHull(three));
    EXPECT_EQ(three, (std::vector<TPoint>{{3, 3}, {1, 1}, {2, 9}}));
    std::vector<TPoint> two{{3, 3}, {1, 1}};
    EXPECT_FALSE(TeeConvexHull(two));
    EXPECT_EQ(two.size(), 2u);

    // Coordinates beyond ten million still find the right pivot.
    std::vector<TPoint> far{
        {20000000, 20000000}, {20000010, 20000000}, {20000010, 20000010}, {20000000, 20000010}, {20000005, 20000005}};
    ASSERT_TRUE(TeeConvexHull(far));
    ASSERT_EQ(far.size(), 4u);
    EXPECT_EQ(far.back(), TPoint(20000010, 20000000));
    EXPECT_EQ(std::find(far.begin(), far.end(), TPoint(20000005, 20000005)), far.end());
}

TEST(CanvasGeometry, PointAtDistance)
{
    EXPECT_EQ(PointAtDistance(TPoint(0, 0), TPoint(0, 10), 4), TPoint(0, 6));
    EXPECT_EQ(PointAtDistance(TPoint(0, 10), TPoint(0, 0), 4), TPoint(0, 4));
    EXPECT_EQ(PointAtDistance(TPoint(0, 0), TPoint(10, 0), 4), TPoint(6, 0));
    EXPECT_EQ(PointAtDistance(TPoint(0, 0), TPoint(30, 40), 5), TPoint(27, 36));
    EXPECT_DOUBLE_EQ(TeeDistance(3, 4), 5.0);
}

}  // namespace
