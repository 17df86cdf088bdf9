// How the chart canvas puts chart pens, brushes and fonts on the device, and its concrete
// drawing operations.
#include <gtest/gtest.h>

#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeBlend.h"
#include "support/PixelProbe.h"
#include "support/RecordingCanvas.h"

using support::BoundingBoxOfNot;
using support::ColumnOf;
using support::CountColor;
using support::PixelAt;
using support::RowOf;

namespace {

// A flat canvas drawing straight into a white bitmap.
struct FlatCanvas {
    TBitmap target;
    TTeeCanvas3D canvas;
    explicit FlatCanvas(int w = 40, int h = 30)
    {
        target.SetSize(w, h);
        canvas.SetUseBuffer(false);
        canvas.InitWindow(target.Canvas(), nullptr, clWhite, false, TRect(0, 0, w, h));
    }
    const QImage& image() { return target.Image(); }
};

// A picture type that is not a bitmap.
class SolidGraphic : public TGraphic {
    Q_OBJECT
public:
    int GetWidth() const override { return 2; }
    int GetHeight() const override { return 2; }
    void SetWidth(int) override {}
    void SetHeight(int) override {}
    void Draw(TCanvas*, const TRect&) override {}
    QImage ToImage() const override
    {
        QImage img(2, 2, QImage::Format_RGB32);
        img.fill(qRgb(0, 0, 255));
        return img;
    }
    std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<SolidGraphic>(); }
    void Assign(TPersistent*) override {}
    void LoadFromFile(const AnsiString&) override {}
    void SaveToFile(const AnsiString&) override {}
};

}  // namespace

TEST(TeeCanvasState, HiddenChartPenDrawsNoOutline)
{
    FlatCanvas f;
    TChartPen pen;
    pen.SetColor(clRed);
    pen.Hide();
    f.canvas.AssignVisiblePen(&pen);
    EXPECT_EQ(f.canvas.Pen->GetStyle(), psClear);
    f.canvas.Brush->SetStyle(bsClear);
    f.canvas.Rectangle(5, 5, 20, 20);
    EXPECT_EQ(CountColor(f.image(), clRed), 0);

    pen.Show();
    pen.SetWidth(1);
    f.canvas.AssignVisiblePen(&pen);
    f.canvas.Rectangle(5, 5, 20, 20);
    EXPECT_EQ(CountColor(f.image(), clRed), 4 * 14);
}

TEST(TeeCanvasState, MonochromeMakesPensBlackBrushesWhiteFontsBlack)
{
    FlatCanvas f;
    f.canvas.SetMonochrome(true);
    TChartPen pen;
    pen.SetColor(clRed);
    f.canvas.AssignVisiblePen(&pen);
    EXPECT_EQ(f.canvas.Pen->GetColor(), clBlack);
    TChartBrush brush;
    brush.SetColor(clBlue);
    f.canvas.AssignBrush(&brush, clNone);
    EXPECT_EQ(f.canvas.Brush->GetColor(), clWhite);
    TTeeFont font;
    font.SetColor(clGreen);
    f.canvas.AssignFont(&font);
    EXPECT_EQ(f.canvas.Font->GetColor(), clBlack);
    EXPECT_EQ(f.canvas.CurrentFont, &font);
    EXPECT_EQ(font.FCanvas, &f.canvas);
}

TEST(TeeCanvasState, BrushBackColourDecidesTheBackgroundMode)
{
    FlatCanvas f;
    TChartBrush brush;
    brush.SetColor(clRed);
    brush.SetStyle(bsCross);
    f.canvas.AssignBrush(&brush, clNone);
    EXPECT_EQ(f.canvas.GetBackMode(), cbmTransparent);
    EXPECT_EQ(f.canvas.Brush->GetStyle(), bsCross);
    f.canvas.AssignBrushColor(&brush, clGreen, clYellow);
    EXPECT_EQ(f.canvas.GetBackMode(), cbmOpaque);
    EXPECT_EQ(f.canvas.GetBackColor(), clYellow);
    EXPECT_EQ(f.canvas.Brush->GetColor(), clGreen);
    // The hatch's gaps show the background colour.
    f.canvas.FillRect(TRect(0, 0, 8, 8));
    EXPECT_EQ(CountColor(f.image(), clGreen) + CountColor(f.image(), clYellow), 64);
}

TEST(TeeCanvasState, PictureBrushFillsWithThePictureAndKeepsIt)
{
    FlatCanvas f;
    TChartBrush brush;
    SolidGraphic graphic;
    brush.GetImage()->SetGraphic(&graphic);
    f.canvas.AssignBrush(&brush, clWhite);
    EXPECT_EQ(f.canvas.GetBackMode(), cbmOpaque);
    f.canvas.FillRect(TRect(0, 0, 4, 4));
    EXPECT_EQ(CountColor(f.image(), clBlue), 16);
    // The brush still holds its own kind of picture.
    EXPECT_NE(qobject_cast<SolidGraphic*>(brush.GetImage()->GetGraphic()), nullptr);
}

TEST(TeeCanvasState, FontZoomScalesPointSizesAndTextWidthIncludesTheShadow)
{
    FlatCanvas f;
    TTeeFont font;
    font.SetSize(10);
    f.canvas.FontZoom = 150;
    f.canvas.AssignFont(&font);
    EXPECT_EQ(f.canvas.Font->GetSize(), 15);
    f.canvas.FontZoom = 100;
    f.canvas.AssignFont(&font);
    EXPECT_EQ(f.canvas.Font->GetSize(), 10);

    const int plain = f.canvas.TextWidth("Abc");
    const int plainHeight = f.canvas.TextHeight("Abc");
    font.GetShadow()->SetHorizSize(-3);
    font.GetShadow()->SetVertSize(2);
    f.canvas.AssignFont(&font);
    EXPECT_EQ(f.canvas.TextWidth("Abc"), plain + 3);
    EXPECT_EQ(f.canvas.TextHeight("Abc"), plainHeight + 2);
    EXPECT_EQ(f.canvas.GetFontHeight(), f.canvas.TextHeight("W"));

    font.SetInterCharSize(2);
    f.canvas.AssignFont(&font);
    EXPECT_EQ(f.canvas.Canvas->GetTextCharacterExtra(), 2);
}

TEST(TeeCanvasState, PrinterResolutionKeepsThePointSize)
{
    TBitmap page;
    page.SetSize(10, 10);
    QImage& img = page.Image();
    img.setDotsPerMeterX(23622);  // 600 dots per inch
    img.setDotsPerMeterY(23622);
    TTeeCanvas3D canvas;
    canvas.SetUseBuffer(false);
    canvas.InitWindow(page.Canvas(), nullptr, clWhite, false, TRect(0, 0, 10, 10));
    page.Canvas()->SetDevice(&img);
    TTeeFont font;
    font.SetSize(8);
    canvas.AssignFont(&font);
    EXPECT_EQ(canvas.Font->GetSize(), 8);
    EXPECT_EQ(canvas.Font->GetHeight(), -67);
}

TEST(TeeCanvasState, ResetStateBringsTheDeviceToNeutral)
{
    FlatCanvas f;
    f.canvas.Pen->SetColor(clRed);
    f.canvas.Pen->SetWidth(4);
    f.canvas.Brush->SetStyle(bsClear);
    f.canvas.SetBackMode(cbmOpaque);
    f.canvas.SetTextAlign(TA_RIGHT);
    TTeeFont font;
    f.canvas.AssignFont(&font);
    f.canvas.ResetState();
    EXPECT_EQ(f.canvas.Pen->GetColor(), clBlack);
    EXPECT_EQ(f.canvas.Pen->GetWidth(), 1);
    EXPECT_EQ(f.canvas.Brush->GetStyle(), bsSolid);
    EXPECT_EQ(f.canvas.Brush->GetColor(), clWhite);
    EXPECT_EQ(f.canvas.Font->GetName(), GetDefaultFontName);
    EXPECT_EQ(f.canvas.Font->GetSize(), GetDefaultFontSize);
    EXPECT_EQ(f.canvas.GetBackMode(), cbmTransparent);
    EXPECT_EQ(f.canvas.GetBackColor(), clWhite);
    EXPECT_EQ(f.canvas.GetTextAlign(), 0);
    EXPECT_EQ(f.canvas.CurrentFont, nullptr);
}

TEST(TeeCanvasDrawing, Frame3DDrawsNestedFramesAndShrinksTheRectangle)
{
    FlatCanvas f(12, 12);
    TRect r(0, 0, 10, 10);
    f.canvas.Frame3D(r, clRed, clBlue, 2);
    EXPECT_EQ(r, TRect(2, 2, 8, 8));
    const QImage& img = f.image();
    EXPECT_EQ(RowOf(img, 0, 0, 10, clRed), "#########..");
    EXPECT_EQ(ColumnOf(img, 0, 0, 10, clRed), "#########..");
    EXPECT_EQ(ColumnOf(img, 9, 0, 10, clBlue), "##########.");
    EXPECT_EQ(RowOf(img, 9, 0, 10, clBlue), "##########.");
    EXPECT_EQ(RowOf(img, 1, 0, 10, clRed), "########...");      // x 0 from the outer frame
    EXPECT_EQ(ColumnOf(img, 8, 0, 10, clBlue), ".#########.");  // y 9 from the outer frame
    EXPECT_EQ(RowOf(img, 8, 0, 10, clBlue), ".#########.");
    EXPECT_EQ(PixelAt(img, 4, 4), clWhite);

    TRect none(0, 0, 10, 10);
    FlatCanvas g(12, 12);
    g.canvas.Frame3D(none, clRed, clBlue, 0);
    EXPECT_EQ(none, TRect(0, 0, 10, 10));
    EXPECT_TRUE(BoundingBoxOfNot(g.image(), clWhite).isNull());
}

TEST(TeeCanvasDrawing, RotatedEllipseFillsWithTrianglesAndOutlinesWithOnePolyline)
{
    support::TRecordingCanvas rec;
    rec.Brush->SetStyle(bsClear);
    rec.RotatedEllipse(0, 0, 20, 10, 5, 30);
    EXPECT_TRUE(rec.CallsStartingWith("PolygonWithZ").empty());
    ASSERT_EQ(rec.CallsStartingWith("Polyline").size(), 1u);
    EXPECT_NE(rec.Calls[0].find(",5)"), std::string::npos);

    rec.Clear();
    rec.Brush->SetStyle(bsSolid);
    rec.Pen->SetStyle(psClear);
    rec.RotatedEllipse(0, 0, 20, 10, 5, 30);
    EXPECT_EQ(rec.CallsStartingWith("PolygonWithZ").size(), 63u);
    EXPECT_TRUE(rec.CallsStartingWith("Polyline").empty());
    EXPECT_EQ(rec.Pen->GetStyle(), psClear);

    // Without rotation the first point is the bottom of the ellipse.
    rec.Clear();
    rec.Brush->SetStyle(bsClear);
    rec.Pen->SetStyle(psSolid);
    rec.RotatedEllipse(0, 0, 20, 10, 0, 0);
    EXPECT_EQ(rec.Calls[0].rfind("Polyline([(10,10),", 0), 0u) << rec.Calls[0];
}

TEST(TeeCanvasDrawing, PictureOnAPlaneIsOneQuadrilateralPerPixel)
{
    support::TRecordingCanvas rec;
    TBitmap picture;
    picture.SetSize(2, 1);
    picture.Image().setPixel(0, 0, qRgb(255, 0, 0));
    picture.Image().setPixel(1, 0, qRgb(0, 0, 255));
    rec.StretchDraw(TRect(10, 10, 15, 12), &picture, 3);
    ASSERT_EQ(rec.Calls.size(), 2u);
    EXPECT_EQ(rec.Calls[0], "Polygon([(10,10),(12,10),(12,12),(10,12)])");
    EXPECT_EQ(rec.Calls[1], "Polygon([(12,10),(15,10),(15,12),(12,12)])");  // 2.5 rounds to 2, 5 stays
    EXPECT_EQ(rec.Brush->GetColor(), clBlue);
    EXPECT_EQ(rec.Pen->GetStyle(), psClear);

    TBitmap empty;
    rec.Clear();
    rec.StretchDraw(TRect(0, 0, 5, 5), &empty, 0);
    EXPECT_TRUE(rec.Calls.empty());
}

TEST(TeeCanvasDrawing, FlatOperationsActOnTheDevice)
{
    FlatCanvas f;
    f.canvas.Pen->SetColor(clRed);
    f.canvas.DoHorizLine(2, 10, 3);
    EXPECT_EQ(RowOf(f.image(), 3, 0, 11, clRed), "..########..");
    f.canvas.DoVertLine(20, 2, 6);
    EXPECT_EQ(ColumnOf(f.image(), 20, 0, 7, clRed), "..####..");
    const TPoint tri[3] = {{30, 20}, {38, 20}, {30, 28}};
    f.canvas.Brush->SetColor(clBlue);
    f.canvas.Polygon(tri);
    EXPECT_EQ(PixelAt(f.image(), 31, 21), clBlue);
    f.canvas.SetPixel(1, 25, clGreen);
    EXPECT_EQ(f.canvas.GetPixel(1, 25), clGreen);
    f.canvas.SetBackColor(clBtnFace);
    EXPECT_EQ(f.canvas.GetBackColor(), RGB(212, 208, 200));
}

TEST(TeeCanvasDrawing, BlendingMixesTheSavedBackgroundBackIn)
{
    TTeeCanvas3D canvas;
    TBitmap screen;
    screen.SetSize(20, 20);
    canvas.InitWindow(screen.Canvas(), nullptr, clWhite, false, TRect(0, 0, 20, 20));
    canvas.Brush->SetColor(RGB(0, 0, 200));
    canvas.FillRect(TRect(0, 0, 20, 20));
    TTeeBlend* blend = canvas.BeginBlending(TRect(0, 0, 10, 10), 25);
    EXPECT_EQ(canvas.BlendTransparency, 25);
    canvas.Brush->SetColor(RGB(200, 0, 0));
    canvas.FillRect(TRect(0, 0, 20, 20));
    canvas.EndBlending(blend);
    // 25 % of the old blue over 75 % of the new red inside the rectangle only.
    EXPECT_EQ(PixelAt(canvas.Bitmap->Image(), 5, 5), RGB(150, 0, 50));
    EXPECT_EQ(PixelAt(canvas.Bitmap->Image(), 15, 15), RGB(200, 0, 0));
}

// The one-pass translucent rectangle gives the pixels of the three steps it stands for
// (save the background, fill the rectangle without a pen, mix the saved background back
// in): over a varied background, for rectangles inside, across and beyond the buffer,
// turned round or empty, under a clip, at any transparency a stored chart may hold.
TEST(TeeCanvasDrawing, OnePassTranslucentRectangleMatchesTheBlendSteps)
{
    struct Case {
        TRect blend, filled;
        int transparency;
        bool clip;
    };
    const Case cases[] = {
        {{5, 4, 30, 20}, {5, 4, 31, 20}, 35, false},     {{5, 4, 30, 20}, {5, 4, 31, 20}, 0, false},
        {{5, 4, 30, 20}, {5, 4, 31, 20}, 100, false},    {{5, 4, 30, 20}, {5, 4, 31, 20}, 140, false},
        {{5, 4, 30, 20}, {5, 4, 31, 20}, -30, false},    {{-8, -3, 12, 9}, {-8, -3, 13, 9}, 50, false},
        {{30, 20, 60, 45}, {30, 20, 61, 45}, 35, false}, {{30, 20, 5, 4}, {31, 20, 5, 4}, 35, false},
        {{7, 7, 7, 7}, {7, 7, 8, 7}, 35, false},         {{2, 2, 38, 28}, {2, 2, 39, 28}, 60, true},
        {{45, 10, 50, 12}, {45, 10, 51, 12}, 35, false},
    };
    const auto draw = [](const Case& c, bool onePass, bool* used = nullptr) {
        TTeeCanvas3D canvas;
        TBitmap screen;
        screen.SetSize(40, 30);
        canvas.InitWindow(screen.Canvas(), nullptr, clWhite, false, TRect(0, 0, 40, 30));
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) canvas.Canvas->SetPixel(x, y, RGB(x * 6, y * 8, (x * y) % 256));
        if (c.clip) canvas.ClipRectangle(TRect(9, 6, 25, 17));
        canvas.Brush->SetStyle(bsSolid);
        canvas.Brush->SetColor(RGB(192, 160, 96));
        canvas.Pen->SetStyle(psClear);
        const bool one = onePass && TeeBlendRectangle(&canvas, c.blend, c.filled, c.transparency);
        if (used) *used = one;
        if (!one) {
            TTeeBlend blend(&canvas, c.blend);
            canvas.Rectangle(c.filled);
            blend.DoBlend(c.transparency);
        }
        if (c.clip) canvas.UnClipRectangle();
        canvas.Canvas->Release();
        return canvas.Bitmap->Image().copy();
    };
    for (const Case& c : cases) {
        bool used = false;
        const QImage steps = draw(c, false), onePass = draw(c, true, &used);
        EXPECT_EQ(onePass, steps) << c.blend.Left << "," << c.blend.Top << " " << c.transparency;
        // An empty rectangle is left to the steps (its shape may still touch a pixel).
        EXPECT_EQ(used, std::abs(c.filled.Width()) > 1 && std::abs(c.filled.Height()) > 1)
            << c.blend.Left << "," << c.blend.Top;
    }

    // A pattern brush or a pen is left to the three steps.
    TTeeCanvas3D canvas;
    TBitmap screen;
    screen.SetSize(10, 10);
    canvas.InitWindow(screen.Canvas(), nullptr, clWhite, false, TRect(0, 0, 10, 10));
    canvas.Pen->SetStyle(psClear);
    canvas.Brush->SetStyle(bsDiagCross);
    EXPECT_FALSE(TeeBlendRectangle(&canvas, TRect(1, 1, 5, 5), TRect(1, 1, 6, 5), 35));
    canvas.Brush->SetStyle(bsSolid);
    canvas.Pen->SetStyle(psSolid);
    EXPECT_FALSE(TeeBlendRectangle(&canvas, TRect(1, 1, 5, 5), TRect(1, 1, 6, 5), 35));
}

// Over a background of runs of one colour (a gradient's rows, a plain wall) as over a
// varied one the one-pass rectangle gives the pixels of the three steps: runs shorter and
// longer than the stretches it mixes at once, ending at the rectangle's edge or one pixel
// before it, a row of one colour, a row of one colour but for its last pixel.
TEST(TeeCanvasDrawing, OnePassTranslucentRectangleOverRunsOfOneColourMatchesTheBlendSteps)
{
    constexpr int W = 230, H = 12;
    const auto background = [](int x, int y) -> TColor {
        switch (y) {
            case 0: return RGB(200, 40, 7);
            case 1: return x == W - 1 ? RGB(1, 2, 3) : RGB(200, 40, 7);
            case 2: return (x / 7) % 2 ? RGB(10, 250, 30) : RGB(90, 91, 92);
            case 3: return (x / 9) % 2 ? RGB(10, 250, 30) : RGB(90, 91, 92);
            case 4: return (x / 65) % 2 ? RGB(0, 0, 0) : RGB(255, 255, 255);
            case 5: return x % 3 ? RGB(17, 34, 51) : RGB(x, 255 - x, 128);
            case 6: return x < 70 ? RGB(x, x, x) : RGB(5, 6, 7);
            case 7: return x == 64 || x == 130 ? RGB(250, 0, 250) : RGB(44, 55, 66);
            default: return RGB((y * 30) % 256, 128, 255 - y * 10);
        }
    };
    for (const TRect& blend : {TRect(0, 0, W, H), TRect(3, 1, W - 1, H - 2), TRect(1, 0, 150, H)}) {
        const auto draw = [&](bool onePass) {
            TTeeCanvas3D canvas;
            TBitmap screen;
            screen.SetSize(W, H);
            canvas.InitWindow(screen.Canvas(), nullptr, clWhite, false, TRect(0, 0, W, H));
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x) canvas.Canvas->SetPixel(x, y, background(x, y));
            canvas.Brush->SetStyle(bsSolid);
            canvas.Brush->SetColor(RGB(192, 160, 96));
            canvas.Pen->SetStyle(psClear);
            const TRect filled(blend.Left, blend.Top, blend.Right + 1, blend.Bottom);
            if (onePass) {
                EXPECT_TRUE(TeeBlendRectangle(&canvas, blend, filled, 35));
            } else {
                TTeeBlend steps(&canvas, blend);
                canvas.Rectangle(filled);
                steps.DoBlend(35);
            }
            canvas.Canvas->Release();
            return canvas.Bitmap->Image().copy();
        };
        const QImage steps = draw(false), onePass = draw(true);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                ASSERT_EQ(onePass.pixel(x, y), steps.pixel(x, y))
                    << "pixel " << x << "," << y << " of the rectangle from " << blend.Left << "," << blend.Top;
    }
}

#include "TeCanvasStateTest.moc"
