#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

#include "EditorTestSupport.h"
#include "chart/editors/TBarSeriesEditor.h"
#include "chart/editors/TChartListBox.h"
#include "chart/editors/TFormTeeSeries.h"
#include "chart/editors/TPieSeriesEditor.h"
#include "chart/editors/TSelectListForm.h"
#include "chart/editors/TSeriesPointerEditor.h"
#include "chart/editors/TTeeFuncEditor.h"
#include "chart/editors/TTeeFunctionEditor.h"
#include "chart/editors/TeeEditorClasses.h"
#include "chart/editors/TeeEditors.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TeeColorButton.h"
#include "chart/engine/TeeSeriesEdit.h"
#include "chart/series/TAreaSeries.h"
#include "chart/series/TArrowSeries.h"
#include "chart/series/TBarSeries.h"
#include "chart/series/TBubbleSeries.h"
#include "chart/series/TChartShape.h"
#include "chart/series/TFastLineSeries.h"
#include "chart/series/TGanttSeries.h"
#include "chart/series/TLineSeries.h"
#include "chart/series/TPieSeries.h"
#include "chart/series/TPointSeries.h"
#include "chart/series/TSurfaceSeries.h"
#include "chart/series/TeeFunctions.h"
#include "chart/series/TeeStandardSeries.h"
#include "support/ScriptedDialogs.h"

namespace {

// The series page as the chart editor shows it, on the series of one chart.
struct SeriesPage {
    SeriesPage()
    {
        RegisterTeeStandardSeries();
        RegisterTeeEditors();
        chart.resize(400, 300);
        list.SetChart(&chart);
        page.SeriesListBox = &list;
        page.show();
    }
    template <class S>
    S* Add(int Points = 6)
    {
        auto* s = new S(&chart);
        s->SetParentChart(&chart);
        if (Points > 0) s->FillSampleValues(Points);
        return s;
    }
    void Edit(TChartSeries* Series)
    {
        list.FillSeries(Series);
        page.FillSeriesCombo();
        page.EditedSeries = Series;
        page.SetCBSeries();
    }
    void Turn(QWidget* Tab)
    {
        page.PageSeries->SetActivePage(Tab);
        page.PageSeriesChange();
    }
    TTeeForm* FormatEditor() const
    {
        return page.TheTabSheet->findChild<TTeeForm*>(QString(), Qt::FindDirectChildrenOnly);
    }
    TChart chart;
    TChartListBox list;
    TFormTeeSeries page;
};

}  // namespace

TEST(SeriesPage, EveryTypeEditorIsRegisteredAndEmbeds)
{
    SeriesPage p;
    for (const char* name : {"TFastLineSeriesEditor", "TCustomSeriesEditor", "TSeriesPointerEditor",
                             "TAreaSeriesEditor", "TArrowSeriesEditor", "TBarSeriesEditor", "TBubbleSeriesEditor",
                             "TPieSeriesEditor", "TGanttSeriesEditor", "TChartShapeEditor"})
        EXPECT_NE(FindTeeEditorClass(name), nullptr) << name;

    std::vector<TChartSeries*> series = {p.Add<TFastLineSeries>(), p.Add<TLineSeries>(),  p.Add<TPointSeries>(),
                                         p.Add<TAreaSeries>(),     p.Add<TArrowSeries>(), p.Add<TBarSeries>(),
                                         p.Add<TBubbleSeries>(),   p.Add<TPieSeries>(),   p.Add<TGanttSeries>(),
                                         p.Add<TChartShape>()};
    for (TChartSeries* s : series) {
        p.Edit(s);
        TTeeForm* editor = p.FormatEditor();
        ASSERT_NE(editor, nullptr) << s->GetEditorClass();
        EXPECT_EQ(editor->metaObject()->className(), s->GetEditorClass());
        EXPECT_EQ(editor->TagObject(), s);
        EXPECT_TRUE(TeeTabVisible(p.page.TheTabSheet));
    }
    // A point series: the pointer editor is the format tab, with "Color Each".
    p.Edit(series[2]);
    auto* pointer = qobject_cast<TSeriesPointerEditor*>(p.FormatEditor());
    ASSERT_NE(pointer, nullptr);
    EXPECT_TRUE(pointer->CBColorEach->isVisible());
    pointer->CBColorEach->click();
    EXPECT_TRUE(series[2]->GetColorEachPoint());
    // Inserted tabs go with their series: the bar's "Stack", the pie's "Circled".
    p.Edit(series[5]);
    const int barTabs = p.page.PageSeries->count();
    p.Edit(series[1]);
    EXPECT_EQ(p.page.PageSeries->count(), barTabs);  // "Stack" gone, "Point" in its place
    EXPECT_EQ(p.page.PageSeries->tabText(1), "Point");
}

TEST(SeriesPage, TabsFollowTheSeries)
{
    SeriesPage p;
    // A type without a registered editor: no "Format" tab, "General" selected.
    auto* surface = p.Add<TSurfaceSeries>(0);
    surface->FillSampleValues(4);
    p.Edit(surface);
    EXPECT_FALSE(TeeTabVisible(p.page.TheTabSheet));
    EXPECT_EQ(p.page.PageSeries->ActivePage(), p.page.TabGeneral);
    // Three value lists: no sort and no depth.
    auto* bubble = p.Add<TBubbleSeries>();
    p.Edit(bubble);
    p.Turn(p.page.TabGeneral);
    EXPECT_FALSE(p.page.CBSort->isVisibleTo(&p.page));
    EXPECT_FALSE(p.page.EDepth->isVisibleTo(&p.page));
    auto* line = p.Add<TLineSeries>();
    p.Edit(line);
    p.Turn(p.page.TabGeneral);
    EXPECT_TRUE(p.page.CBSort->isVisibleTo(&p.page));
    // A template series offers neither its data source nor the persistent box.
    line->Style = tssIsTemplate;
    p.page.ShowPersistentBox = true;
    p.page.LastSeries = nullptr;
    p.Edit(line);
    EXPECT_FALSE(TeeTabVisible(p.page.TabDataSource));
    EXPECT_FALSE(p.page.CBPersistent->isVisibleTo(&p.page));

    // Marks: multi line only for the combined styles.
    p.Turn(p.page.TabMarks);
    p.page.RGMarkStyle->setCurrentIndex(smsLabelValue);
    emit p.page.RGMarkStyle->activated(smsLabelValue);
    EXPECT_TRUE(p.page.CBMultiLine->isEnabled());
    EXPECT_EQ(line->Marks()->GetStyle(), smsLabelValue);
    p.page.RGMarkStyle->setCurrentIndex(smsValue);
    emit p.page.RGMarkStyle->activated(smsValue);
    EXPECT_FALSE(p.page.CBMultiLine->isEnabled());

    // The edited series removed from the chart: the page keeps no forms.
    delete line;
    EXPECT_EQ(p.page.EditedSeries, nullptr);
    EXPECT_TRUE(p.page.SeriesForms.empty());
    EXPECT_FALSE(p.page.PageSeries->isVisibleTo(&p.page));
}

TEST(SeriesPage, RandomDataWaitsForApplyAndMoreThanFourFormsFit)
{
    SeriesPage p;
    auto* line = p.Add<TLineSeries>(6);
    line->ManualData = true;
    p.Edit(line);
    p.Turn(p.page.TabDataSource);
    EXPECT_EQ(p.page.CBDataSourcestyle->currentIndex(), 0);
    p.page.CBDataSourcestyle->setCurrentIndex(1);
    emit p.page.CBDataSourcestyle->activated(1);
    EXPECT_EQ(line->Count(), 6);
    EXPECT_TRUE(p.page.Panel4->isVisibleTo(&p.page));
    EXPECT_TRUE(p.page.CBSamplesDefault->isChecked());
    p.page.ESamples->setText("0");
    p.page.BApplyRandom->click();
    EXPECT_EQ(line->Count(), line->NumSampleValues());
    p.page.ESamples->setText("9");
    EXPECT_FALSE(p.page.CBSamplesDefault->isChecked());
    EXPECT_EQ(line->Count(), line->NumSampleValues());
    p.page.BApplyRandom->click();
    EXPECT_EQ(line->Count(), 9);

    // Editors may insert as many tabs as they need; all of them go with the series.
    for (int i = 0; i < 5; ++i) p.page.InsertSeriesForm(&TSeriesPointerEditor::staticMetaObject, 1, "Extra", line);
    EXPECT_GE(p.page.SeriesForms.size(), 6u);
    const int tabs = p.page.PageSeries->count();
    p.page.DestroySeriesForms();
    EXPECT_TRUE(p.page.SeriesForms.empty());
    EXPECT_EQ(p.page.PageSeries->count(), tabs - 5 - 1);  // the inserted ones and the "Point" tab
}

TEST(SeriesTypeEditors, BarPieAndCircledRules)
{
    SeriesPage p;
    auto* bar = p.Add<TBarSeries>();
    p.Edit(bar);
    auto* editor = qobject_cast<TBarSeriesEditor*>(p.FormatEditor());
    ASSERT_NE(editor, nullptr);
    EXPECT_FALSE(editor->EBevel->isEnabled());
    editor->CBBarStyle->setCurrentIndex(bsBevel);
    emit editor->CBBarStyle->activated(bsBevel);
    EXPECT_TRUE(editor->EBevel->isEnabled());
    EXPECT_FALSE(editor->BGradient->isEnabled());
    editor->CBBarStyle->setCurrentIndex(bsPyramid);
    emit editor->CBBarStyle->activated(bsPyramid);
    EXPECT_FALSE(editor->EBevel->isEnabled());
    {
        ModalScript script([](TTeeForm& f) { f.SetModalResult(mrOk); });
        editor->BGradientClick();
    }
    EXPECT_EQ(bar->GetBarStyleValue(), bsRectGradient);
    EXPECT_EQ(editor->CBBarStyle->currentIndex(), bsRectGradient);

    auto* pie = p.Add<TPieSeries>();
    p.Edit(pie);
    auto* pieEditor = qobject_cast<TPieSeriesEditor*>(p.FormatEditor());
    ASSERT_NE(pieEditor, nullptr);
    pie->OtherSlice()->SetValue(5);
    auto& dialogs = support::TestDialogs();
    dialogs.Clear();
    pieEditor->EOtherValue->setText("abc");
    EXPECT_EQ(dialogs.MessageCount(), 1u);
    EXPECT_EQ(pie->OtherSlice()->GetValue(), 5);
    pieEditor->EOtherValue->setText("7,5");
    EXPECT_EQ(pie->OtherSlice()->GetValue(), 7.5);

    ASSERT_GE(p.page.SeriesForms.size(), 2u);
    auto* circled = qobject_cast<TCircledSeriesEditor*>(p.page.SeriesForms[1].data());
    ASSERT_NE(circled, nullptr);
    p.Turn(circled->parentWidget());
    EXPECT_FALSE(circled->BBack->isVisibleTo(circled));
    circled->UDX->setValue(40);
    EXPECT_EQ(pie->GetCustomXRadius(), 40);
    EXPECT_FALSE(circled->CBAutoXR->isChecked());
    circled->UDX->setValue(0);
    EXPECT_TRUE(circled->CBAutoXR->isChecked());
    circled->UDY->setValue(30);
    circled->CBAutoYR->click();
    EXPECT_EQ(pie->GetCustomYRadius(), 0);
}

TEST(FunctionEditor, CopyPeriodApplyQuestionAndFailedApply)
{
    SeriesPage p;
    RegisterTeeBasicFunctions();
    auto* source = p.Add<TLineSeries>(5);
    source->setObjectName("Source");
    auto* copy = p.Add<TLineSeries>(0);
    p.Edit(copy);
    p.Turn(p.page.TabDataSource);
    p.page.CBDataSourcestyle->setCurrentIndex(2);
    emit p.page.CBDataSourcestyle->activated(2);
    auto* editor = qobject_cast<TTeeFuncEditor*>(p.page.DataSourceForm.data());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->FunctionClass(), nullptr);  // "Copy"
    QListWidget* from = editor->SelectListForm->FromList;
    ASSERT_EQ(from->count(), 1);
    from->setCurrentRow(0);
    editor->SelectListForm->BRightOne->click();
    editor->BApply->click();
    EXPECT_EQ(copy->DataSource(), source);
    EXPECT_EQ(copy->Count(), 5);
    editor->SelectListForm->BLeftAll->click();
    editor->BApply->click();
    EXPECT_EQ(copy->DataSource(), nullptr);

    // Unapplied changes: leaving the page asks, and Cancel keeps it.
    editor->BApply->setEnabled(true);
    auto& dialogs = support::TestDialogs();
    dialogs.Clear();
    dialogs.QueueAnswer(IDCANCEL);
    p.page.PageSeries->setCurrentWidget(p.page.TabGeneral);
    EXPECT_EQ(p.page.PageSeries->ActivePage(), p.page.TabDataSource);
    ASSERT_EQ(dialogs.MessageCount(), 1u);
    EXPECT_EQ(dialogs.LastMessage().text, "Apply Changes ?");

    // A source that would feed itself is refused, and the series is not left updating.
    source->SetDataSource(copy);
    TeeAddListItem(editor->SelectListForm->ToList, "Source", source);
    dialogs.Clear();
    editor->BApply->click();
    EXPECT_EQ(dialogs.MessageCount(), 1u);
    EXPECT_FALSE(copy->Updating());
}

TEST(FunctionEditor, PeriodOptions)
{
    SeriesPage p;
    RegisterTeeBasicFunctions();
    auto* source = p.Add<TLineSeries>(8);
    auto* high = p.Add<TLineSeries>(0);
    CreateNewTeeFunction(high, &THighTeeFunction::staticMetaObject)->SetPeriod(2.6);
    high->SetDataSource(source);
    p.Edit(high);
    p.Turn(p.page.TabDataSource);
    auto* editor = qobject_cast<TTeeFuncEditor*>(p.page.DataSourceForm.data());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->FunctionClass(), &THighTeeFunction::staticMetaObject);
    editor->PageControl1->setCurrentWidget(editor->TabOptions);
    auto* options = qobject_cast<TTeeFunctionEditor*>(editor->OptionsForm);
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(options->CBStyle->currentIndex(), 1);
    EXPECT_EQ(options->ENum->text(), "3");
    options->CBStyle->setCurrentIndex(0);
    emit options->CBStyle->activated(0);
    EXPECT_TRUE(options->ENum->text().isEmpty());
    EXPECT_FALSE(options->ENum->isEnabled());
    EXPECT_TRUE(editor->BApply->isEnabled());
    editor->BApply->click();
    EXPECT_EQ(high->FunctionType()->GetPeriod(), 0);
    EXPECT_EQ(high->DataSource(), source);
}
