// The framed box of chart elements: geometry, stored settings, repaints and the drawing
// order of shadow, fill, outline and bevel.
#include <gtest/gtest.h>

#include <QPointer>

#include "PanelTestSupport.h"
#include "chart/engine/TTeeCustomShape.h"
#include "support/PixelProbe.h"

namespace {

struct ShapeOnRecorder : ::testing::Test {
    TTestPanel panel;
    support::TRecordingCanvas* rec = panel.UseRecordingCanvas();
    TTeeShape shape{&panel};

    int Index(const std::string& call) { return rec->IndexOf(call); }
};

}  // namespace

TEST(ShapeGeometry, WidthHeightAndRotatedCorners)
{
    TTeeShape s;
    s.ShapeBounds = TRect(10, 10, 19, 19);
    EXPECT_EQ(s.GetWidth(), 10);
    EXPECT_EQ(s.GetHeight(), 10);
    s.SetWidth(5);
    s.SetHeight(1);
    EXPECT_EQ(s.ShapeBounds, TRect(10, 10, 14, 10));

    std::array<TPoint, 4> p{};
    RectToFourPoints(TRect(0, 0, 10, 10), 90, p);
    EXPECT_EQ(p[0], TPoint(0, 10));
    EXPECT_EQ(p[1], TPoint(0, 0));
    EXPECT_EQ(p[2], TPoint(10, 0));
    EXPECT_EQ(p[3], TPoint(10, 10));
    RectToFourPoints(TRect(2, 3, 8, 7), 0, p);
    EXPECT_EQ(p[0], TPoint(2, 3));
    EXPECT_EQ(p[2], TPoint(8, 7));
    // 45 degrees about (5, 5): the top-left corner swings out to the left.
    RectToFourPoints(TRect(0, 0, 10, 10), 45, p);
    EXPECT_EQ(p[0], TPoint(-2, 5));
}

TEST(ShapeSettings, DefaultsStoredValuesAndAssign)
{
    TTeeShape a;
    EXPECT_EQ(a.GetColor(), clWhite);
    EXPECT_EQ(a.GetBevelWidth(), 2);
    EXPECT_EQ(a.GetShadow()->GetColor(), clBlack);
    EXPECT_EQ(a.GetShadow()->GetSize(), 3);
    EXPECT_FALSE(a.GetShadow()->IsPropertyStored("Color"));
    EXPECT_FALSE(a.GetShadow()->IsPropertyStored("HorizSize"));
    EXPECT_FALSE(a.IsPropertyStored("Transparent"));
    a.DefaultTransparent = true;
    EXPECT_TRUE(a.IsPropertyStored("Transparent"));
    EXPECT_EQ(a.StoredGradient(), nullptr);
    EXPECT_FALSE(a.IsPropertyStored("Gradient"));

    a.SetBevel(bvLowered);
    a.SetColor(clRed);
    a.GetGradient()->SetVisible(true);
    a.SetShapeStyle(fosRoundRectangle);
    a.SetTextFormat(ttfHtml);
    a.SetTransparency(40);
    a.GetPen()->SetColor(clBlue);
    a.Hide();
    a.GetFont()->SetColor(clGreen);
    a.SetShadowSize(7);

    TTeeShape b;
    b.Assign(&a);
    EXPECT_EQ(b.GetBevel(), bvLowered);
    EXPECT_EQ(b.GetColor(), clRed);
    ASSERT_NE(b.StoredGradient(), nullptr);
    EXPECT_TRUE(b.StoredGradient()->GetVisible());
    EXPECT_EQ(b.GetShapeStyle(), fosRoundRectangle);
    EXPECT_EQ(b.GetTextFormat(), ttfHtml);
    EXPECT_EQ(b.GetTransparency(), 40);
    EXPECT_EQ(b.GetPen()->GetColor(), clBlue);
    EXPECT_FALSE(b.GetVisible());
    EXPECT_EQ(b.GetFont()->GetColor(), clGreen);
    EXPECT_EQ(b.GetShadowSize(), 7);

    // Assigning none frees the optional objects; a copy from a shape without a gradient
    // drops the gradient.
    b.SetGradient(nullptr);
    EXPECT_EQ(b.StoredGradient(), nullptr);
    a.Assign(&b);
    EXPECT_EQ(a.StoredGradient(), nullptr);
    a.SetShadow(nullptr);
    EXPECT_EQ(a.StoredShadow(), nullptr);
    EXPECT_EQ(a.GetShadow()->GetSize(), 3);  // read again: a fresh default shadow

    // Transparency is a percentage.
    a.SetTransparency(250);
    EXPECT_EQ(a.GetTransparency(), 100);
    a.SetTransparency(-5);
    EXPECT_EQ(a.GetTransparency(), 0);
}

TEST(ShapeSettings, ChangesRepaintTheParentOnlyWhenTheyChange)
{
    TTestPanel panel;
    TTeeShape s(&panel);
    panel.Invalidates = 0;
    s.SetColor(clWhite);
    s.SetTransparent(false);
    s.SetVisible(true);
    s.SetBevel(bvNone);
    EXPECT_EQ(panel.Invalidates, 0);
    s.SetColor(clRed);
    s.SetTransparent(true);
    s.Hide();
    s.SetBevelWidth(4);
    s.SetTransparency(10);
    EXPECT_EQ(panel.Invalidates, 5);
    s.GetPen()->SetWidth(3);
    s.GetBrush()->SetColor(clBlue);
    s.GetFont()->SetSize(20);
    s.GetShadow()->SetColor(clGray);
    s.GetGradient()->SetVisible(true);
    EXPECT_EQ(panel.Invalidates, 10);

    // A shape made for a panel goes with it.
    QPointer<TTeeShape> owned;
    {
        TTestPanel shortLived;
        owned = new TTeeShape(&shortLived);
    }
    EXPECT_TRUE(owned.isNull());

    // Without a parent the values are simply stored.
    TTeeShape orphan;
    orphan.SetColor(clLime);
    orphan.Hide();
    orphan.GetPen()->SetWidth(2);
    EXPECT_EQ(orphan.GetColor(), clLime);
    EXPECT_FALSE(orphan.GetVisible());
    orphan.Draw();  // no panel, no canvas: nothing to draw on, and no crash
}

TEST_F(ShapeOnRecorder, TransparentShapeDrawsNothingNotEvenItsShadow)
{
    shape.SetTransparent(true);
    shape.ShapeBounds = TRect(10, 10, 50, 30);
    rec->Clear();
    shape.Draw();
    EXPECT_TRUE(rec->Calls.empty()) << rec->Calls.front();
}

TEST_F(ShapeOnRecorder, RectangleDrawsShadowThenOutlineThenBevel)
{
    shape.ShapeBounds = TRect(10, 10, 50, 30);
    shape.GetShadow()->SetSmooth(false);
    shape.SetBevel(bvRaised);
    shape.SetBevelWidth(1);
    shape.Draw();
    // The plain shadow: two strips right and below, in the front plane.
    const int front = Index("DisableRotation()");
    const int below = Index("Rectangle(13,30,53,34)");
    const int right = Index("Rectangle(50,13,54,34)");
    const int box = Index("Rectangle(10,10,50,30)");
    ASSERT_GE(front, 0);
    ASSERT_GE(below, 0);
    ASSERT_GE(right, 0);
    ASSERT_GE(box, 0);
    EXPECT_LT(front, below);
    EXPECT_LT(below, box);
    EXPECT_LT(right, box);
    // The bevel frames the inside of the box after the outline.
    const int bevel = Index("Polyline([(10,29),(10,10),(49,10)])");
    ASSERT_GE(bevel, 0);
    EXPECT_GT(bevel, box);
}

TEST_F(ShapeOnRecorder, ClearBrushOrZeroSizeMeansNoShadow)
{
    shape.ShapeBounds = TRect(0, 0, 20, 20);
    shape.GetBrush()->SetStyle(bsClear);
    shape.GetShadow()->SetSmooth(false);
    shape.Draw();
    EXPECT_EQ(rec->CallsStartingWith("Rectangle(").size(), 1u);

    rec->Clear();
    shape.GetBrush()->SetStyle(bsSolid);
    shape.GetShadow()->SetSize(0);
    shape.Draw();
    EXPECT_EQ(rec->CallsStartingWith("Rectangle(").size(), 1u);
}

TEST_F(ShapeOnRecorder, RoundRectangleShadowOnlyWithTransparency)
{
    shape.ShapeBounds = TRect(10, 10, 50, 30);
    shape.SetShapeStyle(fosRoundRectangle);
    shape.Draw();
    EXPECT_EQ(rec->CallsStartingWith("RoundRect(").size(), 1u);
    EXPECT_GE(Index("RoundRect(10,10,50,30,16,16)"), 0);
    EXPECT_TRUE(rec->CallsStartingWith("DoHorizLine").empty());

    rec->Clear();
    shape.SetTransparency(50);
    shape.Draw();
    // The outline moved by the shadow size plus the visible pen's width, then the shape.
    const int shadow = Index("RoundRect(14,14,54,34,16,16)");
    const int box = Index("RoundRect(10,10,50,30,16,16)");
    ASSERT_GE(shadow, 0);
    ASSERT_GE(box, 0);
    EXPECT_LT(shadow, box);

    // A hidden pen adds nothing to the offset.
    rec->Clear();
    shape.GetPen()->Hide();
    shape.Draw();
    EXPECT_GE(Index("RoundRect(13,13,53,33,16,16)"), 0);
}

TEST_F(ShapeOnRecorder, RotatedShapeIsAPolygonWithoutBevel)
{
    shape.ShapeBounds = TRect(0, 0, 10, 10);
    shape.SetBevel(bvRaised);
    shape.GetShadow()->SetSize(0);
    shape.DrawRectRotated(shape.ShapeBounds, 90, 0);
    EXPECT_GE(Index("Polygon([(0,10),(0,0),(10,0),(10,10)])"), 0);
    EXPECT_TRUE(rec->CallsStartingWith("Rectangle(").empty());
    EXPECT_TRUE(rec->CallsStartingWith("Polyline(").empty());

    // Below one degree the plain rectangle is drawn.
    rec->Clear();
    shape.DrawRectRotated(shape.ShapeBounds, 0.5, 0);
    EXPECT_GE(Index("Rectangle(0,0,10,10)"), 0);
}

TEST(ShapePixels, FillOutlineAndTransparencyOnTheScreenCanvas)
{
    TTestPanel panel;
    panel.resize(100, 60);
    panel.SetBevelOuter(bvNone);
    panel.SetColor(clWhite);
    TTeeShape shape(&panel);
    shape.ShapeBounds = TRect(10, 10, 60, 40);
    shape.SetColor(clRed);
    shape.GetPen()->SetColor(clBlue);
    shape.GetShadow()->SetSmooth(false);
    shape.GetShadow()->SetColor(clGreen);
    panel.OnInternalDraw = [&](const TRect&) {
        panel.GetCanvas()->Brush->SetColor(clWhite);
        panel.GetCanvas()->FillRect(panel.ChartBounds);
        shape.Draw();
    };
    panel.Draw();
    const QImage& img = panel.WindowImage();
    EXPECT_EQ(support::PixelAt(img, 30, 25), clRed);
    EXPECT_EQ(support::PixelAt(img, 10, 25), clBlue);
    EXPECT_EQ(support::PixelAt(img, 59, 25), clBlue);
    EXPECT_EQ(support::PixelAt(img, 62, 25), clGreen);  // shadow right of the box
    EXPECT_EQ(support::PixelAt(img, 30, 42), clGreen);  // and below it
    EXPECT_EQ(support::PixelAt(img, 5, 5), clWhite);

    // Half see-through: the red fill mixes with the white behind it.
    shape.SetTransparency(50);
    panel.Invalidate();
    panel.Draw();
    const TColor mixed = support::PixelAt(panel.WindowImage(), 30, 25);
    EXPECT_EQ(GetRValue(mixed), 255);
    EXPECT_NEAR(GetGValue(mixed), 128, 2);
    EXPECT_NEAR(GetBValue(mixed), 128, 2);

    // A see-through shadow inside a see-through shape: each keeps its own percentage.
    shape.SetTransparency(20);
    shape.GetShadow()->SetTransparency(80);
    panel.Invalidate();
    panel.Draw();
    const TColor fill = support::PixelAt(panel.WindowImage(), 30, 25);
    EXPECT_NEAR(GetGValue(fill), 51, 2);
    EXPECT_NEAR(GetBValue(fill), 51, 2);

    // Shadow settings stored by older files at shape level.
    shape.setProperty("ShadowColor", QVariant::fromValue<TColor>(clPurple));
    shape.setProperty("ShadowSize", 6);
    EXPECT_EQ(shape.GetShadow()->GetColor(), clPurple);
    EXPECT_EQ(shape.GetShadow()->GetHorizSize(), 6);
}
