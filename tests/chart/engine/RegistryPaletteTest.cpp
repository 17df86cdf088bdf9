// The series, function and tool registries; creating, cloning and retyping series in a
// chart; the named colour palettes; the about box.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include "chart/engine/TChartSeries.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TTeeCustomTool.h"
#include "chart/engine/TTeeFunction.h"
#include "chart/engine/TTeeSeriesSource.h"
#include "chart/engine/TeeAbout.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeePalette.h"
#include "chart/engine/TeeSeriesEdit.h"
#include "platform/Exception.h"
#include "platform/TCanvas.h"

namespace {

class RegSeriesA : public TChartSeries {
    Q_OBJECT
public:
    Q_INVOKABLE explicit RegSeriesA(QObject* owner = nullptr) : TChartSeries(owner) {}
};

class RegSeriesB : public TChartSeries {
    Q_OBJECT
public:
    Q_INVOKABLE explicit RegSeriesB(QObject* owner = nullptr) : TChartSeries(owner) {}
};

class RegFunction : public TTeeFunction {
    Q_OBJECT
public:
    Q_INVOKABLE explicit RegFunction(QObject* owner = nullptr) : TTeeFunction(owner) {}
};

const AnsiString DescA = "Alpha";
const AnsiString DescF = "Func";

// Leaves the global lists as it found them.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedTypes = TeeSeriesTypes();
        savedTools = TeeToolTypes();
    }
    void TearDown() override
    {
        static_cast<std::vector<TTeeSeriesType>&>(TeeSeriesTypes()) = savedTypes;
        static_cast<std::vector<TTeeCustomToolClass>&>(TeeToolTypes()) = savedTools;
    }
    std::vector<TTeeSeriesType> savedTypes;
    std::vector<TTeeCustomToolClass> savedTools;
};

}  // namespace

TEST_F(RegistryTest, RegisteringTwiceKeepsOneEntryAndFindPrefersThePlainSeries)
{
    const auto* a = &RegSeriesA::staticMetaObject;
    const auto* f = &RegFunction::staticMetaObject;
    const std::size_t before = TeeSeriesTypes().size();
    RegisterTeeSeriesFunction(a, f, &DescF, &TeeMsg_GalleryStandard, 1);
    RegisterTeeSeries(a, &DescA);
    RegisterTeeSeries(a, &DescA);
    RegisterTeeSeriesFunction(a, f, &DescF, &TeeMsg_GalleryStandard, 1);
    ASSERT_EQ(TeeSeriesTypes().size(), before + 2);
    const TTeeSeriesType* found = TeeSeriesTypes().Find(a);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->FunctionClass, nullptr);
    EXPECT_EQ(found->Description, &DescA);
    EXPECT_EQ(found->NumGallerySeries, 2);
    EXPECT_EQ(TeeSeriesTypes().Find(&RegSeriesB::staticMetaObject), nullptr);

    RegisterTeeBasicFunction(f, &DescF);
    EXPECT_EQ(TeeSeriesTypes().Get(static_cast<int>(before) + 2).SeriesClass, nullptr);
    EXPECT_THROW(TeeSeriesTypes().Get(static_cast<int>(TeeSeriesTypes().size())), EListError);
    EXPECT_THROW(TeeSeriesTypes().Get(-1), EListError);

    // Removing the function drops both entries that carry it, not the plain series.
    UnRegisterTeeFunctions({f});
    ASSERT_EQ(TeeSeriesTypes().size(), before + 1);
    EXPECT_EQ(TeeSeriesTypes().Find(a), &TeeSeriesTypes().back());
    UnRegisterTeeSeries({a});
    EXPECT_EQ(TeeSeriesTypes().size(), before);
}

TEST_F(RegistryTest, ToolTypesAreUniqueAndRemovable)
{
    const auto* t1 = &TTeeCustomTool::staticMetaObject;
    const auto* t2 = &TTeeCustomToolSeries::staticMetaObject;
    const std::size_t before = TeeToolTypes().size();
    RegisterTeeTools({t1, t2, t1});
    RegisterTeeTools({t2});
    ASSERT_EQ(TeeToolTypes().size(), before + 2);
    EXPECT_EQ(TeeToolTypes().Get(static_cast<int>(before) + 1), t2);
    UnRegisterTeeTools({t1, &RegSeriesA::staticMetaObject});
    ASSERT_EQ(TeeToolTypes().size(), before + 1);
    EXPECT_EQ(TeeToolTypes().back(), t2);
    EXPECT_THROW(TeeToolTypes().Get(static_cast<int>(before) + 1), EListError);
}

TEST_F(RegistryTest, GalleryNameAndNewSeriesNamesAndOwners)
{
    RegisterTeeSeries(&RegSeriesA::staticMetaObject, &DescA);
    TChart chart;
    QObject form;
    TChartSeries* s1 = CreateNewSeries(&form, &chart, &RegSeriesA::staticMetaObject);
    TChartSeries* s2 = CreateNewSeries(&form, &chart, &RegSeriesB::staticMetaObject, &RegFunction::staticMetaObject);
    EXPECT_EQ(s1->parent(), &form);
    EXPECT_EQ(s1->objectName(), "Series1");
    EXPECT_EQ(s2->objectName(), "Series2");
    EXPECT_EQ(chart.SeriesCount(), 2);
    ASSERT_NE(s2->FunctionType(), nullptr);
    EXPECT_EQ(s2->FunctionType()->objectName(), "TeeFunction1");
    EXPECT_EQ(s2->FunctionType()->ParentSeries(), s2);
    EXPECT_EQ(GetGallerySeriesName(s1), "Alpha");
    EXPECT_EQ(GetGallerySeriesName(s2), "RegSeriesB");

    // A class of the other kind is refused and leaves nothing behind.
    const auto children = form.children().size();
    EXPECT_THROW(CreateNewSeries(&form, &chart, &RegFunction::staticMetaObject), Exception);
    EXPECT_THROW(CreateNewTeeFunction(s1, &RegSeriesB::staticMetaObject), Exception);
    EXPECT_EQ(form.children().size(), children);
    EXPECT_EQ(chart.SeriesCount(), 2);
    EXPECT_EQ(s1->FunctionType(), nullptr);

    // Without an owner the chart owns the series; from then on it owns every new one.
    TChart other;
    TChartSeries* c1 = CreateNewSeries(nullptr, &other, &RegSeriesA::staticMetaObject);
    TChartSeries* c2 = CreateNewSeries(&form, &other, &RegSeriesA::staticMetaObject);
    EXPECT_EQ(c1->parent(), &other);
    EXPECT_EQ(c2->parent(), &other);
    EXPECT_EQ(c2->objectName(), "Series2");
}

TEST_F(RegistryTest, CloneKeepsClassFunctionAndPropertiesWithoutRobbingTheSource)
{
    TChart chart;
    TChartSeries* s = CreateNewSeries(&chart, &chart, &RegSeriesB::staticMetaObject, &RegFunction::staticMetaObject);
    s->SetTitle("Original");
    s->SetSeriesColor(0x123456);
    TChartSeries* c = CloneChartSeries(s);
    EXPECT_EQ(c->metaObject(), &RegSeriesB::staticMetaObject);
    EXPECT_EQ(c->GetTitle(), "Original");
    EXPECT_EQ(c->GetSeriesColor(), TColor(0x123456));
    EXPECT_EQ(c->ParentChart(), &chart);
    ASSERT_NE(c->FunctionType(), nullptr);
    EXPECT_NE(c->FunctionType(), s->FunctionType());
    EXPECT_EQ(s->FunctionType()->ParentSeries(), s);
    EXPECT_EQ(c->FunctionType()->metaObject(), &RegFunction::staticMetaObject);
}

TEST_F(RegistryTest, ChangeSeriesTypeKeepsNamePlaceEventsToolsAndLinks)
{
    TChart chart;
    TChartSeries* first = CreateNewSeries(&chart, &chart, &RegSeriesA::staticMetaObject);
    TChartSeries* s = CreateNewSeries(&chart, &chart, &RegSeriesA::staticMetaObject);
    TChartSeries* last = CreateNewSeries(&chart, &chart, &RegSeriesA::staticMetaObject);
    s->SetTitle("Middle");
    int clears = 0;
    s->OnClearValues = [&](TChartSeries*) { ++clears; };
    auto* tool = new TTeeCustomToolSeries(&chart);
    tool->SetParentChart(&chart);
    tool->SetSeries(s);
    last->SetDataSource(s);
    ASSERT_TRUE(s->LinkedSeries().Contains(last));

    TChartSeries* old = s;
    ChangeSeriesType(s, &RegSeriesB::staticMetaObject);
    ASSERT_NE(s, old);
    EXPECT_EQ(s->metaObject(), &RegSeriesB::staticMetaObject);
    EXPECT_EQ(s->objectName(), "Series2");
    EXPECT_EQ(s->GetTitle(), "Middle");
    ASSERT_EQ(chart.SeriesCount(), 3);
    EXPECT_EQ(chart.GetSeries(0), first);
    EXPECT_EQ(chart.GetSeries(1), s);
    EXPECT_EQ(chart.GetSeries(2), last);
    EXPECT_EQ(tool->Series(), s);
    EXPECT_EQ(last->DataSource(), s);
    EXPECT_EQ(last->DataSources().Count(), 1);
    EXPECT_TRUE(s->LinkedSeries().Contains(last));
    s->Clear();
    EXPECT_EQ(clears, 1);

    // Already of that class: nothing changes.
    TChartSeries* same = s;
    ChangeSeriesType(s, &RegSeriesB::staticMetaObject);
    EXPECT_EQ(s, same);

    ChangeAllSeriesType(&chart, &RegSeriesB::staticMetaObject);
    ASSERT_EQ(chart.SeriesCount(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(chart.GetSeries(i)->metaObject(), &RegSeriesB::staticMetaObject);
    EXPECT_EQ(chart.GetSeries(0)->objectName(), "Series1");
    EXPECT_EQ(chart.GetSeries(2)->objectName(), "Series3");
    EXPECT_EQ(chart.GetSeries(2)->DataSource(), s);
}

TEST_F(RegistryTest, LegendSymbolIntoAnyCanvasAndDragCursor)
{
    RegSeriesA series;
    series.SetSeriesColor(0x0000FF);
    QImage image(20, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    TCanvas canvas;
    canvas.SetDevice(&image);
    PaintSeriesLegend(&series, &canvas, TRect(2, 2, 18, 18));
    canvas.Release();
    EXPECT_EQ(QColor(image.pixel(10, 10)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(image.pixel(0, 0)), QColor(Qt::white));
    EXPECT_EQ(series.ParentChart(), nullptr);  // the temporary chart is gone again

    TChart chart;
    TChartSeries* inChart = CreateNewSeries(&chart, &chart, &RegSeriesA::staticMetaObject);
    TCanvas* chartOwn = chart.GetCanvas()->GetHandle();
    PaintSeriesLegend(inChart, &canvas, TRect(2, 2, 18, 18), nullptr);
    EXPECT_EQ(inChart->ParentChart(), &chart);
    EXPECT_EQ(chart.GetCanvas()->GetHandle(), chartOwn);

    TChartClickedPart part;
    part.Part = cpSeries;
    part.ASeries = inChart;
    part.PointIndex = 3;
    TTeeDragObject drag(part);
    EXPECT_EQ(drag.Part().ASeries, inChart);
    EXPECT_EQ(drag.Part().PointIndex, 3);
    EXPECT_EQ(drag.GetDragCursor(true, 0, 0), 2020);
    EXPECT_EQ(drag.GetDragCursor(false, 0, 0), -13);
}

TEST(ColorPalettes, NamesAndApplyingByIndex)
{
    ASSERT_EQ(ColorPalettes().size(), 10u);
    EXPECT_EQ(ColorPalettes()[1], "Excel");
    EXPECT_EQ(ColorPalettes()[9], "Win. XP");

    TChart chart;
    auto* a = new RegSeriesA(&chart);
    auto* b = new RegSeriesA(&chart);
    b->SetSeriesColor(0x010203);
    chart.AddSeries(a);
    chart.AddSeries(b);

    TColorPalettes::ApplyPalette(&chart, 8);
    ASSERT_EQ(chart.ColorPalette.size(), 25u);
    EXPECT_EQ(chart.ColorPalette.front(), TColor(0x000099));
    EXPECT_EQ(chart.ColorPalette.back(), TColor(0xFF00CC));
    EXPECT_EQ(chart.ColorPaletteIndex, 8);
    EXPECT_EQ(a->GetSeriesColor(), TColor(0x000099));  // recoloured from the new palette
    EXPECT_EQ(b->GetSeriesColor(), TColor(0x010203));  // its own colour stays
    EXPECT_EQ(chart.GetDefaultColor(26), TColor(0x0000C3));

    TColorPalettes::ApplyPalette(&chart, 4);
    EXPECT_EQ(chart.ColorPalette.size(), 8u);
    TColorPalettes::ApplyPalette(&chart, 0);
    EXPECT_TRUE(chart.ColorPalette.empty());
    EXPECT_EQ(chart.ColorPaletteIndex, 0);
    TColorPalettes::ApplyPalette(&chart, 9);
    TColorPalettes::ApplyPalette(&chart, 42);
    EXPECT_TRUE(chart.ColorPalette.empty());
    EXPECT_EQ(chart.ColorPaletteIndex, 42);

    // A chart read with a palette index gets the palette on loading.
    TChart loaded;
    loaded.ColorPaletteIndex = 6;
    loaded.Loaded();
    ASSERT_EQ(loaded.ColorPalette.size(), 9u);
    EXPECT_EQ(loaded.ColorPalette[0], TColor(0x00A5FF));

    TChartTheme theme(&chart);
    EXPECT_EQ(theme.Description(), "Default");
    EXPECT_EQ(theme.Chart(), &chart);
}

TEST(AboutForm, TextsPulseAndClosing)
{
    TTeeAboutForm form;
    form.Timer1->stop();
    EXPECT_EQ(form.windowTitle().toStdString(), "About " + TeeLibraryVersion);
    EXPECT_EQ(form.LabelVersion->text().toStdString(), TeeLibraryVersion);
    EXPECT_EQ(form.LabelCopy->text().toStdString(), TeeMsg_Copyright);
    EXPECT_EQ(form.BClose->text(), "Close");
    EXPECT_EQ(form.size(), QSize(363, 232));

    for (int tick = 1; tick <= 56; ++tick) {
        form.Timer1Timer();
        if (tick == 31) {
            EXPECT_EQ(form.EndColor(), RGB(252, 252, 252));
        }
        if (tick == 32) {
            EXPECT_EQ(form.EndColor(), RGB(255, 255, 255));
        }
        if (tick == 55) {
            EXPECT_EQ(form.ColorStep(), 4);
        }
    }
    EXPECT_EQ(form.StartColor(), TColor(0));
    EXPECT_EQ(form.ColorStep(), -4);
    form.Timer1Timer();
    EXPECT_EQ(form.StartColor(), RGB(4, 4, 4));
    EXPECT_EQ(form.EndColor(), RGB(251, 251, 251));
    form.grab();  // paints the gradient without failing

    AnsiString opened;
    TGotoURLHandler old = SetGotoURLHandler([&](QWidget*, const AnsiString& url) { opened = url; });
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(form.Labelwww, &release);
    SetGotoURLHandler(old);
    EXPECT_EQ(opened, TeeLibraryWebAddress);

    for (int key : {Qt::Key_Escape, Qt::Key_Return}) {
        form.show();
        ASSERT_TRUE(form.isVisible());
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &press);
        EXPECT_FALSE(form.isVisible()) << key;
        EXPECT_EQ(form.result(), QDialog::Rejected);
    }
}

#include "RegistryPaletteTest.moc"
