#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGuiApplication>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QToolButton>

#include "EditorTestSupport.h"
#include "chart/editors/TChartGalleryPanel.h"
#include "chart/editors/TChartListBox.h"
#include "chart/editors/TSelectListForm.h"
#include "chart/editors/TTeeGallery.h"
#include "chart/editors/TTeeGalleryForm.h"
#include "chart/editors/TTeeToolsGallery.h"
#include "chart/editors/TeeGally.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TTeeCustomTool.h"
#include "chart/series/TBarSeries.h"
#include "chart/series/TBubbleSeries.h"
#include "chart/series/TLineSeries.h"
#include "chart/series/TeeAxisToolTypes.h"
#include "chart/series/TeeLegendScrollBar.h"

namespace {

class MarkTool : public TTeeCustomToolSeries {
    Q_OBJECT
public:
    Q_INVOKABLE explicit MarkTool(QObject* owner = nullptr) : TTeeCustomToolSeries(owner) {}
    AnsiString Description() const override { return "Mark"; }
};

// The registered series types replaced by the given ones while it lives.
class TypesScope {
public:
    explicit TypesScope(std::vector<TTeeSeriesType> Types) : FSaved(TeeSeriesTypes())
    {
        static_cast<std::vector<TTeeSeriesType>&>(TeeSeriesTypes()) = std::move(Types);
    }
    ~TypesScope() { static_cast<std::vector<TTeeSeriesType>&>(TeeSeriesTypes()) = FSaved; }

private:
    std::vector<TTeeSeriesType> FSaved;
};

const AnsiString P16 = "Sixteen", P13 = "Thirteen", P5 = "Five", Mixed = "Mixed";

std::vector<TTeeSeriesType> Pages()
{
    std::vector<TTeeSeriesType> types;
    auto add = [&](const AnsiString* page, int n, TChartSeriesClass c = &TLineSeries::staticMetaObject) {
        for (int i = 0; i < n; ++i) types.push_back({c, nullptr, nullptr, page, 1});
    };
    add(&P16, 16);
    add(&P13, 13);
    add(&P5, 5);
    add(&Mixed, 1);
    add(&Mixed, 1, &TBubbleSeries::staticMetaObject);
    add(&Mixed, 1);
    return types;
}

// A theme that colours the chart and shows every series' marks.
class TMarkedTheme : public TChartTheme {
public:
    using TChartTheme::TChartTheme;
    void Apply() override
    {
        FChart->SetColor(clRed);
        for (int i = 0; i < FChart->SeriesCount(); ++i) FChart->GetSeries(i)->Marks()->SetVisible(true);
    }
};

int IndexOf(const TChartGalleryPanel& panel, const TGalleryChart* chart)
{
    for (int i = 0; i < panel.Charts.Count(); ++i)
        if (panel.Charts.GetChart(i) == chart) return i;
    return -1;
}

}  // namespace

TEST(SeriesGallery, RowsFollowThePageAndKeysStayOnEnabledCells)
{
    SettingsSandbox settings;
    TypesScope types(Pages());
    TChartGalleryPanel panel;
    panel.resize(400, 300);
    panel.CreateGalleryPage(P16);
    EXPECT_EQ(panel.GetNumRows(), 4);
    panel.CreateGalleryPage(P13);
    EXPECT_EQ(panel.GetNumRows(), 4);
    EXPECT_EQ(panel.Charts.Count(), 13);
    panel.CreateGalleryPage(P5);
    EXPECT_EQ(panel.GetNumRows(), 3);
    panel.CreateGalleryPage(P13);
    EXPECT_EQ(panel.SelectedChart, panel.Charts.GetChart(0));
    EXPECT_EQ(panel.ChartWidth, (400 - 1) / 4);

    panel.SelectChart(panel.Charts.GetChart(3));
    panel.KeyDown(Qt::Key_Right, 0);  // no column to the right
    EXPECT_EQ(IndexOf(panel, panel.SelectedChart), 3);
    panel.KeyDown(Qt::Key_Up, 0);
    EXPECT_EQ(IndexOf(panel, panel.SelectedChart), 3);
    panel.KeyDown(Qt::Key_Down, 0);
    EXPECT_EQ(IndexOf(panel, panel.SelectedChart), 7);
    panel.KeyDown(Qt::Key_Left, 0);
    EXPECT_EQ(IndexOf(panel, panel.SelectedChart), 6);
    EXPECT_TRUE(panel.SelectedChart->Focused());
    EXPECT_FALSE(panel.Charts.GetChart(3)->Focused());

    // A cell that cannot take the checked series as its source stays out of reach.
    TLineSeries check;
    panel.CheckSeries = &check;
    panel.CheckValidSource = true;
    panel.CreateGalleryPage(Mixed);
    TGalleryChart* bubble = panel.Charts.GetChart(1);
    EXPECT_FALSE(bubble->CellEnabled());
    EXPECT_EQ(bubble->GetCursor(), crNoDrop);
    EXPECT_EQ(panel.SelectedChart, panel.Charts.GetChart(0));
    panel.KeyDown(Qt::Key_Right, 0);
    EXPECT_EQ(panel.SelectedChart, panel.Charts.GetChart(0));
    panel.ChartMouseDown(bubble, 50, 20);
    EXPECT_EQ(panel.SelectedChart, panel.Charts.GetChart(0));
}

TEST(SeriesGallery, APageWithFewerCellsLeavesNothingOfThePreviousPage)
{
    SettingsSandbox settings;
    TypesScope types(Pages());
    TChartGalleryPanel panel;
    panel.resize(400, 300);
    panel.CreateGalleryPage(P16);
    panel.CreateGalleryPage(P5);
    // Whatever the screen held before: every pixel of the panel is painted again.
    QImage image(panel.size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    panel.render(&image);
    const QRect lastCell = panel.Charts.GetChart(4)->geometry();
    EXPECT_EQ(image.pixelColor(lastCell.right() + 20, lastCell.center().y()), TColorToQColor(panel.GetColor()));
    EXPECT_EQ(image.pixelColor(200, 290), TColorToQColor(panel.GetColor()));
    EXPECT_EQ(image.pixelColor(0, 0), TColorToQColor(clBtnHighlight));
}

TEST(SeriesGallery, VariantsPopUpStaysOnScreenAndGivesTheVariant)
{
    SettingsSandbox settings;
    TypesScope types(Pages());
    QWidget window;
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    window.setGeometry(screen.right() - 150, screen.bottom() - 150, 400, 300);
    auto* panel = new TChartGalleryPanel(&window);
    panel->resize(400, 300);
    window.show();
    panel->CreateGalleryPage(P5);
    int subSelected = 0;
    panel->OnSubSelected = [&](QObject*) { ++subSelected; };
    ModalScript script([&](TTeeForm& popup) {
        EXPECT_LE(popup.frameGeometry().right(), screen.right());
        EXPECT_LE(popup.frameGeometry().bottom(), screen.bottom());
        TChartGalleryPanel* sub = panel->SubGalleryPanel();
        ASSERT_NE(sub, nullptr);
        EXPECT_GT(sub->Charts.Count(), 2);  // the line's variants
        sub->ChartOnDblClick(sub->Charts.GetChart(2));
    });
    // A press on the focused cell's arrow opens the variants.
    TGalleryChart* cell = panel->SelectedChart;
    const TRect arrow = panel->SubArrowRect(cell);
    panel->ChartMouseDown(cell, arrow.Left + 2, arrow.Bottom - 2);
    EXPECT_EQ(script.Shown, 1);
    EXPECT_EQ(subSelected, 1);
    TChartSeriesClass seriesClass = nullptr;
    TTeeFunctionClass functionClass = nullptr;
    int subIndex = -1;
    ASSERT_TRUE(panel->GetSeriesClass(seriesClass, functionClass, subIndex));
    EXPECT_EQ(seriesClass, &TLineSeries::staticMetaObject);
    EXPECT_EQ(subIndex, 2);
    EXPECT_TRUE(cell->Focused());
}

TEST(SeriesGallery, CreatesChangesAndRemembersTheChoices)
{
    SettingsSandbox settings;
    TChart chart;
    auto* line = new TLineSeries(&chart);
    line->SetParentChart(&chart);
    line->FillSampleValues(5);

    // The series' own type again, without a variant: nothing is made.
    {
        ModalScript same([](TTeeForm& form) {
            auto& g = dynamic_cast<TTeeGallery&>(form);
            EXPECT_EQ(g.TabTypes->count(), 1);  // no functions for a type change
            ASSERT_NE(g.ChartGalleryPanel1->SelectedChart, nullptr);
            EXPECT_EQ(g.ChartGalleryPanel1->SelectedChart->GetSeries(0)->metaObject(), &TLineSeries::staticMetaObject);
            g.BOk->click();
        });
        int subIndex = 0;
        EXPECT_EQ(CreateNewSeriesGallery(nullptr, line, &chart, false, true, subIndex), nullptr);
        EXPECT_EQ(same.Shown, 1);
        EXPECT_EQ(chart.SeriesCount(), 1);
    }
    // Another type: the series is replaced and keeps its points; Smooth is remembered.
    {
        ModalScript bar([](TTeeForm& form) {
            auto& g = dynamic_cast<TTeeGallery&>(form);
            g.CBSmooth->setChecked(true);
            for (TGalleryChart* c : g.ChartGalleryPanel1->Charts)
                if (c->GetSeries(0)->metaObject() == &TBarSeries::staticMetaObject)
                    g.ChartGalleryPanel1->SelectChart(c);
            g.ChartGalleryPanel1->KeyDown(Qt::Key_Return, 0);
        });
        TChartSeries* series = line;
        ChangeSeriesTypeGallery(nullptr, series);
        ASSERT_NE(series, nullptr);
        EXPECT_EQ(series->metaObject(), &TBarSeries::staticMetaObject);
        EXPECT_EQ(series->Count(), 5);
        EXPECT_EQ(chart.SeriesCount(), 1);
        EXPECT_EQ(chart.GetSeries(0), series);
    }
    EXPECT_TRUE(DefaultSmooth());
    EXPECT_TRUE(TChartGalleryPanel().GetSmooth());

    // "GalleryMode" 1 opens the alternate gallery; its choice is a plain type.
    SaveMode(1);
    ModalScript alternate([](TTeeForm& form) {
        auto& g = dynamic_cast<TTeeGalleryForm&>(form);
        EXPECT_GT(g.ChartListBox1->count(), 3);
        EXPECT_GT(g.ChartGalleryPanel1->Charts.Count(), 1);
        g.ChartGalleryPanel1->ChartOnDblClick(g.ChartGalleryPanel1->Charts.GetChart(1));
    });
    int subIndex = 0;
    TChartSeries* added = CreateNewSeriesGallery(nullptr, nullptr, &chart, true, false, subIndex);
    EXPECT_EQ(alternate.Shown, 1);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(subIndex, 1);
    EXPECT_EQ(chart.SeriesCount(), 2);
}

TEST(ToolsGallery, TabsFilterByAncestry)
{
    std::vector<TTeeCustomToolClass> saved = TeeToolTypes();
    TeeToolTypes().clear();
    RegisterTeeTools({&MarkTool::staticMetaObject, &TColorLineTool::staticMetaObject,
                      &TLegendScrollBar::staticMetaObject, &TGridBandTool::staticMetaObject});
    ModalScript script([](TTeeForm& form) {
        auto& g = static_cast<TTeeToolsGallery&>(form);
        ASSERT_EQ(g.TabControl1->count(), 3);
        EXPECT_EQ(g.LBTool->count(), 1);
        EXPECT_EQ(g.SelectedTool(), &MarkTool::staticMetaObject);
        g.TabControl1->setCurrentIndex(1);
        EXPECT_EQ(g.LBTool->count(), 2);
        g.TabControl1->setCurrentIndex(2);
        ASSERT_EQ(g.LBTool->count(), 1);
        EXPECT_EQ(g.ToolAtIndex(0), &TLegendScrollBar::staticMetaObject);
        g.BOk->click();
    });
    auto gallery = TeeCreateForm<TTeeToolsGallery>(nullptr);
    EXPECT_EQ(gallery->ShowModal(), mrOk);
    EXPECT_EQ(gallery->SelectedTool(), &TLegendScrollBar::staticMetaObject);
    static_cast<std::vector<TTeeCustomToolClass>&>(TeeToolTypes()) = saved;
}

TEST(SelectList, MovesKeepOrderAndButtonsFollow)
{
    TSelectListForm form;
    int changes = 0;
    form.OnChange = [&](QObject*) { ++changes; };
    for (const char* t : {"A", "B", "C", "D", "E"}) form.FromList->addItem(t);
    form.show();
    EXPECT_FALSE(form.BLeftOne->isEnabled());
    EXPECT_FALSE(form.BMoveUP->isEnabled());
    form.FromList->item(1)->setSelected(true);
    form.FromList->item(3)->setSelected(true);
    form.BRightOne->click();
    ASSERT_EQ(form.ToList->count(), 2);
    EXPECT_EQ(form.ToList->item(0)->text(), "B");
    EXPECT_EQ(form.ToList->item(1)->text(), "D");
    EXPECT_EQ(form.FromList->count(), 3);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(form.BMoveUP->isEnabled());
    EXPECT_FALSE(form.BMoveDown->isEnabled());

    form.ToList->setCurrentRow(0);
    EXPECT_FALSE(form.BMoveUP->isEnabled());
    EXPECT_TRUE(form.BMoveDown->isEnabled());
    form.BMoveDown->click();
    EXPECT_EQ(form.ToList->item(1)->text(), "B");
    EXPECT_EQ(form.ToList->currentRow(), 1);
    EXPECT_TRUE(form.BMoveUP->isEnabled());

    // A double click moves an available item to the end and selects it there.
    form.FromList->clearSelection();
    form.FromList->item(0)->setSelected(true);
    form.FromListDblClick();
    EXPECT_EQ(form.ToList->item(2)->text(), "A");
    EXPECT_EQ(form.ToList->currentRow(), 2);
    form.BLeftAll->click();
    EXPECT_EQ(form.ToList->count(), 0);
    EXPECT_EQ(form.FromList->count(), 5);
    EXPECT_FALSE(form.BLeftAll->isEnabled());
}

#include "GalleryTest.moc"

TEST(SeriesGallery, ThemeReachesEveryCellAndTheSeriesKeepTheGalleryLook)
{
    SettingsSandbox settings;
    TypesScope types(Pages());
    TChartGalleryPanel panel;
    panel.CreateGalleryPage(P5);
    ASSERT_EQ(panel.Charts.Count(), 5);
    panel.UseTheme([](TCustomChart* Chart) { return std::make_unique<TMarkedTheme>(Chart); });
    for (TGalleryChart* cell : panel.Charts) {
        EXPECT_EQ(cell->GetColor(), clRed);
        ASSERT_GT(cell->SeriesCount(), 0);
        EXPECT_FALSE(cell->GetSeries(0)->Marks()->GetVisible());
        EXPECT_EQ(cell->GetSeries(0)->Count(), 4);
    }
}
