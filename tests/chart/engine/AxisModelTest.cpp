// The axis model: construction and ownership, setters and their checks, copying, the
// storage rules, the depth axes, the axis lists and the axis tool.
#include <limits>

#include "AxisTestSupport.h"
#include "chart/engine/ChartExceptions.h"
#include "chart/engine/TChartAxes.h"
#include "chart/engine/TTeeCustomTool.h"

using AxisModelTest = AxisChartTest;

TEST_F(AxisModelTest, StandardAxesBelongToNoCollectionAndTheSeventhIsACustomAxis)
{
    ASSERT_EQ(chart.AxesList.Count(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(chart.AxesList[i]->Collection(), nullptr);
        EXPECT_FALSE(chart.AxesList[i]->IsCustom());
    }
    TChartAxis* custom = chart.CustomAxesList.Add();
    EXPECT_EQ(custom->Collection(), &chart.CustomAxesList);
    EXPECT_EQ(chart.CustomAxesList.Count(), 1);
    EXPECT_EQ(chart.AxesList.IndexOf(custom), 6);
    EXPECT_TRUE(custom->IsCustom());
    EXPECT_TRUE(custom->IsPropertyStored("Horizontal"));
    EXPECT_FALSE(Bottom()->IsPropertyStored("Horizontal"));

    chart.CustomAxesList.Delete(0);
    EXPECT_EQ(chart.CustomAxesList.Count(), 0);
    EXPECT_EQ(chart.AxesList.Count(), 6);
}

TEST_F(AxisModelTest, FreeingACustomAxisMovesItsSeriesBackToTheStandardAxes)
{
    TChartSeries series;
    series.SetParentChart(&chart);
    TChartAxis* horiz = chart.CustomAxesList.Add();
    horiz->SetHorizontal(true);
    TChartAxis* vert = chart.CustomAxesList.Add();
    series.SetCustomHorizAxis(horiz);
    series.SetCustomVertAxis(vert);
    EXPECT_EQ(series.GetHorizAxis(), horiz);
    EXPECT_EQ(series.GetVertAxis(), vert);

    delete horiz;
    delete vert;
    EXPECT_EQ(series.GetHorizAxisKind(), aBottomAxis);
    EXPECT_EQ(series.GetVertAxisKind(), aLeftAxis);
    EXPECT_EQ(series.GetHorizAxis(), Bottom());
    EXPECT_EQ(series.GetVertAxis(), Left());
    EXPECT_EQ(chart.CustomAxesList.Count(), 0);
}

TEST_F(AxisModelTest, AnglesKeepTheirSignModulo360AndZeroDepthReadsBackAsSet)
{
    Bottom()->SetLabelsAngle(450);
    EXPECT_EQ(Bottom()->GetLabelsAngle(), 90);
    Bottom()->SetLabelsAngle(-90);
    EXPECT_EQ(Bottom()->GetLabelsAngle(), -90);
    Left()->GetTitle()->SetAngle(-450);
    EXPECT_EQ(Left()->GetTitle()->GetAngle(), -90);
    EXPECT_TRUE(Left()->GetTitle()->IsPropertyStored("Angle"));
    Left()->GetTitle()->SetAngle(90);
    EXPECT_FALSE(Left()->GetTitle()->IsPropertyStored("Angle"));

    Bottom()->SetZPosition(0);
    EXPECT_DOUBLE_EQ(Bottom()->GetZPosition(), 0.01);
    EXPECT_FALSE(Bottom()->IsPropertyStored("ZPosition"));
    Bottom()->SetZPosition(5);
    EXPECT_TRUE(Bottom()->IsPropertyStored("ZPosition"));
    // The far side stores every depth but 100; depth axes never store it.
    EXPECT_FALSE(Top()->IsPropertyStored("ZPosition"));
    Top()->SetZPosition(50);
    EXPECT_TRUE(Top()->IsPropertyStored("ZPosition"));
    EXPECT_FALSE(Depth()->IsPropertyStored("ZPosition"));
}

TEST_F(AxisModelTest, RefusedSettingsRaiseAndKeepTheValue)
{
    TChartAxis* axis = Left();
    EXPECT_THROW(axis->SetLabelsSeparation(-1), AxisException);
    EXPECT_EQ(axis->GetLabelsSeparation(), 10);
    EXPECT_THROW(axis->SetDesiredIncrement(-0.5), AxisException);
    EXPECT_THROW(axis->SetDesiredIncrement(std::numeric_limits<double>::quiet_NaN()), AxisException);
    EXPECT_EQ(axis->GetIncrement(), 0);
    for (double base : {1.0, 0.0, -2.0, std::numeric_limits<double>::infinity()})
        EXPECT_THROW(axis->SetLogarithmicBase(base), AxisException) << base;
    EXPECT_EQ(axis->GetLogarithmicBase(), 10);

    axis->SetMinMax(0, 10);
    EXPECT_THROW(axis->SetMinimum(11), AxisException);
    EXPECT_THROW(axis->SetMaximum(-1), AxisException);
    EXPECT_EQ(axis->GetMinimum(), 0);
    EXPECT_EQ(axis->GetMaximum(), 10);
    try {
        axis->SetMinimum(11);
    } catch (const AxisException& e) {
        EXPECT_STREQ(e.what(), "Axis Minimum Value must be <= Maximum");
    }

    // Ends that are not finite are refused with the same texts, by every setter and by a
    // scroll that would run off the range of numbers.
    const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    auto message = [](auto&& call) {
        try {
            call();
        } catch (const AxisException& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    const std::string minText = "Axis Minimum Value must be <= Maximum",
                      maxText = "Axis Maximum Value must be >= Minimum";
    for (double bad : {nan, -inf, inf}) {
        EXPECT_EQ(message([&] { axis->SetMinimum(bad); }), minText) << bad;
        EXPECT_EQ(message([&] { axis->SetMaximum(bad); }), maxText) << bad;
        EXPECT_EQ(message([&] { axis->SetMinMax(bad, 5); }), minText) << bad;
        EXPECT_EQ(message([&] { axis->SetMinMax(0, bad); }), maxText) << bad;
        EXPECT_EQ(message([&] { axis->Scroll(bad, false); }), minText) << bad;
    }
    axis->SetMinMax(0, 1e308);
    EXPECT_EQ(message([&] { axis->Scroll(1e308, false); }), maxText);
    EXPECT_EQ(axis->GetMinimum(), 0);
    EXPECT_EQ(axis->GetMaximum(), 1e308);
}

TEST_F(AxisModelTest, LogarithmicScaleIsRefusedForNegativeRangesAndDateTimes)
{
    TChartSeries series;
    series.SetParentChart(&chart);
    series.AddXY(1, -5);
    series.AddXY(2, 50);
    EXPECT_THROW(Left()->SetLogarithmic(true), AxisException);
    EXPECT_FALSE(Left()->GetLogarithmic());
    // Still a linear mapping.
    Left()->InternalCalcPositions();
    EXPECT_EQ(Left()->CalcYPosValue(-5), chart.ChartRect.Bottom);

    series.XValues()->SetDateTime(true);
    EXPECT_THROW(Bottom()->SetLogarithmic(true), AxisException);
    series.XValues()->SetDateTime(false);
    Bottom()->SetLogarithmic(true);
    EXPECT_TRUE(Bottom()->GetLogarithmic());
}

TEST_F(AxisModelTest, AutomaticFlagsFollowEachOther)
{
    TChartAxis* axis = Left();
    axis->SetAutomaticMaximum(false);
    EXPECT_FALSE(axis->GetAutomatic());
    axis->SetAutomaticMinimum(true);
    EXPECT_FALSE(axis->GetAutomatic());
    axis->SetAutomaticMaximum(true);
    EXPECT_TRUE(axis->GetAutomatic());
    axis->SetAutomatic(false);
    EXPECT_FALSE(axis->GetAutomaticMinimum());
    EXPECT_FALSE(axis->GetAutomaticMaximum());

    axis->SetMinMax(10, 5);
    EXPECT_EQ(axis->GetMinimum(), 5);
    EXPECT_EQ(axis->GetMaximum(), 10);
    EXPECT_FALSE(axis->GetAutomatic() || axis->GetAutomaticMinimum() || axis->GetAutomaticMaximum());
    EXPECT_TRUE(axis->IsPropertyStored("Minimum"));
    axis->SetMinMax(3, 3);
    EXPECT_EQ(axis->GetMaximum(), 3 + MinAxisRange);
}

TEST_F(AxisModelTest, CustomAxesFollowTheirScaleMasterAndARingEnds)
{
    TChartAxis* a = chart.CustomAxesList.Add();
    TChartAxis* b = chart.CustomAxesList.Add();
    a->ScaleMaster = Left();
    Left()->SetMinMax(-4, 8);
    EXPECT_EQ(a->GetMinimum(), -4);
    EXPECT_EQ(a->GetMaximum(), 8);
    EXPECT_FALSE(a->GetAutomatic());

    a->ScaleMaster = b;
    b->ScaleMaster = a;
    b->SetMinMax(1, 2);
    EXPECT_EQ(a->GetMinimum(), 1);
    EXPECT_EQ(a->GetMaximum(), 2);

    // Freeing the master leaves the follower on its own.
    delete b;
    EXPECT_EQ(a->ScaleMaster, nullptr);
}

TEST_F(AxisModelTest, AssignCopiesSettingsButNotDepthOrLabelEvent)
{
    TChartAxis* source = Left();
    source->SetMinMax(2, 7);
    source->SetDesiredIncrement(0.5);
    source->SetLabelsAngle(90);
    source->GetTitle()->SetCaption("Temperature");
    source->Items().Add(3, "three");
    source->SetZPosition(40);
    source->OnDrawLabel = [](TChartAxis*, int&, int&, int&, AnsiString&, bool&) {};

    TChartAxis* dest = chart.CustomAxesList.Add();
    dest->SetZPosition(20);
    dest->Assign(source);
    EXPECT_EQ(dest->GetMinimum(), 2);
    EXPECT_EQ(dest->GetMaximum(), 7);
    EXPECT_FALSE(dest->GetAutomatic());
    EXPECT_EQ(dest->GetIncrement(), 0.5);
    EXPECT_EQ(dest->GetLabelsAngle(), 90);
    EXPECT_EQ(dest->GetTitle()->GetCaption(), "Temperature");
    ASSERT_EQ(dest->Items().Count(), 1);
    EXPECT_EQ(dest->Items()[0]->GetText(), "three");
    EXPECT_DOUBLE_EQ(dest->GetZPosition(), 20);
    EXPECT_FALSE(dest->OnDrawLabel);
}

TEST_F(AxisModelTest, AxisItemsCopyReplacesEveryItemInOrder)
{
    TAxisItems& source = Left()->Items();
    source.Add(1, "one");
    source.Add(2, "two");
    source.Format()->SetColor(clRed);
    TAxisItems& dest = Right()->Items();
    dest.Add(9, "nine");
    dest.CopyFrom(source);
    ASSERT_EQ(dest.Count(), 2);
    EXPECT_EQ(dest[0]->GetValue(), 1);
    EXPECT_EQ(dest[1]->GetText(), "two");
    EXPECT_EQ(dest.Format()->GetColor(), clRed);
    EXPECT_TRUE(dest[0]->GetTransparent());
    EXPECT_THROW(dest.Get(2), EListError);
    const int before = chart.Invalidates;
    dest.Clear();
    EXPECT_EQ(dest.Count(), 0);
    EXPECT_GT(chart.Invalidates, before);
}

TEST_F(AxisModelTest, DepthAxesShareInversionAndLabelFromSeriesTitlesUnlessSeriesHaveDepth)
{
    EXPECT_FALSE(Depth()->GetVisible());
    EXPECT_FALSE(Depth()->IsPropertyStored("Visible"));
    Depth()->SetInverted(true);
    EXPECT_TRUE(DepthTop()->GetInverted());
    DepthTop()->SetInverted(false);
    EXPECT_FALSE(Depth()->GetInverted());

    EXPECT_EQ(Depth()->CalcLabelStyle(), talText);
    TChartSeries series;
    series.SetParentChart(&chart);
    EXPECT_EQ(Depth()->CalcLabelStyle(), talText);
    series.HasThirdValues = true;
    EXPECT_EQ(Depth()->CalcLabelStyle(), talValue);
}

TEST_F(AxisModelTest, LabelStyleFollowsTheSeriesOfTheAxis)
{
    EXPECT_EQ(Bottom()->CalcLabelStyle(), talNone);
    TChartSeries series;
    series.SetParentChart(&chart);
    series.AddXY(1, 10);
    EXPECT_EQ(Bottom()->CalcLabelStyle(), talValue);
    EXPECT_EQ(Right()->CalcLabelStyle(), talNone);
    series.SetXLabel(0, "first");
    EXPECT_EQ(Bottom()->CalcLabelStyle(), talText);
    // Point labels name the index axis only.
    EXPECT_EQ(Left()->CalcLabelStyle(), talValue);
    series.SetActive(false);
    EXPECT_EQ(Bottom()->CalcLabelStyle(), talNone);
}

TEST_F(AxisModelTest, FastCalcKeepsFarValuesWithinThePixelLimit)
{
    Scale(Bottom(), 0, 1);
    Scale(Left(), 0, 1);
    EXPECT_EQ(Bottom()->CalcXPosValue(1e12), TeeAxisPixelLimit);
    chart.AxesList.SetFastCalc(true);
    EXPECT_EQ(Bottom()->CalcXPosValue(0.5), 250);
    for (bool inverted : {false, true}) {
        Bottom()->SetInverted(inverted);
        Left()->SetInverted(inverted);
        for (double far : {1e6, 1e12, 1e300, std::numeric_limits<double>::infinity()}) {
            for (int sign : {1, -1}) {
                const int x = Bottom()->CalcXPosValue(sign * far), y = Left()->CalcYPosValue(sign * far);
                EXPECT_LE(std::abs(x), TeeAxisPixelLimit) << sign * far;
                EXPECT_LE(std::abs(y), TeeAxisPixelLimit) << sign * far;
                EXPECT_EQ(x > 250, (sign > 0) != inverted) << sign * far;
            }
        }
    }
    Bottom()->SetInverted(false);
    chart.AxesList.SetFastCalc(false);
    EXPECT_EQ(Bottom()->CalcXPosValue(1e12), TeeAxisPixelLimit);

    chart.AxesList.SetVisible(false);
    EXPECT_FALSE(chart.AxisVisible);
    chart.AxesList.Reset();
    EXPECT_TRUE(Bottom()->GetAutomatic());
}

TEST_F(AxisModelTest, AxisToolStoresTheAxisIndexAndFindsTheAxisAgain)
{
    TTeeCustomToolAxis tool;
    tool.SetAxis(Left());
    EXPECT_EQ(tool.ParentChart(), &chart);
    EXPECT_EQ(tool.GetAxisID(), 2);
    EXPECT_TRUE(tool.IsPropertyStored("AxisID"));
    EXPECT_EQ(chart.ToolList.Count(), 1);

    TTeeCustomToolAxis read;
    read.SetParentChart(&chart);
    read.SetAxisID(2);
    EXPECT_EQ(read.Axis(), Left());
    read.SetAxisID(99);
    EXPECT_EQ(read.Axis(), nullptr);
    EXPECT_FALSE(read.IsPropertyStored("AxisID"));
    tool.SetAxis(nullptr);
    read.SetParentChart(nullptr);
    EXPECT_EQ(chart.ToolList.Count(), 0);

    // A freed custom axis leaves its tools without an axis, but in the chart's list: the
    // chart still frees them.
    TChartAxis* custom = chart.CustomAxesList.Add();
    TTeeCustomToolAxis second;
    tool.SetAxis(custom);
    second.SetAxis(custom);
    delete custom;
    EXPECT_EQ(tool.Axis(), nullptr);
    EXPECT_EQ(second.Axis(), nullptr);
    EXPECT_EQ(tool.ParentChart(), &chart);
    EXPECT_EQ(chart.ToolList.Count(), 2);
}
