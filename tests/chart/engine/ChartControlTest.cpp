// The chart control in a window: a full paint of axes and series, zoom and panning through
// the widget's mouse handling, the wheel, series membership events, automatic axis ranges
// and the titles' room.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QWheelEvent>
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
    }
    int PenWidth = 3;
    int LastX = 0, LastY = 0;
    std::vector<int> Drawn;
};

// A series that draws nothing along axes, as a pie does.
class NoAxisSeries : public LineTestSeries {
public:
    using LineTestSeries::LineTestSeries;
    bool UseAxis() const override { return false; }
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
    void Press(Qt::MouseButton button, int x, int y) { SendMouse(&chart, QEvent::MouseButtonPress, x, y, button, button); }
    void Move(Qt::MouseButton button, int x, int y) { SendMouse(&chart, QEvent::MouseMove, x, y, Qt::NoButton, button); }
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

TEST_F(ChartControlTest, SmokePaint)
{
    QImage img = Paint();
    img.save("/tmp/chart_smoke.png");
}

}  // namespace
