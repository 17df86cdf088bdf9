#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include "EditorTestSupport.h"
#include "chart/editors/TChartListBox.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TeeSeriesEdit.h"
#include "chart/series/TBarSeries.h"
#include "chart/series/TLineSeries.h"
#include "support/ScriptedDialogs.h"

namespace {

struct ListFixture {
    ListFixture()
    {
        for (const char* t : {"One", "Two", "Three"}) {
            auto* s = new TLineSeries(&chart);
            s->SetTitle(t);
            s->SetParentChart(&chart);
            series.push_back(s);
        }
        list.resize(260, 120);
        list.SetChart(&chart);
    }
    QPoint In(TListBoxSection section, int row) const
    {
        const QRect r = list.visualItemRect(list.item(row));
        return QPoint(list.SectionLeft(section) + 3, r.center().y());
    }
    TChart chart;
    std::vector<TChartSeries*> series;
    TChartListBox list;
};

void Press(QWidget* w, int key)
{
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

}  // namespace

TEST(ChartListBox, RowsFollowTheChart)
{
    ListFixture f;
    QStringList other;
    f.list.OtherItems = &other;
    f.list.FillSeries(nullptr);
    ASSERT_EQ(f.list.count(), 3);
    EXPECT_EQ(f.list.GetSelectedSeries(), f.series[0]);
    EXPECT_EQ(other, (QStringList{"One", "Two", "Three"}));

    std::vector<TChartSeries*> removed;
    f.list.OnRemovedSeries = [&](QObject*, TChartSeries* s) { removed.push_back(s); };
    delete f.series[1];  // freed elsewhere: its row goes at once
    ASSERT_EQ(f.list.count(), 2);
    EXPECT_EQ(f.list.GetSeries(1), f.series[2]);
    EXPECT_EQ(removed, (std::vector<TChartSeries*>{f.series[1]}));
    EXPECT_EQ(other, (QStringList{"One", "Three"}));

    f.series[2]->SetTitle("Last");
    EXPECT_EQ(f.list.item(1)->text(), "Last");
    auto* added = new TBarSeries(&f.chart);
    added->SetParentChart(&f.chart);
    EXPECT_EQ(f.list.count(), 3);
    EXPECT_EQ(f.list.GetSelectedSeries(), f.series[0]);  // the selection stays
}

TEST(ChartListBox, ActiveChecksRadioStyleAndSections)
{
    ListFixture f;
    f.list.ClickAt(f.In(lbActiveCheck, 1));
    EXPECT_FALSE(f.series[1]->GetActive());
    f.list.ClickAt(f.In(lbActiveCheck, 1));
    EXPECT_TRUE(f.series[1]->GetActive());

    f.list.SetCheckStyle(cbsRadio);
    EXPECT_TRUE(f.series[0]->GetActive());
    EXPECT_FALSE(f.series[1]->GetActive());
    EXPECT_FALSE(f.series[2]->GetActive());
    f.list.ClickAt(f.In(lbActiveCheck, 2));
    EXPECT_FALSE(f.series[0]->GetActive());
    EXPECT_TRUE(f.series[2]->GetActive());

    EXPECT_EQ(f.list.SectionLeft(lbActiveCheck), 26);
    f.list.SetShowSeriesIcon(false);
    EXPECT_EQ(f.list.SectionLeft(lbActiveCheck), 0);
    EXPECT_FALSE(f.list.PointInSection(QPoint(5, 5), lbSeriesIcon));
    EXPECT_TRUE(f.list.PointInSection(QPoint(5, 5), lbActiveCheck));
}

TEST(ChartListBox, DragSwapsRenameAndDeleteAsks)
{
    ListFixture f;
    std::pair<TChartSeries*, TChartSeries*> order{};
    f.list.OnChangeOrder = [&](QObject*, TChartSeries* a, TChartSeries* b) { order = {a, b}; };
    f.list.DragDrop(1, 1);
    EXPECT_EQ(f.chart.GetSeries(1), f.series[1]);
    f.list.DragDrop(0, 2);
    EXPECT_EQ(f.chart.GetSeries(0), f.series[2]);
    EXPECT_EQ(f.chart.GetSeries(2), f.series[0]);
    EXPECT_EQ(f.list.GetSeries(2), f.series[0]);
    EXPECT_EQ(f.list.GetSelectedSeries(), f.series[0]);
    EXPECT_EQ(order.first, f.series[0]);

    // In-place rename: Enter keeps the text, Escape drops it.
    f.list.SelectSeries(1);
    f.list.KeyUp(Qt::Key_F2);
    ASSERT_NE(f.list.Editor(), nullptr);
    EXPECT_EQ(f.list.Editor()->text(), "Two");
    f.list.Editor()->setText("Second");
    Press(f.list.Editor(), Qt::Key_Return);
    EXPECT_EQ(f.series[1]->GetTitle(), "Second");
    EXPECT_TRUE(f.list.Editor()->isHidden());
    f.list.ShowEditor();
    f.list.Editor()->setText("Dropped");
    Press(f.list.Editor(), Qt::Key_Escape);
    EXPECT_EQ(f.series[1]->GetTitle(), "Second");
    EXPECT_EQ(f.list.item(1)->text(), "Second");

    // Delete asks; "no" keeps every series.
    auto& dialogs = support::TestDialogs();
    dialogs.Clear();
    dialogs.QueueAnswer(IDNO);
    f.list.SelectAll();
    f.list.KeyUp(Qt::Key_Delete);
    EXPECT_EQ(dialogs.LastMessage().text, "Delete (Selected Series) ?");
    EXPECT_EQ(f.chart.SeriesCount(), 3);
    EXPECT_EQ(f.list.count(), 3);
    dialogs.QueueAnswer(IDYES);
    f.list.SelectSeries(0);
    EXPECT_TRUE(f.list.DeleteSeries());
    EXPECT_EQ(dialogs.LastMessage().text, "Delete Three ?");
    EXPECT_EQ(f.chart.SeriesCount(), 2);
    EXPECT_EQ(f.list.count(), 2);
    EXPECT_EQ(f.list.currentRow(), 0);
}

TEST(ChartListBox, GalleryHooksAddAndRetype)
{
    ListFixture f;
    KeepGlobal keepAdd(TeeAddGalleryProc);
    KeepGlobal keepChange(TeeChangeGalleryProc);
    TeeAddGalleryProc = [](QObject*, TCustomAxisPanel* chart, TChartSeries*) {
        return CreateNewSeries(chart, chart, &TBarSeries::staticMetaObject);
    };
    TeeChangeGalleryProc = [](QObject*, TChartSeries*& s) {
        ChangeSeriesType(s, &TBarSeries::staticMetaObject);
        return &TBarSeries::staticMetaObject;
    };
    f.list.KeyUp(Qt::Key_Insert);
    ASSERT_EQ(f.chart.SeriesCount(), 4);
    EXPECT_EQ(f.list.GetSelectedSeries(), f.chart.GetSeries(3));

    f.list.clearSelection();
    f.list.item(0)->setSelected(true);
    f.list.item(1)->setSelected(true);
    f.list.ChangeTypeSeries(&f.list);
    EXPECT_EQ(f.chart.GetSeries(0)->metaObject(), &TBarSeries::staticMetaObject);
    EXPECT_EQ(f.chart.GetSeries(1)->metaObject(), &TBarSeries::staticMetaObject);
    EXPECT_EQ(f.chart.GetSeries(2)->metaObject(), &TLineSeries::staticMetaObject);
    EXPECT_TRUE(f.list.item(0)->isSelected());
    EXPECT_TRUE(f.list.item(1)->isSelected());

    // Without the hooks both do nothing.
    TeeAddGalleryProc = nullptr;
    TeeChangeGalleryProc = nullptr;
    f.list.AddSeriesGallery();
    f.list.ChangeTypeSeries(&f.list);
    EXPECT_EQ(f.chart.SeriesCount(), 4);
}
