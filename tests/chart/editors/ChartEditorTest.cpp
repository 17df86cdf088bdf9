#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabBar>
#include <QTreeWidget>

#include "EditorTestSupport.h"
#include "chart/editors/EditChar.h"
#include "chart/editors/TChartEditForm.h"
#include "chart/editors/TChartListBox.h"
#include "chart/editors/TFormTeeSeries.h"
#include "chart/editors/TFormTeeTools.h"
#include "chart/editors/TeeEdit.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TSeriesGroup.h"
#include "chart/engine/TeeProcs.h"
#include "chart/series/TCursorTool.h"
#include "chart/series/TLineSeries.h"
#include "chart/series/TeeStandardSeries.h"
#include "chart/series/TeeTools.h"
#include "platform/Exception.h"
#include "support/ScriptedDialogs.h"

namespace {

struct SampleChart {
    explicit SampleChart(int Series = 2)
    {
        RegisterTeeStandardSeries();
        RegisterTeeChartTools();
        chart.setObjectName("Chart1");
        chart.resize(400, 300);
        for (int i = 0; i < Series; ++i) {
            auto* s = new TLineSeries(&chart);
            s->setObjectName(QString("Series%1").arg(i + 1));
            s->SetParentChart(&chart);
            s->FillSampleValues(6);
            series.push_back(s);
        }
    }
    TChart chart;
    std::vector<TChartSeries*> series;
};

// What an entry point opened, read while its editor is on the screen (the editor itself
// is gone once the entry point returns).
struct Opened {
    TChartSeries* Series = nullptr;
    int Shown = 0;
};

Opened Open(const std::function<void()>& Entry, const std::function<void(TChartEditForm&)>& Inspect = {})
{
    Opened o;
    ModalScript script([&](TTeeForm& f) {
        auto& e = dynamic_cast<TChartEditForm&>(f);
        if (e.SeriesForm) o.Series = e.SeriesForm->EditedSeries;
        if (Inspect) Inspect(e);
    });
    Entry();
    o.Shown = script.Shown;
    return o;
}

}  // namespace

TEST(ChartEditor, EntryPointsOpenTheirPages)
{
    SettingsSandbox settings;
    SampleChart s;
    auto shows = [&](const std::function<void()>& entry, const std::function<bool(TChartEditForm&)>& check) {
        bool seen = false;
        Open(entry, [&](TChartEditForm& e) { seen = check(e); });
        return seen;
    };
    auto chartPage = [](QWidget* TChartEditForm::*page) {
        return [page](TChartEditForm& e) {
            return e.MainPage->ActivePage() == e.TabChart && e.SubPage->ActivePage() == e.*page;
        };
    };
    auto mainPage = [](QWidget* TChartEditForm::*page) {
        return [page](TChartEditForm& e) { return e.MainPage->ActivePage() == e.*page; };
    };
    EXPECT_EQ(Open([&] { EditChart(nullptr, &s.chart); }).Shown, 1);
    EXPECT_TRUE(shows([&] { EditChart(nullptr, &s.chart); }, chartPage(&TChartEditForm::TabSeriesList)));
    EXPECT_TRUE(shows([&] { EditChartLegend(nullptr, &s.chart); }, chartPage(&TChartEditForm::TabLegend)));
    EXPECT_TRUE(shows([&] { EditChartAxis(nullptr, s.chart.BottomAxis()); }, chartPage(&TChartEditForm::TabAxis)));
    EXPECT_TRUE(shows([&] { EditChartTitle(nullptr, s.chart.GetFoot()); }, chartPage(&TChartEditForm::TabTitle)));
    EXPECT_TRUE(shows([&] { EditChartWall(nullptr, s.chart.GetBottomWall()); }, chartPage(&TChartEditForm::TabWalls)));
    EXPECT_TRUE(shows([&] { EditChartPage(nullptr, &s.chart, cetSeriesData); }, mainPage(&TChartEditForm::TabData)));

    EXPECT_TRUE(shows([&] { EditSeries(nullptr, s.series[1]); }, mainPage(&TChartEditForm::TabSeries)));
    EXPECT_EQ(Open([&] { EditSeries(nullptr, s.series[1]); }).Series, s.series[1]);
    auto seriesPage = [](QWidget* TFormTeeSeries::*page) {
        return [page](TChartEditForm& e) {
            return e.SeriesForm && e.SeriesForm->PageSeries->ActivePage() == e.SeriesForm->*page;
        };
    };
    EXPECT_TRUE(shows([&] { EditSeriesDataSource(nullptr, s.series[1]); }, seriesPage(&TFormTeeSeries::TabDataSource)));
    EXPECT_EQ(Open([&] { EditSeriesDataSource(nullptr, s.series[1]); }).Series, s.series[1]);
    EXPECT_TRUE(shows([&] { EditSeriesMarks(nullptr, s.series[0], false); }, seriesPage(&TFormTeeSeries::TabMarks)));

    auto* tool = new TCursorTool(&s.chart);
    tool->SetParentChart(&s.chart);
    EXPECT_TRUE(shows([&] { EditChartTool(nullptr, tool); },
                      [&](TChartEditForm& e) {
                          return e.MainPage->ActivePage() == e.TabTools && e.ToolsForm() &&
                                 e.ToolsForm()->CurrentTool() == tool;
                      }));
}

TEST(ChartEditor, ClickedTabsCreateAndFillTheirPages)
{
    SettingsSandbox settings;
    SampleChart s;
    // A user's click on a tab, as the tab bar receives it.
    auto click = [](QTabWidget* Pages, QWidget* Page) {
        QTabBar* bar = Pages->tabBar();
        const QPoint at = bar->tabRect(Pages->indexOf(Page)).center();
        QMouseEvent press(QEvent::MouseButtonPress, at, bar->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, bar->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QCoreApplication::sendEvent(bar, &press);
        QCoreApplication::sendEvent(bar, &release);
        return Pages->currentWidget() == Page;
    };
    Open([&] { EditChart(nullptr, &s.chart); },
         [&](TChartEditForm& e) {
             ASSERT_TRUE(click(e.SubPage, e.TabAxis));
             EXPECT_NE(e.PageForm(e.TabAxis), nullptr);

             ASSERT_TRUE(click(e.MainPage, e.TabSeries));
             ASSERT_NE(e.SeriesForm, nullptr);
             EXPECT_EQ(e.SeriesForm->EditedSeries, s.series[0]);
             // The series' own tabs fill their page and then write through again.
             ASSERT_TRUE(click(e.SeriesForm->PageSeries, e.SeriesForm->TabMarks));
             const bool marks = s.series[0]->Marks()->GetVisible();
             EXPECT_EQ(e.SeriesForm->CBMarksVisible->isChecked(), marks);
             e.SeriesForm->CBMarksVisible->click();
             EXPECT_EQ(s.series[0]->Marks()->GetVisible(), !marks);

             ASSERT_TRUE(click(e.MainPage, e.TabTools));
             EXPECT_NE(e.ToolsForm(), nullptr);
             ASSERT_TRUE(click(e.MainPage, e.TabExport));
             EXPECT_NE(e.ExportForm, nullptr);
             ASSERT_TRUE(click(e.MainPage, e.TabPrint));
             EXPECT_NE(e.PreviewForm, nullptr);
         });

    // A refused change keeps the old page and tells nothing; an accepted one tells once.
    TTeePageControl pages;
    QWidget* first = TeeAddTab(&pages, "First");
    QWidget* second = TeeAddTab(&pages, "Second");
    pages.show();
    bool allow = false;
    int changes = 0;
    pages.OnChanging = [&] { return allow; };
    pages.OnChange = [&] { ++changes; };
    EXPECT_FALSE(click(&pages, second));
    EXPECT_EQ(changes, 0);
    allow = true;
    EXPECT_TRUE(click(&pages, second));
    EXPECT_EQ(changes, 1);
    pages.SetActivePage(first);
    EXPECT_EQ(changes, 1);
}

TEST(ChartEditor, HiddenPagesAndTheDefaultTabSearch)
{
    SettingsSandbox settings;
    SampleChart s;
    // Every chart page hidden: the chart tab goes too.
    bool chartTab = true;
    {
        auto editor = TeeCreateChartEditor(&s.chart);
        for (int t = cetMain; t <= cet3D; ++t) editor->HideTabs |= TeeTabBit(TChartEditorTab(t));
        Open([&] { editor->ShowModal(); }, [&](TChartEditForm& e) { chartTab = TeeTabVisible(e.TabChart); });
    }
    EXPECT_FALSE(chartTab);

    // The default page hidden: the next visible one after it, else the nearest before it.
    auto opened = [&](TChartEditorHiddenTabs hide) {
        auto editor = TeeCreateChartEditor(&s.chart);
        editor->DefaultTab = cetPaging;
        editor->HideTabs = hide;
        QWidget* sub = nullptr;
        Open([&] { editor->ShowModal(); }, [&](TChartEditForm& e) { sub = e.SubPage->ActivePage(); });
        return std::make_pair(sub, editor->DefaultTab);
    };
    EXPECT_EQ(opened(TeeTabBit(cetPaging)).second, cetWalls);
    const auto before = opened(TeeTabBit(cetPaging) | TeeTabBit(cetWalls) | TeeTabBit(cet3D));
    EXPECT_EQ(before.second, cetPanel);
    EXPECT_NE(before.first, nullptr);
}

TEST(ChartEditor, GeometryIsKeptWithinLimits)
{
    SettingsSandbox settings;
    SampleChart s;
    TeeSaveIntegerOption("Width", 50);
    TeeSaveIntegerOption("Left", -20);
    TeeSaveIntegerOption("Top", 30);
    {
        auto editor = TeeCreateChartEditor(&s.chart);
        EXPECT_EQ(editor->width(), 100);
        EXPECT_EQ(editor->x(), 0);
        EXPECT_EQ(editor->y(), 30);
    }
    // At the default size nothing but the place is written.
    SettingsSandbox fresh;
    {
        auto editor = TeeCreateChartEditor(&s.chart);
        editor->resize(TChartEditForm::DefaultWidth(), TChartEditForm::DefaultHeight());
    }
    EXPECT_EQ(TeeReadIntegerOption("Width", -1), -1);
    EXPECT_EQ(TeeReadIntegerOption("Height", -1), -1);
    EXPECT_NE(TeeReadIntegerOption("Left", -1), -1);
}

TEST(ChartEditor, TreeModeAndTheSeriesButtons)
{
    SettingsSandbox settings;
    TeeSaveBoolOption("TreeMode", true);
    for (int n : {10, 11}) {
        SampleChart s(n);
        bool expanded = false;
        Open([&] { EditChart(nullptr, &s.chart); }, [&](TChartEditForm& e) { expanded = e.SeriesNode->isExpanded(); });
        EXPECT_EQ(expanded, n == 10) << n;
    }
    TeeSaveBoolOption("TreeMode", false);

    SampleChart s;
    s.series[1]->Style = tssDenyDelete;
    bool deleteFirst = false, deleteSecond = true;
    Open([&] { EditChart(nullptr, &s.chart); },
         [&](TChartEditForm& e) {
             deleteFirst = e.BDeleteSeries->isEnabled();
             e.LBSeries->SelectSeries(1);
             e.LBSeriesRefreshButtons();
             deleteSecond = e.BDeleteSeries->isEnabled();
         });
    EXPECT_TRUE(deleteFirst);
    EXPECT_FALSE(deleteSecond);
}

TEST(ChartEditor, SeriesGroupsCheckGreyAndTakeDroppedSeries)
{
    SettingsSandbox settings;
    SampleChart s(3);
    TSeriesGroup* group = s.chart.SeriesList()->AddGroup("Hot");
    group->Add(s.series[0]);
    group->Add(s.series[1]);
    auto editor = TeeCreateChartEditor(&s.chart);
    editor->Options |= TeeOptionBit(ceGroups);
    Open([&] { editor->ShowModal(); },
         [&](TChartEditForm& e) {
             ASSERT_EQ(e.Groups->count(), 2);  // "(all)" and the group
             s.series[1]->SetActive(false);
             e.FillGroups();
             EXPECT_EQ(e.Groups->item(1)->checkState(), Qt::PartiallyChecked);
             EXPECT_EQ(e.Groups->item(0)->checkState(), Qt::Unchecked);
             e.Groups->item(1)->setCheckState(Qt::Checked);
             EXPECT_TRUE(s.series[1]->GetActive());
             EXPECT_EQ(e.Groups->item(0)->checkState(), Qt::Checked);

             // Dragging the third series onto the group adds it; a member cannot be dropped again.
             e.Groups->setCurrentRow(0);
             e.LBSeries->clearSelection();
             e.LBSeries->SetSelectedSeries(s.series[2]);
             ASSERT_TRUE(e.GroupsDragOver(e.LBSeries, 1));
             e.GroupsDragDrop(1);
             EXPECT_TRUE(group->Series().Contains(s.series[2]));
             EXPECT_EQ(e.LBSeries->count(), 3);  // the group's series
             e.LBSeries->SetSelectedSeries(s.series[2]);
             EXPECT_FALSE(e.GroupsDragOver(e.LBSeries, 1));
             EXPECT_FALSE(e.GroupsDragOver(e.LBSeries, 0));
         });
}

TEST(ChartEditor, ComponentsRestoreTheChartHoweverTheDialogEnds)
{
    SettingsSandbox settings;
    SampleChart s;
    TChartEditor component;
    component.SetChart(&s.chart);
    component.AutoRepaint = false;
    int closed = 0;
    component.OnClose = [&](QObject*) { ++closed; };
    bool repaintWhileOpen = true;
    {
        ModalScript script([&](TTeeForm&) {
            repaintWhileOpen = s.chart.AutoRepaint;
            throw Exception("broken handler");
        });
        EXPECT_THROW(component.Execute(), Exception);
    }
    EXPECT_FALSE(repaintWhileOpen);
    EXPECT_TRUE(s.chart.AutoRepaint);
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(component.Form(), nullptr);

    // The previewer: the panel-printing flag comes back, proportional printing only goes off.
    TChartPreviewer previewer;
    previewer.SetChart(&s.chart);
    previewer.Options = TeeDefaultPreviewOptions & ~(1u << cpoProportional);
    previewer.Options |= 1u << cpoPrintPanel;
    bool printPanelWhileOpen = false;
    TeeChartPreviewFactory() = [](TChartPreviewer&) { return std::make_unique<TTeeForm>(); };
    PrintTeePanel = false;
    {
        ModalScript script([&](TTeeForm&) {
            printPanelWhileOpen = PrintTeePanel;
            throw Exception("broken handler");
        });
        EXPECT_THROW(previewer.Execute(), Exception);
    }
    EXPECT_TRUE(printPanelWhileOpen);
    EXPECT_FALSE(PrintTeePanel);
    EXPECT_FALSE(s.chart.PrintProportional);
    previewer.Options = TeeDefaultPreviewOptions;
    {
        ModalScript script([](TTeeForm&) {});
        previewer.Execute();
    }
    EXPECT_FALSE(s.chart.PrintProportional);
    EXPECT_EQ(previewer.Preview(), nullptr);
    TeeChartPreviewFactory() = {};
}

TEST(ChartEditor, ClickedPartsOpenTheSamePageFromBothEntries)
{
    SettingsSandbox settings;
    SampleChart s;
    s.chart.GetTitle()->SetText({"Title"});
    s.chart.SetView3D(false);
    s.chart.PaintWindow();
    TChartEditorPanel panel;
    panel.SetChart(&s.chart);
    const TRect legend = s.chart.GetLegend()->GetRectLegend();
    const TRect title = s.chart.GetTitle()->GetShapeBounds();
    const std::vector<TPoint> points = {{(legend.Left + legend.Right) / 2, (legend.Top + legend.Bottom) / 2},
                                        {(title.Left + title.Right) / 2, (title.Top + title.Bottom) / 2},
                                        {s.series[0]->CalcXPos(2), s.series[0]->CalcYPos(2)},
                                        {s.chart.LeftAxis()->PosAxis - 1, s.chart.ChartRect.Top + 20},
                                        {2, 2}};
    std::vector<TChartClickedPartStyle> seen;
    for (const TPoint& p : points) {
        TChartClickedPart part;
        s.chart.CalcClickedPart(p, part);
        seen.push_back(part.Part);
        std::pair<int, int> byEntry{-1, -1};
        Open([&] { EditChartPart(nullptr, &s.chart, part); },
             [&](TChartEditForm& e) {
                 byEntry = {e.MainPage->currentIndex(), e.SubPage->currentIndex()};
             });
        panel.SelectPartAt(p);
        TChartEditForm& e = *panel.Editor();
        const std::pair<int, int> bySelect{e.MainPage->currentIndex(), e.SubPage->currentIndex()};
        if (part.Part == cpNone || part.Part == cpChartRect) {
            // The background: the series list from the entry point, the panel page embedded.
            EXPECT_EQ(byEntry.second, 0);
            EXPECT_EQ(bySelect.second, 5);
        } else {
            EXPECT_EQ(byEntry.first, bySelect.first) << int(part.Part);
            if (byEntry.first == 0) {
                EXPECT_EQ(byEntry.second, bySelect.second) << int(part.Part);
            }
        }
    }
    EXPECT_EQ(seen, (std::vector<TChartClickedPartStyle>{cpLegend, cpTitle, cpSeries, cpAxis, cpNone}));
}
