#pragma once
// A real chart painted offscreen (400 x 300, 2D, white, axes 0..10 and 0..100, one line
// series), with mouse events sent through Qt as a user's would arrive.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMouseEvent>

#include "chart/engine/TChartAxis.h"
#include "chart/engine/TCustomChart.h"
#include "chart/series/TLineSeries.h"
#include "support/PixelProbe.h"

class ToolChartTest : public ::testing::Test {
protected:
    ToolChartTest()
    {
        chart.resize(400, 300);
        chart.SetView3D(false);
        chart.SetColor(clWhite);
        chart.SetBevelOuter(bvNone);
        series = new TLineSeries(&chart);
        series->AddXY(0, 0);
        series->AddXY(10, 0);
        chart.AddSeries(series);
        chart.BottomAxis()->SetMinMax(0, 10);
        chart.BottomAxis()->SetAutomatic(false);
        chart.LeftAxis()->SetMinMax(0, 100);
        chart.LeftAxis()->SetAutomatic(false);
        Paint();
    }
    // Draws the chart anew; answers what the window shows.
    QImage Paint()
    {
        chart.Invalidate();
        chart.PaintWindow();
        return chart.WindowImage();
    }
    // What the window shows now, without drawing.
    QImage Shown() const { return chart.WindowImage().copy(); }
    int X(double v) { return chart.BottomAxis()->CalcXPosValue(v); }
    int Y(double v) { return chart.LeftAxis()->CalcYPosValue(v); }
    TColor At(const QImage& img, int x, int y) { return support::PixelAt(img, x, y); }
    void Send(QEvent::Type type, int x, int y, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        const QPointF local(x, y);
        QMouseEvent ev(type, local, chart.mapToGlobal(local), button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(&chart, &ev);
    }
    void Press(int x, int y, Qt::MouseButton b = Qt::LeftButton) { Send(QEvent::MouseButtonPress, x, y, b, b); }
    void Move(int x, int y) { Send(QEvent::MouseMove, x, y, Qt::NoButton, Qt::LeftButton); }
    void Release(int x, int y, Qt::MouseButton b = Qt::LeftButton)
    {
        Send(QEvent::MouseButtonRelease, x, y, b, Qt::NoButton);
    }
    void Drag(int x0, int y0, int x1, int y1)
    {
        Press(x0, y0);
        Move(x1, y1);
        Release(x1, y1);
    }

    TChart chart;
    TLineSeries* series;
};
