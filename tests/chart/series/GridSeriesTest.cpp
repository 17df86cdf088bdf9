// The 3D series family: colour palette, grid index, surface and waterfall cells, contour
// tracing, smoothing, colour grid picture, vectors, towers and their registration. Drawn
// on a recording canvas (X 0..400 -> 50..450, Y 0..300 -> 320..20).
#include <QCoreApplication>
#include <cmath>

#include "SeriesTestSupport.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TeePalette.h"
#include "chart/engine/TeeProCo.h"
#include "chart/engine/TeeSeriesTypes.h"
#include "chart/series/TColorGridSeries.h"
#include "chart/series/TContourSeries.h"
#include "chart/series/TSmoothPoints.h"
#include "chart/series/TSurfaceSeries.h"
#include "chart/series/TTowerSeries.h"
#include "chart/series/TVector3DSeries.h"
#include "chart/series/Tee3DSeries.h"

namespace {

using Calls = std::vector<std::string>;

class GridSeriesTest : public SeriesChartTest {
protected:
    GridSeriesTest()
    {
        chart.Width3D = 100;
        Depth()->SetMinMax(0, 10);
        chart.CalcAxisPositions();
    }
    ~GridSeriesTest() override
    {
        for (TChartSeries* s : std::vector<TChartSeries*>(chart.Series.begin(), chart.Series.end()))
            s->SetParentChart(nullptr);
    }
    template <typename T>
    T& Make()
    {
        auto* s = new T(&owner);
        s->SetParentChart(&chart);
        return *s;
    }
    TChartAxis* Depth() { return chart.AxesList.DepthAxis(); }
    // X 1..nx, Z 1..nz, Y from f; the grid index built as before a draw.
    template <typename T>
    void Fill(T& s, int nx, int nz, double (*f)(int, int))
    {
        for (int z = 1; z <= nz; ++z)
            for (int x = 1; x <= nx; ++x) s.AddXYZ(x, f(x, z), z);
        s.DoBeforeDrawChart();
    }
    Calls Drawn(const std::string& prefix) const { return canvas.CallsStartingWith(prefix + "("); }
    QObject owner;
};

double Sum(int x, int z)
{
    return x + z;
}

// ---------------------------------------------------------------- palette

TEST_F(GridSeriesTest, ColourRangeRunsFromEndToStartColourThroughTheMiddle)
{
    auto& s = Make<TSurfaceSeries>();
    s.AddXYZ(1, 0, 1);
    s.AddXYZ(2, 10, 1);
    s.SetEndColor(RGB(0, 0, 0));
    s.SetStartColor(RGB(200, 100, 50));
    EXPECT_EQ(s.GetValueColorValue(0), RGB(0, 0, 0));
    EXPECT_EQ(s.GetValueColorValue(10), RGB(200, 100, 50));
    EXPECT_EQ(s.GetValueColorValue(5), RGB(100, 50, 25));
    EXPECT_EQ(s.GetValueColorValue(-3), RGB(0, 0, 0));  // outside the range: the nearer end
    EXPECT_EQ(s.GetValueColorValue(13), RGB(200, 100, 50));
    s.SetMidColor(RGB(10, 250, 10));
    EXPECT_EQ(s.GetValueColorValue(5), RGB(10, 250, 10));
    EXPECT_EQ(s.GetValueColor(1), RGB(200, 100, 50));
    // A point with its own colour keeps it; the handler has the last word.
    s.SetValueColor(0, clRed);
    EXPECT_EQ(s.GetValueColor(0), clRed);
    s.OnGetColor = [](TChartSeries*, int i, TColor& c) { c = i == 1 ? clNone : c; };
    EXPECT_EQ(s.GetValueColor(1), clNone);
    // All values equal: every point takes the end colour.
    s.SetYValue(1, 0);
    EXPECT_EQ(s.GetValueColorValue(0), RGB(0, 0, 0));
}

TEST_F(GridSeriesTest, PaletteBandsTakeTheValueBelowTheirBoundAndTheLegendShowsEveryNth)
{
    auto& s = Make<TSurfaceSeries>();
    s.AddXYZ(1, 0, 1);
    s.SetUseColorRange(false);
    s.SetUsePalette(true);
    s.ClearPalette();
    EXPECT_EQ(s.GetValueColor(0), s.GetSeriesColor());  // no bands: the series colour
    EXPECT_EQ(s.AddPalette(2, clGreen), 0);
    EXPECT_EQ(s.AddPalette(1, clRed), 0);
    EXPECT_EQ(s.AddPalette(3, clBlue), 2);
    EXPECT_EQ(s.AddPalette(2, clLime), 2);  // equal values go after the others
    EXPECT_EQ(s.GetValueColorValue(0.5), clRed);
    EXPECT_EQ(s.GetValueColorValue(1), clGreen);  // a band's bound belongs to the next band
    EXPECT_EQ(s.GetValueColorValue(3), clBlue);
    EXPECT_EQ(s.GetValueColorValue(99), clBlue);

    s.SetPaletteStyle(psGrayScale);
    s.CreateDefaultPalette(32);
    ASSERT_EQ(s.Palette().size(), 32u);
    EXPECT_EQ(s.Palette()[16].Color, RGB(128, 128, 128));  // Round(16 * 255 / 32)
    s.SetLegendEvery(3);
    ASSERT_EQ(s.CountLegendItems(), 11);
    EXPECT_EQ(s.LegendPaletteIndex(0), 31);
    EXPECT_EQ(s.LegendPaletteIndex(10), 1);
    // A count that is a multiple of the step: every item still names a band.
    s.CreateDefaultPalette(30);
    EXPECT_EQ(s.CountLegendItems(), 10);
    EXPECT_EQ(s.LegendPaletteIndex(9), 2);
    s.CreateDefaultPalette(0);
    EXPECT_TRUE(s.Palette().empty());
    s.CreateDefaultPalette(-5);
    EXPECT_TRUE(s.Palette().empty());
    // A number of steps (or of contour levels) from a damaged file is refused, not built.
    EXPECT_THROW(s.SetPaletteSteps(2000000000), ChartException);
    EXPECT_EQ(s.GetPaletteSteps(), 32);
    TContourSeries contour;
    EXPECT_THROW(contour.SetNumLevels(2000000000), ChartException);
    EXPECT_EQ(contour.GetNumLevels(), 10);
}

TEST(GridSeriesPalette, RainbowPaletteLeavesTheChartsColoursAlone)
{
    TChart chart;
    chart.ColorPalette = {clRed, clGreen};
    auto* s = new TSurfaceSeries(&chart);
    chart.AddSeries(s);
    s->AddXYZ(1, 0, 1);
    s->AddXYZ(2, 30, 1);
    s->SetPaletteStyle(psRainbow);
    s->CreateDefaultPalette(30);
    ASSERT_EQ(s->Palette().size(), 30u);
    EXPECT_EQ(s->Palette()[0].Color, RainbowPalette[0]);
    EXPECT_EQ(s->Palette()[26].Color, RainbowPalette[1]);
    EXPECT_DOUBLE_EQ(s->Palette()[29].UpToValue, 30);
    EXPECT_EQ(chart.ColorPalette, (std::vector<TColor>{clRed, clGreen}));
}

// ---------------------------------------------------------------- grid index

TEST_F(GridSeriesTest, GridIndexPlacesPointsByRoundedOrRankedValues)
{
    auto& s = Make<TSurfaceSeries>();
    for (int x = 1; x <= 3; ++x)
        for (int z = 5; z <= 6; ++z) s.AddXYZ(x, x * 10 + z, z);
    s.FillGridIndex();
    EXPECT_EQ(s.GetNumXValues(), 3);
    EXPECT_EQ(s.GetNumZValues(), 2);
    EXPECT_EQ(s.GridIndex(1, 1), 0);
    EXPECT_EQ(s.GetValue(3, 2), 36);

    s.Clear();
    s.AddXYZ(0.4, 1, 1);
    s.AddXYZ(1.6, 2, 1);
    s.FillGridIndex();
    EXPECT_EQ(s.GetNumXValues(), 3);
    EXPECT_EQ(s.GridIndex(2, 1), -1);  // nothing rounds to 1

    s.Clear();
    s.SetIrregularGrid(true);
    for (double x : {10.0, 2.5, 7.0}) s.AddXYZ(x, x, 1);
    s.FillGridIndex();
    EXPECT_EQ(s.GetNumXValues(), 3);
    EXPECT_EQ(s.GetxValue(s.GridIndex(1, 1)), 2.5);
    EXPECT_EQ(s.GetxValue(s.GridIndex(2, 1)), 7);
    EXPECT_EQ(s.GetxValue(s.GridIndex(3, 1)), 10);
    // The index follows changed values (it is kept only while they stay the same).
    s.SetXValue(0, 1);
    s.FillGridIndex();
    EXPECT_EQ(s.GridIndex(1, 1), 0);
    // More distinct values than any fixed table would hold.
    s.Clear();
    for (int i = 0; i < 3500; ++i) s.AddXYZ(i * 0.5, i, 1);
    s.FillGridIndex();
    EXPECT_EQ(s.GetNumXValues(), 3500);
    EXPECT_EQ(s.GridIndex(3500, 1), 3499);
}

TEST_F(GridSeriesTest, GridAccessOutsideThePointsOrOutOfRangeFailsCleanly)
{
    auto& s = Make<TSurfaceSeries>();
    Fill(s, 3, 3, Sum);
    s.Delete(4);  // node (2, 2)
    s.FillGridIndex();
    for (auto [x, z] : {std::pair{2, 2}, std::pair{4, 7}, std::pair{-1, 1}, std::pair{1, 100}}) {
        try {
            s.GetValue(x, z);
            ADD_FAILURE() << x << "," << z;
        } catch (const ChartException& e) {
            EXPECT_EQ(e.Message, "No value found at XZ: " + std::to_string(x) + " " + std::to_string(z));
        }
    }
    EXPECT_FALSE(s.ExistFourGridIndex(3, 3));  // corners beyond the grid
    // A new node gets a point and takes its place in the index at once.
    s.SetValue(4, 1, 42);
    EXPECT_EQ(s.GetValue(4, 1), 42);
    EXPECT_EQ(s.GetNumXValues(), 4);
    s.SetValue(4, 1, 43);
    EXPECT_EQ(s.Count(), 9);

    // A regular grid that would need a giant index, or holds no number, is refused.
    s.AddXYZ(1e7, 0, 1);
    EXPECT_THROW(s.FillGridIndex(), ChartException);
    s.Clear();
    s.AddXYZ(1, 0, 1);
    s.AddXYZ(std::nan(""), 0, 2);
    EXPECT_THROW(s.FillGridIndex(), ChartException);
    const int columns = s.GetNumXValues();
    EXPECT_THROW(s.SetNumXValues(10000000), ChartException);
    EXPECT_EQ(s.GetNumXValues(), columns);
}

TEST_F(GridSeriesTest, SampleValuesFollowTheGridFormulaAndMakeAPalette)
{
    auto& s = Make<TSurfaceSeries>();
    s.AddSampleValues(10);
    ASSERT_EQ(s.Count(), 100);
    EXPECT_EQ(s.GetxValue(99), 10);
    EXPECT_EQ(s.GetZValue(99), 10);
    const double cx = std::cos(3 / 2.0), cz = std::cos(4 / 2.0);
    EXPECT_DOUBLE_EQ(s.GetyValue(3 * 10 + 2), 0.5 * cx * cx + cz * cz - std::cos(4 / 5.0));
    EXPECT_EQ(s.Palette().size(), 32u);
    // At run time without a handler a new size only clears.
    s.SetNumXValues(5);
    EXPECT_EQ(s.Count(), 0);
    s.OnGetYValue = [](TChartSeries*, int x, int z) { return x * 100.0 + z; };
    s.SetNumZValues(2);
    ASSERT_EQ(s.Count(), 10);
    EXPECT_EQ(s.GetyValue(9), 502);
}

// ---------------------------------------------------------------- surface and waterfall

TEST_F(GridSeriesTest, SurfaceCellsAreDrawnBackToFrontAndAMissingNodeDropsItsCells)
{
    auto& s = Make<TSurfaceSeries>();
    Scale(0, 4, 0, 10);
    Fill(s, 4, 3, Sum);
    Draw(s);
    const Calls cells = Drawn("PlaneFour3D");
    ASSERT_EQ(cells.size(), 6u);
    // Seen from the front: rows from the back (Z 3, depth 30) forwards, columns from X 2
    // on, each cell from its corner (x, z) towards x - 1 and z - 1.
    EXPECT_EQ(cells[0], "PlaneFour3D([(250,170),(150,200),(150,230),(250,200)],30,20)");
    EXPECT_EQ(cells[1], "PlaneFour3D([(250,200),(150,230),(150,260),(250,230)],20,10)");
    EXPECT_EQ(cells[5], "PlaneFour3D([(450,140),(350,170),(350,200),(450,170)],20,10)");

    s.Delete(0);  // node (1, 1)
    s.DoBeforeDrawChart();
    Draw(s);
    EXPECT_EQ(Drawn("PlaneFour3D").size(), 5u);
    s.OnGetColor = [](TChartSeries*, int, TColor& c) { c = clNone; };
    Draw(s);
    EXPECT_TRUE(Drawn("PlaneFour3D").empty());
}

TEST_F(GridSeriesTest, WaterfallDrawsOneStripPerRowDownToTheFloor)
{
    auto& s = Make<TWaterFallSeries>();
    Scale(0, 4, 0, 10);
    Fill(s, 4, 3, Sum);
    std::vector<int> colourOf;
    s.OnGetColor = [&](TChartSeries*, int i, TColor&) { colourOf.push_back(i); };
    Draw(s);
    const Calls strips = Drawn("PlaneWithZ");
    ASSERT_EQ(strips.size(), 9u);  // 3 rows of 3 segments
    EXPECT_EQ(strips[0], "PlaneWithZ((250,170),(150,200),(150,320),(250,320),30)");
    EXPECT_EQ(Drawn("VertLine3D").size(), 18u);
    // Each segment takes the colour of its end with the smaller X.
    ASSERT_EQ(colourOf.size(), 9u);
    EXPECT_EQ(s.GetxValue(colourOf[0]), 1);

    // Seen from behind the rows are walked upwards (the walk ends at the last row), and a
    // segment's colour still comes from its own two points, never from the column X 4.
    Depth()->SetInverted(true);
    chart.CalcAxisPositions();
    colourOf.clear();
    Draw(s);
    EXPECT_EQ(Drawn("PlaneWithZ").size(), 9u);
    ASSERT_EQ(colourOf.size(), 9u);
    for (int i : colourOf) EXPECT_LT(s.GetxValue(i), 4);
    const int hit = s.Clicked(200, 215);
    EXPECT_GE(hit, 0);
    EXPECT_LT(hit, s.Count());
}

TEST_F(GridSeriesTest, SidesLeaveOutSegmentsAcrossAMissingNode)
{
    auto& s = Make<TSurfaceSeries>();
    Fill(s, 3, 3, Sum);
    s.GetSideBrush()->SetStyle(bsSolid);
    Draw(s);
    const auto sides = [&]() { return static_cast<int>(Drawn("PlaneFour3D").size()) - 4; };
    EXPECT_EQ(sides(), 6);  // left, right and front: two segments each
    s.Delete(3);            // node (1, 2) of the left side
    s.DoBeforeDrawChart();
    Draw(s);
    EXPECT_EQ(static_cast<int>(Drawn("PlaneFour3D").size()), 2 + 4);
}

// ---------------------------------------------------------------- contour

double Cone(int x, int z)
{
    return 10 - std::abs(x - 3) - std::abs(z - 3);
}

TEST_F(GridSeriesTest, ContourLevelsAreEvenOverTheRangeAndTracedIntoPolylines)
{
    auto& s = Make<TContourSeries>();
    Fill(s, 5, 5, Cone);
    s.SetNumLevels(5);
    chart.AutoRepaint = false;
    s.DoBeforeDrawChart();
    EXPECT_FALSE(chart.AutoRepaint);  // left as it was found
    ASSERT_EQ(s.GetLevels()->Count(), 5);
    for (int i = 0; i < 5; ++i) EXPECT_DOUBLE_EQ(s.GetLevels()->Items(i)->GetUpToValue(), 6 + i * 0.8);
    EXPECT_TRUE(s.GetAutomaticLevels());
    // Levels without a colour of their own show the chart's colour of their index.
    EXPECT_EQ(s.LegendItemColor(0), chart.GetDefaultColor(4));

    Scale(0, 6, 0, 6);  // in 2D Z runs up the vertical axis
    EXPECT_EQ(s.MaxYValue(), 5);
    Draw(s);
    // The two upper levels close round the peak; the lower ones cut the corners off.
    EXPECT_EQ(Drawn("Polyline").size(), 10u);
    for (int i : {1, 2}) EXPECT_EQ(s.GetLevels()->Items(i)->SegmentCount(), 4) << i;
    for (int i : {3, 4}) {
        ASSERT_EQ(s.GetLevels()->Items(i)->SegmentCount(), 1) << i;
        const auto& line = s.GetLevels()->Items(i)->Segments()[0].Points;
        EXPECT_LT(std::abs(line.front().X - line.back().X) + std::abs(line.front().Z - line.back().Z), 0.001);
    }
    EXPECT_EQ(s.GetLevels()->Items(0)->SegmentCount(), 0);  // at the rim's own value: no crossing
    const TPoint top = s.GetLevels()->Items(4)->GetSegmentPoints(0)[0];
    EXPECT_EQ(s.Clicked(top.X, top.Y), 4);
    EXPECT_EQ(s.Clicked(60, 30), -1);

    // A level added by hand makes the levels the user's own.
    s.GetLevels()->Add();
    EXPECT_FALSE(s.GetAutomaticLevels());
    EXPECT_EQ(s.GetNumLevels(), 6);
}

TEST_F(GridSeriesTest, ContourPiecesChainWithinToleranceAndAFlatGridHasNoLines)
{
    TLevelSegments lines;
    TContourSeries::AddPiece(lines, {0, 0}, {1, 0});
    TContourSeries::AddPiece(lines, {1.0005, 0}, {2, 0});
    TContourSeries::AddPiece(lines, {5, 5}, {4, 4});
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].Points.size(), 3u);
    TContourSeries::AddPiece(lines, {2.002, 0}, {3, 0});  // beyond the tolerance
    EXPECT_EQ(lines.size(), 3u);
    // A piece that closes the gap between two open lines makes them one.
    TContourSeries::AddPiece(lines, {3, 0}, {4, 4});
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].Points.size(), 4u);

    auto& s = Make<TContourSeries>();
    Fill(s, 4, 4, [](int, int) { return 7.0; });
    Draw(s);
    EXPECT_TRUE(Drawn("Polyline").empty());
}

TEST(SmoothPoints, ThreePointsGiveThirteenAndShortLinesStayAsTheyAre)
{
    TSmoothPoints smoothing(nullptr);
    std::vector<TPoint> out;
    const std::vector<TPoint> three = {{0, 0}, {10, 20}, {20, 0}};
    smoothing.Calculate(three, out);
    ASSERT_EQ(out.size(), 13u);
    EXPECT_EQ(out.front(), TPoint(0, 0));
    const std::vector<TPoint> one = {{5, 5}};
    smoothing.Calculate(one, out);
    EXPECT_EQ(out, one);
    std::vector<TPoint> many(400);
    for (int i = 0; i < 400; ++i) many[static_cast<std::size_t>(i)] = TPoint(i, i % 7);
    smoothing.Calculate(many, out);
    EXPECT_EQ(out.size(), 601u);  // the spline takes at most 600 fragments
}

// ---------------------------------------------------------------- colour grid

TEST_F(GridSeriesTest, ColourGridPictureCoversItsCellsWithGridLines)
{
    auto& s = Make<TColorGridSeries>();
    Scale(0, 20, 0, 20);  // 20 pixels per unit across, 15 up
    Fill(s, 10, 10, Sum);
    EXPECT_EQ(s.MinXValue(), 1);
    EXPECT_EQ(s.MaxXValue(), 11);
    Draw(s);
    ASSERT_EQ(Drawn("StretchDraw").size(), 1u);
    EXPECT_EQ(Drawn("StretchDraw")[0].substr(0, 29), "StretchDraw((70,155,270,305),");
    EXPECT_EQ(s.Bitmap()->GetWidth(), 10);
    EXPECT_EQ(Drawn("DoHorizLine").size(), 9u);
    s.SetZGridEvery(3);
    s.SetXGridEvery(0);
    Draw(s);
    EXPECT_EQ(Drawn("DoHorizLine"), (Calls{"DoHorizLine(70,270,260)", "DoHorizLine(70,270,215)",
                                           "DoHorizLine(70,270,170)"}));  // rows 4, 7, 10
    EXPECT_TRUE(Drawn("DoVertLine").empty());

    s.SetCenteredPoints(true);
    Draw(s);
    EXPECT_EQ(Drawn("StretchDraw")[0].substr(0, 29), "StretchDraw((60,162,260,312),");
    // The cells are hit where they are drawn.
    EXPECT_EQ(s.Clicked(65, 310), 0);
    EXPECT_EQ(s.Clicked(55, 310), -1);
    // A view that shows none of the grid draws nothing.
    Scale(100, 120, 100, 120);
    Draw(s);
    EXPECT_TRUE(canvas.Calls.empty());
}

// A copy (the editor's clone and change of type) keeps every stored setting.
TEST_F(GridSeriesTest, CopiesKeepTheirGridPaletteAndContourSettings)
{
    auto& grid = Make<TColorGridSeries>();
    grid.SetXGridEvery(3);
    grid.SetZGridEvery(2);
    grid.SetCenteredPoints(true);
    grid.SetMidColor(clRed);
    grid.SetLegendEvery(4);
    auto& gridCopy = Make<TColorGridSeries>();
    gridCopy.Assign(grid);
    EXPECT_EQ(gridCopy.GetXGridEvery(), 3);
    EXPECT_EQ(gridCopy.GetZGridEvery(), 2);
    EXPECT_TRUE(gridCopy.GetCenteredPoints());
    EXPECT_EQ(gridCopy.GetLegendEvery(), 4);
    EXPECT_EQ(gridCopy.RangePercent(0.5), clRed);

    auto& contour = Make<TContourSeries>();
    contour.GetSmoothing()->SetActive(true);
    contour.SetYPosition(5);
    auto& contourCopy = Make<TContourSeries>();
    contourCopy.Assign(contour);
    EXPECT_TRUE(contourCopy.GetSmoothing()->GetActive());
    EXPECT_EQ(contourCopy.GetYPosition(), 5);
}

TEST_F(GridSeriesTest, ColourGridPixelsKeepTheirColoursAndHolesShowThrough)
{
    auto& s = Make<TColorGridSeries>();
    Scale(0, 10, 0, 10);
    s.AddXYZ(1, 0, 1, "", clRed);
    s.AddXYZ(2, 0, 1, "", clBlue);
    s.AddXYZ(1, 0, 2, "", clWhite);
    s.AddXYZ(2, 0, 2, "", clGreen);
    s.DoBeforeDrawChart();
    Draw(s);
    const QImage& image = s.Bitmap()->Image();
    EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFF, 0xFF0000u);  // red, as the screen shows it
    EXPECT_EQ(image.pixel(1, 0) & 0xFFFFFF, 0x0000FFu);
    EXPECT_FALSE(s.Bitmap()->GetTransparent());
    // With a hole the picture turns see-through, but a white cell stays a cell.
    s.Delete(3);
    s.DoBeforeDrawChart();
    Draw(s);
    EXPECT_TRUE(s.Bitmap()->GetTransparent());
    const auto* picture = static_cast<const TColorGridBitmap*>(s.Bitmap());
    EXPECT_NE(picture->TransparentColor, clWhite);
    EXPECT_EQ(s.Bitmap()->Image().pixel(0, 1) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(qRed(s.Bitmap()->Image().pixel(1, 1)), 254);  // the hole, in the picture's key colour

    TBitmap pixels;
    pixels.SetSize(4, 3);
    pixels.Image().setPixel(3, 2, qRgb(0, 0, 255));
    s.SetBitmap(&pixels);
    EXPECT_EQ(s.Count(), 12);
    EXPECT_EQ(s.GetNumXValues(), 4);
    EXPECT_EQ(s.GetNumZValues(), 3);
    EXPECT_TRUE(s.GetCenteredPoints());
    EXPECT_EQ(s.GetValueColor(11), clBlue);
}

// ---------------------------------------------------------------- vectors and towers

TEST_F(GridSeriesTest, VectorsRunFromStartToEndWithAHeadAtTheEnd)
{
    auto& s = Make<TVector3DSeries>();
    s.AddVector(10, 20, 1, 110, 20, 1);
    s.AddVector(50, 50, 2, 50, 50, 2);
    EXPECT_EQ(s.MaxXValue(), 110);
    EXPECT_EQ(s.MaxZValue(), 2);
    Draw(s);
    EXPECT_EQ(Drawn("MoveTo3D"), (Calls{"MoveTo3D(60,300,10)", "MoveTo3D(100,270,20)"}));
    EXPECT_EQ(Drawn("LineTo3D"), (Calls{"LineTo3D(160,300,10)", "LineTo3D(100,270,20)"}));
    // One head per vector, back along it from its end: (160 - 4, 300 -/+ 4).
    EXPECT_EQ(Drawn("MoveTo")[0], "MoveTo(156,296)");
    EXPECT_EQ(Drawn("LineTo").size(), 4u);
    s.GetStartArrow()->Show();
    Draw(s);
    EXPECT_EQ(Drawn("LineTo").size(), 8u);
}

TEST_F(GridSeriesTest, TowersStandOnTheirCellsFromTheirOrigin)
{
    auto& s = Make<TTowerSeries>();
    Fill(s, 2, 2, Sum);
    EXPECT_EQ(s.MinXValue(), 0.5);
    EXPECT_EQ(s.MaxZValue(), 2.5);
    Scale(0, 4, 0, 4);  // 100 pixels per unit across, 75 up
    s.SetPercentWidth(50);
    Draw(s);
    const Calls cubes = Drawn("Cube");
    ASSERT_EQ(cubes.size(), 4u);
    // Cells column by column from X 1, each from the back row: (1, 2) first, a quarter
    // unit each side, from its value (3) down to the lowest (2).
    EXPECT_EQ(cubes[0], "Cube(125,175,95,170,15,25,true)");
    EXPECT_EQ(s.Clicked(150, 120), -1);
    s.SetTowerStyle(tsCone);
    s.SetUseOrigin(true);
    s.SetOrigin(3);
    Draw(s);
    // A value below the origin points down from it.
    EXPECT_EQ(Drawn("Cone")[1], "Cone(true,125,170,175,95,5,15,true,0)");
}

// ---------------------------------------------------------------- registration

TEST(Grid3DSeriesRegistration, SixTypesOnThe3DPageInTheirOrder)
{
    RegisterTee3DSeries();
    std::vector<std::string> names;
    for (const TTeeSeriesType& t : TeeSeriesTypes())
        if (t.GalleryPage == &TeeMsg_Gallery3D) {
            names.push_back(t.SeriesClass->className());
            EXPECT_EQ(t.NumGallerySeries, 1);
        }
    EXPECT_EQ(names, (std::vector<std::string>{"TSurfaceSeries", "TContourSeries", "TWaterFallSeries",
                                               "TColorGridSeries", "TVector3DSeries", "TTowerSeries"}));
}

}  // namespace
