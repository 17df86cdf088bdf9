#pragma once
// A chart with its standard axes on a recording canvas, scaled so that a value maps to a
// pixel by a simple rule: X 0..400 -> 50..450, Y 0..300 -> 320..20.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chart/engine/TChartAxis.h"
#include "chart/engine/TChartSeries.h"
#include "support/FakeChartHost.h"
#include "support/RecordingCanvas.h"

class SeriesChartTest : public ::testing::Test {
protected:
    SeriesChartTest()
    {
        chart.Canvas = &canvas;
        chart.CreateStandardAxes();
        Scale(0, 400, 0, 300);
    }

    TChartAxis* Bottom() { return chart.AxesList.BottomAxis(); }
    TChartAxis* Left() { return chart.AxesList.LeftAxis(); }

    void Scale(double xMin, double xMax, double yMin, double yMax)
    {
        Bottom()->SetMinMax(xMin, xMax);
        Left()->SetMinMax(yMin, yMax);
        chart.CalcAxisPositions();
    }

    // The chart's drawing of one series: visible range, then the values.
    void Draw(TChartSeries& s)
    {
        canvas.Clear();
        s.CalcFirstLastVisibleIndex();
        if (s.FirstValueIndex == -1) return;
        s.DoBeforeDrawValues();
        s.DrawAllValues();
    }

    // The pen moves and line calls, in order.
    std::vector<std::string> Lines() const
    {
        std::vector<std::string> out;
        for (const std::string& c : canvas.Calls)
            if (c.rfind("MoveTo", 0) == 0 || c.rfind("LineTo", 0) == 0) out.push_back(c);
        return out;
    }

    int CountCalls(const std::string& prefix) const
    {
        return static_cast<int>(canvas.CallsStartingWith(prefix).size());
    }

    support::TRecordingCanvas canvas;
    FakeChartHost chart;
};
