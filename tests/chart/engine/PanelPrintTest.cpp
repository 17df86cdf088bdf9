// The panel drawn into bitmaps, recorded pictures, onto the clipboard and the printer.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QPageSize>
#include <QTemporaryDir>
#include <stdexcept>

#include "PanelTestSupport.h"
#include "chart/engine/TeeProcs.h"
#include "platform/TMetafile.h"
#include "platform/TPrinter.h"
#include "support/PixelProbe.h"

namespace {

// A PDF printer of 8 x 11 inches at 600 dots per inch: 4800 x 6600 pixels.
std::unique_ptr<TPrinter> PdfPrinter(const QString& file)
{
    auto p = std::make_unique<QPrinter>(QPrinter::HighResolution);
    p->setOutputFormat(QPrinter::PdfFormat);
    p->setOutputFileName(file);
    p->setResolution(600);
    p->setPageSize(QPageSize(QSizeF(8, 11), QPageSize::Inch));
    p->setPageMargins(QMarginsF(0, 0, 0, 0));
    return std::make_unique<TPrinter>(std::move(p));
}

struct PrinterScope {
    explicit PrinterScope(TPrinter* p) { SetPrinter(p); }
    ~PrinterScope() { SetPrinter(nullptr); }
};

// A panel that paints a red square at (10, 10)-(20, 20) of its own coordinates on white.
struct SquarePanel : TTestPanel {
    SquarePanel()
    {
        resize(400, 250);
        SetBevelOuter(bvNone);
        OnInternalDraw = [this](const TRect&) {
            ++draws;
            metafiling = GetCanvas()->Metafiling;
            buffered = GetBufferedDisplay();
            GetCanvas()->Brush->SetColor(clRed);
            GetCanvas()->Brush->SetStyle(bsSolid);
            GetCanvas()->FillRect(TRect(10, 10, 20, 20));
        };
    }
    int draws = 0;
    bool metafiling = false;
    bool buffered = true;
};

}  // namespace

TEST(PanelPicture, BitmapBackColourAndBufferRestoredAfterFailure)
{
    SquarePanel panel;
    auto white = panel.TeeCreateBitmap(clWhite, TRect(0, 0, 40, 30));
    ASSERT_EQ(white->GetWidth(), 40);
    ASSERT_EQ(white->GetHeight(), 30);
    EXPECT_FALSE(panel.buffered);
    EXPECT_TRUE(panel.GetBufferedDisplay());
    EXPECT_EQ(support::PixelAt(white->Image(), 15, 15), clRed);
    EXPECT_EQ(support::PixelAt(white->Image(), 30, 25), clWhite);  // the bitmap's own colour

    auto lime = panel.TeeCreateBitmap(clLime, TRect(0, 0, 40, 30));
    EXPECT_EQ(support::PixelAt(lime->Image(), 30, 25), clLime);
    EXPECT_EQ(support::PixelAt(lime->Image(), 15, 15), clRed);

    panel.OnInternalDraw = [](const TRect&) { throw std::runtime_error("broken series"); };
    EXPECT_THROW(panel.TeeCreateBitmap(clWhite, TRect(0, 0, 10, 10)), std::runtime_error);
    EXPECT_TRUE(panel.GetBufferedDisplay());
    EXPECT_THROW(panel.TeeCreateMetafile(true, TRect(0, 0, 10, 10)), std::runtime_error);
    EXPECT_FALSE(panel.GetCanvas()->Metafiling);
    EXPECT_TRUE(panel.GetBufferedDisplay());
}

TEST(PanelPicture, FilesClipboardAndAssignTo)
{
    QTemporaryDir dir;
    SquarePanel panel;
    const AnsiString bmp = (dir.path() + "/chart.bmp").toStdString();
    panel.SaveToBitmapFile(bmp);
    TBitmap loaded;
    loaded.LoadFromFile(bmp);
    EXPECT_EQ(loaded.GetWidth(), 400);
    EXPECT_EQ(support::PixelAt(loaded.Image(), 12, 12), clRed);
    // A name without the usual extension still gets a BMP file; a failed save keeps the
    // old file and says so.
    const QString plain = dir.path() + "/chart";
    panel.SaveToBitmapFile(plain.toStdString(), TRect(0, 0, 8, 8));
    QFile f(plain);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(2) == "BM");
    EXPECT_THROW(panel.SaveToBitmapFile((dir.path() + "/missing/x.bmp").toStdString()), EInOutError);

    // Recorded pictures: drawn while metafiling, at least 1 x 1, and they play back.
    auto meta = panel.TeeCreateMetafile(true, TRect(0, 0, 50, 40));
    EXPECT_TRUE(panel.metafiling);
    EXPECT_FALSE(panel.GetCanvas()->Metafiling);
    EXPECT_EQ(meta->GetWidth(), 50);
    EXPECT_EQ(support::PixelAt(meta->ToImage(), 15, 15), clRed);
    EXPECT_EQ(support::PixelAt(meta->ToImage(), 40, 30), clWhite);
    auto tiny = panel.TeeCreateMetafile(false, TRect(5, 5, 5, 5));
    EXPECT_EQ(tiny->GetWidth(), 1);
    EXPECT_EQ(tiny->GetHeight(), 1);
    const AnsiString pic = (dir.path() + "/chart.pic").toStdString();
    panel.SaveToMetafileEnh(pic);
    TMetafile back;
    back.LoadFromFile(pic);
    EXPECT_EQ(support::PixelAt(back.ToImage(), 15, 15), clRed);
    EXPECT_THROW(panel.SaveToMetafile((dir.path() + "/missing/x.pic").toStdString()), EInOutError);

    panel.CopyToClipboardBitmap(TRect(0, 0, 30, 30));
    const QImage clip = QGuiApplication::clipboard()->image();
    EXPECT_EQ(clip.size(), QSize(30, 30));
    EXPECT_EQ(support::PixelAt(clip, 15, 15), clRed);
    panel.CopyToClipboardMetafile(true, TRect(0, 0, 30, 30));
    // The enhanced metafile under its MIME type, beside the picture as a bitmap.
    const QByteArray emf = QGuiApplication::clipboard()->mimeData()->data("image/x-emf");
    ASSERT_GE(emf.size(), 44);
    EXPECT_EQ(emf.mid(40, 4), QByteArray(" EMF"));
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(30, 30));

    TPicture picture;
    panel.AssignTo(&picture);
    ASSERT_NE(picture.GetGraphic(), nullptr);
    EXPECT_EQ(picture.GetWidth(), 400);
    QObject other;
    EXPECT_THROW(panel.AssignTo(&other), EConvertError);
}

TEST(PanelPicture, AntiAliasAveragesATwiceAsLargeDrawing)
{
    SquarePanel panel;
    panel.resize(40, 30);
    panel.SetColor(clWhite);
    panel.GetView3DOptions()->SetFontZoom(100);
    int zoomSeen = 0;
    TRect drawnIn;
    // Drawn in the large picture: a red block over 2 x 2 pixels at (4, 4) and a black
    // line one pixel wide at x = 11, which is half of the pixel column 5.
    panel.OnInternalDraw = [&](const TRect& R) {
        drawnIn = R;
        zoomSeen = panel.GetView3DOptions()->GetFontZoom();
        TCanvas3D* c = panel.GetCanvas();
        c->Brush->SetStyle(bsSolid);
        c->Brush->SetColor(clRed);
        c->FillRect(TRect(4, 4, 6, 6));
        c->Brush->SetColor(clBlack);
        c->FillRect(TRect(11, 0, 12, 60));
    };
    auto smooth = TeeAntiAlias(&panel);
    ASSERT_EQ(smooth->GetWidth(), 40);
    ASSERT_EQ(smooth->GetHeight(), 30);
    EXPECT_EQ(smooth->GetPixelFormat(), pf24bit);
    EXPECT_EQ(drawnIn, TRect(0, 0, 80, 60));
    EXPECT_EQ(zoomSeen, 200);
    EXPECT_EQ(support::PixelAt(smooth->Image(), 2, 2), clRed);
    EXPECT_EQ(support::PixelAt(smooth->Image(), 5, 10), TColor(0x7F7F7F));  // (2 white + 2 black) / 4
    EXPECT_EQ(support::PixelAt(smooth->Image(), 20, 20), clWhite);
    EXPECT_EQ(panel.GetView3DOptions()->GetFontZoom(), 100);
    EXPECT_TRUE(panel.AutoRepaint);
    EXPECT_TRUE(panel.GetBufferedDisplay());

    panel.OnInternalDraw = [](const TRect&) { throw std::runtime_error("broken series"); };
    EXPECT_THROW(TeeAntiAlias(&panel), std::runtime_error);
    EXPECT_EQ(panel.GetView3DOptions()->GetFontZoom(), 100);
    EXPECT_TRUE(panel.GetBufferedDisplay());
}

TEST(PanelPrint, ProportionalMarginsAndPrintRectangle)
{
    QTemporaryDir dir;
    auto printer = PdfPrinter(dir.path() + "/p.pdf");
    PrinterScope scope(printer.get());
    ASSERT_EQ(printer->PageWidth(), 4800);
    ASSERT_EQ(printer->PageHeight(), 6600);
    TTestPanel panel;  // 400 x 250: wide
    EXPECT_EQ(panel.CalcProportionalMargins(), TRect(15, 34, 15, 34));
    EXPECT_EQ(panel.ChartPrintRect(), TRect(720, 2244, 4800 - 720, 6600 - 2244));
    panel.resize(100, 200);  // tall: 70 % of the height, width half of that
    const TRect m = panel.CalcProportionalMargins();
    EXPECT_EQ(m.Top, 15);
    EXPECT_EQ(m.Left, 26);  // round(51.875) div 2
    panel.PrintProportional = false;
    panel.PrintMargins = TRect(10, 20, 0, 0);
    EXPECT_EQ(panel.ChartPrintRect(), TRect(480, 1320, 4800, 6600));
}

TEST(PanelPrint, PartialCanvasScalesTheLayoutAndRestoresTheMapping)
{
    SquarePanel panel;
    TBitmap page;
    page.SetSize(800, 500);
    TCanvas* c = page.Canvas();
    TRect seen;
    bool printingSeen = false;
    panel.OnBeforePrint = [&](QObject*, TCanvas* canvas, const TRect& R) {
        EXPECT_EQ(canvas, c);
        seen = R;
        printingSeen = panel.Printing;
    };
    panel.PrintPartialCanvas(c, TRect(800, 500, 0, 0));  // reversed corners are ordered
    EXPECT_EQ(seen, TRect(0, 0, 400, 250));
    EXPECT_TRUE(printingSeen);
    EXPECT_FALSE(panel.Printing);
    EXPECT_EQ(c->GetMapMode(), MM_TEXT);
    EXPECT_FALSE(c->HasClipping());
    const QImage& img = page.Image();
    // The square at (10, 10)-(20, 20) comes out twice as large.
    EXPECT_EQ(support::PixelAt(img, 21, 21), clRed);
    EXPECT_EQ(support::PixelAt(img, 38, 38), clRed);
    EXPECT_EQ(support::PixelAt(img, 42, 42), clWhite);

    // A print resolution of 50 lays the chart out on half the pixels.
    int w = 0, h = 0, vw = 0, vh = 0;
    TRect r(0, 0, 800, 500);
    panel.PrintResolution = 50;
    panel.CalcMetaBounds(r, TRect(0, 0, 400, 250), w, h, vw, vh);
    EXPECT_EQ(w, 200);
    EXPECT_EQ(h, 125);
    EXPECT_EQ(vw, 800);
    EXPECT_EQ(r, TRect(0, 0, 200, 125));
    // 100 or more keeps one pixel: no empty or mirrored print.
    for (int resolution : {100, 150}) {
        r = TRect(0, 0, 800, 500);
        panel.PrintResolution = resolution;
        panel.CalcMetaBounds(r, TRect(0, 0, 400, 250), w, h, vw, vh);
        EXPECT_EQ(w, 1);
        EXPECT_EQ(h, 1);
        EXPECT_EQ(r, TRect(0, 0, 1, 1));
    }
}

TEST(PanelPrint, PrintsToThePrinterAndKeepsItsOrientation)
{
    QTemporaryDir dir;
    const QString file = dir.path() + "/chart.pdf";
    auto printer = PdfPrinter(file);
    PrinterScope scope(printer.get());
    SquarePanel panel;
    panel.SetName("graDataGraph");
    printer->SetOrientation(poPortrait);
    panel.PrintLandscape();
    EXPECT_EQ(printer->GetOrientation(), poPortrait);
    EXPECT_EQ(printer->Title, "graDataGraph");
    EXPECT_FALSE(printer->Printing());
    EXPECT_EQ(panel.draws, 1);
    QFile pdf(file);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");
}

TEST(PanelPrint, FailuresAbortTheJobAndReachTheCaller)
{
    QTemporaryDir dir;
    auto printer = PdfPrinter(dir.path() + "/fail.pdf");
    PrinterScope scope(printer.get());
    SquarePanel panel;
    panel.OnBeforePrint = [](QObject*, TCanvas*, const TRect&) { throw std::runtime_error("out of paper"); };
    EXPECT_THROW(panel.Print(), std::runtime_error);
    EXPECT_FALSE(printer->Printing());
    EXPECT_TRUE(printer->Aborted());
    EXPECT_FALSE(panel.Printing);

    // A printer that cannot start a job says so instead of printing nothing.
    auto nowhere = std::make_unique<QPrinter>();
    nowhere->setOutputFormat(QPrinter::PdfFormat);
    nowhere->setOutputFileName(dir.path() + "/no/such/dir/x.pdf");
    TPrinter broken(std::move(nowhere));
    PrinterScope scope2(&broken);
    panel.OnBeforePrint = nullptr;
    EXPECT_THROW(panel.Print(), EPrinter);
    EXPECT_FALSE(broken.Printing());
}
