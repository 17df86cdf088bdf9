#include <gtest/gtest.h>

#include <QListWidget>
#include <QPushButton>
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

// What an entry point opened, read while its editor is on the screen.
struct Opened {
    QWidget* Main = nullptr;
    QWidget* Sub = nullptr;
    QWidget* SeriesPage = nullptr;
    TChartSeries* Series = nullptr;
    int Shown = 0;
};

Opened Open(const std::function<void()>& Entry, const std::function<void(TChartEditForm&)>& Inspect = {})
{
    Opened o;
    ModalScript script([&](TTeeForm& f) {
        auto& e = dynamic_cast<TChartEditForm&>(f);
        o.Main = e.MainPage->ActivePage();
        o.Sub = e.SubPage->ActivePage();
        if (e.SeriesForm) {
            o.SeriesPage = e.SeriesForm->PageSeries->ActivePage();
            o.Series = e.SeriesForm->EditedSeries;
        }
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
    TChartEditForm* probe = nullptr;
    auto tabs = [&](const std::function<void()>& entry) { return Open(entry, [&](TChartEditForm& e) { probe = &e; }); };
    Opened o = tabs([&] { EditChart(nullptr, &s.chart); });
    EXPECT_EQ(o.Shown, 1);
    EXPECT_EQ(o.Sub, probe->TabSeriesList);
    o = tabs([&] { EditChartLegend(nullptr, &s.chart); });
    EXPECT_EQ(o.Sub, probe->TabLegend);
    o = tabs([&] { EditChartAxis(nullptr, s.chart.BottomAxis()); });
    EXPECT_EQ(o.Sub, probe->TabAxis);
    o = tabs([&] { EditChartTitle(nullptr, s.chart.GetFoot()); });
    EXPECT_EQ(o.Sub, probe->TabTitle);
    o = tabs([&] { EditChartWall(nullptr, s.chart.GetBottomWall()); });
    EXPECT_EQ(o.Sub, probe->TabWalls);
    o = tabs([&] { EditChartPage(nullptr, &s.chart, cetSeriesData); });
    EXPECT_EQ(o.Main, probe->TabData);

    o = tabs([&] { EditSeries(nullptr, s.series[1]); });
    EXPECT_EQ(o.Main, probe->TabSeries);
    EXPECT_EQ(o.Series, s.series[1]);
    o = tabs([&] { EditSeriesDataSource(nullptr, s.series[1]); });
    EXPECT_EQ(o.SeriesPage, probe->SeriesForm->TabDataSource);
    EXPECT_EQ(o.Series, s.series[1]);
    o = tabs([&] { EditSeriesMarks(nullptr, s.series[0], false); });
    EXPECT_EQ(o.SeriesPage, probe->SeriesForm->TabMarks);

    auto* tool = new TCursorTool(&s.chart);
    tool->SetParentChart(&s.chart);
    TTeeCustomTool* shownTool = nullptr;
    o = Open([&] { EditChartTool(nullptr, tool); },
             [&](TChartEditForm& e) {
                 probe = &e;
                 shownTool = e.ToolsForm() ? e.ToolsForm()->CurrentTool() : nullptr;
             });
    EXPECT_EQ(o.Main, probe->TabTools);
    EXPECT_EQ(shownTool, tool);
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
