// Pointers of every style with their marks and callout arrows, drawn through a real
// chart canvas and compared with a golden image (refresh with NOX_UPDATE_GOLDEN=1 after an
// intended change).
#include <gtest/gtest.h>

#include "chart/engine/TCustomTeePanel.h"
#include "chart/engine/TSeriesPointer.h"
#include "support/FakeChartHost.h"
#include "support/GoldenImage.h"
#include "support/PixelProbe.h"

namespace {

// A point series as the series types draw one: a pointer per value, marks lifted by the
// callout's length.
class PointSeries : public TChartSeries {
public:
    void DrawValue(int index) override
    {
        TCanvas3D* canvas = SeriesHost()->GetCanvas();
        const TColor color = ValueColor(index);
        Pointer.PrepareCanvas(canvas, color);
        Pointer.DrawPointer(canvas, false, CalcXPos(index), CalcYPos(index), Pointer.GetHorizSize(),
                            Pointer.GetVertSize(), color, static_cast<TSeriesPointerStyle>(index % 12));
    }
    void DrawMark(int index, const AnsiString& text, TSeriesMarkPosition& position) override
    {
        Marks()->ApplyArrowLength(position);
        TChartSeries::DrawMark(index, text, position);
    }
    TSeriesPointer Pointer{this};
};

QImage DrawPointsAndMarks()
{
    TBitmap window;
    window.SetSize(240, 140);
    TCustomTeePanel panel;
    TCanvas3D* canvas = panel.GetCanvas();
    TView3DOptions options(nullptr);
    const TRect r = canvas->InitWindow(window.Canvas(), &options, clWhite, false, TRect(0, 0, 240, 140));
    canvas->Projection(0, r, r);
    canvas->ResetState();
    canvas->Brush->SetColor(RGB(250, 250, 245));
    canvas->FillRect(r);

    FakeChartHost chart;
    chart.Panel = &panel;
    chart.Canvas = canvas;
    chart.ChartRect = TRect(20, 30, 220, 125);
    chart.CreateStandardAxes();
    chart.AxesList.BottomAxis()->SetMinMax(-0.5, 11.5);
    chart.AxesList.LeftAxis()->SetMinMax(0, 10);
    chart.CalcAxisPositions();

    PointSeries series;
    series.SetParentChart(&chart);
    const TColor colors[] = {clRed, clGreen, clBlue, clMaroon, clPurple, clTeal};
    for (int i = 0; i < 12; ++i)
        series.AddXY(i, 2 + (i * 7) % 8, i % 4 == 0 ? AnsiString(1, char('A' + i)) : AnsiString(), colors[i % 6]);
    series.Pointer.SetSize(5);
    series.Pointer.GetGradient()->SetVisible(true);
    series.Pointer.GetGradient()->SetStartColor(clWhite);
    series.Marks()->SetVisible(true);
    series.Marks()->SetDrawEvery(2);
    series.Marks()->GetCallout()->GetArrow()->SetVisible(true);
    series.Marks()->GetCallout()->GetArrow()->SetColor(clGray);
    series.Marks()->GetSymbol()->SetVisible(true);
    series.Marks()->Items().Get(4)->SetColor(clYellow);

    series.CalcFirstLastVisibleIndex();
    series.DrawAllValues();
    series.DrawMarks();
    canvas->ShowImage(window.Canvas(), window.Canvas(), TRect(0, 0, 240, 140));
    return window.ToImage();
}

}  // namespace

TEST(SeriesGolden, PointersAndMarks)
{
    const QImage image = DrawPointsAndMarks();
    // The marks' frames and the symbols in their points' colours.
    EXPECT_GT(support::CountColor(image, clRed), 0);
    EXPECT_GT(support::CountColor(image, clPurple), 0);
    EXPECT_GT(support::CountColor(image, clInfoBk), 0);
    EXPECT_MATCHES_GOLDEN(image, "series_pointers_marks.png");
}
