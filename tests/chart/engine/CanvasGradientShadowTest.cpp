// Gradients, shadows and blending drawn through the chart canvas, and the colour rules.
#include <gtest/gtest.h>

#include <QRect>
#include <chrono>
#include <climits>

#include "CanvasTestScene.h"
#include "chart/engine/TeeBlend.h"
#include "chart/engine/TeeColorUtils.h"
#include "chart/engine/TeeGeometry.h"
#include "chart/engine/TeeGradientBands.h"
#include "platform/Exception.h"
#include "platform/Round.h"
#include "support/GoldenImage.h"
#include "support/PixelProbe.h"

namespace {

using support::BoundingBoxOfNot;
using support::CanvasScene;
using support::CountColor;
using support::PixelAt;

TEST(ColorRules, DarkAndBright)
{
    EXPECT_EQ(ApplyDark(RGB(100, 200, 64), 64), RGB(36, 136, 0));
    EXPECT_EQ(ApplyDark(RGB(64, 65, 63), 64), RGB(0, 1, 0));  // equal to the quantity: 0
    EXPECT_EQ(ApplyBright(RGB(250, 10, 0), 32), RGB(255, 42, 32));
    // System colours are resolved first.
    EXPECT_EQ(ApplyDark(clBtnFace, 0), ColorToRGB(clBtnFace));
    EXPECT_EQ(TeeGrayColor(RGB(30, 60, 91)), RGB(60, 60, 60));
}

TEST(CopyingSettings, ShadowAndGradientTakeAllOrRefuse)
{
    TTeeShadow shadow;
    shadow.SetColor(clRed);
    shadow.SetHorizSize(5);
    shadow.SetSmooth(false);
    shadow.SetTransparency(30);
    shadow.SetVertSize(-2);
    TTeeShadow copy;
    copy.Assign(&shadow);
    EXPECT_EQ(copy.GetColor(), clRed);
    EXPECT_EQ(copy.GetHorizSize(), 5);
    EXPECT_FALSE(copy.GetSmooth());
    EXPECT_EQ(copy.GetTransparency(), 30);
    EXPECT_EQ(copy.GetVertSize(), -2);

    // A source of a derived class hands over what the classes share.
    TTeeFontGradient font;
    font.SetMidColor(clBlue);
    font.SetRadialY(7);
    font.SetOutline(true);
    TTeeGradient gradient;
    gradient.Assign(&font);
    EXPECT_EQ(gradient.GetMidColor(), clBlue);
    EXPECT_EQ(gradient.GetRadialY(), 7);

    EXPECT_THROW(shadow.Assign(&gradient), EConvertError);
    EXPECT_EQ(shadow.GetColor(), clRed);
}

TEST(CanvasGradient, LinearFillsAndDegenerateHeights)
{
    CanvasScene s(60, 320);
    s.Canvas.GradientFill(TRect(0, 10, 60, 11), clRed, clBlue, gdTopBottom, 50);
    EXPECT_EQ(CountColor(s.Image(), clWhite), 60 * 320) << "one pixel high: no steps, nothing painted";

    s.Canvas.GradientFill(TRect(0, 10, 60, 310), RGB(0, 0, 0), RGB(255, 0, 0), gdTopBottom, 50);
    EXPECT_EQ(PixelAt(s.Image(), 30, 309), RGB(0, 0, 0));
    EXPECT_EQ(PixelAt(s.Image(), 30, 10), RGB(255, 0, 0));
    EXPECT_EQ(BoundingBoxOfNot(s.Image(), clWhite), QRect(0, 10, 60, 300));
    // Monotonic from the bottom up.
    for (int y = 309; y > 10; --y)
        EXPECT_LE(GetRValue(PixelAt(s.Image(), 5, y)), GetRValue(PixelAt(s.Image(), 5, y - 1)));
    // The brush in use before is back.
    EXPECT_EQ(s.Canvas.Brush->GetColor(), clWhite);
}

// Left-right gradients are written as one row of column colours copied to every row: the
// pixels of filling each band on its own, for rectangles inside, across and beyond the
// image, turned round, narrow and wide, with a balance, under a clip and a moved origin.
TEST(CanvasGradient, ColumnRowsMatchTheBandFills)
{
    struct Case {
        TRect r;
        TGradientDirection d;
        int balance;
        bool clip, moved;
    };
    const Case cases[] = {
        {{3, 4, 290, 70}, gdLeftRight, 50, false, false},    {{3, 4, 290, 70}, gdRightLeft, 50, false, false},
        {{3, 4, 290, 70}, gdLeftRight, 20, false, false},    {{-40, -5, 120, 30}, gdLeftRight, 50, false, false},
        {{250, 60, 400, 90}, gdRightLeft, 80, false, false}, {{290, 70, 3, 4}, gdLeftRight, 50, false, false},
        {{10, 10, 13, 50}, gdLeftRight, 50, false, false},   {{0, 0, 300, 80}, gdLeftRight, 50, true, false},
        {{0, 0, 300, 80}, gdRightLeft, 50, false, true},
    };
    // The bands filled one by one, as the canvas fills them without the row copy.
    class Fills : public TGradientSink {
    public:
        explicit Fills(TTeeCanvas3D& c) : FCanvas(c) {}
        void Band(const TRect& R, TColor c) override
        {
            FCanvas.Brush->SetColor(c);
            FCanvas.FillRect(R);
        }
        void Line(const TPoint&, const TPoint&, TColor) override { ADD_FAILURE(); }
        void Ring(const TRect&, TColor) override { ADD_FAILURE(); }

    private:
        TTeeCanvas3D& FCanvas;
    };
    for (const Case& c : cases) {
        QImage pictures[2];
        for (int rows = 0; rows < 2; ++rows) {
            CanvasScene s(300, 80);
            if (c.clip) s.Canvas.ClipRectangle(TRect(20, 10, 150, 60));
            if (c.moved) s.Canvas.Canvas->SetWindowOrgEx(7, -3);
            const TColor from = RGB(250, 20, 90), to = RGB(10, 200, 160);
            if (rows) {
                s.Canvas.GradientFill(c.r, from, to, c.d, c.balance);
            } else {
                Fills fills(s.Canvas);
                s.Canvas.Brush->SetStyle(bsSolid);
                TeeGradientBands(OrientRectangle(c.r), from, to, c.d, c.balance, s.Canvas.Canvas->ClipRect(), fills);
            }
            if (c.clip) s.Canvas.UnClipRectangle();
            s.Canvas.Canvas->Release();
            pictures[rows] = s.Image().copy();
        }
        EXPECT_EQ(pictures[1], pictures[0]) << c.r.Left << "," << c.r.Top << " direction " << int(c.d);
    }
}

TEST(CanvasGradient, MiddleColourHalves)
{
    TTeeGradient g;
    g.SetStartColor(clRed);
    g.SetEndColor(clBlue);
    g.SetMidColor(clLime);
    CanvasScene s(40, 100);
    g.Draw(&s.Canvas, TRect(0, 0, 40, 100));
    // Start colour at the bottom, the middle colour meeting in the middle, end colour on top.
    EXPECT_EQ(PixelAt(s.Image(), 20, 99), clRed);
    EXPECT_EQ(PixelAt(s.Image(), 20, 49), clLime);
    EXPECT_EQ(PixelAt(s.Image(), 20, 50), clLime);
    EXPECT_EQ(PixelAt(s.Image(), 20, 0), clBlue);

    g.SetDirection(gdRightLeft);
    CanvasScene r(100, 20);
    g.Draw(&r.Canvas, TRect(0, 0, 100, 20));
    EXPECT_EQ(PixelAt(r.Image(), 0, 10), clRed);
    EXPECT_EQ(PixelAt(r.Image(), 50, 10), clLime);
    EXPECT_EQ(PixelAt(r.Image(), 99, 10), clBlue);

    // From the centre the middle colour is not drawn.
    g.SetDirection(gdFromCenter);
    CanvasScene c(50, 50);
    g.Draw(&c.Canvas, TRect(0, 0, 50, 50));
    EXPECT_EQ(CountColor(c.Image(), clLime), 0);
    EXPECT_EQ(PixelAt(c.Image(), 0, 0), clBlue);
    // The innermost ring is one step short of the start colour.
    EXPECT_EQ(PixelAt(c.Image(), 25, 25), RGB(244, 0, 11));

    // clNone switches the middle colour off again.
    g.SetMidColor(clNone);
    EXPECT_EQ(g.GetMidColor(), clNone);
    g.SetDirection(gdTopBottom);
    CanvasScene t(40, 100);
    g.Draw(&t.Canvas, TRect(0, 0, 40, 100));
    EXPECT_EQ(CountColor(t.Image(), clLime), 0);
}

TEST(CanvasGradient, MonochromeDrawsGrey)
{
    TTeeGradient g;
    g.SetStartColor(RGB(200, 30, 10));
    g.SetEndColor(RGB(0, 90, 255));
    g.SetMidColor(RGB(0, 255, 0));
    for (TGradientDirection d : {gdTopBottom, gdFromCenter, gdRadial, gdDiagonalUp}) {
        g.SetDirection(d);
        CanvasScene s(40, 40);
        s.Canvas.SetMonochrome(true);
        g.Draw(&s.Canvas, TRect(0, 0, 40, 40));
        const QImage& img = s.Image();
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) {
                const TColor c = PixelAt(img, x, y);
                ASSERT_TRUE(GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c))
                    << int(d) << " at " << x << "," << y;
            }
    }
}

TEST(CanvasGradient, RadialRoundedAndPolygonFills)
{
    TTeeGradient g;
    g.SetDirection(gdRadial);
    g.SetStartColor(clRed);
    g.SetEndColor(clBlue);
    CanvasScene s(60, 60);
    g.Draw(&s.Canvas, TRect(10, 10, 50, 50));
    EXPECT_EQ(PixelAt(s.Image(), 10, 10), clBlue);  // the corner keeps the end colour
    // Around the centre (moved by one pixel) the innermost rings, a few steps at most from
    // the start colour (the ramp has 40 steps).
    for (TPoint p : {TPoint(30, 30), TPoint(31, 31)}) {
        EXPECT_GE(GetRValue(PixelAt(s.Image(), p.X, p.Y)), 220);
        EXPECT_LE(GetBValue(PixelAt(s.Image(), p.X, p.Y)), 35);
    }
    EXPECT_GT(GetBValue(PixelAt(s.Image(), 30, 12)), 200);
    EXPECT_EQ(BoundingBoxOfNot(s.Image(), clWhite), QRect(10, 10, 40, 40));

    g.SetDirection(gdTopBottom);
    CanvasScene r(60, 60);
    g.Draw(&r.Canvas, TRect(0, 0, 60, 60), 30);
    EXPECT_EQ(PixelAt(r.Image(), 1, 1), clWhite);
    EXPECT_NE(PixelAt(r.Image(), 30, 1), clWhite);
    EXPECT_FALSE(r.Bitmap.Canvas()->HasClipping());

    CanvasScene p(60, 60);
    const TPoint quad[4] = {{30, 0}, {59, 30}, {30, 59}, {0, 30}};
    g.Draw(&p.Canvas, quad);
    EXPECT_EQ(PixelAt(p.Image(), 3, 3), clWhite);
    EXPECT_NE(PixelAt(p.Image(), 30, 30), clWhite);
    EXPECT_FALSE(p.Bitmap.Canvas()->HasClipping());
}

TEST(CanvasGradient, DegenerateRectanglesDrawWithoutFailing)
{
    const TRect rects[] = {TRect(0, 0, 0, 0),
                           TRect(20, 20, 5, 5),
                           TRect(5, 5, 6, 6),
                           TRect(5, 5, 6, 40),
                           TRect(5, 5, 40, 6),
                           TRect(3, 3, 3, 30),
                           TRect(-50, -50, -10, -10),
                           TRect(-1000000000, -1000000000, 1000000000, 1000000000),
                           TRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX)};
    for (int d = gdTopBottom; d <= gdDiagonalDown; ++d)
        for (const TRect& r : rects) {
            CanvasScene s(50, 50);
            TTeeGradient g;
            g.SetDirection(TGradientDirection(d));
            g.SetBalance(d % 2 ? 50 : 20);
            EXPECT_NO_THROW(g.Draw(&s.Canvas, r)) << d;
            EXPECT_NO_THROW(s.Canvas.GradientFill(r, clRed, clBlue, TGradientDirection(d), 80)) << d;
        }
}

TEST(CanvasGradient, TenDirectionsGolden)
{
    CanvasScene s(5 * 70 + 10, 2 * 50 + 10);
    for (int d = gdTopBottom; d <= gdDiagonalDown; ++d) {
        const int x = 10 + (d % 5) * 70, y = 10 + (d / 5) * 50;
        s.Canvas.GradientFill(TRect(x, y, x + 60, y + 40), RGB(250, 40, 0), RGB(0, 60, 220), TGradientDirection(d), 50);
    }
    EXPECT_MATCHES_GOLDEN(s.Image(), "gradient_directions.png");
}

TEST(CanvasShadow, PlainAndSmooth)
{
    TTeeShadow shadow;
    shadow.SetColor(clBlack);
    shadow.SetSize(1);
    shadow.SetSmooth(true);
    CanvasScene smooth(60, 60);
    smooth.Canvas.FrontPlaneBegin();
    shadow.Draw(&smooth.Canvas, TRect(10, 10, 40, 40));
    shadow.SetSmooth(false);
    CanvasScene plain(60, 60);
    plain.Canvas.FrontPlaneBegin();
    shadow.Draw(&plain.Canvas, TRect(10, 10, 40, 40));
    EXPECT_EQ(smooth.Image(), plain.Image()) << "a smooth shadow of size 1 is the plain one";
    EXPECT_GT(CountColor(plain.Image(), clBlack), 30);

    // Fading: the first line in the shadow colour, the last one nearly white.
    shadow.SetSmooth(true);
    shadow.SetSize(8);
    CanvasScene fade(80, 80);
    fade.Canvas.FrontPlaneBegin();
    shadow.Draw(&fade.Canvas, TRect(10, 10, 50, 50));
    EXPECT_EQ(PixelAt(fade.Image(), 30, 50), clBlack);
    EXPECT_GT(GetRValue(PixelAt(fade.Image(), 30, 57)), 200);
    EXPECT_EQ(PixelAt(fade.Image(), 50, 30), clBlack);
    EXPECT_EQ(PixelAt(fade.Image(), 30, 30), clWhite) << "the element itself is not filled";
}

TEST(CanvasShadow, ThroughTheDepthMapping)
{
    // Outside a front-plane section the shadow goes through the 3D operations at depth Z:
    // in an oblique chart it moves with the depth.
    TTeeShadow shadow;
    shadow.SetColor(clBlack);
    shadow.SetSize(4);
    for (bool smooth : {false, true}) {
        shadow.SetSmooth(smooth);
        CanvasScene flat(80, 80);
        shadow.Draw(&flat.Canvas, TRect(10, 20, 40, 50), 0);
        const QRect atZero = BoundingBoxOfNot(flat.Image(), clWhite);
        EXPECT_EQ(atZero.left(), 14) << smooth;
        EXPECT_EQ(atZero.top(), 24) << smooth;
        EXPECT_EQ(PixelAt(flat.Image(), 25, 35), clWhite) << smooth;

        CanvasScene deep(80, 80);
        TView3DOptions options(nullptr);
        deep.Canvas.InitWindow(deep.Bitmap.Canvas(), &options, clWhite, true, TRect(0, 0, 80, 80));
        deep.Canvas.Projection(10, TRect(0, 0, 80, 80), TRect(0, 0, 80, 80));
        shadow.Draw(&deep.Canvas, TRect(10, 20, 40, 50), 10);
        const QRect atTen = BoundingBoxOfNot(deep.Image(), clWhite);
        const TPoint corner = deep.Canvas.Calculate3DPosition(14, 24, 10);
        EXPECT_NE(corner, TPoint(14, 24));
        EXPECT_EQ(atTen.topLeft(), QPoint(corner.X, corner.Y)) << smooth;
    }
}

TEST(CanvasShadow, InvisibleAndHugeShadows)
{
    TTeeShadow shadow;
    shadow.SetColor(clNone);
    shadow.SetSize(5);
    shadow.SetTransparency(50);
    CanvasScene s(60, 60);
    EXPECT_FALSE(shadow.PrepareCanvas(&s.Canvas, TRect(10, 10, 40, 40)));
    shadow.Draw(&s.Canvas, TRect(10, 10, 40, 40));
    shadow.SetColor(clBlack);
    shadow.SetSize(0);
    EXPECT_FALSE(shadow.PrepareCanvas(&s.Canvas, TRect(10, 10, 40, 40)));
    shadow.Draw(&s.Canvas, TRect(10, 10, 40, 40));
    EXPECT_EQ(CountColor(s.Image(), clWhite), 60 * 60);

    // A size read from a stored chart: the lines stop at the edge of the device.
    shadow.SetTransparency(0);
    shadow.SetSize(50000000);
    CanvasScene h(60, 60);
    h.Canvas.FrontPlaneBegin();
    shadow.Draw(&h.Canvas, TRect(10, 10, 40, 40));
    EXPECT_NE(CountColor(h.Image(), clWhite), 60 * 60);
}

TEST(CanvasShadow, TransparentShadowBlendsWithTheBackground)
{
    TTeeShadow shadow;
    shadow.SetColor(clBlack);
    shadow.SetSmooth(false);
    shadow.SetSize(6);
    shadow.SetTransparency(50);
    CanvasScene s(60, 60);
    s.Canvas.FrontPlaneBegin();
    shadow.Draw(&s.Canvas, TRect(10, 10, 40, 40));
    EXPECT_EQ(PixelAt(s.Image(), 25, 43), RGB(128, 128, 128));
    EXPECT_EQ(PixelAt(s.Image(), 43, 25), RGB(128, 128, 128));
    EXPECT_EQ(CountColor(s.Image(), clBlack), 0);
}

TEST(CanvasShadow, SmoothEllipse)
{
    TTeeShadow shadow;
    shadow.SetColor(RGB(0, 0, 200));
    shadow.SetSize(4);
    CanvasScene s(60, 60);
    shadow.DrawEllipse(&s.Canvas, TRect(10, 10, 40, 40));
    // Darker in the middle, brighter towards the rim, nothing outside the moved ellipse.
    EXPECT_EQ(PixelAt(s.Image(), 16, 16), clWhite);
    EXPECT_EQ(BoundingBoxOfNot(s.Image(), clWhite), QRect(14, 14, 30, 30));
    EXPECT_LT(GetBValue(PixelAt(s.Image(), 30, 30)), GetBValue(PixelAt(s.Image(), 30, 15)));
    EXPECT_FALSE(s.Bitmap.Canvas()->HasClipping());
}

TEST(Blending, ConstantAlpha)
{
    TBitmap saved, back;
    saved.SetSize(4, 4);
    back.SetSize(6, 6);
    saved.Image().fill(qRgb(200, 100, 0));
    back.Image().fill(qRgb(0, 100, 200));
    // 50 %: alpha 255 - Round(127.4999...) = 128 for the saved picture.
    TeeBlendBitmaps(50, &saved, &back, TPoint(2, 2));
    EXPECT_EQ(PixelAt(back.Image(), 3, 3), RGB(100, 100, 100));
    EXPECT_EQ(PixelAt(back.Image(), 1, 1), RGB(0, 100, 200));
    // The origin beyond the back picture: nothing happens.
    back.Image().fill(qRgb(0, 100, 200));
    TeeBlendBitmaps(50, &saved, &back, TPoint(6, 0));
    EXPECT_EQ(CountColor(back.Image(), RGB(0, 100, 200)), 36);
    // Percentages outside 0..100 (transparencies above 100 from stored charts) are taken
    // to the nearest end: no channel wraps.
    TeeBlendBitmaps(-27, &saved, &back, TPoint(0, 0));
    EXPECT_EQ(PixelAt(back.Image(), 0, 0), RGB(200, 100, 0));
    back.Image().fill(qRgb(0, 100, 200));
    TeeBlendBitmaps(130, &saved, &back, TPoint(0, 0));
    EXPECT_EQ(PixelAt(back.Image(), 0, 0), RGB(0, 100, 200));

    // Every percentage against the rounded mix of every pair of channel values, at an
    // origin that is not a multiple of any vector width.
    TBitmap all, under;
    all.SetSize(256, 256);
    under.SetSize(259, 257);
    for (int percent = 0; percent <= 100; ++percent) {
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                all.Image().setPixel(x, y, qRgb(x, y, 255 - x));
                under.Image().setPixel(x + 3, y + 1, qRgb(y, x, (x + y) & 255));
            }
        TeeBlendBitmaps(percent, &all, &under, TPoint(3, 1));
        const int alpha = 255 - Round(2.55 * percent);
        const auto mix = [alpha](int s, int b) { return (s * alpha + b * (255 - alpha) + 127) / 255; };
        int wrong = 0;
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x)
                wrong += under.Image().pixel(x + 3, y + 1) != qRgb(mix(x, y), mix(y, x), mix(255 - x, (x + y) & 255));
        EXPECT_EQ(wrong, 0) << percent;
    }
}

TEST(CanvasText, EffectsGolden)
{
    TTeeFont font;
    font.SetName("Liberation Sans");
    font.SetHeight(-32);
    font.SetStyle(fsBold);
    CanvasScene s(260, 150);

    font.SetColor(clNavy);
    font.GetShadow()->SetColor(clSilver);
    font.GetShadow()->SetSize(3);
    s.Canvas.AssignFont(&font);
    s.Canvas.TextOut(10, 5, "Shadow");

    font.SetShadow(nullptr);
    font.SetColor(clYellow);
    font.GetOutLine()->SetVisible(true);
    font.GetOutLine()->SetColor(clMaroon);
    s.Canvas.AssignFont(&font);
    s.Canvas.TextOut(10, 50, "Outline");

    font.SetOutLine(nullptr);
    font.GetGradient()->SetVisible(true);
    font.GetGradient()->SetStartColor(clRed);
    font.GetGradient()->SetEndColor(clBlue);
    s.Canvas.AssignFont(&font);
    s.Canvas.TextOut(10, 95, "Gradient");
    // Glyph edges may move by a pixel with another font rasteriser version.
    EXPECT_TRUE(
        support::CompareWithGolden(s.Image(), std::string(NOX_TEST_DATA_DIR) + "/golden/text_effects.png", 8, 80));
}

}  // namespace
