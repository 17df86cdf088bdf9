// The chart control in a window: a full paint of axes and series, zoom and panning through
// the widget's mouse handling, the wheel, series membership events, automatic axis ranges
// and the titles' room.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QPageSize>
#include <QPrinter>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "PanelTestSupport.h"
#include "chart/engine/TChartAxes.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TCustomSeriesList.h"
#include "chart/engine/TSeriesMarks.h"
#include "chart/engine/TeeConst.h"
#include "platform/TPrinter.h"
#include "support/GoldenImage.h"
#include "support/PixelProbe.h"

namespace {

// A series that joins its points with lines in its colour.
class LineTestSeries : public TChartSeries {
public:
    using TChartSeries::TChartSeries;
    void DrawValue(int index) override
    {
        TCanvas3D* c = SeriesHost()->GetCanvas();
        c->Pen->SetColor(GetSeriesColor());
        c->Pen->SetWidth(PenWidth);
        c->Pen->SetStyle(psSolid);
        const int x = CalcXPos(index), y = CalcYPos(index);
        if (index > FirstValueIndex) c->LineWithZ(LastX, LastY, x, y, MiddleZ);
        LastX = x;
        LastY = y;
        Drawn.push_back(index);
        if (Order) Order->push_back(GetTitle() + IntToStr(index));
    }
    // A point within 3 pixels.
    int Clicked(int x, int y) override
    {
        for (int i = 0; i < Count(); ++i)
            if (std::abs(CalcXPos(i) - x) <= 3 && std::abs(CalcYPos(i) - y) <= 3) return i;
        return -1;
    }
    int PenWidth = 3;
    int LastX = 0, LastY = 0;
    std::vector<int> Drawn;
    std::vector<AnsiString>* Order = nullptr;
};

// A series that draws nothing along axes, as a pie does.
class NoAxisSeries : public LineTestSeries {
public:
    using LineTestSeries::LineTestSeries;
    bool UseAxis() const override { return false; }
};

// Logs the draw steps it is called at.
class StepTool : public TTeeCustomTool {
public:
    explicit StepTool(std::vector<std::string>& log) : Log(log) {}
    void ChartEvent(TChartToolEvent e) override
    {
        static const char* names[] = {"afterDraw", "beforeSeries", "beforeDraw", "beforeAxes", "afterSeries", "leave"};
        Log.push_back(names[e]);
    }
    void ChartMouseEvent(TChartMouseEvent e, TMouseButton, TShiftState, int, int) override
    {
        Log.push_back(e == cmeDown ? "down" : e == cmeUp ? "up" : "move");
        if (CancelDown && e == cmeDown) static_cast<TCustomTeePanel*>(SeriesPanelOf(ParentChart()))->CancelMouse = true;
    }
    std::vector<std::string>& Log;
    bool CancelDown = false;
};

// Records the series events the chart broadcasts.
class SeriesEventLog : public ITeeEventListener {
public:
    void TeeEvent(TTeeEvent* Event) override
    {
        if (auto* e = dynamic_cast<TTeeSeriesEvent*>(Event)) Events.push_back({e->Event, e->Series});
        if (dynamic_cast<TChartChangePage*>(Event)) ++PageChanges;
    }
    std::vector<std::pair<TChartSeriesEvent, TCustomChartSeries*>> Events;
    int PageChanges = 0;
};

class ChartControlTest : public ::testing::Test {
protected:
    ChartControlTest()
    {
        chart.resize(400, 300);
        chart.SetView3D(false);
        chart.SetColor(clWhite);
        chart.GetBevelOuter();
        chart.SetBevelOuter(bvNone);
        a = new LineTestSeries(&chart);
        b = new LineTestSeries(&chart);
        a->SetSeriesColor(clRed);
        b->SetSeriesColor(clBlue);
        for (int x = 0; x <= 10; ++x) {
            a->AddXY(x, x * 10);        // 0 .. 100 rising
            b->AddXY(x, 100 - x * 10);  // 100 .. 0 falling
        }
        chart.AddSeries(a);
        chart.AddSeries(b);
    }
    QImage Paint()
    {
        chart.Invalidate();
        chart.PaintWindow();
        return chart.WindowImage();
    }
    // Pixel of value (x, y) on the bottom and left axes after the last paint.
    QPoint At(double x, double y)
    {
        return QPoint(chart.BottomAxis()->CalcXPosValue(x), chart.LeftAxis()->CalcYPosValue(y));
    }
    void Press(Qt::MouseButton button, int x, int y)
    {
        SendMouse(&chart, QEvent::MouseButtonPress, x, y, button, button);
    }
    void Move(Qt::MouseButton button, int x, int y)
    {
        SendMouse(&chart, QEvent::MouseMove, x, y, Qt::NoButton, button);
    }
    void Release(Qt::MouseButton button, int x, int y)
    {
        SendMouse(&chart, QEvent::MouseButtonRelease, x, y, button, Qt::NoButton);
    }
    void Drag(Qt::MouseButton button, QPoint from, QPoint to)
    {
        Press(button, from.x(), from.y());
        Move(button, (from.x() + to.x()) / 2, (from.y() + to.y()) / 2);
        Move(button, to.x(), to.y());
        Release(button, to.x(), to.y());
    }

    TChart chart;
    LineTestSeries* a;
    LineTestSeries* b;
};

TEST_F(ChartControlTest, FullPaintDrawsAxesGridAndSeriesInsideTheChartRectangle)
{
    chart.GetLegend()->Hide();  // its symbols lie outside the chart rectangle
    const QImage img = Paint();
    const TRect r = chart.ChartRect;
    ASSERT_GT(r.Width(), 200);
    ASSERT_GT(r.Height(), 150);
    // The rising series is red, the falling one blue, each where its values lie.
    const QPoint red = At(2, 20), blue = At(2, 80);
    EXPECT_EQ(support::PixelAt(img, red.x(), red.y()), clRed);
    EXPECT_EQ(support::PixelAt(img, blue.x(), blue.y()), clBlue);
    EXPECT_EQ(support::PixelAt(img, At(8, 80).x(), At(8, 80).y()), clRed);
    // Both stay inside the chart rectangle (clipped to it).
    const QRect reds = support::BoundingBoxOf(img, clRed);
    EXPECT_GE(reds.left(), r.Left - 2);
    EXPECT_LE(reds.right(), r.Right + 2);
    EXPECT_GE(reds.top(), r.Top - 2);
    // The left and bottom axis lines are drawn along the rectangle's edges.
    EXPECT_EQ(support::PixelAt(img, r.Left, (r.Top + r.Bottom) / 2 + 3), clBlack);
    EXPECT_EQ(support::PixelAt(img, (r.Left + r.Right) / 2 + 3, r.Bottom), clBlack);
    // Outside the plot the panel colour remains.
    EXPECT_EQ(support::PixelAt(img, 1, 1), clWhite);
    EXPECT_EQ(a->Drawn.size(), 11u);
}

TEST_F(ChartControlTest, ToolsAndEventsRunAtTheirPointsOfTheDrawSequence)
{
    std::vector<std::string> log;
    StepTool tool(log);
    tool.SetParentChart(&chart);
    chart.OnBeforeDrawChart = [&](QObject*) { log.push_back("OnBeforeDrawChart"); };
    chart.OnBeforeDrawAxes = [&](QObject*) { log.push_back("OnBeforeDrawAxes"); };
    chart.OnBeforeDrawSeries = [&](QObject*) { log.push_back("OnBeforeDrawSeries"); };
    chart.OnAfterDraw = [&](QObject*) { log.push_back("OnAfterDraw"); };
    Paint();
    const std::vector<std::string> behind = {"beforeDraw",       "OnBeforeDrawChart", "beforeAxes",
                                             "OnBeforeDrawAxes", "beforeSeries",      "OnBeforeDrawSeries",
                                             "afterSeries",      "afterDraw",         "OnAfterDraw"};
    EXPECT_EQ(log, behind);
    log.clear();
    chart.SetAxisBehind(false);
    Paint();
    const std::vector<std::string> front = {"beforeDraw",         "OnBeforeDrawChart", "beforeSeries",
                                            "OnBeforeDrawSeries", "afterSeries",       "beforeAxes",
                                            "OnBeforeDrawAxes",   "afterDraw",         "OnAfterDraw"};
    EXPECT_EQ(log, front);
    // Without any visible axis the axes step draws nothing and asks nobody.
    log.clear();
    chart.SetAxisVisible(false);
    Paint();
    EXPECT_EQ(std::count(log.begin(), log.end(), "OnBeforeDrawAxes"), 0);
    tool.SetParentChart(nullptr);
}

TEST_F(ChartControlTest, AxesTakeTheirAutomaticRangeFromTheSeriesThatUseThem)
{
    b->SetVertAxis(aRightAxis);
    for (int x = 0; x <= 10; ++x) b->SetYValue(x, 500 + x);
    Paint();
    EXPECT_DOUBLE_EQ(chart.BottomAxis()->GetMinimum(), 0);
    EXPECT_DOUBLE_EQ(chart.BottomAxis()->GetMaximum(), 10);
    EXPECT_DOUBLE_EQ(chart.LeftAxis()->GetMinimum(), 0);
    EXPECT_DOUBLE_EQ(chart.LeftAxis()->GetMaximum(), 100);
    EXPECT_DOUBLE_EQ(chart.RightAxis()->GetMinimum(), 500);
    EXPECT_DOUBLE_EQ(chart.RightAxis()->GetMaximum(), 510);
    EXPECT_TRUE(chart.CalcIsAxisVisible(chart.RightAxis()));
    EXPECT_FALSE(chart.CalcIsAxisVisible(chart.TopAxis()));
    // An axis whose only series is inactive still ranges over it.
    b->SetActive(false);
    EXPECT_DOUBLE_EQ(chart.MinYValue(chart.RightAxis()), 500);
    EXPECT_DOUBLE_EQ(chart.MaxYValue(chart.RightAxis()), 510);
    // Active series win over inactive ones on a shared axis.
    b->SetVertAxis(aLeftAxis);
    EXPECT_DOUBLE_EQ(chart.MaxYValue(chart.LeftAxis()), 100);
    // No series on an axis: 0.
    EXPECT_DOUBLE_EQ(chart.MaxYValue(chart.RightAxis()), 0);
    // New points widen the range at the next paint.
    a->AddXY(20, 300);
    Paint();
    EXPECT_DOUBLE_EQ(chart.BottomAxis()->GetMaximum(), 20);
    EXPECT_DOUBLE_EQ(chart.LeftAxis()->GetMaximum(), 300);
}

TEST_F(ChartControlTest, AxesShowOnlyForSeriesThatUseThem)
{
    chart.RemoveAllSeries();
    EXPECT_EQ(chart.SeriesCount(), 0);
    EXPECT_TRUE(chart.CalcIsAxisVisible(chart.LeftAxis()));
    NoAxisSeries pie(&chart);
    pie.Add(3);
    chart.AddSeries(&pie);
    EXPECT_FALSE(chart.CalcIsAxisVisible(chart.LeftAxis()));
    EXPECT_FALSE(chart.CalcIsAxisVisible(chart.BottomAxis()));
    EXPECT_FALSE(chart.ActiveSeriesUseAxis());
    chart.AddSeries(a);
    chart.ExchangeSeries(0, 1);
    EXPECT_TRUE(chart.CalcIsAxisVisible(chart.LeftAxis()));
    EXPECT_TRUE(chart.ActiveSeriesUseAxis());
    // The depth axes follow View3D.
    chart.DepthAxis()->SetVisible(true);
    EXPECT_FALSE(chart.CalcIsAxisVisible(chart.DepthAxis()));
    chart.SetView3D(true);
    EXPECT_TRUE(chart.CalcIsAxisVisible(chart.DepthAxis()));
    chart.RemoveSeries(&pie);
}

TEST_F(ChartControlTest, SeriesMembershipIsBroadcastAndRepaints)
{
    SeriesEventLog log;
    chart.Listeners.Add(&log);
    auto* c = new LineTestSeries(&chart);
    c->SetTitle("Third");
    chart.AddSeries(c);
    chart.AddSeries(c);  // already in: nothing happens
    ASSERT_EQ(chart.SeriesCount(), 3);
    EXPECT_EQ(chart.GetSeries(2), c);
    EXPECT_EQ(c->ParentChart(), &chart);
    chart.ExchangeSeries(a, c);
    EXPECT_EQ(chart.GetSeries(0), c);
    chart.SeriesDown(c);
    EXPECT_EQ(chart.GetSeries(1), c);
    chart.SeriesUp(a);  // a is now last: goes up one
    EXPECT_EQ(chart.GetSeries(1), a);
    chart.RemoveSeries(c);
    EXPECT_EQ(chart.SeriesCount(), 2);
    EXPECT_EQ(c->ParentChart(), nullptr);
    // A series leaves its chart when it is freed.
    chart.AddSeries(c);
    delete c;
    EXPECT_EQ(chart.SeriesCount(), 2);
    chart.Listeners.Remove(&log);

    std::vector<TChartSeriesEvent> kinds;
    for (const auto& e : log.Events)
        if (e.first != seChangeColor) kinds.push_back(e.first);
    const std::vector<TChartSeriesEvent> expected = {seAdd, seSwap, seSwap, seSwap, seRemove, seAdd, seRemove};
    EXPECT_EQ(kinds, expected);
    EXPECT_EQ(chart.SeriesTitleLegend(0, true), a->GetTitle());
}

TEST_F(ChartControlTest, NewSeriesGetAFreePaletteColour)
{
    chart.ColorPalette = {clRed, clGreen, clBlue};
    auto* c = new LineTestSeries(&chart);
    chart.AddSeries(c);
    EXPECT_EQ(c->GetSeriesColor(), clGreen);
    // Every colour in use: the last palette entry.
    auto* d = new LineTestSeries(&chart);
    chart.AddSeries(d);
    EXPECT_EQ(d->GetSeriesColor(), clBlue);
    // The panel's and the back wall's colours count as used when asked to.
    chart.ColorPalette = {clWhite, clYellow};
    EXPECT_EQ(chart.GetFreeSeriesColor(true, nullptr), clYellow);
    EXPECT_EQ(chart.GetFreeSeriesColor(false, nullptr), clWhite);
    EXPECT_EQ(chart.GetDefaultColor(3), clYellow);
}

TEST_F(ChartControlTest, DragDownRightZoomsAndDragLeftUndoes)
{
    Paint();
    int zooms = 0, undos = 0;
    chart.OnZoom = [&](QObject*) { ++zooms; };
    chart.OnUndoZoom = [&](QObject*) { ++undos; };
    Drag(Qt::LeftButton, At(2, 80), At(6, 20));
    EXPECT_EQ(zooms, 1);
    EXPECT_TRUE(chart.Zoomed);
    EXPECT_FALSE(chart.GetZoom()->Active);
    EXPECT_NEAR(chart.BottomAxis()->GetMinimum(), 2, 0.05);
    EXPECT_NEAR(chart.BottomAxis()->GetMaximum(), 6, 0.05);
    EXPECT_NEAR(chart.LeftAxis()->GetMinimum(), 20, 0.5);
    EXPECT_NEAR(chart.LeftAxis()->GetMaximum(), 80, 0.5);
    EXPECT_FALSE(chart.LeftAxis()->GetAutomatic());
    // The zoomed paint shows the crossing at 5 / 50 in the middle of a wider plot.
    const QImage img = Paint();
    const QPoint p = At(5, 50);
    EXPECT_NE(support::PixelAt(img, p.x(), p.y()), clWhite);

    // While dragging, the rubber band shows in the window (in the zoom pen's colour over
    // the background colour); releasing removes it.
    {
        chart.GetZoom()->GetPen()->SetColor(clBlack);
        const QImage before = Paint().copy();
        const QPoint from = At(3, 72), to = At(5, 33);
        Press(Qt::LeftButton, from.x(), from.y());
        Move(Qt::LeftButton, to.x(), to.y());
        const QImage during = chart.grab().toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(support::PixelAt(during, from.x() + 7, from.y()), clBlack);
        EXPECT_EQ(support::PixelAt(during, to.x() - 1, to.y() - 5), clBlack);
        Release(Qt::LeftButton, from.x(), from.y());  // back to the start: too short to zoom
        EXPECT_EQ(chart.grab().toImage().convertToFormat(QImage::Format_RGB32), before);
    }
    // A second zoom keeps the scales of before the first.
    Drag(Qt::LeftButton, At(3, 70), At(5, 30));
    EXPECT_EQ(zooms, 2);
    Paint();
    Drag(Qt::LeftButton, At(5, 30), At(3, 70));
    EXPECT_EQ(undos, 1);
    EXPECT_FALSE(chart.Zoomed);
    EXPECT_TRUE(chart.LeftAxis()->GetAutomatic());
    EXPECT_TRUE(chart.BottomAxis()->GetAutomatic());
    Paint();
    EXPECT_DOUBLE_EQ(chart.BottomAxis()->GetMinimum(), 0);
    EXPECT_DOUBLE_EQ(chart.BottomAxis()->GetMaximum(), 10);
}

TEST_F(ChartControlTest, ShortDragsAndDisabledZoomLeaveTheAxes)
{
    Paint();
    const QPoint from = At(2, 80);
    const int minimum = chart.GetZoom()->MinimumPixels;
    Drag(Qt::LeftButton, from, from + QPoint(minimum, minimum));
    EXPECT_FALSE(chart.Zoomed);
    EXPECT_TRUE(chart.BottomAxis()->GetAutomatic());
    // Horizontal zoom needs only the horizontal move.
    chart.GetZoom()->Direction = tzdHorizontal;
    Drag(Qt::LeftButton, from, from + QPoint(minimum + 40, 2));
    EXPECT_TRUE(chart.Zoomed);
    EXPECT_NEAR(chart.LeftAxis()->GetMinimum(), 0, 0.5);
    EXPECT_NEAR(chart.LeftAxis()->GetMaximum(), 100, 0.5);
    EXPECT_NEAR(chart.BottomAxis()->GetMinimum(), 2, 0.05);
    chart.UndoZoom();
    // A right-to-left drag zooms when UpLeftZooms is set.
    chart.GetZoom()->UpLeftZooms = true;
    Paint();
    Drag(Qt::LeftButton, At(8, 50), At(4, 50));
    EXPECT_TRUE(chart.Zoomed);
    EXPECT_NEAR(chart.BottomAxis()->GetMinimum(), 4, 0.05);
    chart.UndoZoom();
    chart.GetZoom()->Allow = false;
    Paint();
    Drag(Qt::LeftButton, At(2, 80), At(6, 20));
    EXPECT_FALSE(chart.Zoomed);
}

TEST_F(ChartControlTest, RightDragPansAndUndoReturnsToTheScalesBeforeTheFirstZoom)
{
    Paint();
    int scrolls = 0;
    chart.OnScroll = [&](QObject*) { ++scrolls; };
    const QPoint from = At(5, 50);
    Press(Qt::RightButton, from.x(), from.y());
    Move(Qt::RightButton, from.x() + 20, from.y());
    Move(Qt::RightButton, from.x() + 40, from.y());
    Release(Qt::RightButton, from.x() + 40, from.y());
    EXPECT_EQ(scrolls, 2);
    // Dragging right by 40 pixels moves the view left by 40 pixels' worth of values.
    const double shift = chart.BottomAxis()->GetMinimum();
    EXPECT_LT(shift, -0.5);
    EXPECT_NEAR(chart.BottomAxis()->GetMaximum() - chart.BottomAxis()->GetMinimum(), 10, 1e-9);
    EXPECT_DOUBLE_EQ(chart.LeftAxis()->GetMinimum(), 0);

    // Back and forth past the start scrolls by the real moves only.
    Paint();
    const double before = chart.BottomAxis()->GetMinimum();
    Press(Qt::RightButton, from.x(), from.y());
    Move(Qt::RightButton, from.x() - 30, from.y());
    Move(Qt::RightButton, from.x() - 10, from.y());
    Move(Qt::RightButton, from.x(), from.y());
    Release(Qt::RightButton, from.x(), from.y());
    EXPECT_NEAR(chart.BottomAxis()->GetMinimum(), before, 1e-9);

    // Leaving the chart rectangle ends the drag; coming back does not resume it.
    Paint();
    const double held = chart.BottomAxis()->GetMinimum();
    Press(Qt::RightButton, from.x(), from.y());
    Move(Qt::RightButton, chart.ChartRect.Right + 20, from.y());
    Move(Qt::RightButton, from.x() + 30, from.y());
    Release(Qt::RightButton, from.x() + 30, from.y());
    EXPECT_DOUBLE_EQ(chart.BottomAxis()->GetMinimum(), held);

    // Zoom, pan, undo: the automatic scales of before the zoom.
    Paint();
    chart.UndoZoom();
    Paint();
    Drag(Qt::LeftButton, At(2, 80), At(6, 20));
    Paint();
    Drag(Qt::RightButton, At(4, 50), At(5, 40));
    chart.UndoZoom();
    EXPECT_TRUE(chart.BottomAxis()->GetAutomatic());
    EXPECT_TRUE(chart.LeftAxis()->GetAutomatic());
    EXPECT_FALSE(chart.ScalesSaved());

    // Vertical-only panning leaves the horizontal axes.
    Paint();
    chart.SetAllowPanning(pmVertical);
    Drag(Qt::RightButton, At(5, 50), At(6, 40));
    EXPECT_TRUE(chart.BottomAxis()->GetAutomatic());
    EXPECT_FALSE(chart.LeftAxis()->GetAutomatic());
}

TEST_F(ChartControlTest, WheelScrollsVerticalAxesByThreePercent)
{
    Paint();
    const QPointF pos(200, 150);
    QWheelEvent down(pos, chart.mapToGlobal(pos), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&chart, &down);
    EXPECT_DOUBLE_EQ(chart.LeftAxis()->GetMinimum(), 3);
    EXPECT_DOUBLE_EQ(chart.LeftAxis()->GetMaximum(), 103);
    EXPECT_TRUE(chart.BottomAxis()->GetAutomatic());
    QWheelEvent up(pos, chart.mapToGlobal(pos), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&chart, &up);
    EXPECT_DOUBLE_EQ(chart.LeftAxis()->GetMinimum(), 0);
    TeeUseMouseWheel = false;
    QCoreApplication::sendEvent(&chart, &up);
    TeeUseMouseWheel = true;
    EXPECT_DOUBLE_EQ(chart.LeftAxis()->GetMinimum(), 0);
}

TEST_F(ChartControlTest, ClicksReachTheHandlersAndACancelledClickStartsNoZoom)
{
    Paint();
    std::vector<std::string> log;
    StepTool tool(log);
    tool.SetParentChart(&chart);
    int seriesClicks = 0, backgroundClicks = 0;
    chart.OnClickSeries = [&](QObject*, TChartSeries* s, int index, TMouseButton, TShiftState, int, int) {
        EXPECT_EQ(s, a);
        EXPECT_EQ(index, 8);
        ++seriesClicks;
    };
    chart.OnClickBackground = [&](QObject*, TMouseButton, TShiftState, int, int) { ++backgroundClicks; };
    const QPoint point = At(8, 80);
    Press(Qt::LeftButton, point.x(), point.y());
    EXPECT_EQ(seriesClicks, 1);
    EXPECT_FALSE(chart.GetZoom()->Active);  // the handler left the cancel flag set
    Release(Qt::LeftButton, point.x(), point.y());
    // A handler that clears the flag lets the zoom start.
    chart.OnClickSeries = [&](QObject*, TChartSeries*, int, TMouseButton, TShiftState, int, int) {
        chart.CancelMouse = false;
    };
    Press(Qt::LeftButton, point.x(), point.y());
    EXPECT_TRUE(chart.GetZoom()->Active);
    Release(Qt::LeftButton, point.x(), point.y());
    // The background handler hears a click in the plot away from the series.
    const QPoint empty = At(1, 60);
    Press(Qt::LeftButton, empty.x(), empty.y());
    Release(Qt::LeftButton, empty.x(), empty.y());
    EXPECT_EQ(backgroundClicks, 1);
    // A tool that cancels the press hides it from everything else.
    tool.CancelDown = true;
    Press(Qt::LeftButton, empty.x(), empty.y());
    Release(Qt::LeftButton, empty.x(), empty.y());
    EXPECT_EQ(backgroundClicks, 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "down"), 4);
    EXPECT_EQ(std::count(log.begin(), log.end(), "up"), 4);

    // The series' own click events: a click, then a double click, on point 8.
    tool.CancelDown = false;
    chart.OnClickSeries = nullptr;
    std::vector<std::string> clicks;
    b->OnClick = [&](TChartSeries*, int index, TMouseButton, TShiftState, int, int) {
        clicks.push_back("click" + std::to_string(index));
    };
    b->OnDblClick = [&](TChartSeries*, int index, TMouseButton, TShiftState, int, int) {
        clicks.push_back("double" + std::to_string(index));
    };
    const QPoint onB = At(2, 80);
    Press(Qt::LeftButton, onB.x(), onB.y());
    Release(Qt::LeftButton, onB.x(), onB.y());
    SendMouse(&chart, QEvent::MouseButtonDblClick, onB.x(), onB.y(), Qt::LeftButton, Qt::LeftButton);
    Release(Qt::LeftButton, onB.x(), onB.y());
    EXPECT_EQ(clicks, (std::vector<std::string>{"click2", "double2"}));

    TChartClickedPart part;
    chart.CalcClickedPart(TPoint{point.x(), point.y()}, part);
    EXPECT_EQ(part.Part, cpSeries);
    chart.CalcClickedPart(TPoint{1, 1}, part);
    EXPECT_EQ(part.Part, cpNone);
    tool.SetParentChart(nullptr);
}

TEST_F(ChartControlTest, PagingSplitsTheMandatoryAxis)
{
    chart.RemoveAllSeries();
    auto* s = new LineTestSeries(&chart);
    for (int x = 0; x < 25; ++x) s->AddXY(x, x % 7);
    chart.AddSeries(s);
    SeriesEventLog log;
    chart.Listeners.Add(&log);
    int changes = 0;
    chart.OnPageChange = [&](QObject*) { ++changes; };
    chart.SetMaxPointsPerPage(10);
    EXPECT_EQ(chart.NumPages(), 3);
    chart.SetPage(7);
    EXPECT_EQ(chart.GetPage(), 3);
    EXPECT_EQ(changes, 1);
    chart.SetScaleLastPage(false);
    EXPECT_DOUBLE_EQ(chart.MinXValue(chart.BottomAxis()), 20);
    EXPECT_DOUBLE_EQ(chart.MaxXValue(chart.BottomAxis()), 28);
    chart.SetScaleLastPage(true);
    EXPECT_DOUBLE_EQ(chart.MaxXValue(chart.BottomAxis()), 24);
    chart.PreviousPage();
    EXPECT_EQ(chart.GetPage(), 2);
    chart.NextPage();
    chart.NextPage();
    EXPECT_EQ(chart.GetPage(), 3);
    EXPECT_THROW(chart.SetMaxPointsPerPage(-1), ChartException);
    EXPECT_EQ(chart.GetMaxPointsPerPage(), 10);
    chart.SetMaxPointsPerPage(0);
    EXPECT_EQ(chart.NumPages(), 1);
    EXPECT_EQ(chart.GetPage(), 1);
    EXPECT_GE(log.PageChanges, 3);
    chart.Listeners.Remove(&log);
}

TEST_F(ChartControlTest, PrintPagesPrintsEachPageAndRestoresTheCurrentOne)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("pages.pdf");
    auto device = std::make_unique<QPrinter>(QPrinter::HighResolution);
    device->setOutputFormat(QPrinter::PdfFormat);
    device->setOutputFileName(file);
    device->setResolution(150);
    TPrinter printer(std::move(device));
    SetPrinter(&printer);
    chart.SetName("graDataGraph");
    chart.SetMaxPointsPerPage(4);  // 11 points: 3 pages
    chart.SetPage(2);
    std::vector<int> pages;
    chart.OnPageChange = [&](QObject*) { pages.push_back(chart.GetPage()); };
    chart.PrintPages();
    SetPrinter(nullptr);
    EXPECT_EQ(pages, (std::vector<int>{1, 2, 3, 2}));
    EXPECT_EQ(chart.GetPage(), 2);
    EXPECT_EQ(printer.Title, "graDataGraph");
    QFile pdf(file);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray body = pdf.readAll();
    EXPECT_EQ(body.count("/Type /Page\n"), 3);
}

// A malformed tagged text in a legend item or a mark is measured and drawn as it stands
// instead of raising out of the paint.
TEST_F(ChartControlTest, MalformedHtmlTextsAreDrawnLiterally)
{
    a->SetTitle("a<b");
    chart.GetLegend()->SetTextFormat(ttfHtml);
    a->Marks()->SetVisible(true);
    a->Marks()->SetTextFormat(ttfHtml);
    a->OnGetMarkText = [](TChartSeries*, int, AnsiString& text) { text = "<font size=big>x"; };
    EXPECT_NO_THROW(Paint());
    chart.GetCanvas()->AssignFont(chart.GetLegend()->GetFont());
    EXPECT_GE(chart.GetLegend()->ShapeBounds.Width(), chart.GetCanvas()->TextWidth("a<b"));
}

// A printed chart looks like the one on the screen whatever the printer's resolution:
// labels, title and legend take the same share of the page.
TEST_F(ChartControlTest, PrintedChartKeepsTheScreenLayoutAtEveryResolution)
{
    chart.GetTitle()->SetCaption("Temperature");
    Paint();
    const TRect screen = chart.ChartRect;
    for (int dpi : {72, 300, 1200}) {
        SCOPED_TRACE(dpi);
        QTemporaryDir dir;
        auto device = std::make_unique<QPrinter>(QPrinter::HighResolution);
        device->setOutputFormat(QPrinter::PdfFormat);
        device->setOutputFileName(dir.filePath("chart.pdf"));
        device->setResolution(dpi);
        device->setPageSize(QPageSize(QSizeF(8, 6), QPageSize::Inch));
        device->setPageMargins(QMarginsF(0, 0, 0, 0));
        TPrinter printer(std::move(device));
        printer.BeginDoc();
        chart.PrintPartialCanvas(printer.Canvas(), TRect(0, 0, printer.PageWidth(), printer.PageHeight()));
        printer.EndDoc();
        // The layout is computed in the chart's own pixels (400 x 300) in both cases.
        EXPECT_NEAR(chart.ChartRect.Left, screen.Left, 12);
        EXPECT_NEAR(chart.ChartRect.Top, screen.Top, 9);
        EXPECT_NEAR(chart.ChartRect.Right, screen.Right, 12);
        EXPECT_NEAR(chart.ChartRect.Bottom, screen.Bottom, 9);
    }
}

TEST_F(ChartControlTest, DepthSettingsAreCheckedAndSizeTheWalls)
{
    try {
        chart.Set3DPercent(0);
        FAIL() << "no exception";
    } catch (const ChartException& e) {
        EXPECT_STREQ(e.what(), "3D effect percent must be between 1 and 100");
    }
    EXPECT_THROW(chart.Set3DPercent(101), ChartException);
    EXPECT_EQ(chart.GetChart3DPercent(), 15);
    // A depth axis with text labels spans the Z orders.
    EXPECT_DOUBLE_EQ(chart.MinXValue(chart.DepthAxis()), -0.5);
    chart.SetView3D(true);
    chart.GetView3DOptions()->SetOrthogonal(true);
    chart.GetView3DOptions()->SetOrthoAngle(45);
    Paint();
    EXPECT_EQ(chart.MaxZOrder, 1);
    EXPECT_DOUBLE_EQ(chart.DepthAxis()->GetMaximum(), 1.5);
    EXPECT_GT(chart.SeriesWidth3D, 0);
    EXPECT_EQ(chart.Width3D, 2 * chart.SeriesWidth3D);
    // Walls of 5 pixels; a visible right wall takes a further 6 pixels on the right.
    chart.GetWalls()->SetSize(5);
    Paint();
    const int right = chart.ChartRect.Right;
    chart.GetRightWall()->SetVisible(true);
    Paint();
    EXPECT_EQ(right - chart.ChartRect.Right, 6);
    EXPECT_EQ(chart.CalcWallSize(chart.LeftAxis()), 5);
    chart.SetView3DWalls(false);
    EXPECT_EQ(chart.CalcWallSize(chart.LeftAxis()), 0);

    // Angles whose tangent is huge keep the depth sizes within the pixel limit.
    chart.SetView3DWalls(true);
    for (int angle : {270, 90, -90, 89}) {
        chart.GetView3DOptions()->SetOrthoAngle(angle);
        Paint();
        for (int size : {chart.SeriesWidth3D, chart.SeriesHeight3D, chart.Width3D, chart.Height3D})
            EXPECT_LE(std::abs(std::int64_t(size)), TeeAxisPixelLimit) << angle;
    }
}

TEST_F(ChartControlTest, TitlesTakeTheirRoomUnlessEmptyOrPlaced)
{
    Paint();
    const TRect plain = chart.ChartRect;
    chart.GetTitle()->SetCaption("");
    Paint();
    EXPECT_EQ(chart.ChartRect.Top, plain.Top);
    chart.GetTitle()->SetCaption("Channel 1");
    Paint();
    const int h = chart.GetCanvas()->GetFontHeight();
    const TRect box = chart.GetTitle()->GetShapeBounds();
    // The distance plus the title's one-pixel frame.
    EXPECT_EQ(chart.ChartRect.Top, box.Bottom + TeeTitleFootDistance + 1);
    EXPECT_GT(chart.ChartRect.Top, plain.Top);
    // Text appears in the title's colour inside its box.
    const QImage img = chart.WindowImage();
    const QRect blue = support::BoundingBoxOf(img, clBlue);
    EXPECT_GE(blue.top(), box.Top);
    EXPECT_LE(blue.top(), box.Top + h);
    EXPECT_TRUE(chart.GetTitle()->Clicked((box.Left + box.Right) / 2, (box.Top + box.Bottom) / 2));
    // At a custom position it takes no room.
    chart.GetTitle()->SetLeft(10);
    Paint();
    EXPECT_EQ(chart.ChartRect.Top, plain.Top);
    // A foot of two lines: the first line is the lowest.
    chart.GetFoot()->SetText({"Low", "High"});
    Paint();
    EXPECT_LT(chart.ChartRect.Bottom, plain.Bottom);
    EXPECT_EQ(chart.AxisTitleOrName(chart.LeftAxis()), TeeMsg_LeftAxis);
    chart.LeftAxis()->GetTitle()->SetCaption("Temperature");
    EXPECT_EQ(chart.AxisTitleOrName(chart.LeftAxis()), "Temperature");
    EXPECT_EQ(chart.AxisTitleOrName(chart.TopAxis()), TeeMsg_TopAxis);
}

TEST_F(ChartControlTest, ZoomPercentAndAnimatedZoomEndOnTheirTargets)
{
    Paint();
    int zooms = 0;
    chart.OnZoom = [&](QObject*) { ++zooms; };
    chart.ZoomPercent(100);
    EXPECT_EQ(zooms, 1);
    EXPECT_TRUE(chart.ScalesSaved());
    EXPECT_DOUBLE_EQ(chart.LeftAxis()->GetMinimum(), 0);
    EXPECT_DOUBLE_EQ(chart.LeftAxis()->GetMaximum(), 100);
    chart.ZoomPercent(110);
    EXPECT_DOUBLE_EQ(chart.LeftAxis()->GetMinimum(), 10);
    EXPECT_DOUBLE_EQ(chart.LeftAxis()->GetMaximum(), 90);
    EXPECT_DOUBLE_EQ(chart.BottomAxis()->GetMinimum(), 1);
    chart.UndoZoom();
    EXPECT_TRUE(chart.LeftAxis()->GetAutomatic());

    chart.GetZoom()->Animated = true;
    chart.GetZoom()->AnimatedSteps = 4;
    Paint();
    chart.ZoomRect(TRect(At(2, 80).x(), At(2, 80).y(), At(6, 20).x(), At(6, 20).y()));
    EXPECT_EQ(zooms, 3);
    EXPECT_NEAR(chart.BottomAxis()->GetMinimum(), 2, 0.05);
    EXPECT_NEAR(chart.BottomAxis()->GetMaximum(), 6, 0.05);
}

TEST_F(ChartControlTest, WallsDrawBehindTheSeriesUnlessHidden)
{
    chart.SetView3D(true);
    chart.GetView3DOptions()->SetOrthogonal(true);
    QImage img = Paint();
    const TColor leftWall = chart.GetLeftWall()->GetColor();
    EXPECT_GT(support::CountColor(img, leftWall), 100);
    EXPECT_GT(support::CountColor(img, clWhite), 100);
    // The series are drawn over the walls, at the depth of their slot.
    const QPoint at = At(8, 80);
    const TPoint red = chart.GetCanvas()->Calculate3DPosition(at.x(), at.y(), a->MiddleZ);
    EXPECT_EQ(support::PixelAt(img, red.X, red.Y), clRed);
    chart.GetLeftWall()->SetAutoHide(true);
    img = Paint();
    EXPECT_EQ(support::CountColor(img, leftWall), 0);
    chart.GetLeftWall()->SetAutoHide(false);
    chart.SetView3DWalls(false);
    img = Paint();
    EXPECT_EQ(support::CountColor(img, leftWall), 0);
    // A solid back wall colours the plot in 2D.
    chart.SetView3D(false);
    chart.SetView3DWalls(true);
    chart.GetBackWall()->SetTransparent(false);
    chart.GetBackWall()->SetColor(clYellow);
    img = Paint();
    EXPECT_EQ(support::PixelAt(img, At(1.5, 65).x(), At(1.5, 65).y()), clYellow);
    EXPECT_EQ(chart.GetBackColor(), clYellow);
    EXPECT_FALSE(chart.IsFreeSeriesColor(clYellow, true, nullptr));
}

TEST_F(ChartControlTest, CircularSourcesAreRefusedAndSettingsCopy)
{
    auto* c = new LineTestSeries(&chart);
    chart.AddSeries(c);
    c->SetDataSource(a);
    EXPECT_EQ(c->Count(), a->Count());
    EXPECT_THROW(chart.CheckOtherSeries(a, c), ChartException);
    EXPECT_THROW(a->SetDataSource(c), ChartException);
    EXPECT_FALSE(chart.IsValidDataSource(a, a));

    TChart other;
    other.Set3DPercent(40);
    other.SetAxisBehind(false);
    other.GetTitle()->SetCaption("Copied");
    other.LeftAxis()->SetMinMax(5, 6);
    other.GetCustomAxes()->Add();
    chart.Assign(&other);
    EXPECT_EQ(chart.GetChart3DPercent(), 40);
    EXPECT_FALSE(chart.GetAxisBehind());
    EXPECT_EQ(chart.GetTitle()->GetCaption(), "Copied");
    EXPECT_DOUBLE_EQ(chart.LeftAxis()->GetMaximum(), 6);
    EXPECT_EQ(chart.GetCustomAxes()->Count(), 1);
    EXPECT_EQ(chart.SeriesCount(), 3);  // series are not copied
}

TEST_F(ChartControlTest, SeriesSharingADepthSlotDrawPointByPointIn3D)
{
    std::vector<AnsiString> order;
    a->SetTitle("a");
    b->SetTitle("b");
    a->Order = b->Order = &order;
    chart.SetView3D(true);
    Paint();
    // Own slots: the first series stands at the back and is drawn first.
    ASSERT_EQ(order.size(), 22u);
    EXPECT_EQ(order.front(), "a0");
    EXPECT_EQ(order.back(), "b10");
    EXPECT_GT(a->StartZ, b->StartZ);
    EXPECT_EQ(b->StartZ, 0);
    order.clear();
    a->SetZOrder(0);
    b->SetZOrder(0);
    Paint();
    ASSERT_EQ(order.size(), 22u);
    EXPECT_EQ(order[0], "a0");
    EXPECT_EQ(order[1], "b0");
    EXPECT_EQ(order[21], "b10");
    // Without Z ordering each series draws on its own again.
    order.clear();
    chart.ApplyZOrder = false;
    Paint();
    EXPECT_EQ(order[0], "a0");
    EXPECT_EQ(order[1], "a1");

    auto* c = new LineTestSeries(&chart);
    chart.AddSeries(c);
    c->SetDataSource(a);
    std::vector<AnsiString> names;
    chart.FillValueSourceItems(c->YValues(), [&](const AnsiString& n) { names.push_back(n); });
    EXPECT_EQ(names.size(), a->ValuesList().Count() > 0 ? std::size_t(a->ValuesList().Count()) : 0u);
    names.clear();
    chart.FillValueSourceItems(a->YValues(), [&](const AnsiString& n) { names.push_back(n); });
    EXPECT_TRUE(names.empty());
}

TEST_F(ChartControlTest, SimpleChartMatchesTheGoldenImage)
{
    chart.GetTitle()->SetCaption("Two series");
    chart.GetLegend()->Hide();
    EXPECT_MATCHES_GOLDEN(Paint(), "chart_two_series.png");
}

}  // namespace
