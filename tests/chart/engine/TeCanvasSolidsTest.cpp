#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "chart/engine/TeCanvas.h"
#include "support/GoldenImage.h"
#include "support/PixelProbe.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// The 3D canvas with every filled face noted: its kind, its corners and the brush colour it
// was filled with.
class FaceRecorder : public TTeeCanvas3D {
public:
    using TTeeCanvas3D::Polygon;
    using TTeeCanvas3D::Polyline;

    struct Face {
        std::string kind;  // "Four", "Polygon", "Polyline", "RectangleY", "RectangleZ"
        std::vector<TPoint> points;
        TColor brush = clNone;
    };
    std::vector<Face> Faces;

    void PolygonFour() override
    {
        Faces.push_back({"Four", {FourPoints.begin(), FourPoints.end()}, Brush->GetColor()});
        TTeeCanvas3D::PolygonFour();
    }
    void Polygon(std::span<const TPoint> Points) override
    {
        Faces.push_back({"Polygon", {Points.begin(), Points.end()}, Brush->GetColor()});
        TTeeCanvas3D::Polygon(Points);
    }
    void Polyline(std::span<const TPoint> Points) override
    {
        Faces.push_back({"Polyline", {Points.begin(), Points.end()}, Brush->GetColor()});
        TTeeCanvas3D::Polyline(Points);
    }
    void RectangleY(int Left, int Top, int Right, int Z0, int Z1) override
    {
        Faces.push_back({"RectangleY", {}, Brush->GetColor()});
        TTeeCanvas3D::RectangleY(Left, Top, Right, Z0, Z1);
    }
    void RectangleZ(int Left, int Top, int Bottom, int Z0, int Z1) override
    {
        Faces.push_back({"RectangleZ", {}, Brush->GetColor()});
        TTeeCanvas3D::RectangleZ(Left, Top, Bottom, Z0, Z1);
    }
    int Count(const std::string& kind) const
    {
        int n = 0;
        for (const Face& f : Faces) n += f.kind == kind;
        return n;
    }
};

// A canvas drawing straight onto a white bitmap with the given view.
struct Scene {
    explicit Scene(bool is3D, bool orthogonal = true, int width = 240, int height = 200, int depth = 40)
        : Options(nullptr)
    {
        Bitmap.SetSize(width, height);
        Options.SetOrthogonal(orthogonal);
        Canvas.SetUseBuffer(false);
        const TRect r(0, 0, width, height);
        Canvas.InitWindow(Bitmap.Canvas(), &Options, clWhite, is3D, r);
        Canvas.ResetState();
        Canvas.Projection(depth, r, r);
    }
    QImage Image() { return Bitmap.Image(); }

    TBitmap Bitmap;
    TView3DOptions Options;
    FaceRecorder Canvas;
};

std::vector<TPoint> Corners(std::initializer_list<TPoint> p)
{
    return p;
}

}  // namespace

TEST(CanvasSolids, CubeDrawsFrontOrBackNeverBoth)
{
    Scene s(true);
    TTeeCanvas3D& c = s.Canvas;
    c.Brush->SetColor(clRed);

    // Oblique at 45 degrees: depth moves right and up, so front, right and top show.
    c.Cube(50, 100, 50, 100, 0, 20, true);
    ASSERT_EQ(s.Canvas.Faces.size(), 3u);
    EXPECT_EQ(s.Canvas.Faces[0].points, Corners({{50, 50}, {100, 50}, {100, 100}, {50, 100}}));
    EXPECT_EQ(s.Canvas.Faces[0].brush, clRed);
    EXPECT_EQ(s.Canvas.Faces[1].points, Corners({{100, 50}, {120, 30}, {120, 80}, {100, 100}}));
    EXPECT_EQ(s.Canvas.Faces[1].brush, ApplyDark(clRed, DarkerColorQuantity));
    EXPECT_EQ(s.Canvas.Faces[2].points, Corners({{50, 50}, {100, 50}, {120, 30}, {70, 30}}));
    EXPECT_EQ(s.Canvas.Faces[2].brush, ApplyDark(clRed, DarkColorQuantity));

    // A front face with a negative or zero signed area gives way to the back face.
    for (auto [left, right] : {std::pair{100, 50}, std::pair{70, 70}}) {
        s.Canvas.Faces.clear();
        c.Brush->SetColor(clRed);
        c.Cube(left, right, 50, 100, 0, 20, false);
        ASSERT_FALSE(s.Canvas.Faces.empty());
        EXPECT_EQ(s.Canvas.Faces[0].points,
                  Corners({{left + 20, 30}, {right + 20, 30}, {right + 20, 80}, {left + 20, 80}}));
        for (std::size_t i = 1; i < s.Canvas.Faces.size(); ++i) {
            EXPECT_NE(s.Canvas.Faces[i].points, Corners({{left, 50}, {right, 50}, {right, 100}, {left, 100}}));
            EXPECT_EQ(s.Canvas.Faces[i].brush, clRed) << "shaded without DarkSides";
        }
    }

    // A clear brush outlines all five faces, without the visibility tests.
    s.Canvas.Faces.clear();
    c.Brush->SetStyle(bsClear);
    c.Cube(50, 100, 50, 100, 0, 20, true);
    EXPECT_EQ(s.Canvas.Count("Four"), 5);
}

TEST(CanvasSolids, CylindersConesAndPyramids)
{
    Scene s(true);
    FaceRecorder& c = s.Canvas;
    const int savedSides = TeeNumCylinderSides;

    // Side faces facing away are skipped; the closing face and the cap always come last.
    c.Cylinder(true, 40, 40, 80, 120, 0, 30, true);
    const std::vector<FaceRecorder::Face> sixteen = c.Faces;
    // Half of the 16 sides face the viewer, then the cap.
    EXPECT_EQ(c.Count("Polygon"), 8 + 1);
    EXPECT_EQ(c.Faces.back().points.size(), 16u);
    EXPECT_EQ(c.Faces.back().brush, ApplyDark(clWhite, DarkColorQuantity));

    // Zero or fewer sides would divide by zero: the default of 16 is used instead.
    for (int sides : {0, -3}) {
        TeeNumCylinderSides = sides;
        c.Faces.clear();
        c.Brush->SetColor(clWhite);
        c.Cylinder(true, 40, 40, 80, 120, 0, 30, true);
        ASSERT_EQ(c.Faces.size(), sixteen.size());
        for (std::size_t i = 0; i < c.Faces.size(); ++i) EXPECT_EQ(c.Faces[i].points, sixteen[i].points);
    }
    TeeNumCylinderSides = 4;
    c.Faces.clear();
    c.Cylinder(true, 40, 40, 80, 120, 0, 30, false);
    EXPECT_LE(c.Count("Polygon"), 4 + 1);
    EXPECT_EQ(c.Faces.back().points.size(), 4u);
    TeeNumCylinderSides = savedSides;

    // A cone passed 0 % uses the library default (0: pointed), so its cap is one point.
    c.Faces.clear();
    c.Cone(true, 40, 40, 80, 120, 0, 30, false, 0);
    const std::vector<TPoint>& cap = c.Faces.back().points;
    for (const TPoint& p : cap) EXPECT_EQ(p, cap.front());

    // A horizontal pointed cone seen from its wide end builds that cap from the full radii.
    Scene mirrored(true);
    mirrored.Options.SetOrthoAngle(135);
    mirrored.Canvas.InitWindow(mirrored.Bitmap.Canvas(), &mirrored.Options, clWhite, true, TRect(0, 0, 240, 200));
    mirrored.Canvas.Projection(40, TRect(0, 0, 240, 200), TRect(0, 0, 240, 200));
    mirrored.Canvas.Cone(false, 40, 40, 160, 100, 0, 30, false, 0);
    const std::vector<TPoint>& wideCap = mirrored.Canvas.Faces.back().points;
    ASSERT_EQ(wideCap.size(), 16u);
    int minY = wideCap[0].Y, maxY = wideCap[0].Y;
    for (const TPoint& p : wideCap) {
        minY = std::min(minY, p.Y);
        maxY = std::max(maxY, p.Y);
    }
    EXPECT_GE(maxY - minY, 50) << "the wide end spans the full height";
    EXPECT_LE(maxY, 130);
    EXPECT_GE(minY, 0);

    // Pyramids: a flat one draws only its base.
    c.Faces.clear();
    c.Pyramid(true, 40, 90, 80, 90, 0, 30, true);
    ASSERT_EQ(c.Faces.size(), 2u);  // RectangleY and its four-point face
    EXPECT_EQ(c.Faces[0].kind, "RectangleY");
    c.Faces.clear();
    c.Pyramid(false, 60, 40, 60, 80, 0, 30, true);
    ASSERT_EQ(c.Faces.size(), 2u);
    EXPECT_EQ(c.Faces[0].kind, "RectangleZ");

    // An upright pyramid: the front triangle always, the base not (it faces down).
    c.Faces.clear();
    c.Brush->SetColor(clBlue);
    c.Pyramid(true, 40, 40, 80, 120, 0, 30, true);
    // The front and the right side show in the oblique view.
    ASSERT_EQ(c.Count("Polygon"), 2);
    EXPECT_EQ(c.Faces[0].points, Corners({{40, 120}, {60 + 15, 40 - 15}, {80, 120}}));
    EXPECT_EQ(c.Faces[1].points, Corners({{80, 120}, {60 + 15, 40 - 15}, {80 + 30, 120 - 30}}));
    EXPECT_EQ(c.Faces[1].brush, ApplyDark(clBlue, DarkerColorQuantity));
    EXPECT_EQ(c.Faces[0].brush, clBlue);
    EXPECT_EQ(c.Count("RectangleY"), 0);

    // A frustum in the oblique view shows its front face (between top depth 10 and the front
    // at 0) and its right side, not its back face or its left side.
    c.Faces.clear();
    c.PyramidTrunc(TRect(40, 40, 80, 120), 0, 30, 6, 5);
    std::vector<std::vector<TPoint>> fours;
    for (const auto& f : c.Faces)
        if (f.kind == "Four") fours.push_back(f.points);
    const std::vector<TPoint> front = Corners({{64, 30}, {76, 30}, {80, 120}, {40, 120}});
    const std::vector<TPoint> back = Corners({{74, 20}, {86, 20}, {110, 90}, {70, 90}});
    const std::vector<TPoint> right = Corners({{76, 30}, {86, 20}, {110, 90}, {80, 120}});
    EXPECT_NE(std::find(fours.begin(), fours.end(), front), fours.end());
    EXPECT_NE(std::find(fours.begin(), fours.end(), right), fours.end());
    EXPECT_EQ(std::find(fours.begin(), fours.end(), back), fours.end());
    EXPECT_EQ(fours.size(), 4u);  // base cap, front, right side, top cap

    // A frustum without top width has no top cap.
    c.Faces.clear();
    c.PyramidTrunc(TRect(40, 40, 80, 120), 0, 30, 0, 5);
    EXPECT_EQ(c.Count("RectangleY"), 1);
    c.Faces.clear();
    c.PyramidTrunc(TRect(40, 40, 80, 120), 0, 30, 6, 5);
    EXPECT_EQ(c.Count("RectangleY"), 2);
}

TEST(CanvasSolids, Arrows)
{
    Scene s(false);
    FaceRecorder& c = s.Canvas;
    c.Arrow(true, TPoint(30, 30), TPoint(30, 30), 10, 10, 0);
    c.Arrow(false, TPoint(30, 30), TPoint(30, 30), 10, 10, 0);
    EXPECT_TRUE(c.Faces.empty());
    EXPECT_EQ(support::CountColor(s.Image(), clBlack), 0);

    // A head longer than the arrow is cut to the arrow's length: its base sits on the tail.
    c.Arrow(true, TPoint(10, 50), TPoint(30, 50), 10, 100, 0);
    ASSERT_EQ(c.Faces.size(), 1u);
    EXPECT_EQ(c.Faces[0].points, Corners({{10, 52}, {10, 48}, {10, 48}, {10, 45}, {30, 50}, {10, 55}, {10, 52}}));

    // An arrow pointing up: head corners either side of the shaft.
    c.Faces.clear();
    c.Arrow(true, TPoint(100, 100), TPoint(100, 60), 10, 10, 0);
    EXPECT_EQ(c.Faces[0].points, Corners({{102, 100}, {98, 100}, {98, 70}, {95, 70}, {100, 60}, {105, 70}, {102, 70}}));
}

TEST(CanvasPies, PieSlicePointsAndAngles)
{
    Scene s(true, false);
    FaceRecorder& c = s.Canvas;
    // One arc point every 2 degrees, between 2 and 96, plus the centre.
    for (auto [degrees, points] : {std::pair{360.0, 97u}, std::pair{1.0, 3u}, std::pair{3.0, 5u}}) {
        c.Faces.clear();
        c.Pie3D(120, 100, 60, 40, 0, 20, 0, degrees * kPi / 180, false, false, 0, nullptr);
        ASSERT_FALSE(c.Faces.empty());
        EXPECT_EQ(c.Faces[0].points.size(), points) << degrees << " degrees";
    }
    // With a hole the top face runs out along the arc and back along the hole.
    c.Faces.clear();
    c.Pie3D(120, 100, 60, 40, 0, 20, 0, kPi / 2, false, false, 50, nullptr);
    EXPECT_EQ(c.Faces[0].points.size(), 2u * 47);  // inner wall: both hole arcs
    EXPECT_EQ(c.Faces[1].points.size(), 2u * 47 + 1);
    // It closes at the hole's start: no chord is drawn across the hole.
    EXPECT_EQ(c.Faces[1].points.back(), c.Faces[1].points.front());

    // The outer wall of a slice whose screen x turns back only in its last step is drawn
    // (a large radius keeps the rounded points apart).
    Scene oblique(true);
    oblique.Canvas.Pie3D(-9900, 100, 10000, 10000, 0, 20, -2 * kPi / 180, 2 * kPi / 180, false, false, 0, nullptr);
    ASSERT_EQ(oblique.Canvas.Count("Polygon"), 2);
    EXPECT_EQ(oblique.Canvas.Faces[1].points.size(), 2u * 4);

    // A slice without a defined extent draws nothing.
    Scene blank(true, false);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    blank.Canvas.Pie3D(120, 100, 60, 40, 0, 20, 0, nan, true, true, 0, nullptr);
    blank.Canvas.Pie3D(120, 100, 60, 40, 0, 20, -inf, 1, true, true, 30, nullptr);
    blank.Canvas.Donut(120, 100, 60, 40, 0, inf, 50);
    EXPECT_TRUE(blank.Canvas.Faces.empty());
    EXPECT_EQ(support::BoundingBoxOfNot(blank.Image(), clWhite), QRect());

    // The pie call's radial points as angles: a full circle ends at 360, not 0.
    double start = -1, end = -1;
    c.CalcPieAngles(0, 0, 100, 100, 100, 50, 100, 50, start, end);
    EXPECT_DOUBLE_EQ(start, 0);
    EXPECT_DOUBLE_EQ(end, 360);
    c.CalcPieAngles(0, 0, 100, 100, 50, 0, 0, 50, start, end);
    EXPECT_DOUBLE_EQ(start, 90);
    EXPECT_DOUBLE_EQ(end, 180);
}

TEST(CanvasPies, GradientFillsTheTopFaceAndTheClipIsRemoved)
{
    Scene s(true, true, 240, 200, 40);
    TTeeGradient gradient(nullptr);
    gradient.SetStartColor(clRed);
    gradient.SetEndColor(clRed);
    gradient.SetVisible(true);
    s.Canvas.Brush->SetColor(clWhite);
    s.Canvas.Pen->SetStyle(psClear);
    s.Canvas.Pie3D(100, 100, 60, 60, 0, 20, 0, 2 * kPi, false, false, 0, &gradient);
    // The top face lies at depth 20, moved 20 right and up in the oblique view.
    EXPECT_EQ(support::PixelAt(s.Image(), 120, 80), clRed);
    EXPECT_EQ(support::PixelAt(s.Image(), 120 + 70, 80), clWhite);
    // Drawing after the pie is not clipped to it.
    s.Canvas.Brush->SetColor(clBlue);
    s.Canvas.FillRect(TRect(200, 170, 230, 190));
    EXPECT_EQ(support::PixelAt(s.Image(), 215, 180), clBlue);
}

TEST(CanvasPies, EllipsesAtADepthAndDonuts)
{
    Scene s(true, false);
    FaceRecorder& c = s.Canvas;
    c.Brush->SetStyle(bsClear);
    c.EllipseWithZ(60, 60, 160, 120, 10);
    ASSERT_EQ(c.Faces.size(), 1u);
    EXPECT_EQ(c.Faces[0].kind, "Polyline");
    EXPECT_EQ(c.Faces[0].points.size(), 64u);
    EXPECT_EQ(c.Faces[0].points.front(), c.Faces[0].points.back());

    c.Faces.clear();
    c.Brush->SetStyle(bsSolid);
    c.Pen->SetStyle(psClear);
    c.EllipseWithZ(60, 60, 160, 120, 10);
    EXPECT_EQ(c.Count("Polygon"), 63);
    EXPECT_EQ(c.Count("Polyline"), 0);
    EXPECT_EQ(c.Pen->GetStyle(), psClear);

    // A flat donut slice; with no hole it degenerates to a pie slice through the centre.
    Scene flat(false);
    flat.Canvas.Brush->SetColor(clRed);
    flat.Canvas.Pen->SetStyle(psClear);
    flat.Canvas.Donut(100, 100, 50, 50, 0, kPi / 2, 0);
    EXPECT_EQ(support::PixelAt(flat.Image(), 103, 97), clRed);
    EXPECT_EQ(support::PixelAt(flat.Image(), 130, 75), clRed);
    EXPECT_EQ(support::PixelAt(flat.Image(), 97, 97), clWhite);
    Scene holed(false);
    holed.Canvas.Brush->SetColor(clRed);
    holed.Canvas.Pen->SetStyle(psClear);
    holed.Canvas.Donut(100, 100, 50, 50, 0, kPi / 2, 50);
    EXPECT_EQ(support::PixelAt(holed.Image(), 110, 90), clWhite);
    EXPECT_EQ(support::PixelAt(holed.Image(), 125, 75), clRed);
}

TEST(CanvasPies, RotatedLabels)
{
    auto draw = [](double angle) {
        Scene s(false);
        s.Canvas.Font->SetSize(14);
        s.Canvas.RotateLabel(120, 100, "Label", angle);
        EXPECT_EQ(s.Canvas.Brush->GetStyle(), bsClear);
        return s.Image();
    };
    const QImage at90 = draw(90);
    EXPECT_NE(support::BoundingBoxOfNot(at90, clWhite), QRect());
    EXPECT_EQ(draw(450), at90);
    EXPECT_EQ(draw(90 + 360.0 * 1000000), at90);
    EXPECT_NE(draw(0), at90);
    // Huge and undefined angles end (unturned text), they do not loop.
    EXPECT_NE(support::BoundingBoxOfNot(draw(1e300), clWhite), QRect());
    EXPECT_NE(support::BoundingBoxOfNot(draw(std::numeric_limits<double>::infinity()), clWhite), QRect());
}

TEST(CanvasGolden, SolidsIn3D)
{
    Scene s(true, true, 320, 180, 40);
    TTeeCanvas3D& c = s.Canvas;
    c.Pen->SetColor(clBlack);
    c.Brush->SetColor(RGB(220, 60, 60));
    c.Cube(20, 60, 60, 160, 0, 30, true);
    c.Brush->SetColor(RGB(60, 160, 60));
    c.Cylinder(true, 80, 40, 120, 160, 0, 30, true);
    c.Brush->SetColor(RGB(60, 90, 220));
    c.Cone(true, 140, 30, 180, 160, 0, 30, true, 20);
    c.Brush->SetColor(RGB(230, 180, 40));
    c.Pyramid(true, 200, 50, 240, 160, 0, 30, true);
    c.Brush->SetColor(RGB(150, 80, 200));
    c.PyramidTrunc(TRect(250, 70, 300, 160), 0, 30, 10, 6);
    c.Brush->SetColor(RGB(80, 200, 200));
    c.Cone(false, 20, 10, 150, 40, 0, 20, true, 40);
    c.Brush->SetColor(clBlack);
    c.Arrow(true, TPoint(170, 20), TPoint(300, 40), 12, 14, 10);
    EXPECT_MATCHES_GOLDEN(s.Image(), "canvas3d_solids.png");
}

TEST(CanvasGolden, PieAndDonut)
{
    Scene s(true, false, 320, 200, 30);
    s.Options.SetElevation(315);
    s.Options.SetRotation(0);
    s.Options.SetPerspective(0);
    s.Canvas.InitWindow(s.Bitmap.Canvas(), &s.Options, clWhite, true, TRect(0, 0, 320, 200));
    s.Canvas.ResetState();
    s.Canvas.Projection(30, TRect(0, 0, 320, 200), TRect(0, 0, 320, 200));
    TTeeCanvas3D& c = s.Canvas;
    const TColor colours[3] = {RGB(220, 60, 60), RGB(60, 160, 60), RGB(60, 90, 220)};
    const double cuts[4] = {0, 2.0, 4.2, 2 * kPi};
    for (int i = 0; i < 3; ++i) {
        c.Brush->SetColor(colours[i]);
        c.Pie3D(85, 100, 70, 70, 0, 25, cuts[i], cuts[i + 1], true, true, 0, nullptr);
    }
    for (int i = 0; i < 3; ++i) {
        c.Brush->SetColor(colours[i]);
        c.Pie3D(235, 100, 70, 70, 0, 25, cuts[i], cuts[i + 1], true, true, 45, nullptr);
    }
    EXPECT_MATCHES_GOLDEN(s.Image(), "canvas3d_pie_donut.png");
}

TEST(CanvasGolden, RotatedLabel)
{
    Scene s(false, true, 200, 200);
    s.Canvas.Font->SetName("Liberation Sans");
    s.Canvas.Font->SetSize(12);
    s.Canvas.Font->SetColor(clBlack);
    for (int angle : {0, 45, 90, 180, 270}) s.Canvas.RotateLabel(100, 100, "Rotated " + std::to_string(angle), angle);
    EXPECT_MATCHES_GOLDEN(s.Image(), "canvas3d_rotated_label.png");
}
