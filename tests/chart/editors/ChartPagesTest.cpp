#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabBar>

#include "EditorTestSupport.h"
#include "chart/editors/TAxisIncrement.h"
#include "chart/editors/TChartGalleryPanel.h"
#include "chart/editors/TFormTee3D.h"
#include "chart/editors/TFormTeeAxis.h"
#include "chart/editors/TFormTeeGeneral.h"
#include "chart/editors/TFormTeeLegend.h"
#include "chart/editors/TFormTeePage.h"
#include "chart/editors/TFormTeePanel.h"
#include "chart/editors/TFormTeeTitle.h"
#include "chart/editors/TFormTeeTools.h"
#include "chart/editors/TFormTeeWall.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TChartAxes.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeProcs.h"
#include "chart/series/TCursorTool.h"
#include "chart/series/TLineSeries.h"
#include "chart/series/TPieSeries.h"
#include "chart/series/TeeStandardSeries.h"
#include "platform/TBitmap.h"
#include "support/ScriptedDialogs.h"

namespace {

class PageNumberTool : public TTeeCustomTool {
    Q_OBJECT
public:
    Q_INVOKABLE explicit PageNumberTool(QObject* owner = nullptr) : TTeeCustomTool(owner) {}
    AnsiString Description() const override { return "Page Number"; }
};

struct PageChart {
    PageChart()
    {
        RegisterTeeStandardSeries();
        chart.resize(400, 300);
        line = new TLineSeries(&chart);
        line->SetParentChart(&chart);
        line->FillSampleValues(6);
    }
    TChart chart;
    TLineSeries* line = nullptr;
};

// A page shown as the chart editor shows it (embedded, so handlers run "while shown").
template <class Page, class... Args>
std::unique_ptr<Page> ShowPage(Args... args)
{
    auto page = std::make_unique<Page>(nullptr, args...);
    page->show();
    return page;
}

}  // namespace

TEST(AxisPage, IncrementsLogBaseAndFormats)
{
    PageChart p;
    // Hourly points over half a day: a date-time axis with a range below one day.
    p.line->Clear();
    for (int i = 0; i < 12; ++i) p.line->AddXY(45000 + i / 24.0, i);
    p.line->XValues()->SetDateTime(true);
    TChartAxis* axis = p.chart.BottomAxis();
    axis->SetDesiredIncrement(1.0 / 24);
    axis->SetExactDateTime(true);
    axis->AdjustMaxMin();
    auto page = ShowPage<TFormTeeAxis>(axis);
    EXPECT_EQ(page->LAxisIncre->text(), "One Hour");
    axis->SetExactDateTime(false);
    page->SetAxisScales();
    EXPECT_EQ(page->LAxisIncre->text().toStdString(), TimeToStr(1.0 / 24));

    // "2 06:00:00" is two days and six hours.
    {
        ModalScript script([](TTeeForm& f) {
            auto& d = dynamic_cast<TAxisIncrement&>(f);
            EXPECT_EQ(d.RadioGroup1->ItemIndex(), 1);
            d.ECustom->setText("2 06:00:00");
            d.BOk->click();
        });
        page->BIncre->click();
    }
    EXPECT_DOUBLE_EQ(axis->GetIncrement(), 2.25);

    // Bases that are no base are ignored.
    page->PageAxis->SetActivePage(page->TabScales);
    page->PageAxisChange();
    for (const char* text : {"0", "1", "-2", "nan", "inf", "abc"}) {
        page->ELogBase->setText(text);
        EXPECT_EQ(axis->GetLogarithmicBase(), 10) << text;
    }
    page->ELogBase->setText("2");
    EXPECT_EQ(axis->GetLogarithmicBase(), 2);

    // Time formats for a range under a day, date formats for a longer one.
    page->PageAxis->SetActivePage(page->TabLabels);
    page->PageAxisChange();
    EXPECT_GE(page->CBFormat->findText("hh:nn:ss"), 0);
    EXPECT_LT(page->CBFormat->findText("yyyy-mm-dd"), 0);
    p.line->AddXY(45003, 1);
    axis->AdjustMaxMin();
    page->PageAxisChange();
    EXPECT_GE(page->CBFormat->findText("yyyy-mm-dd"), 0);
    EXPECT_LT(page->CBFormat->findText("hh:nn:ss"), 0);
}

TEST(AxisPage, ListsEveryAxisAndAddsAndDeletesCustomAxes)
{
    PageChart p;
    p.chart.SetView3D(false);
    auto page = ShowPage<TFormTeeAxis>(p.chart.LeftAxis());
    EXPECT_EQ(page->LBAxes->count(), 6);  // the depth rows too, in a 2D chart
    for (int row = 0; row < 6; ++row) {
        page->LBAxes->setCurrentRow(row);
        EXPECT_FALSE(page->BDelete->isEnabled()) << row;
    }
    page->BAdd->click();
    EXPECT_EQ(page->LBAxes->count(), 7);
    EXPECT_EQ(page->LBAxes->currentRow(), 6);
    EXPECT_TRUE(page->BDelete->isEnabled());
    EXPECT_EQ(page->Axis, p.chart.Axes()->Get(6));
    page->BDelete->click();
    EXPECT_EQ(p.chart.Axes()->Count(), 6);
    EXPECT_EQ(page->LBAxes->currentRow(), 5);
    EXPECT_EQ(page->Axis, p.chart.DepthTopAxis());

    // A start position not below the end is not taken.
    page->PageAxis->SetActivePage(page->TabPositions);
    page->PageAxisChange();
    page->Axis->SetEndPosition(60);
    page->EStart->setValue(70);
    EXPECT_EQ(page->Axis->GetStartPosition(), 0);
    EXPECT_EQ(page->EStart->value(), 0);
}

TEST(View3DPage, RotationControlsOffsetRangesAndViews)
{
    PageChart p;
    p.chart.GetView3DOptions()->SetHorizOffset(2000);
    auto page = ShowPage<TFormTee3D>(static_cast<TCustomChart*>(&p.chart));
    EXPECT_EQ(page->SBHOffset->minimum(), -3000);
    EXPECT_EQ(page->SBHOffset->maximum(), 3000);
    EXPECT_EQ(page->SBHOffset->value(), 2000);
    EXPECT_EQ(p.chart.GetView3DOptions()->GetHorizOffset(), 2000);
    EXPECT_FALSE(page->SBRotation->isEnabled());  // orthogonal on a canvas without full rotation
    page->CBOrthogonal->click();
    EXPECT_TRUE(page->SBRotation->isEnabled());

    // A pie first on a canvas without full rotation: no rotation, no orthogonal.
    delete p.line;
    auto* pie = new TPieSeries(&p.chart);
    pie->SetParentChart(&p.chart);
    page->CheckControls();
    EXPECT_FALSE(page->CBOrthogonal->isEnabled());
    EXPECT_FALSE(page->SBRotation->isEnabled());
    EXPECT_FALSE(page->EOrthoAngle->isEnabled());

    // Without 3D nothing rotates; the depth still writes through.
    page->CBView3d->click();
    EXPECT_FALSE(p.chart.GetView3D());
    EXPECT_FALSE(page->SBElevation->isEnabled());
    page->SE3d->setValue(40);
    EXPECT_EQ(p.chart.GetChart3DPercent(), 40);

    // The default 345/345 view is none of the six; picking one copies it.
    p.chart.SetView3D(true);
    page->PageControl1->setCurrentWidget(page->TabViews);
    ASSERT_EQ(page->ChartGalleryPanel1->Charts.Count(), 6);
    EXPECT_EQ(page->ChartGalleryPanel1->SelectedChart, nullptr);
    page->ChartGalleryPanel1->SelectChart(page->ChartGalleryPanel1->Charts.GetChart(3));
    EXPECT_EQ(p.chart.GetView3DOptions()->GetRotation(), 360);
    EXPECT_EQ(p.chart.GetView3DOptions()->GetElevation(), 360);
    page->Select3DChart(&p.chart);
    EXPECT_EQ(page->ChartGalleryPanel1->SelectedChart, page->ChartGalleryPanel1->Charts.GetChart(3));
}

TEST(GeneralPage, MarginsZoomAndPaging)
{
    PageChart p;
    p.chart.SetMargin(0, 60);
    auto page = ShowPage<TFormTeeGeneral>(static_cast<TCustomChart*>(&p.chart));
    // Left 60 and right 45 would reach 100 percent: refused.
    page->SERightMa->setValue(45);
    EXPECT_EQ(p.chart.GetMargin(2), 3);
    EXPECT_EQ(page->SERightMa->value(), 3);
    page->SERightMa->setValue(39);
    EXPECT_EQ(p.chart.GetMargin(2), 39);
    // In pixels any value goes, and the ranges widen.
    page->CBMarUnits->setCurrentIndex(1);
    emit page->CBMarUnits->activated(1);
    EXPECT_EQ(page->SELeftMa->minimum(), -2000);
    page->SERightMa->setValue(500);
    EXPECT_EQ(p.chart.GetMargin(2), 500);

    page->CBAllowZoom->click();
    EXPECT_FALSE(p.chart.GetZoom()->Allow);
    for (QWidget* w : std::initializer_list<QWidget*>{page->CBAnimatedZoom, page->SEAniZoomSteps, page->EMinPix,
                                                      page->BZoomColor, page->CBDir, page->CBZoomMouse, page->CBUpLeft})
        EXPECT_FALSE(w->isEnabled());

    TChartPageNavigator nav;
    nav.SetChart(&p.chart);
    p.chart.SetMaxPointsPerPage(2);
    EXPECT_EQ(nav.PageCount(), 3);
    nav.BtnClick(nbLast);
    EXPECT_EQ(p.chart.GetPage(), 3);
    EXPECT_FALSE(nav.Button(nbNext)->isEnabled());
    EXPECT_TRUE(nav.Button(nbFirst)->isEnabled());
}

TEST(LegendPage, CustomPositionMarginsAndCheckBoxes)
{
    PageChart p;
    TChartLegend* legend = p.chart.GetLegend();
    legend->SetAlignment(laBottom);
    legend->SetVertMargin(7);
    auto page = ShowPage<TFormTeeLegend>(static_cast<TCustomChartLegend*>(legend));
    EXPECT_EQ(page->SEMargin->value(), 7);
    page->SEMargin->setValue(9);
    EXPECT_EQ(legend->GetVertMargin(), 9);
    page->RGPosition->Button(0)->click();
    EXPECT_EQ(legend->GetAlignment(), laLeft);
    page->SEMargin->setValue(4);
    EXPECT_EQ(legend->GetHorizMargin(), 4);

    page->CBCustPos->click();
    EXPECT_TRUE(legend->GetCustomPosition());
    EXPECT_FALSE(legend->GetResizeChart());
    EXPECT_FALSE(page->SETopPos->isEnabled());
    EXPECT_FALSE(page->SEMargin->isEnabled());
    EXPECT_FALSE(page->CBResizeChart->isEnabled());
    EXPECT_TRUE(page->ECustLeft->isEnabled());
    page->CBCustPos->click();
    EXPECT_FALSE(legend->GetResizeChart());

    page->CBCheckBoxes->setCurrentIndex(2);
    emit page->CBCheckBoxes->activated(2);
    EXPECT_TRUE(legend->GetCheckBoxes());
    EXPECT_EQ(legend->GetCheckBoxesStyle(), cbsRadio);
    page->CBCheckBoxes->setCurrentIndex(0);
    emit page->CBCheckBoxes->activated(0);
    EXPECT_FALSE(legend->GetCheckBoxes());
}

TEST(TitleAndWallPages, EditTheChosenElement)
{
    PageChart p;
    p.chart.GetFoot()->SetText({"one", "two"});
    auto titles = ShowPage<TFormTeeTitle>(static_cast<TCustomChart*>(&p.chart), p.chart.GetTitle());
    titles->CBTitles->setCurrentIndex(3);
    emit titles->CBTitles->activated(3);
    EXPECT_EQ(titles->Title, p.chart.GetFoot());
    EXPECT_EQ(titles->MText->toPlainText(), "one\ntwo");
    titles->MText->setPlainText("three");
    EXPECT_EQ(p.chart.GetFoot()->Text(), std::vector<AnsiString>{"three"});
    // Without "Custom" the place boxes change nothing; ticking it loads the title's place.
    const int left = p.chart.GetFoot()->GetLeft();
    titles->ECustLeft->setValue(left + 25);
    EXPECT_EQ(p.chart.GetFoot()->GetLeft(), left);
    titles->CBCustPos->click();
    EXPECT_EQ(titles->ECustLeft->value(), left);
    titles->ECustLeft->setValue(left + 25);
    EXPECT_EQ(p.chart.GetFoot()->GetLeft(), left + 25);

    auto walls = ShowPage<TFormTeeWall>(static_cast<TChartWall*>(p.chart.GetBottomWall()));
    EXPECT_EQ(walls->TabSubWalls->currentIndex(), 2);
    EXPECT_FALSE(walls->CBAutoHide->isVisible());
    walls->TabSubWalls->setCurrentIndex(0);
    EXPECT_EQ(walls->Wall, p.chart.GetLeftWall());
    EXPECT_TRUE(walls->CBAutoHide->isVisible());
    walls->SEWallSize->setValue(0);
    EXPECT_FALSE(walls->CBDark3D->isEnabled());
    walls->EAllSize->setValue(6);
    EXPECT_EQ(p.chart.GetBackWall()->GetSize(), 6);
    EXPECT_EQ(walls->SEWallSize->value(), 6);
    EXPECT_TRUE(walls->CBDark3D->isEnabled());
}

TEST(PanelAndPagingPages, ColourImageAndPageNumber)
{
    PageChart p;
    p.chart.SetColor(clWhite);
    auto image = std::make_unique<TBitmap>();
    image->SetSize(4, 4);
    p.chart.GetBackImage()->SetGraphic(image.get());
    auto panel = ShowPage<TFormTeePanel>(static_cast<TCustomTeePanelExtended*>(&p.chart));
    EXPECT_EQ(panel->BBrowseImage->text().toStdString(), TeeMsg_ClearImage);
    EXPECT_TRUE(panel->RGBitmap->isEnabled());
    panel->BBrowseImage->click();
    EXPECT_FALSE(p.chart.HasBackImage());
    EXPECT_FALSE(panel->RGBitmap->isEnabled());
    EXPECT_EQ(panel->BBrowseImage->text().toStdString(), TeeMsg_BrowseImage);
    EXPECT_TRUE(panel->CBColorDef->isEnabled());
    panel->CBColorDef->click();
    EXPECT_EQ(p.chart.GetColor(), clBtnFace);
    EXPECT_FALSE(panel->CBColorDef->isEnabled());

    KeepGlobal keepPageNumTool(TeePageNumToolClass);
    TeePageNumToolClass = &PageNumberTool::staticMetaObject;
    p.chart.SetMaxPointsPerPage(2);
    auto page = ShowPage<TFormTeePage>(static_cast<TCustomChart*>(&p.chart));
    EXPECT_EQ(page->LabelPages->text(), "Page 1 of 3");
    EXPECT_TRUE(page->CBPageNum->isVisible());
    page->CBPageNum->click();
    ASSERT_EQ(p.chart.Tools()->Count(), 1);
    TTeeCustomTool* tool = p.chart.Tools()->Items(0);
    EXPECT_TRUE(qobject_cast<PageNumberTool*>(tool));
    EXPECT_EQ(tool->objectName(), "ChartTool1");
    EXPECT_TRUE(tool->GetActive());
    page->CBPageNum->click();
    EXPECT_EQ(p.chart.Tools()->Count(), 1);
    EXPECT_FALSE(tool->GetActive());
    // An empty box turns paging off.
    page->SEPointsPerPage->findChild<QLineEdit*>()->setText("");
    EXPECT_EQ(p.chart.GetMaxPointsPerPage(), 0);
}

TEST(ToolsPage, DeleteSelectsTheRightRowAndMovesKeepHiddenToolsInPlace)
{
    PageChart p;
    std::vector<TTeeCustomTool*> tools;
    for (const char* name : {"A", "B", "C"}) {
        auto* t = new TCursorTool(&p.chart);
        t->setObjectName(name);
        t->SetParentChart(&p.chart);
        tools.push_back(t);
    }
    TFormTeeTools page;
    page.SetTag(&p.chart);
    page.show();
    ASSERT_EQ(page.LBTools->count(), 3);
    EXPECT_FALSE(page.BMoveUp->isEnabled());
    page.LBTools->setCurrentRow(2);
    EXPECT_FALSE(page.BMoveDown->isEnabled());
    EXPECT_TRUE(page.BMoveUp->isEnabled());

    auto& dialogs = support::TestDialogs();
    dialogs.Clear();
    dialogs.QueueAnswer(IDYES);
    page.BDelete->click();  // the third: the second is selected
    EXPECT_EQ(page.CurrentTool(), tools[1]);
    auto* d = new TCursorTool(&p.chart);
    d->SetParentChart(&p.chart);
    page.FillAndSet();
    dialogs.QueueAnswer(IDYES);
    page.BDelete->click();  // the first of three: the last row is selected
    EXPECT_EQ(page.CurrentTool(), d);

    // A hidden tool between the two rows stays where it is when they swap.
    auto* hidden = new TCursorTool(&p.chart);
    hidden->InternalUse = true;
    hidden->SetParentChart(&p.chart);
    p.chart.Tools()->Exchange(p.chart.Tools()->IndexOf(hidden), p.chart.Tools()->IndexOf(d));
    // Chart order: B, hidden, D; rows: B, D.
    page.FillAndSet();
    ASSERT_EQ(page.LBTools->count(), 2);
    page.LBTools->setCurrentRow(1);
    page.BMoveUp->click();
    EXPECT_EQ(p.chart.Tools()->Items(0), d);
    EXPECT_EQ(p.chart.Tools()->Items(1), hidden);
    EXPECT_EQ(p.chart.Tools()->Items(2), tools[1]);
    EXPECT_EQ(page.CurrentTool(), d);
}

#include "ChartPagesTest.moc"
