#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFile>
#include <QListWidget>
#include <QPageSize>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>

#include "EditorTestSupport.h"
#include "chart/editors/EditChar.h"
#include "chart/editors/TChartEditForm.h"
#include "chart/editors/TChartPreview.h"
#include "chart/editors/TTeeExportForm.h"
#include "chart/editors/TTeePreviewPanel.h"
#include "chart/editors/TeeEdit.h"
#include "chart/editors/TeeExportPreviewPages.h"
#include "chart/engine/TCustomChart.h"
#include "chart/series/TLineSeries.h"
#include "chart/storage/TeePictureOptions.h"
#include "platform/GraphicsObjects.h"
#include "platform/TPrinter.h"

namespace {

// An A4 portrait PDF printer for the test's lifetime, as the process-wide printer.
struct A4Printer {
    A4Printer()
    {
        auto device = std::make_unique<QPrinter>(QPrinter::HighResolution);
        device->setOutputFormat(QPrinter::PdfFormat);
        device->setOutputFileName(File());
        device->setResolution(300);
        device->setPageSize(QPageSize(QPageSize::A4));
        device->setPageOrientation(QPageLayout::Portrait);
        printer = std::make_unique<TPrinter>(std::move(device));
        SetPrinter(printer.get());
    }
    ~A4Printer() { SetPrinter(nullptr); }
    QString File() const { return dir.path() + "/preview.pdf"; }
    QTemporaryDir dir;
    std::unique_ptr<TPrinter> printer;
};

struct SampleChart {
    SampleChart()
    {
        chart.resize(400, 300);
        auto* line = new TLineSeries(&chart);
        line->SetParentChart(&chart);
        line->FillSampleValues(10);
    }
    TChart chart;
};

bool SameRect(const TRect& A, const TRect& B)
{
    return A.Left == B.Left && A.Top == B.Top && A.Right == B.Right && A.Bottom == B.Bottom;
}

}  // namespace

TEST(PrintPreview, PageHitTestsAndDraggedMargins)
{
    A4Printer a4;
    auto* chart = new TChart;
    chart->resize(400, 300);
    TTeePreviewPanel preview;
    preview.resize(500, 400);
    // A portrait page in a wider area is limited by the height.
    const TRect P = preview.CalcPaperRect();
    const int w = MulDiv(320, a4.printer->PageWidth(), a4.printer->PageHeight());
    EXPECT_TRUE(SameRect(P, TRect((500 - w) / 2, 40, (500 - w) / 2 + w, 360)));

    chart->PrintProportional = false;
    chart->PrintMargins = TRect(10, 20, 10, 20);
    preview.SetPanel(chart);
    preview.PaintWindow();
    const TRect R = preview.ImageRect();
    EXPECT_EQ(R.Left, P.Left + MulDiv(10, P.Width(), 100));
    EXPECT_EQ(R.Bottom, P.Bottom - MulDiv(20, P.Height(), 100));
    const int mx = (R.Left + R.Right) / 2, my = (R.Top + R.Bottom) / 2;
    const std::vector<std::pair<TPoint, int>> hits = {
        {{R.Left + 4, my}, pdLeft},
        {{mx, R.Top - 4}, pdTop},
        {{R.Right, my}, pdRight},
        {{mx, R.Bottom + 2}, pdBottom},
        {{mx, my}, pdMove},
        {{R.Left, R.Top}, pdTopLeft},
        {{R.Right, R.Top}, pdTopRight},
        {{R.Left, R.Bottom}, pdBottomLeft},
        {{R.Right, R.Bottom}, pdBottomRight},
        {{R.Left - 5, my}, pdNone},
    };
    for (const auto& [p, kind] : hits) EXPECT_EQ(preview.WhereIsCursor(p.X, p.Y), kind) << p.X << "," << p.Y;
    preview.AllowResize = false;
    EXPECT_EQ(preview.WhereIsCursor(R.Left, my), pdNone);
    EXPECT_EQ(preview.WhereIsCursor(mx, my), pdMove);
    preview.AllowResize = true;
    preview.AllowMove = false;
    EXPECT_EQ(preview.WhereIsCursor(mx, my), pdNone);
    preview.AllowMove = true;

    // The left line follows the mouse inside the page and short of the right line.
    std::vector<TRect> reported;
    preview.OnChangeMargins = [&](QObject*, bool disable, const TRect& m) {
        EXPECT_TRUE(disable);
        reported.push_back(m);
    };
    chart->PrintProportional = true;
    preview.MouseDown(mbLeft, ssLeft, R.Left, my);
    preview.MouseMove(ssLeft, R.Left + 30, my);
    EXPECT_EQ(preview.ImageRect().Left, R.Left + 30);
    EXPECT_FALSE(chart->PrintProportional);
    EXPECT_EQ(chart->PrintMargins.Left, MulDiv(R.Left + 30 - P.Left, 100, P.Width()));
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_TRUE(SameRect(reported[0], chart->PrintMargins));
    preview.MouseMove(ssLeft, R.Right + 3, my);  // past the right line
    EXPECT_EQ(preview.ImageRect().Left, R.Left + 30);
    preview.MouseMove(ssLeft, P.Left - 1, my);  // off the page
    EXPECT_EQ(preview.ImageRect().Left, R.Left + 30);
    preview.MouseUp(mbLeft, 0, P.Left - 1, my);
    EXPECT_EQ(preview.Drag(), pdNone);

    // The whole image moves, and keeps its last place when it would leave the page.
    preview.PaintWindow();
    const TRect before = preview.ImageRect();
    preview.MouseDown(mbLeft, ssLeft, mx, my);
    preview.MouseMove(ssLeft, mx + 5, my + 3);
    EXPECT_TRUE(
        SameRect(preview.ImageRect(), TRect(before.Left + 5, before.Top + 3, before.Right + 5, before.Bottom + 3)));
    preview.MouseMove(ssLeft, mx + 5, P.Bottom - 1);
    EXPECT_EQ(preview.ImageRect().Top, before.Top + 3);
    preview.MouseUp(mbLeft, 0, mx, my);

    // No page: dragging changes nothing.
    preview.resize(500, 0);
    preview.PaintWindow();
    const TRect margins = chart->PrintMargins;
    preview.MouseDown(mbLeft, ssLeft, 250, 0);
    preview.MouseMove(ssLeft, 260, 0);
    preview.MouseUp(mbLeft, 0, 260, 0);
    EXPECT_TRUE(SameRect(chart->PrintMargins, margins));

    // A chart freed while shown leaves an empty page.
    preview.resize(500, 400);
    delete chart;
    EXPECT_EQ(preview.GetPanel(), nullptr);
    preview.PaintWindow();
    EXPECT_EQ(preview.ImageRect().Left, preview.PaperRect().Left + MulDiv(15, preview.PaperRect().Width(), 100));
}

TEST(PrintPreview, DialogMarginsProportionAndPrint)
{
    A4Printer a4;
    SampleChart s;
    int chartDraws = 0;
    s.chart.OnAfterDraw = [&](QObject*) { ++chartDraws; };
    ModalScript script([&](TTeeForm& f) {
        auto& d = static_cast<TChartPreview&>(f);
        EXPECT_EQ(d.Orientation->ItemIndex(), 1);  // switched to landscape
        EXPECT_TRUE(d.CBProp->isChecked());
        const TRect prop = s.chart.CalcProportionalMargins();
        EXPECT_TRUE(SameRect(s.chart.PrintMargins, prop));
        EXPECT_EQ(d.UDLeftMa->value(), prop.Left);
        EXPECT_EQ(d.UDTopMa->value(), prop.Top);
        EXPECT_FALSE(d.BReset->isEnabled());

        // A typed margin unticks proportional; one that meets its opposite is refused.
        d.UDRightMa->setValue(50);
        EXPECT_EQ(s.chart.PrintMargins.Right, 50);
        EXPECT_FALSE(d.CBProp->isChecked());
        EXPECT_FALSE(s.chart.PrintProportional);
        EXPECT_TRUE(d.BReset->isEnabled());
        const int left = s.chart.PrintMargins.Left;
        d.UDLeftMa->setValue(60);
        EXPECT_EQ(d.UDLeftMa->value(), left);
        EXPECT_EQ(s.chart.PrintMargins.Left, left);
        d.BReset->click();
        EXPECT_TRUE(SameRect(s.chart.PrintMargins, prop));
        EXPECT_EQ(d.UDRightMa->value(), prop.Right);

        // Portrait changes the proportional margins.
        d.CBProp->setChecked(true);
        d.Orientation->Buttons()->button(0)->click();
        EXPECT_EQ(a4.printer->GetOrientation(), poPortrait);
        const TRect portrait = s.chart.CalcProportionalMargins();
        EXPECT_FALSE(SameRect(portrait, prop));
        EXPECT_TRUE(SameRect(s.chart.PrintMargins, portrait));

        chartDraws = 0;
        d.BPrint->click();
        EXPECT_GE(chartDraws, 1);
        d.BClose->click();
    });
    TeePreview(nullptr, &s.chart);
    EXPECT_EQ(script.Shown, 1);
    QFile pdf(a4.File());
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    EXPECT_EQ(bytes.count("/Type /Page") - bytes.count("/Type /Pages"), 1);
}

TEST(PrintPreview, WithoutPrinterOnlyThePageShows)
{
    auto none = std::make_unique<QPrinter>();
    none->setOutputFormat(QPrinter::PdfFormat);  // and no file to print to
    TPrinter nowhere(std::move(none));
    SetPrinter(&nowhere);
    SampleChart s;
    ModalScript script([&](TTeeForm& f) {
        auto& d = static_cast<TChartPreview&>(f);
        EXPECT_FALSE(d.BPrint->isEnabled());
        EXPECT_FALSE(d.BSetupPrinter->isEnabled());
        EXPECT_FALSE(d.Orientation->isEnabled());
        EXPECT_TRUE(d.GBMargins->isEnabled());
        d.BClose->click();
    });
    TeePreview(nullptr, &s.chart);
    SetPrinter(nullptr);
}

TEST(PrintPreview, ChartEditorPagesAndPreviewer)
{
    A4Printer a4;
    SampleChart s;
    InstallTeeExportPreviewPages();
    ModalScript script([&](TTeeForm& f) {
        auto& editor = static_cast<TChartEditForm&>(f);
        if (auto* exporter = dynamic_cast<TTeeExportForm*>(editor.ExportForm)) {
            EXPECT_EQ(exporter->Panel(), &s.chart);
            EXPECT_FALSE(exporter->BClose->isVisible());
            EXPECT_EQ(exporter->LBFormat->count(), 4);
        } else if (auto* preview = dynamic_cast<TChartPreview*>(editor.PreviewForm)) {
            EXPECT_EQ(preview->PreviewPanel()->GetPanel(), &s.chart);
            EXPECT_FALSE(preview->GBMargins->isVisible());
            EXPECT_FALSE(preview->BClose->isVisible());
        } else {
            ADD_FAILURE() << "no page";
        }
        editor.Close();
    });
    EditChartPage(nullptr, &s.chart, cetExport);
    EditChartPage(nullptr, &s.chart, cetPrintPreview);
    EXPECT_EQ(script.Shown, 2);

    // The previewer opens the print preview even before any editor installed it; its
    // options switch the dialog's controls off.
    KeepGlobal keepFactory(TeeChartPreviewFactory());
    TeeChartPreviewFactory() = {};
    TChartPreviewer previewer;
    previewer.SetChart(&s.chart);
    previewer.Options = TeeDefaultPreviewOptions & ~(1u << cpoChangeMargins) & ~(1u << cpoMoveChart);
    ModalScript previewScript([&](TTeeForm& f) {
        ASSERT_TRUE(dynamic_cast<TChartPreview*>(&f));
        auto& d = static_cast<TChartPreview&>(f);
        EXPECT_EQ(d.PreviewPanel()->GetPanel(), &s.chart);
        EXPECT_FALSE(d.GBMargins->isEnabled());
        EXPECT_FALSE(d.PreviewPanel()->AllowMove);
        EXPECT_TRUE(d.PreviewPanel()->AllowResize);
        d.BClose->click();
    });
    previewer.Execute();
    EXPECT_EQ(previewScript.Shown, 1);
}
