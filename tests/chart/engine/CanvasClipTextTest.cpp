// Clipping of the chart canvas and its text with shadow, outline, gradient and 3D zoom.
#include <gtest/gtest.h>

#include <QRect>

#include "CanvasTestScene.h"
#include "chart/engine/TeCanvasClip.h"
#include "support/PixelProbe.h"

namespace {

using support::BoundingBoxOf;
using support::BoundingBoxOfNot;
using support::CanvasScene;
using support::CountColor;
using support::PixelAt;

// Fills the whole device red: only what the clipping lets through changes.
QRect PaintThrough(CanvasScene& s)
{
    s.Canvas.Brush->SetColor(clRed);
    s.Canvas.Brush->SetStyle(bsSolid);
    s.Canvas.FillRect(TRect(0, 0, 100, 100));
    const QRect box = BoundingBoxOf(s.Image(), clRed);
    s.Canvas.Brush->SetColor(clWhite);
    s.Canvas.FillRect(TRect(0, 0, 100, 100));
    return box;
}

TEST(CanvasClip, OneLevelIsSaved)
{
    CanvasScene s(100, 100);
    s.Canvas.ClipRectangle(TRect(10, 10, 60, 60));
    EXPECT_EQ(PaintThrough(s), QRect(10, 10, 50, 50));
    // A second clip saves the first one; the unclip returns to it, the next to none.
    s.Canvas.ClipRectangle(TRect(30, 30, 90, 90));
    EXPECT_EQ(PaintThrough(s), QRect(30, 30, 30, 30));
    s.Canvas.UnClipRectangle();
    EXPECT_EQ(PaintThrough(s), QRect(10, 10, 50, 50));
    s.Canvas.UnClipRectangle();
    EXPECT_EQ(PaintThrough(s), QRect(0, 0, 100, 100));
    EXPECT_FALSE(ClipSaved);
}

TEST(CanvasClip, EllipsesRoundedRectanglesAndPolygons)
{
    CanvasScene s(100, 100);
    s.Canvas.ClipEllipse(TRect(20, 20, 80, 60));
    EXPECT_EQ(PaintThrough(s), QRect(20, 20, 60, 40));
    EXPECT_EQ(PixelAt(s.Image(), 21, 21), clWhite);  // the corner is outside the ellipse
    s.Canvas.FillRect(TRect(0, 0, 100, 100));
    s.Canvas.UnClipRectangle();

    // Inverted with nothing clipped: everything but the ellipse.
    s.Canvas.ClipEllipse(TRect(20, 20, 80, 60), true);
    EXPECT_EQ(PaintThrough(s), QRect(0, 0, 100, 100));
    s.Canvas.Brush->SetColor(clRed);
    s.Canvas.FillRect(TRect(0, 0, 100, 100));
    EXPECT_EQ(PixelAt(s.Image(), 50, 40), clWhite);
    EXPECT_EQ(PixelAt(s.Image(), 5, 5), clRed);
    EXPECT_EQ(PixelAt(s.Image(), 21, 21), clRed);
    EXPECT_FALSE(ClipSaved);
    s.Canvas.UnClipRectangle();

    CanvasScene r(100, 100);
    ClipRoundRectangle(&r.Canvas, TRect(10, 10, 90, 90), 40);
    EXPECT_EQ(PaintThrough(r), QRect(10, 10, 80, 80));
    r.Canvas.Brush->SetColor(clRed);
    r.Canvas.FillRect(TRect(0, 0, 100, 100));
    EXPECT_EQ(PixelAt(r.Image(), 11, 11), clWhite);
    EXPECT_EQ(PixelAt(r.Image(), 50, 11), clRed);
    r.Canvas.UnClipRectangle();

    CanvasScene p(100, 100);
    TPoint tri[3] = {{10, 10}, {90, 10}, {10, 90}};
    ClipPolygon(&p.Canvas, tri, 3);
    p.Canvas.Brush->SetColor(clRed);
    p.Canvas.FillRect(TRect(0, 0, 100, 100));
    EXPECT_EQ(PixelAt(p.Image(), 15, 15), clRed);
    EXPECT_EQ(PixelAt(p.Image(), 80, 80), clWhite);
    p.Canvas.UnClipRectangle();
}

TEST(CanvasClip, CubeOutline)
{
    CanvasScene flat(100, 100);
    flat.Canvas.ClipCube(TRect(10, 10, 50, 50), 0, 20);
    EXPECT_EQ(PaintThrough(flat), QRect(11, 11, 39, 38));
    flat.Canvas.UnClipRectangle();

    // Oblique 3D: the outline of the box is its front face, back face and the two
    // joining corners.
    CanvasScene deep(120, 120);
    TView3DOptions options(nullptr);
    deep.Canvas.InitWindow(deep.Bitmap.Canvas(), &options, clWhite, true, TRect(0, 0, 120, 120));
    deep.Canvas.Projection(20, TRect(0, 0, 120, 120), TRect(0, 0, 120, 120));
    const TPoint backTopRight = deep.Canvas.Calculate3DPosition(60, 30, 20);
    const TPoint frontBottomLeft = deep.Canvas.Calculate3DPosition(20, 70, 0);
    deep.Canvas.ClipCube(TRect(20, 30, 60, 70), 0, 20);
    const QRect box = PaintThrough(deep);
    deep.Canvas.UnClipRectangle();
    EXPECT_EQ(box.left(), frontBottomLeft.X);
    EXPECT_EQ(box.top(), backTopRight.Y);
    EXPECT_NEAR(box.right(), backTopRight.X, 1);
    EXPECT_NEAR(box.bottom(), frontBottomLeft.Y, 1);
}

// Text tests use a big bold font, so the letters have solid strokes.
TTeeFont& BigFont(TTeeFont& f)
{
    f.SetName("Liberation Sans");
    f.SetHeight(-40);
    f.SetStyle(fsBold);
    f.SetColor(clBlack);
    return f;
}

TEST(CanvasText, PlainTextAndShadowOffsets)
{
    TTeeFont font;
    CanvasScene plain(200, 100);
    plain.Canvas.AssignFont(&BigFont(font));
    plain.Canvas.TextOut(20, 20, "HI");
    const QRect letters = BoundingBoxOf(plain.Image(), clBlack);
    ASSERT_FALSE(letters.isNull());
    EXPECT_EQ(BoundingBoxOfNot(plain.Image(), clWhite), letters);
    const int plainWidth = plain.Canvas.TextWidth("HI");
    const int plainHeight = plain.Canvas.TextHeight("HI");

    // A shadow to the left moves the text right by the same amount; the shadow goes down.
    font.GetShadow()->SetColor(clRed);
    font.GetShadow()->SetHorizSize(-3);
    font.GetShadow()->SetVertSize(2);
    CanvasScene shadowed(200, 100);
    shadowed.Canvas.AssignFont(&font);
    shadowed.Canvas.TextOut(20, 20, "HI");
    EXPECT_EQ(BoundingBoxOf(shadowed.Image(), clBlack), letters.translated(3, 0));
    const QRect shadow = BoundingBoxOf(shadowed.Image(), clRed);
    EXPECT_EQ(shadow.left(), letters.left());
    EXPECT_EQ(shadow.bottom(), letters.bottom() + 2);
    // The text extent includes the shadow.
    EXPECT_EQ(shadowed.Canvas.TextWidth("HI"), plainWidth + 3);
    EXPECT_EQ(shadowed.Canvas.TextHeight("HI"), plainHeight + 2);
}

TEST(CanvasText, TransparentShadowIsBlended)
{
    TTeeFont font;
    BigFont(font);
    font.GetShadow()->SetColor(clBlack);
    font.GetShadow()->SetHorizSize(4);
    font.GetShadow()->SetVertSize(4);
    font.GetShadow()->SetTransparency(50);
    font.SetColor(clBlue);
    CanvasScene s(200, 100);
    s.Canvas.AssignFont(&font);
    s.Canvas.TextOut(20, 20, "HI");
    // The saved white background over the black shadow with the constant alpha
    // 255 - Round(2.55 * 50) = 128 (2.55 * 50 lies just below 127.5).
    EXPECT_GT(CountColor(s.Image(), RGB(128, 128, 128)), 20);
    EXPECT_EQ(CountColor(s.Image(), clBlack), 0);
    EXPECT_GT(CountColor(s.Image(), clBlue), 20);
}

TEST(CanvasText, OutlinedAndHollowLetters)
{
    TTeeFont font;
    BigFont(font);
    font.GetOutLine()->SetVisible(true);
    font.GetOutLine()->SetColor(clRed);
    CanvasScene filled(200, 100);
    filled.Canvas.AssignFont(&font);
    filled.Canvas.TextOut(20, 20, "HI");
    const int filledRed = CountColor(filled.Image(), clRed);
    EXPECT_GT(filledRed, 50);
    EXPECT_GT(CountColor(filled.Image(), clBlack), 50);

    // No font colour: only the outline is drawn.
    font.SetColor(clNone);
    CanvasScene hollow(200, 100);
    hollow.Canvas.AssignFont(&font);
    hollow.Canvas.TextOut(20, 20, "HI");
    EXPECT_GT(CountColor(hollow.Image(), clRed), 50);
    EXPECT_EQ(CountColor(hollow.Image(), clRed) + CountColor(hollow.Image(), clWhite), 200 * 100);
    // The inside of the strokes stays white.
    const QRect box = BoundingBoxOf(hollow.Image(), clRed);
    const int midY = box.center().y();
    int whiteInside = 0;
    for (int x = box.left(); x <= box.right(); ++x) whiteInside += PixelAt(hollow.Image(), x, midY) == clWhite;
    EXPECT_GT(whiteInside, 10);
}

TEST(CanvasText, GradientFilledLetters)
{
    TTeeFont font;
    BigFont(font);
    CanvasScene plain(200, 100);
    plain.Canvas.AssignFont(&font);
    plain.Canvas.TextOut(20, 20, "HI");
    const QRect letters = BoundingBoxOf(plain.Image(), clBlack);

    TTeeFontGradient* g = font.GetGradient();
    g->SetVisible(true);
    g->SetStartColor(clRed);
    g->SetEndColor(clBlue);
    g->SetDirection(gdTopBottom);
    CanvasScene s(200, 100);
    s.Canvas.ClipRectangle(TRect(0, 0, 200, 100));
    s.Canvas.AssignFont(&font);
    s.Canvas.TextOut(20, 20, "HI");
    const QRect painted = BoundingBoxOfNot(s.Image(), clWhite);
    EXPECT_TRUE(letters.adjusted(-1, -1, 1, 1).contains(painted)) << painted.x() << "," << painted.y();
    EXPECT_EQ(CountColor(s.Image(), clBlack), 0);
    // The start colour lies at the bottom of the text rectangle, the end colour at its top.
    const TColor low = PixelAt(s.Image(), letters.left() + 2, letters.bottom() - 1);
    const TColor high = PixelAt(s.Image(), letters.left() + 2, letters.top() + 1);
    EXPECT_GT(GetRValue(low), GetRValue(high));
    EXPECT_LT(GetBValue(low), GetBValue(high));
    // The clipping in force before the text is back afterwards.
    EXPECT_TRUE(s.Bitmap.Canvas()->HasClipping());
    s.Canvas.UnClipRectangle();
}

TEST(CanvasText, GradientOnTheOutlineOnly)
{
    TTeeFont font;
    BigFont(font).SetHeight(-90);
    font.GetOutLine()->SetVisible(true);
    font.GetOutLine()->SetWidth(2);
    TTeeFontGradient* g = font.GetGradient();
    g->SetVisible(true);
    g->SetStartColor(clRed);
    g->SetEndColor(clRed);
    CanvasScene inside(120, 120);
    inside.Canvas.AssignFont(&font);
    inside.Canvas.TextOut(20, 10, "I");
    // The letter filled with the gradient and stroked in black.
    const QRect stem = BoundingBoxOfNot(inside.Image(), clWhite);
    ASSERT_GT(stem.width(), 8);
    EXPECT_EQ(PixelAt(inside.Image(), stem.center().x(), stem.center().y()), clRed);

    // With Outline the widened path, the stroke alone, is filled: the inside stays white.
    g->SetOutline(true);
    CanvasScene edge(120, 120);
    edge.Canvas.AssignFont(&font);
    edge.Canvas.TextOut(20, 10, "I");
    EXPECT_EQ(PixelAt(edge.Image(), stem.center().x(), stem.center().y()), clWhite);
    EXPECT_EQ(PixelAt(edge.Image(), stem.left(), stem.center().y()), clRed);
    EXPECT_EQ(CountColor(edge.Image(), clBlack), 0);
}

// Records the size of the font that is in effect when the text is written.
struct ZoomProbe : TTeeCanvas3D {
    int SeenHeight = -1;
    using TTeeCanvas3D::TextOut;
    void TextOut(int X, int Y, const AnsiString& Text) override
    {
        SeenHeight = Canvas->TextHeight(Text);
        TTeeCanvas3D::TextOut(X, Y, Text);
    }
};

TEST(CanvasText, TextOut3DZoomsTheFont)
{
    TBitmap bmp;
    bmp.SetSize(100, 50);
    ZoomProbe c;
    c.BufferedDisplay = false;
    c.InitWindow(bmp.Canvas(), nullptr, clWhite, false, TRect(0, 0, 100, 50));
    c.ResetState();
    const int normal = c.Canvas->TextHeight("W");
    c.TextOut3D(10, 10, 0, "W");
    EXPECT_EQ(c.SeenHeight, normal);

    // 8 points at 5 %: Round(0.4) = 0 becomes 1 point, never 0.
    c.ZoomFactor = 0.05;
    c.TextOut3D(10, 10, 0, "W");
    EXPECT_GT(c.SeenHeight, 0);
    EXPECT_LE(c.SeenHeight, 3);
    // The zoomed font lives for one output only.
    EXPECT_EQ(c.Canvas->TextHeight("W"), normal);

    c.ZoomFactor = 2.0;
    c.TextOut3D(10, 10, 0, "W");
    EXPECT_GT(c.SeenHeight, normal * 3 / 2);
    c.ZoomText = false;
    c.TextOut3D(10, 10, 0, "W");
    EXPECT_EQ(c.SeenHeight, normal);
}

}  // namespace
