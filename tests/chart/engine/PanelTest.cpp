// The chart panel: the plotting rectangle, the draw sequence and its picture cache, the
// property plumbing, border and bevels, mouse handling and listeners.
#include <gtest/gtest.h>

#include <QEvent>
#include <stdexcept>

#include "PanelTestSupport.h"
#include "platform/Exception.h"
#include "support/PixelProbe.h"
#include "support/ScriptedDialogs.h"

namespace {

// Draws the panel onto a recording canvas and returns the plotting rectangle.
TRect ChartRectOf(TTestPanel& panel)
{
    panel.UseRecordingCanvas();
    panel.Draw();
    return panel.ChartRect;
}

}  // namespace

TEST(PanelChartRect, MarginsInPercentOrPixelsInsideFrame)
{
    TTestPanel panel;
    EXPECT_EQ(panel.Width(), 400);
    EXPECT_EQ(panel.Height(), 250);
    panel.resize(250, 100);
    panel.SetBevelOuter(bvNone);
    // 3 % of 250 is 7.5, truncated; 4 % of 100 is 4.
    EXPECT_EQ(ChartRectOf(panel), TRect(7, 4, 250 - 7, 100 - 4));
    EXPECT_EQ(panel.ChartWidth, 236);
    EXPECT_EQ(panel.ChartHeight, 92);
    EXPECT_EQ(panel.ChartXCenter, 125);
    EXPECT_EQ(panel.ChartYCenter, 50);

    // Frame: border width + both bevels + the visible border pen's width.
    panel.SetBevelOuter(bvRaised);
    panel.SetBevelInner(bvLowered);
    panel.SetBevelWidth(2);
    panel.SetBorderWidth(1);
    panel.GetBorder()->SetVisible(true);
    panel.GetBorder()->SetWidth(3);
    panel.SetMarginUnits(muPixels);
    for (int i = 0; i < 4; ++i) panel.SetMargin(i, 10 + i);
    EXPECT_EQ(ChartRectOf(panel), TRect(8 + 10, 8 + 11, 250 - 8 - 12, 100 - 8 - 13));
}

TEST(PanelChartRect, DegenerateRectanglesGetAUsableSize)
{
    TTestPanel panel;
    panel.resize(100, 80);
    panel.SetBevelOuter(bvNone);
    panel.SetMarginUnits(muPixels);
    // Left meets right: the width becomes the panel's width; top beyond bottom: height 1.
    panel.SetMarginLeft(50);
    panel.SetMarginRight(50);
    panel.SetMarginTop(60);
    panel.SetMarginBottom(60);
    const TRect r = ChartRectOf(panel);
    EXPECT_EQ(r.Left, 50);
    EXPECT_EQ(panel.ChartWidth, 100);
    EXPECT_EQ(r.Top, 60);
    EXPECT_EQ(panel.ChartHeight, 1);
    // Negative margins never take the rectangle outside the bounds on the left and top.
    panel.SetMarginLeft(-20);
    panel.SetMarginTop(-20);
    const TRect r2 = ChartRectOf(panel);
    EXPECT_EQ(r2.Left, 0);
    EXPECT_EQ(r2.Top, 0);
}

TEST(PanelDraw, SequenceAndNoRepaintRequestsFromInsideTheDraw)
{
    TTestPanel panel;
    auto* rec = panel.UseRecordingCanvas();
    int inside = 0;
    panel.OnInternalDraw = [&](const TRect& R) {
        ++inside;
        EXPECT_EQ(R, panel.ChartBounds);
        EXPECT_FALSE(panel.AutoRepaint);
        rec->Calls.push_back("InternalDraw");
        panel.SetMarginLeft(panel.GetMarginLeft() + 1);  // a change made while drawing
    };
    panel.Invalidates = 0;
    panel.Paint();
    EXPECT_EQ(inside, 1);
    EXPECT_TRUE(panel.AutoRepaint);
    EXPECT_EQ(panel.Invalidates, 0);
    ASSERT_GE(rec->IndexOf("ReDrawBitmap()"), 0);
    const int init = rec->IndexOf("InitWindow(0x" + IntToHex(clBtnFace, 6) + ",true,(0,0,400,250))");
    const int draw = rec->IndexOf("InternalDraw");
    const int show = rec->IndexOf("ShowImage((0,0,400,250))");
    ASSERT_GE(init, 0);
    EXPECT_LT(rec->IndexOf("ReDrawBitmap()"), init);
    EXPECT_LT(init, draw);
    EXPECT_LT(draw, show);

    // A failing draw still switches the repaint requests back on.
    panel.OnInternalDraw = [](const TRect&) { throw std::runtime_error("draw failed"); };
    EXPECT_THROW(panel.Draw(), std::runtime_error);
    EXPECT_TRUE(panel.AutoRepaint);
}

TEST(PanelDraw, WindowPaintReusesThePictureUntilInvalidated)
{
    TTestPanel panel;
    panel.resize(60, 40);
    panel.SetBevelOuter(bvNone);
    int draws = 0;
    TColor fill = clRed;
    panel.OnInternalDraw = [&](const TRect& R) {
        ++draws;
        panel.GetCanvas()->Brush->SetColor(fill);
        panel.GetCanvas()->FillRect(R);
    };
    const QImage first = panel.grab().toImage();
    EXPECT_EQ(draws, 1);
    EXPECT_EQ(support::PixelAt(first, 30, 20), clRed);

    // Showing the window again copies the picture; nothing is drawn.
    fill = clBlue;
    panel.update();
    panel.PaintWindow();
    EXPECT_EQ(draws, 1);
    EXPECT_EQ(support::PixelAt(panel.WindowImage(), 30, 20), clRed);

    // Drawing over the window between paints (a cursor, a zoom rectangle) leaves the
    // buffered picture as it was drawn.
    TCanvas* window = panel.WindowCanvas();
    window->Pen()->SetColor(clBlack);
    window->MoveTo(0, 20);
    window->LineTo(60, 20);
    EXPECT_EQ(support::PixelAt(panel.WindowImage(), 30, 20), clBlack);
    auto* buffered = dynamic_cast<TTeeCanvas3D*>(panel.GetCanvas());
    ASSERT_TRUE(buffered && buffered->Bitmap);
    EXPECT_EQ(support::PixelAt(buffered->Bitmap->Image(), 30, 20), clRed);

    // A property change through the plumbing invalidates; equal values do not.
    panel.SetMarginLeft(panel.GetMarginLeft());
    panel.PaintWindow();
    EXPECT_EQ(draws, 1);
    panel.SetMarginLeft(5);
    panel.PaintWindow();
    EXPECT_EQ(draws, 2);
    EXPECT_EQ(support::PixelAt(panel.WindowImage(), 30, 20), clBlue);

    // With AutoRepaint off nothing is marked stale.
    panel.AutoRepaint = false;
    panel.SetMarginLeft(9);
    panel.PaintWindow();
    EXPECT_EQ(draws, 2);
    panel.AutoRepaint = true;

    // A new size draws again at the new size.
    panel.resize(80, 50);
    panel.PaintWindow();
    EXPECT_EQ(draws, 3);
    EXPECT_EQ(panel.WindowImage().width(), 80);
    EXPECT_EQ(support::PixelAt(panel.WindowImage(), 79, 49), clBlue);
}

// A panel without colour shows what lies behind it, never its previous picture.
TEST(PanelDraw, SeeThroughPanelShowsItsParentNotItsLastPicture)
{
    QWidget parent;
    parent.resize(120, 80);
    QPalette palette = parent.palette();
    palette.setColor(QPalette::Window, QColor(0, 128, 255));
    parent.setPalette(palette);
    TTestPanel panel(&parent);
    panel.setGeometry(20, 10, 60, 40);
    panel.SetBevelOuter(bvNone);
    panel.SetColor(clNone);
    bool paint = true;
    panel.OnInternalDraw = [&](const TRect&) {
        if (!paint) return;
        panel.GetCanvas()->Brush->SetColor(clRed);
        panel.GetCanvas()->FillRect(TRect(0, 0, 30, 40));
    };
    panel.Draw();
    EXPECT_EQ(support::PixelAt(panel.WindowImage(), 10, 20), clRed);
    EXPECT_EQ(support::PixelAt(panel.WindowImage(), 45, 20), RGB(0, 128, 255));
    paint = false;
    panel.Draw();
    EXPECT_EQ(support::PixelAt(panel.WindowImage(), 10, 20), RGB(0, 128, 255));

    // Without a parent there is nothing behind it but white.
    TTestPanel alone;
    alone.resize(60, 40);
    alone.SetBevelOuter(bvNone);
    alone.SetColor(clNone);
    alone.OnInternalDraw = panel.OnInternalDraw;
    paint = true;
    alone.Draw();
    paint = false;
    alone.Draw();
    EXPECT_EQ(support::PixelAt(alone.WindowImage(), 10, 20), clWhite);
}

TEST(PanelProperties, View3DEventBorderStyleAndRoundedWindow)
{
    TTestPanel panel;
    std::vector<std::string> log;
    TLoggingListener l(log, "a");
    panel.Listeners.Add(&l);
    EXPECT_EQ(panel.Listeners.Add(&l), 0);  // already there: same index
    panel.SetView3D(true);
    EXPECT_TRUE(log.empty());
    panel.SetView3D(false);
    EXPECT_EQ(log, std::vector<std::string>{"a:view3d"});
    EXPECT_EQ(panel.Listeners.Remove(&l), 0);
    EXPECT_EQ(panel.Listeners.Remove(&l), -1);

    EXPECT_EQ(panel.GetBorderStyle(), bsNone);
    panel.ReadBorderStyle("bsSingle");
    EXPECT_TRUE(panel.GetBorder()->GetVisible());
    EXPECT_EQ(panel.GetBorderStyle(), bsSingle);
    panel.ReadBorderStyle("bsSizeable");
    EXPECT_FALSE(panel.GetBorder()->GetVisible());
    panel.SetBorderStyle(bsSingle);
    EXPECT_TRUE(panel.GetBorder()->GetVisible());

    QWidget parent;
    parent.resize(500, 300);
    TTestPanel child(&parent);
    child.resize(200, 100);
    child.SetBorderRound(20);
    EXPECT_FALSE(child.WindowRegion().isEmpty());
    EXPECT_FALSE(child.WindowRegion().contains(QPoint(0, 0)));
    EXPECT_TRUE(child.WindowRegion().contains(QPoint(100, 50)));
    child.SetBorderRound(0);
    EXPECT_TRUE(child.WindowRegion().isEmpty());
    // Loading a stored chart shapes the window only when loading ends.
    child.Loading = true;
    child.SetBorderRound(12);
    EXPECT_TRUE(child.WindowRegion().isEmpty());
    child.Loaded();
    EXPECT_FALSE(child.WindowRegion().isEmpty());
}

TEST(PanelProperties, AssignCopiesPanelSettingsAndRefusesOtherObjects)
{
    TTestPanel a, b;
    a.GetBorder()->SetVisible(true);
    a.SetBorderRound(5);
    a.SetBufferedDisplay(false);
    a.PrintMargins = TRect(1, 2, 3, 4);
    a.PrintProportional = false;
    a.PrintResolution = -50;
    a.SetMarginTop(9);
    a.SetMarginUnits(muPixels);
    a.SetMonochrome(true);
    a.GetShadow()->SetSize(4);
    a.SetView3D(false);
    a.GetView3DOptions()->SetRotation(10);
    a.SetColor(clAqua);
    b.Assign(&a);
    EXPECT_TRUE(b.GetBorder()->GetVisible());
    EXPECT_EQ(b.GetBorderRound(), 5);
    EXPECT_FALSE(b.GetBufferedDisplay());
    EXPECT_EQ(b.PrintMargins, TRect(1, 2, 3, 4));
    EXPECT_FALSE(b.PrintProportional);
    EXPECT_EQ(b.PrintResolution, -50);
    EXPECT_EQ(b.GetMarginTop(), 9);
    EXPECT_EQ(b.GetMarginUnits(), muPixels);
    EXPECT_TRUE(b.GetMonochrome());
    EXPECT_EQ(b.GetShadow()->GetSize(), 4);
    EXPECT_FALSE(b.GetView3D());
    EXPECT_EQ(b.GetView3DOptions()->GetRotation(), 10);
    EXPECT_EQ(b.GetColor(), clAqua);

    QObject other;
    EXPECT_THROW(b.Assign(&other), EConvertError);
}

TEST(PanelCanvas, ReplacingTheCanvasClippingAndHatchColours)
{
    TTestPanel panel;
    panel.SetInternalCanvas(nullptr);  // ignored
    ASSERT_NE(panel.GetCanvas(), nullptr);
    panel.SetMonochrome(true);
    auto* rec = panel.UseRecordingCanvas();
    EXPECT_TRUE(rec->GetMonochrome());  // settings carried over to the new canvas
    EXPECT_EQ(panel.GetCanvas(), rec);

    EXPECT_TRUE(panel.CanClip());
    panel.Printing = true;
    EXPECT_TRUE(panel.CanClip());
    TeeClipWhenPrinting = false;
    EXPECT_FALSE(panel.CanClip());
    TeeClipWhenPrinting = true;
    panel.Printing = false;
    rec->Metafiling = true;
    EXPECT_TRUE(panel.CanClip());
    TeeClipWhenMetafiling = false;
    EXPECT_FALSE(panel.CanClip());
    TeeClipWhenMetafiling = true;
    rec->Metafiling = false;

    panel.SetMonochrome(false);
    TChartBrush hatch;
    hatch.SetStyle(bsCross);
    panel.SetBrushCanvas(clWhite, &hatch, clWhite);
    EXPECT_EQ(rec->Brush->GetColor(), clBlack);
    panel.SetBrushCanvas(clBlack, &hatch, clBlack);
    EXPECT_EQ(rec->Brush->GetColor(), clWhite);
    panel.SetBrushCanvas(clRed, &hatch, clWhite);
    EXPECT_EQ(rec->Brush->GetColor(), clRed);
    TChartBrush solid;
    panel.SetBrushCanvas(clWhite, &solid, clWhite);
    EXPECT_EQ(rec->Brush->GetColor(), clWhite);
}

TEST(PanelBevels, BorderAndBevelsFromTheOutsideIn)
{
    TTestPanel panel;
    panel.resize(100, 50);
    auto* rec = panel.UseRecordingCanvas();
    panel.GetBorder()->SetVisible(true);
    panel.SetBevelInner(bvLowered);
    rec->Clear();
    panel.DrawPanelBevels(TRect(0, 0, 100, 50));
    const int border = rec->IndexOf("Rectangle(0,0,100,50)");
    // Outer raised bevel one pixel in: highlight top-left, shadow bottom-right.
    const int outer = rec->IndexOf("Polyline([(1,48),(1,1),(98,1)])");
    const int inner = rec->IndexOf("Polyline([(2,47),(2,2),(97,2)])");
    ASSERT_GE(border, 0);
    ASSERT_GE(outer, 0);
    ASSERT_GE(inner, 0);
    EXPECT_LT(border, outer);
    EXPECT_LT(outer, inner);
    EXPECT_EQ(rec->Calls.front(), "DisableRotation()");
    EXPECT_EQ(rec->Calls.back(), "EnableRotation()");

    // A three-pixel border moves in by one so that it stays inside the panel.
    rec->Clear();
    panel.GetBorder()->SetWidth(3);
    panel.SetBevelInner(bvNone);
    panel.SetBevelOuter(bvNone);
    panel.DrawPanelBevels(TRect(0, 0, 100, 50));
    EXPECT_GE(rec->IndexOf("Rectangle(1,1,100,50)"), 0);

    // Printing leaves the bevels out unless the panel is printed too.
    rec->Clear();
    panel.SetBevelOuter(bvRaised);
    panel.Printing = true;
    panel.DrawPanelBevels(TRect(0, 0, 100, 50));
    EXPECT_TRUE(rec->CallsStartingWith("Polyline").empty());
    PrintTeePanel = true;
    panel.DrawPanelBevels(TRect(0, 0, 100, 50));
    EXPECT_FALSE(rec->CallsStartingWith("Polyline").empty());
    PrintTeePanel = false;

    // Rounded: the bevel is a rounded rectangle too.
    rec->Clear();
    panel.Printing = false;
    panel.GetBorder()->SetVisible(false);
    panel.SetBorderRound(8);
    panel.DrawPanelBevels(TRect(0, 0, 100, 50));
    EXPECT_GE(rec->IndexOf("RoundRect(0,0,100,50,8,8)"), 0);
}

TEST(PanelMouse, ListenersInOrderUntilOneCancels)
{
    TTestPanel panel;
    panel.resize(200, 100);
    std::vector<std::string> log;
    TLoggingListener a(log, "a"), b(log, "b");
    panel.Listeners.Add(&a);
    panel.Listeners.Add(&b);
    int downs = 0;
    TMouseButton button = mbLeft;
    TShiftState shift = 0;
    panel.OnMouseDown = [&](QObject*, TMouseButton pressed, TShiftState s, int, int) {
        ++downs;
        button = pressed;
        shift = s;
    };
    SendMouse(&panel, QEvent::MouseButtonPress, 10, 20, Qt::RightButton, Qt::RightButton, Qt::ShiftModifier);
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(button, mbRight);
    EXPECT_EQ(shift, ssShift | ssRight);
    EXPECT_EQ(log, (std::vector<std::string>{"a:down(10,20)", "b:down(10,20)"}));

    log.clear();
    a.Cancel = true;
    SendMouse(&panel, QEvent::MouseButtonPress, 11, 21, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(log, std::vector<std::string>{"a:down(11,21)"});
    // The next event starts uncancelled.
    log.clear();
    a.Cancel = false;
    SendMouse(&panel, QEvent::MouseMove, 12, 22, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(log, (std::vector<std::string>{"a:move(12,22)", "b:move(12,22)"}));
    SendMouse(&panel, QEvent::MouseButtonRelease, 13, 23, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(log.back(), "b:up(13,23)");

    // In a form designer moves reach no listener.
    log.clear();
    panel.Designing = true;
    SendMouse(&panel, QEvent::MouseMove, 14, 24, Qt::NoButton, Qt::NoButton);
    EXPECT_TRUE(log.empty());
}

TEST(PanelMouse, ListenerRemovedDuringABroadcastIsNotCalled)
{
    TTestPanel panel;
    std::vector<std::string> log;
    auto* b = new TLoggingListener(log, "b");
    TLoggingListener a(log, "a");
    a.OnEvent = [&](TTeeEvent*) {
        panel.RemoveListener(b);
        delete b;
        b = nullptr;
    };
    panel.Listeners.Add(&a);
    panel.Listeners.Add(b);
    panel.BroadcastMouseEvent(meDown, mbLeft, 0, 1, 2);
    EXPECT_EQ(log, std::vector<std::string>{"a:down(1,2)"});
    EXPECT_EQ(panel.Listeners.Count(), 1);
}

TEST(PanelMouse, DoubleClickCancelledAndMouseLeave)
{
    TTestPanel panel;
    support::TestDialogs().Clear();
    std::vector<std::string> log;
    TLoggingListener l(log, "l");
    panel.Listeners.Add(&l);
    int clicks = 0;
    panel.OnDblClick = [&](QObject*) {
        ++clicks;
        panel.CancelMouse = true;
    };
    SendMouse(&panel, QEvent::MouseButtonDblClick, 5, 5, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(log.empty());  // the click was abandoned, silently
    EXPECT_TRUE(support::TestDialogs().Messages().empty());

    panel.OnDblClick = [&](QObject*) { ++clicks; };
    SendMouse(&panel, QEvent::MouseButtonDblClick, 6, 6, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(log, std::vector<std::string>{"l:down(6,6)"});

    panel.SavedCursor = crDefault;
    panel.SetCursor(crCross);
    panel.Panning->Activate(3, 3);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&panel, &leave);
    EXPECT_FALSE(panel.Panning->Active);
    EXPECT_EQ(panel.GetCursor(), crDefault);
}

TEST(PanelMouse, AFailingHandlerIsReportedNotPassedToQt)
{
    TTestPanel panel;
    support::TestDialogs().Clear();
    panel.OnMouseDown = [](QObject*, TMouseButton, TShiftState, int, int) { throw Exception("handler failed"); };
    SendMouse(&panel, QEvent::MouseButtonPress, 1, 1, Qt::LeftButton, Qt::LeftButton);
    ASSERT_EQ(support::TestDialogs().Messages().size(), 1u);
}

namespace {
// A listener owned by the panel that leaves the list when it goes, as tools do.
class TOwnedListener : public QObject, public ITeeEventListener {
public:
    explicit TOwnedListener(TCustomTeePanel* p) : QObject(p), panel(p) { panel->Listeners.Add(this); }
    ~TOwnedListener() override { panel->RemoveListener(this); }
    void TeeEvent(TTeeEvent*) override {}
    TCustomTeePanel* panel;
};
}  // namespace

TEST(PanelMouse, OwnedListenersLeaveWhileThePanelIsStillWhole)
{
    auto* panel = new TTestPanel;
    new TOwnedListener(panel);
    new TOwnedListener(panel);
    EXPECT_EQ(panel->Listeners.Count(), 2);
    delete panel;  // must not touch a list that is already gone
}
