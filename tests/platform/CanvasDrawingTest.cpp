// Pixel tests of the drawing rules the platform canvas promises its callers.
#include <gtest/gtest.h>

#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <climits>
#include <cstdlib>

#include "platform/Graphics.h"
#include "support/PixelProbe.h"

using support::BoundingBoxOf;
using support::BoundingBoxOfNot;
using support::ColumnOf;
using support::CountColor;
using support::PixelAt;
using support::RowOf;

namespace {

struct Surface {
    TBitmap bitmap;
    TCanvas* c;
    explicit Surface(int w = 64, int h = 48)
    {
        bitmap.SetSize(w, h);
        c = bitmap.Canvas();
        c->Pen()->SetColor(clBlack);
        c->Brush()->SetColor(clWhite);
    }
    const QImage& image() { return bitmap.Image(); }
};

QImage Colourful(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb((x * 37) & 255, (y * 53) & 255, (x * y) & 255));
    return img;
}

}  // namespace

TEST(CanvasShapes, RectangleExcludesRightAndBottomAndShrinksWithoutPen)
{
    Surface s;
    s.c->Brush()->SetColor(clRed);
    s.c->Rectangle(10, 10, 15, 15);
    EXPECT_EQ(BoundingBoxOfNot(s.image(), clWhite), QRect(QPoint(10, 10), QPoint(14, 14)));
    EXPECT_EQ(RowOf(s.image(), 10, 9, 15, clBlack), ".#####.");
    EXPECT_EQ(RowOf(s.image(), 12, 9, 15, clRed), "..###..");

    Surface n;
    n.c->Brush()->SetColor(clRed);
    n.c->Pen()->SetStyle(psClear);
    n.c->Rectangle(10, 10, 15, 15);
    EXPECT_EQ(BoundingBoxOfNot(n.image(), clWhite), QRect(QPoint(10, 10), QPoint(13, 13)));

    Surface f;
    f.c->Brush()->SetColor(clBlue);
    f.c->FillRect(TRect(10, 10, 15, 15));
    EXPECT_EQ(BoundingBoxOfNot(f.image(), clWhite), QRect(QPoint(10, 10), QPoint(14, 14)));
    EXPECT_EQ(CountColor(f.image(), clBlue), 25);
}

TEST(CanvasShapes, LineToLeavesOutItsEndPixelAndMoveToDrawsNothing)
{
    Surface s;
    s.c->MoveTo(5, 5);
    EXPECT_EQ(CountColor(s.image(), clBlack), 0);
    s.c->LineTo(15, 5);
    EXPECT_EQ(RowOf(s.image(), 5, 4, 16, clBlack), ".##########..");
    EXPECT_EQ(s.c->GetPenPos(), TPoint(15, 5));
    s.c->LineTo(15, 12);  // continues from the end of the first line
    EXPECT_EQ(ColumnOf(s.image(), 15, 4, 13, clBlack), ".#######..");
    // Diagonal: exactly the start and no end pixel.
    Surface d;
    d.c->MoveTo(2, 2);
    d.c->LineTo(12, 7);
    EXPECT_EQ(PixelAt(d.image(), 2, 2), clBlack);
    EXPECT_EQ(PixelAt(d.image(), 12, 7), clWhite);
    EXPECT_EQ(CountColor(d.image(), clBlack), 10);
    // Right to left and bottom to top: the end pixel is still the one left out.
    Surface r;
    r.c->MoveTo(15, 5);
    r.c->LineTo(5, 5);
    r.c->LineTo(5, 0);
    EXPECT_EQ(RowOf(r.image(), 5, 4, 16, clBlack), ".###########.");  // x 5 starts the second line
    EXPECT_EQ(ColumnOf(r.image(), 5, 0, 6, clBlack), ".#####.");
    // A polyline draws every corner once and leaves out only its last point.
    Surface p;
    p.c->Pen()->SetMode(pmXor);
    p.c->Pen()->SetColor(clWhite);
    const TPoint zigzag[4] = {{2, 2}, {10, 2}, {10, 8}, {2, 8}};
    p.c->Polyline(zigzag, 4);
    EXPECT_EQ(CountColor(p.image(), clBlack), 8 + 6 + 8);
    EXPECT_EQ(PixelAt(p.image(), 2, 8), clWhite);
}

TEST(CanvasPens, WidthZeroStaysOnePixelUnderScaledMappingWidthOneScales)
{
    for (int width : {0, 1}) {
        Surface s(80, 60);
        s.c->SetMapMode(MM_ANISOTROPIC);
        s.c->SetWindowExtEx(1, 1);
        s.c->SetViewportExtEx(2, 2);
        s.c->Pen()->SetWidth(width);
        s.c->MoveTo(5, 10);
        s.c->LineTo(30, 10);
        const QRect box = BoundingBoxOf(s.image(), clBlack);
        EXPECT_EQ(box.height(), width == 0 ? 1 : 2) << "width " << width;
        EXPECT_GE(box.left(), 9);
        EXPECT_LE(box.right(), 61);
    }
}

TEST(CanvasPens, EndStylesOfAFivePixelGeometricPen)
{
    struct Case {
        unsigned flags;
        int left, right;
        bool corner;
    };
    // Line from x 20 to 40 at y 20, 5 pixels wide (rows 18..22).
    const Case cases[] = {
        {PS_ENDCAP_FLAT | PS_JOIN_MITER, 20, 39, true},
        {PS_ENDCAP_SQUARE | PS_JOIN_BEVEL, 18, 42, true},
        {PS_ENDCAP_ROUND | PS_JOIN_ROUND, 18, 42, false},
    };
    for (const Case& k : cases) {
        Surface s;
        s.c->Pen()->SetHandle(ExtCreatePen(PS_GEOMETRIC | PS_SOLID | k.flags, 5, clBlack));
        s.c->MoveTo(20, 20);
        s.c->LineTo(40, 20);
        const QImage& img = s.image();
        const QRect box = BoundingBoxOf(img, clBlack);
        EXPECT_EQ(box.top(), 18) << k.flags;
        EXPECT_EQ(box.bottom(), 22) << k.flags;
        EXPECT_EQ(box.left(), k.left) << k.flags;
        EXPECT_EQ(box.right(), k.right) << k.flags;
        // Round caps leave the corners of the end square empty.
        EXPECT_EQ(PixelAt(img, box.left(), 18) == clBlack, k.corner) << RowOf(img, 18, 14, 46, clBlack);
        EXPECT_EQ(PixelAt(img, box.right(), 22) == clBlack, k.corner) << RowOf(img, 22, 14, 46, clBlack);
    }
}

TEST(CanvasPens, StyledOnePixelLinesUseThePixelPatterns)
{
    Surface s(80, 20);
    s.c->SetBkMode(TRANSPARENT);
    s.c->Pen()->SetStyle(psDash);
    s.c->MoveTo(0, 2);
    s.c->LineTo(60, 2);
    EXPECT_EQ(RowOf(s.image(), 2, 0, 47, clBlack), "##################......##################......");
    s.c->Pen()->SetStyle(psDot);
    s.c->MoveTo(0, 4);
    s.c->LineTo(20, 4);
    EXPECT_EQ(RowOf(s.image(), 4, 0, 11, clBlack), "###...###...");

    // Small dots: every other pixel, whatever the width asked for.
    s.c->Pen()->SetStyle(psSolid);
    s.c->Pen()->SetHandle(ExtCreatePen(PS_COSMETIC | PS_ALTERNATE, 1, clBlack));
    s.c->MoveTo(0, 8);
    s.c->LineTo(12, 8);
    EXPECT_EQ(RowOf(s.image(), 8, 0, 12, clBlack), "#.#.#.#.#.#..");
    EXPECT_EQ(RowOf(s.image(), 9, 0, 12, clBlack), ".............");

    // Opaque mode fills the gaps with the background colour.
    s.c->SetBkMode(OPAQUE);
    s.c->SetBkColor(clRed);
    s.c->Pen()->SetStyle(psDot);
    s.c->MoveTo(0, 12);
    s.c->LineTo(12, 12);
    EXPECT_EQ(RowOf(s.image(), 12, 0, 11, clRed), "...###...###");
}

TEST(CanvasMixModes, XorAndNotXorDrawnTwiceRestoreTheImageExactly)
{
    for (TPenMode mode : {pmXor, pmNotXor}) {
        TBitmap bmp;
        bmp.SetImage(Colourful(60, 50));
        const QImage original = bmp.ToImage();
        TCanvas* c = bmp.Canvas();
        c->Pen()->SetColor(RGB(200, 30, 90));
        c->Pen()->SetMode(mode);
        c->Brush()->SetColor(RGB(10, 200, 7));
        auto scene = [&] {
            c->MoveTo(0, 0);
            c->LineTo(59, 41);
            c->LineTo(3, 30);
            c->Rectangle(5, 5, 40, 30);
            const TPoint tri[3] = {{10, 40}, {50, 45}, {30, 10}};
            c->Polygon(tri, 3);
            c->Ellipse(20, 20, 55, 48);
        };
        scene();
        EXPECT_NE(bmp.ToImage(), original);
        scene();
        EXPECT_EQ(bmp.ToImage(), original) << "mode " << int(mode);
    }
}

TEST(CanvasMixModes, PenModeSetsTheDeviceMixModeAndNopDrawsNothing)
{
    Surface s;
    s.c->Pen()->SetMode(pmNotXor);
    EXPECT_EQ(s.c->GetROP2(), R2_NOTXORPEN);
    s.c->SetROP2(R2_NOP);
    s.c->MoveTo(0, 5);
    s.c->LineTo(30, 5);
    s.c->Rectangle(2, 10, 20, 20);
    EXPECT_EQ(CountColor(s.image(), clWhite), 64 * 48);
    s.c->Pen()->SetMode(pmBlack);
    s.c->Pen()->SetColor(clRed);
    s.c->MoveTo(0, 5);
    s.c->LineTo(30, 5);
    EXPECT_EQ(CountColor(s.image(), clBlack), 30);
}

TEST(CanvasMixModes, EachPenModeCombinesPenAndScreenBitwise)
{
    const TColor screen = RGB(0x5A, 0xC3, 0x0F), pen = RGB(0x3C, 0x99, 0xF0);
    struct Case {
        TPenMode mode;
        unsigned (*f)(unsigned p, unsigned d);
    };
    const Case cases[] = {
        {pmBlack, [](unsigned, unsigned) { return 0u; }},
        {pmWhite, [](unsigned, unsigned) { return 0xFFu; }},
        {pmNop, [](unsigned, unsigned d) { return d; }},
        {pmNot, [](unsigned, unsigned d) { return ~d & 0xFF; }},
        {pmCopy, [](unsigned p, unsigned) { return p; }},
        {pmNotCopy, [](unsigned p, unsigned) { return ~p & 0xFF; }},
        {pmMergePenNot, [](unsigned p, unsigned d) { return (p | ~d) & 0xFF; }},
        {pmMaskPenNot, [](unsigned p, unsigned d) { return p & ~d & 0xFF; }},
        {pmMergeNotPen, [](unsigned p, unsigned d) { return (~p | d) & 0xFF; }},
        {pmMaskNotPen, [](unsigned p, unsigned d) { return ~p & d & 0xFF; }},
        {pmMerge, [](unsigned p, unsigned d) { return p | d; }},
        {pmNotMerge, [](unsigned p, unsigned d) { return ~(p | d) & 0xFF; }},
        {pmMask, [](unsigned p, unsigned d) { return p & d; }},
        {pmNotMask, [](unsigned p, unsigned d) { return ~(p & d) & 0xFF; }},
        {pmXor, [](unsigned p, unsigned d) { return p ^ d; }},
        {pmNotXor, [](unsigned p, unsigned d) { return ~(p ^ d) & 0xFF; }},
    };
    for (const Case& k : cases) {
        Surface s(8, 8);
        s.c->Brush()->SetColor(screen);
        s.c->FillRect(TRect(0, 0, 8, 8));
        s.c->Pen()->SetColor(pen);
        s.c->Pen()->SetMode(k.mode);
        s.c->MoveTo(1, 1);
        s.c->LineTo(5, 1);
        const TColor want =
            RGB(int(k.f(GetRValue(pen), GetRValue(screen))), int(k.f(GetGValue(pen), GetGValue(screen))),
                int(k.f(GetBValue(pen), GetBValue(screen))));
        EXPECT_EQ(PixelAt(s.image(), 2, 1), want) << "mode " << int(k.mode);
        EXPECT_EQ(PixelAt(s.image(), 5, 1), screen) << "mode " << int(k.mode);
        EXPECT_EQ(qAlpha(s.image().pixel(2, 1)), 255);
    }
}

TEST(CanvasBrushes, HatchGapsTakeTheBackgroundColourOnlyInOpaqueMode)
{
    Surface s;
    s.c->Brush()->SetStyle(bsCross);
    s.c->Brush()->SetColor(clRed);
    s.c->SetBkColor(clBlue);
    s.c->SetBkMode(OPAQUE);
    s.c->FillRect(TRect(0, 0, 16, 16));
    const int red = CountColor(s.image(), clRed), blue = CountColor(s.image(), clBlue);
    EXPECT_EQ(red + blue, 256);
    EXPECT_EQ(red, 4 * 15);  // an 8 x 8 cross cell has 15 line pixels
    s.c->SetBkMode(TRANSPARENT);
    s.c->FillRect(TRect(20, 0, 36, 16));
    int white = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 20; x < 36; ++x) white += PixelAt(s.image(), x, y) == clWhite;
    EXPECT_EQ(white, 256 - red);
}

TEST(CanvasBrushes, MonochromePatternTakesTextAndBackgroundColours)
{
    TBitmap pattern;
    pattern.SetSize(2, 2);
    QImage& p = pattern.Image();
    p.setPixel(0, 0, 0xFF000000u);
    p.setPixel(1, 1, 0xFF000000u);
    pattern.SetMonochrome(true);
    Surface s;
    s.c->SetTextColor(clGreen);
    s.c->SetBkColor(clYellow);
    s.c->Brush()->SetBitmap(&pattern);
    s.c->FillRect(TRect(0, 0, 4, 4));
    EXPECT_EQ(PixelAt(s.image(), 0, 0), clGreen);
    EXPECT_EQ(PixelAt(s.image(), 1, 0), clYellow);
    EXPECT_EQ(PixelAt(s.image(), 3, 3), clGreen);
    EXPECT_EQ(CountColor(s.image(), clGreen), 8);
}

TEST(CanvasText, AlignmentFlagsPlaceTheCellAroundTheReferencePoint)
{
    Surface s(200, 100);
    s.c->SetBkMode(TRANSPARENT);
    s.c->Font()->SetHeight(-20);
    const TSize size = s.c->TextExtent("Hg");
    s.c->SetTextAlign(TA_RIGHT | TA_BOTTOM);
    s.c->TextOut(100, 50, "Hg");
    const QRect box = BoundingBoxOfNot(s.image(), clWhite);
    ASSERT_FALSE(box.isNull());
    EXPECT_LE(box.right(), 99);
    EXPECT_GE(box.right(), 99 - 3);
    EXPECT_LE(box.bottom(), 49);
    EXPECT_GE(box.bottom(), 49 - 3);
    EXPECT_GE(box.left(), 100 - size.cx);

    Surface t(200, 100);
    t.c->SetBkMode(TRANSPARENT);
    t.c->Font()->SetHeight(-20);
    t.c->TextOut(10, 10, "Hg");
    const QRect tl = BoundingBoxOfNot(t.image(), clWhite);
    EXPECT_GE(tl.left(), 10);
    EXPECT_LE(tl.left(), 13);
    EXPECT_GE(tl.top(), 10);
    EXPECT_LE(tl.bottom(), 10 + size.cy - 1);

    // Opaque text fills its whole cell with the background colour.
    Surface o(200, 100);
    o.c->Font()->SetHeight(-20);
    o.c->SetBkColor(clAqua);
    o.c->SetTextAlign(TA_CENTER);
    o.c->TextOut(100, 10, "Hg");
    EXPECT_EQ(BoundingBoxOfNot(o.image(), clWhite), QRect(100 - size.cx / 2, 10, size.cx, size.cy));
}

// Texts drawn from their kept glyph runs (printable Latin with its signs, Greek, Cyrillic)
// give the pixels of the painter shaping the text on every draw; other scripts and
// control characters are drawn by the painter itself.
TEST(CanvasText, KeptGlyphRunsDrawAsThePainterDrawsTheText)
{
    const char* texts[] = {"Tjacket [\u00b0C]:   24,50",
                           "Temperatur in \u00b0C",
                           "Gr\u00f6\u00dfe \u00b5m \u00b12\u00b2 \u00c4\u00e9",
                           "\u0394t \u03b1\u03b2\u03b3",
                           "\u041f\u0440\u0438\u0432\u0435\u0442",
                           "plain 12:30:00",
                           "\u05e9\u05dc\u05d5\u05dd 1",
                           "tab\tstop",
                           "\u6e29\u5ea6"};
    struct Font {
        const char* name;
        int height;
        bool bold;
    };
    const Font fonts[] = {{"Courier", -13, false}, {"Tahoma", -13, true}, {"", -11, false}};
    for (const Font& font : fonts)
        for (const char* text : texts) {
            Surface s(260, 30);
            s.c->SetBkMode(TRANSPARENT);
            if (*font.name) s.c->Font()->SetName(font.name);
            s.c->Font()->SetHeight(font.height);
            if (font.bold) s.c->Font()->SetStyle(TFontStyles(fsBold));
            s.c->Font()->SetColor(clNavy);
            // Twice: the second draw comes from the kept runs.
            s.c->TextOut(4, 6, text);
            s.c->Brush()->SetColor(clWhite);
            s.c->FillRect(TRect(0, 0, 260, 30));
            s.c->TextOut(4, 6, text);
            s.c->Release();
            QImage painted(260, 30, QImage::Format_RGB32);
            painted.fill(Qt::white);
            {
                QPainter p(&painted);
                p.translate(4, 6);
                p.setFont(s.c->Font()->ToQFont());
                p.setPen(QColor(0, 0, 128));
                p.drawText(QPointF(0, s.c->TextAscent()), QString::fromUtf8(text));
            }
            EXPECT_EQ(s.image().convertToFormat(QImage::Format_RGB32), painted) << font.name << ": " << text;
        }
}

TEST(CanvasText, RotatedTextTurnsRoundItsReferencePointAndUpdatesThePenPosition)
{
    Surface s(200, 200);
    s.c->SetBkMode(TRANSPARENT);
    s.c->Font()->SetHeight(-20);
    const TSize size = s.c->TextExtent("Hello");
    s.c->Font()->SetOrientation(900);  // a quarter turn counter-clockwise: the text runs upwards
    s.c->TextOut(100, 150, "Hello");
    const QRect box = BoundingBoxOfNot(s.image(), clWhite);
    ASSERT_FALSE(box.isNull());
    EXPECT_GE(box.left(), 100);
    EXPECT_LE(box.right(), 100 + size.cy);
    EXPECT_LE(box.bottom(), 150);
    EXPECT_GE(box.top(), 150 - size.cx);
    EXPECT_GT(box.height(), box.width());

    Surface u(200, 60);
    u.c->Font()->SetHeight(-12);
    u.c->SetTextAlign(TA_UPDATECP);
    u.c->MoveTo(10, 10);
    const int w = u.c->TextWidth("ab");
    u.c->TextOut(0, 0, "ab");
    EXPECT_EQ(u.c->GetPenPos(), TPoint(10 + w, 10));
}

TEST(CanvasText, FontHeightSignAndPointSizesFollowTheDeviceResolution)
{
    Surface s;
    s.c->Font()->SetHeight(20);
    EXPECT_EQ(s.c->TextHeight("X"), 20);
    s.c->Font()->SetHeight(-20);
    EXPECT_GT(s.c->TextHeight("X"), 20);

    TFont screen;
    screen.PixelsPerInch = 96;
    screen.SetSize(10);
    EXPECT_EQ(screen.GetHeight(), -13);
    TFont printer;
    printer.PixelsPerInch = 600;
    printer.Assign(&screen);
    EXPECT_EQ(printer.GetSize(), 10);
    EXPECT_EQ(printer.GetHeight(), -83);
}

TEST(CanvasGuard, CoordinatesFarOutsideTheDeviceDrawTheirVisiblePart)
{
    Surface s;
    s.c->MoveTo(-67108863, 10);
    s.c->LineTo(67108863, 10);
    EXPECT_EQ(RowOf(s.image(), 10, 0, 63, clBlack), std::string(64, '#'));
    s.c->MoveTo(INT_MIN, INT_MIN);
    s.c->LineTo(INT_MAX, INT_MAX);
    EXPECT_EQ(PixelAt(s.image(), 30, 30), clBlack);

    Surface r;
    r.c->Brush()->SetColor(clRed);
    r.c->Pen()->SetStyle(psClear);
    r.c->Rectangle(-100000000, 5, 100000000, 8);
    EXPECT_EQ(RowOf(r.image(), 6, 0, 63, clRed), std::string(64, '#'));
    const TPoint tri[3] = {{-200000000, 40}, {200000000, 40}, {0, 20}};
    r.c->Polygon(tri, 3);
    EXPECT_EQ(PixelAt(r.image(), 32, 38), clRed);
    EXPECT_EQ(PixelAt(r.image(), 32, 15), clWhite);
}

TEST(CanvasClipping, ClipRectangleLimitsDrawingUntilRemoved)
{
    Surface s;
    s.c->IntersectClipRect(10, 10, 20, 20);
    s.c->Brush()->SetColor(clRed);
    s.c->FillRect(TRect(0, 0, 64, 48));
    EXPECT_EQ(BoundingBoxOf(s.image(), clRed), QRect(10, 10, 10, 10));
    EXPECT_EQ(s.c->ClipRect(), TRect(10, 10, 20, 20));
    QRegion saved;
    EXPECT_EQ(s.c->GetClipRgn(saved), 1);
    s.c->SelectClipRgn(nullptr);
    EXPECT_EQ(s.c->GetClipRgn(saved), 0);
    s.c->FillRect(TRect(0, 0, 64, 48));
    EXPECT_EQ(CountColor(s.image(), clRed), 64 * 48);
}

TEST(GraphicsObjects, NotifyOnlyWhenAValueChanges)
{
    TPen pen;
    int changes = 0;
    pen.OnChange = [&](QObject*) { ++changes; };
    pen.SetColor(clBlack);
    pen.SetWidth(1);
    pen.SetStyle(psSolid);
    EXPECT_EQ(changes, 0);
    pen.SetColor(clRed);
    pen.SetWidth(3);
    EXPECT_EQ(changes, 2);
    TBrush brush;
    brush.OnChange = [&](QObject*) { ++changes; };
    brush.SetColor(clWhite);
    EXPECT_EQ(changes, 2);
    brush.SetStyle(bsClear);
    EXPECT_EQ(changes, 3);
}

TEST(GraphicsTypes, SystemColoursResolveFromTheFixedTable)
{
    EXPECT_EQ(ColorToRGB(clWindow), clWhite);
    EXPECT_EQ(ColorToRGB(clWindowText), clBlack);
    EXPECT_EQ(ColorToRGB(clBtnFace), RGB(212, 208, 200));
    EXPECT_EQ(ColorToRGB(clRed), clRed);
    EXPECT_EQ(ColorToRGB(clNone), clNone);
    EXPECT_EQ(ColorToRGB(clDefault), clDefault);
    EXPECT_EQ(ColorToRGB(SystemColor(200)), clBlack);
    EXPECT_EQ(MulDiv(10, 96, 72), 13);
    EXPECT_EQ(MulDiv(-13, 72, 96), -10);
    EXPECT_EQ(MulDiv(1, 1, 0), 0);
}

TEST(CanvasPaths, RecordedShapesDrawOnlyWhenStrokedFilledOrUsedToClip)
{
    Surface s;
    s.c->Brush()->SetColor(clRed);
    s.c->BeginPath();
    s.c->Rectangle(10, 10, 20, 20);
    s.c->MoveTo(30, 5);
    s.c->LineTo(40, 5);
    s.c->EndPath();
    EXPECT_EQ(CountColor(s.image(), clRed) + CountColor(s.image(), clBlack), 0);
    s.c->FillPath();
    EXPECT_EQ(BoundingBoxOf(s.image(), clRed), QRect(10, 10, 10, 10));
    EXPECT_FALSE(s.c->InPath());

    // The path of a rectangle as a clip region.
    Surface c;
    c.c->BeginPath();
    c.c->Rectangle(5, 5, 15, 12);
    c.c->EndPath();
    c.c->SelectClipPath(RGN_AND);
    c.c->Brush()->SetColor(clBlue);
    c.c->FillRect(TRect(0, 0, 64, 48));
    EXPECT_EQ(BoundingBoxOf(c.image(), clBlue), QRect(5, 5, 10, 7));

    // Stroking draws the outline with the pen only.
    Surface k;
    k.c->Pen()->SetColor(clGreen);
    k.c->Brush()->SetColor(clRed);
    k.c->BeginPath();
    k.c->MoveTo(2, 2);
    k.c->LineTo(20, 2);
    k.c->EndPath();
    k.c->StrokePath();
    EXPECT_EQ(CountColor(k.image(), clRed), 0);
    EXPECT_GE(CountColor(k.image(), clGreen), 18);
}

TEST(CanvasPaths, ArcsRunCounterClockwiseByDefaultAndArcToMovesThePen)
{
    Surface s(60, 60);
    s.c->Brush()->SetColor(clRed);
    s.c->Pen()->SetStyle(psClear);
    // Box 10..50, centre 30,30: from the radial to the right to the radial upwards.
    s.c->Pie(10, 10, 50, 50, 50, 30, 30, 10);
    EXPECT_EQ(PixelAt(s.image(), 40, 20), clRed);  // upper right quarter
    EXPECT_EQ(PixelAt(s.image(), 20, 40), clWhite);
    EXPECT_EQ(PixelAt(s.image(), 20, 20), clWhite);

    Surface c(60, 60);
    c.c->Brush()->SetColor(clRed);
    c.c->Pen()->SetStyle(psClear);
    EXPECT_EQ(c.c->SetArcDirection(AD_CLOCKWISE), AD_COUNTERCLOCKWISE);
    c.c->Pie(10, 10, 50, 50, 50, 30, 30, 10);
    EXPECT_EQ(PixelAt(c.image(), 40, 20), clWhite);
    EXPECT_EQ(PixelAt(c.image(), 20, 40), clRed);

    Surface a(60, 60);
    a.c->MoveTo(5, 30);
    a.c->ArcTo(10, 10, 50, 50, 50, 30, 30, 10);
    const TPoint end = a.c->GetPenPos();
    EXPECT_NEAR(end.X, 30, 1);
    EXPECT_NEAR(end.Y, 10, 1);
}

TEST(CanvasClipping, ExclusiveOrCutsAnAreaOutOfTheClipping)
{
    Surface s;
    s.c->IntersectClipRect(0, 0, 40, 40);
    const QRegion hole(10, 10, 10, 10);
    s.c->ExtSelectClipRgn(&hole, RGN_XOR);
    s.c->Brush()->SetColor(clRed);
    s.c->FillRect(TRect(0, 0, 64, 48));
    EXPECT_EQ(PixelAt(s.image(), 15, 15), clWhite);
    EXPECT_EQ(PixelAt(s.image(), 5, 5), clRed);
    EXPECT_EQ(PixelAt(s.image(), 45, 5), clWhite);
    EXPECT_EQ(CountColor(s.image(), clRed), 40 * 40 - 100);
}

TEST(CanvasPictures, PicturesDrawAtTheirPlaceAndHugeStretchesDrawTheirVisiblePart)
{
    TBitmap picture;
    picture.SetSize(4, 2);
    picture.Image().fill(qRgb(255, 0, 0));
    for (int y = 0; y < 2; ++y) picture.Image().setPixel(3, y, qRgb(0, 0, 255));
    Surface s;
    s.c->Draw(10, 20, &picture);
    EXPECT_EQ(BoundingBoxOfNot(s.image(), clWhite), QRect(10, 20, 4, 2));
    EXPECT_EQ(PixelAt(s.image(), 13, 21), clBlue);
    s.c->Draw(INT_MAX - 1, 0, &picture);  // far off the device: nothing, and no overflow
    EXPECT_EQ(CountColor(s.image(), clRed), 6);

    // A picture stretched to 400 million pixels: the device shows the red left part.
    Surface h;
    h.c->StretchDraw(TRect(-100000000, 0, 300000000, 10), &picture);
    EXPECT_EQ(RowOf(h.image(), 5, 0, 63, clRed), std::string(64, '#'));
    EXPECT_EQ(PixelAt(h.image(), 5, 12), clWhite);
}

TEST(CanvasPens, SmoothingOnlyWhenAsked)
{
    for (bool smooth : {false, true}) {
        Surface s;
        s.c->Antialias = smooth;
        s.c->MoveTo(2, 3);
        s.c->LineTo(50, 20);
        const int pure = CountColor(s.image(), clBlack) + CountColor(s.image(), clWhite);
        if (smooth)
            EXPECT_LT(pure, 64 * 48) << "a smooth line has shades of grey";
        else
            EXPECT_EQ(pure, 64 * 48);
    }
}

namespace {

// The one-pixel line rule written out: step i of a segment sets the pixel whose minor
// coordinate is floor((2 * d_minor * i + n) / (2 * n)) from the start; the end is left out.
void ReferenceSegment(QImage& img, int x0, int y0, int x1, int y1, QRgb colour)
{
    const long long dx = x1 - x0, dy = y1 - y0, n = std::max(std::llabs(dx), std::llabs(dy));
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    for (long long i = 0; i < n; ++i) {
        const long long num = 2 * (xMajor ? dy : dx) * i + n, den = 2 * n;
        const long long q = num >= 0 ? num / den : -((-num + den - 1) / den);
        const long long x = xMajor ? x0 + (dx < 0 ? -i : i) : x0 + q;
        const long long y = xMajor ? y0 + q : y0 + (dy < 0 ? -i : i);
        if (x >= 0 && y >= 0 && x < img.width() && y < img.height()) img.setPixel(int(x), int(y), colour);
    }
}

}  // namespace

// One-pixel lines on an image are written straight into its pixels; on any other device
// the painter sets them. Both must give the pixels of the rule, with patterns, opaque gaps,
// clipping and a shifted mapping, also when a run of segments comes in one call.
TEST(CanvasPens, OnePixelLinesOnImagesMatchTheRuleAndThePainterPath)
{
    std::uint32_t seed = 7;
    auto next = [&](int range) {
        seed = seed * 1664525u + 1013904223u;
        return int((seed >> 8) % unsigned(range)) - range / 4;
    };
    QImage expected(90, 70, QImage::Format_RGB32);
    expected.fill(Qt::white);
    Surface solid(90, 70);
    solid.c->Pen()->SetColor(clBlue);
    for (int k = 0; k < 200; ++k) {
        const int x0 = next(120), y0 = next(100), x1 = next(120), y1 = next(100);
        solid.c->MoveTo(x0, y0);
        solid.c->LineTo(x1, y1);
        ReferenceSegment(expected, x0, y0, x1, y1, qRgb(0, 0, 255));
    }
    EXPECT_EQ(solid.image(), expected);

    for (const TPenStyle style : {psDot, psDashDot, psSolid}) {
        Surface image(90, 70);
        QPixmap pixmap(90, 70);
        pixmap.fill(Qt::white);
        TCanvas onPixmap;
        onPixmap.SetDevice(&pixmap);
        for (TCanvas* c : {image.c, &onPixmap}) {
            c->Pen()->SetColor(clRed);
            c->Pen()->SetStyle(style);
            c->Pen()->SetWidth(0);
            c->SetBkMode(OPAQUE);
            c->SetBkColor(clYellow);
            c->SetWindowOrgEx(-3, 2);
            c->IntersectClipRect(5, 4, 80, 60);
        }
        seed = 11;
        for (int k = 0; k < 60; ++k) {
            const int x0 = next(120), y0 = next(100), x1 = next(120), y1 = next(100), x2 = next(120);
            const int below = std::max(y0, y1) + 8;
            for (TCanvas* c : {image.c, &onPixmap}) {
                c->MoveTo(x0, y0);
                if (c == image.c && k % 2 == 0) {
                    const TPoint run[] = {{x1, y1},     {x2, y0}, {x2, y1},    {x2, y0 + 3},
                                          {x2, y0 + 3}, {x0, y1}, {x2, below}, {x2, below + 5}};
                    c->PolylineTo(run, 8);
                    continue;
                }
                c->LineTo(x1, y1);  // the pattern runs on into the next segment
                c->LineTo(x2, y0);
                c->LineTo(x2, y1);  // straight lines go in runs, strokes up and down a column too
                c->LineTo(x2, y0 + 3);
                c->LineTo(x2, y0 + 3);
                c->LineTo(x0, y1);
                c->LineTo(x2, below);  // the same column again, apart from the strokes before
                c->LineTo(x2, below + 5);
            }
        }
        onPixmap.Release();
        EXPECT_EQ(image.image(), pixmap.toImage().convertToFormat(QImage::Format_RGB32)) << int(style);
    }
}
