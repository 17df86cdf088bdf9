// The grid transpose tool's editor: it offers the chart's grid series and transposes the
// chosen one.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>

#include "chart/editors/TGridTransposeToolEdit.h"
#include "chart/editors/TeeEditorClasses.h"
#include "chart/engine/TCustomChart.h"
#include "chart/series/TGridTransposeTool.h"
#include "chart/series/TLineSeries.h"
#include "chart/series/TSurfaceSeries.h"

namespace {

TEST(GridTransposeEdit, OffersTheGridSeriesAndTransposesTheChosenOne)
{
    RegisterTeeGridTransposeToolEdit();
    TChart chart;
    chart.AddSeries(new TLineSeries(&chart));
    auto* grid = new TSurfaceSeries(&chart);
    grid->SetTitle("Heights");
    chart.AddSeries(grid);
    grid->AddXYZ(1, 5, 7);
    auto* tool = new TGridTransposeTool(&chart);
    chart.Tools()->Add(tool);

    const std::unique_ptr<TTeeForm> form(CreateTeeEditorFor(tool, nullptr));
    auto* edit = qobject_cast<TGridTransposeToolEdit*>(form.get());
    ASSERT_NE(edit, nullptr);
    edit->SetTag(tool);
    edit->FormShow();
    ASSERT_EQ(edit->CBSeries->count(), 1);
    EXPECT_EQ(edit->CBSeries->itemText(0), "Heights");
    EXPECT_FALSE(edit->BTranspose->isEnabled());

    edit->CBSeries->setCurrentIndex(0);
    EXPECT_EQ(tool->Series(), grid);
    ASSERT_TRUE(edit->BTranspose->isEnabled());
    edit->BTranspose->click();
    EXPECT_DOUBLE_EQ(grid->GetxValue(0), 7);
    EXPECT_DOUBLE_EQ(grid->GetZValue(0), 1);
}

}  // namespace
