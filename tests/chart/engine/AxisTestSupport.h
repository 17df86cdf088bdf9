#pragma once
// A chart with its six standard axes drawn on a recording canvas, and small helpers for
// the axis tests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chart/engine/TChartAxis.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TCustomTeePanel.h"
#include "support/FakeChartHost.h"
#include "support/RecordingCanvas.h"

class AxisChartTest : public ::testing::Test {
protected:
    // The axes and their framed boxes draw on the recording canvas, which the panel owns.
    AxisChartTest() : canvas(*new support::TRecordingCanvas)
    {
        panel.SetInternalCanvas(&canvas);
        chart.Panel = &panel;
        chart.Canvas = &canvas;
        chart.CreateStandardAxes();
    }

    TChartAxis* Bottom() { return chart.AxesList.BottomAxis(); }
    TChartAxis* Top() { return chart.AxesList.TopAxis(); }
    TChartAxis* Left() { return chart.AxesList.LeftAxis(); }
    TChartAxis* Right() { return chart.AxesList.RightAxis(); }
    TChartAxis* Depth() { return chart.AxesList.DepthAxis(); }
    TChartAxis* DepthTop() { return chart.AxesList.DepthTopAxis(); }

    // A fixed range on the axis with the positions of the chart rectangle.
    void Scale(TChartAxis* axis, double minimum, double maximum)
    {
        axis->SetMinMax(minimum, maximum);
        axis->AdjustMaxMin();
        axis->InternalCalcPositions();
    }

    // The texts drawn, in drawing order.
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> out;
        for (const std::string& call : canvas.CallsStartingWith("TextOut3D(")) {
            const auto open = call.find('"');
            out.push_back(call.substr(open + 1, call.rfind('"') - open - 1));
        }
        return out;
    }

    TCustomTeePanel panel;
    FakeChartHost chart;
    support::TRecordingCanvas& canvas;
};
