// Zoom state and rubber band, and the extended panel's background: colour, gradient,
// shadow and back image.
#include <gtest/gtest.h>

#include "PanelTestSupport.h"
#include "support/GoldenImage.h"
#include "support/PixelProbe.h"

TEST(ZoomState, ActivateCheckAndAssign)
{
    TZoomPanning p;
    p.Activate(10, 20);
    p.Check();
    EXPECT_TRUE(p.Active);
    EXPECT_EQ(p.X0, 10);
    EXPECT_EQ(p.Y0, 20);
    EXPECT_EQ(p.X1, 10);
    EXPECT_EQ(p.Y1, 20);
    p.X1 = 2;
    p.Y1 = 5;
    p.Check();
    EXPECT_EQ(p.X0, 2);
    EXPECT_EQ(p.X1, 10);
    EXPECT_EQ(p.Y0, 5);
    EXPECT_EQ(p.Y1, 20);

    TTeeZoom a, b;
    EXPECT_EQ(a.StoredPen(), nullptr);
    EXPECT_EQ(a.StoredBrush(), nullptr);
    EXPECT_EQ(a.GetPen()->GetColor(), clWhite);
    EXPECT_FALSE(a.GetPen()->IsPropertyStored("Color"));
    EXPECT_EQ(a.GetBrush()->GetColor(), clWhite);
    EXPECT_EQ(a.GetBrush()->GetStyle(), bsClear);
    EXPECT_FALSE(a.GetBrush()->IsPropertyStored("Style"));
    a.Allow = false;
    a.Animated = true;
    a.AnimatedSteps = 3;
    a.Direction = tzdVertical;
    a.KeyShift = ssCtrl;
    a.MouseButton = mbMiddle;
    a.MinimumPixels = 40;
    a.UpLeftZooms = true;
    a.GetPen()->SetColor(clRed);
    b.Assign(&a);
    EXPECT_FALSE(b.Allow);
    EXPECT_TRUE(b.Animated);
    EXPECT_EQ(b.AnimatedSteps, 3);
    EXPECT_EQ(b.Direction, tzdVertical);
    EXPECT_EQ(b.KeyShift, ssCtrl);
    EXPECT_EQ(b.MouseButton, mbMiddle);
    ASSERT_NE(b.StoredPen(), nullptr);
    EXPECT_EQ(b.StoredPen()->GetColor(), clRed);
    EXPECT_NE(b.StoredBrush(), nullptr);
    // Not copied.
    EXPECT_EQ(b.MinimumPixels, 16);
    EXPECT_FALSE(b.UpLeftZooms);
    b.SetPen(nullptr);
    EXPECT_EQ(b.StoredPen(), nullptr);
}

TEST(ZoomRectangle, OutlineOnlyWithoutBrushInNotXorWhite)
{
    TTestPanelExtended panel;
    panel.SetColor(clWhite);
    auto* rec = panel.UseRecordingCanvas();
    panel.GetZoom()->Activate(5, 6);
    panel.GetZoom()->X1 = 50;
    panel.GetZoom()->Y1 = 40;
    rec->Clear();
    panel.DrawZoomRectangle();
    EXPECT_EQ(panel.GetZoom()->StoredBrush(), nullptr);
    EXPECT_GE(rec->IndexOf("SetBackMode(1)"), 0);
    EXPECT_EQ(rec->Calls.back(), "Rectangle(5,6,50,40)");
    EXPECT_EQ(rec->Brush->GetStyle(), bsClear);
    EXPECT_EQ(rec->Pen->GetMode(), pmNotXor);
    EXPECT_EQ(rec->Pen->GetColor(), clWhite);

    // On a red background the pen becomes white xor cyan = red.
    panel.SetColor(clRed);
    panel.DrawZoomRectangle();
    EXPECT_EQ(rec->Pen->GetColor(), clRed);

    // A solid brush fills, and the background stays as it was.
    rec->Clear();
    panel.GetZoom()->GetBrush()->SetStyle(bsSolid);
    panel.DrawZoomRectangle();
    EXPECT_LT(rec->IndexOf("SetBackMode(1)"), 0);
    EXPECT_EQ(rec->Brush->GetStyle(), bsSolid);
}

namespace {

// A panel that draws a grey background and follows a left drag with the rubber band, as a
// chart does, between paints.
class TDragPanel : public TTestPanelExtended {
public:
    TDragPanel()
    {
        resize(120, 80);
        SetBevelOuter(bvNone);
        SetColor(clGray);
        OnInternalDraw = [this](const TRect& R) {
            PanelPaint(R);
            if (GetZoom()->Active) DrawZoomRectangle();
        };
    }
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override
    {
        TTestPanelExtended::MouseDown(Button, Shift, X, Y);
        if (Button != mbLeft) return;
        GetZoom()->Activate(X, Y);
        DrawZoomRectangle();
    }
    void MouseMove(TShiftState Shift, int X, int Y) override
    {
        TTestPanelExtended::MouseMove(Shift, X, Y);
        TTeeZoom* z = GetZoom();
        if (!z->Active || (X == z->X1 && Y == z->Y1)) return;
        DrawZoomRectangle();
        z->X1 = X;
        z->Y1 = Y;
        DrawZoomRectangle();
    }
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override
    {
        TTestPanelExtended::MouseUp(Button, Shift, X, Y);
        if (!GetZoom()->Active) return;
        GetZoom()->Active = false;
        DrawZoomRectangle();
        GetCanvas()->Pen->SetMode(pmCopy);
    }
};

}  // namespace

TEST(ZoomRectangle, DragDrawsTheBandBetweenPaintsAndErasesIt)
{
    TDragPanel panel;
    panel.PaintWindow();
    const QImage before = panel.WindowImage();
    EXPECT_EQ(support::PixelAt(before, 60, 40), clGray);

    SendMouse(&panel, QEvent::MouseButtonPress, 10, 10, Qt::LeftButton, Qt::LeftButton);
    SendMouse(&panel, QEvent::MouseMove, 40, 30, Qt::NoButton, Qt::LeftButton);
    SendMouse(&panel, QEvent::MouseMove, 70, 50, Qt::NoButton, Qt::LeftButton);
    // Only the latest rectangle shows: its edge differs from the background, the inside
    // and the earlier rectangle's corner do not.
    panel.PaintWindow();
    const QImage during = panel.grab().toImage();
    EXPECT_NE(support::PixelAt(during, 10, 30), clGray);
    EXPECT_NE(support::PixelAt(during, 69, 30), clGray);
    EXPECT_EQ(support::PixelAt(during, 40, 30), clGray);
    EXPECT_EQ(support::PixelAt(during, 39, 29), clGray);

    SendMouse(&panel, QEvent::MouseButtonRelease, 70, 50, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(panel.grab().toImage(), before);
}

TEST(PanelBackground, ColourGradientAndPrinting)
{
    TTestPanelExtended panel;
    auto* rec = panel.UseRecordingCanvas();
    panel.FillPanelRect(TRect(0, 0, 10, 10));
    EXPECT_GE(rec->IndexOf("FillRect((0,0,10,10))"), 0);

    // No colour and no gradient: the background is left alone.
    rec->Clear();
    panel.SetColor(clNone);
    panel.FillPanelRect(TRect(0, 0, 10, 10));
    EXPECT_TRUE(rec->CallsStartingWith("FillRect").empty());

    // Printing leaves the colour out unless the panel itself is printed.
    panel.SetColor(clYellow);
    panel.Printing = true;
    rec->Clear();
    panel.FillPanelRect(TRect(0, 0, 10, 10));
    EXPECT_TRUE(rec->CallsStartingWith("FillRect").empty());
    PrintTeePanel = true;
    panel.FillPanelRect(TRect(0, 0, 10, 10));
    EXPECT_FALSE(rec->CallsStartingWith("FillRect").empty());
    PrintTeePanel = false;
    panel.Printing = false;

    // A visible gradient is painted in both cases.
    panel.GetGradient()->SetVisible(true);
    for (bool printing : {false, true}) {
        panel.Printing = printing;
        rec->Clear();
        panel.FillPanelRect(TRect(0, 0, 10, 10));
        EXPECT_TRUE(rec->CallsStartingWith("FillRect").empty());
        EXPECT_FALSE(rec->Calls.size() <= 2) << "gradient drew nothing while printing=" << printing;
    }
}

TEST(PanelBackground, BackImageSettingsAndRepaints)
{
    TTestPanelExtended panel;
    EXPECT_FALSE(panel.HasBackImage());
    EXPECT_FALSE(panel.GetBackImageInside());
    EXPECT_FALSE(panel.GetBackImageTransp());
    panel.SetBackImageTransp(true);  // no picture: nothing to set
    EXPECT_EQ(panel.StoredBackImage(), nullptr);

    panel.Invalidates = 0;
    panel.SetBackImageMode(pbmTile);
    panel.SetBackImageInside(true);
    panel.GetBackImage()->SetLeft(4);
    panel.GetBackImage()->SetTop(4);
    EXPECT_EQ(panel.Invalidates, 4);
    EXPECT_FALSE(panel.GetBackImageInside());  // no picture yet
    TBitmap bmp;
    bmp.SetSize(3, 2);
    panel.GetBackImage()->SetGraphic(&bmp);
    EXPECT_TRUE(panel.HasBackImage());
    EXPECT_TRUE(panel.GetBackImageInside());
    EXPECT_EQ(panel.Invalidates, 5);
    panel.SetBackImageTransp(true);
    EXPECT_TRUE(panel.GetBackImageTransp());

    TTestPanelExtended copy;
    copy.Assign(&panel);
    ASSERT_TRUE(copy.HasBackImage());
    EXPECT_EQ(copy.GetBackImage()->GetLeft(), 4);
    EXPECT_EQ(copy.GetBackImageMode(), pbmTile);
    EXPECT_EQ(copy.GetBackImage()->GetWidth(), 3);
}

TEST(PanelBackground, StoredPropertiesLegacyZoomAndUndo)
{
    TTestPanelExtended panel;
    EXPECT_FALSE(panel.IsPropertyStored("PrintMargins"));
    panel.PrintMargins = TRect(15, 15, 15, 10);
    EXPECT_TRUE(panel.IsPropertyStored("PrintMargins"));
    EXPECT_EQ(panel.property("PrintMargins").value<QList<int>>(), (QList<int>{15, 15, 15, 10}));
    panel.setProperty("PrintMargins", QVariant::fromValue(QList<int>{1, 2}));  // damaged: ignored
    EXPECT_EQ(panel.PrintMargins, TRect(15, 15, 15, 10));

    // Older files keep the zoom switches at panel level: read into the zoom, never written.
    panel.setProperty("AllowZoom", false);
    panel.setProperty("AnimatedZoom", true);
    panel.setProperty("AnimatedZoomSteps", 5);
    EXPECT_FALSE(panel.GetZoom()->Allow);
    EXPECT_TRUE(panel.GetZoom()->Animated);
    EXPECT_EQ(panel.GetZoom()->AnimatedSteps, 5);
    EXPECT_FALSE(panel.IsPropertyStored("AllowZoom"));
    // Each step is a repaint of its own: a file cannot ask for millions, nor for none.
    panel.setProperty("AnimatedZoomSteps", 2000000000);
    EXPECT_EQ(panel.GetZoom()->AnimatedSteps, 100);
    panel.GetZoom()->setProperty("AnimatedSteps", -7);
    EXPECT_EQ(panel.GetZoom()->AnimatedSteps, 1);

    int undone = 0;
    panel.OnUndoZoom = [&](QObject* s) {
        EXPECT_EQ(s, &panel);
        ++undone;
    };
    panel.Zoomed = true;
    panel.Invalidates = 0;
    panel.UndoZoom();
    EXPECT_EQ(undone, 1);
    EXPECT_FALSE(panel.Zoomed);
    EXPECT_EQ(panel.Invalidates, 1);
}

TEST(PanelBackground, TiledCentredAndCustomImages)
{
    TTestPanelExtended panel;
    auto* rec = panel.UseRecordingCanvas();
    TBitmap empty;
    panel.GetBackImage()->SetGraphic(&empty);
    panel.SetBackImageMode(pbmTile);
    rec->Clear();
    panel.DrawBitmap(TRect(0, 0, 100, 100), 0);
    EXPECT_TRUE(rec->CallsStartingWith("Draw(").empty());

    TBitmap tile;
    tile.SetSize(40, 30);
    panel.GetBackImage()->SetGraphic(&tile);
    rec->Clear();
    panel.DrawBitmap(TRect(0, 0, 100, 50), 0);
    EXPECT_EQ(rec->CallsStartingWith("Draw(").size(), 6u);  // 3 across, 2 down
    EXPECT_GE(rec->IndexOf("Draw(80,30,ptr)"), 0);
    EXPECT_GE(rec->IndexOf("ClipRectangle((0,0,100,50))"), 0);
    EXPECT_EQ(rec->Calls.back(), "UnClipRectangle()");

    // Centred and larger than the rectangle: drawn from outside, cut by the clip.
    TBitmap big;
    big.SetSize(140, 90);
    panel.GetBackImage()->SetGraphic(&big);
    panel.SetBackImageMode(pbmCenter);
    rec->Clear();
    panel.DrawBitmap(TRect(0, 0, 100, 50), 0);
    const int clip = rec->IndexOf("ClipRectangle((0,0,100,50))");
    const int draw = rec->IndexOf("Draw(-20,-20,ptr)");
    ASSERT_GE(clip, 0);
    ASSERT_GE(draw, 0);
    EXPECT_LT(clip, draw);

    panel.SetBackImageMode(pbmCustom);
    panel.GetBackImage()->SetLeft(7);
    panel.GetBackImage()->SetTop(3);
    rec->Clear();
    panel.DrawBitmap(TRect(10, 10, 100, 50), 0);
    EXPECT_GE(rec->IndexOf("Draw(17,13,ptr)"), 0);

    panel.SetBackImageMode(pbmStretch);
    rec->Clear();
    panel.DrawBitmap(TRect(10, 10, 100, 50), 0);
    EXPECT_GE(rec->IndexOf("StretchDraw((10,10,100,50),ptr)"), 0);
    EXPECT_TRUE(rec->CallsStartingWith("Clip").empty());
}

TEST(PanelBackground, GoldenPanelWithShadowGradientImageAndBevels)
{
    TTestPanelExtended panel;
    panel.resize(160, 100);
    panel.SetColor(clSilver);
    panel.SetBevelInner(bvLowered);
    panel.SetBevelWidth(2);
    panel.GetBorder()->SetVisible(true);
    panel.GetBorder()->SetColor(clNavy);
    panel.GetShadow()->SetColor(clDkGray);
    panel.GetShadow()->SetSize(4);
    panel.GetShadow()->SetSmooth(false);
    panel.GetGradient()->SetVisible(true);
    panel.GetGradient()->SetStartColor(clWhite);
    panel.GetGradient()->SetEndColor(clTeal);
    TBitmap tile;
    tile.SetSize(12, 12);
    tile.Image().fill(TColorToQColor(clMaroon));
    for (int i = 0; i < 12; ++i) tile.Image().setPixel(i, i, TColorToQRgb(clYellow));
    panel.GetBackImage()->SetGraphic(&tile);
    panel.SetBackImageMode(pbmCustom);
    panel.GetBackImage()->SetLeft(20);
    panel.GetBackImage()->SetTop(10);
    panel.OnInternalDraw = [&](const TRect& R) { panel.PanelPaint(R); };
    panel.PaintWindow();
    const QImage& img = panel.WindowImage();
    EXPECT_EQ(support::PixelAt(img, 26, 15), clMaroon);
    EXPECT_EQ(support::PixelAt(img, 25, 15), clYellow);
    EXPECT_EQ(support::PixelAt(img, 0, 0), clNavy);
    EXPECT_MATCHES_GOLDEN(img, "panel_background.png");
}
