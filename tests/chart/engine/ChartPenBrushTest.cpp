// Chart pens, brushes and 3D view options: what is stored, when owners hear of changes,
// and how a chart pen becomes a device pen.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "chart/engine/TChartBrush.h"
#include "chart/engine/TChartPen.h"
#include "chart/engine/TView3DOptions.h"
#include "platform/Graphics.h"
#include "platform/Round.h"

namespace {

class RepaintCounter : public QObject {
    Q_OBJECT
public:
    int Count = 0;
    Q_INVOKABLE void Invalidate() { ++Count; }
};

}  // namespace

TEST(ChartPen, VisibleIsStoredOnlyWhenItDiffersFromThePensDefault)
{
    TChartHiddenPen hidden;
    EXPECT_FALSE(hidden.GetVisible());
    EXPECT_FALSE(hidden.IsPropertyStored("Visible"));
    hidden.Show();
    EXPECT_TRUE(hidden.IsPropertyStored("Visible"));

    TChartPen pen;
    EXPECT_FALSE(pen.IsPropertyStored("Visible"));
    pen.Hide();
    EXPECT_TRUE(pen.IsPropertyStored("Visible"));
    EXPECT_FALSE(pen.IsPropertyStored("EndStyle"));
    pen.SetEndStyle(esFlat);
    EXPECT_TRUE(pen.IsPropertyStored("EndStyle"));

    TDottedGrayPen dotted;
    EXPECT_EQ(dotted.GetColor(), clGray);
    EXPECT_EQ(dotted.GetStyle(), psDot);
    EXPECT_FALSE(dotted.IsPropertyStored("Color"));
    EXPECT_FALSE(dotted.IsPropertyStored("Style"));
    dotted.SetStyle(psSolid);
    EXPECT_TRUE(dotted.IsPropertyStored("Style"));
    TWhitePen white;
    EXPECT_FALSE(white.IsPropertyStored("Color"));
    white.SetColor(clBlack);
    EXPECT_TRUE(white.IsPropertyStored("Color"));
}

TEST(ChartPen, SettersNotifyOnlyOnChangeAndAssignCopiesChartSettings)
{
    int changes = 0;
    TChartPen pen([&](QObject*) { ++changes; });
    pen.SetVisible(true);
    pen.SetSmallDots(false);
    pen.SetEndStyle(esRound);
    EXPECT_EQ(changes, 0);
    pen.SetSmallDots(true);
    pen.SetEndStyle(esSquare);
    pen.Hide();
    EXPECT_EQ(changes, 3);

    TChartPen copy;
    pen.SetColor(clRed);
    pen.SetWidth(4);
    copy.Assign(&pen);
    EXPECT_FALSE(copy.GetVisible());
    EXPECT_TRUE(copy.GetSmallDots());
    EXPECT_EQ(copy.GetEndStyle(), esSquare);
    EXPECT_EQ(copy.GetColor(), clRed);
    EXPECT_EQ(copy.GetWidth(), 4);
}

TEST(ChartPen, DevicePenFollowsSmallDotsWidthAndEndStyle)
{
    TBitmap bmp;
    bmp.SetSize(4, 4);
    TCanvas* device = bmp.Canvas();

    TChartPen dots;
    dots.SetSmallDots(true);
    dots.SetWidth(5);
    dots.SetEndStyle(esFlat);
    dots.SetMode(pmXor);
    TeeSetTeePen(device->Pen(), &dots, clRed, device);
    ASSERT_TRUE(device->Pen()->HasExtendedHandle());
    EXPECT_EQ(device->Pen()->ExtendedHandle().Style, PS_COSMETIC | PS_ALTERNATE);
    EXPECT_EQ(device->Pen()->ExtendedHandle().Width, 1);
    EXPECT_EQ(device->Pen()->GetMode(), pmXor);

    TChartPen thin;
    thin.SetEndStyle(esFlat);
    TeeSetTeePen(device->Pen(), &thin, clBlue, device);
    EXPECT_FALSE(device->Pen()->HasExtendedHandle());
    EXPECT_EQ(device->Pen()->GetColor(), clBlue);
    EXPECT_EQ(device->Pen()->GetWidth(), 1);

    TChartPen wide;
    wide.SetWidth(3);
    wide.SetEndStyle(esSquare);
    wide.SetMode(pmNotXor);
    TeeSetTeePen(device->Pen(), &wide, clGreen, device);
    ASSERT_TRUE(device->Pen()->HasExtendedHandle());
    const TPenHandle h = device->Pen()->ExtendedHandle();
    EXPECT_EQ(h.Style, PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_SQUARE | PS_JOIN_BEVEL);
    EXPECT_EQ(h.Width, 3);
    EXPECT_EQ(h.Color, clGreen);
    EXPECT_EQ(device->GetROP2(), R2_NOTXORPEN);
}

TEST(ChartBrush, PictureIsCreatedOnReadAndAssignCopiesWhatTheSourceHolds)
{
    int changes = 0;
    TChartBrush brush([&](QObject*) { ++changes; });
    EXPECT_EQ(brush.GetColor(), clDefault);
    EXPECT_FALSE(brush.IsPropertyStored("Color"));
    EXPECT_EQ(brush.StoredImage(), nullptr);

    brush.GetImage()->GetBitmap()->SetSize(3, 2);
    EXPECT_GT(changes, 0);
    EXPECT_TRUE(brush.IsPropertyStored("Image"));

    // A source whose picture was never read empties the target's picture.
    TChartBrush plain;
    brush.Assign(&plain);
    ASSERT_NE(brush.StoredImage(), nullptr);
    EXPECT_EQ(brush.StoredImage()->GetGraphic(), nullptr);

    TChartBrush withPicture;
    withPicture.GetImage()->GetBitmap()->SetSize(5, 5);
    brush.Assign(&withPicture);
    EXPECT_EQ(brush.GetImage()->GetWidth(), 5);
    EXPECT_NE(brush.GetImage()->GetGraphic(), withPicture.GetImage()->GetGraphic());

    brush.Clear();
    EXPECT_EQ(brush.GetStyle(), bsClear);
    EXPECT_EQ(brush.StoredImage(), nullptr);
}

TEST(View3DOptions, SettersRepaintOnlyOnChangeAndZoomIsAnnouncedBeforeItIsStored)
{
    RepaintCounter parent;
    TView3DOptions options(&parent);
    options.SetElevation(345);
    options.SetOrthogonal(true);
    options.SetZoom(100);
    EXPECT_EQ(parent.Count, 0);
    options.SetElevation(300);
    options.SetZoomText(false);
    EXPECT_EQ(parent.Count, 2);

    int seenZoom = 0, zoomWhenSeen = 0;
    options.OnChangedZoom = [&](int z) {
        seenZoom = z;
        zoomWhenSeen = options.GetZoom();
    };
    options.SetZoom(150);
    EXPECT_EQ(seenZoom, 150);
    EXPECT_EQ(zoomWhenSeen, 100);
    EXPECT_EQ(options.GetZoom(), 150);

    std::vector<bool> scrolled;
    options.OnScrolled = [&](bool horizontal) { scrolled.push_back(horizontal); };
    options.SetHorizOffset(5);
    options.SetVertOffset(-3);
    options.SetVertOffset(-3);
    EXPECT_EQ(scrolled, (std::vector<bool>{true, false}));

    // Assign copies the settings without repainting.
    const int before = parent.Count;
    TView3DOptions other(&parent);
    other.Assign(&options);
    EXPECT_EQ(parent.Count, before);
    EXPECT_EQ(other.GetZoom(), 150);
    EXPECT_EQ(other.GetElevation(), 300);
    EXPECT_FALSE(other.GetZoomText());
    EXPECT_TRUE(other.IsPropertyStored("Zoom"));
    EXPECT_FALSE(other.IsPropertyStored("Rotation"));
}

TEST(View3DOptions, OrthoRatioFoldsObtuseAnglesAndStaysFiniteAtRightAngles)
{
    TView3DOptions options(nullptr);
    EXPECT_NEAR(options.CalcOrthoRatio(), 1.0, 1e-12);
    options.SetOrthoAngle(135);
    EXPECT_NEAR(options.CalcOrthoRatio(), 1.0, 1e-12);
    options.SetOrthoAngle(90);
    const double steep = options.CalcOrthoRatio();
    EXPECT_TRUE(std::isfinite(steep));
    EXPECT_GT(steep, 1e10);
    // As a pixel size it saturates instead of overflowing.
    EXPECT_EQ(Round(steep * 50), INT_MAX);
    options.SetOrthoAngle(270);
    EXPECT_EQ(Round(options.CalcOrthoRatio() * 50), INT_MIN);
    options.SetOrthogonal(false);
    EXPECT_EQ(options.CalcOrthoRatio(), 1.0);
}

#include "ChartPenBrushTest.moc"
