#include "SeriesTestSupport.h"
#include "chart/engine/TeCanvasTypes.h"
#include "chart/series/TBarSeries.h"

namespace {

using Calls = std::vector<std::string>;

class BarSeriesTest : public SeriesChartTest {
protected:
    ~BarSeriesTest() override
    {
        for (int i = chart.Series.Count() - 1; i >= 0; --i) chart.Series[i]->SetParentChart(nullptr);
    }

    // The chart's layout pass for its bar series, then the values of each.
    std::vector<std::string> DrawBars()
    {
        std::vector<std::string> all;
        for (TChartSeries* s : chart.Series) s->DoBeforeDrawChart();
        for (TChartSeries* s : chart.Series) {
            int a = 0, b = 0;
            s->CalcHorizMargins(a, b);
            s->CalcVerticalMargins(a, b);
        }
        for (TChartSeries* s : chart.Series) {
            Draw(*s);
            for (const std::string& c : canvas.Calls)
                if (c.rfind("Rectangle(", 0) == 0 || c.rfind("Line(", 0) == 0) all.push_back(c);
        }
        return all;
    }
};

TEST_F(BarSeriesTest, SideBySideBarsShareEachPointsRoom)
{
    TBarSeries a, b;
    a.SetParentChart(&chart);
    b.SetParentChart(&chart);
    for (int i = 0; i < 5; ++i) {
        a.AddXY(i * 100, 10);
        b.AddXY(i * 100, 20);
    }
    a.Marks()->SetVisible(false);
    b.Marks()->SetVisible(false);
    const Calls rects = DrawBars();
    EXPECT_EQ(a.BarPointCount, 6);
    EXPECT_EQ(a.BarSlotCount, 2);
    EXPECT_EQ(a.BarSlot, 1);
    EXPECT_EQ(b.BarSlot, 2);
    // Round(0.7 * (400 div 6)) div 2 = 23, made even.
    EXPECT_EQ(a.BarSize, 24);
    ASSERT_EQ(rects.size(), 10u);
    EXPECT_EQ(rects[0], "Rectangle(26,310,51,320)") << "the first series left of the point";
    EXPECT_EQ(rects[5], "Rectangle(50,300,75,320)") << "the second right of it";

    // One arrangement for all: setting it on one series sets it on the other.
    b.SetMultiBar(mbNone);
    EXPECT_EQ(a.GetMultiBar(), mbNone);
    b.SetSideMargins(false);
    EXPECT_FALSE(a.GetSideMargins());
    TBarSeries late;
    late.SetParentChart(&chart);
    EXPECT_EQ(late.GetMultiBar(), mbNone) << "a series joining the chart adopts the arrangement";
    EXPECT_FALSE(late.GetSideMargins());
}

TEST_F(BarSeriesTest, StackedBarsStackPositiveAndNegativeValuesApartByGroup)
{
    TBarSeries a, b, c;
    for (TBarSeries* s : {&a, &b, &c}) {
        s->SetParentChart(&chart);
        s->Marks()->SetVisible(false);
    }
    a.AddXY(100, 100);
    a.AddXY(200, -50);
    b.AddXY(100, 50);
    b.AddXY(200, -20);
    c.AddXY(100, 30);
    c.AddXY(200, 30);
    c.SetStackGroup(1);
    a.SetMultiBar(mbStacked);
    Scale(0, 400, -100, 200);  // y pixel = 220 - value
    DrawBars();
    EXPECT_EQ(a.BarSlotCount, 2);
    EXPECT_EQ(b.BarSlot, 1);
    EXPECT_EQ(c.BarSlot, 2) << "the second group forms its own column";

    EXPECT_EQ(b.CalcYPos(0), 70);
    EXPECT_EQ(b.GetOriginPos(0), 120) << "b stands on a";
    EXPECT_EQ(b.GetOriginPos(1), 270) << "a negative value hangs from the negatives before it";
    EXPECT_EQ(b.CalcYPos(1), 290);
    EXPECT_EQ(c.GetOriginPos(0), 220) << "another group starts at the origin";
    EXPECT_EQ(b.MaxYValue(), 150);
    EXPECT_EQ(b.MinYValue(), -70);

    // 100 %: shares of the stack total; a point where everything is 0 lies flat on the 0 line.
    a.SetMultiBar(mbStacked100);
    c.SetActive(false);
    a.SetYValue(1, 0);
    b.SetYValue(1, 0);
    Scale(0, 400, 0, 100);  // y pixel = 320 - 3 * percent
    EXPECT_EQ(b.GetOriginPos(0), 120);
    EXPECT_EQ(b.CalcYPos(0), 20);
    EXPECT_EQ(b.GetOriginPos(1), 320);
    EXPECT_EQ(b.CalcYPos(1), 320);
    EXPECT_EQ(b.MaxYValue(), 100);
}

TEST_F(BarSeriesTest, OriginWidthAndOffset)
{
    TBarSeries s;
    s.SetParentChart(&chart);
    s.Marks()->SetVisible(false);
    s.AddXY(100, -50);
    s.AddXY(200, 80);
    s.SetYOrigin(20);
    EXPECT_EQ(s.MaxYValue(), 80);
    EXPECT_EQ(s.MinYValue(), -50);
    s.SetMultiBar(mbNone);
    s.SetCustomBarSize(13);
    s.SetOffsetPercent(100);
    Scale(0, 400, -100, 200);
    DrawBars();
    EXPECT_EQ(s.BarSize, 13) << "a fixed width is kept as given";
    // Left = x - 13 shr 1 + 13 (offset); the negative bar hangs from the origin 20.
    EXPECT_EQ(canvas.CallsStartingWith("Rectangle("),
              (Calls{"Rectangle(157,270,171,200)", "Rectangle(257,140,271,200)"}));

    // Without the origin the bars grow from the bottom of the axis.
    s.SetUseYOrigin(false);
    EXPECT_EQ(s.GetOriginPos(0), 320);

    // Full width: each bar reaches the next; the last is BarSize + 1 wide. A hidden pen grows
    // a rising bar by one pixel at the origin end and at the right.
    s.SetCustomBarSize(0);
    s.SetOffsetPercent(0);
    s.SetBarWidthPercent(100);
    s.Pen()->SetVisible(false);
    const Calls rects = DrawBars();
    ASSERT_EQ(rects.size(), 2u);
    const int size = s.BarSize;
    EXPECT_EQ(rects[0],
              "Rectangle(" + std::to_string(150 - size / 2) + ",270," + std::to_string(251 - size / 2) + ",321)");
    EXPECT_EQ(rects[1], "Rectangle(" + std::to_string(250 - size / 2) + ",140," +
                            std::to_string(252 + size - size / 2) + ",321)");
}

TEST_F(BarSeriesTest, HorizontalBarsLieAlongTheHorizontalAxis)
{
    THorizBarSeries s;
    s.SetParentChart(&chart);
    s.Marks()->SetVisible(false);
    s.AddXY(100, 0);
    s.AddXY(-50, 100);
    Scale(-100, 300, 0, 300);  // x pixel = 150 + value
    DrawBars();
    EXPECT_EQ(s.BarSize, 70) << "Round(0.7 * (300 div 3))";
    EXPECT_EQ(canvas.CallsStartingWith("Rectangle("),
              (Calls{"Rectangle(150,285,250,356)", "Rectangle(150,185,100,256)"}));
    EXPECT_EQ(s.MinXValue(), -50);
    EXPECT_EQ(s.MaxXValue(), 100);

    // Pyramid and inverted pyramid draw the same triangle, apex at the larger X.
    s.SetBarStyle(bsInvPyramid);
    DrawBars();
    const Calls inv = canvas.CallsStartingWith("Polygon(");
    s.SetBarStyle(bsPyramid);
    DrawBars();
    EXPECT_EQ(canvas.CallsStartingWith("Polygon("), inv);
    ASSERT_EQ(inv.size(), 2u);
    EXPECT_EQ(inv[0], "Polygon([(150,285),(250,320),(150,356)])");

    // The hit test follows the bar, including the one pointing left.
    s.SetBarStyle(bsRectangle);
    EXPECT_EQ(s.Clicked(120, 200), 1);
    EXPECT_EQ(s.Clicked(200, 300), 0);
    EXPECT_EQ(s.Clicked(260, 300), -1);
}

TEST_F(BarSeriesTest, NoBarsOrVeryManyDivideNothingByZero)
{
    TBarSeries s;
    s.SetParentChart(&chart);
    s.SetSideMargins(false);
    DrawBars();
    EXPECT_EQ(s.BarPointCount, 0);
    EXPECT_EQ(s.BarSize, 0);
    EXPECT_EQ(s.Clicked(100, 100), -1);

    // Paging gives a point count though no active series fills a slot.
    s.SetActive(false);
    chart.MaxPointsPerPage = 2;
    DrawBars();
    EXPECT_EQ(s.BarSlotCount, 0);
    EXPECT_EQ(s.BarSize, 140);

    chart.MaxPointsPerPage = 100000000;
    s.SetActive(true);
    s.AddXY(0, 0);
    DrawBars();
    EXPECT_EQ(s.BarSize, 0);
    EXPECT_EQ(canvas.CallsStartingWith("Line("), (Calls{"Line(50,320,51,320)"})) << "a bar without height is one line";

    // Relative gradient over values that are all equal.
    s.SetBarStyle(bsRectGradient);
    s.GetGradient()->SetRelative(true);
    s.SetUseYOrigin(false);
    s.BarColor = clRed;
    s.CalcGradientColor(0);
    EXPECT_EQ(s.GetGradient()->GetEndColor(), clRed);
}

TEST_F(BarSeriesTest, PagingDepthAndOrder)
{
    TBarSeries a, b;
    a.SetParentChart(&chart);
    b.SetParentChart(&chart);
    for (int i = 0; i < 5; ++i) a.AddXY(i, i);
    chart.MaxPointsPerPage = 1;
    chart.Page = 3;
    a.CalcFirstLastVisibleIndex();
    EXPECT_EQ(a.FirstValueIndex, 2);
    EXPECT_EQ(a.LastValueIndex, 2);
    chart.Page = 9;
    a.CalcFirstLastVisibleIndex();
    EXPECT_EQ(a.FirstValueIndex, -1);

    chart.SeriesWidth3D = 40;
    a.SetDepthPercent(50);
    a.CalcDepthPositions();
    EXPECT_EQ(a.StartZ, 10);
    EXPECT_EQ(a.EndZ, 30);

    chart.View3D = true;
    a.CalcZOrder();
    b.CalcZOrder();
    EXPECT_EQ(b.GetZOrder(), a.GetZOrder()) << "bars side by side share one depth slot";

    // Self-stacked series stand in one column each.
    a.SetMultiBar(mbSelfStack);
    EXPECT_FALSE(b.UseVisibleRange);
    EXPECT_EQ(a.MinXValue(), 0);
    EXPECT_EQ(b.MinXValue(), 1);
    EXPECT_EQ(a.MaxYValue(), 10);
    EXPECT_EQ(a.PointOrigin(3, false), 3);
}

TEST_F(BarSeriesTest, StylesMarksAndNullPoints)
{
    TBarSeries s;
    s.SetParentChart(&chart);
    s.Marks()->SetVisible(false);
    s.SetMultiBar(mbNone);
    s.SetCustomBarSize(20);
    s.AddXY(100, 100);
    s.AddXY(200, 50);
    s.SetNull(1);
    s.SetBarStyle(bsArrow);
    DrawBars();
    const Calls arrows = canvas.CallsStartingWith("Arrow(");
    ASSERT_EQ(arrows.size(), 1u) << "a null point draws nothing";
    EXPECT_EQ(arrows[0], "Arrow(true,(150,320),(150,220),21,10,0)") << "up, the head as wide as the bar, half as high";

    // Slant cube in 3D keeps the cylinder sides as they were.
    chart.View3D = true;
    const int sides = TeeNumCylinderSides;
    s.SetBarStyle(bsSlantCube);
    DrawBars();
    EXPECT_EQ(CountCalls("Cylinder("), 1);
    EXPECT_EQ(TeeNumCylinderSides, sides);
    chart.View3D = false;

    // The per-point style event overrides the property.
    s.SetBarStyle(bsRectangle);
    s.OnGetBarStyle = [](TCustomBarSeries*, int, TBarStyle& style) { style = bsEllipse; };
    DrawBars();
    EXPECT_EQ(CountCalls("Ellipse("), 1);
    EXPECT_EQ(CountCalls("Rectangle("), 0);
}

TEST_F(BarSeriesTest, GalleryAndCopy)
{
    TBarSeries s;
    std::vector<AnsiString> items;
    s.CreateSubGallery([&](const AnsiString& c) { items.push_back(c); });
    ASSERT_EQ(items.size(), 11u);
    EXPECT_EQ(items[10], "Side All");
    s.SetSubGallery(&s, 7);
    EXPECT_EQ(s.GetMultiBar(), mbStacked100);
    EXPECT_EQ(s.NumSampleValues(), 6);
    EXPECT_EQ(s.Marks()->GetCallout()->GetLength(), 20);

    s.SetYOrigin(5);
    s.SetAutoBarSize(true);
    s.SetConePercent(30);
    s.SetStackGroup(2);
    TBarSeries copy;
    copy.Assign(s);
    EXPECT_EQ(copy.GetYOrigin(), 5);
    EXPECT_EQ(copy.GetMultiBar(), mbStacked100);
    EXPECT_EQ(copy.GetStackGroup(), 2);
    EXPECT_FALSE(copy.GetAutoBarSize()) << "the automatic width is not copied";
    EXPECT_EQ(copy.GetConePercent(), 0) << "nor the cone's point";

    // Only settings that differ from the defaults go into a chart file.
    TBarSeries fresh;
    EXPECT_FALSE(fresh.IsPropertyStored("BarWidthPercent"));
    EXPECT_FALSE(fresh.IsPropertyStored("MultiBar"));
    EXPECT_FALSE(fresh.GetGradient()->IsPropertyStored("Visible"));
    fresh.SetBarWidthPercent(85);
    fresh.SetCustomBarSize(9);
    EXPECT_TRUE(fresh.IsPropertyStored("BarWidthPercent"));
    EXPECT_TRUE(fresh.IsPropertyStored("CustomBarWidth"));

    THorizBarSeries h;
    EXPECT_EQ(h.MandatoryValueList(), h.XValues());
    EXPECT_EQ(h.XValues()->GetName(), "Bar");
    EXPECT_EQ(h.GetGradient()->GetDirection(), gdLeftRight);
}

}  // namespace

namespace {

TEST_F(BarSeriesTest, MarksStandAtTheBarsEnd)
{
    TBarSeries s;
    s.SetParentChart(&chart);
    s.AddXY(100, 100);
    s.AddXY(200, 50);
    s.SetAutoMarkPosition(false);
    s.Marks()->GetCallout()->SetDistance(3);
    s.BarSize = 20;
    auto at = [](int x, int y) {
        TSeriesMarkPosition p;
        p.ArrowFrom = p.ArrowTo = TPoint(x, y);
        p.LeftTop = TPoint(x - 10, y - 9);
        p.Width = 20;
        p.Height = 10;
        return p;
    };
    TSeriesMarkPosition up = at(140, 220);
    s.DrawMark(0, "m", up);
    EXPECT_EQ(up.LeftTop, TPoint(140, 188));
    EXPECT_EQ(up.ArrowTo, TPoint(150, 197));
    EXPECT_EQ(up.ArrowFrom, TPoint(150, 217));

    // A bar hanging below its origin carries its mark underneath.
    s.SetYOrigin(100);
    TSeriesMarkPosition down = at(240, 270);
    s.DrawMark(1, "m", down);
    EXPECT_EQ(down.LeftTop, TPoint(240, 294));
    EXPECT_EQ(down.ArrowTo, TPoint(250, 303));
    EXPECT_EQ(down.ArrowFrom, TPoint(250, 273));

    THorizBarSeries h;
    h.SetParentChart(&chart);
    h.AddXY(100, 0);
    h.Marks()->GetCallout()->SetDistance(3);
    h.BarSize = 70;
    Scale(-100, 300, 0, 300);
    TSeriesMarkPosition right = at(250, 285);
    h.DrawMark(0, "m", right);
    EXPECT_EQ(right.LeftTop, TPoint(273, 316));
    EXPECT_EQ(right.ArrowTo, TPoint(273, 320));
    EXPECT_EQ(right.ArrowFrom, TPoint(253, 320));
}

TEST_F(BarSeriesTest, HitTestFollowsTheShape)
{
    TBarSeries s;
    s.SetParentChart(&chart);
    s.Marks()->SetVisible(false);
    s.SetMultiBar(mbNone);
    s.SetCustomBarSize(20);
    s.AddXY(100, 100);
    DrawBars();  // bar 140..160, 220..320
    EXPECT_EQ(s.Clicked(141, 225), 0);
    EXPECT_EQ(s.Clicked(161, 225), -1);
    EXPECT_EQ(s.Clicked(150, 215), -1);
    s.SetBarStyle(bsPyramid);
    EXPECT_EQ(s.Clicked(141, 225), -1) << "beside the apex";
    EXPECT_EQ(s.Clicked(150, 300), 0);
    s.SetBarStyle(bsInvPyramid);
    EXPECT_EQ(s.Clicked(141, 225), 0);
    EXPECT_EQ(s.Clicked(141, 315), -1);
}

TEST_F(BarSeriesTest, ArrangementGalleryItemAddsASecondSeries)
{
    auto* s = new TBarSeries;
    s->SetParentChart(&chart);
    s->SetBarWidthPercent(55);
    s->SetSubGallery(s, 6);
    ASSERT_EQ(chart.Series.Count(), 2);
    auto* other = qobject_cast<TBarSeries*>(chart.Series[1]);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(s->Count(), 2);
    EXPECT_EQ(other->Count(), 2);
    EXPECT_EQ(other->GetBarWidthPercent(), 55);
    EXPECT_EQ(other->GetMultiBar(), mbStacked);
    EXPECT_FALSE(s->Marks()->GetVisible());
    EXPECT_FALSE(other->Marks()->GetVisible());
    delete s;  // takes the series it made along
    EXPECT_EQ(chart.Series.Count(), 0);
}

}  // namespace
