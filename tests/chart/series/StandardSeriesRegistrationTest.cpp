#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "chart/engine/TTeeCustomTool.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeSeriesTypes.h"
#include "chart/series/TAreaSeries.h"
#include "chart/series/TBarSeries.h"
#include "chart/series/TFastLineSeries.h"
#include "chart/series/TLineSeries.h"
#include "chart/series/TPieSeries.h"
#include "chart/series/TPointSeries.h"
#include "chart/series/TeeStandardSeries.h"
#include "chart/series/TeeTools.h"

namespace {

// The entries of the nine standard series (the functions have their own entries, without
// a series class; further series types register themselves when the program starts).
std::vector<TTeeSeriesType> SeriesEntries()
{
    const std::vector<const QMetaObject*> standard = {
        &TLineSeries::staticMetaObject,     &TBarSeries::staticMetaObject,       &THorizBarSeries::staticMetaObject,
        &TAreaSeries::staticMetaObject,     &TPointSeries::staticMetaObject,     &TPieSeries::staticMetaObject,
        &TFastLineSeries::staticMetaObject, &THorizLineSeries::staticMetaObject, &THorizAreaSeries::staticMetaObject};
    std::vector<TTeeSeriesType> out;
    for (const TTeeSeriesType& t : TeeSeriesTypes())
        if (std::find(standard.begin(), standard.end(), t.SeriesClass) != standard.end()) out.push_back(t);
    return out;
}

TEST(StandardSeriesRegistration, RegistersOnceInGalleryOrderAndTheClassesCanBeMade)
{
    RegisterTeeStandardSeries();
    RegisterTeeStandardSeries();
    std::vector<const char*> names;
    for (const TTeeSeriesType& t : SeriesEntries()) {
        names.push_back(t.SeriesClass->className());
        EXPECT_EQ(t.GalleryPage, &TeeMsg_GalleryStandard);
    }
    ASSERT_EQ(names.size(), 9u);
    EXPECT_STREQ(names[0], "TLineSeries");
    EXPECT_STREQ(names[1], "TBarSeries");
    EXPECT_STREQ(names[2], "THorizBarSeries");
    EXPECT_STREQ(names[4], "TPointSeries");
    EXPECT_STREQ(names[5], "TPieSeries");
    EXPECT_STREQ(names[6], "TFastLineSeries");
    EXPECT_STREQ(names[8], "THorizAreaSeries");
    EXPECT_EQ(SeriesEntries()[0].NumGallerySeries, 2);
    EXPECT_EQ(SeriesEntries()[5].NumGallerySeries, 1);
    EXPECT_EQ(SeriesEntries()[7].NumGallerySeries, 1);
    EXPECT_EQ(*SeriesEntries()[7].Description, "Horizontal\rLine");

    // The gallery makes its samples from the class alone.
    for (const TTeeSeriesType& t : SeriesEntries()) {
        QObject owner;
        QObject* made = t.SeriesClass->newInstance(Q_ARG(QObject*, &owner));
        ASSERT_NE(made, nullptr) << t.SeriesClass->className();
        EXPECT_EQ(made->metaObject(), t.SeriesClass);
    }

    UnRegisterTeeSeries({&TLineSeries::staticMetaObject, &TPointSeries::staticMetaObject});
    EXPECT_EQ(SeriesEntries().size(), 7u);
    RegisterTeeStandardSeries();  // comes back at the end
    EXPECT_STREQ(SeriesEntries().back().SeriesClass->className(), "TPointSeries");
    UnRegisterTeeSeries(
        {&TLineSeries::staticMetaObject, &TAreaSeries::staticMetaObject, &TPointSeries::staticMetaObject,
         &TFastLineSeries::staticMetaObject, &THorizLineSeries::staticMetaObject, &THorizAreaSeries::staticMetaObject,
         &TBarSeries::staticMetaObject, &THorizBarSeries::staticMetaObject, &TPieSeries::staticMetaObject});
    EXPECT_TRUE(SeriesEntries().empty());
}

TEST(ChartToolsRegistration, SixteenToolsInGalleryOrderBehindEarlierOnes)
{
    RegisterTeeTools({&TTeeCustomTool::staticMetaObject});
    RegisterTeeChartTools();
    RegisterTeeChartTools();
    std::vector<std::string> names;
    for (TTeeCustomToolClass c : TeeToolTypes()) names.push_back(c->className());
    const std::vector<std::string> expected = {
        "TTeeCustomTool", "TCursorTool",     "TDragMarksTool",       "TAxisArrowTool", "TDrawLineTool",
        "TNearestTool",   "TColorBandTool",  "TColorLineTool",       "TRotateTool",    "TChartImageTool",
        "TMarksTipTool",  "TAnnotationTool", "TSeriesAnimationTool", "TGridBandTool",  "TAxisScrollTool",
        "TRectangleTool", "TClipSeriesTool"};
    EXPECT_EQ(names, expected);

    // Each class makes itself from the class alone, with its gallery name and editor.
    for (std::size_t i = 1; i < TeeToolTypes().size(); ++i) {
        QObject owner;
        auto* tool = qobject_cast<TTeeCustomTool*>(TeeToolTypes()[i]->newInstance(Q_ARG(QObject*, &owner)));
        ASSERT_NE(tool, nullptr) << names[i];
        EXPECT_FALSE(tool->Description().empty()) << names[i];
        EXPECT_FALSE(tool->GetEditorClass().empty()) << names[i];
    }
    const std::unique_ptr<QObject> grid(TeeToolTypes()[13]->newInstance(Q_ARG(QObject*, nullptr)));
    EXPECT_EQ(qobject_cast<TTeeCustomTool*>(grid.get())->Description(), "Grid Band");

    // The registrations are counted: the last one out takes the tools away.
    UnRegisterTeeChartTools();
    EXPECT_EQ(TeeToolTypes().size(), 17u);
    UnRegisterTeeChartTools();
    EXPECT_EQ(TeeToolTypes().size(), 1u);
    UnRegisterTeeTools({&TTeeCustomTool::staticMetaObject});
}

}  // namespace
