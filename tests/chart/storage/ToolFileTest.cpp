// Tools in chart files: every kind comes back with its properties in both forms, series
// references are kept, and a tool class the library does not know fails the load.
#include <gtest/gtest.h>

#include <memory>

#include "chart/engine/TChartAxis.h"
#include "chart/engine/TCustomChart.h"
#include "chart/series/TAnnotationTool.h"
#include "chart/series/TAxisArrowTool.h"
#include "chart/series/TAxisScrollTool.h"
#include "chart/series/TChartImageTool.h"
#include "chart/series/TClipSeriesTool.h"
#include "chart/series/TCursorTool.h"
#include "chart/series/TDragMarksTool.h"
#include "chart/series/TDrawLineTool.h"
#include "chart/series/TGridTransposeTool.h"
#include "chart/series/TLineSeries.h"
#include "chart/series/TMarksTipTool.h"
#include "chart/series/TNearestTool.h"
#include "chart/series/TRectangleTool.h"
#include "chart/series/TRotateTool.h"
#include "chart/series/TSeriesAnimationTool.h"
#include "chart/series/TSurfaceSeries.h"
#include "chart/series/Tee3DSeries.h"
#include "chart/series/TeeAxisToolTypes.h"
#include "chart/storage/TeeComponentPersist.h"
#include "chart/storage/TeeStore.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

template <typename T>
T* AddTool(TChart& chart)
{
    auto* tool = new T(&chart);
    chart.Tools()->Add(tool);
    return tool;
}

// One tool of every kind, each with settings other than its defaults.
void FillTools(TChart& chart, TChartSeries* s)
{
    auto* cursor = AddTool<TCursorTool>(chart);
    cursor->SetSeries(s);
    cursor->SetSnap(true);
    cursor->SetStyle(cssVertical);
    cursor->SetClickTolerance(4);
    cursor->Pen()->SetColor(clRed);
    AddTool<TDragMarksTool>(chart)->SetSeries(s);
    auto* arrows = new TAxisArrowTool(&chart);
    arrows->SetAxis(chart.LeftAxis());
    arrows->SetLength(20);
    arrows->SetPosition(aaEnd);
    arrows->SetScrollPercent(25);
    auto* lines = AddTool<TDrawLineTool>(chart);
    lines->SetEnableDraw(false);
    lines->SetButton(mbRight);
    new TDrawLine(lines, 1, 2, 3, 4);
    auto* second = new TDrawLine(lines, 5, 6, 7, 8);
    second->SetStyle(dlHorizParallel);
    second->GetPen()->SetColor(clGreen);
    auto* nearest = AddTool<TNearestTool>(chart);
    nearest->SetSeries(s);
    nearest->SetSize(12);
    nearest->SetStyle(hsDiamond);
    nearest->SetDrawLine(false);
    nearest->SetFullRepaint(false);
    auto* band = new TColorBandTool(&chart);
    band->SetAxis(chart.BottomAxis());
    band->SetStartValue(2);
    band->SetEndValue(4);
    band->SetColor(clYellow);
    band->SetResizeStart(true);
    band->SetTransparency(30);
    band->StartLinePen()->SetColor(clBlue);
    band->Gradient()->SetVisible(true);
    auto* line = new TColorLineTool(&chart);
    line->SetAxis(chart.LeftAxis());
    line->SetStyle(clCenter);
    line->SetDragRepaint(true);
    auto* rotate = AddTool<TRotateTool>(chart);
    rotate->SetInverted(true);
    rotate->SetStyle(rsElevation);
    rotate->Pen()->SetVisible(true);
    auto* image = AddTool<TChartImageTool>(chart);
    image->SetSeries(s);
    TBitmap picture;
    picture.SetSize(3, 2);
    picture.Image().fill(QColor(10, 200, 30));
    image->GetPicture()->SetGraphic(&picture);
    auto* tip = AddTool<TMarksTipTool>(chart);
    tip->SetMouseAction(mtmClick);
    tip->SetStyle(smsValue);
    auto* note = AddTool<TAnnotationTool>(chart);
    note->SetText("a\rb");
    note->SetPosition(ppRightTop);
    note->SetTextAlignment(titleenums::taCenter);
    note->GetCallout()->SetVisible(true);
    note->GetCallout()->GetArrow()->SetVisible(true);
    note->GetCallout()->SetXPosition(5);
    auto* animation = AddTool<TSeriesAnimationTool>(chart);
    animation->SetSeries(s);
    animation->SetSteps(7);
    animation->SetLoop(salCircular);
    animation->SetDrawEvery(2);
    animation->SetStartAtMin(false);
    animation->SetStartValue(3);
    auto* grid = new TGridBandTool(&chart);
    grid->SetAxis(chart.LeftAxis());
    grid->GetBand1()->SetColor(clRed);
    grid->GetBand2()->SetTransparency(20);
    auto* scroll = AddTool<TAxisScrollTool>(chart);
    scroll->SetScrollInverted(true);
    scroll->SetActive(false);
    auto* rect = AddTool<TRectangleTool>(chart);
    rect->GetShape()->SetLeft(30);
    rect->GetShape()->SetTop(40);
    rect->SetWidth(70);
    rect->GetShape()->SetTransparency(0);
    AddTool<TClipSeriesTool>(chart)->SetSeries(s);
    auto* surface = new TSurfaceSeries(&chart);
    surface->setObjectName("Series2");
    chart.AddSeries(surface);
    AddTool<TGridTransposeTool>(chart)->SetSeries(surface);
}

Bytes Save(TChart& chart, bool text)
{
    TMemoryStream m;
    SaveChartToStream(&chart, &m, true, text);
    return m.Bytes();
}

void Load(TChart& chart, const Bytes& bytes, const TProcTeeCheckError& onError = {})
{
    TMemoryStream m(bytes.data(), bytes.size());
    LoadChartFromStreamCheck(&chart, &m, onError, true);
}

// A tool as the file sees it.
std::string Stored(QObject* tool)
{
    TStreamComponent c = ComponentFromObject(tool);
    c.Name.clear();
    return WriteComponentText(c);
}

class ToolFileTest : public ::testing::Test {
protected:
    ToolFileTest()
    {
        TeeStoreRegisterClasses();
        RegisterTee3DSeries();
        series = new TLineSeries(&source);
        series->setObjectName("Series1");
        series->AddXY(1, 2);
        source.AddSeries(series);
        FillTools(source, series);
    }

    TChart source;
    TLineSeries* series;
};

TEST_F(ToolFileTest, EveryToolComesBackWithItsPropertiesInBothForms)
{
    ASSERT_EQ(source.Tools()->Count(), 17);
    for (bool text : {false, true}) {
        TChart target;
        Load(target, Save(source, text));
        ASSERT_EQ(target.Tools()->Count(), 17) << text;
        for (int i = 0; i < 17; ++i) {
            TTeeCustomTool* a = source.Tools()->Items(i);
            TTeeCustomTool* b = target.Tools()->Items(i);
            ASSERT_STREQ(a->metaObject()->className(), b->metaObject()->className());
            EXPECT_EQ(Stored(a), Stored(b)) << a->metaObject()->className() << (text ? " text" : " binary");
            EXPECT_EQ(b->ParentChart(), &target);
        }
        auto* cursor = qobject_cast<TCursorTool*>(target.Tools()->Items(0));
        EXPECT_EQ(cursor->Series(), target.GetSeries(0));
        auto* line = qobject_cast<TColorLineTool*>(target.Tools()->Items(6));
        EXPECT_EQ(line->GetStyle(), clCenter);
        EXPECT_EQ(line->Axis(), target.LeftAxis());
        auto* lines = qobject_cast<TDrawLineTool*>(target.Tools()->Items(3));
        ASSERT_EQ(lines->Lines()->Count(), 2);
        EXPECT_DOUBLE_EQ(lines->Lines()->Items(1)->GetX1(), 7);
        EXPECT_FALSE(lines->Lines()->Items(0)->HasPen());
        EXPECT_EQ(lines->Lines()->Items(1)->GetPen()->GetColor(), clGreen);
        auto* image = qobject_cast<TChartImageTool*>(target.Tools()->Items(8));
        ASSERT_NE(image->GetPicture()->GetGraphic(), nullptr);
        EXPECT_EQ(image->GetPicture()->GetGraphic()->ToImage().pixelColor(2, 1), QColor(10, 200, 30));
        EXPECT_EQ(qobject_cast<TGridTransposeTool*>(target.Tools()->Items(16))->Series(), target.GetSeries(1));
    }
}

TEST_F(ToolFileTest, UnnamedSeriesOfToolsAreNamedInTheFileOnly)
{
    series->setObjectName(QString());
    TChart target;
    Load(target, Save(source, true));
    EXPECT_TRUE(series->objectName().isEmpty());
    auto* clip = qobject_cast<TClipSeriesTool*>(target.Tools()->Items(15));
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(clip->Series(), target.GetSeries(0));
}

TEST_F(ToolFileTest, AnUnknownToolClassFailsTheLoadUnlessLetPass)
{
    const Bytes good = Save(source, true);
    std::string text(good.begin(), good.end());
    const std::size_t at = text.find("TClipSeriesTool");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, std::string("TClipSeriesTool").size(), "TNoSuchTool");
    const Bytes bad(text.begin(), text.end());

    TChart target;
    target.AddSeries(new TLineSeries(&target))->setObjectName("Keep");
    try {
        Load(target, bad);
        FAIL() << "no error";
    } catch (const ChartException& e) {
        EXPECT_NE(e.Message.find("Class TNoSuchTool not found"), std::string::npos) << e.Message;
    }
    EXPECT_EQ(target.GetSeries(0)->objectName(), "Keep");
    EXPECT_EQ(target.Tools()->Count(), 0);

    std::vector<AnsiString> seen;
    Load(target, bad, [&](const AnsiString& m) {
        seen.push_back(m);
        return true;
    });
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], "Class TNoSuchTool not found");
    EXPECT_EQ(target.Tools()->Count(), 16);
}

}  // namespace
