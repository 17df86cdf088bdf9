// The chart image, clip series and series animation tools.
#include <array>
#include <cmath>
#include <stdexcept>

#include "ToolChartFixture.h"
#include "chart/series/TChartImageTool.h"
#include "chart/series/TClipSeriesTool.h"
#include "chart/series/TGridTransposeTool.h"
#include "chart/series/TSeriesAnimationTool.h"
#include "chart/series/TSurfaceSeries.h"

namespace {

using SeriesToolsTest = ToolChartTest;

// Steps come only when the test ticks.
class ManualTimer : public TAnimationTimer {
public:
    void Start(std::function<void()> Tick) override { FTick = std::move(Tick); }
    void Stop() override { FTick = nullptr; }
    bool Running() const { return static_cast<bool>(FTick); }
    void Fire()
    {
        if (FTick) FTick();
    }
    // Ticks until the animation stops (at most limit times); answers the ticks.
    int RunOut(int limit = 100000)
    {
        int n = 0;
        while (FTick && n < limit) {
            FTick();
            ++n;
        }
        return n;
    }

private:
    std::function<void()> FTick;
};

// A new animation tool of the chart on Series, with its timer.
struct Animation {
    TSeriesAnimationTool* tool;
    ManualTimer* timer;
};
Animation AddAnimation(TChart& chart, TChartSeries* Series)
{
    auto* tool = new TSeriesAnimationTool(&chart);
    chart.Tools()->Add(tool);
    auto owned = std::make_unique<ManualTimer>();
    ManualTimer* timer = owned.get();
    tool->SetTimer(std::move(owned));
    tool->SetSeries(Series);
    return {tool, timer};
}

TEST_F(SeriesToolsTest, ImageFillsThePlotRectangleAndFollowsItsSeries)
{
    auto* tool = new TChartImageTool(&chart);
    chart.Tools()->Add(tool);
    const QImage bare = Paint();
    EXPECT_EQ(Paint(), bare);  // no picture: nothing drawn

    TBitmap red;
    red.SetSize(4, 4);
    red.Image().fill(QColor(255, 0, 0));
    tool->GetPicture()->SetGraphic(&red);
    QImage img = Paint();
    EXPECT_EQ(At(img, X(3), Y(37)), clRed);
    EXPECT_EQ(At(img, X(9.7), Y(93)), clRed);
    EXPECT_NE(At(img, chart.ChartRect.Left - 5, Y(50)), clRed);

    // With a series it covers the series' range only.
    series->Clear();
    series->AddXY(2, 20);
    series->AddXY(6, 60);
    tool->SetSeries(series);
    img = Paint();
    EXPECT_EQ(At(img, X(4), Y(43)), clRed);
    EXPECT_NE(At(img, X(8), Y(43)), clRed);
    EXPECT_NE(At(img, X(4), Y(80)), clRed);
}

TEST_F(SeriesToolsTest, ClipToolKeepsTheSeriesInsideItsAxes)
{
    chart.SetClipPoints(false);
    series->Clear();
    series->AddXY(5, 50);
    series->AddXY(5, 150);
    series->SetSeriesColor(clRed);
    const auto above = [&](const QImage& img) { return At(img, X(5), chart.ChartRect.Top - 10); };
    EXPECT_EQ(above(Paint()), clRed);
    auto* tool = new TClipSeriesTool(&chart);
    chart.Tools()->Add(tool);
    tool->SetSeries(series);
    const QImage img = Paint();
    EXPECT_NE(above(img), clRed);
    EXPECT_EQ(At(img, X(5), Y(80)), clRed);
    // The series left behind draws unclipped again.
    tool->SetSeries(nullptr);
    EXPECT_EQ(above(Paint()), clRed);
}

TEST_F(SeriesToolsTest, AnimationGrowsGroupByGroupAndRestoresTheValues)
{
    series->Clear();
    for (int i = 0; i < 10; ++i) series->AddXY(i, 10 + i * 5);
    const auto values = [&] {
        std::vector<double> v;
        for (int i = 0; i < series->Count(); ++i) v.push_back(series->GetyValue(i));
        return v;
    };
    const std::vector<double> before = values();
    auto [tool, timer] = AddAnimation(chart, series);
    tool->SetSteps(4);
    tool->SetDrawEvery(3);
    std::vector<int> steps;
    tool->OnStep = [&](TSeriesAnimationTool*, int step) { steps.push_back(step); };

    tool->Execute();
    EXPECT_TRUE(tool->Running());
    EXPECT_DOUBLE_EQ(series->GetyValue(9), 10);  // every value starts at the minimum
    timer->Fire();
    timer->Fire();
    // Half way through the first group: only the first three points have grown.
    EXPECT_DOUBLE_EQ(series->GetyValue(1), 10 + 0.25 * 5);
    EXPECT_DOUBLE_EQ(series->GetyValue(4), 10);
    tool->Execute();  // running: nothing
    timer->RunOut();
    EXPECT_FALSE(tool->Running());
    EXPECT_EQ(steps.size(), 4u * 5u);  // four groups (the last of one point), steps 0..4
    EXPECT_EQ(values(), before);

    // Stopped half way, the series has its values back at once.
    tool->SetDrawEvery(0);
    tool->SetLoop(salCircular);
    tool->Execute();
    timer->Fire();
    timer->Fire();
    EXPECT_NE(values(), before);
    tool->Stop();
    EXPECT_FALSE(tool->Running());
    EXPECT_FALSE(timer->Running());
    EXPECT_EQ(values(), before);

    // Steps 0 counts as one step: no division by zero.
    tool->SetSteps(0);
    tool->SetLoop(salNo);
    tool->Execute();
    timer->RunOut();
    for (double v : values()) EXPECT_TRUE(std::isfinite(v));
    EXPECT_EQ(values(), before);
}

TEST_F(SeriesToolsTest, AnimationStopsWhenItsSeriesOrItselfIsFreed)
{
    auto [tool, timer] = AddAnimation(chart, series);
    tool->Execute();
    timer->Fire();
    delete series;
    series = nullptr;
    timer->Fire();
    EXPECT_FALSE(tool->Running());

    // A tool freed during the run gives the series its values back.
    auto* other = new TLineSeries(&chart);
    other->AddXY(0, 10);
    other->AddXY(1, 30);
    chart.AddSeries(other);
    tool->SetSeries(other);
    tool->Execute();
    timer->Fire();
    timer->Fire();
    EXPECT_NE(other->GetyValue(1), 30);
    delete tool;
    EXPECT_DOUBLE_EQ(other->GetyValue(1), 30);
}

TEST_F(SeriesToolsTest, AnimationRunsAgainAfterAStepHandlerThrew)
{
    auto [tool, timer] = AddAnimation(chart, series);
    tool->SetSteps(2);
    series->AddXY(20, 40);
    tool->OnStep = [](TSeriesAnimationTool*, int) { throw std::runtime_error("step failed"); };
    tool->Execute();
    EXPECT_THROW(timer->Fire(), std::runtime_error);
    // The failed step does not leave the tool believing it is still inside one.
    tool->Stop();
    EXPECT_FALSE(tool->Running());
    EXPECT_DOUBLE_EQ(series->GetyValue(2), 40);

    int steps = 0;
    tool->OnStep = [&](TSeriesAnimationTool*, int) { ++steps; };
    tool->Execute();
    EXPECT_TRUE(tool->Running());
    timer->RunOut();
    EXPECT_FALSE(tool->Running());
    EXPECT_EQ(steps, 3);
}

TEST_F(SeriesToolsTest, GridTransposeSwapsXAndZAndTwiceGivesTheGridBack)
{
    auto* grid = new TSurfaceSeries(&chart);
    chart.AddSeries(grid);
    for (int x = 0; x < 3; ++x)
        for (int z = 0; z < 2; ++z) grid->AddXYZ(x, 10 * x + z, z + 5, "p", clRed);
    const auto points = [&] {
        std::vector<std::array<double, 3>> p;
        for (int i = 0; i < grid->Count(); ++i)
            p.push_back({grid->GetxValue(i), grid->GetyValue(i), grid->GetZValue(i)});
        return p;
    };
    const auto before = points();
    auto* tool = new TGridTransposeTool(&chart);
    chart.Tools()->Add(tool);
    tool->Transpose();  // no series: nothing
    EXPECT_EQ(points(), before);

    tool->SetSeries(grid);
    tool->SetActive(false);
    tool->Transpose();
    EXPECT_EQ(points(), before);
    tool->SetActive(true);
    tool->Transpose();
    ASSERT_EQ(grid->Count(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(grid->GetxValue(i), before[i][2]);
        EXPECT_EQ(grid->GetyValue(i), before[i][1]);
        EXPECT_EQ(grid->GetZValue(i), before[i][0]);
    }
    // Labels and point colours do not come along.
    EXPECT_EQ(grid->GetXLabel(0), "");
    EXPECT_NE(grid->InternalColor(0), clRed);
    tool->Transpose();
    EXPECT_EQ(points(), before);

    delete grid;
    EXPECT_EQ(tool->Series(), nullptr);
}

}  // namespace
